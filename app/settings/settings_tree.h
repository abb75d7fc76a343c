// The contents of a settings store held in memory: keys in the order they
// were made, each with its values in the order they were made. Shared by the
// in-memory store and the file store (which reads the file into a tree,
// changes it and writes it out again).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace telvane::settings {

using Value = std::variant<std::int32_t, std::string>;

struct NamedValue {
  std::string name;
  Value value;
};

struct Key {
  std::string name;
  std::vector<NamedValue> values;
};

// True when `a` and `b` are equal once ASCII letters are folded to one case;
// other bytes (UTF-8 sequences included) must match exactly.
bool SameName(const std::string& a, const std::string& b);

class Tree {
 public:
  const std::vector<Key>& Keys() const { return keys_; }
  const Key* FindKey(const std::string& key) const;
  // The key, made (with this spelling) when there is none.
  Key& OpenKey(const std::string& key);
  const Value* Find(const std::string& key, const std::string& name) const;
  // Sets the value, keeping the spelling of an existing key and value name.
  void Set(const std::string& key, const std::string& name, Value value);

 private:
  std::vector<Key> keys_;
};

// Key names must be non-empty and free of control characters, because they
// stand on a line of their own in the settings file; value names and texts
// must be valid UTF-8. SettingsError names the problem.
void CheckKeyName(const std::string& key);
void CheckText(const std::string& what, const std::string& text);
bool IsValidUtf8(const std::string& text);

// The value as an integer or a text: nullopt for no value, SettingsError
// naming key and value when it has the other type.
std::optional<std::int32_t> IntegerOf(const Value* value, const std::string& key, const std::string& name);
std::optional<std::string> StringOf(const Value* value, const std::string& key, const std::string& name);

}  // namespace telvane::settings
