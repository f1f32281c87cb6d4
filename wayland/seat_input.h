// A seat's pointer and keyboard over the saver's surfaces: the pointer hidden, and the input
// that ends the saver.
#pragma once

#include <cstdint>

struct wl_keyboard;
struct wl_pointer;
struct wl_seat;
struct wl_surface;

namespace vellicord {

class SeatInput {
 public:
  // `ended` is set by the first input that ends the saver.
  SeatInput(wl_seat* seat, uint32_t name, bool& ended);
  ~SeatInput();
  SeatInput(const SeatInput&) = delete;
  SeatInput& operator=(const SeatInput&) = delete;

  uint32_t Name() const { return name_; }

  // The seat gained or lost a pointer or keyboard: one that comes after the start counts too.
  void Capabilities(uint32_t caps);
  void PointerAt(wl_surface* surface, int32_t x, int32_t y);
  void Moved(int32_t x, int32_t y);
  void End() { ended_ = true; }

 private:
  wl_seat* seat_;
  wl_pointer* pointer_ = nullptr;
  uint32_t name_;
  bool& ended_;
  wl_keyboard* keyboard_ = nullptr;
  // Where the pointer was first seen on the surface it is over, in surface units.
  wl_surface* over_ = nullptr;
  int32_t startX_ = 0, startY_ = 0;
};

}  // namespace vellicord
