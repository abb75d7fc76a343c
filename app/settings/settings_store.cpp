#include "app/settings/settings_store.h"

namespace telvane {

std::optional<bool> ReadBool(ISettingsStore& store, const std::string& key, const std::string& name) {
  const std::optional<std::int32_t> value = store.ReadInteger(key, name);
  if (!value) return std::nullopt;
  return *value != 0;
}

void WriteBool(ISettingsStore& store, const std::string& key, const std::string& name, bool value) {
  store.WriteInteger(key, name, value ? 1 : 0);
}

}  // namespace telvane
