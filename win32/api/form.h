// Form layer over raw Win32: one window class per form, one procedure thunk, named event handlers.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

namespace vellicord {

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

// The parameters a form's native window is created with; a form adjusts them in CreateParams.
struct TCreateParams {
  std::wstring Caption;
  DWORD Style = WS_POPUP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  DWORD ExStyle = 0;
  int X = CW_USEDEFAULT;
  int Y = CW_USEDEFAULT;
  int Width = CW_USEDEFAULT;
  int Height = CW_USEDEFAULT;
  HWND WndParent = nullptr;  // parent for WS_CHILD, owner otherwise
  UINT ClassStyle = CS_DBLCLKS;
  std::wstring ClassName;  // registered on first use; one class per distinct name and style
  HBRUSH Background = nullptr;
  HICON Icon = nullptr;
};

// Base of every window of the program. The native window stores `this` at WM_NCCREATE; the
// shared procedure unpacks messages into the virtual handlers below. A handler that does not
// care leaves the default (DefWindowProcW) in place.
class TForm {
 public:
  TForm() = default;
  virtual ~TForm();
  TForm(const TForm&) = delete;
  TForm& operator=(const TForm&) = delete;

  HWND Handle() const { return handle_; }
  // Creates the native window from CreateParams. False when the host refuses it.
  bool CreateHandle();
  // Shows the window (SW_SHOW, SW_SHOWMAXIMIZED, ...) and runs FormShow the first time.
  void Show(int showCommand = SW_SHOW);
  // The close request: the main form ends the program, any other form hides and, unless a
  // result is set, ends its modal loop as cancelled.
  virtual void Close();
  void DestroyHandle();

  // Set by a handler to end a modal loop (1 OK, 2 cancel in the host's numbering).
  int ModalResult = 0;

 protected:
  virtual void CreateParams(TCreateParams& params);

  // Events. The ones returning bool report whether the message was handled.
  virtual void FormWindowCreated() {}  // WM_CREATE: make child controls here
  virtual void FormShow() {}
  virtual void FormKeyDown(WORD key, bool system) { (void)key, (void)system; }
  virtual void FormMouseDown(TMouseButton button, int x, int y) { (void)button, (void)x, (void)y; }
  virtual void FormMouseMove(int x, int y) { (void)x, (void)y; }
  virtual void FormPaint(HDC dc, const RECT& dirty) { (void)dc, (void)dirty; }
  virtual bool FormEraseBackground(HDC dc) {
    (void)dc;
    return false;
  }
  virtual void FormDestroy() {}
  virtual bool FormCommand(WORD id, WORD code, HWND control) {
    (void)id, (void)code, (void)control;
    return false;
  }
  virtual bool FormSysCommand(WPARAM command, LRESULT& result) {
    (void)command, (void)result;
    return false;
  }
  // Every message passes here first; override to see messages the events above don't cover,
  // and call the base for the rest.
  virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK Thunk(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  HWND handle_ = nullptr;
  bool shown_ = false;
};

}  // namespace vellicord
