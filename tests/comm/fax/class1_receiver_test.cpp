// The receive machine against a scripted Class 1 modem whose far end is a
// T.30 caller: every receiving state, the training check's verdicts, the
// repeats of DIS, new documents, the modem's quirks and the faults that end
// a call with the confirmed pages kept.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "base/error_codes.h"
#include "faxdoc/apf_format.h"
#include "faxdoc/t4_mr_encoder.h"
#include "faxdoc/t4_mr_page.h"
#include "tests/comm/fax/fax_fixture.h"
#include "tests/support/apf_pages.h"

namespace telvane {
namespace {

using namespace test;

// The caller's frames as the modem delivers them (X bit set).
const std::string kTsi = Bytes({0xFF, 0x03, 0x43}) + std::string(12, ' ') + "9 RELLAC" + kDleEtx;
std::string Dcs(int rate, bool fine = false) {
  // Rate bits of FIF octet 2; octet 3: 0x88 and scan-line code 5 (20 ms).
  return Bytes({0xFF, 0x13, 0x83, 0x00, 0x02 | rate | (fine ? 0x40 : 0), 0x88, 0x00}) + kDleEtx;
}
const std::string kDcs14400 = Dcs(0x20);  // V.17
const std::string kDcs9600 = Dcs(0x04);   // V.29
const std::string kDcs7200 = Dcs(0x0C);   // V.29
const std::string kDcs2400 = Dcs(0x00);   // V.27 ter
// What the receiver writes: CSI "HERE" (not final) and DIS.
const std::string kCsiOut = Bytes({0xFF, 0x03, 0x40}) + std::string(16, ' ') + "EREH" + kDleEtx;
std::string DisOut(int rate) { return Bytes({0xFF, 0x13, 0x80, 0x00, 0xC2 | rate, 0xF9, 0x00}) + kDleEtx; }

// A TCF of `total` bytes of which `nonZero` are not zero, then DLE ETX.
std::string Tcf(int total, int nonZero) {
  std::string t(static_cast<std::size_t>(total), '\0');
  for (int i = 0; i < nonZero; ++i) t[static_cast<std::size_t>(i * total / std::max(nonZero, 1))] = '\x40';
  return t + kDleEtx;
}

// The caller's pages, bars of their own.
WirePage Page(int seed, int lines) { return MakePage(seed, lines, 41, 5, 150); }

class Class1ReceiveTest : public FaxTest {
 protected:
  std::unique_ptr<FaxReceiver> MakeReceiver(int desiredBps = 9600) {
    return FaxTest::MakeReceiver(fcClass1, desiredBps);
  }

