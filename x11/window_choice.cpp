// The X11 hack's window: --window-id, else XScreenSaver's window or the root, else its own.
#include "x11/window_choice.h"

namespace vellicord {

WindowChoice ChooseWindow(const HackOptions& o, const char* xscreensaverWindow) {
  if (o.windowId) return {WindowKind::Given, *o.windowId};
  if (!o.root) return {WindowKind::Own, 0};
  if (xscreensaverWindow) {
    if (const std::optional<uint32_t> id = ParseWindowId(xscreensaverWindow)) {
      return {WindowKind::Given, *id};
    }
  }
  return {WindowKind::Root, 0};
}

}  // namespace vellicord
