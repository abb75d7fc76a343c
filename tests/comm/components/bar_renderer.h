// A text renderer without fonts for the enhanced-text tests.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "faxdoc/text_renderer.h"

namespace telvane::test {

// A renderer that draws each character as a 6-pixel-wide solid bar, so that
// the result is known without fonts; it remembers the font it was set up with.
class BarRenderer : public TextBitmapRenderer {
 public:
  explicit BarRenderer(FaxFontSpec* used) : used_(used) {}
  int Setup(const FaxFontSpec& font, bool doubleSize, int width) override {
    if (used_) *used_ = font;
    height_ = (font.Height < 0 ? -font.Height : font.Height) * (doubleSize ? 2 : 1);
    bytesPerRow_ = (width + 15) / 16 * 2;
    bits_.assign(static_cast<std::size_t>(height_ * bytesPerRow_), 0);
    return 0;
  }
  int Height() const override { return height_; }
  int BytesPerRow() const override { return bytesPerRow_; }
  void RenderLine(const std::string& utf8) override {
    std::fill(bits_.begin(), bits_.end(), 0);
    for (std::size_t i = 0; i < utf8.size(); ++i)
      for (int row = 0; row < height_; ++row)
        for (std::size_t x = i * 10; x < i * 10 + 6 && x / 8 < static_cast<std::size_t>(bytesPerRow_); ++x)
          bits_[row * bytesPerRow_ + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
  }
  const uint8_t* Row(int row) const override { return bits_.data() + row * bytesPerRow_; }

 private:
  FaxFontSpec* used_;
  int height_ = 0, bytesPerRow_ = 0;
  std::vector<std::uint8_t> bits_;
};

// Makes BarRenderers that write the font they are set up with into `used`.
inline std::function<std::unique_ptr<TextBitmapRenderer>()> Bars(FaxFontSpec* used = nullptr) {
  return [used] { return std::make_unique<BarRenderer>(used); };
}

}  // namespace telvane::test
