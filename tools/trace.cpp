// vellicord2-trace: runs the figure engine headless and prints one line of state per tick.
#define __USE_MINGW_ANSI_STDIO 1  // msvcrt's printf has no 80-bit %Le

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "engine/figure.h"
#include "engine/x87.h"
#include "tests/support/fixed_draws.h"
#include "tests/support/fnv.h"
#include "tests/support/recording_surface.h"
#include "tools/tool_version.h"
#include "tools/trace_options.h"

namespace {

using namespace vellicord;

uint64_t HashPoints(const LineSlot& slot) {
  Fnv1a h;
  for (int32_t k = 0; k < slot.PointCount; ++k) {
    h.Word(static_cast<uint32_t>(slot.Points[k].X));
    h.Word(static_cast<uint32_t>(slot.Points[k].Y));
  }
  return h.Value();
}

int SlotOf(const Figure& f, const Point* points) {
  for (int s = 0; s < kRingSlots; ++s) {
    if (points == f.Lines[s].Points) return s;
  }
  return -1;
}

int Usage(const std::string& error) {
  std::fprintf(stderr,
               "vellicord2-trace: %s\nusage: vellicord2-trace [--height H] [--period P] "
               "[--lines N] [--bg TEXT] [--draws r1,r2,r3,d6,d256] [--clock C] [--ticks K] "
               "[--x87-cw HEX]\n",
               error.c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (PrintedVersion(argc, argv, "vellicord2-trace")) return 0;
  TraceOptions o;
  for (int i = 1; i < argc; ++i) {
    const std::string error = ParseTraceOption(argc, argv, i, o);
    if (error == "unknown") return Usage(std::string("unknown option ") + argv[i]);
    if (!error.empty()) return Usage(error);
  }
  if (o.x87ControlWord != 0) x87::SetControlWord(static_cast<uint16_t>(o.x87ControlWord));

  FixedDraws draws(o.draws[0], o.draws[1], o.draws[2], o.d6, o.d256);
  RecordingSurface surface;
  auto figure = std::make_unique<Figure>();
  const FigureConfig config = FigureConfigFor(o.settings);
  // The window's width does not enter the trace; a 4:3 screen is assumed.
  const int32_t width = static_cast<int32_t>(static_cast<int64_t>(o.height) * 4 / 3);
  figure->SetUp(config, width, o.height, draws, surface);
  figure->Clock = o.clock;

  for (int32_t t = 1; t <= o.ticks; ++t) {
    const int32_t slot = figure->WriteSlot;
    surface.calls.clear();
    figure->Tick();
    const Figure& f = *figure;
    std::string drawn;
    for (const auto& call : surface.calls) {
      if (call.kind != RecordingSurface::Call::kPolyline) continue;
      if (!drawn.empty()) drawn += ',';
      drawn += std::to_string(SlotOf(f, call.points));
    }
    std::printf(
        "%d clock=%d locked=%d lockticks=%d sincelock=%d phasex=%.20Le phasey=%.20Le "
        "ratio=%.20Le slot=%d points=%d color=%08X hash=%016llx drawn=%s\n",
        t, f.Clock, f.Locked ? 1 : 0, f.LockTicks, f.TicksSinceLock, f.PhaseX, f.PhaseY,
        f.LockedRatio, slot, f.Lines[slot].PointCount, f.Lines[slot].Color,
        static_cast<unsigned long long>(HashPoints(f.Lines[slot])), drawn.c_str());
  }
  return 0;
}
