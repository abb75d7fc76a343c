// Geometry helpers of cover page designs: rounding to whole pixels and the
// table of paper sizes a design can have.
#pragma once

#include <array>

namespace telvane {

// A value taken to the nearest integer, halves to the even neighbour
// (2.5 -> 2, 3.5 -> 4, -2.5 -> -2). Values beyond the int range saturate;
// NaN gives 0.
int RoundToNearestEven(double value);

struct PaperSize {
  const char* Name;  // as listed in the page options, at most 31 characters
  double Width;      // inches
  double Height;     // inches
};

inline constexpr std::array<PaperSize, 4> kPaperSizes = {{
    {"Letter (8.5 x 11.0 in) ", 8.5, 11.0},
    {"Legal (8.5 x 14.0 in)  ", 8.5, 14.0},
    {"A4-ISO (210 x 297 mm)  ", 8.2677, 11.69289},
    {"B4-Japan (257 x 364 mm)", 10.11809, 14.33068},
}};

// Millimetres shown for a length in inches.
inline double InchesToMillimetres(double inches) { return inches / 39.37 * 1000.0; }

}  // namespace telvane
