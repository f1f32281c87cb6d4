// vellicord2-wayland: the saver as a Wayland client that idle daemons start, one figure on every
// output, ended by input, a signal or the compositor.
#include <errno.h>
#include <poll.h>
#include <wayland-client.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/ending_signals.h"
#include "common/hack_options.h"
#include "common/monotonic_clock.h"
#include "vellicord_version.h"
#include "wayland/output_hack.h"
#include "wayland/seat_input.h"
#include "xdg-shell-client-protocol.h"

namespace vellicord {
namespace {

const char* const kUsage =
    "usage: vellicord2-wayland [--speed 0-3] [--complexity 0-2] [--lines 1-31] "
    "[--line-width 1-10] [--background black|white] | --version";
const char* const kVersion = "vellicord2-wayland " VELLICORD_VERSION;

// The saver's one state: the connection, the compositor's globals, one hack per output and the
// seats whose input ends it.
struct Saver {
  explicit Saver(const HackOptions& o) : options(o) {}
  ~Saver() {
    hacks.clear();
    seats.clear();
    if (shell.wmBase) xdg_wm_base_destroy(shell.wmBase);
    if (shell.shm) wl_shm_destroy(shell.shm);
    if (shell.compositor) wl_compositor_destroy(shell.compositor);
    if (registry) wl_registry_destroy(registry);
    if (display) wl_display_disconnect(display);
  }

  void AddOutput(uint32_t name, uint32_t version) {
    auto* output = static_cast<wl_output*>(
        wl_registry_bind(registry, name, &wl_output_interface, std::min(version, 3u)));
    hacks.push_back(std::make_unique<OutputHack>(shell, output, name, options));
  }

