// Plays a hostile host for Vellicord2.scr under Wine: hand-edited registry data of every type and
// shape, settings at their extremes, and preview hosts that vanish, hide, resize or die. One
// process loops over all cases of a scenario; each case checks the outcome, that the saver ended
// cleanly, and that the registry is byte for byte what it was unless OK was pressed.
// Usage: vellicord2-fault-driver <scenario> <scr path>; one line per check, exit 0 = pass.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// commctrl.h and tlhelp32.h need the types of windows.h first.
#include <commctrl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/fnv.h"
#include "tests/support/win32/driver_support.h"
#include "win32/api/tick_counters_win32.h"

namespace {

using namespace vellicord::drive;

// A file of this driver's own in the temporary folder.
std::wstring DriverFilePath() {
  wchar_t dir[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, dir);
  return std::wstring(dir) + L"vellicord2-fault-" + std::to_wstring(GetCurrentProcessId()) +
         L".txt";
}

// The saver StartSaver started last: the one whose tick counters are read.
DWORD currentSaver = 0;

// ticks, presents, first and last tick time in microseconds; false while the saver publishes no
// counters (not started yet, or its publishing broke), true with 0 ticks before the first.
struct TickLine {
  long long ticks = 0, presents = 0, firstUs = 0, lastUs = 0;
};

bool ReadTickLog(TickLine& t) {
  vellicord::TickCounters c;
  if (!vellicord::ReadTickCounters(currentSaver, c)) return false;
  t = {c.Ticks, c.Presents, c.FirstUs, c.LastUs};
  return true;
}

// Waits for the saver's end; one still running at the timeout is killed and reported.
bool Ends(const Process& s, const std::string& what, double timeoutMs = 5000) {
  const double t = s.ExitsWithin(timeoutMs);
  const bool ended = t >= 0;
  DWORD code = 0;
  if (ended) GetExitCodeProcess(s.Handle(), &code);
  char detail[96];
  std::snprintf(detail, sizeof detail, "%s in %.0f ms, exit code %lu",
                ended ? "ended" : "still running", ended ? t : timeoutMs,
                static_cast<unsigned long>(code));
  Check(ended && code == 0, what, detail);
  if (!ended) TerminateProcess(s.Handle(), 1);
  return ended && code == 0;
}

// Every process this driver started, ended or not.
std::vector<DWORD> startedIds;

bool StartProcess(Process& s, const std::wstring& exe, const std::wstring& args) {
  if (!s.Start(exe, args)) {
    return Check(false, "started " + Utf8(args), "error " + std::to_string(s.Error()));
  }
  startedIds.push_back(s.Id());
  return true;
}

bool StartSaver(Process& s, const std::wstring& scr, const std::wstring& args) {
  const bool started = StartProcess(s, scr, args);
  currentSaver = started ? s.Id() : 0;
  return started;
}

// The first of the error box and the window of the given class that shows.
struct Appeared {
  HWND box = nullptr;
  HWND window = nullptr;
};

Appeared WaitForBoxOr(const Process& s, const wchar_t* cls, double timeoutMs) {
  Appeared a;
  WaitUntil(
      [&] {
        a.box = VisibleOf(s.Id(), L"#32770");
        a.window = a.box ? nullptr : VisibleOf(s.Id(), cls);
        return a.box != nullptr || a.window != nullptr || !s.Alive();
      },
      timeoutMs);
  return a;
}

// The error box's caption and message; dismisses it.
std::wstring ReadAndDismissBox(HWND box, std::wstring& caption) {
  caption = TextOf(box);
  const std::wstring message = BoxMessage(box);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  return message;
}

uint32_t ScreenPixel(int x, int y) {
  HDC dc = GetDC(nullptr);
  const COLORREF c = GetPixel(dc, x, y);
  ReleaseDC(nullptr, dc);
  return static_cast<uint32_t>(c) & 0xFFFFFF;
}

// --- The registry --------------------------------------------------------------------------

uint64_t Fnv(const BYTE* p, size_t n) {
  vellicord::Fnv1a h;
  h.Bytes(p, n);
  return h.Value();
}

void DumpKey(HKEY key, const std::string& path, std::string& out) {
  ForEachValue(key, [&](const char* name, DWORD type, const BYTE* data, DWORD size) {
    char line[512];
    std::snprintf(line, sizeof line, "%s value '%s' type=%lu size=%lu fnv=%016llx\n", path.c_str(),
                  name, static_cast<unsigned long>(type), static_cast<unsigned long>(size),
                  static_cast<unsigned long long>(Fnv(data, size)));
    out += line;
  });
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD nameLen = sizeof name;
    if (RegEnumKeyExA(key, i, name, &nameLen, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    const std::string sub = path + "\\" + name;
    out += sub + " key\n";
    HKEY child = nullptr;
    if (RegOpenKeyExA(key, name, 0, KEY_READ, &child) == ERROR_SUCCESS) {
      DumpKey(child, sub, out);
      RegCloseKey(child);
    }
  }
}

// Everything of the store: the key's tree, and a value of the same name under the root.
std::string Snapshot() {
  std::string out;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kStoreKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
    out += "Vellicord2 key\n";
    DumpKey(key, "Vellicord2", out);
    RegCloseKey(key);
  }
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(HKEY_CURRENT_USER, kStoreKey, nullptr, &type, nullptr, &size) ==
      ERROR_SUCCESS) {
    out += "root value 'Vellicord2' type=" + std::to_string(type) + "\n";
  }
  return out;
}

