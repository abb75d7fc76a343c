// Building the Class 2 / 2.0 parameter strings and reading the modem's
// reports, the dial digit of the init string and header line tags.
#include <gtest/gtest.h>

#include "comm/fax/class2_commands.h"
#include "comm/fax/fax_session.h"
#include "faxdoc/header_line.h"
#include "faxdoc/page_lines.h"
#include "comm/fax/t30_timing.h"

namespace telvane {
namespace {

TEST(InitString, TheXDigitFollowsBlindDialAndBusyDetection) {
  EXPECT_EQ(DefaultInitString(false, true), "ATE0Q0V1X4S0=0S2=43");
  EXPECT_EQ(DefaultInitString(true, true), "ATE0Q0V1X3S0=0S2=43");
  EXPECT_EQ(DefaultInitString(false, false), "ATE0Q0V1X2S0=0S2=43");
  EXPECT_EQ(DefaultInitString(true, false), "ATE0Q0V1X1S0=0S2=43");
}

TEST(Session, SecondsBecomeTicksAndTheStationIdIsCutAndUpperCased) {
  FaxSession s;
  EXPECT_EQ(s.dialWait, 1092);
  s.SetDialWaitSecs(500);
  EXPECT_EQ(s.dialWait, 9103);  // 500 x 1675 / 92, rounded down
  s.SetStationId("abc 123456789012345678901");
  EXPECT_EQ(s.stationId, "ABC 1234567890123456");
}

TEST(Class2Params, ModemCapabilitiesFollowTheFirstPageAndTheDesiredSpeed) {
  auto c2 = Class2Commands::For(false), c20 = Class2Commands::For(true);
  EXPECT_EQ(SenderModemCaps(c2, true, false, 14400, '1'), "AT+FDCC=1,5,0,2,0,1,0,0");
  EXPECT_EQ(SenderModemCaps(c20, false, true, 4800, '0'), "AT+FCC=0,1,1,2,0,0,0,0");
  EXPECT_EQ(ReceiverModemCaps(c2, 12000, '0'), "AT+FDCC=1,4,0,2,0,0,0,0");
  // Speeds the parameter has no code for are taken as 9600.
  EXPECT_EQ(ReceiverModemCaps(c20, 33600, '0'), "AT+FCC=1,3,0,2,0,0,0,0");
  EXPECT_EQ(SpeedChar(2400), '0');
  EXPECT_EQ(SpeedChar(7200), '2');
}

TEST(Class2Params, NegotiatedParametersAreReadByPosition) {
  Class2Params p = DecodeParams("  +FDCS: 1,5,1,2,0,1,0,3 ");
  EXPECT_TRUE(p.fine);
  EXPECT_EQ(p.bps, 14400);
  EXPECT_TRUE(p.wide);
  EXPECT_TRUE(p.ecm);
  EXPECT_EQ(p.scanTime, 3);
  EXPECT_EQ(p.minBytes, 10 * 14400 / 8000);
  // Class 2.0 report without a colon (the equals-sign form), unknown speed.
  p = DecodeParams("+FCS=0,9,0,2,0,2,0,6");
  EXPECT_FALSE(p.fine);
  EXPECT_EQ(p.bps, 9600);
  EXPECT_TRUE(p.ecm) << "EC 2 is error correction too";
  EXPECT_EQ(p.minBytes, 40 * 9600 / 8000);
  // A short report leaves the rest at their defaults rather than reading past it.
  p = DecodeParams("+FDCS:1");
  EXPECT_TRUE(p.fine);
  EXPECT_EQ(p.bps, 9600);
  EXPECT_EQ(p.minBytes, 0);
}

TEST(Class2Params, MinimumBytesPerScanLineDependOnResolution) {
  EXPECT_EQ(MinBytesPerLine(2, false, 9600), 12);  // 10 ms
  EXPECT_EQ(MinBytesPerLine(2, true, 9600), 6);    // 5 ms
  EXPECT_EQ(MinBytesPerLine(0, false, 14400), 0);
  EXPECT_EQ(MinBytesPerLine(7, true, 2400), 12);
}

TEST(Class2Reports, StationIdsLoseQuotesAndTrailingPunctuation) {
  EXPECT_EQ(DecodeStationId("+FCSI:\"  +49 30 1234  \""), "+49 30 1234");
  EXPECT_EQ(DecodeStationId("+FTI: \"ACME-FAX\"."), "ACME-FAX");
  EXPECT_EQ(DecodeStationId("+FTSI:"), "");
}

TEST(Class2Reports, HangUpCodesTakeUpToThreeCharactersWithoutBlanks) {
  EXPECT_EQ(DecodeHangupCode("+FHNG: 5 0"), 50);
  EXPECT_EQ(DecodeHangupCode("+FHS:100"), 100);
  EXPECT_EQ(DecodeHangupCode("+FHS:1234"), 123);
  EXPECT_EQ(DecodeHangupCode("+FHNG"), 0);
  // Hexadecimal causes of a Class 2.0 modem land on the Class 2 numbers.
  EXPECT_EQ(DecodeHangupCode("+FHS:A0"), 100);
  EXPECT_EQ(DecodeHangupCode("+FHS:a3"), 103);
  EXPECT_EQ(DecodeHangupCode("+FHS:54"), 54);
  EXPECT_EQ(DecodeHangupCode("+FHS:4x"), 4);
  EXPECT_EQ(ReportChar("+FPTS: 2,0,0"), '2');
  EXPECT_EQ(ReportChar("+FET:"), '\0');
}

TEST(HeaderLine, TagsRunToTheNextBlankAndUnknownOnesVanish) {
  HeaderTagValues v;
  v.stationId = "STATION";
  v.sender = "Ann";
  v.recipient = "Bob";
  v.title = "Report";
  v.totalPages = 2;
  v.pageNumber = 1;
  v.date = "12/08/26";
  v.time = "22:00:00";
  EXPECT_EQ(ReplaceHeaderTags("$P of $N", v), "1 of 2");
  EXPECT_EQ(ReplaceHeaderTags("From $F to $R: $S $I $D $T", v), "From Ann to Bob Report STATION 12/08/26 22:00:00")
      << "the colon after $R belongs to the tag";
  EXPECT_EQ(ReplaceHeaderTags("a $Xyz b $", v), "a  b ");
  EXPECT_EQ(ReplaceHeaderTags("$Pages", v), "1") << "the whole word is the tag";
}

TEST(HeaderLine, RendersOneCodedLinePerGlyphRowDoubledAtFineResolution) {
  std::vector<std::vector<std::uint8_t>> normal, fine;
  ASSERT_EQ(RenderHeaderLines("PAGE 1", false, false, normal), 0);
  ASSERT_EQ(RenderHeaderLines("PAGE 1", true, false, fine), 0);
  EXPECT_EQ(normal.size(), 8u);
  EXPECT_EQ(fine.size(), 16u);
  // An empty text is a band of white lines.
  std::vector<std::vector<std::uint8_t>> blank;
  ASSERT_EQ(RenderHeaderLines("", false, false, blank), 0);
  EXPECT_EQ(blank[0], (std::vector<std::uint8_t>{0x00, 0x80, 0xB2, 0x59, 0x01, 0x00}));
}

}  // namespace
}  // namespace telvane
