// An in-memory registry that behaves like the host's, with failure injection and a call log.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "win32/registry.h"

namespace vellicord {

class FakeRegistry : public Registry {
 public:
  struct Value {
    std::string name;  // as first written; lookups ignore ASCII case
    uint32_t type = kRegNone;
    std::vector<uint8_t> data;
  };

  RegStatus CreateKey(RegKey parent, const char* subkey, RegKey* out) override;
  RegStatus OpenKey(RegKey parent, const char* subkey, RegKey* out) override;
  RegStatus QueryValue(RegKey key, const char* name, uint32_t* type, uint8_t* data,
                       uint32_t* size) override;
  RegStatus SetValue(RegKey key, const char* name, uint32_t type, const uint8_t* data,
                     uint32_t size) override;
  RegStatus CloseKey(RegKey key) override;

  // Direct access for tests, by a path of key names below the per-user root.
  void Put(const std::vector<std::string>& path, const std::string& name, uint32_t type,
           std::vector<uint8_t> data);
  void PutText(const std::vector<std::string>& path, const std::string& name,
               const std::string& text);  // REG_SZ, text and its zero
  void Remove(const std::vector<std::string>& path, const std::string& name);
  const Value* Find(const std::vector<std::string>& path, const std::string& name) const;
  bool KeyExists(const std::vector<std::string>& path) const;
  size_t OpenHandles() const { return handles_.size(); }

  // Failure injection by key or value name (any case): the call returns the status given.
  std::map<std::string, RegStatus> failCreate, failOpen, failSet;
  // Runs just before a query that carries a data buffer: the moment to change the value.
  std::function<void()> beforeDataQuery;

  // One line per call, e.g. "create root Vellicord2 -> k1", "query k2 Speed size",
  // "query k2 Speed data", "set k2 Speed 1 2", "close k2".
  std::vector<std::string> log;

 private:
  struct Key {
    std::map<std::string, Key> keys;      // by lower-case name
    std::map<std::string, Value> values;  // by lower-case name
  };
  Key* Walk(const std::vector<std::string>& path, bool create);
  const Key* Walk(const std::vector<std::string>& path) const;
  Key* Resolve(RegKey key);
  std::string HandleName(RegKey key) const;
  RegStatus Open(RegKey parent, const char* subkey, RegKey* out, bool create);

  Key root_;
  std::map<RegKey, std::vector<std::string>> handles_;  // open handle -> lower-case path
  RegKey next_ = 1;
};

// The bytes of a text and its terminating zero, as the store writes them.
std::vector<uint8_t> TextBytes(const std::string& text);

}  // namespace vellicord
