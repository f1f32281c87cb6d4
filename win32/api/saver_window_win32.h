// The saver window on Win32: a thin TForm over TScreenSaverForm, presenting frames with one call.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <memory>
#include <vector>

#include "common/frame_gate.h"
#include "engine/random.h"
#include "engine/raster.h"
#include "win32/api/form.h"
#include "win32/api/host_watch_win32.h"
#include "win32/api/precise_timer.h"
#include "win32/api/registry_win32.h"
#include "win32/api/saver_host_win32.h"
#include "win32/api/tick_counters_win32.h"
#include "win32/screen_saver_form.h"

namespace vellicord {

// A blank window over a monitor the saver window doesn't cover, passing its input to the form.
class TCoverWindow final : public TForm {
 public:
  TCoverWindow(TScreenSaverForm& form, const WindowRect& area, CoverColor color)
      : form_(form), area_(area), color_(color) {}
  ~TCoverWindow() override { DestroyHandle(); }

 protected:
  void CreateParams(TCreateParams& params) override;
  void FormKeyDown(WORD key, bool system) override;
  void FormMouseDown(TMouseButton button, int x, int y) override;
  void FormMouseMove(int x, int y) override;
  bool FormEraseBackground(HDC dc) override;

 private:
  TScreenSaverForm& form_;
  WindowRect area_;
  CoverColor color_;
};

class TScreenSaverWindow final : public TForm, private FramePresenter {
 public:
  explicit TScreenSaverWindow(NativeWindow previewParent);
  ~TScreenSaverWindow() override;

  TScreenSaverForm& Form() { return form_; }
  void Close() override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void FormWindowCreated() override;
  void FormShow() override;
  void FormKeyDown(WORD key, bool system) override;
  void FormMouseDown(TMouseButton button, int x, int y) override;
  void FormMouseMove(int x, int y) override;
  bool FormEraseBackground(HDC dc) override;
  void FormPaint(HDC dc, const RECT& dirty) override;
  bool FormSysCommand(WPARAM command, LRESULT& result) override;
  void FormDestroy() override;
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void Present(const RasterSurface& frame, int32_t x, int32_t y) override;
  int64_t RequestPixels() const override;
  void PresentTo(HDC dc, const RasterSurface& frame, int32_t x, int32_t y, const PixelRect& part);
  void OnTick();
  void MakeCover(const WindowRect& area, CoverColor color);

  Win32SaverHost host_;
  Win32Registry registry_;
  PreciseTimer timer_;
  RasterSurface surface_;
  // The form draws through the gate: nothing is rasterized or copied while nobody can see it.
  GatedSurface gate_{surface_};
  ClockSeededRandom random_;
  TickPublisher counters_;
  TScreenSaverForm form_;
  int32_t frameX_ = 0;
  int32_t frameY_ = 0;
  bool framePresented_ = false;
  PreviewHostWatch hostWatch_;
  std::vector<std::unique_ptr<TCoverWindow>> covers_;
};

}  // namespace vellicord
