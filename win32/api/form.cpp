// The form layer's window procedure thunk and the shared handling of every form.
#include "win32/api/form.h"

#include <windowsx.h>

#include <set>
#include <utility>

#include "win32/api/application.h"

namespace vellicord {

namespace {

// Class names already registered in this process, with the class style they were made with.
std::set<std::pair<std::wstring, UINT>>& RegisteredClasses() {
  static std::set<std::pair<std::wstring, UINT>> classes;
  return classes;
}

}  // namespace

TForm::~TForm() {
  DestroyHandle();
}

void TForm::CreateParams(TCreateParams& params) {
  params.WndParent = TApplication::Instance().Handle();
  params.ClassName = L"TForm";
}

bool TForm::CreateHandle() {
  if (handle_ != nullptr) return true;
  TCreateParams params;
  CreateParams(params);
  // One class style per registered class: a form that changes it gets a class of its own.
  std::wstring className = params.ClassName;
  if (params.ClassStyle != CS_DBLCLKS) className += L"." + std::to_wstring(params.ClassStyle);
  HINSTANCE instance = GetModuleHandleW(nullptr);
  if (RegisteredClasses().insert({className, params.ClassStyle}).second) {
    WNDCLASSW wc = {};
    wc.style = params.ClassStyle;
    wc.lpfnWndProc = Thunk;
    wc.hInstance = instance;
    wc.hIcon = params.Icon != nullptr ? params.Icon : LoadIconW(instance, MAKEINTRESOURCEW(1));
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = params.Background;
    wc.lpszClassName = className.c_str();
    RegisterClassW(&wc);
  }
  CreateWindowExW(params.ExStyle, className.c_str(), params.Caption.c_str(), params.Style, params.X,
                  params.Y, params.Width, params.Height, params.WndParent, nullptr, instance, this);
  return handle_ != nullptr;
}

void TForm::DestroyHandle() {
  if (handle_ == nullptr) return;
  HWND h = handle_;
  DestroyWindow(h);
  handle_ = nullptr;
}

void TForm::Show(int showCommand) {
  if (handle_ == nullptr && !CreateHandle()) return;
  ShowWindow(handle_, showCommand);
  if (!shown_) {
    shown_ = true;
    FormShow();
  }
}

void TForm::Close() {
  if (TApplication::Instance().MainForm() == this) {
    TApplication::Instance().Terminate();
    return;
  }
  if (handle_ != nullptr) ShowWindow(handle_, SW_HIDE);
  if (ModalResult == 0) ModalResult = 2;
}

namespace {

// A double click counts as a press: the class asks for double clicks (CS_DBLCLKS).
TMouseButton ButtonOf(UINT message) {
  if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK) return TMouseButton::mbLeft;
  if (message == WM_RBUTTONDOWN || message == WM_RBUTTONDBLCLK) return TMouseButton::mbRight;
  return TMouseButton::mbMiddle;
}

}  // namespace

LRESULT TForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      FormWindowCreated();
      return 0;
    case WM_CLOSE:
      Close();
      return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      FormKeyDown(static_cast<WORD>(wParam), message == WM_SYSKEYDOWN);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
      FormMouseDown(ButtonOf(message), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_MOUSEMOVE:
      FormMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_ERASEBKGND:
      if (FormEraseBackground(reinterpret_cast<HDC>(wParam))) return 1;
      break;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(handle_, &ps);
      FormPaint(dc, ps.rcPaint);
      EndPaint(handle_, &ps);
      return 0;
    }
    case WM_COMMAND:
      if (FormCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam))) return 0;
      break;
    case WM_SYSCOMMAND: {
      LRESULT result = 0;
      if (FormSysCommand(wParam, result)) return result;
      break;
    }
    case WM_DESTROY:
      FormDestroy();
      return 0;
    default:
      break;
  }
  return DefWindowProcW(handle_, message, wParam, lParam);
}

LRESULT CALLBACK TForm::Thunk(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  TForm* form = nullptr;
  if (message == WM_NCCREATE) {
    form = static_cast<TForm*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    form->handle_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  } else {
    form = reinterpret_cast<TForm*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  // Messages before WM_NCCREATE (WM_GETMINMAXINFO) and after WM_NCDESTROY have no form.
  if (form == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    form->handle_ = nullptr;
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  return form->WndProc(message, wParam, lParam);
}

}  // namespace vellicord