  const HackOptions& options;
  wl_display* display = nullptr;
  wl_registry* registry = nullptr;
  SaverShell shell;
  uint32_t compositorVersion = 0;
  // Outputs announced before the shell's globals were all known; their surfaces come after.
  std::vector<std::pair<uint32_t, uint32_t>> earlyOutputs;
  bool started = false;
  std::vector<std::unique_ptr<OutputHack>> hacks;
  std::vector<std::unique_ptr<SeatInput>> seats;
  bool ended = false;
};

Saver& Of(void* data) {
  return *static_cast<Saver*>(data);
}

void Ping(void*, xdg_wm_base* base, uint32_t serial) {
  xdg_wm_base_pong(base, serial);
}
const xdg_wm_base_listener kWmBaseListener = {Ping};

void Global(void* data, wl_registry* registry, uint32_t name, const char* interface,
            uint32_t version) {
  Saver& s = Of(data);
  const std::string which = interface;
  if (which == wl_compositor_interface.name) {
    s.compositorVersion = version;
    // damage_buffer came in version 4.
    if (version >= 4) {
      s.shell.compositor = static_cast<wl_compositor*>(
          wl_registry_bind(registry, name, &wl_compositor_interface, 4));
    }
  } else if (which == wl_shm_interface.name) {
    s.shell.shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
  } else if (which == xdg_wm_base_interface.name) {
    s.shell.wmBase =
        static_cast<xdg_wm_base*>(wl_registry_bind(registry, name, &xdg_wm_base_interface, 1));
    xdg_wm_base_add_listener(s.shell.wmBase, &kWmBaseListener, &s);
  } else if (which == wl_seat_interface.name) {
    auto* seat = static_cast<wl_seat*>(
        wl_registry_bind(registry, name, &wl_seat_interface, std::min(version, 5u)));
    s.seats.push_back(std::make_unique<SeatInput>(seat, name, s.ended));
  } else if (which == wl_output_interface.name) {
    if (s.started) {
      s.AddOutput(name, version);
    } else {
      s.earlyOutputs.emplace_back(name, version);
    }
  }
}

// An output unplugged or a seat gone: its surface or its input goes with it.
void GlobalRemove(void* data, wl_registry*, uint32_t name) {
  Saver& s = Of(data);
  auto named = [name](const auto& p) { return p->Name() == name; };
  s.hacks.erase(std::remove_if(s.hacks.begin(), s.hacks.end(), named), s.hacks.end());
  s.seats.erase(std::remove_if(s.seats.begin(), s.seats.end(), named), s.seats.end());
  auto early = [name](const auto& p) { return p.first == name; };
  s.earlyOutputs.erase(std::remove_if(s.earlyOutputs.begin(), s.earlyOutputs.end(), early),
                       s.earlyOutputs.end());
}
const wl_registry_listener kRegistryListener = {Global, GlobalRemove};

// What the compositor lacks, or empty.
std::string Missing(const Saver& s) {
  if (!s.shell.compositor) {
    return s.compositorVersion ? "the compositor's wl_compositor is older than version 4"
                               : "the compositor offers no wl_compositor";
  }
  if (!s.shell.shm) return "the compositor offers no wl_shm";
  if (!s.shell.wmBase) return "the compositor offers no xdg_wm_base (xdg-shell)";
  return "";
}

int Lost(wl_display* display) {
  const int error = wl_display_get_error(display);
  std::fprintf(stderr, "vellicord2-wayland: lost the connection to the compositor (%s)\n",
               std::strerror(error ? error : EPIPE));
  return 1;
}

int Run(const HackOptions& options) {
  const int signalFd = OpenEndingSignals("vellicord2-wayland");
  if (signalFd < 0) return 1;

  Saver saver(options);
  saver.display = wl_display_connect(nullptr);
  if (!saver.display) {
    const char* name = std::getenv("WAYLAND_DISPLAY");
    std::fprintf(stderr, "vellicord2-wayland: cannot connect to a Wayland display (%s)\n",
                 name ? name : "WAYLAND_DISPLAY is not set");
    return 1;
  }
  saver.registry = wl_display_get_registry(saver.display);
  wl_registry_add_listener(saver.registry, &kRegistryListener, &saver);
  if (wl_display_roundtrip(saver.display) < 0) return Lost(saver.display);
  const std::string missing = Missing(saver);
  if (!missing.empty()) {
    std::fprintf(stderr, "vellicord2-wayland: %s\n", missing.c_str());
    return 1;
  }
  saver.started = true;
  for (const auto& [name, version] : saver.earlyOutputs) saver.AddOutput(name, version);
  saver.earlyOutputs.clear();

  const int fd = wl_display_get_fd(saver.display);
  for (;;) {
    while (wl_display_prepare_read(saver.display) != 0) {
      if (wl_display_dispatch_pending(saver.display) < 0) return Lost(saver.display);
    }
    // A full socket is waited out with the rest: the compositor reads, and poll says so.
    const bool flushed = wl_display_flush(saver.display) >= 0 || errno != EAGAIN;
    int64_t now = MonotonicUs();
    int32_t wait = -1;
    for (const auto& hack : saver.hacks) {
      const int32_t w = hack->WaitMs(now);
      if (w >= 0 && (wait < 0 || w < wait)) wait = w;
    }
    pollfd fds[2] = {{fd, short(POLLIN | (flushed ? 0 : POLLOUT)), 0}, {signalFd, POLLIN, 0}};
    const int ready = poll(fds, 2, wait);
    if (ready > 0 && (fds[0].revents & (POLLIN | POLLERR | POLLHUP))) {
      if (wl_display_read_events(saver.display) < 0) return Lost(saver.display);
    } else {
      wl_display_cancel_read(saver.display);
    }
    if (wl_display_dispatch_pending(saver.display) < 0) return Lost(saver.display);
    if (ready > 0 && (fds[1].revents & POLLIN)) break;
    if (saver.ended) break;
    bool closed = false;
    now = MonotonicUs();
    for (const auto& hack : saver.hacks) {
      hack->Draw(now);
      closed = closed || hack->Closed();
    }
    if (closed) break;
  }
  wl_display_flush(saver.display);
  return 0;
}

}  // namespace
}  // namespace vellicord

int main(int argc, char** argv) {
  using namespace vellicord;
  HackOptions options;
  std::string error = ParseHackOptions(std::vector<std::string>(argv + 1, argv + argc), options);
  // XScreenSaver's window options name X11 windows: nothing here can draw in one.
  if (error.empty() && options.windowId) error = "--window-id names an X11 window";
  if (const auto status =
          AnswerBeforeRunning("vellicord2-wayland", kUsage, kVersion, error, options)) {
    return *status;
  }
  return Run(options);
}
