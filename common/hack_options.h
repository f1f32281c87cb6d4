// The Linux programs' command line: XScreenSaver's window options and the five settings as
// options. Platform-free, so that it is tested without a display.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/random.h"
#include "settings/saver_settings.h"

namespace vellicord {

struct HackOptions {
  bool root = false;
  std::optional<uint32_t> windowId;  // --window-id
  SaverSettings settings;            // the settings table's defaults until an option says otherwise
  bool help = false;
  bool version = false;
  // The hidden test option --draws: the figure's random draws given up front.
  bool fixedDraws = false;
  long double draws[3] = {0, 0, 0};
  int32_t d6 = 0;
  int32_t d256 = 0;
};

// The arguments after the program's name; an error text (empty on success) names the option.
std::string ParseHackOptions(const std::vector<std::string>& args, HackOptions& options);

// A window id as XScreenSaver passes it: blanks around, then hexadecimal after "0x" or decimal;
// 0 names no window.
std::optional<uint32_t> ParseWindowId(const std::string& text);

// The draws of --draws.
GivenDraws DrawsOf(const HackOptions& options);

// What the command line settles before anything is drawn: an error (`error` not empty) goes to
// standard error with the usage, status 1; --help and --version print, status 0. Nothing when
// the program is to run.
std::optional<int> AnswerBeforeRunning(const char* program, const char* usage, const char* version,
                                       const std::string& error, const HackOptions& options);

extern const char* const kHackUsage;
// What --version prints: the program's name and the release's version.
extern const char* const kHackVersion;

}  // namespace vellicord
