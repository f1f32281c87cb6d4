// Fuzz target: the command-line splitter, the mode choice and the handle parser together.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "win32/command_line.h"
#include "win32/program.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Two bytes a character, as the host's wide command line has them.
  std::wstring line;
  for (size_t i = 0; i + 1 < size; i += 2) line += static_cast<wchar_t>(data[i] | data[i + 1] << 8);
  const std::vector<std::wstring> args = vellicord::SplitCommandLine(line);
  for (const std::wstring& a : args) {
    if (a.empty()) std::abort();  // the list ends at the first empty argument
  }
  vellicord::ChooseMode(args);
  vellicord::ParseHandle(args.size() > 1 ? args[1] : std::wstring());
  vellicord::ParseHandle(line);
  return 0;
}
