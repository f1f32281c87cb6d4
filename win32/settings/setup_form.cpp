// The setup dialog's stored design, the radio group layout, and the controls' load and save.
#include "win32/settings/setup_form.h"

#include <string_view>

namespace vellicord {

namespace {

constexpr ControlDesign Base(ControlKind kind, const char* name, const char* parent, int32_t left,
                             int32_t top, int32_t width, int32_t height, const char* caption,
                             int32_t tabOrder) {
  return ControlDesign{kind, name, parent,   left, top,   width, height, caption, {},
                       0,    0,    tabOrder, -1,   false, false, 0,      false,   false,
                       0,    0,    0,        0,    0,     0,     false};
}

constexpr ControlDesign Button(const char* name, int32_t left, int32_t top, const char* caption,
                               int32_t tabOrder, int32_t modalResult, bool isDefault,
                               bool isCancel) {
  ControlDesign d =
      Base(ControlKind::PushButton, name, nullptr, left, top, 74, 24, caption, tabOrder);
  d.modalResult = modalResult;
  d.isDefault = isDefault;
  d.isCancel = isCancel;
  return d;
}

constexpr ControlDesign Label(const char* name, const char* parent, int32_t left, int32_t width,
                              const char* caption) {
  return Base(ControlKind::Label, name, parent, left, 16, width, 12, caption, kNoTabOrder);
}

// The range is the setting's: the form stores the minimum, the maximum is the track bar's own
// default of 10.
constexpr ControlDesign TrackBar(const char* name, const char* parent, int32_t position,
                                 SettingId setting) {
  ControlDesign d = Base(ControlKind::TrackBar, name, parent, 12, 28, 185, 33, "", 0);
  d.minimum = kSettings[setting].dialogMin;
  d.maximum = kSettings[setting].dialogMax;
  d.position = position;
  d.lineSize = 1;
  d.pageSize = 2;
  d.thumbLength = 20;
  return d;
}

constexpr ControlDesign Radio(const char* name, int32_t left, int32_t width, const char* caption,
                              bool checked, int32_t tabOrder) {
  ControlDesign d =
      Base(ControlKind::RadioButton, name, "GroupBox3", left, 22, width, 14, caption, tabOrder);
  d.checked = checked;
  d.tabStop = checked;
  return d;
}

constexpr ControlDesign Group(const char* name, int32_t left, int32_t top, int32_t width,
                              int32_t height, const char* caption,
                              std::array<const char*, kMaxItems> items, int32_t count,
                              int32_t itemIndex, int32_t tabOrder, bool leftToRight) {
  ControlDesign d =
      Base(ControlKind::RadioGroup, name, nullptr, left, top, width, height, caption, tabOrder);
  d.items = items;
  d.itemCount = count;
  d.columns = count;
  d.itemIndex = itemIndex;
  d.leftToRight = leftToRight;
  return d;
}

constexpr FormDesign kForm = {"設定", 225, 397, "ＭＳ Ｐゴシック", -12, 12, 96, true};

constexpr std::array<ControlDesign, 15> kControls = {
    Button("OKBtn", 16, 366, "OK", 0, 1, true, false),
    Button("CancelBtn", 137, 366, "ｷｬﾝｾﾙ", 1, 2, false, true),
    Base(ControlKind::GroupBox, "GroupBox2", nullptr, 10, 90, 205, 67, "The Number of Lines", 2),
    Label("Label2", "GroupBox2", 24, 6, "1"),
    Label("Label4", "GroupBox2", 184, 12, "10"),
    TrackBar("TBNumber", "GroupBox2", 3, kNumberOfLines),
    Base(ControlKind::GroupBox, "GroupBox3", nullptr, 10, 309, 205, 45, "Background Color", 3),
    Radio("RadioButton2", 125, 58, "White", false, 0),
    Radio("RadioButton1", 32, 55, "Black", true, 1),
    Group("PeriodBox", 10, 251, 206, 49, "Complexity", {"Low", "Middle", "High", nullptr}, 3, 1, 4,
          false),
    Group("SpeedBox", 10, 16, 203, 62, "Spped", {"Slow", "", "", "Fast"}, 4, 2, 5, true),
    Base(ControlKind::GroupBox, "GroupBox1", nullptr, 10, 170, 205, 67, "Width of Lines", 6),
    Label("Label1", "GroupBox1", 24, 6, "1"),
    Label("Label3", "GroupBox1", 184, 12, "10"),
    TrackBar("TBwidth", "GroupBox1", 4, kWidthOfLines),
};

bool Is(const char* a, std::string_view b) {
  return a != nullptr && b == a;
}

const ControlDesign& Design(std::string_view name) {
  for (const ControlDesign& d : kControls) {
    if (name == d.name) return d;
  }
  return kControls.front();  // names below are all in the table
}

}  // namespace

const FormDesign& SetupFormDesign() {
  return kForm;
}

const std::array<ControlDesign, 15>& SetupControlDesigns() {
  return kControls;
}

const ControlDesign* FindControlDesign(const std::string& name) {
  for (const ControlDesign& d : kControls) {
    if (name == d.name) return &d;
  }
  return nullptr;
}

int32_t ScaleToDpi(int32_t pixels, int32_t dpi) {
  const int64_t product = int64_t{pixels} * dpi;
  const int64_t half = 48;
  return static_cast<int32_t>(product >= 0 ? (product + half) / 96 : (product - half) / 96);
}

ControlRect RadioItemRect(int32_t groupWidth, int32_t groupHeight, int32_t itemCount,
                          int32_t columns, int32_t textHeight, int32_t index) {
  if (columns < 1) columns = 1;
  const int32_t perColumn = itemCount < 1 ? 1 : (itemCount + columns - 1) / columns;
  const int32_t itemWidth = (groupWidth - 10) / columns;
  const int32_t inner = groupHeight - textHeight - 5;
  const int32_t itemHeight = inner / perColumn;
  const int32_t topMargin = textHeight + 1 + (inner % perColumn) / 2;
  return ControlRect{(index / perColumn) * itemWidth + 8,
                     (index % perColumn) * itemHeight + topMargin, itemWidth, itemHeight};
}

int32_t LimitItemIndex(int32_t index, int32_t itemCount) {
  if (index < -1) return -1;
  if (index >= itemCount) return itemCount - 1;
  return index;
}

int32_t LimitPosition(int32_t position, int32_t minimum, int32_t maximum) {
  if (position < minimum) return minimum;
  if (position > maximum) return maximum;
  return position;
}

SetupState::SetupState()
    : speed_(Design("SpeedBox").itemIndex),
      period_(Design("PeriodBox").itemIndex),
      number_(Design("TBNumber").position),
      width_(Design("TBwidth").position),
      black_(Design("RadioButton1").checked) {}

void SetupState::SetItemIndex(const char* group, int32_t index) {
  (Is(group, "SpeedBox") ? speed_ : period_) = index;
}

int32_t SetupState::ItemIndex(const char* group) const {
  return Is(group, "SpeedBox") ? speed_ : period_;
}

void SetupState::SetChecked(const char* button) {
  black_ = Is(button, "RadioButton1");
}

bool SetupState::Checked(const char* button) const {
  return Is(button, "RadioButton1") ? black_ : !black_;
}

void SetupState::SetPosition(const char* trackBar, int32_t position) {
  (Is(trackBar, "TBNumber") ? number_ : width_) = position;
}

int32_t SetupState::Position(const char* trackBar) const {
  return Is(trackBar, "TBNumber") ? number_ : width_;
}

const char* ControlOf(SettingId id) {
  constexpr const char* kControls[kSettingCount] = {"SpeedBox", "PeriodBox", "TBNumber",
                                                    "RadioButton1", "TBwidth"};
  return kControls[id];
}

StoreError LoadSetup(SettingsStore& store, SetupControls& controls) {
  SaverSettings read;
  for (SettingId id : kDialogOrder) {
    if (StoreError e = ReadSetting(store, id, kSettings[id].writeName, read)) return e;
    const ControlDesign& d = Design(ControlOf(id));
    if (d.kind == ControlKind::RadioGroup) {
      controls.SetItemIndex(d.name, LimitItemIndex(read.Number(id), d.itemCount));
    } else if (d.kind == ControlKind::TrackBar) {
      controls.SetPosition(d.name, LimitPosition(read.Number(id), d.minimum, d.maximum));
    } else {
      controls.SetChecked(read.BGcolor == kBlackText ? "RadioButton1" : "RadioButton2");
    }
  }
  return std::nullopt;
}

StoreError SaveSetup(SettingsStore& store, const SetupControls& controls) {
  SaverSettings shown;
  for (SettingId id : kDialogOrder) {
    const ControlDesign& d = Design(ControlOf(id));
    if (d.kind == ControlKind::RadioGroup) {
      shown.Number(id) = controls.ItemIndex(d.name);
    } else if (d.kind == ControlKind::TrackBar) {
      shown.Number(id) = controls.Position(d.name);
    } else {
      shown.BGcolor = controls.Checked("RadioButton1") ? kBlackText : kWhiteText;
    }
    if (StoreError e = WriteSetting(store, id, shown)) return e;
  }
  return std::nullopt;
}

}  // namespace vellicord
