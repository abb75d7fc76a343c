// Writes an APF file: header, pages of coded line records, final header.
// Output goes through a 4096-byte buffer. A regular file is built under a
// temporary name beside it and renamed into place by Finish, so that any
// failure leaves neither a partial APF file nor a damaged earlier one.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "faxdoc/apf_format.h"
#include "faxdoc/output_file.h"

namespace telvane {

class ApfWriter {
 public:
  ApfWriter() = default;
  ApfWriter(const ApfWriter&) = delete;
  ApfWriter& operator=(const ApfWriter&) = delete;
  ~ApfWriter();  // abandons a file that was not finished

  // Creates (or truncates) the file and writes the initial 64-byte header.
  // An unfinished file of an earlier Create is abandoned first.
  int Create(const std::string& fileName);
  // Writes a page header with DataLength 0; flags get pfLineRecords.
  int BeginPage(bool highRes, bool wide);
  // Writes one record: 2-byte count and the coded bytes (at most 4096).
  int AddLine(const uint8_t* coded, size_t length);
  // Writes the end-of-page record and patches the page header.
  int EndPage();
  // Stores the station identifier and the creation time, rewrites the file
  // header and closes the file. `now` defaults to the current time. A page
  // still open is ended first.
  int Finish(const std::string& stationId, std::time_t now = std::time(nullptr));
  // Closes and deletes the output; does nothing once the file is finished.
  void Abandon();

  bool IsOpen() const { return file_.IsOpen(); }
  bool PageOpen() const { return pageOpen_; }
  uint16_t PageCount() const { return header_.PageCount; }
  const std::string& FileName() const { return fileName_; }

 private:
  int Write(const void* data, size_t length);
  int WriteAt(uint64_t offset, const void* data, size_t length);
  int Fail(int code);  // abandons and returns `code`

  OutputFile file_{4096};
  std::string fileName_;
  ApfFileHeader header_;
  ApfPageHeader page_;
  uint64_t pageHeaderPos_ = 0;
  bool pageOpen_ = false;
};

}  // namespace telvane
