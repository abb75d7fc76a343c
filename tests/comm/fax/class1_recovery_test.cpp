// Class 1 calls that go wrong, against a scripted modem: the sender's T.30
// recovery when the receiver answers a post-page command with DIS, the line
// going (NO CARRIER, a port hang-up, a modem that refuses commands after
// NO CARRIER), frames the modem never confirms, the far end's DCN, the DCN
// we send before hanging up, wide pages for a receiver without B4 width, and
// a received page ended at RTC, a call without one leaving no file.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/error_codes.h"
#include "comm/fax/class1_frames.h"
#include "comm/fax/fax_receiver.h"
#include "comm/fax/fax_sender.h"
#include "comm/fax/page_transmitter.h"
#include "faxdoc/apf_writer.h"
#include "faxdoc/t4_encoder.h"
#include "tests/comm/fax/fax_fixture.h"
#include "tests/support/apf_pages.h"

namespace telvane {
namespace {

using test::FaxTest;

std::string Bytes(std::initializer_list<int> b) {
  std::string s;
  for (int c : b) s += static_cast<char>(c);
  return s;
}
const std::string kDleEtx = Bytes({0x10, 0x03});
std::string Frame(int control, int fcf, std::initializer_list<int> fif = {}) {
  return Bytes({0xFF, control, fcf}) + Bytes(fif) + kDleEtx;
}
const std::string kCsi = Frame(0x03, 0x40);
const std::string kDis = Frame(0x13, 0x80, {0x00, 0xEE, 0xF9, 0x00});      // V.17, fine, B4
const std::string kDisA4 = Frame(0x13, 0x80, {0x00, 0xEE, 0xF8, 0x00});    // no B4 width
const std::string kCfr = Frame(0x13, 0x84), kMcf = Frame(0x13, 0x8C), kDcn = Frame(0x13, 0xFA);
const std::string kMps = Frame(0x13, 0x4F), kEop = Frame(0x13, 0x2F), kDcnOut = Frame(0x13, 0xFB);
const std::string kDcsHead = Bytes({0xFF, 0x13, 0x83});

class Class1RecoveryTest : public FaxTest {
 protected:
  static std::string Got(const std::string& frame) { return Rsp("CONNECT") + frame + Rsp("OK"); }

