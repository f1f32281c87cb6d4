// Default title rule; ASCII case folding only, as the host's own file names are compared.
#include "win32/app_title.h"

namespace vellicord {

std::wstring DefaultTitle(const std::wstring& modulePath) {
  const size_t slash = modulePath.find_last_of(L"\\/:");
  std::wstring name = slash == std::wstring::npos ? modulePath : modulePath.substr(slash + 1);
  const size_t dot = name.find(L'.');
  if (dot != std::wstring::npos) name.resize(dot);
  for (size_t i = 1; i < name.size(); ++i) {
    if (name[i] >= L'A' && name[i] <= L'Z') name[i] = static_cast<wchar_t>(name[i] - L'A' + L'a');
  }
  return name;
}

std::wstring ProgramTitle(const std::wstring& modulePath,
                          const std::function<std::wstring(const std::wstring&)>& longPath) {
  const std::wstring full = longPath(modulePath);
  return DefaultTitle(full.empty() ? modulePath : full);
}

}  // namespace vellicord
