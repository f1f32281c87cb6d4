// What the saver window needs of its host, as narrow operations that tests can play.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vellicord {

// A native window handle as the command line carries it: a 32-bit pattern, 0 for none.
using NativeWindow = uint32_t;

// The pointer-sized handle value of a 32-bit pattern: sign-extended, as a 64-bit program must
// take a handle that a 32-bit one passed it (0x80000000 is 0xFFFFFFFF80000000).
inline intptr_t HandleValue(NativeWindow window) {
  return static_cast<int32_t>(window);
}

struct WindowRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
};

// One monitor of the desktop, in virtual-screen pixels: the primary one has its top-left corner
// at 0,0, the others may lie at negative coordinates (left of or above it).
struct MonitorArea {
  WindowRect Rect;
  bool Primary = false;
};

// A colour in the figure engine's layout (red in the low byte).
using CoverColor = uint32_t;

// The display-state notifications a host may offer: the console display's state (Windows 8 and
// later), or the monitors' power (Vista and 7).
enum class PowerSetting { ConsoleDisplayState, MonitorPowerOn };

// What the host reports of the user's session: a lock or a disconnected session leaves nobody
// to see the saver; an unlock or reconnect brings someone back.
enum class SessionEvent { Lock, Unlock, Disconnect, Connect };

class SaverHost {
 public:
  virtual ~SaverHost() = default;
  virtual bool IsWindow(NativeWindow window) = 0;
  virtual WindowRect GetWindowRect(NativeWindow window) = 0;
  virtual int32_t ScreenWidth() = 0;
  virtual int32_t ScreenHeight() = 0;
  virtual std::vector<MonitorArea> Monitors() = 0;
  // A borderless topmost window of one colour over a monitor the saver window doesn't cover;
  // its key, click and move events reach the form like the saver window's own.
  virtual void CoverMonitor(const WindowRect& area, CoverColor color) = 0;
  // Run mode, after a display change: the saver window stands at 0,0 with this size again, and
  // every cover made so far is gone. Hosts without display changes do nothing.
  virtual void PlaceWindow(int32_t /*width*/, int32_t /*height*/) {}
  virtual void RemoveCovers() {}
  // Notifications for the saver window: true when the host has the setting and registered it.
  virtual bool WatchPowerSetting(PowerSetting /*setting*/) { return false; }
  virtual void WatchSessions() {}
  // Preview: this thread takes on the DPI awareness of the host's window, before its rectangle
  // is read and a child is made in it.
  virtual void FollowDpiOf(NativeWindow window) = 0;
  virtual void ShowCursor(bool show) = 0;
  // The version query with a record of size 148: the platform family, or false on failure.
  virtual bool GetVersionEx(int32_t& platformId) = 0;
  // SPI_SETSCREENSAVERRUNNING.
  virtual void SetScreenSaverRunning(bool running) = 0;
  // No text composition for the saver window while it has the focus.
  virtual void DisableIme() = 0;
  virtual void ShowErrorBox(const std::string& utf8Message) = 0;
  virtual void HideApplicationWindow() = 0;
  // The main window has closed: the message loop ends, and with it the program.
  virtual void EndProgram() = 0;
};

}  // namespace vellicord