  std::unique_ptr<FaxSender> Sender(const std::string& file) {
    owner.faxes.emplace_back("5551234", file, "");
    auto s = std::make_unique<FaxSender>(port, owner);
    s->Session().faxClass = fcClass1;
    s->Session().desiredBps = 9600;
    Watch(*s);
    line->Expect("ATE0Q0V1X4S0=0S2=43\r", Rsp("OK"));
    line->Expect("AT+FCLASS=1\r", Rsp("OK"));
    line->Expect("AT+FTM=?\r", Rsp("24,48,72,96\nOK"));
    line->Expect("AT+FCLASS=1\r", Rsp("OK"));
    return s;
  }
  // From the dial to the CFR: the remote's CSI and `dis`, our TSI, DCS, TCF.
  void Call(const std::string& dis = kDis) {
    line->Expect("ATDT5551234\r", Got(kCsi));
    line->Expect("AT+FRH=3\r", Got(dis));
    Training();
  }
  void Training() {
    line->Expect("AT+FTH=3\r", Rsp("CONNECT"));
    line->Expect(Bytes({0xFF, 0x03, 0x43}), Rsp("CONNECT"));  // TSI
    line->Expect(kDcsHead, Rsp("OK"));
    line->Expect("AT+FTM=96\r", Rsp("CONNECT"));
    line->Expect(kDleEtx, Rsp("OK"));
    line->Expect("AT+FRH=3\r", Got(kCfr));
  }
  void Page(const std::string& post, const std::string& answer) {
    line->Expect("AT+FTM=96\r", Rsp("CONNECT"));
    line->Expect(kDleEtx, Rsp("OK"));
    line->Expect("AT+FTH=3\r", Rsp("CONNECT"));
    line->Expect(post, Rsp("OK"));
    line->Expect("AT+FRH=3\r", answer);
  }
  void Dcn() {
    line->Expect("AT+FTH=3\r", Rsp("CONNECT"));
    line->Expect(kDcnOut, Rsp("OK"));
  }
  void Run(FaxEngine& e, int maxTicks = 20000) {
    ASSERT_EQ(e.Start(), 0);
    RunToEnd(e, maxTicks);
    EXPECT_TRUE(line->ScriptDone()) << testing::PrintToString(line->NextExpected());
  }
  std::string Apf(int pages) {
    std::string f = dir.File("out.apf");
    test::MakeApf(f, pages);
    return f;
  }
};

TEST_F(Class1RecoveryTest, ADisInAnswerToMpsSendsThePageAgainAfterANewDcsAndTraining) {
  auto s = Sender(Apf(2));
  Call();
  Page(kMps, Got(kCsi));  // CSI, then DIS: the receiver lost the page
  line->Expect("AT+FRH=3\r", Got(kDis));
  Training();
  Page(kMps, Got(kMcf));  // page 1 again
  Page(kEop, Got(kMcf));
  Dcn();
  Run(*s);
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  EXPECT_EQ(CountWritten(kDcsHead), 2);
  EXPECT_EQ(CountWritten(kMps), 2) << "page 1 went twice";
  EXPECT_EQ(CountWritten(kEop), 1);
}

TEST_F(Class1RecoveryTest, ARemoteThatLosesThePageEveryTimeGetsItThreeTimesMoreThenDcn) {
  auto s = Sender(Apf(1));
  Call();
  Page(kEop, Got(kDis));
  for (int i = 0; i < 3; ++i) {
    Training();
    Page(kEop, Got(kDis));
  }
  Dcn();
  Run(*s);
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFatalTimeout});
  EXPECT_EQ(CountWritten(kEop), 4);
  EXPECT_EQ(s->Session().endReason, EndReason::Failed);
}

TEST_F(Class1RecoveryTest, AFarEndsDcnIsARemoteHangUpAndGetsNoDcnBack) {
  auto s = Sender(Apf(2));
  Call();
  Page(kMps, Got(kDcn));
  Run(*s);
  EXPECT_EQ(owner.finishes, std::vector<int>{ecCancelRequested});
  EXPECT_EQ(s->Session().endReason, EndReason::RemoteHangUp);
  EXPECT_EQ(CountWritten(kDcnOut), 0);
  EXPECT_EQ(CountWritten("ATH0\r"), 1) << "hung up at once, without the escape sequence";
  EXPECT_EQ(CountWritten("+++"), 0);
}

TEST_F(Class1RecoveryTest, AUsersCancelEndsT30WithDcn) {
  auto s = Sender(Apf(1));
  line->Expect("ATDT5551234\r", Got(kCsi));
  line->Expect("AT+FRH=3\r", Got(kDis));
  line->Expect("AT+FTH=3\r", "");  // the TSI's CONNECT does not come: the user cancels
  Dcn();
  ASSERT_EQ(s->Start(), 0);
  ASSERT_TRUE(drive.RunUntil([&] { return s->State() == tf1SendTsi; }, 2000));
  s->Abort();
  RunToEnd(*s);
  EXPECT_EQ(owner.finishes, std::vector<int>{ecCancelRequested});
  EXPECT_EQ(s->Session().endReason, EndReason::UserCancel);
  EXPECT_EQ(CountWritten(kDcnOut), 1);
}

// The line goes while page data go out (or the modem still sends them).
struct LineLoss {
  const char* name;
  std::string atBlankLine;  // the modem's answer to the page's first bytes
  bool portHangsUp;         // after the page data, the port reports a hang-up
  EndReason reason;
};

class Class1LineLossTest : public Class1RecoveryTest, public ::testing::WithParamInterface<LineLoss> {};

