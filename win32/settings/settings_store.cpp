// The settings store over the registry seam: section opened per call, text values, number parsing.
#include "win32/settings/settings_store.h"

#include <vector>

#include "common/number_text.h"

namespace vellicord {

namespace {

// Re-reads allowed when the value keeps growing between the size query and the read.
constexpr int kReadAttempts = 4;
// No setting comes anywhere near this; a larger claim is treated as an unreadable value rather
// than an allocation of gigabytes.
constexpr uint32_t kMaxValueBytes = 64u << 20;

std::string Quoted(const char* name) {
  return std::string("'") + name + "'";
}

std::string TypeError(const char* name) {
  return Quoted(name) + " のデータ型が不正です";
}
std::string ReadError(const char* name) {
  return Quoted(name) + " の取得に失敗しました";
}
std::string SetError(const char* name) {
  return Quoted(name) + " の設定に失敗しました";
}
std::string CreateError(const char* section) {
  return std::string("キー ") + section + " の作成に失敗しました";
}

bool IsText(uint32_t type) {
  return type == kRegSz || type == kRegExpandSz;
}

// Closes a section subkey on every way out of a read or write.
class SectionKey {
 public:
  SectionKey(Registry& registry, RegKey key) : registry_(registry), key_(key) {}
  ~SectionKey() { registry_.CloseKey(key_); }
  SectionKey(const SectionKey&) = delete;
  SectionKey& operator=(const SectionKey&) = delete;
  RegKey get() const { return key_; }

 private:
  Registry& registry_;
  RegKey key_;
};

}  // namespace

std::optional<int32_t> ParseSettingNumber(const std::string& text) {
  return ParseNumberText(std::string_view(text), HexRange::Signed);
}

SettingsStore::SettingsStore(Registry& registry, const char* name) : registry_(registry) {
  // Whether the store key could be created is deliberately not looked at: with no key the reads
  // give their defaults and the writes report the failed creation of the section.
  RegKey key = 0;
  if (registry_.CreateKey(kCurrentUser, name, &key) == kRegOk) key_ = key;
}

SettingsStore::~SettingsStore() {
  if (key_ != 0) registry_.CloseKey(key_);
}

StoreError SettingsStore::ReadText(const char* section, const char* name, bool& found,
                                   std::string& text) {
  found = false;
  RegKey sub = 0;
  if (registry_.OpenKey(key_, section, &sub) != kRegOk) return std::nullopt;
  SectionKey guard(registry_, sub);

  uint32_t type = 0;
  uint32_t size = 0;
  if (registry_.QueryValue(sub, name, &type, nullptr, &size) != kRegOk) return std::nullopt;
  found = true;
  text.clear();
  if (size == 0) return std::nullopt;
  if (!IsText(type)) return TypeError(name);

  std::vector<uint8_t> data;
  for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
    if (size > kMaxValueBytes) return ReadError(name);
    // One spare zero byte past what the host may fill, so the data is terminated either way.
    data.assign(size_t{size} + 1, 0);
    uint32_t got = size;
    const RegStatus status = registry_.QueryValue(sub, name, &type, data.data(), &got);
    if (status == kRegMoreData) {
      size = got;
      continue;
    }
    if (status != kRegOk) return ReadError(name);
    if (got == 0) return std::nullopt;
    if (!IsText(type)) return TypeError(name);
    const size_t length = got < size ? got : size;
    size_t end = 0;
    while (end < length && data[end] != 0) ++end;
    text.assign(reinterpret_cast<const char*>(data.data()), end);
    return std::nullopt;
  }
  return ReadError(name);
}

StoreError SettingsStore::ReadInteger(const char* section, const char* name, int32_t fallback,
                                      int32_t& value) {
  bool found = false;
  std::string text;
  if (StoreError error = ReadText(section, name, found, text)) return error;
  value = found ? ParseSettingNumber(text).value_or(fallback) : fallback;
  return std::nullopt;
}

StoreError SettingsStore::ReadString(const char* section, const char* name,
                                     const std::string& fallback, std::string& value) {
  bool found = false;
  std::string text;
  if (StoreError error = ReadText(section, name, found, text)) return error;
  value = found ? text : fallback;
  return std::nullopt;
}

StoreError SettingsStore::WriteInteger(const char* section, const char* name, int32_t value) {
  return WriteString(section, name, std::to_string(value));
}

StoreError SettingsStore::WriteString(const char* section, const char* name,
                                      const std::string& value) {
  RegKey created = 0;
  if (registry_.CreateKey(key_, section, &created) != kRegOk) return CreateError(section);
  registry_.CloseKey(created);

  RegKey sub = 0;
  if (registry_.OpenKey(key_, section, &sub) != kRegOk) return std::nullopt;
  SectionKey guard(registry_, sub);
  // std::string keeps a zero after its characters: that zero is part of the stored data.
  const RegStatus status =
      registry_.SetValue(sub, name, kRegSz, reinterpret_cast<const uint8_t*>(value.c_str()),
                         static_cast<uint32_t>(value.size() + 1));
  if (status != kRegOk) return SetError(name);
  return std::nullopt;
}

StoreError ReadSetting(SettingsStore& store, SettingId id, const char* name,
                       SaverSettings& settings) {
  const SavedSetting& saved = kSettings[id];
  if (saved.kind == SettingKind::Text) {
    return store.ReadString(kSection, name, saved.defaultText, settings.BGcolor);
  }
  return store.ReadInteger(kSection, name, saved.defaultNumber, settings.Number(id));
}

StoreError WriteSetting(SettingsStore& store, SettingId id, const SaverSettings& settings) {
  const SavedSetting& saved = kSettings[id];
  if (saved.kind == SettingKind::Text) {
    return store.WriteString(kSection, saved.writeName, settings.BGcolor);
  }
  return store.WriteInteger(kSection, saved.writeName, settings.Number(id));
}

StoreError ReadSaverSettings(SettingsStore& store, SaverSettings& settings,
                             const std::function<void(SettingId)>& afterRead) {
  for (SettingId id : kSaverOrder) {
    if (StoreError e = ReadSetting(store, id, kSettings[id].readName, settings)) return e;
    if (afterRead) afterRead(id);
  }
  return std::nullopt;
}

}  // namespace vellicord
