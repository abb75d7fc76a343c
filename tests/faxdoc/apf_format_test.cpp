// APF header fields: station identifier and MS-DOS date packing.
#include <gtest/gtest.h>

#include "faxdoc/apf_format.h"

namespace telvane {
namespace {

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
