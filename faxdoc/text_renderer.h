// Renders one line of text with a system font into a monochrome bitmap, the
// way enhanced text and text covers are drawn.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace telvane {

// a * b / c rounded to the nearest integer, halves away from zero.
constexpr int MulDiv(int a, int b, int c) {
  const long long p = static_cast<long long>(a) * b;
  const long long q = (p < 0) == (c < 0) ? (p + c / 2) / c : (p - c / 2) / c;
  return static_cast<int>(q);
}

// A system font, described as the font dialogs describe it.
struct FaxFontSpec {
  std::string Name = "Sans Serif";
  // Height in pixels at 96 pixels per inch: negative is the character height
  // (without internal leading), positive the cell height.
  int Height = -13;
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;

  // Size in points and height in pixels convert at 96 pixels per inch,
  // rounding halves away from zero; a positive height gives a negative size.
  int Size() const { return -MulDiv(Height, 72, 96); }
  void SetSize(int points) { Height = -MulDiv(points, 96, 72); }
  bool operator==(const FaxFontSpec&) const = default;
};

class TextBitmapRenderer {
 public:
  virtual ~TextBitmapRenderer() = default;

  // Chooses the font (its height doubled when `doubleSize`) and sizes the
  // bitmap: `width` pixels by the text height of "Wy" rows, rows padded to
  // 16 bits. Returns 0, -8055 when the bitmap would exceed 65536 bytes, or
  // -1002 when no system fonts can be used.
  virtual int Setup(const FaxFontSpec& font, bool doubleSize, int width) = 0;
  virtual int Height() const = 0;
  virtual int BytesPerRow() const = 0;
  // Draws `utf8` at the top left of a white bitmap; afterwards Row(r) holds
  // the pixels of row r, MSB first, set = black.
  virtual void RenderLine(const std::string& utf8) = 0;
  virtual const uint8_t* Row(int row) const = 0;
};

// The renderer over the desktop's fonts (QtGui). Needs a QGuiApplication.
std::unique_ptr<TextBitmapRenderer> CreateSystemFontRenderer();

// Largest bitmap an enhanced-text line may have.
inline constexpr int kMaxTextBitmapBytes = 65536;

}  // namespace telvane
