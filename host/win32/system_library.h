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

}  // namespace vellicord
