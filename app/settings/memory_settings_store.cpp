#include "app/settings/memory_settings_store.h"

namespace telvane {

const settings::Value* MemorySettingsStore::Open(const std::string& key, const std::string& name) {
  ++reads;
  settings::CheckKeyName(key);
  tree_.OpenKey(key);
  return tree_.Find(key, name);
}

std::optional<std::int32_t> MemorySettingsStore::ReadInteger(const std::string& key, const std::string& name) {
  return settings::IntegerOf(Open(key, name), key, name);
}

std::optional<std::string> MemorySettingsStore::ReadString(const std::string& key, const std::string& name) {
  return settings::StringOf(Open(key, name), key, name);
}

bool MemorySettingsStore::ValueExists(const std::string& key, const std::string& name) {
  return Open(key, name) != nullptr;
}

void MemorySettingsStore::Write(const std::string& key, const std::string& name, settings::Value value) {
  ++writes;
  settings::CheckKeyName(key);
  settings::CheckText("The name of a setting", name);
  if (const auto* text = std::get_if<std::string>(&value))
    settings::CheckText("The text of the setting \"" + name + "\"", *text);
  if (failWrites) throw SettingsError("The setting \"" + name + "\" could not be written (writes fail on purpose)");
  tree_.Set(key, name, std::move(value));
}

void MemorySettingsStore::WriteInteger(const std::string& key, const std::string& name, std::int32_t value) {
  Write(key, name, value);
}

void MemorySettingsStore::WriteString(const std::string& key, const std::string& name, const std::string& value) {
  Write(key, name, value);
}

}  // namespace telvane
