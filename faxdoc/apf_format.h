// Byte layout of APF fax files: the 64-byte file header and 16-byte page headers.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <string>

namespace telvane {

inline constexpr std::array<uint8_t, 6> kApfSignature{0x41, 0x50, 0x46, 0x31, 0x30, 0x1A};
inline constexpr size_t kApfFileHeaderSize = 64;
inline constexpr size_t kApfPageHeaderSize = 16;
inline constexpr size_t kApfStationIdMax = 20;

// PageFlags bits.
inline constexpr uint16_t pfHighRes = 0x0001;
inline constexpr uint16_t pfWide = 0x0002;
inline constexpr uint16_t pfLineRecords = 0x0004;

// Line widths in pixels and their raster lengths in bytes.
inline constexpr int kNormalWidth = 1728;
inline constexpr int kWideWidth = 2048;

struct ApfFileHeader {
  std::array<uint8_t, 6> Signature{};
  uint32_t CreatedAt = 0;            // MS-DOS packed date (high word) and time (low word)
  uint8_t StationIdLength = 0;       // 0..20
  std::array<char, 20> StationId{};  // padded with spaces after the text
  uint16_t PageCount = 0;
  uint32_t FirstPageOffset = 0;

  std::array<uint8_t, kApfFileHeaderSize> Pack() const;
  static ApfFileHeader Unpack(const uint8_t* bytes);  // reads 64 bytes
  bool HasSignature() const { return Signature == kApfSignature; }
  std::string StationIdText() const;
  // Stores at most 20 characters of `id`, padding with spaces.
  void SetStationId(const std::string& id);
};

struct ApfPageHeader {
  uint32_t DataLength = 0;
  uint16_t PageFlags = 0;

  std::array<uint8_t, kApfPageHeaderSize> Pack() const;
  static ApfPageHeader Unpack(const uint8_t* bytes);  // reads 16 bytes
};

// MS-DOS packed date and time of a local calendar time, and back.
uint32_t PackDosDateTime(const std::tm& local);
std::tm UnpackDosDateTime(uint32_t packed);

}  // namespace telvane
