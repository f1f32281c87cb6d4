// The saver window's start-up order, its input rules and its close.
#include "win32/screen_saver_form.h"

#include "common/frame_gate.h"

namespace vellicord {

TScreenSaverForm::TScreenSaverForm(SaverHost& host, Registry& registry, SaverTimer& timer,
                                   DrawSurface& surface, RandomSource& random,
                                   NativeWindow previewParent)
    : PreviewParent(previewParent),
      host_(host),
      registry_(registry),
      timer_(timer),
      surface_(surface),
      random_(random) {}

void TScreenSaverForm::FormCreate() {
  MouseStartX = -1;
  MouseStartY = -1;
  Left = 0;
  Top = 0;
  if (Preview()) {
    // A handle that names no window can't be a parent: end at once and show nothing.
    if (!host_.IsWindow(PreviewParent)) {
      Close();
      return;
    }
    // A child of a window with another DPI awareness gets this thread's awareness reset when
    // it is made, and a rectangle read before then is in the wrong units.
    host_.FollowDpiOf(PreviewParent);
    const WindowRect r = host_.GetWindowRect(PreviewParent);
    Width = r.Right - r.Left;
    Height = r.Bottom - r.Top;
  } else {
    Width = host_.ScreenWidth();
    Height = host_.ScreenHeight();
    host_.ShowCursor(false);
    int32_t platformId = 0;
    if (!host_.GetVersionEx(platformId)) {
      Close();
      return;
    }
    PlatformId = platformId;
    if (PlatformId == 1) {
      host_.SetScreenSaverRunning(true);
      saverRunningSet_ = true;
    }
  }
  host_.DisableIme();
  SaverSettings settings;
  if (!ReadSettings(settings)) return;
  BGcolor = settings.BGcolor;
  const FigureConfig config = FigureConfigFor(settings);
  Color = config.WindowColor;
  timer_.SetEnabled(true);
  Figure1.SetUp(config, Width, Height, random_, surface_);
  Ready = true;
}

bool TScreenSaverForm::ReadSettings(SaverSettings& settings) {
  // The store lives only for the reads and is gone before any error is shown. The speed
  // becomes the interval right after its read, before the next read.
  const StoreError error = [&] {
    SettingsStore store(registry_, kStoreName);
    return ReadSaverSettings(store, settings, [&](SettingId id) {
      if (id == kSpeed) timer_.SetInterval(IntervalForSpeed(settings.Speed));
    });
  }();
  if (error) {
    // The pointer is hidden in run mode, and the box needs it for its button.
    if (!Preview()) host_.ShowCursor(true);
    host_.ShowErrorBox(*error);
    if (!Preview()) host_.ShowCursor(false);
    return false;
  }
  return true;
}

void TScreenSaverForm::FormShow() {
  host_.HideApplicationWindow();
  if (!Preview()) CoverOtherMonitors();
}

void TScreenSaverForm::CoverOtherMonitors() {
  // The figure stays on the primary screen; every other monitor is blanked, or its desktop
  // would stay usable (and the session open) behind the saver's back.
  for (const MonitorArea& m : host_.Monitors()) {
    if (!m.Primary) host_.CoverMonitor(m.Rect, Color);
  }
}

void TScreenSaverForm::DisplayChange() {
  // A monitor plugged in, docked or woken after the start would show its desktop, and one
  // taken away would leave a cover over nothing: the covers are made again from the new list,
  // and the window takes the primary screen's new size. The figure keeps its size and place.
  if (Preview()) return;
  Width = host_.ScreenWidth();
  Height = host_.ScreenHeight();
  host_.PlaceWindow(Width, Height);
  host_.RemoveCovers();
  CoverOtherMonitors();
}

void TScreenSaverForm::WatchHost() {
  // The console display's state came with Windows 8; before it, the monitors' power says the
  // same.
  if (!host_.WatchPowerSetting(PowerSetting::ConsoleDisplayState)) {
    host_.WatchPowerSetting(PowerSetting::MonitorPowerOn);
  }
  host_.WatchSessions();
}

void TScreenSaverForm::DisplayPower(bool on) {
  DisplayOn = on;
}

void TScreenSaverForm::SessionChange(SessionEvent event) {
  // A lock and a disconnect are separate states: a session may be locked and then moved to
  // another terminal, and is seen only once it is both unlocked and connected.
  switch (event) {
    case SessionEvent::Lock:
      SessionLocked = true;
      break;
    case SessionEvent::Unlock:
      SessionLocked = false;
      break;
    case SessionEvent::Disconnect:
      SessionDisconnected = true;
      break;
    case SessionEvent::Connect:
      SessionDisconnected = false;
      break;
  }
}

bool TScreenSaverForm::FramesCanBeSeen(bool windowShown, bool iconic) const {
  return FrameCanBeSeen({windowShown, iconic, DisplayOn, !SessionLocked && !SessionDisconnected});
}

// The preview relies on its window being disabled, but input posted to it by another program
// still arrives: only the full-screen saver closes on input.
void TScreenSaverForm::FormKeyDown() {
  if (!Preview()) Close();
}

void TScreenSaverForm::FormMouseDown() {
  if (!Preview()) Close();
}

void TScreenSaverForm::FormMouseMove(int32_t x, int32_t y) {
  if (Preview()) return;
  if (MouseStartX == -1 && MouseStartY == -1) {
    MouseStartX = x;
    MouseStartY = y;
  } else if (x != MouseStartX || y != MouseStartY) {
    Close();
  }
}

void TScreenSaverForm::FormCloseQuery(bool& canClose) {
  if (Preview()) canClose = true;
}

void TScreenSaverForm::FormClose() {
  timer_.SetEnabled(false);
  host_.ShowCursor(true);
  // The host would otherwise go on believing a saver runs after this one has ended.
  if (saverRunningSet_) {
    host_.SetScreenSaverRunning(false);
    saverRunningSet_ = false;
  }
}

void TScreenSaverForm::Close() {
  bool canClose = true;
  FormCloseQuery(canClose);
  if (!canClose) return;
  FormClose();
  host_.EndProgram();
}

void TScreenSaverForm::AppDeactivate(bool toOwnThread) {
  // Another program in front of the saver means the user is past it: end, as the host's own
  // screen-saver library does. The saver's own error box is no such program.
  if (!Preview() && !toOwnThread) Close();
}

void TScreenSaverForm::Timer1Timer() {
  Figure1.Tick();
}

bool TScreenSaverForm::SysCommand(uint32_t command) {
  return command == kScSaveScreen;
}

}  // namespace vellicord
