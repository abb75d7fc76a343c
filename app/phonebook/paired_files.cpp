#include "app/phonebook/paired_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "base/error_codes.h"
#include "faxdoc/image_file_io.h"
#include "faxdoc/output_file.h"

namespace telvane {
namespace {

std::string ErrnoText(int err) { return ErrorText(ErrnoToCode(err)); }

// Builds `path` complete with `bytes`, with the permissions of `modeOf` when that exists.
std::string Stage(const std::string& path, const std::string& bytes, const std::string& modeOf) {
  const int rc = WriteWholeFile(path, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  if (rc != ecOK) return ErrorText(rc);
  struct stat st;
  if (::stat(modeOf.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::chmod(path.c_str(), st.st_mode & 07777);
  return {};
}

// Keeps the present contents of `path` under `keep`: a hard link where the
// file system allows one, else a copy. `existed` is false for no file.
std::string Keep(const std::string& path, const std::string& keep, bool& existed) {
  existed = true;
  ::unlink(keep.c_str());
  if (::link(path.c_str(), keep.c_str()) == 0) return {};
  if (errno == ENOENT) {
    existed = false;
    return {};
  }
  std::vector<std::uint8_t> bytes;
  int rc = ReadWholeFile(path, bytes, UINT64_MAX);
  if (rc == ecOK) rc = WriteWholeFile(keep, bytes.data(), bytes.size());
  if (rc != ecOK) return ErrorText(rc);
  return {};
}

}  // namespace

std::string ReplaceFilesTogether(const FileContents& first, const FileContents& second) {
  const std::string staged1 = first.path + ".new";
  const std::string staged2 = second.path + ".new";
  const std::string kept1 = first.path + ".old";

  if (std::string why = Stage(staged1, first.bytes, first.path); !why.empty())
    return "Cannot create file \"" + staged1 + "\": " + why;
  if (std::string why = Stage(staged2, second.bytes, second.path); !why.empty()) {
    ::unlink(staged1.c_str());
    return "Cannot create file \"" + staged2 + "\": " + why;
  }
  bool existed = false;
  if (std::string why = Keep(first.path, kept1, existed); !why.empty()) {
    ::unlink(staged1.c_str());
    ::unlink(staged2.c_str());
    return "Cannot keep a copy of \"" + first.path + "\" as \"" + kept1 + "\": " + why;
  }
  if (::rename(staged1.c_str(), first.path.c_str()) != 0) {
    const int err = errno;
    ::unlink(staged1.c_str());
    ::unlink(staged2.c_str());
    ::unlink(kept1.c_str());
    return "Cannot replace file \"" + first.path + "\": " + ErrnoText(err);
  }
  if (::rename(staged2.c_str(), second.path.c_str()) != 0) {
    const int err = errno;
    ::unlink(staged2.c_str());
    std::string text = "Cannot replace file \"" + second.path + "\": " + ErrnoText(err);
    if (existed && ::rename(kept1.c_str(), first.path.c_str()) != 0)
      text += "; and \"" + first.path + "\" could not be put back (its earlier contents are in \"" + kept1 +
              "\"): " + ErrnoText(errno);
    else if (!existed && ::unlink(first.path.c_str()) != 0)
      text += "; and the new \"" + first.path + "\" could not be removed: " + ErrnoText(errno);
    return text;
  }
  ::unlink(kept1.c_str());
  return {};
}

}  // namespace telvane
