#include "fuzz/support/fuzz_files.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace telvane::fuzz {
namespace {

namespace fs = std::filesystem;

class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (fs::temp_directory_path() / "telvane-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
      std::perror("mkdtemp");
      std::abort();
    }
    path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& Path() const { return path_; }
  void Empty() {
    for (const auto& entry : fs::directory_iterator(path_)) fs::remove_all(entry.path());
  }

 private:
  fs::path path_;
};

ScratchFolder& Folder() {
  static ScratchFolder folder;
  return folder;
}

}  // namespace

std::string WriteScratchFile(const char* name, const uint8_t* data, size_t size) {
  Folder().Empty();
  const fs::path path = Folder().Path() / name;
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!out) std::abort();
  return path.string();
}

std::string ScratchPath(const char* name) { return (Folder().Path() / name).string(); }

bool ScratchFileExists(const char* name) { return fs::exists(Folder().Path() / name); }

}  // namespace telvane::fuzz
