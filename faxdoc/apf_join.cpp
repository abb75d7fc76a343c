// The first file's header (page count summed, first page right after the
// header) followed by every page of every file.
#include "faxdoc/apf_join.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

#include "base/error_codes.h"
#include "faxdoc/apf_format.h"
#include "faxdoc/apf_io.h"

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

}  // namespace

int WriteJoinedApf(const std::vector<std::string>& files, int out) {
  // Room for the header; it is written last, with the summed page count.
  const std::vector<std::uint8_t> blank(kApfFileHeaderSize, 0);
  if (int rc = apf::WriteFully(out, blank.data(), blank.size())) return rc;
  ApfFileHeader joined;
  unsigned pages = 0;
  for (std::size_t i = 0; i < files.size(); ++i) {
    ApfFileHeader header;
    if (int rc = AppendPages(files[i], out, header, pages)) return rc;
    if (i == 0) joined = header;
  }
  // The page count is a 16-bit field of the file header.
  if (pages > 0xFFFF) return ecFaxBadFormat;
  joined.PageCount = static_cast<std::uint16_t>(pages);
  joined.FirstPageOffset = kApfFileHeaderSize;
  const auto packed = joined.Pack();
  return apf::WriteFullyAt(out, 0, packed.data(), packed.size());
}

int JoinApfFiles(const std::vector<std::string>& files, const std::string& target) {
  const std::string aside = target + ".joining";
  Fd out{::open(aside.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)};
  if (out.fd < 0) return ErrnoToCode(errno);
  int rc = WriteJoinedApf(files, out.fd);
  if (::close(out.fd) != 0 && rc == 0) rc = ErrnoToCode(errno);
  out.fd = -1;
  if (rc == 0 && std::rename(aside.c_str(), target.c_str()) != 0) rc = ErrnoToCode(errno);
  if (rc != 0) std::remove(aside.c_str());
  return rc;
}

}  // namespace telvane
