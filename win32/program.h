// The program's main function: the choice of mode from the command line and each mode's work.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "win32/saver_host.h"

namespace vellicord {

enum class SaverMode { ChangePassword, Configure, Preview, Run };

// By the second character of the first argument after ASCII upper-casing; no argument is "/C".
SaverMode ChooseMode(const std::vector<std::wstring>& args);

// The second argument as a window handle: decimal in the signed 32-bit range, or hexadecimal
// after "$", "x" or "0x"; anything else is 0.
NativeWindow ParseHandle(const std::wstring& text);

// A library loaded at run time; 0 when loading failed.
using LibraryHandle = uintptr_t;

// What the main function asks of the host.
class ProgramHost {
 public:
  virtual ~ProgramHost() = default;
  virtual void HideApplicationWindow() = 0;
  virtual void SetTitle(const std::wstring& title) = 0;
  virtual int RunSetupDialog() = 0;
  // Initialises the application, makes the saver window its main window and runs the loop.
  virtual void RunSaver(NativeWindow previewParent) = 0;
  // GetSystemDirectoryA into 260 characters, cut to the length it returns (0: empty).
  virtual std::string SystemDirectory() = 0;
  virtual LibraryHandle LoadLibrary(const std::string& path) = 0;
  // Looks up PwdChangePasswordA and, when found, calls it; false when it is missing.
  virtual bool CallChangePassword(LibraryHandle library, NativeWindow parent) = 0;
  virtual void FreeLibrary(LibraryHandle library) = 0;
};

// The whole program; returns when the chosen mode's work has ended.
void RunProgram(const std::vector<std::wstring>& args, ProgramHost& host);

}  // namespace vellicord
