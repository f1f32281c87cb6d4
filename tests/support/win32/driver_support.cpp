// The Win32 drivers' shared helpers.
#include "tests/support/win32/driver_support.h"

// commctrl.h needs the types of windows.h first.
#include <commctrl.h>

#include <cstdio>

#include "win32/api/tick_counters_win32.h"

namespace vellicord::drive {

std::string Utf8(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), n,
                      nullptr, nullptr);
  return utf8;
}

bool ReadScenario(int argc, wchar_t** argv, const char* usage, Scenario& scenario) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s\n", usage);
    return false;
  }
  scenario.name = argv[1];
  scenario.target = argv[2];
  scenario.rest.assign(argv + 3, argv + argc);
  return true;
}

double NowMs() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

bool WaitUntil(const std::function<bool()>& condition, double timeoutMs) {
  const double end = NowMs() + timeoutMs;
  for (;;) {
    Pump();
    if (condition()) return true;
    if (NowMs() > end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

void Idle(double ms) {
  WaitUntil([] { return false; }, ms);
}

bool TicksOn(DWORD saver, double timeoutMs) {
  TickCounters c;
  if (!ReadTickCounters(saver, c)) return false;
  const int64_t from = c.Ticks;
  return WaitUntil([&] { return ReadTickCounters(saver, c) && c.Ticks >= from + 2; }, timeoutMs);
}

Tally& Checks() {
  static Tally tally;
  return tally;
}

bool Check(bool ok, const std::string& what, const std::string& detail) {
  Tally& t = Checks();
  ++t.checks;
  if (!ok) ++t.failures;
  if (!ok || t.verbose) {
    std::printf("%s: %s%s%s\n", ok ? "ok" : "FAIL", what.c_str(), detail.empty() ? "" : " -- ",
                detail.c_str());
    std::fflush(stdout);
  }
  return ok;
}

Process::~Process() {
  if (!started_) return;
  if (Alive()) TerminateProcess(pi_.hProcess, 1);
  WaitForSingleObject(pi_.hProcess, 5000);
  CloseHandle(pi_.hProcess);
  CloseHandle(pi_.hThread);
}

bool Process::Start(const std::wstring& exe, const std::wstring& args) {
  std::wstring line = L"\"" + exe + L"\"" + (args.empty() ? L"" : L" " + args);
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  // Wine on a loaded machine now and then fails to create a process that starts at once when
  // asked again; the program itself hasn't run yet, so asking again hides nothing of it.
  started_ = false;
  for (int attempt = 0; attempt < 3 && !started_; ++attempt) {
    if (attempt > 0) {
      std::fprintf(stderr, "note: CreateProcessW failed (error %lu), starting again\n",
                   static_cast<unsigned long>(GetLastError()));
      Sleep(250);
    }
    started_ = CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &si, &pi_) != FALSE;
  }
  error_ = started_ ? 0 : GetLastError();
  return started_;
}

bool Process::Alive() const {
  return started_ && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT;
}

double Process::ExitsWithin(double timeoutMs) const {
  const double start = NowMs();
  if (!WaitUntil([this] { return !Alive(); }, timeoutMs)) return -1;
  return NowMs() - start;
}

namespace {

struct EnumContext {
  DWORD pid;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectOfProcess(HWND window, LPARAM context) {
  auto* c = reinterpret_cast<EnumContext*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == c->pid) c->found.push_back(window);
  return TRUE;
}

}  // namespace

std::vector<HWND> TopWindows(DWORD pid) {
  EnumContext context{pid, {}};
  EnumWindows(CollectOfProcess, reinterpret_cast<LPARAM>(&context));
  return context.found;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

std::wstring TextOf(HWND window) {
  wchar_t text[1024] = {};
  DWORD_PTR result = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                      2000, &result);
  return text;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> out;
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) out.push_back(c);
  return out;
}

HWND VisibleOf(DWORD pid, const wchar_t* className) {
  for (HWND h : TopWindows(pid)) {
    if (IsWindowVisible(h) && ClassOf(h) == className) return h;
  }
  return nullptr;
}

HWND WaitForVisible(DWORD pid, const wchar_t* className, double timeoutMs) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = VisibleOf(pid, className)) != nullptr; }, timeoutMs);
  return found;
}

std::wstring BoxMessage(HWND box) {
  std::wstring message;
  for (HWND c : Children(box)) {
    if (ClassOf(c) == L"Static" && !TextOf(c).empty()) message = TextOf(c);
  }
  return message;
}

HWND MakeWindow(const wchar_t* className, const wchar_t* title, DWORD style, int x, int y,
                int width, int height, HBRUSH background) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = className;
  wc.hbrBackground = background;
  RegisterClassW(&wc);
  return CreateWindowExW(0, className, title, style, x, y, width, height, nullptr, nullptr,
                         wc.hInstance, nullptr);
}

