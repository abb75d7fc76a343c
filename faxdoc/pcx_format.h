// Byte layout of PCX images and DCX multi-page files: the 128-byte PCX
// header, the DCX header with its page offset table, and their limits.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace telvane {

inline constexpr size_t kPcxHeaderSize = 128;
inline constexpr uint8_t kPcxManufacturer = 10;  // every PCX file starts with this byte
inline constexpr uint8_t kPcxEncodingRle = 1;    // the only encoding PCX defines
inline constexpr uint8_t kPcxVersion2 = 2;       // version the fax images are written with
// From version 4 on, a run may go on across the image width into the next line.
inline constexpr uint8_t kPcxVersion4 = 4;
// A data byte with both top bits set is a repeat count (low 6 bits) for the
// byte that follows; anything else is one data byte.
inline constexpr uint8_t kPcxRunFlag = 0xC0;
inline constexpr uint8_t kPcxMaxRun = 63;

// DCX: a 32-bit magic value, then 1024 32-bit file offsets of the PCX
// images; the list ends at the first zero entry, so at most 1023 pages.
inline constexpr uint32_t kDcxMagic = 987654321;
inline constexpr size_t kDcxOffsetSlots = 1024;
inline constexpr size_t kDcxHeaderSize = 4 + 4 * kDcxOffsetSlots;  // 4100
inline constexpr size_t kDcxMaxPages = kDcxOffsetSlots - 1;        // 1023

// All multi-byte fields are little-endian.
struct PcxHeader {
  uint8_t Manufacturer = kPcxManufacturer;  // offset 0
  uint8_t Version = kPcxVersion2;           // 1
  uint8_t Encoding = kPcxEncodingRle;       // 2
  uint8_t BitsPerPixel = 1;                 // 3
  uint16_t XMin = 0;                        // 4
  uint16_t YMin = 0;                        // 6
  uint16_t XMax = 0;                        // 8 (inclusive)
  uint16_t YMax = 0;                        // 10 (inclusive)
  uint16_t HorizontalDpi = 0;               // 12
  uint16_t VerticalDpi = 0;                 // 14
  std::array<uint8_t, 48> Palette{};        // 16: 16 RGB triples
  uint8_t Reserved = 0;                     // 64
  uint8_t Planes = 1;                       // 65
  uint16_t BytesPerLine = 0;                // 66: per plane, always even
  uint16_t PaletteInfo = 0;                 // 68
  uint16_t HorizontalScreenSize = 0;        // 70
  uint16_t VerticalScreenSize = 0;          // 72
  std::array<uint8_t, 54> Filler{};         // 74..127

  // Width in pixels (x max - x min + 1); 0 when x max lies left of x min.
  unsigned Width() const { return XMax >= XMin ? unsigned{XMax} - XMin + 1 : 0; }
  unsigned Height() const { return YMax >= YMin ? unsigned{YMax} - YMin + 1 : 0; }

  std::array<uint8_t, kPcxHeaderSize> Pack() const {
    std::array<uint8_t, kPcxHeaderSize> b{};
    auto put16 = [&b](size_t at, uint16_t v) {
      b[at] = static_cast<uint8_t>(v);
      b[at + 1] = static_cast<uint8_t>(v >> 8);
    };
    b[0] = Manufacturer;
    b[1] = Version;
    b[2] = Encoding;
    b[3] = BitsPerPixel;
    put16(4, XMin);
    put16(6, YMin);
    put16(8, XMax);
    put16(10, YMax);
    put16(12, HorizontalDpi);
    put16(14, VerticalDpi);
    for (size_t i = 0; i < Palette.size(); ++i) b[16 + i] = Palette[i];
    b[64] = Reserved;
    b[65] = Planes;
    put16(66, BytesPerLine);
    put16(68, PaletteInfo);
    put16(70, HorizontalScreenSize);
    put16(72, VerticalScreenSize);
    for (size_t i = 0; i < Filler.size(); ++i) b[74 + i] = Filler[i];
    return b;
  }

  // Reads 128 bytes.
  static PcxHeader Unpack(const uint8_t* b) {
    auto get16 = [b](size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); };
    PcxHeader h;
    h.Manufacturer = b[0];
    h.Version = b[1];
    h.Encoding = b[2];
    h.BitsPerPixel = b[3];
    h.XMin = get16(4);
    h.YMin = get16(6);
    h.XMax = get16(8);
    h.YMax = get16(10);
    h.HorizontalDpi = get16(12);
    h.VerticalDpi = get16(14);
    for (size_t i = 0; i < h.Palette.size(); ++i) h.Palette[i] = b[16 + i];
    h.Reserved = b[64];
    h.Planes = b[65];
    h.BytesPerLine = get16(66);
    h.PaletteInfo = get16(68);
    h.HorizontalScreenSize = get16(70);
    h.VerticalScreenSize = get16(72);
    for (size_t i = 0; i < h.Filler.size(); ++i) h.Filler[i] = b[74 + i];
    return h;
  }
};

}  // namespace telvane
