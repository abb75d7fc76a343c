// The program's settings: typed values (32-bit integers and UTF-8 texts)
// under named keys, in the manner of a registry. Keys such as
// "software\Kestrel\Fax" are plain text (the backslashes belong to the name);
// key and value names match without regard to ASCII letter case, and a write
// keeps the spelling of a name that already exists.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

namespace telvane {

class SettingsError : public std::runtime_error {
  using runtime_error::runtime_error;
};

class ISettingsStore {
 public:
  virtual ~ISettingsStore() = default;
  // Each call is one complete access: open (creating the key when absent), read or write one value, close.
  // nullopt when the value is absent; SettingsError when it exists with the other type or the store cannot be read.
  virtual std::optional<std::int32_t> ReadInteger(const std::string& key, const std::string& name) = 0;
  virtual std::optional<std::string> ReadString(const std::string& key, const std::string& name) = 0;  // UTF-8
  // SettingsError when the write fails; the stored state is then as before.
  // Writing a value that exists with the other type replaces it.
  virtual void WriteInteger(const std::string& key, const std::string& name, std::int32_t value) = 0;
  virtual void WriteString(const std::string& key, const std::string& name, const std::string& value) = 0;
  virtual bool ValueExists(const std::string& key, const std::string& name) = 0;
};

// Booleans are the integers 0 and 1; any non-zero integer reads as true.
std::optional<bool> ReadBool(ISettingsStore& store, const std::string& key, const std::string& name);
void WriteBool(ISettingsStore& store, const std::string& key, const std::string& name, bool value);

}  // namespace telvane
