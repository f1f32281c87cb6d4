// What the Win32 test drivers and the Windows benchmark share: text for their output, a clock,
// waiting with this thread's windows still answering, checks, started processes, the windows
// of a process, the setup dialog's controls, the saver's registry key and GDI's frames.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/recording_surface.h"
#include "win32/api/text.h"

namespace vellicord::drive {

// UTF-8 for the driver's output (the other way is the product's Utf8ToWide).
std::string Utf8(const std::wstring& wide);

// A driver's command line: its scenario, the program it plays against, and what follows.
struct Scenario {
  std::wstring name, target;
  std::vector<std::wstring> rest;
  std::wstring Rest(size_t i) const { return i < rest.size() ? rest[i] : std::wstring(); }
};
// False, with the usage printed, when the scenario or the program is missing.
bool ReadScenario(int argc, wchar_t** argv, const char* usage, Scenario& scenario);

double NowMs();
// The driver's own windows (a preview parent, an owner) live on this thread: their messages,
// WM_PARENTNOTIFY from the saver's child among them, must keep flowing while it waits.
void Pump();
bool WaitUntil(const std::function<bool()>& condition, double timeoutMs);
// Waits without ending early: for checks that something does not happen for a while.
void Idle(double ms);
// The saver with this process id has handled everything sent or posted to it so far, and goes
// on: its loop empties its queue between two ticks, and a close stops its timer first, so two
// ticks more than now are the proof. False when they don't come within the timeout.
bool TicksOn(DWORD saver, double timeoutMs = 5000);

// One check: printed as "ok: what -- detail" or "FAIL: ...", counted either way. With verbose
// off, only failures are printed.
struct Tally {
  int checks = 0;
  int failures = 0;
  bool verbose = true;
};
Tally& Checks();
bool Check(bool ok, const std::string& what, const std::string& detail = "");

// A started program; still running when the object goes, it is ended.
class Process {
 public:
  Process() = default;
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  // The command line is the quoted path, then args when there are any.
  bool Start(const std::wstring& exe, const std::wstring& args);
  // Why the last Start failed (GetLastError), 0 after one that succeeded.
  DWORD Error() const { return error_; }
  bool Alive() const;
  // Milliseconds until it ended, or a negative value when it is still running at the timeout.
  double ExitsWithin(double timeoutMs) const;
  DWORD Id() const { return pi_.dwProcessId; }
  HANDLE Handle() const { return pi_.hProcess; }

 private:
  PROCESS_INFORMATION pi_ = {};
  bool started_ = false;
  DWORD error_ = 0;
};

std::vector<HWND> TopWindows(DWORD pid);
std::wstring ClassOf(HWND window);
// WM_GETTEXT copies across processes, unlike GetWindowText on another process's child.
std::wstring TextOf(HWND window);
std::vector<HWND> Children(HWND parent);
// The process's first shown top-level window of the class, now or within the timeout.
HWND VisibleOf(DWORD pid, const wchar_t* className);
HWND WaitForVisible(DWORD pid, const wchar_t* className, double timeoutMs);
// A message box's message: the text of its one static control that has any.
std::wstring BoxMessage(HWND box);
// A plain window class of this program's, registered on first use.
HWND MakeWindow(const wchar_t* className, const wchar_t* title, DWORD style, int x, int y,
                int width, int height, HBRUSH background = nullptr);

// The setup dialog's controls, found by their captions.
struct SetupDialog {
  HWND window = nullptr;
  HWND ok = nullptr, cancel = nullptr, speed = nullptr, period = nullptr, colour = nullptr;
  HWND number = nullptr, width = nullptr;

  // True when every control was found.
  bool Find();
  // The checked item of a radio group or of the colour box, -1 when none is.
  static int CheckedIndex(HWND group);
  // The checked colour's caption, "none" when neither is checked.
  std::string Colour() const;
  int Position(HWND trackBar) const;
};

// The saver's registry key and its section, below HKEY_CURRENT_USER.
inline constexpr char kStoreKey[] = "Vellicord2";
inline constexpr char kSectionKey[] = "Vellicord2\\Vellicord2";

// Removes the store key's tree, and a value of the same name under the root.
void ClearStore();
// Creates the key if missing and sets the value; false when either fails.
bool PutValue(const char* keyPath, const std::string& name, DWORD type, const std::string& bytes);
// Every value of an open key, in the registry's order.
void ForEachValue(
    HKEY key,
    const std::function<void(const char* name, DWORD type, const BYTE* data, DWORD size)>& visit);

// A 32-bpp top-down DIB section selected into a memory DC: a picture readable without a copy.
class DibCanvas {
 public:
  DibCanvas(int32_t width, int32_t height);
  ~DibCanvas();
  DibCanvas(const DibCanvas&) = delete;
  DibCanvas& operator=(const DibCanvas&) = delete;

  HDC Dc() const { return dc_; }
  const uint32_t* Bits() const { return bits_; }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  // Copies the rectangle of the source DC at (x, y) over the whole canvas.
  void CopyFrom(HDC source, int x, int y);

 private:
  int32_t width_, height_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
  uint32_t* bits_ = nullptr;
};

// A recorded frame as the product's GDI path drew it: a rectangle in the background with a pen
// of that colour, then a pen per line.
void DrawWithGdi(HDC dc, int32_t width, int32_t height, const RecordedFrame& frame);

}  // namespace vellicord::drive
