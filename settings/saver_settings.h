// The five settings as every program holds them, and the figure's set-up they give.
#pragma once

#include <cstdint>
#include <string>

#include "engine/figure.h"
#include "settings/settings_table.h"

namespace vellicord {

struct SaverSettings {
  int32_t Speed = kSettings[kSpeed].defaultNumber;
  int32_t Period = kSettings[kPeriod].defaultNumber;
  int32_t NumberOfLines = kSettings[kNumberOfLines].defaultNumber;
  std::string BGcolor = kSettings[kBGcolor].defaultText;
  int32_t WidthOfLines = kSettings[kWidthOfLines].defaultNumber;

  // The field of a number setting.
  int32_t& Number(SettingId id);
  int32_t Number(SettingId id) const;
};

// What the figure is set up with: the numbers within their saver limits, the background black
// only for exactly "Black", green dimmed only for exactly "White".
FigureConfig FigureConfigFor(const SaverSettings& settings);

}  // namespace vellicord
