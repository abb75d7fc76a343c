// The APF file a received fax is written into. Pages are stored as received
// (stream form); a page becomes part of the file only when it is judged good:
// then the page count and the page header are written, so that the file is
// a valid APF file with every good page after each of them. A bad page is cut
// off again at its page header. Two-dimensionally coded pages are held in
// memory and stored as one-dimensional lines when kept, as APF files hold
// every page; a line that does not decode is a copy of the last good one.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "faxdoc/apf_format.h"

namespace telvane {

class ReceivedFaxFile {
 public:
  ~ReceivedFaxFile();

  // Creates the file with its header (station ID, the time `now`, no pages).
  int Create(const std::string& fileName, const std::string& remoteId, std::time_t now);
  int BeginPage(bool fine, bool wide, bool twoDim = false);
  // Data are buffered in 4096 bytes; a short write is -160.
  int Write(const std::uint8_t* data, std::size_t n);
  // Completes the page: flushes its data, writes its header and the file header.
  int KeepPage();
  // Cuts the file back to the start of the open page.
  int DiscardPage();
  // Drops an unfinished page and closes the file. A file that kept no page
  // is removed: no fax arrived.
  int Close();

  bool IsOpen() const { return fd_ >= 0; }
  bool PageOpen() const { return pageOpen_; }
  std::uint16_t PageCount() const { return header_.PageCount; }
  // Bytes of the open page as received.
  std::uint32_t PageBytes() const { return twoDim_ ? static_cast<std::uint32_t>(twoDimData_.size()) : pageBytes_; }
  const std::string& FileName() const { return name_; }

 private:
  int FlushBuffer();
  // Decodes the held 2-D page into one-dimensional lines in the buffer.
  void StoreTwoDimPage();

  int fd_ = -1;
  std::string name_;
  ApfFileHeader header_;
  ApfPageHeader page_;
  std::uint64_t pageStart_ = 0;  // offset of the open page's header
  std::uint64_t end_ = 0;        // file length after the last good page
  std::uint32_t pageBytes_ = 0;
  bool pageOpen_ = false;
  bool twoDim_ = false;
  std::vector<std::uint8_t> buf_;
  std::vector<std::uint8_t> twoDimData_;
};

}  // namespace telvane
