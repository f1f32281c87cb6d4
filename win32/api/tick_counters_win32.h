// The tick counters shared on Win32: a small named section per saver process that the saver
// rewrites at every tick and frame, and that a test driver or the benchmark maps to read them.
// Nothing is read from the environment or written to a file.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

#include "win32/tick_counters.h"

namespace vellicord {

inline std::wstring TickSectionName(DWORD processId) {
  return L"Local\\Vellicord2.TickCounters." + std::to_wstring(processId);
}

// What the section holds: the counters behind a sequence number that is odd while they change.
struct TickSection {
  volatile LONG Sequence;
  TickCounters Counters;
};

// The saver's side.
class TickPublisher {
 public:
  TickPublisher();
  ~TickPublisher();
  TickPublisher(const TickPublisher&) = delete;
  TickPublisher& operator=(const TickPublisher&) = delete;

  void Tick();
  void Present();

 private:
  void Publish();

  HANDLE mapping_ = nullptr;
  TickSection* section_ = nullptr;
  TickCounter counter_;
};

// A reader's side: the counters of the saver process with this id, all 0 before its first tick;
// false when it publishes none (not started yet, or its section could not be made).
inline bool ReadTickCounters(DWORD processId, TickCounters& out) {
  HANDLE mapping = OpenFileMappingW(FILE_MAP_READ, FALSE, TickSectionName(processId).c_str());
  if (mapping == nullptr) return false;
  const auto* section =
      static_cast<const TickSection*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
  bool ok = false;
  if (section != nullptr) {
    for (int attempt = 0; attempt < 100 && !ok; ++attempt) {
      const LONG before = section->Sequence;
      MemoryBarrier();
      out = section->Counters;
      MemoryBarrier();
      ok = (before & 1) == 0 && before == section->Sequence;
    }
    UnmapViewOfFile(section);
  }
  CloseHandle(mapping);
  return ok;
}

}  // namespace vellicord
