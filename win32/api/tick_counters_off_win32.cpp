// The product's tick counters: kept nowhere, so the shipped saver creates no named section.
#include "win32/api/tick_counters_win32.h"

namespace vellicord {

TickPublisher::TickPublisher() = default;
TickPublisher::~TickPublisher() = default;
void TickPublisher::Tick() {}
void TickPublisher::Present() {}

}  // namespace vellicord
