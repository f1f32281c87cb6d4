// Libraries outside the known DLLs, loaded from the system directory by full path, and the DLL
// search kept to that directory.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace vellicord {

// Before anything else is loaded: later loads by bare name (including those Windows makes on
// the program's behalf) search only the system directory, never the folder the .scr was
// started from. Does nothing where the system lacks SetDefaultDllDirectories.
void KeepDllSearchToSystem();

// LoadLibrary of <system directory>\name; null when it can't be had.
HMODULE LoadSystemLibrary(const wchar_t* name);

// A function of `module` that an older system may lack, as the pointer type F; null when the
// module or the function is missing. FARPROC goes to F through void*: a cast between unrelated
// function types is what -Wcast-function-type warns of.
template <class F>
F OptionalFunction(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
// The same in a library every process of the saver has loaded (user32.dll, kernel32.dll).
template <class F>
F OptionalFunction(const wchar_t* loaded, const char* name) {
  return OptionalFunction<F>(GetModuleHandleW(loaded), name);
}

}  // namespace vellicord
