// A settings store held in memory only, with the matching rules of the file
// store: for tests of the windows that read and write settings. Tests can
// make every write fail and count the accesses.
#pragma once

#include "app/settings/settings_store.h"
#include "app/settings/settings_tree.h"

namespace telvane {

class MemorySettingsStore : public ISettingsStore {
 public:
  std::optional<std::int32_t> ReadInteger(const std::string& key, const std::string& name) override;
  std::optional<std::string> ReadString(const std::string& key, const std::string& name) override;
  void WriteInteger(const std::string& key, const std::string& name, std::int32_t value) override;
  void WriteString(const std::string& key, const std::string& name, const std::string& value) override;
  bool ValueExists(const std::string& key, const std::string& name) override;

  // True once any access has opened the key (accesses create it).
  bool KeyExists(const std::string& key) const { return tree_.FindKey(key) != nullptr; }

  // Writes throw SettingsError and change nothing while this is set.
  bool failWrites = false;
  // Calls made so far: ReadInteger, ReadString and ValueExists count as
  // reads; WriteInteger and WriteString as writes, failed ones included.
  int reads = 0;
  int writes = 0;

 private:
  const settings::Value* Open(const std::string& key, const std::string& name);
  void Write(const std::string& key, const std::string& name, settings::Value value);

  settings::Tree tree_;
};

}  // namespace telvane
