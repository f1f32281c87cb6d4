// The X11 program's command line: XScreenSaver's window options, the five settings as options,
// and which window to draw in. Platform-free, so that it is tested without a display.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/random.h"
#include "host/x11/x11_canvas.h"
#include "settings/settings_store.h"

namespace vellicord {

struct HackOptions {
  bool root = false;
  std::optional<uint32_t> windowId;  // --window-id
  SaverSettings settings;            // the settings table's defaults until an option says otherwise
  bool help = false;
  bool version = false;
  // The hidden test option --draws: the figure's random draws given up front.
  bool fixedDraws = false;
  long double draws[3] = {0, 0, 0};
  int32_t d6 = 0;
  int32_t d256 = 0;
};

// The arguments after the program's name; an error text (empty on success) names the option.
std::string ParseHackOptions(const std::vector<std::string>& args, HackOptions& options);

// A window id as XScreenSaver passes it: blanks around, then hexadecimal after "0x" or decimal;
// 0 names no window.
std::optional<uint32_t> ParseWindowId(const std::string& text);

struct WindowChoice {
  WindowKind kind = WindowKind::Own;
  uint32_t id = 0;  // for Given
};

// --window-id wins; --root draws in the window XSCREENSAVER_WINDOW names (null when unset) or,
// without a usable one, in the real root; neither gives a window of the program's own.
WindowChoice ChooseWindow(const HackOptions& options, const char* xscreensaverWindow);

// The draws of --draws.
GivenDraws DrawsOf(const HackOptions& options);

extern const char* const kHackUsage;
// What --version prints: the program's name and the release's version.
extern const char* const kHackVersion;

}  // namespace vellicord
