// TScreenSaverForm's behaviour, apart from any window system: creation, input, close.
#pragma once

#include <cstdint>
#include <string>

#include "common/timer.h"
#include "engine/figure.h"
#include "engine/random.h"
#include "engine/surface.h"
#include "win32/registry.h"
#include "win32/saver_host.h"
#include "win32/saver_timer.h"
#include "win32/settings/settings_store.h"

namespace vellicord {

inline constexpr uint32_t kScSaveScreen = 0xF140;

class TScreenSaverForm {
 public:
  // Nothing is touched until FormCreate. The host, registry, timer, surface and random source
  // must outlive the form.
  TScreenSaverForm(SaverHost& host, Registry& registry, SaverTimer& timer, DrawSurface& surface,
                   RandomSource& random, NativeWindow previewParent);

  bool Preview() const { return PreviewParent != 0; }

  void FormCreate();
  void FormClose();
  void FormShow();
  void FormKeyDown();
  void FormMouseDown();
  // In the saver window's pixels; in run mode that window stands at 0,0, so these are the
  // virtual screen's, and the covers of the other monitors report moves in the same frame.
  void FormMouseMove(int32_t x, int32_t y);
  void FormCloseQuery(bool& canClose);
  // WM_ACTIVATEAPP with FALSE: another program, or another thread, took the activation.
  void AppDeactivate(bool toOwnThread);
  void Timer1Timer();
  // The saver window exists: ask the host for the notifications that hide frames.
  void WatchHost();
  // WM_DISPLAYCHANGE: monitors came, went or moved, or the primary one changed its size.
  void DisplayChange();
  void DisplayPower(bool on);
  void SessionChange(SessionEvent event);
  // Whether a frame drawn now reaches anybody's eyes, given the window's own state.
  bool FramesCanBeSeen(bool windowShown, bool iconic) const;
  // WM_SYSCOMMAND: true (with result 1) when the form answers the command itself.
  bool SysCommand(uint32_t command);
  // The close request, from input, from outside or from creation: query, close, end.
  void Close();

  // Design values, replaced by FormCreate.
  int32_t Left = 200;
  int32_t Top = 120;
  int32_t Width = 312;
  int32_t Height = 213;
  ColorValue Color = kBlack;

  const NativeWindow PreviewParent;
  int32_t MouseStartX = -1;
  int32_t MouseStartY = -1;
  int32_t PlatformId = 0;
  std::string BGcolor;
  // False when creation ended early (failed version query, failed read, no preview host):
  // the figure was never set up and the timer never enabled.
  bool Ready = false;
  bool DisplayOn = true;
  bool SessionLocked = false;
  bool SessionDisconnected = false;
  Figure Figure1;

 private:
  bool ReadSettings(SaverSettings& settings);
  void CoverOtherMonitors();

  SaverHost& host_;
  Registry& registry_;
  SaverTimer& timer_;
  DrawSurface& surface_;
  RandomSource& random_;
  bool saverRunningSet_ = false;
};

}  // namespace vellicord
