#include "app/settings/file_settings_store.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "app/platform/app_paths.h"
#include "app/settings/settings_text.h"
#include "base/error_codes.h"
#include "faxdoc/image_file_io.h"
#include "faxdoc/output_file.h"

namespace telvane {
namespace {

// Far beyond any settings file; a larger file is not one.
constexpr std::uint64_t kMaxFileSize = 16u << 20;

bool Exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

std::string FileSettingsStore::DefaultPath() { return SettingsDir() + "settings.reg"; }

settings::Tree FileSettingsStore::Load() {
  std::vector<std::uint8_t> bytes;
  const int rc = ReadWholeFile(path_, bytes, kMaxFileSize);
  if (rc == ecFileNotFound) return {};
  settings::Tree tree;
  std::string problem;
  if (rc == ecBadGraphicsFormat) {
    problem = "it is larger than " + std::to_string(kMaxFileSize) + " bytes";
  } else if (rc != ecOK) {
    throw SettingsError("Cannot read the settings file " + path_ + ": " + ErrorText(rc));
  } else if (settings::ParseSettings(std::string(bytes.begin(), bytes.end()), tree, problem)) {
    return tree;
  }
  SetAside(problem);
  return {};
}

void FileSettingsStore::SetAside(const std::string& problem) {
  std::string aside = path_ + ".bad";
  for (int n = 1; Exists(aside); ++n) aside = path_ + ".bad-" + std::to_string(n);
  if (::rename(path_.c_str(), aside.c_str()) != 0) {
    const int err = errno;
    throw SettingsError("The settings file " + path_ + " cannot be read (" + problem + ") and could not be moved to " +
                        aside + ": " + ErrorText(ErrnoToCode(err)));
  }
  const std::string message = "The settings file " + path_ + " could not be read (" + problem +
                              "). It has been moved to " + aside + " and the settings start again from their defaults.";
  if (onSetAside)
    onSetAside(message);
  else
    std::fprintf(stderr, "telvane: %s\n", message.c_str());
}

std::optional<std::int32_t> FileSettingsStore::ReadInteger(const std::string& key, const std::string& name) {
  settings::CheckKeyName(key);
  const settings::Tree tree = Load();
  return settings::IntegerOf(tree.Find(key, name), key, name);
}

std::optional<std::string> FileSettingsStore::ReadString(const std::string& key, const std::string& name) {
  settings::CheckKeyName(key);
  const settings::Tree tree = Load();
  return settings::StringOf(tree.Find(key, name), key, name);
}

bool FileSettingsStore::ValueExists(const std::string& key, const std::string& name) {
  settings::CheckKeyName(key);
  return Load().Find(key, name) != nullptr;
}

void FileSettingsStore::Write(const std::string& key, const std::string& name, settings::Value value) {
  settings::CheckKeyName(key);
  settings::CheckText("The name of a setting", name);
  if (const auto* text = std::get_if<std::string>(&value))
    settings::CheckText("The text of the setting \"" + name + "\"", *text);
  settings::Tree tree = Load();
  tree.Set(key, name, std::move(value));
  const std::string text = settings::FormatSettings(tree);

  const std::string folder = std::filesystem::path(path_).parent_path().string();
  if (!folder.empty() && !MakeFolder(folder))
    throw SettingsError("Cannot write the settings file " + path_ + ": the folder " + folder + " cannot be made");
  OutputFile out;
  int rc = out.Create(path_);
  if (rc == ecOK) rc = out.Write(text.data(), text.size());
  if (rc == ecOK) rc = out.Commit();
  if (rc != ecOK) throw SettingsError("Cannot write the settings file " + path_ + ": " + ErrorText(rc));
}

void FileSettingsStore::WriteInteger(const std::string& key, const std::string& name, std::int32_t value) {
  Write(key, name, value);
}

void FileSettingsStore::WriteString(const std::string& key, const std::string& name, const std::string& value) {
  Write(key, name, value);
}

}  // namespace telvane
