// vellicord2-render: runs the engine headless on RasterSurface and writes the window's picture
// (or its last frames) as PNG files.
#include <png.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/figure.h"
#include "engine/raster.h"
#include "engine/x87.h"
#include "tests/support/fixed_draws.h"
#include "tests/support/window_picture.h"
#include "tools/tool_version.h"
#include "tools/trace_options.h"

namespace {

using namespace vellicord;

// The window's picture as a PNG file.
std::string WritePng(const WindowPicture& window, const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return "cannot open " + path;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return "cannot write " + path;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, png_uint_32(window.Width()), png_uint_32(window.Height()), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_byte> line(size_t(window.Width()) * 3);
  for (int32_t y = 0; y < window.Height(); ++y) {
    for (int32_t x = 0; x < window.Width(); ++x) {
      const uint32_t p = window.Pixels()[size_t(y) * size_t(window.Width()) + size_t(x)];
      line[size_t(x) * 3 + 0] = png_byte(p >> 16);
      line[size_t(x) * 3 + 1] = png_byte(p >> 8);
      line[size_t(x) * 3 + 2] = png_byte(p);
    }
    png_write_row(png, line.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(file) == 0 ? "" : "cannot write " + path;
}

int Usage(const std::string& error) {
  std::fprintf(stderr,
               "vellicord2-render: %s\nusage: vellicord2-render --out FILE.png [--size WxH] "
               "[--width-of-lines N] [--frames N (--out is then a folder)] [--period P] "
               "[--lines N] [--bg TEXT] [--draws r1,r2,r3,d6,d256] [--clock C] [--ticks K] "
               "[--x87-cw HEX]\n",
               error.c_str());
  return 2;
}

bool ParseSize(const char* text, int32_t& w, int32_t& h) {
  const char* x = text ? std::strchr(text, 'x') : nullptr;
  if (!x) return false;
  const std::string a(text, x);
  return ParseInt32(a.c_str(), w) && ParseInt32(x + 1, h) && w > 0 && h > 0 && w <= 16384 &&
         h <= 16384;
}

}  // namespace

int main(int argc, char** argv) {
  if (PrintedVersion(argc, argv, "vellicord2-render")) return 0;
  TraceOptions o;
  int32_t width = 0, height = 0, frames = 0;
  std::string out;
  for (int i = 1; i < argc; ++i) {
    const char* name = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (!std::strcmp(name, "--size")) {
      if (!ParseSize(value, width, height)) return Usage("--size takes WxH, each 1 to 16384");
      ++i;
    } else if (!std::strcmp(name, "--width-of-lines")) {
      if (!value || !ParseInt32(value, o.settings.WidthOfLines))
        return Usage("--width-of-lines takes a number");
      ++i;
    } else if (!std::strcmp(name, "--frames")) {
      if (!value || !ParseInt32(value, frames) || frames < 1) {
        return Usage("--frames takes a number from 1");
      }
      ++i;
    } else if (!std::strcmp(name, "--out")) {
      if (!value) return Usage("--out takes a path");
      out = value;
      ++i;
    } else {
      const std::string error = ParseTraceOption(argc, argv, i, o);
      if (error == "unknown") return Usage(std::string("unknown option ") + name);
      if (!error.empty()) return Usage(error);
    }
  }
  if (out.empty()) return Usage("--out is needed");
  // The window's height is the engine's; without --size a 4:3 window of --height is assumed.
  if (width == 0) {
    height = o.height;
    width = int32_t(int64_t{height} * 4 / 3);
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) {
      return Usage("--height gives no window to draw; use --size");
    }
  }
  if (o.x87ControlWord != 0) x87::SetControlWord(uint16_t(o.x87ControlWord));

  const FigureConfig config = FigureConfigFor(o.settings);
  WindowPicture window(width, height, config.WindowColor);
  RasterSurface surface;
  surface.SetPresenter(&window);
  FixedDraws draws(o.draws[0], o.draws[1], o.draws[2], o.d6, o.d256);
  auto figure = std::make_unique<Figure>();
  figure->SetUp(config, width, height, draws, surface);
  figure->Clock = o.clock;

  const int32_t firstSaved = frames > 0 ? o.ticks - frames + 1 : o.ticks + 1;
  int32_t number = 0;
  for (int32_t t = 1; t <= o.ticks; ++t) {
    figure->Tick();
    if (t < firstSaved) continue;
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%04d.png", int(++number));
    const std::string error = WritePng(window, out + name);
    if (!error.empty()) return Usage(error);
  }
  if (frames == 0) {
    const std::string error = WritePng(window, out);
    if (!error.empty()) return Usage(error);
  }
  return 0;
}
