// Parsing of the Linux programs' options.
#include "common/hack_options.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/option_text.h"
#include "settings/settings_table.h"
#include "vellicord_version.h"

namespace vellicord {

const char* const kHackUsage =
    "usage: vellicord2 [--root | --window-id ID | --window] [--speed 0-3] [--complexity 0-2] "
    "[--lines 1-31] [--line-width 1-10] [--background black|white] [--fps] [--no-fps] [--mono] "
    "[--install] [--visual V] | --version";

const char* const kHackVersion = "vellicord2 " VELLICORD_VERSION;

namespace {

// The range an option accepts: the saver's own limits where they close the range on both sides
// (the ring's size, the widest pen), else the dialog's.
void RangeOf(SettingId id, int32_t& lo, int32_t& hi) {
  const SavedSetting& s = kSettings[id];
  const bool bounded = s.saverMin != kInt32Min && s.saverMax != kInt32Max;
  lo = bounded ? s.saverMin : s.dialogMin;
  hi = bounded ? s.saverMax : s.dialogMax;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

std::optional<uint32_t> ParseWindowId(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  size_t end = text.size();
  while (end > i && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
  int base = 10;
  if (end - i > 2 && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == end) return std::nullopt;
  uint64_t value = 0;
  for (; i < end; ++i) {
    const int c = std::tolower(static_cast<unsigned char>(text[i]));
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (digit < 0) return std::nullopt;
    value = value * uint64_t(base) + uint64_t(digit);
    if (value > 0xFFFFFFFFu) return std::nullopt;
  }
  if (value == 0) return std::nullopt;
  return static_cast<uint32_t>(value);
}

std::string ParseHackOptions(const std::vector<std::string>& args, HackOptions& o) {
  o = HackOptions{};
  for (size_t i = 0; i < args.size(); ++i) {
    // XScreenSaver's hacks take their options with one dash or two.
    std::string name = args[i];
    if (name.rfind("--", 0) == 0) name.erase(0, 1);
    const bool hasValue = i + 1 < args.size();
    const std::string value = hasValue ? args[i + 1] : "";
    auto number = [&](SettingId id, int32_t& out) -> std::string {
      int32_t lo = 0, hi = 0;
      RangeOf(id, lo, hi);
      int32_t v = 0;
      if (!hasValue || !ParseInt32(value.c_str(), v) || v < lo || v > hi) {
        return args[i] + " takes a whole number from " + std::to_string(lo) + " to " +
               std::to_string(hi);
      }
      out = v;
      ++i;
      return "";
    };
    std::string error;
    if (name == "-root") {
      o.root = true;
    } else if (name == "-window") {
      o.root = false;
    } else if (name == "-window-id") {
      if (!hasValue || !(o.windowId = ParseWindowId(value))) {
        return args[i] + " takes a window id, decimal or hexadecimal after 0x";
      }
      ++i;
    } else if (name == "-fps" || name == "-no-fps" || name == "-mono" || name == "-install") {
      // XScreenSaver's generic options: accepted, and nothing here depends on them.
    } else if (name == "-visual") {
      if (!hasValue) return args[i] + " takes a visual";
      ++i;
    } else if (name == "-speed") {
      error = number(kSpeed, o.settings.Speed);
    } else if (name == "-complexity") {
      error = number(kPeriod, o.settings.Period);
    } else if (name == "-lines") {
      error = number(kNumberOfLines, o.settings.NumberOfLines);
    } else if (name == "-line-width") {
      error = number(kWidthOfLines, o.settings.WidthOfLines);
    } else if (name == "-background") {
      // Mapped to the exact texts, so the colours and the dimming are the Windows saver's.
      const std::string word = Lower(value);
      if (!hasValue || (word != "black" && word != "white")) {
        return args[i] + " takes black or white";
      }
      o.settings.BGcolor = word == "black" ? kBlackText : kWhiteText;
      ++i;
    } else if (name == "-draws") {
      if (!hasValue || !ParseDraws(value.c_str(), o.draws, o.d6, o.d256)) {
        return args[i] + " takes r1,r2,r3,d6,d256";
      }
      o.fixedDraws = true;
      ++i;
    } else if (name == "-version") {
      o.version = true;
    } else if (name == "-help" || name == "-h") {
      o.help = true;
    } else {
      return "unknown option " + args[i];
    }
    if (!error.empty()) return error;
  }
  return "";
}

GivenDraws DrawsOf(const HackOptions& o) {
  return GivenDraws(o.draws[0], o.draws[1], o.draws[2], o.d6, o.d256);
}

std::optional<int> AnswerBeforeRunning(const char* program, const char* usage, const char* version,
                                       const std::string& error, const HackOptions& options) {
  if (!error.empty()) {
    std::fprintf(stderr, "%s: %s\n%s\n", program, error.c_str(), usage);
    return 1;
  }
  if (options.help || options.version) {
    std::printf("%s\n", options.help ? usage : version);
    return 0;
  }
  return std::nullopt;
}

}  // namespace vellicord
