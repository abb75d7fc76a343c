// APF header byte layout, station identifier and MS-DOS date packing.
#include <gtest/gtest.h>

#include "apf_format.h"

namespace telvane {
namespace {

TEST(ApfFormat, FileHeaderFieldsSitAtTheirOffsets) {
  ApfFileHeader h;
  h.Signature = kApfSignature;
  h.CreatedAt = 0x58CB6DBD;
  h.SetStationId("+86 10 1234");
  h.PageCount = 0x0203;
  h.FirstPageOffset = 0x01020304;
  const auto b = h.Pack();

  EXPECT_EQ(std::string(b.begin(), b.begin() + 6), std::string("APF10\x1A", 6));
  EXPECT_EQ(b[6], 0xBD);
  EXPECT_EQ(b[9], 0x58);
  EXPECT_EQ(b[10], 11);  // length byte
  EXPECT_EQ(std::string(b.begin() + 11, b.begin() + 31), "+86 10 1234         ");
  EXPECT_EQ(b[31], 0);
  EXPECT_EQ(b[32], 0x03);
  EXPECT_EQ(b[33], 0x02);
  EXPECT_EQ(b[34], 0x04);
  EXPECT_EQ(b[37], 0x01);
  for (size_t i = 38; i < 64; ++i) EXPECT_EQ(b[i], 0) << i;

  const ApfFileHeader back = ApfFileHeader::Unpack(b.data());
  EXPECT_TRUE(back.HasSignature());
  EXPECT_EQ(back.CreatedAt, h.CreatedAt);
  EXPECT_EQ(back.StationIdText(), "+86 10 1234");
  EXPECT_EQ(back.PageCount, h.PageCount);
  EXPECT_EQ(back.FirstPageOffset, h.FirstPageOffset);
}

TEST(ApfFormat, PageHeaderFieldsSitAtTheirOffsets) {
  ApfPageHeader p;
  p.DataLength = 0xA1B2C3D4;
  p.PageFlags = pfLineRecords | pfWide;
  const auto b = p.Pack();
  EXPECT_EQ(b[0], 0xD4);
  EXPECT_EQ(b[3], 0xA1);
  EXPECT_EQ(b[4], 0x06);
  EXPECT_EQ(b[5], 0x00);
  for (size_t i = 6; i < 16; ++i) EXPECT_EQ(b[i], 0) << i;
  const ApfPageHeader back = ApfPageHeader::Unpack(b.data());
  EXPECT_EQ(back.DataLength, p.DataLength);
  EXPECT_EQ(back.PageFlags, p.PageFlags);
}

TEST(ApfFormat, StationIdIsCutToTwentyAndSpacePadded) {
  ApfFileHeader h;
  h.SetStationId("123456789012345678901234");
  EXPECT_EQ(h.StationIdLength, 20);
  EXPECT_EQ(h.StationIdText(), "12345678901234567890");
  h.SetStationId("");
  EXPECT_EQ(h.StationIdLength, 0);
  EXPECT_EQ(std::string(h.StationId.begin(), h.StationId.end()), std::string(20, ' '));
  // A corrupt length byte does not read past the field.
  h.StationIdLength = 200;
  EXPECT_EQ(h.StationIdText().size(), 20u);
}

TEST(ApfFormat, DosDateTimePacking) {
  std::tm t{};
  t.tm_year = 2024 - 1900;
  t.tm_mon = 5;  // June
  t.tm_mday = 11;
  t.tm_hour = 13;
  t.tm_min = 45;
  t.tm_sec = 59;  // stored in 2-second steps
  EXPECT_EQ(PackDosDateTime(t), 0x58CB6DBDu);
  const std::tm back = UnpackDosDateTime(0x58CB6DBD);
  EXPECT_EQ(back.tm_year, t.tm_year);
  EXPECT_EQ(back.tm_mon, t.tm_mon);
  EXPECT_EQ(back.tm_mday, t.tm_mday);
  EXPECT_EQ(back.tm_hour, t.tm_hour);
  EXPECT_EQ(back.tm_min, t.tm_min);
  EXPECT_EQ(back.tm_sec, 58);

  // Years the 7-bit field cannot hold are held at its ends.
  t.tm_year = 1970 - 1900;
  EXPECT_EQ(PackDosDateTime(t) >> 25, 0u);
  t.tm_year = 2200 - 1900;
  EXPECT_EQ(PackDosDateTime(t) >> 25, 127u);
}

}  // namespace
}  // namespace telvane