TEST_P(Class1LineLossTest, TheFaxEndsWithinTwoSecondsWithoutDcn) {
  const LineLoss& c = GetParam();
  auto s = Sender(Apf(2));
  Call();
  line->Expect("AT+FTM=96\r", Rsp("CONNECT"));
  line->Expect(std::string(kBlankLine, kBlankLine + sizeof kBlankLine), c.atBlankLine);
  ASSERT_EQ(s->Start(), 0);
  ASSERT_TRUE(drive.RunUntil([&] { return s->State() >= tfSendBlankLines; }, 3000));
  if (c.portHangsUp) {
    ASSERT_TRUE(drive.RunUntil([&] { return s->State() == tf1PageSent; }, 100));
    line->HangUp();
  }
  EXPECT_TRUE(drive.RunUntil([&] { return s->Finished(); }, SecsToTicks(2))) << s->StateName(s->State());
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFaxSessionError});
  EXPECT_EQ(s->Session().endReason, c.reason);
  EXPECT_EQ(CountWritten(kDcnOut), 0) << "no DCN on a line that went";
  EXPECT_EQ(CountWritten("AT+FTH=3\r"), 1) << "no post-page command either";
  EXPECT_EQ(owner.logs.back(), lfaxTransmitFail);
}

INSTANTIATE_TEST_SUITE_P(
    Ends, Class1LineLossTest,
    ::testing::Values(LineLoss{"NoCarrier", FaxTest::Rsp("NO CARRIER"), false, EndReason::CarrierLost},
                      LineLoss{"PortHangUp", "", true, EndReason::PortHangUp}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Class1RecoveryTest, NoCarrierWhileAFrameIsAwaitedListensAgainAndAnErrorThenIsALostLine) {
  auto s = Sender(Apf(1));
  line->Expect("ATDT5551234\r", Got(kCsi));
  line->Expect("AT+FRH=3\r", Rsp("CONNECT") + Rsp("NO CARRIER"));
  line->Expect("AT+FRH=3\r", Rsp("ERROR"));  // the modem went on hook with the line
  Run(*s, 200);
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFaxSessionError});
  EXPECT_EQ(s->Session().endReason, EndReason::CarrierLost);
}

TEST_F(Class1RecoveryTest, AFrameTheModemNeverConfirmsIsAPoorLine) {
  auto s = Sender(Apf(1));
  line->Expect("ATDT5551234\r", Got(kCsi));
  line->Expect("AT+FRH=3\r", Rsp("CONNECT") + kDis);  // no OK: noise keeps the carrier up
  line->Expect("\x18", Rsp("OK"));                     // the reception aborted for the DCN
  Dcn();
  Run(*s, SecsToTicks(10));
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFatalTimeout});
  EXPECT_EQ(s->Session().endReason, EndReason::PoorLine);
}

TEST_F(Class1RecoveryTest, AWidePageGoesToAnA4ReceiverReducedAndTheDcsSaysA4) {
  std::string f = dir.File("wide.apf");
  std::vector<uint8_t> wide(256, 0), narrow(216, 0);
  wide[0] = 0x80;     // pixel 0 stays pixel 0
  wide[255] = 0x01;   // pixel 2047 lands on 1727
  narrow[0] = 0x80;
  narrow[215] = 0x01;
  {
    ApfWriter w;
    ASSERT_EQ(w.Create(f), 0);
    ASSERT_EQ(w.BeginPage(false, true), 0);
    auto coded = EncodeRasterLine(wide.data(), 2048);
    ASSERT_EQ(w.AddLine(coded.data(), coded.size()), 0);
    ASSERT_EQ(w.EndPage(), 0);
    ASSERT_EQ(w.Finish("S"), 0);
  }
  auto s = Sender(f);
  Call(kDisA4);
  Page(kEop, Got(kMcf));
  Dcn();
  Run(*s);
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  const std::string dcs = line->Written().substr(line->Written().find(kDcsHead) + 3, 4);
  EXPECT_EQ(static_cast<uint8_t>(dcs[2]) & 0x03, 0) << "A4 width asked for";
  auto reduced = EncodeRasterLine(narrow.data(), 1728);
  EXPECT_EQ(CountWritten(std::string(reduced.begin(), reduced.end())), 1);
  EXPECT_FALSE(s->Session().class1.wide);
}

