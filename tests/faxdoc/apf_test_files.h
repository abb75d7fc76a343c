// Hand-built APF file pieces for tests: headers, pages and line records,
// laid out byte by byte so that the tests do not lean on the code under test.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "faxdoc/t4_encoder.h"

namespace telvane::test {

inline std::string Le16(uint32_t v) { return {static_cast<char>(v), static_cast<char>(v >> 8)}; }
inline std::string Le32(uint32_t v) { return Le16(v) + Le16(v >> 16); }

// The 64-byte file header: signature, no date, no station, page count and
// offset of the first page header.
inline std::string FileHeaderBytes(uint16_t pageCount, uint32_t firstPageOffset = 64) {
  std::string h = std::string("APF10\x1A", 6) + Le32(0) + std::string(22, '\0') + Le16(pageCount) +
                  Le32(firstPageOffset);
  h.resize(64, '\0');
  return h;
}

// A page header followed by its data; `dataLength` defaults to the data size.
inline std::string PageBytes(uint16_t flags, const std::string& data, int64_t dataLength = -1) {
  const uint32_t length = dataLength < 0 ? static_cast<uint32_t>(data.size()) : static_cast<uint32_t>(dataLength);
  return Le32(length) + Le16(flags) + std::string(10, '\0') + data;
}

inline std::string Bytes(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

// A line record: 2-byte count and the bytes.
inline std::string Record(const std::string& coded) { return Le16(static_cast<uint32_t>(coded.size())) + coded; }

inline std::string CodedLine(const std::vector<uint8_t>& raster, int width) {
  return Bytes(EncodeRasterLine(raster.data(), width));
}

inline std::string EndOfPageBytes() {
  return std::string(reinterpret_cast<const char*>(kEndOfPageRecord), sizeof kEndOfPageRecord);
}

}  // namespace telvane::test
