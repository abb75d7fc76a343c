// One input type of the converter: opens a document and yields raster lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace telvane {

struct FaxConverterState;

class FaxInput {
 public:
  virtual ~FaxInput() = default;

  // Extension added to an input name that has none ("TXT", "TIF", ...).
  virtual const char* DefaultExtension() const = 0;
  // Prepares what the input needs before any file is touched (fonts, bitmaps).
  virtual int Prepare(FaxConverterState& /*state*/) { return 0; }
  virtual int Open(FaxConverterState& state, const std::string& inputName) = 0;
  // Fills `raster` (MSB first, set = black, starting right of the left
  // margin); `length` is the number of bytes that carry pixels.
  virtual int GetRasterLine(FaxConverterState& state, uint8_t* raster, size_t& length, bool& endOfPage,
                            bool& morePages) = 0;
  virtual void Close(FaxConverterState& state) = 0;
};

}  // namespace telvane