  // Preparation, one RING, ATA, CSI and DIS.
  void ScriptAnswer(const std::string& speeds = kAllSpeeds, int disRate = 0x0C) {
    line->Expect(kInit, Rsp("OK"));
    line->Expect("AT+FCLASS=1\r", Rsp("OK"));
    line->Expect("AT+FRM=?\r", Rsp(speeds + "\nOK"));
    line->Expect("AT+FCLASS=1\r", Rsp("OK") + Rsp("RING"));
    ScriptCsiDis("ATA\r", disRate);
  }
  void ScriptCsiDis(const std::string& after, int disRate = 0x0C) {
    line->Expect(after, Rsp("CONNECT"));
    line->Expect(kCsiOut, Rsp(csiAnswer));
    line->Expect(DisOut(disRate), Rsp("OK"));
  }
  // The caller's TSI and DCS.
  void ScriptDcs(const std::string& dcs) {
    line->Expect("AT+FRH=3\r", Got(kTsi));
    line->Expect("AT+FRH=3\r", Got(dcs));
  }
  // The call answered and trained at 9600 bit/s (V.29) on a clean TCF.
  void ScriptTrainedAt9600() {
    ScriptAnswer();
    ScriptDcs(kDcs9600);
    ScriptTraining("96", Tcf(1728, 0));
  }
  // The TCF and our answer to it; the modem's OK after that frame.
  void ScriptTraining(const std::string& mod, const std::string& tcf, const std::string& answer = kCfr) {
    line->Expect("AT+FRM=" + mod + "\r", Rsp("CONNECT") + tcf + Rsp("NO CARRIER"));
    line->Expect("AT+FTH=3\r", Rsp("CONNECT"));
    line->Expect(answer, Rsp("OK"));
  }
  // A page, the caller's post-page message and our MCF.
  void ScriptPage(const std::string& mod, const WirePage& page, const std::string& post,
                  const std::string& mcf = kMcf) {
    line->Expect("AT+FRM=" + mod + "\r", Rsp("CONNECT") + page.Wire() + Rsp("NO CARRIER"));
    line->Expect("AT+FRH=3\r", Got(post));
    line->Expect("AT+FTH=3\r", Rsp("CONNECT"));
    line->Expect(mcf, Rsp("OK"));
  }
  void ScriptEnd() {
    line->Expect("AT+FRH=3\r", Got(kDcn));
    line->Expect("ATH\r", Rsp("OK"));
  }
  std::string csiAnswer = "CONNECT";  // the modem's answer to our CSI
  void ExpectFailed(int code) {
    EXPECT_EQ(owner.errors, std::vector<int>{code});
    EXPECT_EQ(owner.finishes, std::vector<int>{code});
    EXPECT_TRUE(visited.count(rfError));
    EXPECT_EQ(CountWritten("ATH\r"), 1) << "hung up";
  }
};

TEST_F(Class1ReceiveTest, TwoPagesMpsThenEopRunEveryStateOfTheCall) {
  WirePage p1 = Page(1, 6), p2 = Page(2, 9);
  // A T.31 modem repeats CONNECT when the next frame is late: one DIS all the same.
  csiAnswer = "CONNECT\nCONNECT";
  ScriptAnswer(kAllSpeeds, 0x2C);  // V.17 offered for 14400
  // A T.31 modem that had the frame buffered says CONNECT twice.
  line->Expect("AT+FRH=3\r", Rsp("CONNECT\nCONNECT") + kTsi + Rsp("OK"));
  line->Expect("AT+FRH=3\r", Got(kDcs14400));
  ScriptTraining("145", Tcf(2592, 20));
  ScriptPage("146", p1, kMps);  // V.17 short training after CFR
  ScriptPage("146", p2, kEop);  // and after MCF: the caller trained on its TCF once
  ScriptEnd();
  auto r = MakeReceiver(14400);
  Run(*r);

  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  EXPECT_TRUE(owner.errors.empty());
  EXPECT_EQ(owner.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveOk}));
  EXPECT_EQ(owner.acceptedId, "CALLER 9");
  EXPECT_EQ(r->Session().currentPage, 2);
  ExpectPages({&p1, &p2});
  ApfFileHeader header;
  ASSERT_EQ(ReadApfHeader(owner.receiveName, header), 0);
  EXPECT_EQ(header.StationIdText(), "CALLER 9");
  EXPECT_EQ(std::filesystem::file_size(owner.receiveName),
            kApfFileHeaderSize + 2 * kApfPageHeaderSize + p1.stored.size() + p2.stored.size());
  for (int st : {rfInit, rfClass1Ready, rfWaitForCall, rfAnswer, rf1SendCsi, rf1SendDis, rf1WaitDcs,
                 rf1WaitTcfConnect, rf1CheckTcf, rf1WaitTcfEnd, rf1SendCfr, rf1WaitPageConnect, rfStartPage,
                 rfPageData, rf1PageEnd, rf1WaitPostPage, rf1CompletePage, rf1SendMcf, rf1WaitDcn, rf1WaitHangup,
                 rfComplete, rfDone})
    EXPECT_TRUE(visited.count(st)) << "state " << st << " " << r->StateName(st);
  std::vector<int> progress = owner.Progress();
  progress.erase(std::remove(progress.begin(), progress.end(), 0), progress.end());  // before any progress
  EXPECT_EQ(progress, (std::vector<int>{fpWaiting, fpAnswer, fpGotRemoteID, fpSessionParams, fpGotRemoteID,
                                                fpSessionParams, fpGetPage, fpGetPageResult, fpCheckMorePages,
                                                fpSessionParams, fpGetPage, fpGetPageResult, fpCheckMorePages,
                                                fpGetHangup, fpGotHangup}));
  EXPECT_EQ(CountWritten(DisOut(0x2C)), 1);
  EXPECT_EQ(CountWritten(kMcf), 2);
}

