// The APF file of a received fax, kept valid after every good page.
#include "comm/fax/received_fax_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <iterator>

#include "faxdoc/apf_io.h"
#include "faxdoc/t4_encoder.h"
#include "faxdoc/t4_mr_page.h"
#include "base/error_codes.h"

namespace telvane {

ReceivedFaxFile::~ReceivedFaxFile() { Close(); }

int ReceivedFaxFile::Create(const std::string& fileName, const std::string& remoteId, std::time_t now) {
  Close();
  if (fileName.empty()) return ecNoFilename;
  int fd = ::open(fileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return ErrnoToCode(errno);
  fd_ = fd;
  name_ = fileName;
  header_ = ApfFileHeader{};
  header_.Signature = kApfSignature;
  std::tm local{};
  localtime_r(&now, &local);
  header_.CreatedAt = PackDosDateTime(local);
  header_.SetStationId(remoteId);
  header_.FirstPageOffset = kApfFileHeaderSize;
  auto bytes = header_.Pack();
  if (int rc = apf::WriteFullyAt(fd_, 0, bytes.data(), bytes.size())) {
    Close();
    return rc;
  }
  end_ = kApfFileHeaderSize;
  return ecOK;
}

int ReceivedFaxFile::BeginPage(bool fine, bool wide, bool twoDim) {
  if (fd_ < 0) return ecNoFilename;
  if (pageOpen_)
    if (int rc = DiscardPage()) return rc;
  pageStart_ = end_;
  page_ = ApfPageHeader{};
  // Stream form: the data are kept exactly as the modem delivered them.
  page_.PageFlags = static_cast<std::uint16_t>((fine ? pfHighRes : 0) | (wide ? pfWide : 0));
  pageBytes_ = 0;
  buf_.clear();
  twoDim_ = twoDim;
  twoDimData_.clear();
  auto bytes = page_.Pack();  // zero length until the page is judged good
  if (int rc = apf::WriteFullyAt(fd_, pageStart_, bytes.data(), bytes.size())) return rc;
  pageOpen_ = true;
  return ecOK;
}

int ReceivedFaxFile::FlushBuffer() {
  if (buf_.empty()) return ecOK;
  int rc = apf::WriteFullyAt(fd_, pageStart_ + kApfPageHeaderSize + pageBytes_, buf_.data(), buf_.size());
  if (rc != ecOK) return rc;
  pageBytes_ += static_cast<std::uint32_t>(buf_.size());
  buf_.clear();
  return ecOK;
}

int ReceivedFaxFile::Write(const std::uint8_t* data, std::size_t n) {
  if (!pageOpen_) return ecNoFilename;
  if (twoDim_) {
    twoDimData_.insert(twoDimData_.end(), data, data + n);
    return ecOK;
  }
  buf_.insert(buf_.end(), data, data + n);
  if (buf_.size() >= 4096) return FlushBuffer();
  return ecOK;
}

void ReceivedFaxFile::StoreTwoDimPage() {
  const int width = (page_.PageFlags & pfWide) ? kWideWidth : kNormalWidth;
  MhPageLines page = DecodeMrAsMh(twoDimData_.data(), twoDimData_.size(), width);
  for (const auto& line : page.lines) buf_.insert(buf_.end(), line.begin(), line.end());
  buf_.insert(buf_.end(), std::begin(kEndOfPageRecord), std::end(kEndOfPageRecord));
  twoDimData_.clear();
}

int ReceivedFaxFile::KeepPage() {
  if (!pageOpen_) return ecOK;
  if (twoDim_) StoreTwoDimPage();
  if (int rc = FlushBuffer()) return rc;
  page_.DataLength = pageBytes_;
  auto page = page_.Pack();
  if (int rc = apf::WriteFullyAt(fd_, pageStart_, page.data(), page.size())) return rc;
  ++header_.PageCount;
  auto file = header_.Pack();
  if (int rc = apf::WriteFullyAt(fd_, 0, file.data(), file.size())) {
    --header_.PageCount;
    return rc;
  }
  end_ = pageStart_ + kApfPageHeaderSize + pageBytes_;
  pageOpen_ = false;
  return ecOK;
}

int ReceivedFaxFile::DiscardPage() {
  buf_.clear();
  twoDimData_.clear();
  pageBytes_ = 0;
  if (!pageOpen_) return ecOK;
  pageOpen_ = false;
  if (::ftruncate(fd_, static_cast<off_t>(pageStart_)) != 0) return ErrnoToCode(errno);
  return ecOK;
}

int ReceivedFaxFile::Close() {
  if (fd_ < 0) return ecOK;
  int rc = DiscardPage();
  if (::close(fd_) != 0 && rc == ecOK) rc = ErrnoToCode(errno);
  fd_ = -1;
  if (header_.PageCount == 0 && ::unlink(name_.c_str()) != 0 && rc == ecOK && errno != ENOENT)
    rc = ErrnoToCode(errno);
  return rc;
}

}  // namespace telvane
