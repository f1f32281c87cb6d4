// Mode choice, the handle parser and the change-password steps.
#include "saver/program.h"

#include <string>

namespace vellicord {

namespace {

wchar_t UpperAscii(wchar_t c) {
  return c >= L'a' && c <= L'z' ? c - L'a' + L'A' : c;
}

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

void ChangePassword(NativeWindow parent, ProgramHost& host) {
  std::string dir = host.SystemDirectory();
  if (!dir.empty() && dir.back() != '\\') dir += '\\';
  const LibraryHandle mpr = host.LoadLibrary(dir + "MPR.DLL");
  if (mpr == 0) return;
  host.CallChangePassword(mpr, parent);
  host.FreeLibrary(mpr);
}

}  // namespace

SaverMode ChooseMode(const std::vector<std::wstring>& args) {
  const std::wstring text = args.empty() ? std::wstring(L"/C") : args[0];
  if (text.size() < 2) return SaverMode::Run;
  switch (UpperAscii(text[1])) {
    case L'A':
      return SaverMode::ChangePassword;
    case L'C':
      return SaverMode::Configure;
    case L'P':
      return SaverMode::Preview;
    default:
      return SaverMode::Run;
  }
}

NativeWindow ParseHandle(const std::wstring& text) {
  size_t i = 0;
  while (i < text.size() && text[i] == L' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
  bool hex = false;
  if (i < text.size() && (text[i] == L'$' || text[i] == L'x' || text[i] == L'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < text.size() && text[i] == L'0' &&
             (text[i + 1] == L'x' || text[i + 1] == L'X')) {
    hex = true;
    i += 2;
  }
  if (i == text.size()) return 0;
  uint64_t value = 0;
  for (; i < text.size(); ++i) {
    const int digit =
        hex ? HexDigit(text[i]) : (text[i] >= L'0' && text[i] <= L'9' ? text[i] - L'0' : -1);
    if (digit < 0) return 0;
    value = value * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
    // Decimal must fit the signed range (one more on the negative side); hexadecimal 32 bits.
    const uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    if (value > limit) return 0;
  }
  const uint32_t bits = static_cast<uint32_t>(value);
  return negative ? 0u - bits : bits;
}

void RunProgram(const std::vector<std::wstring>& args, ProgramHost& host) {
  const SaverMode mode = ChooseMode(args);
  const std::wstring second = args.size() > 1 ? args[1] : std::wstring();
  switch (mode) {
    case SaverMode::ChangePassword:
      host.HideApplicationWindow();
      ChangePassword(ParseHandle(second), host);
      return;
    case SaverMode::Configure:
      host.HideApplicationWindow();
      host.RunSetupDialog();
      return;
    case SaverMode::Preview: {
      host.HideApplicationWindow();
      const NativeWindow parent = ParseHandle(second);
      host.SetTitle(L"Vellicord2");
      host.RunSaver(parent);
      return;
    }
    case SaverMode::Run:
      host.RunSaver(0);
      return;
  }
}

}  // namespace vellicord