namespace {

HWND ChildWithText(HWND parent, const std::wstring& text) {
  for (HWND c : Children(parent)) {
    if (TextOf(c) == text) return c;
  }
  return nullptr;
}

}  // namespace

bool SetupDialog::Find() {
  ok = ChildWithText(window, L"OK");
  cancel = ChildWithText(window, L"\xFF77\xFF6C\xFF9D\xFF7E\xFF99");  // ｷｬﾝｾﾙ
  speed = ChildWithText(window, L"Spped");
  period = ChildWithText(window, L"Complexity");
  colour = ChildWithText(window, L"Background Color");
  HWND lines = ChildWithText(window, L"The Number of Lines");
  HWND widths = ChildWithText(window, L"Width of Lines");
  number = lines ? FindWindowExW(lines, nullptr, TRACKBAR_CLASSW, nullptr) : nullptr;
  width = widths ? FindWindowExW(widths, nullptr, TRACKBAR_CLASSW, nullptr) : nullptr;
  return ok && cancel && speed && period && colour && number && width;
}

int SetupDialog::CheckedIndex(HWND group) {
  const std::vector<HWND> items = Children(group);
  for (size_t i = 0; i < items.size(); ++i) {
    if (SendMessageW(items[i], BM_GETCHECK, 0, 0) == BST_CHECKED) return static_cast<int>(i);
  }
  return -1;
}

std::string SetupDialog::Colour() const {
  const int checked = CheckedIndex(colour);
  return checked < 0 ? "none" : Utf8(TextOf(Children(colour)[static_cast<size_t>(checked)]));
}

int SetupDialog::Position(HWND trackBar) const {
  return static_cast<int>(SendMessageW(trackBar, TBM_GETPOS, 0, 0));
}

void ClearStore() {
  RegDeleteTreeA(HKEY_CURRENT_USER, kStoreKey);
  RegDeleteKeyA(HKEY_CURRENT_USER, kStoreKey);
  RegDeleteValueA(HKEY_CURRENT_USER, kStoreKey);
}

bool PutValue(const char* keyPath, const std::string& name, DWORD type, const std::string& bytes) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const LONG status =
      RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                     static_cast<DWORD>(bytes.size()));
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

void ForEachValue(
    HKEY key,
    const std::function<void(const char* name, DWORD type, const BYTE* data, DWORD size)>& visit) {
  // Large enough for the mebibyte values the fault driver plants.
  std::vector<BYTE> data(4u << 20);
  for (DWORD i = 0;; ++i) {
    char name[16384];
    DWORD nameLength = sizeof name, type = 0, size = static_cast<DWORD>(data.size());
    if (RegEnumValueA(key, i, name, &nameLength, nullptr, &type, data.data(), &size) !=
        ERROR_SUCCESS) {
      return;
    }
    visit(name, type, data.data(), size);
  }
}

DibCanvas::DibCanvas(int32_t width, int32_t height) : width_(width), height_(height) {
  dc_ = CreateCompatibleDC(nullptr);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bits_ = static_cast<uint32_t*>(bits);
  old_ = SelectObject(dc_, bitmap_);
  SetROP2(dc_, R2_COPYPEN);
}

DibCanvas::~DibCanvas() {
  SelectObject(dc_, old_);
  DeleteObject(bitmap_);
  DeleteDC(dc_);
}

void DibCanvas::CopyFrom(HDC source, int x, int y) {
  BitBlt(dc_, 0, 0, width_, height_, source, x, y, SRCCOPY);
  GdiFlush();
}

namespace {

HGDIOBJ MakePen(int32_t width, ColorValue color) {
  LOGPEN lp{PS_SOLID, {width, 0}, color};
  return CreatePenIndirect(&lp);
}

}  // namespace

void DrawWithGdi(HDC dc, int32_t width, int32_t height, const RecordedFrame& frame) {
  LOGBRUSH lb{BS_SOLID, frame.Background, 0};
  HBRUSH brush = CreateBrushIndirect(&lb);
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  HGDIOBJ oldPen = SelectObject(dc, MakePen(frame.PenWidth, frame.Background));
  Rectangle(dc, 0, 0, width, height);
  for (const RecordedLine& line : frame.Lines) {
    DeleteObject(SelectObject(dc, MakePen(frame.PenWidth, line.Color)));
    if (line.Points.size() >= 2) {
      static_assert(sizeof(Point) == sizeof(POINT), "points pass to GDI as they are");
      Polyline(dc, reinterpret_cast<const POINT*>(line.Points.data()),
               static_cast<int>(line.Points.size()));
    }
  }
  DeleteObject(SelectObject(dc, oldPen));
  DeleteObject(SelectObject(dc, oldBrush));
  GdiFlush();
}

}  // namespace vellicord::drive