// The type and text of one value of the section, "missing" when there is none.
std::string ValueOf(const char* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kSectionKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return "missing";
  }
  char data[256] = {};
  DWORD type = 0, size = sizeof data - 1;
  const LONG status =
      RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) return "missing";
  return "type " + std::to_string(type) + " '" + data + "'";
}

// --- The five settings and what the saver and the dialog make of them ----------------------

enum Value { kSpeed, kPeriod, kNumberOfLines, kBGcolor, kWidthOfLines, kValueCount };

struct ValueInfo {
  const char* stored;     // as the dialog writes it
  const char* saverName;  // as the saver reads it
  const char* sample;     // an in-range text that differs from the default
};

const ValueInfo kValues[kValueCount] = {{"Speed", "Speed", "3"},
                                        {"Period", "period", "2"},
                                        {"NumberOfLines", "NumberofLines", "7"},
                                        {"BGcolor", "BGcolor", "White"},
                                        {"WidthOfLines", "WidthOfLines", "5"}};

// What one start reads: the five results, or an error at one of them.
struct Reads {
  int32_t number[kValueCount] = {2, 1, 4, 0, 1};
  std::string colour = "Black";
  int errorAt = -1;  // the value whose read fails, -1 for none
};

const int kDialogOrder[] = {kSpeed, kPeriod, kBGcolor, kNumberOfLines, kWidthOfLines};

// The dialog's controls as the dialog should show them: loaded values up to a failing read,
// the form's initial values (2, 1, Black, 3, 4) from there on.
struct DialogState {
  int speed = 2, period = 1, number = 3, width = 4;
  std::string colour = "Black";
  bool operator==(const DialogState& o) const {
    return speed == o.speed && period == o.period && number == o.number && width == o.width &&
           colour == o.colour;
  }
  std::string Text() const {
    return "speed=" + std::to_string(speed) + " period=" + std::to_string(period) +
           " colour=" + colour + " number=" + std::to_string(number) +
           " width=" + std::to_string(width);
  }
};

int Clamp(int v, int lo, int hi) {
  return v < lo ? lo : v > hi ? hi : v;
}

DialogState ExpectedDialog(const Reads& r) {
  DialogState d;
  for (int v : kDialogOrder) {
    if (v == r.errorAt) break;
    if (v == kSpeed) d.speed = Clamp(r.number[kSpeed], -1, 3);
    if (v == kPeriod) d.period = Clamp(r.number[kPeriod], -1, 2);
    if (v == kBGcolor) d.colour = r.colour == "Black" ? "Black" : "White";
    if (v == kNumberOfLines) d.number = Clamp(r.number[kNumberOfLines], 1, 10);
    if (v == kWidthOfLines) d.width = Clamp(r.number[kWidthOfLines], 1, 10);
  }
  return d;
}

int IntervalFor(int32_t speed) {
  const long long i = 28 - 7 * static_cast<long long>(speed);
  return i <= 0 ? 0 : i > INT_MAX ? INT_MAX : static_cast<int>(i);
}

std::wstring TypeErrorText(const char* name) {
  return vellicord::Utf8ToWide(std::string("'") + name + "' のデータ型が不正です.");
}

// --- Run mode: one start against what it should read --------------------------------------

// The saver window's checks once it shows: background, ticks at the interval, a frame drawn.
void CheckRunning(const std::string& label, const Process& s, HWND window, uint32_t bg,
                  int intervalMs, double watchMs) {
  const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  const bool painted = WaitUntil(
      [&] {
        return IsWindowVisible(window) && ScreenPixel(0, 0) == bg &&
               ScreenPixel(sw - 1, sh - 1) == bg;
      },
      5000);
  Check(painted, label + ": background", "corner " + std::to_string(ScreenPixel(0, 0)));
  TickLine t;
  if (intervalMs <= 0 || intervalMs > 60000) {
    Idle(watchMs);
    const bool read = ReadTickLog(t);
    Check(read && t.ticks == 0, label + ": no ticks",
          read ? std::to_string(t.ticks) : "no counters published");
    Check(ScreenPixel(sw / 2, sh / 2) == bg, label + ": background only");
  } else {
    // At least a dozen ticks, or the watch time; the mean comes from the ticks' own times.
    const int want = std::max(12, static_cast<int>(watchMs / intervalMs));
    const bool ticking = WaitUntil([&] { return ReadTickLog(t) && t.ticks >= want; },
                                   std::max(watchMs, 50.0 * want) + 3000);
    const double mean = t.ticks > 1 ? static_cast<double>(t.lastUs - t.firstUs) / 1000.0 /
                                          static_cast<double>(t.ticks - 1)
                                    : 0;
    char detail[96];
    std::snprintf(detail, sizeof detail, "%lld ticks, %lld frames, mean %.2f ms for %d ms", t.ticks,
                  t.presents, mean, intervalMs);
    Check(
        ticking && t.presents >= t.ticks - 1 && mean > intervalMs * 0.85 && mean < intervalMs * 1.5,
        label + ": draws at its interval", detail);
  }
  Check(s.Alive(), label + ": running");
}

