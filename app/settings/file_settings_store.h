// The settings store of the desktop program: one text file (see
// settings_text.h) that a person can read and edit. Nothing is kept between
// calls: every read parses the file afresh, so that changes made by another
// process or by hand are seen at once, and every write reads the file,
// changes one value and replaces the whole file atomically (built beside it,
// renamed over it), making the folder when it is missing. A missing file
// reads as empty. Reads never write: a key comes into the file with its
// first value.
//
// A file that cannot be parsed is never overwritten: it is renamed to
// "<path>.bad" (or "<path>.bad-N" when that exists), `onSetAside` gets a
// message naming both paths, the store reads as empty and the next write
// starts a fresh file.
#pragma once

#include <functional>
#include <string>

#include "app/settings/settings_store.h"
#include "app/settings/settings_tree.h"

namespace telvane {

class FileSettingsStore : public ISettingsStore {
 public:
  explicit FileSettingsStore(std::string path) : path_(std::move(path)) {}

  // SettingsDir() + "settings.reg".
  static std::string DefaultPath();
  const std::string& Path() const { return path_; }

  std::optional<std::int32_t> ReadInteger(const std::string& key, const std::string& name) override;
  std::optional<std::string> ReadString(const std::string& key, const std::string& name) override;
  void WriteInteger(const std::string& key, const std::string& name, std::int32_t value) override;
  void WriteString(const std::string& key, const std::string& name, const std::string& value) override;
  bool ValueExists(const std::string& key, const std::string& name) override;

  // Told when an unreadable file has been set aside (UTF-8 message naming the
  // file and where it went). Without a handler the message goes to stderr.
  std::function<void(const std::string&)> onSetAside;

 private:
  // The file's contents now; SettingsError when it cannot be read.
  settings::Tree Load();
  void Write(const std::string& key, const std::string& name, settings::Value value);
  void SetAside(const std::string& problem);

  std::string path_;
};

}  // namespace telvane
