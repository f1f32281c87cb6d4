// The setup dialog's design as data, and how its controls load from and save to the store.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "win32/settings/settings_store.h"

namespace vellicord {

enum class ControlKind { PushButton, GroupBox, Label, RadioButton, RadioGroup, TrackBar };

inline constexpr int32_t kNoTabOrder = -1;
inline constexpr size_t kMaxItems = 4;

// One control of the form as designed at 96 pixels per inch. Texts are UTF-8; a null parent
// is the dialog itself.
struct ControlDesign {
  ControlKind kind;
  const char* name;
  const char* parent;
  int32_t left, top, width, height;
  const char* caption;
  std::array<const char*, kMaxItems> items;
  int32_t itemCount;
  int32_t columns;
  int32_t tabOrder;
  int32_t itemIndex;                   // radio group: the item selected at design time, -1 none
  bool checked;                        // radio button
  bool tabStop;                        // radio button: a tab stop even when not checked
  int32_t modalResult;                 // push button: 1 OK, 2 cancel, 0 none
  bool isDefault;                      // push button answering Enter
  bool isCancel;                       // push button answering Esc
  int32_t minimum, maximum, position;  // track bar
  int32_t lineSize, pageSize, thumbLength;
  bool leftToRight;  // reads left to right whatever the dialog's own reading order
};

struct FormDesign {
  const char* caption;
  int32_t clientWidth, clientHeight;
  const char* fontName;
  int32_t fontHeight;  // negative: character height in pixels, as the host's font calls take it
  int32_t textHeight;
  int32_t pixelsPerInch;
  bool shiftJisCharset;
};

struct ControlRect {
  int32_t left, top, width, height;
  bool operator==(const ControlRect& o) const {
    return left == o.left && top == o.top && width == o.width && height == o.height;
  }
};

const FormDesign& SetupFormDesign();
// Every control, in the order the form lists them.
const std::array<ControlDesign, 15>& SetupControlDesigns();
// The design of the named control, or null.
const ControlDesign* FindControlDesign(const std::string& name);

// A design length at another resolution, rounded as the host's MulDiv rounds.
int32_t ScaleToDpi(int32_t pixels, int32_t dpi);

// Where item `index` of a radio group sits inside the group, for a group of the given size and
// a font of the given text height: columns side by side across the box, items filling each
// column from the top, below the caption.
ControlRect RadioItemRect(int32_t groupWidth, int32_t groupHeight, int32_t itemCount,
                          int32_t columns, int32_t textHeight, int32_t index);

// What loading and saving need of the controls, whatever provides them.
class SetupControls {
 public:
  virtual ~SetupControls() = default;
  virtual void SetItemIndex(const char* group, int32_t index) = 0;
  virtual int32_t ItemIndex(const char* group) const = 0;  // -1 when nothing is selected
  virtual void SetChecked(const char* button) = 0;         // unchecks its siblings
  virtual bool Checked(const char* button) const = 0;
  virtual void SetPosition(const char* trackBar, int32_t position) = 0;
  virtual int32_t Position(const char* trackBar) const = 0;
};

// The controls' values before any window exists: the design's initial values, then whatever
// FormCreate loads. Values are held as the controls would hold them (already limited).
class SetupState : public SetupControls {
 public:
  SetupState();
  void SetItemIndex(const char* group, int32_t index) override;
  int32_t ItemIndex(const char* group) const override;
  void SetChecked(const char* button) override;
  bool Checked(const char* button) const override;
  void SetPosition(const char* trackBar, int32_t position) override;
  int32_t Position(const char* trackBar) const override;

 private:
  int32_t speed_, period_, number_, width_;
  bool black_;
};

// A radio group takes any index: below -1 it selects nothing, at or past the end the last item.
int32_t LimitItemIndex(int32_t index, int32_t itemCount);
// A track bar keeps its position inside its range.
int32_t LimitPosition(int32_t position, int32_t minimum, int32_t maximum);

// The control that shows a setting: a radio group, a track bar, or the "Black" radio button.
const char* ControlOf(SettingId id);

// FormCreate's reads, in order, into the controls; stops at the first failing read and leaves
// the controls after it as they were.
StoreError LoadSetup(SettingsStore& store, SetupControls& controls);
// OKBtnClick's writes, in order; stops at the first failing write.
StoreError SaveSetup(SettingsStore& store, const SetupControls& controls);

}  // namespace vellicord