// The registry as a start must leave it: as it was, plus the store key when it was missing.
std::string Unchanged(const std::string& before, bool createsStoreKey) {
  return createsStoreKey ? "Vellicord2 key\n" + before : before;
}

void RunCase(const std::wstring& scr, const std::string& label, const Reads& r,
             bool createsStoreKey = false) {
  const std::string before = Unchanged(Snapshot(), createsStoreKey);
  Process s;
  if (!StartSaver(s, scr, L"/s")) return;
  Appeared a = WaitForBoxOr(s, L"TScreenSaverForm", 15000);
  if (r.errorAt >= 0) {
    Check(a.box != nullptr, label + ": error box");
    if (a.box == nullptr) return;
    std::wstring caption;
    const std::wstring message = ReadAndDismissBox(a.box, caption);
    Check(caption == L"Vellicord2" && message == TypeErrorText(kValues[r.errorAt].saverName),
          label + ": box text", Utf8(caption) + " / " + Utf8(message));
    a.window = nullptr;
    WaitUntil([&] { return (a.window = VisibleOf(s.Id(), L"TScreenSaverForm")); }, 10000);
    Check(a.window != nullptr, label + ": window after the box");
    if (a.window == nullptr) return;
    // A failed read leaves the timer off: the initial black and nothing else.
    CheckRunning(label, s, a.window, 0x000000, 0, 400);
  } else {
    Check(a.box == nullptr && a.window != nullptr, label + ": window, no box");
    if (a.window == nullptr) return;
    CheckRunning(label, s, a.window, r.colour == "Black" ? 0x000000 : 0xFFFFFF,
                 IntervalFor(r.number[kSpeed]), 200);
  }
  PostMessageW(a.window, WM_KEYDOWN, 'Q', 0);
  Ends(s, label + ": closes on a key");
  const std::string after = Snapshot();
  Check(after == before, label + ": registry unchanged",
        after == before ? "" : before + "=>\n" + after);
}

// --- Configure mode: the dialog shows what was read, and Cancel writes nothing -------------

DialogState StateOf(const SetupDialog& d) {
  DialogState state;
  state.speed = SetupDialog::CheckedIndex(d.speed);
  state.period = SetupDialog::CheckedIndex(d.period);
  state.colour = d.Colour();
  state.number = d.Position(d.number);
  state.width = d.Position(d.width);
  return state;
}

// With pressOk, returns after checking that the faulty value was replaced by the shown text.
void DialogCase(const std::wstring& scr, const std::string& label, const Reads& r,
                bool createsStoreKey = false, bool pressOk = false) {
  const std::string before = Unchanged(Snapshot(), createsStoreKey);
  Process s;
  if (!StartSaver(s, scr, L"/c")) return;
  Appeared a = WaitForBoxOr(s, L"TScrnSaveSetupDlg", 15000);
  if (r.errorAt >= 0) {
    Check(a.box != nullptr, label + ": dialog error box");
    if (a.box == nullptr) return;
    std::wstring caption;
    const std::wstring message = ReadAndDismissBox(a.box, caption);
    Check(caption == L"Vellicord2" && message == TypeErrorText(kValues[r.errorAt].stored),
          label + ": dialog box text", Utf8(caption) + " / " + Utf8(message));
    WaitUntil([&] { return (a.window = VisibleOf(s.Id(), L"TScrnSaveSetupDlg")); }, 10000);
  }
  Check(a.window != nullptr, label + ": dialog opens");
  if (a.window == nullptr) return;
  SetupDialog d;
  d.window = a.window;
  const bool found = WaitUntil([&] { return d.Find(); }, 5000);
  Check(found, label + ": dialog controls");
  if (!found) return;
  const DialogState want = ExpectedDialog(r), got = StateOf(d);
  Check(got == want, label + ": dialog shows",
        got.Text() + (got == want ? "" : " want " + want.Text()));
  PostMessageW(pressOk ? d.ok : d.cancel, BM_CLICK, 0, 0);
  Ends(s, label + (pressOk ? ": OK ends it" : ": Cancel ends it"));
  const std::string after = Snapshot();
  if (!pressOk) {
    Check(after == before, label + ": Cancel leaves the registry unchanged",
          after == before ? "" : before + "=>\n" + after);
    return;
  }
  const std::string shown[kValueCount] = {std::to_string(got.speed), std::to_string(got.period),
                                          std::to_string(got.number), got.colour,
                                          std::to_string(got.width)};
  for (int v = 0; v < kValueCount; ++v) {
    Check(ValueOf(kValues[v].stored) == "type 1 '" + shown[v] + "'",
          label + ": OK wrote " + kValues[v].stored, ValueOf(kValues[v].stored));
  }
}

