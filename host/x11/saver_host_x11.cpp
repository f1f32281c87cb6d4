// Host services of the X11 program that are more than one line.
#include "host/x11/saver_host_x11.h"

#include <cstdio>

namespace vellicord {

void X11SaverHost::ShowErrorBox(const std::string& utf8Message) {
  std::fprintf(stderr, "vellicord2: %s\n", utf8Message.c_str());
}

}  // namespace vellicord
