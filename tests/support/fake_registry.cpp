// The fake registry: a key tree in memory with the host's query protocol and name matching.
#include "tests/support/fake_registry.h"

#include <algorithm>

namespace vellicord {

namespace {

constexpr RegStatus kInvalidHandle = 6;

std::string Lower(const std::string& s) {
  std::string out = s;
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

const RegStatus* Injected(const std::map<std::string, RegStatus>& table, const std::string& name) {
  for (const auto& [key, status] : table) {
    if (Lower(key) == Lower(name)) return &status;
  }
  return nullptr;
}

}  // namespace

std::vector<uint8_t> TextBytes(const std::string& text) {
  std::vector<uint8_t> bytes(text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

FakeRegistry::Key* FakeRegistry::Walk(const std::vector<std::string>& path, bool create) {
  Key* key = &root_;
  for (const std::string& name : path) {
    auto it = key->keys.find(Lower(name));
    if (it == key->keys.end()) {
      if (!create) return nullptr;
      it = key->keys.emplace(Lower(name), Key{}).first;
    }
    key = &it->second;
  }
  return key;
}

const FakeRegistry::Key* FakeRegistry::Walk(const std::vector<std::string>& path) const {
  const Key* key = &root_;
  for (const std::string& name : path) {
    auto it = key->keys.find(Lower(name));
    if (it == key->keys.end()) return nullptr;
    key = &it->second;
  }
  return key;
}

FakeRegistry::Key* FakeRegistry::Resolve(RegKey key) {
  if (key == kCurrentUser) return &root_;
  auto it = handles_.find(key);
  return it == handles_.end() ? nullptr : Walk(it->second, false);
}

std::string FakeRegistry::HandleName(RegKey key) const {
  return key == kCurrentUser ? "root" : "k" + std::to_string(key);
}

RegStatus FakeRegistry::Open(RegKey parent, const char* subkey, RegKey* out, bool create) {
  const std::string line =
      std::string(create ? "create " : "open ") + HandleName(parent) + " " + subkey;
  *out = 0;
  RegStatus status = kRegOk;
  std::vector<std::string> path;
  if (parent == kCurrentUser) {
    path = {};
  } else if (auto it = handles_.find(parent); it != handles_.end()) {
    path = it->second;
  } else {
    status = kInvalidHandle;
  }
  if (status == kRegOk) {
    if (const RegStatus* injected = Injected(create ? failCreate : failOpen, subkey)) {
      status = *injected;
    }
  }
  if (status == kRegOk) {
    path.push_back(Lower(subkey));
    if (Walk(path, create) == nullptr) {
      status = kRegNotFound;
    } else {
      *out = ++next_;
      handles_[*out] = path;
    }
  }
  log.push_back(
      line + (status == kRegOk ? " -> " + HandleName(*out) : " failed " + std::to_string(status)));
  return status;
}

RegStatus FakeRegistry::CreateKey(RegKey parent, const char* subkey, RegKey* out) {
  return Open(parent, subkey, out, true);
}

RegStatus FakeRegistry::OpenKey(RegKey parent, const char* subkey, RegKey* out) {
  return Open(parent, subkey, out, false);
}

RegStatus FakeRegistry::QueryValue(RegKey key, const char* name, uint32_t* type, uint8_t* data,
                                   uint32_t* size) {
  log.push_back("query " + HandleName(key) + " " + name + (data ? " data" : " size"));
  if (data && beforeDataQuery) beforeDataQuery();
  Key* k = Resolve(key);
  if (k == nullptr) return kInvalidHandle;
  auto it = k->values.find(Lower(name));
  if (it == k->values.end()) return kRegNotFound;
  const Value& value = it->second;
  const auto needed = static_cast<uint32_t>(value.data.size());
  *type = value.type;
  if (data == nullptr) {
    *size = needed;
    return kRegOk;
  }
  if (*size < needed) {
    *size = needed;
    return kRegMoreData;
  }
  std::copy(value.data.begin(), value.data.end(), data);
  *size = needed;
  return kRegOk;
}

RegStatus FakeRegistry::SetValue(RegKey key, const char* name, uint32_t type, const uint8_t* data,
                                 uint32_t size) {
  log.push_back("set " + HandleName(key) + " " + name + " " + std::to_string(type) + " " +
                std::to_string(size));
  Key* k = Resolve(key);
  if (k == nullptr) return kInvalidHandle;
  if (const RegStatus* injected = Injected(failSet, name)) return *injected;
  Value& value = k->values[Lower(name)];
  if (value.name.empty()) value.name = name;
  value.type = type;
  value.data.assign(data, data + size);
  return kRegOk;
}

RegStatus FakeRegistry::CloseKey(RegKey key) {
  log.push_back("close " + HandleName(key));
  return handles_.erase(key) == 1 ? kRegOk : kInvalidHandle;
}

void FakeRegistry::Put(const std::vector<std::string>& path, const std::string& name, uint32_t type,
                       std::vector<uint8_t> data) {
  Value& value = Walk(path, true)->values[Lower(name)];
  value.name = name;
  value.type = type;
  value.data = std::move(data);
}

void FakeRegistry::PutText(const std::vector<std::string>& path, const std::string& name,
                           const std::string& text) {
  Put(path, name, kRegSz, TextBytes(text));
}

void FakeRegistry::Remove(const std::vector<std::string>& path, const std::string& name) {
  if (Key* key = Walk(path, false)) key->values.erase(Lower(name));
}

const FakeRegistry::Value* FakeRegistry::Find(const std::vector<std::string>& path,
                                              const std::string& name) const {
  const Key* key = Walk(path);
  if (key == nullptr) return nullptr;
  auto it = key->values.find(Lower(name));
  return it == key->values.end() ? nullptr : &it->second;
}

bool FakeRegistry::KeyExists(const std::vector<std::string>& path) const {
  return Walk(path) != nullptr;
}

}  // namespace vellicord
