// Writes APF files through a 4096-byte buffer; any failure removes the file.
#include "faxdoc/apf_writer.h"

#include <cerrno>

#include "base/error_codes.h"
#include "faxdoc/t4_encoder.h"

namespace telvane {

ApfWriter::~ApfWriter() {
  if (IsOpen()) Abandon();
}

int ApfWriter::Create(const std::string& fileName) {
  if (IsOpen()) Abandon();
  if (fileName.empty()) return ecFileNotFound;
  header_ = ApfFileHeader{};
  header_.Signature = kApfSignature;
  header_.PageCount = 0;
  header_.FirstPageOffset = kApfFileHeaderSize;
  page_ = ApfPageHeader{};
  pageOpen_ = false;
  fileName_ = fileName;
  if (const int rc = file_.Create(fileName); rc != ecOK) return rc;
  const auto bytes = header_.Pack();
  return Write(bytes.data(), bytes.size());
}
int ApfWriter::BeginPage(bool highRes, bool wide) {
  if (!IsOpen()) return ecNotOpen;
  if (pageOpen_) return Fail(ecBadArgument);
  page_ = ApfPageHeader{};
  page_.PageFlags = pfLineRecords;
  if (highRes) page_.PageFlags |= pfHighRes;
  if (wide) page_.PageFlags |= pfWide;
  pageHeaderPos_ = file_.Size();
  pageOpen_ = true;
  const auto bytes = page_.Pack();
  return Write(bytes.data(), bytes.size());
}

int ApfWriter::AddLine(const uint8_t* coded, size_t length) {
  if (!IsOpen()) return ecNotOpen;
  if (!pageOpen_ || length > kCodedLineMax) return Fail(ecBadArgument);
  const uint8_t count[2] = {static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8)};
  if (const int rc = Write(count, sizeof count); rc != ecOK) return rc;
  if (const int rc = Write(coded, length); rc != ecOK) return rc;
  page_.DataLength += static_cast<uint32_t>(sizeof count + length);
  return ecOK;
}

int ApfWriter::EndPage() {
  if (!IsOpen()) return ecNotOpen;
  if (!pageOpen_) return Fail(ecBadArgument);
  // The end-of-page record is framed and counted like any other line.
  if (const int rc = AddLine(kEndOfPageRecord, sizeof kEndOfPageRecord); rc != ecOK) return rc;
  ++header_.PageCount;
  pageOpen_ = false;
  // Each finished page goes to the file, so that a full disk shows per page.
  if (const int rc = file_.Flush(); rc != ecOK) return Fail(rc);
  const auto bytes = page_.Pack();
  return WriteAt(pageHeaderPos_, bytes.data(), bytes.size());
}

int ApfWriter::Finish(const std::string& stationId, std::time_t now) {
  if (!IsOpen()) return ecNotOpen;
  if (pageOpen_) {
    if (const int rc = EndPage(); rc != ecOK) return rc;
  }
  header_.SetStationId(stationId);
  std::tm local{};
  if (!::localtime_r(&now, &local)) return Fail(ErrnoToCode(errno ? errno : EOVERFLOW));
  header_.CreatedAt = PackDosDateTime(local);
  const auto bytes = header_.Pack();
  if (const int rc = WriteAt(0, bytes.data(), bytes.size()); rc != ecOK) return rc;
  pageOpen_ = false;
  return file_.Commit();
}

void ApfWriter::Abandon() {
  pageOpen_ = false;
  file_.Abandon();
}

int ApfWriter::Write(const void* data, size_t length) {
  const int rc = file_.Write(data, length);
  return rc == ecOK ? ecOK : Fail(rc);
}

int ApfWriter::WriteAt(uint64_t offset, const void* data, size_t length) {
  const int rc = file_.WriteAt(offset, data, length);
  return rc == ecOK ? ecOK : Fail(rc);
}

int ApfWriter::Fail(int code) {
  Abandon();
  return code;
}

}  // namespace telvane