// --- The hostile-registry matrix ------------------------------------------------------------

struct MatrixCase {
  std::string label;
  std::function<void()> setUp;
  Reads reads;
  // The store key is created by every start when missing.
  bool createsStoreKey = false;
};

std::string Le(uint64_t v, int bytes) {
  std::string s;
  for (int i = 0; i < bytes; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
  return s;
}

const char* TypeName(DWORD t) {
  switch (t) {
    case REG_NONE:
      return "REG_NONE";
    case REG_SZ:
      return "REG_SZ";
    case REG_EXPAND_SZ:
      return "REG_EXPAND_SZ";
    case REG_BINARY:
      return "REG_BINARY";
    case REG_DWORD:
      return "REG_DWORD";
    case REG_DWORD_BIG_ENDIAN:
      return "REG_DWORD_BIG_ENDIAN";
    case REG_MULTI_SZ:
      return "REG_MULTI_SZ";
    case REG_QWORD:
      return "REG_QWORD";
    default:
      return "?";
  }
}

// A read of the sample text, or of empty text (the default; white for BGcolor).
Reads ReadsSample(int v, const std::string& text) {
  Reads r;
  if (v == kBGcolor) {
    r.colour = text;
  } else {
    r.number[v] = text.empty() ? r.number[v] : std::atoi(text.c_str());
  }
  return r;
}

Reads ReadsError(int v) {
  Reads r;
  r.errorAt = v;
  return r;
}

std::string MixedCase(const char* name) {
  std::string s = name;
  for (size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    s[i] = i % 2 ? static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c)
                 : static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  }
  return s;
}

std::vector<MatrixCase> Matrix() {
  const DWORD types[] = {REG_NONE,     REG_SZ,    REG_EXPAND_SZ,
                         REG_BINARY,   REG_DWORD, REG_DWORD_BIG_ENDIAN,
                         REG_MULTI_SZ, REG_QWORD};
  std::vector<MatrixCase> cases;
  for (int v = 0; v < kValueCount; ++v) {
    const std::string name = kValues[v].stored;
    const std::string sample = kValues[v].sample;
    auto put = [name](DWORD type, std::string bytes) {
      return [name, type, bytes] { PutValue(kSectionKey, name, type, bytes); };
    };
    for (DWORD t : types) {
      const bool text = t == REG_SZ || t == REG_EXPAND_SZ;
      std::string bytes = sample + std::string(1, '\0');
      if (t == REG_DWORD) bytes = Le(3, 4);
      if (t == REG_DWORD_BIG_ENDIAN) bytes = std::string("\0\0\0\3", 4);
      if (t == REG_QWORD) bytes = Le(3, 8);
      if (t == REG_MULTI_SZ) bytes += '\0';
      cases.push_back(
          {name + " " + TypeName(t), put(t, bytes), text ? ReadsSample(v, sample) : ReadsError(v)});
      // Size 0 is empty text whatever the type.
      cases.push_back({name + " " + TypeName(t) + " size 0", put(t, ""), ReadsSample(v, "")});
    }
    // A mebibyte: blanks and then the sample for a number (leading blanks are skipped), a
    // mebibyte of letters for the colour.
    const size_t mib = 1u << 20;
    const std::string big = v == kBGcolor ? std::string(mib - 1, 'W')
                                          : std::string(mib - 1 - sample.size(), ' ') + sample;
    cases.push_back({name + " 1 MiB of text", put(REG_SZ, big + '\0'),
                     ReadsSample(v, v == kBGcolor ? big : sample)});
    // No terminating zero: the text ends with the data. For the colour "Black" shows it.
    const std::string open = v == kBGcolor ? "Black" : sample;
    cases.push_back({name + " no terminating zero", put(REG_SZ, open), ReadsSample(v, open)});
    // The text ends at the first zero.
    cases.push_back({name + " embedded zero", put(REG_SZ, open + std::string(1, '\0') + "9x"),
                     ReadsSample(v, open)});
    const std::string mixed = MixedCase(name.c_str());
    cases.push_back({mixed + " (other letter case) REG_SZ",
                     [mixed, sample] { PutValue(kSectionKey, mixed, REG_SZ, sample + '\0'); },
                     ReadsSample(v, sample)});
    cases.push_back({mixed + " (other letter case) REG_DWORD",
                     [mixed] { PutValue(kSectionKey, mixed, REG_DWORD, Le(3, 4)); },
                     ReadsError(v)});
  }
  cases.push_back(
      {"section missing", [] { PutValue(kStoreKey, "unrelated", REG_SZ, "x"); }, Reads{}});
  cases.push_back({"store key missing", [] {}, Reads{}, true});
  cases.push_back({"section is a value, not a key",
                   [] { PutValue(kStoreKey, "Vellicord2", REG_SZ, std::string("Speed=3", 8)); },
                   Reads{}});
  cases.push_back({"store key is a value of the root",
                   [] { PutValue("", "Vellicord2", REG_DWORD, Le(3, 4)); }, Reads{}, true});
  return cases;
}

