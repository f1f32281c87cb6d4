// Mode choice, the handle parser and the change-password steps.
#include "win32/program.h"

#include <string>

#include "common/number_text.h"

namespace vellicord {

namespace {

wchar_t UpperAscii(wchar_t c) {
  return c >= L'a' && c <= L'z' ? c - L'a' + L'A' : c;
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
  return static_cast<uint32_t>(
      ParseNumberText(std::wstring_view(text), HexRange::AnyPattern).value_or(0));
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
