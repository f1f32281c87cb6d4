// The error box through MessageBoxW, so Japanese messages show whatever the ANSI code page.
#include "win32/api/error_box.h"

#include "win32/api/application.h"
#include "win32/api/text.h"

namespace vellicord {

void ShowErrorBox(const std::string& utf8Message) {
  TApplication& app = TApplication::Instance();
  MessageBoxW(app.Handle(), Utf8ToWide(ErrorBoxText(utf8Message)).c_str(), app.Title().c_str(),
              MB_ICONERROR | MB_OK);
}

}  // namespace vellicord
