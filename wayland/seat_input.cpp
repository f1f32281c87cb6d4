// Seat listeners: a hidden pointer, and keys, buttons and real motion that end the saver.
#include "wayland/seat_input.h"

#include <unistd.h>
#include <wayland-client.h>

#include <cstdlib>

namespace vellicord {

namespace {

// Motion within this many surface units of where the pointer was first seen leaves the saver
// running: a desk knocked or a touchpad's jitter is not someone back at the machine.
constexpr int32_t kStillUnits = 4;

SeatInput& Of(void* data) {
  return *static_cast<SeatInput*>(data);
}

void SeatCapabilities(void* data, wl_seat*, uint32_t caps) {
  Of(data).Capabilities(caps);
}
void SeatName(void*, wl_seat*, const char*) {}
const wl_seat_listener kSeatListener = {SeatCapabilities, SeatName};

// Entering a surface hides the pointer there: a null cursor surface.
void PointerEnter(void* data, wl_pointer* pointer, uint32_t serial, wl_surface* surface,
                  wl_fixed_t x, wl_fixed_t y) {
  wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);
  Of(data).PointerAt(surface, wl_fixed_to_int(x), wl_fixed_to_int(y));
}
void PointerLeave(void*, wl_pointer*, uint32_t, wl_surface*) {}
void PointerMotion(void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) {
  Of(data).Moved(wl_fixed_to_int(x), wl_fixed_to_int(y));
}
void PointerButton(void* data, wl_pointer*, uint32_t, uint32_t, uint32_t, uint32_t state) {
  if (state == WL_POINTER_BUTTON_STATE_PRESSED) Of(data).End();
}
void PointerAxis(void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {}
void PointerFrame(void*, wl_pointer*) {}
void PointerAxisSource(void*, wl_pointer*, uint32_t) {}
void PointerAxisStop(void*, wl_pointer*, uint32_t, uint32_t) {}
void PointerAxisDiscrete(void*, wl_pointer*, uint32_t, int32_t) {}
const wl_pointer_listener kPointerListener = {
    PointerEnter, PointerLeave,      PointerMotion,   PointerButton,       PointerAxis,
    PointerFrame, PointerAxisSource, PointerAxisStop, PointerAxisDiscrete, PointerAxisDiscrete};

void KeyboardKeymap(void*, wl_keyboard*, uint32_t, int32_t fd, uint32_t) {
  close(fd);
}
// The keys already down when the surface gets the focus (the one that started the saver from
// a terminal) are no new input.
void KeyboardEnter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {}
void KeyboardLeave(void*, wl_keyboard*, uint32_t, wl_surface*) {}
void KeyboardKey(void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t state) {
  if (state == WL_KEYBOARD_KEY_STATE_PRESSED) Of(data).End();
}
void KeyboardModifiers(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
void KeyboardRepeat(void*, wl_keyboard*, int32_t, int32_t) {}
const wl_keyboard_listener kKeyboardListener = {KeyboardKeymap, KeyboardEnter,     KeyboardLeave,
                                                KeyboardKey,    KeyboardModifiers, KeyboardRepeat};

}  // namespace

SeatInput::SeatInput(wl_seat* seat, uint32_t name, bool& ended)
    : seat_(seat), name_(name), ended_(ended) {
  wl_seat_add_listener(seat_, &kSeatListener, this);
}

SeatInput::~SeatInput() {
  Capabilities(0);
  wl_seat_destroy(seat_);
}

void SeatInput::Capabilities(uint32_t caps) {
  const bool hasPointer = caps & WL_SEAT_CAPABILITY_POINTER;
  const bool hasKeyboard = caps & WL_SEAT_CAPABILITY_KEYBOARD;
  if (hasPointer && !pointer_) {
    pointer_ = wl_seat_get_pointer(seat_);
    wl_pointer_add_listener(pointer_, &kPointerListener, this);
  } else if (!hasPointer && pointer_) {
    wl_pointer_destroy(pointer_);
    pointer_ = nullptr;
    over_ = nullptr;
  }
  if (hasKeyboard && !keyboard_) {
    keyboard_ = wl_seat_get_keyboard(seat_);
    wl_keyboard_add_listener(keyboard_, &kKeyboardListener, this);
  } else if (!hasKeyboard && keyboard_) {
    wl_keyboard_destroy(keyboard_);
    keyboard_ = nullptr;
  }
}

// Each surface has its own units, so the pointer's start is taken again on every surface it
// enters; motion on that surface then counts from there.
void SeatInput::PointerAt(wl_surface* surface, int32_t x, int32_t y) {
  over_ = surface;
  startX_ = x;
  startY_ = y;
}

void SeatInput::Moved(int32_t x, int32_t y) {
  if (!over_) return;
  if (std::abs(x - startX_) > kStillUnits || std::abs(y - startY_) > kStillUnits) End();
}

}  // namespace vellicord