// filter: only the cases whose label holds it (all when empty).
int RegistryMatrix(const std::wstring& scr, const std::string& filter) {
  Checks().verbose = !filter.empty();
  std::vector<MatrixCase> cases;
  for (MatrixCase& c : Matrix()) {
    if (c.label.find(filter) != std::string::npos) cases.push_back(std::move(c));
  }
  const double t0 = NowMs();
  for (const MatrixCase& c : cases) {
    const int before = Checks().failures;
    ClearStore();
    c.setUp();
    const std::string setUp = Snapshot();
    RunCase(scr, "run: " + c.label, c.reads, c.createsStoreKey);
    ClearStore();
    c.setUp();
    if (Snapshot() != setUp) Check(false, c.label + ": set-up repeats");
    DialogCase(scr, "dialog: " + c.label, c.reads, c.createsStoreKey);
    std::printf("%s: %s\n", Checks().failures == before ? "ok" : "FAIL", c.label.c_str());
    std::fflush(stdout);
  }
  // OK after a type error replaces the faulty value with the text the dialog shows.
  Checks().verbose = true;
  for (int v = 0; v < kValueCount && filter.empty(); ++v) {
    ClearStore();
    PutValue(kSectionKey, kValues[v].stored, REG_DWORD, Le(3, 4));
    DialogCase(scr, std::string("dialog OK over REG_DWORD ") + kValues[v].stored, ReadsError(v),
               false, true);
  }
  ClearStore();
  std::printf("matrix: %zu cases, %d starts, %d checks, %d failed, %.0f s\n", cases.size(),
              static_cast<int>(cases.size()) * 2 + (filter.empty() ? kValueCount : 0),
              Checks().checks, Checks().failures, (NowMs() - t0) / 1000);
  return Checks().failures ? 1 : 0;
}

// --- Settings at their extremes on the real window -----------------------------------------

int OutOfRange(const std::wstring& scr) {
  struct Case {
    int value;
    int32_t number;
  } cases[] = {
      {kSpeed, INT_MIN},
      {kSpeed, -1},
      {kSpeed, 0},
      {kSpeed, 3},
      {kSpeed, 4},
      {kSpeed, 5},
      {kSpeed, INT_MAX},
      {kPeriod, INT_MIN},
      {kPeriod, -1},
      {kPeriod, 0},
      {kPeriod, 2},
      {kPeriod, 3},
      {kPeriod, INT_MAX},
      {kNumberOfLines, INT_MIN},
      {kNumberOfLines, -1},
      {kNumberOfLines, 0},
      {kNumberOfLines, 1},
      {kNumberOfLines, 31},
      {kNumberOfLines, 32},
      {kNumberOfLines, INT_MAX},
      {kWidthOfLines, INT_MIN},
      {kWidthOfLines, -1},
      {kWidthOfLines, 0},
      {kWidthOfLines, 1},
      {kWidthOfLines, 10},
      {kWidthOfLines, 11},
      {kWidthOfLines, INT_MAX},
  };
  for (const Case& c : cases) {
    ClearStore();
    PutValue(kSectionKey, kValues[c.value].stored, REG_SZ, std::to_string(c.number) + '\0');
    const std::string label = std::string(kValues[c.value].stored) + " " + std::to_string(c.number);
    const std::string before = Snapshot();
    Process s;
    if (!StartSaver(s, scr, L"/s")) continue;
    Appeared a = WaitForBoxOr(s, L"TScreenSaverForm", 15000);
    Check(a.window != nullptr, label + ": window, no box");
    if (a.window == nullptr) continue;
    const int speed = c.value == kSpeed ? c.number : 2;
    CheckRunning(label, s, a.window, 0, IntervalFor(speed), 1500);
    DWORD_PTR r = 0;
    Check(SendMessageTimeoutW(a.window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &r) != 0,
          label + ": answers messages");
    PostMessageW(a.window, WM_KEYDOWN, 'Q', 0);
    Ends(s, label + ": closes on a key");
    Check(Snapshot() == before, label + ": registry unchanged");
  }
  ClearStore();
  return Checks().failures ? 1 : 0;
}

