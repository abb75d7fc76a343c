// Bitmap inputs of the converter: a bitmap object handed over in memory, and
// a BMP file loaded into one.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "faxdoc/bitmap.h"
#include "faxdoc/fax_input.h"

namespace telvane {

// Threshold of the colour rule at column x mod 32 and row (r - 1) mod 32: a
// pixel turns black when red + green + blue is below it. Values 0 .. 310.
int ColorThreshold(int x, int row);

class BitmapInput : public FaxInput {
 public:
  // Takes a copy of `bitmap` (it must not be null).
  explicit BitmapInput(Bitmap bitmap) : bitmap_(std::move(bitmap)) {}
  BitmapInput() = default;

  const char* DefaultExtension() const override { return "BMP"; }
  // The input name is not used: the bitmap is already here.
  int Open(FaxConverterState& state, const std::string& inputName) override;
  int GetRasterLine(FaxConverterState& state, uint8_t* raster, size_t& length, bool& endOfPage,
                    bool& morePages) override;
  void Close(FaxConverterState& state) override;

 protected:
  int OpenBitmap(FaxConverterState& state);
  Bitmap bitmap_;

 private:
  int ColorRow(FaxConverterState& state, uint8_t* raster);

  int row_ = 0;  // next row to deliver, 0-based
  size_t bytesPerRow_ = 0;
};

class BmpInput : public BitmapInput {
 public:
  // Loads the BMP file, then converts it as a bitmap object.
  int Open(FaxConverterState& state, const std::string& inputName) override;
};

}  // namespace telvane
