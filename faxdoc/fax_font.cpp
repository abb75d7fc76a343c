#include "faxdoc/fax_font.h"

#include <cstring>

#include "base/error_codes.h"
#include "faxdoc/fax_font_data.h"

namespace telvane {
namespace {

constexpr size_t kSmallBytes = 256 * 16;  // the small font comes first

}  // namespace

const uint8_t* FaxFontResource() { return detail::kFaxFontData; }

int LoadFaxFont(FaxFontType type, bool highRes, std::vector<uint8_t>& store, FaxFontMetrics& metrics) {
  return LoadFaxFont(std::span<const uint8_t>(FaxFontResource(), kFaxFontResourceSize), type, highRes, store,
                     metrics);
}

int LoadFaxFont(std::span<const uint8_t> block, FaxFontType type, bool highRes, std::vector<uint8_t>& store,
                FaxFontMetrics& metrics) {
  if (block.data() == nullptr || block.size() != kFaxFontResourceSize) return ecFontFileNotFound;

  const bool small = type == FaxFontType::ffSmall;
  FaxFontMetrics m = small ? FaxFontMetrics{16, 12, 2, 8} : FaxFontMetrics{48, 20, 3, 16};
  const uint8_t* src = block.data() + (small ? 0 : kSmallBytes);
  const size_t bytes = size_t(256) * m.glyphBytes;

  if (store.size() < kFaxFontStoreSize) store.resize(kFaxFontStoreSize);
  std::memcpy(store.data(), src, bytes);

  if (highRes) {
    // Double every row in place. Working from the last glyph and row down to
    // the first, each row is copied to an offset at or above where it was
    // read, so nothing is overwritten before it has been read.
    uint8_t* p = store.data();
    for (int glyph = 255; glyph >= 0; --glyph) {
      for (int row = m.height - 1; row >= 0; --row) {
        const uint8_t* from = p + size_t(glyph) * m.glyphBytes + size_t(row) * m.byteWidth;
        uint8_t* to = p + size_t(glyph) * 2 * m.glyphBytes + size_t(2 * row) * m.byteWidth;
        std::memmove(to + m.byteWidth, from, m.byteWidth);
        std::memmove(to, from, m.byteWidth);
      }
    }
    m.glyphBytes *= 2;
    m.height *= 2;
  }
  metrics = m;
  return 0;
}

}  // namespace telvane
