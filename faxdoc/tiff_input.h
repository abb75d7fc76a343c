// TIFF input of the converter: the first image of a bilevel TIFF file,
// uncompressed or PackBits, either byte order, in one strip or many.
#pragma once

#include <string>
#include <vector>

#include "faxdoc/fax_input.h"
#include "faxdoc/image_file_io.h"
#include "faxdoc/tiff_format.h"

namespace telvane {

class TiffInput : public FaxInput {
 public:
  const char* DefaultExtension() const override { return "TIF"; }
  // -8002 for a file that is not a bilevel TIFF this input reads.
  int Open(FaxConverterState& state, const std::string& inputName) override;
  int GetRasterLine(FaxConverterState& state, uint8_t* raster, size_t& length, bool& endOfPage,
                    bool& morePages) override;
  void Close(FaxConverterState& state) override;

  // The open image's size in pixels.
  uint32_t ImageWidth() const { return width_; }
  uint32_t ImageLength() const { return length_; }

 private:
  int ReadDirectory();
  int ReadValueList(const TiffEntry& entry, std::vector<uint32_t>& values);
  int StartStrip(size_t strip);
  int ReadRow();

  ImageFileReader file_;
  TiffByteOrder order_ = TiffByteOrder::LittleEndian;
  uint32_t width_ = 0;
  uint32_t length_ = 0;
  uint64_t bytesPerRow_ = 0;
  uint8_t lastByteMask_ = 0xFF;
  uint32_t bitsPerSample_ = 1;
  uint32_t samplesPerPixel_ = 1;
  uint32_t compression_ = kTiffCompressionNone;
  uint32_t photometric_ = kTiffPhotometricWhiteIsZero;
  uint32_t fillOrder_ = 1;
  uint32_t rowsPerStrip_ = 0;
  std::vector<uint32_t> stripOffsets_;
  std::vector<uint32_t> stripByteCounts_;

  size_t strip_ = 0;            // current strip
  uint32_t rowsInStrip_ = 0;    // rows the current strip holds
  uint32_t rowInStrip_ = 0;     // rows of it delivered
  uint32_t rowsDelivered_ = 0;  // rows of the image delivered
  uint64_t stripEnd_ = 0;       // file offset where the strip's bytes end
  std::vector<uint8_t> row_;    // the current row, at most 4096 bytes kept
};

}  // namespace telvane
