// The Win32 saver window: creation parameters, message unpacking and the frame copy.
#include "win32/api/saver_window_win32.h"

#include "win32/api/application.h"
#include "win32/api/system_library.h"

namespace vellicord {

namespace {

// The erase of the saver window and its covers: the whole client area in the one colour.
bool FillClient(HWND window, HDC dc, uint32_t color) {
  RECT r;
  GetClientRect(window, &r);
  HBRUSH brush = CreateSolidBrush(color & 0xFFFFFF);
  FillRect(dc, &r, brush);
  DeleteObject(brush);
  return true;
}

}  // namespace

void TCoverWindow::CreateParams(TCreateParams& params) {
  TForm::CreateParams(params);
  params.ClassName = L"TScreenSaverCover";
  params.Caption = L"ScreenSaverForm";
  params.ExStyle |= WS_EX_TOPMOST;
  params.X = area_.Left;
  params.Y = area_.Top;
  params.Width = area_.Right - area_.Left;
  params.Height = area_.Bottom - area_.Top;
}

void TCoverWindow::FormKeyDown(WORD, bool) {
  form_.FormKeyDown();
}

void TCoverWindow::FormMouseDown(TMouseButton, int, int) {
  form_.FormMouseDown();
}

void TCoverWindow::FormMouseMove(int x, int y) {
  // The saver window stands at 0,0: its pixels are the virtual screen's, and so are these.
  form_.FormMouseMove(x + area_.Left, y + area_.Top);
}

bool TCoverWindow::FormEraseBackground(HDC dc) {
  return FillClient(Handle(), dc, color_);
}

TScreenSaverWindow::TScreenSaverWindow(NativeWindow previewParent)
    : timer_([this] { OnTick(); }), form_(host_, registry_, timer_, gate_, random_, previewParent) {
  surface_.SetPresenter(this);
  host_.SetCoverMaker([this](const WindowRect& area, CoverColor color) { MakeCover(area, color); },
                      [this] { covers_.clear(); });
}

void TScreenSaverWindow::MakeCover(const WindowRect& area, CoverColor color) {
  auto cover = std::make_unique<TCoverWindow>(form_, area, color);
  if (!cover->CreateHandle()) return;
  // Shown without taking the activation from the saver window.
  ShowWindow(cover->Handle(), SW_SHOWNA);
  covers_.push_back(std::move(cover));
}

TScreenSaverWindow::~TScreenSaverWindow() {
  timer_.SetEnabled(false);
  DestroyHandle();
}

void TScreenSaverWindow::CreateParams(TCreateParams& params) {
  TForm::CreateParams(params);
  params.ClassName = L"TScreenSaverForm";
  params.Caption = L"ScreenSaverForm";
  params.X = form_.Left;
  params.Y = form_.Top;
  params.Width = form_.Width;
  params.Height = form_.Height;
  if (form_.Preview()) {
    params.WndParent = ToHwnd(form_.PreviewParent);
    params.Style = WS_CHILD | WS_VISIBLE | WS_DISABLED;
    params.ClassStyle = CS_PARENTDC;
  } else {
    params.ExStyle |= WS_EX_TOPMOST;
  }
}

void TScreenSaverWindow::FormWindowCreated() {
  host_.AttachWindow(Handle());
  form_.WatchHost();
  if (form_.Preview()) hostWatch_.Start(ToHwnd(form_.PreviewParent), Handle(), [this] { Close(); });
}

void TScreenSaverWindow::FormShow() {
  form_.FormShow();
}

void TScreenSaverWindow::FormKeyDown(WORD, bool) {
  form_.FormKeyDown();
}

void TScreenSaverWindow::FormMouseDown(TMouseButton, int, int) {
  form_.FormMouseDown();
}

void TScreenSaverWindow::FormMouseMove(int x, int y) {
  form_.FormMouseMove(x, y);
}

void TScreenSaverWindow::Close() {
  form_.Close();
}

bool TScreenSaverWindow::FormEraseBackground(HDC dc) {
  return FillClient(Handle(), dc, form_.Color);
}

void TScreenSaverWindow::FormPaint(HDC dc, const RECT&) {
  // The last frame again, so an uncovered window doesn't wait a tick for its picture.
  if (framePresented_ && gate_.FrameCurrent()) {
    PresentTo(dc, surface_, frameX_, frameY_, {0, 0, surface_.Width(), surface_.Height()});
  }
}

bool TScreenSaverWindow::FormSysCommand(WPARAM command, LRESULT& result) {
  if (!form_.SysCommand(static_cast<uint32_t>(command))) return false;
  result = 1;
  return true;
}

void TScreenSaverWindow::FormDestroy() {
  // The preview host destroying its window takes ours with it, without any close request:
  // the program must still end.
  timer_.SetEnabled(false);
  host_.StopWatching();
  TApplication::Instance().Terminate();
}

LRESULT TScreenSaverWindow::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_GETMINMAXINFO && !form_.Preview()) {
    // Maximized means the whole screen, not the work area a caption window would get.
    auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
    info->ptMaxPosition = {0, 0};
    info->ptMaxSize = {form_.Width, form_.Height};
    info->ptMaxTrackSize = info->ptMaxSize;
    return 0;
  }
  if (message == WM_ACTIVATEAPP && wParam == FALSE) {
    // lParam names the thread that takes the activation; this one owns the error box.
    form_.AppDeactivate(static_cast<DWORD>(lParam) == GetCurrentThreadId());
    return 0;
  }
  if (message == WM_POWERBROADCAST && wParam == PBT_POWERSETTINGCHANGE) {
    const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam);
    // 0 off, 1 on, 2 dimmed (still showing); the one setting registered is either the console
    // display's state or the monitors' power, which say it alike.
    if (setting != nullptr && setting->DataLength >= sizeof(DWORD)) {
      form_.DisplayPower(*reinterpret_cast<const DWORD*>(setting->Data) != 0);
    }
    return TRUE;
  }
  if (message == WM_WTSSESSION_CHANGE) {
    switch (wParam) {
      case WTS_SESSION_LOCK:
        form_.SessionChange(SessionEvent::Lock);
        break;
      case WTS_SESSION_UNLOCK:
        form_.SessionChange(SessionEvent::Unlock);
        break;
      case WTS_CONSOLE_DISCONNECT:
      case WTS_REMOTE_DISCONNECT:
        form_.SessionChange(SessionEvent::Disconnect);
        break;
      case WTS_CONSOLE_CONNECT:
      case WTS_REMOTE_CONNECT:
        form_.SessionChange(SessionEvent::Connect);
        break;
    }
    return 0;
  }
  if (message == WM_DISPLAYCHANGE) {
    form_.DisplayChange();
    return 0;
  }
  return TForm::WndProc(message, wParam, lParam);
}

