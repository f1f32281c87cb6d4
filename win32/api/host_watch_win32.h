// Preview only: notices the preview host going away when no message says so, and ends the saver.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <functional>

namespace vellicord {

// When the process that owns the host window dies, Wine frees the host and our child with it
// without sending the child WM_DESTROY, so the saver would run on with no window, invisibly and
// for ever. A periodic check on the application's loop catches that, whatever the speed (a
// Speed of 4 or more never ticks).
class PreviewHostWatch {
 public:
  PreviewHostWatch() = default;
  ~PreviewHostWatch();
  PreviewHostWatch(const PreviewHostWatch&) = delete;
  PreviewHostWatch& operator=(const PreviewHostWatch&) = delete;

  // Calls onGone once when host or self no longer names a window.
  void Start(HWND host, HWND self, std::function<void()> onGone);

 private:
  void Check();

  HANDLE timer_ = nullptr;
  UINT_PTR plainTimer_ = 0;
  HWND host_ = nullptr;
  HWND self_ = nullptr;
  std::function<void()> onGone_;
};

}  // namespace vellicord