// A caller whose DCS sets bit 16 sends two-dimensional pages (K 2 at
// standard resolution): the file keeps them one-dimensional, the noise after
// RTC dropped. A damaged line becomes a copy of the line before it, so the
// page keeps its length.
TEST_F(Class1ReceiveTest, TwoDimPagesAreStoredOneDimensionallyAndDamageKeepsTheLength) {
  WirePage p1 = Page(1, 12), p2 = Page(2, 12);
  for (WirePage* p : {&p1, &p2}) {
    const std::vector<std::uint8_t> mr = EncodeMrPage(p->rasters, {kNormalWidth, kMrKStandard, 0});
    p->stored.assign(mr.begin(), mr.end());
    p->stored += "\x5A\xFF\x13";  // the demodulator's noise until the carrier goes
  }
  p2.stored[p2.stored.size() / 2] ^= 0x5A;
  ScriptAnswer();
  ScriptDcs(Dcs(0x04 | 0x80));
  ScriptTraining("96", Tcf(1728, 0));
  ScriptPage("96", p1, kMps);
  ScriptPage("96", p2, kEop);
  ScriptEnd();
  auto r = MakeReceiver(9600);
  Run(*r);

  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  EXPECT_TRUE(r->Session().class1.twoDim);
  const auto got = ReadApfPages(owner.receiveName);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_TRUE(got[0] == p1.rasters);
  ASSERT_EQ(got[1].size(), p2.rasters.size());
  EXPECT_TRUE(got[1][0] == p2.rasters[0]);
  EXPECT_FALSE(got[1] == p2.rasters) << "the damage shows";
}

