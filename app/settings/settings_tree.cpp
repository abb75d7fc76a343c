#include "app/settings/settings_tree.h"

#include <algorithm>

#include "app/settings/settings_store.h"

namespace telvane::settings {
namespace {

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

template <typename List>
auto FindNamed(List& list, const std::string& name) {
  return std::find_if(list.begin(), list.end(), [&](const auto& item) { return SameName(item.name, name); });
}

}  // namespace

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  return true;
}

const Key* Tree::FindKey(const std::string& key) const {
  const auto it = FindNamed(keys_, key);
  return it == keys_.end() ? nullptr : &*it;
}

Key& Tree::OpenKey(const std::string& key) {
  const auto it = FindNamed(keys_, key);
  if (it != keys_.end()) return *it;
  keys_.push_back(Key{key, {}});
  return keys_.back();
}

const Value* Tree::Find(const std::string& key, const std::string& name) const {
  const Key* k = FindKey(key);
  if (!k) return nullptr;
  const auto it = FindNamed(k->values, name);
  return it == k->values.end() ? nullptr : &it->value;
}

void Tree::Set(const std::string& key, const std::string& name, Value value) {
  Key& k = OpenKey(key);
  const auto it = FindNamed(k.values, name);
  if (it != k.values.end())
    it->value = std::move(value);
  else
    k.values.push_back(NamedValue{name, std::move(value)});
}

bool IsValidUtf8(const std::string& text) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    const unsigned char c = s[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    size_t length;
    std::uint32_t cp;
    if (c >= 0xC2 && c <= 0xDF) {
      length = 2;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (i + length > n) return false;
    for (size_t k = 1; k < length; ++k) {
      if ((s[i + k] & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    // Overlong forms, surrogates and code points beyond U+10FFFF.
    if ((length == 3 && cp < 0x800) || (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += length;
  }
  return true;
}

void CheckKeyName(const std::string& key) {
  if (key.empty()) throw SettingsError("A settings key needs a name");
  if (std::any_of(key.begin(), key.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }))
    throw SettingsError("The settings key name \"" + key + "\" holds a control character");
  CheckText("The settings key name", key);
}

void CheckText(const std::string& what, const std::string& text) {
  if (!IsValidUtf8(text)) throw SettingsError(what + " is not valid UTF-8 text");
}

std::optional<std::int32_t> IntegerOf(const Value* value, const std::string& key, const std::string& name) {
  if (!value) return std::nullopt;
  if (const auto* i = std::get_if<std::int32_t>(value)) return *i;
  throw SettingsError("The setting \"" + name + "\" under \"" + key + "\" is a text, not an integer");
}

std::optional<std::string> StringOf(const Value* value, const std::string& key, const std::string& name) {
  if (!value) return std::nullopt;
  if (const auto* s = std::get_if<std::string>(value)) return *s;
  throw SettingsError("The setting \"" + name + "\" under \"" + key + "\" is an integer, not a text");
}

}  // namespace telvane::settings
