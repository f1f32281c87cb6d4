// Which X11 window the hack draws in, from its options and XScreenSaver's variable.
#pragma once

#include <cstdint>

#include "common/hack_options.h"
#include "x11/x11_canvas.h"

namespace vellicord {

struct WindowChoice {
  WindowKind kind = WindowKind::Own;
  uint32_t id = 0;  // for Given
};

// --window-id wins; --root draws in the window XSCREENSAVER_WINDOW names (null when unset) or,
// without a usable one, in the real root; neither gives a window of the program's own.
WindowChoice ChooseWindow(const HackOptions& options, const char* xscreensaverWindow);

}  // namespace vellicord
