// The saver's tick counters, published in a section named after its process.
#include "win32/api/tick_counters_win32.h"

#include "win32/api/monotonic_clock.h"

namespace vellicord {

TickPublisher::TickPublisher() {
  mapping_ =
      CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(TickSection),
                         TickSectionName(GetCurrentProcessId()).c_str());
  // A section of that name made before this process existed is someone else's: publish nothing.
  if (mapping_ != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mapping_);
    mapping_ = nullptr;
  }
  if (mapping_ == nullptr) return;
  section_ =
      static_cast<TickSection*>(MapViewOfFile(mapping_, FILE_MAP_WRITE, 0, 0, sizeof(TickSection)));
}

TickPublisher::~TickPublisher() {
  if (section_ != nullptr) UnmapViewOfFile(section_);
  if (mapping_ != nullptr) CloseHandle(mapping_);
}

void TickPublisher::Tick() {
  counter_.Tick(MonotonicUs());
  Publish();
}

void TickPublisher::Present() {
  counter_.Present(MonotonicUs());
  Publish();
}

void TickPublisher::Publish() {
  if (section_ == nullptr) return;
  InterlockedIncrement(&section_->Sequence);
  section_->Counters = counter_.Counters();
  InterlockedIncrement(&section_->Sequence);
}

}  // namespace vellicord
