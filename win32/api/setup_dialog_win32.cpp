// The setup dialog on Win32: the design table built into native controls, and its modal loop.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// commctrl.h needs the types of windows.h first.
#include <commctrl.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "win32/api/error_box.h"
#include "win32/api/form.h"
#include "win32/api/registry_win32.h"
#include "win32/api/system_library.h"
#include "win32/api/text.h"
#include "win32/settings/settings_store.h"
#include "win32/settings/setup_dialog.h"
#include "win32/settings/setup_form.h"

namespace vellicord {

namespace {

constexpr wchar_t kOriginalProc[] = L"Vellicord.OriginalProc";

// A group box is a button: it drops the notifications of the controls placed inside it. Those
// go on to the dialog, as they would from a container of the form library.
LRESULT CALLBACK ContainerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto original = reinterpret_cast<WNDPROC>(GetPropW(hwnd, kOriginalProc));
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_HSCROLL:
    case WM_VSCROLL:
      return SendMessageW(GetAncestor(hwnd, GA_ROOT), message, wParam, lParam);
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
      RemovePropW(hwnd, kOriginalProc);
      break;
    default:
      break;
  }
  return CallWindowProcW(original, hwnd, message, wParam, lParam);
}

int ScreenDpi() {
  HDC dc = GetDC(nullptr);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  return dpi > 0 ? dpi : 96;
}

// The resolution of the monitor the window is on (Windows 10 1607 and later, looked up); the
// system's elsewhere, where every monitor has that one.
int WindowDpi(HWND window) {
  using GetDpi = UINT(WINAPI*)(HWND);
  auto get = OptionalFunction<GetDpi>(L"user32.dll", "GetDpiForWindow");
  const int dpi = get != nullptr ? static_cast<int>(get(window)) : 0;
  return dpi > 0 ? dpi : ScreenDpi();
}

// Controls of one parent are made in tab order, which is also the order Tab visits them in;
// labels take no part and come first.
std::vector<const ControlDesign*> CreationOrder() {
  std::vector<const ControlDesign*> order;
  for (const ControlDesign& d : SetupControlDesigns()) order.push_back(&d);
  std::stable_sort(order.begin(), order.end(), [](const ControlDesign* a, const ControlDesign* b) {
    if ((a->parent != nullptr) != (b->parent != nullptr)) return a->parent == nullptr;
    return a->tabOrder < b->tabOrder;
  });
  return order;
}

}  // namespace

class TScrnSaveSetupDlg : public TForm {
 public:
  // Construction applies the design, then FormCreate loads the stored values.
  explicit TScrnSaveSetupDlg(Registry& registry) : registry_(registry) { FormCreate(); }
  ~TScrnSaveSetupDlg() override {
    // Destroy while this class's handlers are still reachable, so FormDestroy runs.
    if (Handle() != nullptr) DestroyHandle();
    FormDestroy();
    if (font_ != nullptr) DeleteObject(font_);
  }

