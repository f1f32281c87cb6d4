// Preview only: notices the preview parent gone when no message says so, and ends the saver.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <functional>

#include "win32/api/precise_timer.h"

namespace vellicord {

// When the process that owns the preview parent dies, Wine frees it and our child with it
// without sending the child WM_DESTROY, so the saver would run on with no window, invisibly and
// for ever. A periodic check on the application's loop catches that, whatever the speed (a
// Speed of 4 or more never ticks).
class PreviewParentWatch {
 public:
  PreviewParentWatch();

  // Calls onGone once when parent or self no longer names a window.
  void Start(HWND parent, HWND self, std::function<void()> onGone);

 private:
  void Check();

  PreciseTimer timer_;
  HWND parent_ = nullptr;
  HWND self_ = nullptr;
  std::function<void()> onGone_;
};

}  // namespace vellicord
