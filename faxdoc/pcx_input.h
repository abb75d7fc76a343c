// PCX and DCX inputs of the converter: monochrome PCX images, one per page.
#pragma once

#include <string>
#include <vector>

#include "faxdoc/fax_input.h"
#include "faxdoc/image_file_io.h"
#include "faxdoc/pcx_format.h"

namespace telvane {

// Decodes the lines of one monochrome PCX image from an open file.
class PcxImageReader {
 public:
  // Reads the header at the file's position and checks it: manufacturer 10,
  // run-length encoding, 1 bit per pixel in one plane, at most `lineWidth`
  // (+1) pixels wide, else -8002. `dataBytes` is what follows the header.
  int Start(ImageFileReader& file, uint64_t dataBytes, int lineWidth);
  // Decodes the next line (set bit = black) into `row`, which gets
  // WidthBytes() bytes (at most 4096). `endOfImage` is set, and nothing
  // decoded, when the image has no more lines.
  int ReadLine(ImageFileReader& file, uint8_t* row, bool& endOfImage, uint64_t& bytesConsumed);

  const PcxHeader& Header() const { return header_; }
  unsigned Width() const { return header_.Width(); }
  size_t WidthBytes() const;

 private:
  PcxHeader header_;
  uint64_t remaining_ = 0;  // encoded bytes left
  unsigned lines_ = 0;      // lines decoded
  // A repeat run may go on into the next line; what is left of it.
  unsigned pendingCount_ = 0;
  uint8_t pendingByte_ = 0;
};

class PcxInput : public FaxInput {
 public:
  const char* DefaultExtension() const override { return "PCX"; }
  int Open(FaxConverterState& state, const std::string& inputName) override;
  int GetRasterLine(FaxConverterState& state, uint8_t* raster, size_t& length, bool& endOfPage,
                    bool& morePages) override;
  void Close(FaxConverterState& state) override;

  // The open image's width in pixels.
  unsigned ImageWidth() const { return image_.Width(); }

 private:
  ImageFileReader file_;
  PcxImageReader image_;
  std::vector<uint8_t> row_;
};

class DcxInput : public FaxInput {
 public:
  const char* DefaultExtension() const override { return "DCX"; }
  // -8002 for a wrong magic value, no pages, or a page offset or size that
  // does not fit the file.
  int Open(FaxConverterState& state, const std::string& inputName) override;
  int GetRasterLine(FaxConverterState& state, uint8_t* raster, size_t& length, bool& endOfPage,
                    bool& morePages) override;
  void Close(FaxConverterState& state) override;

  size_t PageCount() const { return offsets_.size(); }
  // The width in pixels of the page being read.
  unsigned ImageWidth() const { return image_.Width(); }

 private:
  int OpenPage(FaxConverterState& state, size_t page);

  ImageFileReader file_;
  PcxImageReader image_;
  std::vector<uint32_t> offsets_;
  std::vector<uint64_t> sizes_;
  size_t page_ = 0;  // current page, 0-based
  std::vector<uint8_t> row_;
};

}  // namespace telvane