// --- Host faults ----------------------------------------------------------------------------

HWND MakeHost(const wchar_t* title, bool visible, int w = 152, int h = 112) {
  return MakeWindow(L"FaultPreviewHost", title, WS_POPUP | (visible ? WS_VISIBLE : 0), 100, 100, w,
                    h, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
}

std::wstring HandleArg(HWND h) {
  return std::to_wstring(reinterpret_cast<uintptr_t>(h));
}

// The saver's child in the host, once it is there and drawing.
HWND WaitForChild(const Process& s, HWND host, const std::string& label) {
  HWND child = nullptr;
  TickLine t;
  const bool ok = WaitUntil(
      [&] {
        child = GetWindow(host, GW_CHILD);
        return child != nullptr && ReadTickLog(t) && t.presents >= 3;
      },
      15000);
  DWORD pid = 0;
  if (child) GetWindowThreadProcessId(child, &pid);
  Check(ok && pid == s.Id(), label + ": child drawing in the host",
        std::to_string(t.presents) + " frames");
  return ok ? child : nullptr;
}

bool Answers(HWND h) {
  DWORD_PTR r = 0;
  return SendMessageTimeoutW(h, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &r) != 0;
}

long long Presents() {
  TickLine t;
  return ReadTickLog(t) ? t.presents : 0;
}

int PreviewHostChanges(const std::wstring& scr) {
  HWND host = MakeHost(L"preview", true);
  Pump();
  Process s;
  if (!StartSaver(s, scr, L"/p " + HandleArg(host))) return 1;
  HWND child = WaitForChild(s, host, "visible host");
  if (child == nullptr) return 1;

  // A hidden host hides the preview (IsWindowVisible looks at the ancestors): its clock goes on
  // and it answers, but it copies no frame beyond the one in flight, and draws again once the
  // host shows.
  ShowWindow(host, SW_HIDE);
  Check(TicksOn(s.Id()) && Answers(child), "hidden host: saver runs and answers");
  TickLine hidden, later;
  const bool ticked =
      ReadTickLog(hidden) &&
      WaitUntil([&] { return ReadTickLog(later) && later.ticks >= hidden.ticks + 20; }, 3000);
  Check(ticked && later.presents <= hidden.presents + 1, "hidden host: ticks go on, no frames",
        std::to_string(later.ticks - hidden.ticks) + " ticks, " +
            std::to_string(later.presents - hidden.presents) + " frames");
  ShowWindow(host, SW_SHOW);
  long long p0 = Presents();
  const bool resumed = WaitUntil([&] { return Presents() > p0 + 3; }, 3000);
  Check(resumed, "shown again: frames resume", std::to_string(Presents() - p0) + " frames");

  SetWindowPos(host, nullptr, 50, 50, 400, 300, SWP_NOZORDER);
  p0 = Presents();
  Check(TicksOn(s.Id()) && Answers(child), "resized host: saver runs and answers");
  const bool goOn = WaitUntil([&] { return Presents() > p0 + 3; }, 3000);
  Check(goOn, "resized host: frames go on", std::to_string(Presents() - p0) + " frames");
  SetWindowPos(host, nullptr, 50, 50, 1, 1, SWP_NOZORDER);
  Check(TicksOn(s.Id()) && Answers(child), "host shrunk to 1x1: saver runs and answers");

  DestroyWindow(host);
  Ends(s, "destroyed host: saver ends");
  return Checks().failures ? 1 : 0;
}

// The helper: a host window in a process of its own, its handle written to a file.
int ParentHelper(const std::wstring& file) {
  HWND host = MakeHost(L"helper host", true);
  HANDLE f =
      CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
  const std::string text = std::to_string(reinterpret_cast<uintptr_t>(host)) + "\n";
  DWORD n = 0;
  WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &n, nullptr);
  CloseHandle(f);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  return 0;
}

int PreviewOwnerDies(const std::wstring& scr, const std::wstring& self) {
  const std::wstring file = DriverFilePath() + L".host";
  DeleteFileW(file.c_str());
  Process helper;
  if (!StartProcess(helper, self, L"parent-helper \"" + file + L"\"")) return 1;
  HWND host = nullptr;
  WaitUntil(
      [&] {
        HANDLE f = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
        if (f == INVALID_HANDLE_VALUE) return false;
        char buf[32] = {};
        DWORD n = 0;
        ReadFile(f, buf, sizeof buf - 1, &n, nullptr);
        CloseHandle(f);
        host = reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoull(buf, nullptr, 10)));
        return n > 0 && IsWindow(host);
      },
      15000);
  Check(host != nullptr && IsWindow(host), "helper process owns a host window");
  if (host == nullptr) return 1;
  Process s;
  if (!StartSaver(s, scr, L"/p " + HandleArg(host))) return 1;
  if (WaitForChild(s, host, "host of another process") == nullptr) return 1;
  TerminateProcess(helper.Handle(), 9);
  WaitForSingleObject(helper.Handle(), 5000);
  Check(WaitUntil([&] { return !IsWindow(host); }, 5000), "the host went with its process");
  Ends(s, "host's process killed: saver ends");
  DeleteFileW(file.c_str());
  return Checks().failures ? 1 : 0;
}

