// TIFF byte layout shared by the TIFF reader and writer: header, directory
// entries, the tag numbers and values used for bilevel images, and
// byte-order aware access to 16- and 32-bit fields.
#pragma once

#include <cstddef>
#include <cstdint>

namespace telvane {

inline constexpr size_t kTiffHeaderSize = 8;  // byte order, version, first directory offset
inline constexpr size_t kTiffEntrySize = 12;  // tag, type, count, value or value offset
inline constexpr uint16_t kTiffVersion = 42;

// Tags.
inline constexpr uint16_t kTiffTagNewSubfileType = 254;
inline constexpr uint16_t kTiffTagSubfileType = 255;
inline constexpr uint16_t kTiffTagImageWidth = 256;
inline constexpr uint16_t kTiffTagImageLength = 257;
inline constexpr uint16_t kTiffTagBitsPerSample = 258;
inline constexpr uint16_t kTiffTagCompression = 259;
inline constexpr uint16_t kTiffTagPhotometric = 262;
inline constexpr uint16_t kTiffTagFillOrder = 266;
inline constexpr uint16_t kTiffTagStripOffsets = 273;
inline constexpr uint16_t kTiffTagSamplesPerPixel = 277;
inline constexpr uint16_t kTiffTagRowsPerStrip = 278;
inline constexpr uint16_t kTiffTagStripByteCounts = 279;
inline constexpr uint16_t kTiffTagXResolution = 282;
inline constexpr uint16_t kTiffTagYResolution = 283;
inline constexpr uint16_t kTiffTagResolutionUnit = 296;

// Field types and their sizes in bytes.
inline constexpr uint16_t kTiffTypeByte = 1;
inline constexpr uint16_t kTiffTypeAscii = 2;
inline constexpr uint16_t kTiffTypeShort = 3;
inline constexpr uint16_t kTiffTypeLong = 4;
inline constexpr uint16_t kTiffTypeRational = 5;

// Size of one value of a field type; 0 for types the reader does not know.
inline constexpr size_t TiffTypeSize(uint16_t type) {
  switch (type) {
    case 1: case 2: case 6: case 7: return 1;  // BYTE, ASCII, SBYTE, UNDEFINED
    case 3: case 8: return 2;                  // SHORT, SSHORT
    case 4: case 9: case 11: return 4;         // LONG, SLONG, FLOAT
    case 5: case 10: case 12: return 8;        // RATIONAL, SRATIONAL, DOUBLE
    default: return 0;
  }
}

// Values.
inline constexpr uint16_t kTiffCompressionNone = 1;
inline constexpr uint16_t kTiffCompressionPackBits = 32773;
inline constexpr uint16_t kTiffPhotometricWhiteIsZero = 0;  // set bit = black
inline constexpr uint16_t kTiffPhotometricBlackIsZero = 1;  // set bit = white

// "II" (little-endian) or "MM" (big-endian), the first two bytes of a file.
enum class TiffByteOrder { LittleEndian, BigEndian };

inline constexpr uint8_t kTiffLittleEndianMark = 'I';
inline constexpr uint8_t kTiffBigEndianMark = 'M';

inline uint16_t TiffGet16(const uint8_t* p, TiffByteOrder order) {
  return order == TiffByteOrder::LittleEndian ? static_cast<uint16_t>(p[0] | (p[1] << 8))
                                              : static_cast<uint16_t>((p[0] << 8) | p[1]);
}

inline uint32_t TiffGet32(const uint8_t* p, TiffByteOrder order) {
  return order == TiffByteOrder::LittleEndian
             ? uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24)
             : (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

inline void TiffPut16(uint8_t* p, uint16_t v, TiffByteOrder order) {
  if (order == TiffByteOrder::LittleEndian) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
  } else {
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
  }
}

inline void TiffPut32(uint8_t* p, uint32_t v, TiffByteOrder order) {
  if (order == TiffByteOrder::LittleEndian) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
  } else {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * (3 - i)));
  }
}

// One directory entry. For a field whose values fit in 4 bytes, Value holds
// them in place (left-justified, in file byte order); otherwise it is the
// file offset of the values.
struct TiffEntry {
  uint16_t Tag = 0;
  uint16_t Type = 0;
  uint32_t Count = 0;
  uint8_t Value[4] = {};

  // Total size of the values in bytes (0 for an unknown type).
  uint64_t DataSize() const { return uint64_t{Count} * TiffTypeSize(Type); }
  bool InPlace() const { return DataSize() <= 4; }
  // The first value of a SHORT or LONG entry held in place.
  uint32_t FirstValue(TiffByteOrder order) const {
    return Type == kTiffTypeShort ? TiffGet16(Value, order) : TiffGet32(Value, order);
  }
  uint32_t Offset(TiffByteOrder order) const { return TiffGet32(Value, order); }

  // Reads 12 bytes.
  static TiffEntry Unpack(const uint8_t* b, TiffByteOrder order) {
    TiffEntry e;
    e.Tag = TiffGet16(b, order);
    e.Type = TiffGet16(b + 2, order);
    e.Count = TiffGet32(b + 4, order);
    for (int i = 0; i < 4; ++i) e.Value[i] = b[8 + i];
    return e;
  }
  void Pack(uint8_t* b, TiffByteOrder order) const {
    TiffPut16(b, Tag, order);
    TiffPut16(b + 2, Type, order);
    TiffPut32(b + 4, Count, order);
    for (int i = 0; i < 4; ++i) b[8 + i] = Value[i];
  }
  // An entry of one SHORT or LONG value held in place.
  static TiffEntry Make(uint16_t tag, uint16_t type, uint32_t value, TiffByteOrder order, uint32_t count = 1) {
    TiffEntry e;
    e.Tag = tag;
    e.Type = type;
    e.Count = count;
    if (type == kTiffTypeShort)
      TiffPut16(e.Value, static_cast<uint16_t>(value), order);
    else
      TiffPut32(e.Value, value, order);
    return e;
  }
};

}  // namespace telvane