TEST_F(Class1ReceiveTest, TheTrainingCheckIsGoodOnlyBelowTenPercentNonZeroBytes) {
  struct Case {
    const char* name;
    std::string tcf;
    bool good;
  };
  const Case cases[] = {
      {"9.9 %", Tcf(999, 99), true},
      {"exactly 10 %", Tcf(1000, 100), false},
      {"no bytes at all", kDleEtx, false},
      {"DLE DLE is a non-zero byte", std::string(9, '\0') + Bytes({0x10, 0x10}) + kDleEtx, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    line->TakeWritten();
    owner = RecordingOwner{};
    ScriptAnswer(kAllSpeeds.substr(0, 8) + ",96", 0x0C);  // "24,48,72,96"
    ScriptDcs(kDcs9600);
    ScriptTraining("96", c.tcf, c.good ? kCfr : kFtt);
    auto r = MakeReceiver(14400);
    ASSERT_EQ(r->Start(), 0);
    int next = c.good ? rf1WaitPageConnect : rf1WaitDcs;
    drive.RunUntil([&] { return line->ScriptDone() && r->State() == next; }, 3000);
    EXPECT_EQ(r->State(), next) << r->StateName(r->State());
    EXPECT_EQ(CountWritten(kCfr), c.good ? 1 : 0);
    EXPECT_EQ(CountWritten(kFtt), c.good ? 0 : 1);
    r->Abort();
    drive.RunFor(200);
    EXPECT_EQ(owner.finishes, std::vector<int>{ecCancelRequested});
  }
}

TEST_F(Class1ReceiveTest, AfterFttTheCallerTrainsAgainSlowerAndThePageArrives) {
  WirePage page = Page(3, 5);
  ScriptAnswer();
  ScriptDcs(kDcs9600);
  ScriptTraining("96", Tcf(1728, 900), kFtt);
  line->Expect("AT+FRH=3\r", Got(kDcs7200));
  ScriptTraining("72", Tcf(1296, 0));
  ScriptPage("72", page, kEop);
  ScriptEnd();
  auto r = MakeReceiver();
  Run(*r);
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  EXPECT_TRUE(visited.count(rf1SendFtt));
  ExpectPages({&page});
}

TEST_F(Class1ReceiveTest, FttAt2400FailsWithTrainError) {
  ScriptAnswer();
  ScriptDcs(kDcs2400);
  ScriptTraining("24", Tcf(432, 200), kFtt);
  auto r = MakeReceiver();
  r->Session().options = foExitOnError;
  Run(*r);
  ExpectFailed(ecFaxTrainError);
  EXPECT_EQ(owner.logs, std::vector<int>{lfaxReceiveFail}) << "an answered call that fails is logged";
  EXPECT_FALSE(std::filesystem::exists(owner.receiveName)) << "no call taken before CFR";
}

TEST_F(Class1ReceiveTest, NoDcsRepeatsDisThreeTimesThenFailsWithFatalTimeout) {
  ScriptAnswer();
  line->Expect("AT+FRH=3\r", "");  // silence
  line->Expect("AT\r", Rsp("OK"));
  ScriptCsiDis("AT+FTH=3\r");
  line->Expect("AT+FRH=3\r", "");
  line->Expect("AT\r", kDleEtx + Rsp("OK"));  // an abort may bring a stray DLE ETX
  line->Expect("AT+FTH=3\r", "");   // and now not even CONNECT
  line->Expect("AT\r", Rsp("OK"));
  ScriptCsiDis("AT+FTH=3\r");
  line->Expect("AT+FRH=3\r", "");
  auto r = MakeReceiver();
  r->Session().options = foExitOnError;
  Run(*r);
  ExpectFailed(ecFatalTimeout);
  EXPECT_EQ(CountWritten(DisOut(0x0C)), 3);
  EXPECT_EQ(CountWritten("AT\r"), 3);
  EXPECT_EQ(r->StateName(rf1RepeatDis), std::string("rf1RepeatDis"));
  EXPECT_TRUE(visited.count(rf1RepeatWait));
}

TEST_F(Class1ReceiveTest, ARepeatedDisThatBringsDcsCarriesOn) {
  WirePage page = Page(4, 3);
  ScriptAnswer();
  line->Expect("AT+FRH=3\r", "");
  line->Expect("AT\r", Rsp("OK"));
  ScriptCsiDis("AT+FTH=3\r");
  ScriptDcs(kDcs9600);
  ScriptTraining("96", Tcf(1728, 0));
  ScriptPage("96", page, kEop);
  ScriptEnd();
  auto r = MakeReceiver();
  Run(*r);
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  ExpectPages({&page});
}

TEST_F(Class1ReceiveTest, AFrameTooLongToBeOneIsDroppedAndDisGoesAgain) {
  // Noise that starts like a DCS and runs on for kilobytes (a doubled DLE
  // in it is data) before DLE ETX: no frame, so no training follows it.
  WirePage page = Page(3, 4);
  std::string noise = Bytes({0xFF, 0x13, 0x83, 0x00, 0x06, 0x88, 0x00});
  for (int i = 0; i < 3000; ++i) noise += (i % 97 == 0) ? kDleEtx.substr(0, 1) + kDleEtx.substr(0, 1) : "\x55";
  ScriptAnswer();
  line->Expect("AT+FRH=3\r", Rsp("CONNECT") + noise + kDleEtx + Rsp("OK"));
  line->Expect("AT\r", Rsp("OK"));
  ScriptCsiDis("AT+FTH=3\r");
  ScriptDcs(kDcs9600);
  ScriptTraining("96", Tcf(1728, 0));
  ScriptPage("96", page, kEop);
  ScriptEnd();
  auto r = MakeReceiver();
  Run(*r);
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  EXPECT_EQ(CountWritten(DisOut(0x0C)), 2);
  ExpectPages({&page});
}

TEST_F(Class1ReceiveTest, ARefusedCallIsHungUpWithFileRejected) {
  ScriptTrainedAt9600();
  line->Expect("AT+FRM=96\r", "");
  owner.accept = false;
  auto r = MakeReceiver();
  r->Session().options = foExitOnError;
  Run(*r);
  ExpectFailed(ecFileRejected);
  EXPECT_EQ(owner.acceptedId, "CALLER 9");
  EXPECT_EQ(owner.logs, (std::vector<int>{lfaxReceiveSkip})) << "a refused call is logged once, as skipped";
  EXPECT_EQ(CountWritten("AT+FKS"), 0);
  // DLE ETX first: the modem still waits for the page and would take ATH as an abort only.
  std::string w = line->Written();
  std::size_t frm = w.rfind("AT+FRM=96\r");
  EXPECT_LT(w.find(kDleEtx, frm), w.find("ATH\r", frm));
  EXPECT_FALSE(std::filesystem::exists(owner.receiveName));
}

TEST_F(Class1ReceiveTest, EomStartsANewDocumentWithCsiAndDisAgain) {
  // MCF is final (a T.30 caller ignores a non-final one); CSI and DIS follow
  // in a transmission of their own, also when the modem repeats its CONNECT.
  for (bool secondConnect : {false, true}) {
    SCOPED_TRACE(secondConnect ? "CONNECT twice" : "one CONNECT");
    line->TakeWritten();
    owner = RecordingOwner{};
    visited.clear();
    WirePage p1 = Page(5, 4), p2 = Page(6, 7);
    ScriptAnswer();
    ScriptDcs(kDcs9600);
    ScriptTraining("96", Tcf(1728, 3));
    line->Expect("AT+FRM=96\r", Rsp("CONNECT") + p1.Wire() + Rsp("NO CARRIER"));
    line->Expect("AT+FRH=3\r", Got(kEom));
    line->Expect("AT+FTH=3\r", Rsp(secondConnect ? "CONNECT\nCONNECT" : "CONNECT"));
    line->Expect(kMcf, Rsp("OK"));
    ScriptCsiDis("AT+FTH=3\r");
    ScriptDcs(Dcs(0x04, true));  // the new document is fine
    ScriptTraining("96", Tcf(1728, 0));
    ScriptPage("96", p2, kEop);
    ScriptEnd();
    auto r = MakeReceiver();
    Run(*r);
    EXPECT_EQ(owner.finishes, std::vector<int>{0});
    EXPECT_EQ(owner.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveOk})) << "one call, one file";
    EXPECT_EQ(CountWritten(kCsiOut), 2);
    EXPECT_EQ(CountWritten(kMcf), 2);
    ExpectPages({&p1, &p2});
    ApfPageHeader h1, h2;
    ASSERT_EQ(ReadApfPageHeader(owner.receiveName, 1, h1), 0);
    ASSERT_EQ(ReadApfPageHeader(owner.receiveName, 2, h2), 0);
    EXPECT_EQ(h1.PageFlags & pfHighRes, 0);
    EXPECT_NE(h2.PageFlags & pfHighRes, 0);
    std::filesystem::remove(owner.receiveName);
  }
}