  // The modal show: creates the window, runs the loop until a modal result, hides the window.
  int Execute() {
    ModalResult = 0;
    Show(SW_SHOW);
    if (Handle() == nullptr) return 2;
    SetFocus(control_["OKBtn"]);
    MSG msg;
    while (ModalResult == 0 && Handle() != nullptr) {
      if (GetMessageW(&msg, nullptr, 0, 0) <= 0) {
        // WM_QUIT is meant for an outer loop: put it back.
        PostQuitMessage(static_cast<int>(msg.wParam));
        ModalResult = 2;
        break;
      }
      // Tab, the arrow keys within a radio group, Enter (OK) and Esc (cancel).
      if (IsDialogMessageW(Handle(), &msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    // Hiding the active window activates another one, and a disabled owner can't be it: the
    // owner is enabled first, or the display settings would drop behind some other program.
    ReleaseOwner();
    if (Handle() != nullptr) ShowWindow(Handle(), SW_HIDE);
    return ModalResult;
  }

  // The close box: only ends the modal loop, which hides the dialog after enabling the owner.
  void Close() override {
    if (ModalResult == 0) ModalResult = 2;
  }

 protected:
  void CreateParams(TCreateParams& params) override {
    TForm::CreateParams(params);
    const FormDesign& form = SetupFormDesign();
    dpi_ = ScreenDpi();
    params.ClassName = L"TScrnSaveSetupDlg";
    params.Caption = Utf8ToWide(form.caption);
    params.Style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS;
    params.ExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    params.Background = GetSysColorBrush(COLOR_BTNFACE);
    RECT r = {0, 0, ScaleToDpi(form.clientWidth, dpi_), ScaleToDpi(form.clientHeight, dpi_)};
    AdjustWindowRectEx(&r, params.Style, FALSE, params.ExStyle);
    params.Width = r.right - r.left;
    params.Height = r.bottom - r.top;
    params.X = (GetSystemMetrics(SM_CXSCREEN) - params.Width) / 2;
    params.Y = (GetSystemMetrics(SM_CYSCREEN) - params.Height) / 2;
    // The window that asked for the dialog owns it and is unusable while it is open.
    owner_ = GetForegroundWindow();
    params.WndParent = owner_;
    if (owner_ != nullptr) EnableWindow(owner_, FALSE);
  }

  void FormWindowCreated() override {
    // Created on another monitor than the system's: its own resolution from the start.
    const int dpi = WindowDpi(Handle());
    if (dpi != dpi_) {
      dpi_ = dpi;
      FitWindow(nullptr);
    }
    font_ = MakeFont();
    for (const ControlDesign* d : CreationOrder()) Build(*d);
    UpdateRadioTabStops();
  }

  HFONT MakeFont() const {
    const FormDesign& form = SetupFormDesign();
    return CreateFontW(ScaleToDpi(form.fontHeight, dpi_), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                       form.shiftJisCharset ? SHIFTJIS_CHARSET : DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, Utf8ToWide(form.fontName).c_str());
  }

  // The window at the size its client needs at dpi_: in the rectangle Windows suggests, or
  // where it stands when none is given.
  void FitWindow(const RECT* suggested) {
    const FormDesign& form = SetupFormDesign();
    RECT r = {0, 0, ScaleToDpi(form.clientWidth, dpi_), ScaleToDpi(form.clientHeight, dpi_)};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_EXSTYLE)));
    RECT now;
    GetWindowRect(Handle(), &now);
    const RECT& at = suggested != nullptr ? *suggested : now;
    const int width = suggested != nullptr ? at.right - at.left : r.right - r.left;
    const int height = suggested != nullptr ? at.bottom - at.top : r.bottom - r.top;
    SetWindowPos(Handle(), nullptr, at.left, at.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  }

  // WM_DPICHANGED: moved to a monitor of another scaling. Every rectangle and the font come
  // again from the design, never from the last scaling, so no rounding piles up.
  void Rescale(int dpi, const RECT* suggested) {
    dpi_ = dpi;
    FitWindow(suggested);
    HFONT old = font_;
    font_ = MakeFont();
    for (const ControlDesign& d : SetupControlDesigns()) {
      HWND hwnd = control_[d.name];
      Place(hwnd, Scaled({d.left, d.top, d.width, d.height}));
      if (d.kind == ControlKind::TrackBar) {
        SendMessageW(hwnd, TBM_SETTHUMBLENGTH, ScaleToDpi(d.thumbLength, dpi_), 0);
      }
      const std::vector<HWND>& items = items_[d.name];
      for (size_t i = 0; i < items.size(); ++i) Place(items[i], ItemRect(d, static_cast<int>(i)));
    }
    if (old != nullptr) DeleteObject(old);
    InvalidateRect(Handle(), nullptr, TRUE);
  }

  void Place(HWND hwnd, const ControlRect& at) {
    MoveWindow(hwnd, at.left, at.top, at.width, at.height, TRUE);
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
  }

  void FormDestroy() override {
    ReleaseOwner();
    store_.reset();
  }

  void ReleaseOwner() {
    if (owner_ != nullptr) EnableWindow(owner_, TRUE);
    owner_ = nullptr;
  }

  bool FormCommand(WORD id, WORD code, HWND control) override {
    (void)control;
    if (code != BN_CLICKED) return false;
    if (id == IDOK) {
      ModalResult = 1;
      OKBtnClick();
    } else if (id == IDCANCEL) {
      ModalResult = 2;
    } else {
      UpdateRadioTabStops();
    }
    return true;
  }

  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    // IsDialogMessage asks a plain window which button answers Enter.
    if (message == DM_GETDEFID) return MAKELRESULT(IDOK, DC_HASDEFID);
    if (message == WM_DPICHANGED) {
      Rescale(LOWORD(wParam), reinterpret_cast<const RECT*>(lParam));
      return 0;
    }
    return TForm::WndProc(message, wParam, lParam);
  }

