// The font of a text field, with the attributes a design file stores.
#pragma once

#include <QString>
#include <cstdint>

namespace telvane {

// Character sets as design files number them.
inline constexpr uint8_t kAnsiCharset = 0;
inline constexpr uint8_t kDefaultCharset = 1;
inline constexpr uint8_t kGb2312Charset = 134;

// Pitch byte: 0 default, 1 variable, 2 fixed.
inline constexpr uint8_t kDefaultPitch = 0;
inline constexpr uint8_t kVariablePitch = 1;
inline constexpr uint8_t kFixedPitch = 2;

// Colours are 0x00BBGGRR values; with the high bit set, the low byte numbers
// a colour of the desktop scheme (8 = window text).
inline constexpr uint32_t kSystemColorFlag = 0x80000000u;
inline constexpr uint32_t kWindowTextColor = kSystemColorFlag | 8;

// Font sizes in points and heights in pixels convert at 96 pixels per inch,
// the resolution the design's pixel geometry is measured in.
inline constexpr int kScreenPixelsPerInch = 96;

struct FieldFont {
  uint8_t Charset = kDefaultCharset;
  uint32_t Color = kWindowTextColor;
  // Negative: character height in pixels (without internal leading);
  // positive: cell height in pixels.
  int32_t Height = -15;  // 11 points
  QString Name = QStringLiteral("宋体");
  uint8_t Pitch = kDefaultPitch;
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;

  // Size in points, derived from the height (halves away from zero).
  int Size() const;
  // Sets the height for a size in points.
  void SetSize(int points);

  bool operator==(const FieldFont&) const = default;
};

}  // namespace telvane
