// Joins APF files page by page: the first file's header (page count summed,
// first page right after the header) followed by every page of every file.
#include "comm/components/merge_apf.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "faxdoc/apf_format.h"
#include "faxdoc/apf_io.h"
#include "base/error_codes.h"
#include "base/exceptions.h"

namespace telvane {
namespace {

// Closes a descriptor when it goes out of scope.
struct Fd {
  int fd = -1;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

// A short file or one whose page chain runs past its end is no usable APF file.
int AsFormatError(int rc) { return rc == ecReadBeyondEof ? ecFaxBadFormat : rc; }

// Appends every page of `fileName` (header and data) to `out`; adds its page
// count to `pages` and gives its file header in `header`.
int AppendPages(const std::string& fileName, int out, ApfFileHeader& header, unsigned& pages) {
  Fd in{apf::OpenForReading(fileName)};
  if (in.fd < 0) return in.fd;
  if (int rc = apf::ReadFileHeader(in.fd, header)) return AsFormatError(rc);
  std::vector<std::uint8_t> buf;
  std::uint64_t offset = header.FirstPageOffset;
  for (unsigned p = 1; p <= header.PageCount; ++p) {
    std::uint8_t bytes[kApfPageHeaderSize];
    if (int rc = apf::ReadExactly(in.fd, offset, bytes, sizeof bytes)) return AsFormatError(rc);
    const ApfPageHeader page = ApfPageHeader::Unpack(bytes);
    const std::size_t length = kApfPageHeaderSize + page.DataLength;
    buf.resize(length);
    if (int rc = apf::ReadExactly(in.fd, offset, buf.data(), length)) return AsFormatError(rc);
    if (int rc = apf::WriteFully(out, buf.data(), length)) return rc;
    offset += length;
  }
  pages += header.PageCount;
  return ecOK;
}

int WriteMerged(const std::vector<std::string>& files, int out) {
  // Room for the header; it is written last, with the summed page count.
  const std::vector<std::uint8_t> blank(kApfFileHeaderSize, 0);
  if (int rc = apf::WriteFully(out, blank.data(), blank.size())) return rc;
  ApfFileHeader merged;
  unsigned pages = 0;
  for (std::size_t i = 0; i < files.size(); ++i) {
    ApfFileHeader header;
    if (int rc = AppendPages(files[i], out, header, pages)) return rc;
    if (i == 0) merged = header;
  }
  // The page count is a 16-bit field of the file header.
  if (pages > 0xFFFF) return ecFaxBadFormat;
  merged.PageCount = static_cast<std::uint16_t>(pages);
  merged.FirstPageOffset = kApfFileHeaderSize;
  const auto packed = merged.Pack();
  return apf::WriteFullyAt(out, 0, packed.data(), packed.size());
}

}  // namespace

std::string TempFolder() {
  std::error_code ec;
  std::filesystem::path dir = std::filesystem::temp_directory_path(ec);
  return ec ? std::string("/tmp") : dir.string();
}

std::string MergeApfFiles(const std::vector<std::string>& files, const std::string& tempDir) {
  std::string name = (std::filesystem::path(tempDir) / "~APXXXXXX").string();
  Fd out{::mkstemp(name.data())};
  if (out.fd < 0) RaiseError(ErrnoToCode(errno));
  int rc = WriteMerged(files, out.fd);
  ::close(out.fd);
  out.fd = -1;
  if (rc != ecOK) {
    ::unlink(name.c_str());
    RaiseError(rc);
  }
  return name;
}

}  // namespace telvane
