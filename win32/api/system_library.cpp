// Loading from the system directory only.
#include "win32/api/system_library.h"

#include <string>

namespace vellicord {

void KeepDllSearchToSystem() {
  // Windows 8, or Windows 7 with KB2533623; looked up, since the .scr also starts without it.
  using SetDirectories = BOOL(WINAPI*)(DWORD);
  auto set = OptionalFunction<SetDirectories>(L"kernel32.dll", "SetDefaultDllDirectories");
  if (set != nullptr) set(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
  wchar_t dir[MAX_PATH] = {};
  const UINT n = GetSystemDirectoryW(dir, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return nullptr;
  std::wstring path(dir, n);
  if (path.back() != L'\\') path += L'\\';
  path += name;
  return LoadLibraryW(path.c_str());
}

}  // namespace vellicord