TEST_F(Class1ReceiveTest, FcErrorMeansTheCallerRepeatedItsCommandAndItIsAnsweredAgain) {
  WirePage p1 = Page(11, 4), p2 = Page(12, 5);
  ScriptAnswer();
  ScriptDcs(kDcs9600);
  // The caller did not wait for the TCF check: DCS again instead of a TCF.
  line->Expect("AT+FRM=96\r", Rsp("+FCERROR"));
  ScriptDcs(kDcs9600);
  ScriptTraining("96", Tcf(1728, 0));
  ScriptPage("96", p1, kMps);
  // Our MCF was lost: MPS again instead of the next page.
  line->Expect("AT+FRM=96\r", Rsp("+FCERROR"));
  line->Expect("AT+FRH=3\r", Got(kMps));
  line->Expect("AT+FTH=3\r", Rsp("CONNECT"));
  line->Expect(kMcf, Rsp("OK"));
  ScriptPage("96", p2, kEop);
  ScriptEnd();
  auto r = MakeReceiver();
  Run(*r);
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  EXPECT_EQ(owner.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveOk}));
  EXPECT_EQ(CountWritten(kMcf), 3);
  EXPECT_EQ(r->Session().currentPage, 2);
  ExpectPages({&p1, &p2});
}

TEST_F(Class1ReceiveTest, DcnInsteadOfDcsIsACancelledCall) {
  ScriptAnswer();
  line->Expect("AT+FRH=3\r", Got(kDcn));
  auto r = MakeReceiver();
  r->Session().options = foExitOnError;
  Run(*r);
  ExpectFailed(ecCancelRequested);
}

TEST_F(Class1ReceiveTest, CarrierLostInMidPageKeepsTheConfirmedPages) {
  WirePage p1 = Page(7, 4), p2 = Page(8, 8);
  ScriptTrainedAt9600();
  ScriptPage("96", p1, kMps);
  // The carrier drops half way: the modem ends the data and nothing follows.
  line->Expect("AT+FRM=96\r", Rsp("CONNECT") + p2.Wire().substr(0, p2.Wire().size() / 2) + kDleEtx + Rsp("NO CARRIER"));
  line->Expect("AT+FRH=3\r", "");
  auto r = MakeReceiver();
  r->Session().options = foExitOnError;
  Run(*r);
  ExpectFailed(ecFatalTimeout);
  EXPECT_EQ(owner.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveFail}));
  ExpectPages({&p1});
  EXPECT_EQ(std::filesystem::file_size(owner.receiveName),
            kApfFileHeaderSize + kApfPageHeaderSize + p1.stored.size());
}

