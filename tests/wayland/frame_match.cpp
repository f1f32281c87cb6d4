// wayland_frame_match: which tick of the native render a screenshot of one output shows, for the
// options the program was given (the same parser reads them, --draws included).
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "common/hack_options.h"
#include "tests/support/native_frames.h"

namespace {

// A binary PPM as grim writes it: "P6 width height 255", then RGB bytes.
bool ReadPpm(const char* path, int& width, int& height, std::vector<uint32_t>& pixels) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int maxValue = 0;
  in >> magic >> width >> height >> maxValue;
  in.get();
  if (!in || magic != "P6" || maxValue != 255 || width <= 0 || height <= 0) return false;
  std::vector<unsigned char> rgb(size_t(width) * size_t(height) * 3);
  if (!in.read(reinterpret_cast<char*>(rgb.data()), std::streamsize(rgb.size()))) return false;
  pixels.resize(size_t(width) * size_t(height));
  for (size_t i = 0; i < pixels.size(); ++i) {
    pixels[i] = uint32_t(rgb[3 * i]) << 16 | uint32_t(rgb[3 * i + 1]) << 8 | rgb[3 * i + 2];
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vellicord;
  HackOptions options;
  const std::string error =
      argc < 2 ? "usage: wayland_frame_match SHOT.ppm [OPTIONS]"
               : ParseHackOptions(std::vector<std::string>(argv + 2, argv + argc), options);
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  if (!error.empty() || !ReadPpm(argv[1], width, height, pixels)) {
    std::fprintf(stderr, "wayland_frame_match: %s\n", error.empty() ? "no picture" : error.c_str());
    return 2;
  }
  GivenDraws draws = DrawsOf(options);
  NativeFrames native(width, height, options.settings, draws);
  const int tick = native.Find(pixels, 0, 5000);
  if (tick == 0) {
    std::printf("%dx%d matches no native frame of 5000\n", width, height);
    return 1;
  }
  std::printf("%d\n", tick);
  return 0;
}
