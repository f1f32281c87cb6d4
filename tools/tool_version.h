// --version of the tools: as the first argument, the tool prints its name and the release's
// version.
#pragma once

#include <cstddef>
#include <cstdio>

#include "vellicord_version.h"

namespace vellicord {

// True, having printed "<tool> <version>", when the first argument is --version; Char is wchar_t
// for the Windows tools' wmain.
template <typename Char>
bool PrintedVersion(int argc, Char** argv, const char* tool) {
  static const char kOption[] = "--version";
  if (argc < 2) return false;
  for (size_t i = 0; i < sizeof kOption; ++i) {
    if (argv[1][i] != static_cast<Char>(kOption[i])) return false;
  }
  std::printf("%s %s\n", tool, VELLICORD_VERSION);
  return true;
}

}  // namespace vellicord
