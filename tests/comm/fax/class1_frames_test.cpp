// The Class 1 codec against T.30: frames as a T.31 modem carries them, DIS
// and DCS bits (T.30 Table 2, bit 1 of each octet = 0x01), ID frames, the
// speed choice and step-down, scan-line padding and the training check.
#include <gtest/gtest.h>

#include "comm/fax/class1_frames.h"

namespace telvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

SpeedSet All() {
  SpeedSet s;
  for (int i = 1; i <= 6; ++i) s.Add(i);
  return s;
}

TEST(Class1Speeds, IndexesNameTheirSpeedAndModulations) {
  const char* train[] = {"24", "48", "72", "96", "121", "145"};
  const char* page[] = {"24", "48", "72", "96", "122", "146"};
  for (int i = 1; i <= 6; ++i) {
    EXPECT_EQ(Class1Bps(i), 2400 * i) << i;
    EXPECT_EQ(TrainModulation(i), train[i - 1]) << i;
    EXPECT_EQ(PageModulation(i), page[i - 1]) << i;
  }
  // V.17 at 7200/9600 (asked for by a peer's DCS): long and short training.
  EXPECT_EQ(Class1Modulation(4, true, false), "97");
  EXPECT_EQ(Class1Modulation(3, true, true), "74");
}

TEST(Class1Speeds, LocalCapabilityComesFromTheModulationList) {
  // What a T.31 modem (spandsp's emulation) answers to AT+FTM=?.
  EXPECT_EQ(ParseModulations("24,48,72,73,74,96,97,98,121,122,145,146"), All());
  SpeedSet v29 = ParseModulations("24,48,72,96\nOK\n");
  EXPECT_TRUE(v29.Has(4));
  EXPECT_FALSE(v29.Has(5));
  EXPECT_EQ(ParseModulations("ERROR"), BaseSpeeds());
}

TEST(Class1Speeds, TheChoiceIsTheHighestCommonSpeedNotAboveTheDesiredOne) {
  // The edge cases of the speed choice: V.17 offered but 9600 desired; V.29 alone.
  SpeedSet v17 = DecodeDis({0x00, 0xEE, 0xF8, 0x00}).speeds;
  int i = ChooseSpeed(All(), v17, 9600);
  EXPECT_EQ(i, 4);
  EXPECT_EQ(TrainModulation(i), "96");
  EXPECT_EQ(ChooseSpeed(All(), DecodeDis({0x00, 0x04, 0x00, 0x00}).speeds, 14400), 4);
  EXPECT_EQ(ChooseSpeed(All(), v17, 14400), 6);
  EXPECT_EQ(ChooseSpeed(All(), v17, 13000), 5);
  EXPECT_EQ(ChooseSpeed(ParseModulations("24,48,72,96"), v17, 14400), 4);
  // A desired speed below 2400 is taken as 2400, never "no speed".
  EXPECT_EQ(ChooseSpeed(All(), v17, 1200), 1);
  EXPECT_EQ(ChooseSpeed(All(), v17, 0), 1);
}

TEST(Class1Speeds, StepDownGoesToTheNextLowerCommonSpeedAndEndsBelow2400) {
  EXPECT_EQ(StepDownSpeed(4, All(), All()), 3);
  SpeedSet v29only = DecodeDis({0x00, 0x04, 0x00, 0x00}).speeds;  // 2400, 4800, 9600
  EXPECT_EQ(StepDownSpeed(4, All(), v29only), 2);
  EXPECT_EQ(StepDownSpeed(1, All(), All()), 0);
}

TEST(Class1Frames, FramesCarryAddressControlFcfFifAndDleEtxWithDleDoubled) {
  EXPECT_EQ(BuildFrame(kFcfDCN | kFcfX, true), std::string("\xFF\x13\xFB\x10\x03", 5));
  EXPECT_EQ(BuildFrame(kFcfTSI | kFcfX, false, {0x10, 'A'}), std::string("\xFF\x03\x43\x10\x10" "A\x10\x03", 8));
  Class1Frame f = ParseFrame(std::string("\x00\x00\xFF\x13\x83\x00\x10", 7));
  EXPECT_TRUE(f.valid);
  EXPECT_TRUE(f.final);
  EXPECT_EQ(f.fcf, kFcfDCS) << "the X bit is masked";
  EXPECT_EQ(f.fif, (Bytes{0x00, 0x10}));
  EXPECT_FALSE(ParseFrame("\xFF\x13").valid);
  EXPECT_FALSE(ParseFrame("garbage").valid);
}

