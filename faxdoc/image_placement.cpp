#include "faxdoc/image_placement.h"

#include <algorithm>
#include <cstring>

#include "faxdoc/converter_engine.h"

namespace telvane {

void ApplyImagePlacement(FaxConverterState& s, uint64_t imageWidth) {
  const int64_t w = static_cast<int64_t>(std::min<uint64_t>(imageWidth, INT32_MAX));
  const int64_t lineWidth = s.LineWidth;
  const int64_t margin = s.LeftMargin;
  const bool standard = !s.UseHighRes;
  s.DoubleWidth = (s.Flags & coDoubleWidth) && standard && 2 * w <= lineWidth - margin;
  s.HalfHeight = (s.Flags & coHalfHeight) && standard && !s.DoubleWidth;
  s.CenterOffset = 0;
  if ((s.Flags & coCenterImage) && lineWidth - w >= 16)
    s.CenterOffset = static_cast<unsigned>(s.DoubleWidth ? (lineWidth - 2 * w) / 32 : (lineWidth - w) / 16);
}

void PlaceRow(const FaxConverterState& s, const uint8_t* row, size_t length, uint8_t* raster) {
  const size_t offset = std::min<size_t>(s.CenterOffset, kRasterBytes);
  const size_t n = std::min(length, kRasterBytes - offset);
  if (n) std::memcpy(raster + offset, row, n);
}

}  // namespace telvane
