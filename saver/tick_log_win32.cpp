// The tick log: one fixed-width line, rewritten in place.
#include "saver/tick_log_win32.h"

#include <cstdio>

namespace vellicord {

TickLog::TickLog() {
  wchar_t path[MAX_PATH] = {};
  if (GetEnvironmentVariableW(L"VELLICORD2_TICK_LOG", path, MAX_PATH) == 0) return;
  file_ = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  QueryPerformanceFrequency(&frequency_);
}

TickLog::~TickLog() {
  if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
}

int64_t TickLog::NowUs() const {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  const int64_t f = frequency_.QuadPart;
  return now.QuadPart / f * 1000000 + now.QuadPart % f * 1000000 / f;
}

void TickLog::Present() {
  // Wine's performance counter is the same clock in every process, so a driver can set this
  // against the time it started the saver.
  if (presents_ == 0 && file_ != INVALID_HANDLE_VALUE) firstPresentUs_ = NowUs();
  ++presents_;
}

void TickLog::Tick() {
  if (file_ == INVALID_HANDLE_VALUE) return;
  const int64_t us = NowUs();
  if (ticks_ == 0) {
    firstUs_ = us;
  } else {
    intervals_.Add(us - lastUs_);
  }
  lastUs_ = us;
  ++ticks_;
  char line[192];
  const int n = std::snprintf(
      line, sizeof line,
      "ticks %10lld presents %10lld first_us %16lld last_us %16lld present_us %16lld p99_us %8lld "
      "max_us %8lld\n",
      static_cast<long long>(ticks_), static_cast<long long>(presents_),
      static_cast<long long>(firstUs_), static_cast<long long>(us),
      static_cast<long long>(firstPresentUs_),
      static_cast<long long>(intervals_.PercentileUs(0.99)),
      static_cast<long long>(intervals_.MaxUs()));
  DWORD written = 0;
  SetFilePointer(file_, 0, nullptr, FILE_BEGIN);
  WriteFile(file_, line, static_cast<DWORD>(n), &written, nullptr);
}

}  // namespace vellicord