// --- Receiving ---

class Class1ReceiveEndTest : public Class1RecoveryTest {
 protected:
  std::unique_ptr<FaxReceiver> Receiver() {
    owner.receiveName = dir.File("in.apf");
    auto r = std::make_unique<FaxReceiver>(port, owner);
    r->Session().faxClass = fcClass1;
    r->Session().oneFax = true;
    r->Session().options = foExitOnError;  // a failed call ends the session too
    Watch(*r);
    line->Expect("ATE0Q0V1X4S0=0S2=43\r", Rsp("OK"));
    line->Expect("AT+FCLASS=1\r", Rsp("OK"));
    line->Expect("AT+FRM=?\r", Rsp("24,48,72,96\nOK"));
    line->Expect("AT+FCLASS=1\r", Rsp("OK") + Rsp("RING"));
    line->Expect("ATA\r", Rsp("CONNECT"));
    line->Expect(Bytes({0xFF, 0x03, 0x40}), Rsp("CONNECT"));  // CSI
    line->Expect(Bytes({0xFF, 0x13, 0x80}), Rsp("OK"));       // DIS
    line->Expect("AT+FRH=3\r", Got(Frame(0x13, 0x83, {0x00, 0x06, 0x88, 0x00})));  // DCS at 9600
    line->Expect("AT+FRM=96\r", Rsp("CONNECT") + std::string(1728, '\0') + kDleEtx + Rsp("NO CARRIER"));
    line->Expect("AT+FTH=3\r", Rsp("CONNECT"));
    line->Expect(kCfr, Rsp("OK"));
    return r;
  }
  // A page of three lines as stored, closed by the end-of-page record.
  static std::string StoredPage() {
    std::string p;
    for (int l = 0; l < 3; ++l) {
      auto raster = test::BarLine(10 * l, 10 * l + 300);
      auto coded = EncodeRasterLine(raster.data(), 1728);
      p.append(coded.begin(), coded.end());
    }
    return p + std::string(std::begin(kEndOfPageRecord), std::end(kEndOfPageRecord));
  }
};

TEST_F(Class1ReceiveEndTest, WhatFollowsRtcIsNotStored) {
  auto r = Receiver();
  const std::string page = StoredPage();
  line->Expect("AT+FRM=96\r", Rsp("CONNECT") + page + Bytes({0x5A, 0xFF, 0x37}) + kDleEtx + Rsp("NO CARRIER"));
  line->Expect("AT+FRH=3\r", Got(kEop));
  line->Expect("AT+FTH=3\r", Rsp("CONNECT"));
  line->Expect(kMcf, Rsp("OK"));
  line->Expect("AT+FRH=3\r", Got(Frame(0x13, 0xFB)));
  line->Expect("ATH\r", Rsp("OK"));
  Run(*r);
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  const auto size = std::filesystem::file_size(owner.receiveName);
  EXPECT_EQ(size, kApfFileHeaderSize + kApfPageHeaderSize + page.size() + 1) << "the page, and one byte of fill";
}

TEST_F(Class1ReceiveEndTest, ACallCutBeforeAnyPageLeavesNoFileButItsFailedReceive) {
  auto r = Receiver();
  // Half a page, then the line goes: DLE ETX, NO CARRIER, and a modem on
  // hook that refuses the next command.
  line->Expect("AT+FRM=96\r", Rsp("CONNECT") + StoredPage().substr(0, 20) + kDleEtx + Rsp("NO CARRIER"));
  line->Expect("AT+FRH=3\r", Rsp("ERROR"));
  Run(*r, SecsToTicks(5));
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFaxSessionError});
  EXPECT_EQ(r->Session().endReason, EndReason::CarrierLost);
  EXPECT_EQ(owner.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveFail}));
  EXPECT_FALSE(std::filesystem::exists(owner.receiveName));
  EXPECT_EQ(CountWritten("AT+FTH=3\r"), 1) << "no DCN on a line that went";
}

}  // namespace
}  // namespace telvane
