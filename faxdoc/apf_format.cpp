// APF header layout: packing and unpacking of the little-endian records.
#include "faxdoc/apf_format.h"

#include <algorithm>
#include <cstring>

namespace telvane {
namespace {

constexpr size_t kSignatureAt = 0;
constexpr size_t kCreatedAtAt = 6;
constexpr size_t kStationIdAt = 10;  // length byte, then 20 characters
constexpr size_t kPageCountAt = 32;
constexpr size_t kFirstPageOffsetAt = 34;
constexpr size_t kDataLengthAt = 0;
constexpr size_t kPageFlagsAt = 4;

void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t Get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

std::array<uint8_t, kApfFileHeaderSize> ApfFileHeader::Pack() const {
  std::array<uint8_t, kApfFileHeaderSize> out{};
  std::copy(Signature.begin(), Signature.end(), out.begin() + kSignatureAt);
  Put32(&out[kCreatedAtAt], CreatedAt);
  out[kStationIdAt] = StationIdLength;
  std::memcpy(&out[kStationIdAt + 1], StationId.data(), StationId.size());
  Put16(&out[kPageCountAt], PageCount);
  Put32(&out[kFirstPageOffsetAt], FirstPageOffset);
  return out;
}

ApfFileHeader ApfFileHeader::Unpack(const uint8_t* bytes) {
  ApfFileHeader h;
  std::copy(bytes + kSignatureAt, bytes + kSignatureAt + h.Signature.size(), h.Signature.begin());
  h.CreatedAt = Get32(bytes + kCreatedAtAt);
  h.StationIdLength = bytes[kStationIdAt];
  std::memcpy(h.StationId.data(), bytes + kStationIdAt + 1, h.StationId.size());
  h.PageCount = Get16(bytes + kPageCountAt);
  h.FirstPageOffset = Get32(bytes + kFirstPageOffsetAt);
  return h;
}

std::string ApfFileHeader::StationIdText() const {
  const size_t length = std::min<size_t>(StationIdLength, StationId.size());
  return std::string(StationId.data(), length);
}

void ApfFileHeader::SetStationId(const std::string& id) {
  const size_t length = std::min(id.size(), kApfStationIdMax);
  StationId.fill(' ');
  std::memcpy(StationId.data(), id.data(), length);
  StationIdLength = static_cast<uint8_t>(length);
}

std::array<uint8_t, kApfPageHeaderSize> ApfPageHeader::Pack() const {
  std::array<uint8_t, kApfPageHeaderSize> out{};
  Put32(&out[kDataLengthAt], DataLength);
  Put16(&out[kPageFlagsAt], PageFlags);
  return out;
}

ApfPageHeader ApfPageHeader::Unpack(const uint8_t* bytes) {
  ApfPageHeader h;
  h.DataLength = Get32(bytes + kDataLengthAt);
  h.PageFlags = Get16(bytes + kPageFlagsAt);
  return h;
}

uint32_t PackDosDateTime(const std::tm& local) {
  // The packed year counts from 1980 in 7 bits.
  const int year = std::clamp(local.tm_year + 1900, 1980, 1980 + 127);
  const uint32_t date = (static_cast<uint32_t>(year - 1980) << 9) | (static_cast<uint32_t>(local.tm_mon + 1) << 5) |
                        static_cast<uint32_t>(local.tm_mday);
  const uint32_t time = (static_cast<uint32_t>(local.tm_hour) << 11) | (static_cast<uint32_t>(local.tm_min) << 5) |
                        static_cast<uint32_t>(local.tm_sec / 2);
  return (date << 16) | time;
}

std::tm UnpackDosDateTime(uint32_t packed) {
  std::tm t{};
  const uint32_t date = packed >> 16;
  const uint32_t time = packed & 0xFFFF;
  t.tm_year = static_cast<int>((date >> 9) & 0x7F) + 80;
  t.tm_mon = static_cast<int>((date >> 5) & 0x0F) - 1;
  t.tm_mday = static_cast<int>(date & 0x1F);
  t.tm_hour = static_cast<int>((time >> 11) & 0x1F);
  t.tm_min = static_cast<int>((time >> 5) & 0x3F);
  t.tm_sec = static_cast<int>(time & 0x1F) * 2;
  t.tm_isdst = -1;
  return t;
}

}  // namespace telvane
