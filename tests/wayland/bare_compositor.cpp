// wayland_bare_compositor: a compositor that offers only the globals named on its command line
// (wl_compositor, wl_shm), for the program's message on what a compositor lacks.
#include <wayland-server.h>

#include <cstdio>
#include <cstring>

namespace {

void Bind(wl_client* client, void* data, uint32_t version, uint32_t id) {
  wl_resource_create(client, static_cast<const wl_interface*>(data), int(version), id);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: wayland_bare_compositor SOCKET [wl_compositor] [wl_shm]\n");
    return 2;
  }
  wl_display* display = wl_display_create();
  if (!display || wl_display_add_socket(display, argv[1]) != 0) return 1;
  for (int i = 2; i < argc; ++i) {
    const wl_interface* which =
        std::strcmp(argv[i], "wl_shm") == 0 ? &wl_shm_interface : &wl_compositor_interface;
    wl_global_create(display, which, which->version, const_cast<wl_interface*>(which), Bind);
  }
  wl_display_run(display);
  return 0;
}