TEST(Class1Frames, FcfsAreTheT30CodesInModemBitOrder) {
  // T.30 writes FCFs first bit first; the modem's octet has the first bit at 0x01.
  auto reversed = [](const char* t30) {
    std::uint8_t b = 0;
    for (int i = 0; i < 8; ++i)
      if (t30[i] == '1') b |= static_cast<std::uint8_t>(1u << i);
    return b;
  };
  EXPECT_EQ(kFcfDIS, reversed("00000001"));
  EXPECT_EQ(kFcfCSI, reversed("00000010"));
  EXPECT_EQ(kFcfDCS, reversed("01000001"));
  EXPECT_EQ(kFcfTSI, reversed("01000010"));
  EXPECT_EQ(kFcfCFR, reversed("00100001"));
  EXPECT_EQ(kFcfFTT, reversed("00100010"));
  EXPECT_EQ(kFcfMCF, reversed("00110001"));
  EXPECT_EQ(kFcfRTN, reversed("00110010"));
  EXPECT_EQ(kFcfRTP, reversed("00110011"));
  EXPECT_EQ(kFcfMPS, reversed("01110010"));
  EXPECT_EQ(kFcfEOM, reversed("01110001"));
  EXPECT_EQ(kFcfEOP, reversed("01110100"));
  EXPECT_EQ(kFcfDCN, reversed("01011111"));
}

TEST(Class1Frames, IdFramesAreBlanksThenTheIdReversedAndReadBack) {
  Bytes abc = IdFif("ABC");
  ASSERT_EQ(abc.size(), 20u);
  EXPECT_EQ(std::string(abc.begin(), abc.end()), std::string(17, ' ') + "CBA");
  EXPECT_EQ(DecodeIdFif(abc), "ABC");
  Bytes full = IdFif("+49 30 1234567890123");
  EXPECT_EQ(DecodeIdFif(full), "+49 30 1234567890123");
  // A station that puts its fill after the reversed number, and the two FCS
  // octets that a T.31 modem passes after the FIF.
  std::string other = std::string("4321 55") + std::string(13, ' ') + "i\x91";
  EXPECT_EQ(DecodeIdFif(Bytes(other.begin(), other.end())), "55 1234");
}

// T.30 Table 2 rate field (bits 11-14) of a DCS as written there, "b11 b12 b13 b14".
std::string RateBits(const Bytes& fif) {
  std::string s;
  for (int bit = 11; bit <= 14; ++bit) s += (fif[1] >> (bit - 9)) & 1 ? '1' : '0';
  return s;
}

TEST(Class1Dcs, RateBitsNameTheModulationTheSenderTrains) {
  // 2400/4800 V.27 ter, 7200/9600 V.29, 12000/14400 V.17.
  EXPECT_EQ(RateBits(DcsFif(1, false, false, 0)), "0000");
  EXPECT_EQ(RateBits(DcsFif(2, false, false, 0)), "0100");
  EXPECT_EQ(RateBits(DcsFif(3, false, false, 0)), "1100");
  EXPECT_EQ(RateBits(DcsFif(4, false, false, 0)), "1000");
  EXPECT_EQ(RateBits(DcsFif(5, false, false, 0)), "0101");
  EXPECT_EQ(RateBits(DcsFif(6, false, false, 0)), "0001");
  for (int i = 1; i <= 6; ++i) {
    for (bool fine : {false, true}) {
      DcsInfo d = DecodeDcs(DcsFif(i, fine, !fine, 5));
      EXPECT_EQ(d.speedIndex, i);
      EXPECT_EQ(d.fine, fine);
      EXPECT_EQ(d.wide, !fine);
      EXPECT_EQ(d.scanTime, 5);
    }
  }
  EXPECT_EQ(DcsFif(4, true, false, 5), (Bytes{0x00, 0x46, 0x88, 0x00}));
}

TEST(Class1Dcs, V17RatesOfAPeerAreReadAsTheirSpeed) {
  auto dcs = [](std::uint8_t rate) { return DecodeDcs({0x00, static_cast<std::uint8_t>(0x02 | rate), 0x88, 0x00}); };
  EXPECT_EQ(dcs(0x28).speedIndex, 5);
  DcsInfo v17at9600 = dcs(0x24);
  EXPECT_EQ(v17at9600.speedIndex, 4);
  EXPECT_TRUE(v17at9600.v17);
  EXPECT_EQ(Class1Modulation(v17at9600.speedIndex, v17at9600.v17, false), "97");
  EXPECT_EQ(dcs(0x2C).speedIndex, 3);
  EXPECT_TRUE(dcs(0x2C).v17);
  EXPECT_FALSE(dcs(0x0C).v17);
  EXPECT_EQ(dcs(0x10).speedIndex, 5) << "bit 13 alone, as older stations sent 12000";
}

