// APF header functions: signature test, file header, page header by number.
#include "faxdoc/apf_file.h"

#include <unistd.h>

#include <algorithm>

#include "faxdoc/apf_io.h"
#include "base/error_codes.h"

namespace telvane {
namespace {

// Closes a descriptor when the function that opened it returns.
class FdCloser {
 public:
  explicit FdCloser(int fd) : fd_(fd) {}
  ~FdCloser() {
    if (fd_ >= 0) ::close(fd_);
  }
  FdCloser(const FdCloser&) = delete;
  FdCloser& operator=(const FdCloser&) = delete;

 private:
  int fd_;
};

}  // namespace

bool IsApfFile(const std::string& fileName) {
  const int fd = apf::OpenForReading(fileName);
  if (fd < 0) return false;
  FdCloser closer(fd);
  uint8_t signature[kApfSignature.size()];
  if (apf::ReadExactly(fd, 0, signature, sizeof signature) != ecOK) return false;
  return std::equal(kApfSignature.begin(), kApfSignature.end(), signature);
}

int GetFaxHeader(const std::string& fileName, ApfFileHeader& header) {
  const int fd = apf::OpenForReading(fileName);
  if (fd < 0) return fd;
  FdCloser closer(fd);
  return apf::ReadFileHeader(fd, header);
}

int GetPageHeader(const std::string& fileName, unsigned pageNumber, ApfPageHeader& header) {
  const int fd = apf::OpenForReading(fileName);
  if (fd < 0) return fd;
  FdCloser closer(fd);
  ApfFileHeader fileHeader;
  if (const int rc = apf::ReadFileHeader(fd, fileHeader); rc != ecOK) return rc;
  if (pageNumber > fileHeader.PageCount) return ecFaxBadFormat;
  if (pageNumber == 0) return ecOK;
  uint64_t dataOffset = 0;
  return apf::FindPage(fd, fileHeader, pageNumber, header, dataOffset);
}

}  // namespace telvane
