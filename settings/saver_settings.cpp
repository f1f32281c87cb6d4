// The settings every program shares: their fields, and what the figure is set up with.
#include "settings/saver_settings.h"

namespace vellicord {

namespace {

// BGcolor is text: a number setting's id never names it.
template <typename Settings>
auto& NumberField(Settings& s, SettingId id) {
  switch (id) {
    case kSpeed:
      return s.Speed;
    case kPeriod:
      return s.Period;
    case kNumberOfLines:
      return s.NumberOfLines;
    default:
      return s.WidthOfLines;
  }
}

}  // namespace

int32_t& SaverSettings::Number(SettingId id) {
  return NumberField(*this, id);
}

int32_t SaverSettings::Number(SettingId id) const {
  return NumberField(*this, id);
}

FigureConfig FigureConfigFor(const SaverSettings& settings) {
  FigureConfig config;
  config.Period = LimitForSaver(kPeriod, settings.Period);
  config.NumberOfLines = LimitForSaver(kNumberOfLines, settings.NumberOfLines);
  config.WidthOfLines = LimitForSaver(kWidthOfLines, settings.WidthOfLines);
  config.WindowColor = settings.BGcolor == kBlackText ? kBlack : kWhite;
  config.DimGreen = settings.BGcolor == kWhiteText;
  return config;
}

}  // namespace vellicord