// Asks the driver's own window every 50 ms whether it answers, from a second thread, and keeps
// the slowest answer: a saver that blocks its preview host's thread shows up here.
struct Responsiveness {
  HWND window = nullptr;
  volatile LONG stop = 0;
  double worstMs = 0;
  int unanswered = 0;
  int asked = 0;
};

DWORD WINAPI AskAlong(LPVOID p) {
  auto* r = static_cast<Responsiveness*>(p);
  while (!r->stop) {
    const double t0 = NowMs();
    DWORD_PTR result = 0;
    if (SendMessageTimeoutW(r->window, WM_NULL, 0, 0, SMTO_NORMAL, 3000, &result) == 0) {
      ++r->unanswered;
    }
    r->worstMs = std::max(r->worstMs, NowMs() - t0);
    ++r->asked;
    Sleep(50);
  }
  return 0;
}

// The running Vellicord2.scr processes this driver started, and any they started in turn, even
// after their parent ended: the prefix is shared, and a saver another test left behind is not
// this test's fault.
int SaverProcesses() {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  std::vector<PROCESSENTRY32W> all;
  PROCESSENTRY32W e = {};
  e.dwSize = sizeof e;
  for (BOOL ok = Process32FirstW(snap, &e); ok; ok = Process32NextW(snap, &e)) all.push_back(e);
  CloseHandle(snap);
  std::vector<DWORD> ours = startedIds;
  for (size_t grown = 1; grown != 0;) {
    grown = 0;
    for (const PROCESSENTRY32W& p : all) {
      const bool known = std::find(ours.begin(), ours.end(), p.th32ProcessID) != ours.end();
      const bool child = std::find(ours.begin(), ours.end(), p.th32ParentProcessID) != ours.end();
      if (!known && child) ours.push_back(p.th32ProcessID), ++grown;
    }
  }
  int n = 0;
  for (const PROCESSENTRY32W& p : all) {
    const bool mine = std::find(ours.begin(), ours.end(), p.th32ProcessID) != ours.end();
    n += mine && lstrcmpiW(p.szExeFile, L"Vellicord2.scr") == 0;
  }
  return n;
}

int PreviewCycles(const std::wstring& scr, int cycles) {
  Checks().verbose = false;
  HWND own = MakeHost(L"driver", false, 10, 10);
  Responsiveness r;
  r.window = own;
  HANDLE asker = CreateThread(nullptr, 0, AskAlong, &r, 0, nullptr);
  const double t0 = NowMs();
  int ended = 0;
  for (int i = 0; i < cycles; ++i) {
    // Hidden hosts: destroying a shown one makes Wine wait for a window manager.
    HWND host = MakeHost(L"preview", false);
    Process s;
    if (!StartSaver(s, scr, L"/p " + HandleArg(host))) break;
    const std::string label = "cycle " + std::to_string(i + 1);
    HWND child = nullptr;
    Check(WaitUntil([&] { return (child = GetWindow(host, GW_CHILD)) != nullptr; }, 15000),
          label + ": child created");
    // Half the cycles destroy the host at once, half after the first ticks (a hidden host
    // shows no frames).
    TickLine t;
    if (i % 2) WaitUntil([&] { return ReadTickLog(t) && t.ticks >= 2; }, 5000);
    DestroyWindow(host);
    ended += Ends(s, label + ": ends with its host");
  }
  r.stop = 1;
  WaitForSingleObject(asker, 5000);
  CloseHandle(asker);
  Checks().verbose = true;
  Check(ended == cycles, "every preview ended with its host",
        std::to_string(ended) + "/" + std::to_string(cycles));
  Check(SaverProcesses() == 0, "no saver process left", std::to_string(SaverProcesses()));
  char detail[96];
  std::snprintf(detail, sizeof detail, "%d asks, slowest %.0f ms, %d unanswered, %.1f s", r.asked,
                r.worstMs, r.unanswered, (NowMs() - t0) / 1000);
  Check(r.unanswered == 0 && r.worstMs < 1000, "the driver's window answered throughout", detail);
  DestroyWindow(own);
  return Checks().failures ? 1 : 0;
}

