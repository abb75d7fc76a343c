// Sources of coded scan lines for a page being sent: a page of an APF file
// as stored, a text cover drawn with the fax font, and the header line.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "faxdoc/apf_format.h"
#include "faxdoc/converter_engine.h"
#include "faxdoc/text_input.h"

namespace telvane {

class PageLines {
 public:
  virtual ~PageLines() = default;
  // The next coded line: 1 with a line, 0 at the end of the page, or an error.
  virtual int Next(std::vector<std::uint8_t>& line) = 0;
};

// The coded lines of one page of an APF file, read as stored: each line
// record as it stands; a page in stream form in blocks of up to 4096 bytes.
class ApfPageLines : public PageLines {
 public:
  ~ApfPageLines() override;
  // Page 1 is the first. -8001 for a file that is not an APF file or a page
  // beyond its page count, a negated file error otherwise.
  int Open(const std::string& fileName, unsigned pageNumber);
  int Next(std::vector<std::uint8_t>& line) override;
  const ApfPageHeader& PageHeader() const { return page_; }

 private:
  int fd_ = -1;
  ApfPageHeader page_;
  std::uint64_t offset_ = 0;  // file offset of the next record
  std::uint64_t end_ = 0;     // end of the page data
};

// Reads the file header of an APF file: 0, or -8001 / a negated file error.
int ReadApfHeader(const std::string& fileName, ApfFileHeader& header);
// Reads the header of page `pageNumber` (1 is the first).
int ReadApfPageHeader(const std::string& fileName, unsigned pageNumber, ApfPageHeader& page);

// A plain text cover, one page: drawn with the standard size of the fax font,
// or with a system font when `text.Enhanced` is set.
class TextCoverLines : public PageLines {
 public:
  TextCoverLines(bool fine, bool wide, TextInputOptions text = {});
  ~TextCoverLines() override;
  int Open(const std::string& fileName);
  int Next(std::vector<std::uint8_t>& line) override;

 private:
  FaxConverterState state_;
  TextInputState input_;
  bool open_ = false;
  bool done_ = false;
};

}  // namespace telvane