 private:
  // The controls' live values, for OKBtnClick.
  class NativeControls : public SetupControls {
   public:
    explicit NativeControls(TScrnSaveSetupDlg& dialog) : dialog_(dialog) {}
    void SetItemIndex(const char* group, int32_t index) override {
      const std::vector<HWND>& items = dialog_.items_[group];
      for (size_t i = 0; i < items.size(); ++i) {
        const bool on = static_cast<int32_t>(i) == index;
        SendMessageW(items[i], BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
      }
    }
    int32_t ItemIndex(const char* group) const override {
      const std::vector<HWND>& items = dialog_.items_[group];
      for (size_t i = 0; i < items.size(); ++i) {
        if (SendMessageW(items[i], BM_GETCHECK, 0, 0) == BST_CHECKED) {
          return static_cast<int32_t>(i);
        }
      }
      return -1;
    }
    void SetChecked(const char* button) override {
      CheckRadioButton(GetParent(dialog_.control_[button]), 0, 0xFFFF,
                       GetDlgCtrlID(dialog_.control_[button]));
    }
    bool Checked(const char* button) const override {
      return SendMessageW(dialog_.control_[button], BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    void SetPosition(const char* trackBar, int32_t position) override {
      SendMessageW(dialog_.control_[trackBar], TBM_SETPOS, TRUE, position);
    }
    int32_t Position(const char* trackBar) const override {
      return static_cast<int32_t>(SendMessageW(dialog_.control_[trackBar], TBM_GETPOS, 0, 0));
    }

   private:
    TScrnSaveSetupDlg& dialog_;
  };

  void FormCreate() {
    store_ = std::make_unique<SettingsStore>(registry_, kStoreName);
    if (StoreError error = LoadSetup(*store_, state_)) ShowErrorBox(*error);
  }

  void OKBtnClick() {
    NativeControls controls(*this);
    if (StoreError error = SaveSetup(*store_, controls)) ShowErrorBox(*error);
  }

  HWND Make(const wchar_t* className, DWORD style, DWORD exStyle, const char* caption,
            ControlRect at, HWND parent, int id) {
    HWND hwnd =
        CreateWindowExW(exStyle, className, Utf8ToWide(caption).c_str(),
                        WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, at.left, at.top, at.width,
                        at.height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                        GetModuleHandleW(nullptr), nullptr);
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    return hwnd;
  }

  ControlRect ItemRect(const ControlDesign& d, int32_t index) const {
    return RadioItemRect(ScaleToDpi(d.width, dpi_), ScaleToDpi(d.height, dpi_), d.itemCount,
                         d.columns, ScaleToDpi(SetupFormDesign().textHeight, dpi_), index);
  }

  ControlRect Scaled(ControlRect r) const {
    return {ScaleToDpi(r.left, dpi_), ScaleToDpi(r.top, dpi_), ScaleToDpi(r.width, dpi_),
            ScaleToDpi(r.height, dpi_)};
  }

  void Build(const ControlDesign& d) {
    HWND parent = d.parent == nullptr ? Handle() : control_[d.parent];
    const ControlRect at = Scaled({d.left, d.top, d.width, d.height});
    const int id = nextId_++;
    HWND hwnd = nullptr;
    switch (d.kind) {
      case ControlKind::PushButton:
        hwnd = Make(L"BUTTON", WS_TABSTOP | (d.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0,
                    d.caption, at, parent,
                    d.isDefault  ? IDOK
                    : d.isCancel ? IDCANCEL
                                 : id);
        break;
      case ControlKind::Label:
        hwnd = Make(L"STATIC", SS_LEFT | SS_NOPREFIX, 0, d.caption, at, parent, id);
        break;
      case ControlKind::GroupBox:
      case ControlKind::RadioGroup:
        hwnd = Make(L"BUTTON", BS_GROUPBOX,
                    WS_EX_CONTROLPARENT | (d.leftToRight ? WS_EX_LTRREADING : 0), d.caption, at,
                    parent, id);
        SetPropW(hwnd, kOriginalProc,
                 reinterpret_cast<HANDLE>(SetWindowLongPtrW(
                     hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ContainerProc))));
        break;
      case ControlKind::RadioButton: {
        // The first radio button of a parent starts the group that arrow keys move within.
        const bool first = firstRadio_.insert(parent).second;
        hwnd = Make(L"BUTTON", BS_AUTORADIOBUTTON | (first ? WS_GROUP : 0), 0, d.caption, at,
                    parent, id);
        break;
      }
      case ControlKind::TrackBar:
        hwnd = Make(TRACKBAR_CLASSW,
                    WS_TABSTOP | TBS_HORZ | TBS_AUTOTICKS | TBS_BOTTOM | TBS_FIXEDLENGTH, 0, "", at,
                    parent, id);
        SendMessageW(hwnd, TBM_SETRANGE, FALSE, MAKELPARAM(d.minimum, d.maximum));
        SendMessageW(hwnd, TBM_SETTICFREQ, 1, 0);
        SendMessageW(hwnd, TBM_SETLINESIZE, 0, d.lineSize);
        SendMessageW(hwnd, TBM_SETPAGESIZE, 0, d.pageSize);
        SendMessageW(hwnd, TBM_SETTHUMBLENGTH, ScaleToDpi(d.thumbLength, dpi_), 0);
        SendMessageW(hwnd, TBM_SETPOS, TRUE, state_.Position(d.name));
        break;
    }
    control_[d.name] = hwnd;
    if (d.kind == ControlKind::RadioButton && state_.Checked(d.name)) {
      SendMessageW(hwnd, BM_SETCHECK, BST_CHECKED, 0);
    }
    if (d.kind == ControlKind::RadioGroup) BuildItems(d, hwnd);
  }

  void BuildItems(const ControlDesign& d, HWND group) {
    const int32_t selected = state_.ItemIndex(d.name);
    std::vector<HWND>& items = items_[d.name];
    for (int32_t i = 0; i < d.itemCount; ++i) {
      const ControlRect at = ItemRect(d, i);
      HWND item = Make(L"BUTTON", BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP : 0),
                       d.leftToRight ? WS_EX_LTRREADING : 0, d.items[i], at, group, nextId_++);
      if (i == selected) SendMessageW(item, BM_SETCHECK, BST_CHECKED, 0);
      items.push_back(item);
    }
  }

  // Tab reaches a set of radio buttons at its checked one (the first when none is checked).
  void UpdateRadioTabStops() {
    std::vector<std::vector<HWND>> sets;
    for (const auto& [name, items] : items_) sets.push_back(items);
    sets.push_back({control_["RadioButton2"], control_["RadioButton1"]});
    for (const std::vector<HWND>& set : sets) {
      HWND stop = set.front();
      for (HWND b : set) {
        if (SendMessageW(b, BM_GETCHECK, 0, 0) == BST_CHECKED) stop = b;
      }
      for (HWND b : set) {
        const LONG_PTR style = GetWindowLongPtrW(b, GWL_STYLE);
        SetWindowLongPtrW(b, GWL_STYLE, b == stop ? style | WS_TABSTOP : style & ~WS_TABSTOP);
      }
    }
  }

  Registry& registry_;
  std::unique_ptr<SettingsStore> store_;
  SetupState state_;
  HWND owner_ = nullptr;
  HFONT font_ = nullptr;
  int dpi_ = 96;
  int nextId_ = 100;
  std::map<std::string, HWND> control_;
  std::map<std::string, std::vector<HWND>> items_;
  std::set<HWND> firstRadio_;
};

int RunSetupDialog() {
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  Win32Registry registry;
  TScrnSaveSetupDlg dialog(registry);
  return dialog.Execute();
}

}  // namespace vellicord