// Whole changed strips, not their tiles. Under Wine a window's drawing reaches the X server as
// the bounding box of what was drawn since the last flush, so finer copies save little: a frame
// copied as its changed tiles (120 to 270 calls) took 424 to 1533 us against 444 to 1471 us as
// strips (vellicord2-bench-win frames), better and worse by under a tenth. Windows itself keeps
// each call's rectangle, but each call is a trip into the kernel that costs as much as copying
// thousands of pixels, so there too the price of a call would merge most tiles into strips.
int64_t TScreenSaverWindow::RequestPixels() const {
  return ChangedStrips::kWholeStrips;
}

void TScreenSaverWindow::Present(const RasterSurface& frame, int32_t x, int32_t y) {
  frameX_ = x;
  frameY_ = y;
  framePresented_ = true;
  HWND hwnd = Handle();
  if (hwnd == nullptr) return;
  HDC dc = GetDC(hwnd);
  // Only the strips the frame changed: the rest of the window already shows the same pixels.
  for (int32_t i = 0; i < frame.ChangedCount(); ++i) PresentTo(dc, frame, x, y, frame.Changed()[i]);
  ReleaseDC(hwnd, dc);
  counters_.Present();
}

void TScreenSaverWindow::PresentTo(HDC dc, const RasterSurface& frame, int32_t x, int32_t y,
                                   const PixelRect& part) {
  if (!frame.HasBuffer()) return;
  // The part's rows handed over as a top-down DIB of their own, so the source origin is just
  // (part.Left, 0) and no scan-line arithmetic of SetDIBitsToDevice comes into it.
  const int32_t rows = part.Bottom - part.Top;
  BITMAPINFO bmi = {};
  bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bmi.bmiHeader.biWidth = frame.Width();
  bmi.bmiHeader.biHeight = -rows;
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  SetDIBitsToDevice(dc, x + part.Left, y + part.Top, static_cast<DWORD>(part.Right - part.Left),
                    static_cast<DWORD>(rows), part.Left, 0, 0, static_cast<UINT>(rows),
                    frame.Pixels() + int64_t{part.Top} * frame.Width(), &bmi, DIB_RGB_COLORS);
}

void TScreenSaverWindow::OnTick() {
  counters_.Tick();
  // IsWindowVisible also looks at the ancestors: a hidden preview host hides the preview.
  HWND hwnd = Handle();
  const bool seen = form_.FramesCanBeSeen(hwnd != nullptr && IsWindowVisible(hwnd) != FALSE,
                                          hwnd != nullptr && IsIconic(hwnd) != FALSE);
  gate_.SetVisible(seen);
  timer_.SetFramesVisible(seen);
  form_.Timer1Timer();
}

}  // namespace vellicord
