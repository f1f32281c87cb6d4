// Command-line splitting.
#include "win32/command_line.h"

namespace vellicord {

namespace {

bool IsSeparator(wchar_t c) {
  return c != L'\0' && static_cast<unsigned>(c) <= L' ';
}

// Reads one argument starting at pos, leaving pos after it.
std::wstring NextArgument(const std::wstring& line, size_t& pos) {
  for (;;) {
    while (pos < line.size() && IsSeparator(line[pos])) ++pos;
    if (pos + 1 < line.size() && line[pos] == L'"' && line[pos + 1] == L'"') {
      pos += 2;
    } else {
      break;
    }
  }
  std::wstring arg;
  while (pos < line.size() && line[pos] != L'\0' && !IsSeparator(line[pos])) {
    if (line[pos] == L'"') {
      ++pos;
      while (pos < line.size() && line[pos] != L'\0' && line[pos] != L'"') arg += line[pos++];
      if (pos < line.size() && line[pos] == L'"') ++pos;
    } else {
      arg += line[pos++];
    }
  }
  return arg;
}

}  // namespace

std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine) {
  size_t pos = 0;
  NextArgument(commandLine, pos);  // the program's own name
  std::vector<std::wstring> args;
  for (;;) {
    std::wstring arg = NextArgument(commandLine, pos);
    if (arg.empty()) break;
    args.push_back(std::move(arg));
  }
  return args;
}

}  // namespace vellicord