TEST(Class1Dis, OurDisOffersFamiliesWithFineWideAndTwoDimCoding) {
  EXPECT_EQ(DisFif(6), (Bytes{0x00, 0xEE, 0xF9, 0x00}));
  EXPECT_EQ(DisFif(5), DisFif(6)) << "12000 is V.17 too";
  EXPECT_EQ(DisFif(4), (Bytes{0x00, 0xCE, 0xF9, 0x00}));
  EXPECT_EQ(DisFif(2), (Bytes{0x00, 0xCA, 0xF9, 0x00}));
  EXPECT_EQ(DisFif(1), (Bytes{0x00, 0xC2, 0xF9, 0x00}));
  EXPECT_EQ(DisFif(6, false), (Bytes{0x00, 0x6E, 0xF9, 0x00})) << "bit 16 is the only difference";
  DisInfo d = DecodeDis(DisFif(6));
  EXPECT_EQ(d.speeds, All());
  EXPECT_TRUE(d.fine);
  EXPECT_TRUE(d.wide);
  EXPECT_TRUE(d.twoDim);
  EXPECT_EQ(d.scanTime, 0);
  EXPECT_FALSE(DecodeDis(DisFif(6, false)).twoDim);
}

TEST(Class1Dcs, TwoDimCodingIsBit16AndReadBack) {
  EXPECT_EQ(DcsFif(4, true, false, 5, true), (Bytes{0x00, 0xC6, 0x88, 0x00}));
  for (bool twoDim : {false, true}) {
    DcsInfo d = DecodeDcs(DcsFif(6, false, true, 3, twoDim));
    EXPECT_EQ(d.twoDim, twoDim);
    EXPECT_EQ(d.speedIndex, 6) << "the coding bit leaves the rate alone";
    EXPECT_TRUE(d.wide);
  }
}

TEST(Class1Dis, ScanLineBitsGiveTheirCode) {
  // Bits 21-23 at 0x10, 0x20, 0x40 of octet 3.
  const std::pair<std::uint8_t, int> table[] = {{0x00, 5}, {0x40, 7}, {0x20, 3}, {0x10, 1},
                                                {0x60, 2}, {0x30, 4}, {0x50, 6}, {0x70, 0}};
  for (auto [bits, code] : table) EXPECT_EQ(DecodeDis({0, 0x02, bits, 0}).scanTime, code) << int(bits);
  // Widths: 215 mm only; 215 and 255; 215, 255 and 303 (a B4/A3 machine); 3 is invalid.
  EXPECT_FALSE(DecodeDis({0, 0x02, 0x00, 0}).wide);
  EXPECT_TRUE(DecodeDis({0, 0x02, 0x01, 0}).wide);
  EXPECT_TRUE(DecodeDis({0, 0x02, 0x02, 0}).wide);
  EXPECT_FALSE(DecodeDis({0, 0x02, 0x03, 0}).wide);
  EXPECT_FALSE(DecodeDis({0, 0x02, 0x02, 0}).fine);
}

TEST(Class1Params, MinimumBytesPerLineFollowTheScanTimeSpeedAndResolution) {
  Class1Params p;
  p.scanTime = 5;
  p.fine = true;
  p.SetSpeed(4);
  EXPECT_EQ(p.minBytes, 24);  // 20 ms at 9600 bit/s
  p.scanTime = 2;
  p.UpdateMinBytes();
  EXPECT_EQ(p.minBytes, 6);  // 5 ms fine
  p.fine = false;
  p.SetSpeed(6);
  EXPECT_EQ(p.minBytes, 18);  // 10 ms at 14400
}

TEST(Class1Tcf, TrainingIsOneAndAHalfSecondsOfZeros) {
  std::string t96 = BuildTcf(9600), t144 = BuildTcf(14400);
  EXPECT_EQ(t96.size(), 1728u + 2);
  EXPECT_EQ(t144.size(), 2592u + 2);
  EXPECT_EQ(t96.find_first_not_of('\0'), 1728u);
  EXPECT_EQ(t96.substr(1728), "\x10\x03");
  EXPECT_EQ(TcfLength(100000), 8192);
}

TEST(Class1Tcf, TheCheckRejectsTenPercentAndAnEmptyTraining) {
  auto check = [](const std::string& bytes) {
    TcfChecker c;
    for (char b : bytes) c.Take(&b, 1);  // byte by byte: a DLE may end a read
    EXPECT_TRUE(c.Done());
    return c;
  };
  std::string ten(90, '\0');
  ten += std::string(10, '\x01') + "\x10\x03";
  EXPECT_FALSE(check(ten).Good());
  std::string nine(91, '\0');
  nine += std::string(9, '\x01') + "\x10\x03";
  EXPECT_TRUE(check(nine).Good());
  TcfChecker empty = check("\x10\x03");
  EXPECT_EQ(empty.Total(), 0u);
  EXPECT_FALSE(empty.Good());
  // DLE DLE is one data byte; bytes after DLE ETX are left alone.
  TcfChecker c;
  std::string withDle("\x00\x10\x10\x00\x10\x03OK", 8);
  EXPECT_EQ(c.Take(withDle.data(), withDle.size()), 6u);
  EXPECT_EQ(c.Total(), 3u);
  EXPECT_EQ(c.NonZero(), 1u);
}

}  // namespace
}  // namespace telvane