TEST_F(Class1ReceiveTest, ARepeatedEopIsConfirmedAgainAndSilenceAfterItEndsTheCall) {
  WirePage page = Page(9, 3);
  ScriptTrainedAt9600();
  ScriptPage("96", page, kEop);
  // The caller missed our MCF: EOP again, then it leaves without DCN.
  line->Expect("AT+FRH=3\r", Got(kEop));
  line->Expect("AT+FTH=3\r", Rsp("CONNECT"));
  line->Expect(kMcf, Rsp("OK"));
  line->Expect("AT+FRH=3\r", "");
  auto r = MakeReceiver();
  Run(*r);
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  EXPECT_TRUE(owner.errors.empty());
  EXPECT_EQ(owner.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveOk}));
  EXPECT_EQ(CountWritten(kMcf), 2);
  EXPECT_EQ(CountWritten("ATH\r"), 1) << "put on hook";
  ExpectPages({&page});
}

TEST_F(Class1ReceiveTest, SoftwareFlowPacesTheModemOnlyWhileDataFlows) {
  port.SetInSize(8192);
  WirePage page = Page(10, 3);
  ScriptTrainedAt9600();
  ScriptPage("96", page, kEop);
  ScriptEnd();
  auto r = MakeReceiver();
  r->Session().options = foSoftwareFlow;
  std::vector<std::tuple<int, TSWFlowOptions, int, int>> seen;
  r->OnStateChange = [&](int s) {
    seen.emplace_back(s, port.SWFlowOptions(), port.BufferFull(), port.BufferResume());
  };
  const int fullBefore = port.BufferFull(), resumeBefore = port.BufferResume();
  Run(*r);
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  bool sawPage = false;
  for (auto [s, flow, full, resume] : seen) {
    if (s == rfPageData) {
      sawPage = true;
      EXPECT_EQ(flow, swfReceive);
      EXPECT_EQ(full, 6144);
      EXPECT_EQ(resume, 2048);
    }
    // Frames are never paced: an XOFF would end the modem's wait for one.
    if (s == rf1WaitDcs || s == rf1WaitPostPage || s == rf1WaitDcn) {
      EXPECT_EQ(flow, swfNone) << s;
    }
  }
  EXPECT_TRUE(sawPage);
  EXPECT_EQ(port.SWFlowOptions(), swfNone);
  EXPECT_EQ(port.BufferFull(), fullBefore);
  EXPECT_EQ(port.BufferResume(), resumeBefore);
}

TEST_F(Class1ReceiveTest, StopInMidTrainingTurnsSoftwareFlowOffAgain) {
  port.SetInSize(8192);
  ScriptAnswer();
  ScriptDcs(kDcs9600);
  line->Expect("AT+FRM=96\r", Rsp("CONNECT") + std::string(300, '\0'));  // the TCF goes on
  auto r = MakeReceiver();
  r->Session().options = foSoftwareFlow;
  const int fullBefore = port.BufferFull(), resumeBefore = port.BufferResume();
  ASSERT_EQ(r->Start(), 0);
  ASSERT_TRUE(drive.RunUntil([&] { return r->State() == rf1CheckTcf; }, 2000));
  ASSERT_EQ(port.SWFlowOptions(), swfReceive);
  r->Stop();
  EXPECT_EQ(port.SWFlowOptions(), swfNone);
  EXPECT_EQ(port.BufferFull(), fullBefore);
  EXPECT_EQ(port.BufferResume(), resumeBefore);
}

TEST_F(Class1ReceiveTest, AModemThatRefusesClass1FailsTheSetUp) {
  line->Expect(kInit, Rsp("OK"));
  line->Expect("AT+FCLASS=1\r", Rsp("ERROR"));
  line->Expect("AT+FCLASS=1\r", Rsp("ERROR"));
  auto r = MakeReceiver();
  r->Session().options = foExitOnError;
  Run(*r, 3000);
  EXPECT_EQ(CountWritten("AT+FRM=?"), 0) << "the rest of the preparation is skipped";
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFaxInitError});
}

}  // namespace
}  // namespace telvane