// Two full-screen savers at once: the second takes the activation, so the first ends through its
// ordinary close, as it would for any other program; the second runs on.
int TwoRuns(const std::wstring& scr) {
  Process a, b;
  if (!StartSaver(a, scr, L"/s")) return 1;
  HWND wa = WaitForVisible(a.Id(), L"TScreenSaverForm", 15000);
  Check(wa != nullptr, "the first full-screen window shows");
  if (wa == nullptr || !StartProcess(b, scr, L"/s")) return 1;
  HWND wb = WaitForVisible(b.Id(), L"TScreenSaverForm", 15000);
  Check(wb != nullptr, "the second full-screen window shows");
  if (wb == nullptr) return 1;
  Ends(a, "the first ends as the second takes the activation");
  Check(TicksOn(b.Id()) && Answers(wb), "the second runs and answers");
  PostMessageW(wb, WM_KEYDOWN, 'Q', 0);
  Ends(b, "the second closes on its key");
  return Checks().failures ? 1 : 0;
}

int QueuedClose(const std::wstring& scr) {
  for (int round = 0; round < 3; ++round) {
    const std::string label = "round " + std::to_string(round + 1);
    Process s;
    if (!StartSaver(s, scr, L"/s")) return 1;
    Appeared a = WaitForBoxOr(s, L"TScreenSaverForm", 15000);
    if (a.window == nullptr) return Check(false, label + ": window"), 1;
    WaitUntil([&] { return Presents() >= 3; }, 5000);
    // Every close trigger at once, queued before the first is handled.
    for (int k = 0; k < 8; ++k) PostMessageW(a.window, WM_KEYDOWN, 'A' + k, 0);
    PostMessageW(a.window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageW(a.window, WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
    PostMessageW(a.window, WM_MOUSEMOVE, 0, MAKELPARAM(9, 9));
    PostMessageW(a.window, WM_CLOSE, 0, 0);
    PostMessageW(a.window, WM_SYSCOMMAND, SC_CLOSE, 0);
    Ends(s, label + ": a burst of close input ends it once, cleanly");
  }
  Check(SaverProcesses() == 0, "no saver process left");
  return Checks().failures ? 1 : 0;
}

int ErrorBoxWhileDue(const std::wstring& scr) {
  ClearStore();
  PutValue(kSectionKey, "Speed", REG_DWORD, Le(3, 4));
  const std::string before = Snapshot();
  Process s;
  if (!StartSaver(s, scr, L"/s")) return 1;
  Appeared a = WaitForBoxOr(s, L"TScreenSaverForm", 15000);
  Check(a.box != nullptr, "error box first");
  if (a.box == nullptr) return 1;
  // Ticks at Speed's default would be due every 14 ms by now: none may come.
  Idle(1500);
  TickLine t;
  const bool read = ReadTickLog(t);
  Check(read && t.ticks == 0 && IsWindow(a.box) && s.Alive(), "box up 1.5 s: modal, no tick",
        read ? std::to_string(t.ticks) : "no counters published");
  std::wstring caption;
  ReadAndDismissBox(a.box, caption);
  HWND w = nullptr;
  WaitUntil([&] { return (w = VisibleOf(s.Id(), L"TScreenSaverForm")); }, 10000);
  Check(w != nullptr, "window after the box");
  if (w == nullptr) return 1;
  CheckRunning("after the box", s, w, 0x000000, 0, 1000);
  Check(Answers(w), "answers after the box");
  PostMessageW(w, WM_KEYDOWN, 'Q', 0);
  PostMessageW(w, WM_KEYDOWN, 'Q', 0);
  Ends(s, "closes on a key");
  Check(Snapshot() == before, "registry unchanged");
  ClearStore();
  return Checks().failures ? 1 : 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Scenario args;
  if (!ReadScenario(argc, argv, "vellicord2-fault-driver scenario scr|file", args)) return 2;
  const std::wstring& scenario = args.name;
  const std::wstring& scr = args.target;
  SetCursorPos(300, 200);
  int rc = 2;
  if (scenario == L"parent-helper") return ParentHelper(scr);
  if (scenario == L"matrix") rc = RegistryMatrix(scr, Utf8(args.Rest(0)));
  if (scenario == L"range") rc = OutOfRange(scr);
  if (scenario == L"preview-host") rc = PreviewHostChanges(scr);
  if (scenario == L"preview-owner-dies") rc = PreviewOwnerDies(scr, argv[0]);
  if (scenario == L"preview-cycles")
    rc = PreviewCycles(scr, args.rest.empty() ? 50 : _wtoi(args.Rest(0).c_str()));
  if (scenario == L"two-runs") rc = TwoRuns(scr);
  if (scenario == L"queued-close") rc = QueuedClose(scr);
  if (scenario == L"errorbox-ticks") rc = ErrorBoxWhileDue(scr);
  if (rc == 2) std::fprintf(stderr, "unknown scenario %s\n", Utf8(scenario).c_str());
  return rc;
}
