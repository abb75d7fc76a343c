// The send machine against a scripted Class 1 modem whose far end is a
// T.30 receiver: every sending state, training with step-down, the post-page
// exchange with its retries, the modem's quirks and the faults that end a call.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "comm/fax/class1_frames.h"
#include "comm/fax/page_transmitter.h"
#include "faxdoc/t4_mr_page.h"
#include "tests/support/apf_pages.h"
#include "base/error_codes.h"
#include "tests/comm/fax/fax_fixture.h"

namespace telvane {
namespace {

using namespace test;

// The remote's frames, written out as the modem delivers them: CSI "REMOTE 1"
// (not final) and a DIS: V.27 ter + V.29 + V.17, fine, 0 ms scan time,
// one-dimensional coding only (kDisV17TwoDim offers two-dimensional too).
const std::string kCsi = Bytes({0xFF, 0x03, 0x40}) + std::string(12, ' ') + "1 ETOMER" + kDleEtx;
const std::string kDisV17 = Bytes({0xFF, 0x13, 0x80, 0x00, 0x6E, 0xF8, 0x00, 0x10, 0x03});
const std::string kDisV17TwoDim = Bytes({0xFF, 0x13, 0x80, 0x00, 0xEE, 0xF8, 0x00, 0x10, 0x03});
const std::string kRtn = Bytes({0xFF, 0x13, 0x4C, 0x10, 0x03});
const std::string kRtp = Bytes({0xFF, 0x13, 0xCC, 0x10, 0x03});
const std::string kRemoteDcn = Bytes({0xFF, 0x13, 0xFA, 0x10, 0x03});
// The start of the end-of-page (RTC) record that the APF writer adds.
const std::string kRtcStart = Bytes({0x00, 0x80, 0x00});

class Class1SendTest : public FaxTest {
 protected:
  std::unique_ptr<FaxSender> MakeSender(int desiredBps = 9600) {
    return FaxTest::MakeSender(fcClass1, "abc", desiredBps);
  }

  // The modem prepared for Class 1, with every speed.
  void ScriptPrepare() {
    line->Expect(kInit, Rsp("OK"));
    line->Expect("AT+FCLASS=1\r", Rsp("OK"));
    line->Expect("AT+FTM=?\r", Rsp(kAllSpeeds + "\nOK"));
    line->Expect("AT+FCLASS=1\r", Rsp("OK"));
  }
  // Dialling up to the remote's DIS.
  void ScriptCall(const std::string& dis = kDisV17) {
    line->Expect("ATDT5551234\r", Got(kCsi));
    line->Expect("AT+FRH=3\r", Got(dis));
  }
  // Our TSI "ABC"; the DCS follows it in the same transmission.
  void ScriptTsi() {
    line->Expect("AT+FTH=3\r", Rsp("CONNECT"));
    line->Expect(Bytes({0xFF, 0x03, 0x43}) + std::string(17, ' ') + "CBA" + kDleEtx, Rsp("CONNECT"));
  }
  // Preparation, the call up to the remote's `dis`, and our TSI.
  void ScriptCallAndTsi(const std::string& dis = kDisV17) {
    ScriptPrepare();
    ScriptCall(dis);
    ScriptTsi();
  }
  // DCS, the TCF at `bps` and the remote's answer to it.
  void ScriptTraining(const std::string& mod, int bps, const std::string& answer = kCfr) {
    line->Expect(Bytes({0xFF, 0x13, 0x83}), Rsp("OK"));  // DCS
    line->Expect("AT+FTM=" + mod + "\r", Rsp("CONNECT"));
    line->Expect(BuildTcf(bps), Rsp("OK"));
    line->Expect("AT+FRH=3\r", Got(answer));
  }
  // One page: its data, the post-page message and the remote's answer.
  void ScriptPage(const std::string& mod, const std::string& post, const std::string& answer = kMcf) {
    line->Expect("AT+FTM=" + mod + "\r", Rsp("CONNECT"));
    line->Expect(kDleEtx, Rsp("OK"));
    line->Expect("AT+FTH=3\r", Rsp("CONNECT"));
    line->Expect(post, Rsp("OK"));
    line->Expect("AT+FRH=3\r", Got(answer));
  }
  void ScriptEnd() {
    line->Expect("AT+FTH=3\r", Rsp("CONNECT"));
    line->Expect(kDcn, Rsp("OK"));
    line->Expect("ATH\r", Rsp("OK"));
  }
  // A call that fails in T.30 ends it with DCN, then hangs up.
  void ScriptDcnBeforeHangUp() {
    line->Expect("AT+FTH=3\r", Rsp("CONNECT"));
    line->Expect(kDcn, Rsp("OK"));
  }
  // The DCS frames written, in order.
  std::vector<std::string> DcsWritten() const {
    std::vector<std::string> out;
    std::string w = line->Written(), head = Bytes({0xFF, 0x13, 0x83});
    for (std::size_t at = w.find(head); at != std::string::npos; at = w.find(head, at + 1))
      out.push_back(w.substr(at + 3, 4));
    return out;
  }
  // A one-page fax (one.apf, its name in onePage) at 9600 bit/s to a remote
  // whose DIS is `dis`, confirmed and ended with DCN, run to its end.
  std::unique_ptr<FaxSender> SendOnePage(const std::string& dis = kDisV17) {
    onePage = QueueApf("one.apf", 1);
    ScriptCallAndTsi(dis);
    ScriptTraining("96", 9600);
    ScriptPage("96", kEop);
    ScriptEnd();
    auto s = MakeSender(9600);
    Run(*s);
    return s;
  }
  std::string onePage;
  void ExpectFailed(int code) {
    EXPECT_EQ(owner.errors, std::vector<int>{code});
    EXPECT_EQ(owner.finishes, std::vector<int>{code});
    EXPECT_EQ(owner.logs.back(), lfaxTransmitFail);
    EXPECT_TRUE(visited.count(tfSendError));
    EXPECT_GE(CountWritten("ATH0\r"), 1) << "the line is hung up";
  }
};

TEST_F(Class1SendTest, AOnePageFaxRunsEverySendingStateAndEndsWithDcn) {
  auto s = SendOnePage();

  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  EXPECT_TRUE(owner.errors.empty());
  EXPECT_EQ(owner.logs, (std::vector<int>{lfaxTransmitStart, lfaxTransmitOk}));
  EXPECT_EQ(s->Session().remoteId, "REMOTE 1");
  // V.17 offered, 9600 desired: V.29 at 9600 (rate bits 1000), normal
  // resolution, 0 ms scan time, A4.
  EXPECT_EQ(DcsWritten(), std::vector<std::string>{Bytes({0x00, 0x06, 0xF8, 0x00})});
  EXPECT_EQ(s->Session().class1.speedIndex, 4);
  for (int st : {tfClass1Ready, tfDial, tf1WaitDis, tf1SendTsi, tf1SendDcs, tf1DcsSent, tf1SendTcf, tf1TcfSent,
                 tf1WaitCfr, tf1WaitPageConnect, tfStartPage, tfPageDone, tf1PageSent,
                 tf1PostPage, tf1SendPostPage, tf1PostPageSent, tf1WaitPostPageResponse, tf1SendDcn, tf1DcnSent,
                 tf1WaitHangup, tfFaxComplete})
    EXPECT_TRUE(visited.count(st)) << s->StateName(st);
  EXPECT_FALSE(visited.count(tf2WaitXon)) << "a Class 1 modem takes the page from its CONNECT on";
  for (int code : {fpInitModem, fpDialing, fpGotRemoteID, fpSessionParams, fpSendPage, fpSendPageStatus, fpPageOK,
                   fpFinished})
    EXPECT_TRUE(owner.SawProgress(code)) << code;
  // Page data as stored (no bit reversal), between the page CONNECT and DLE
  // ETX: the blank lines, then the page at once, with no zero fill between.
  std::string blanks;
  for (int i = 0; i < kBlankLinesPerPage; ++i) blanks.append(BlankLine(false).begin(), BlankLine(false).end());
  EXPECT_EQ(CountWritten(blanks + Stuffed(onePage, 1)), 1);
}

// A remote that offers two-dimensional coding gets it: bit 16 in the DCS,
// and the stored one-dimensional page re-coded with K 2 (standard
// resolution), padded to the scan time, behind the blank lines.
TEST_F(Class1SendTest, ARemoteOfferingTwoDimCodingGetsThePageRecoded) {
  auto s = SendOnePage(Bytes({0xFF, 0x13, 0x80, 0x00, 0xEE, 0xA8, 0x00, 0x10, 0x03}));  // 10 ms at standard

  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  ASSERT_EQ(DcsWritten().size(), 1u);
  EXPECT_EQ(DcsWritten()[0].substr(0, 2), Bytes({0x00, 0x86}));
  EXPECT_TRUE(s->Session().class1.twoDim);
  // The page data between its CONNECT and DLE ETX, DLEs undoubled.
  const std::string w = line->Written();
  const std::size_t from = w.find("AT+FTM=96\r", w.find("AT+FTM=96\r") + 1) + 10;
  std::vector<std::uint8_t> data;
  for (std::size_t i = from; i + 1 < w.size() && !(w[i] == '\x10' && w[i + 1] == '\x03'); ++i) {
    data.push_back(static_cast<std::uint8_t>(w[i]));
    if (w[i] == '\x10') ++i;
  }
  const MrDecodedPage page = DecodeMrPage(data.data(), data.size(), kNormalWidth);
  EXPECT_EQ(page.badLines, 0u);
  const auto stored = ReadApfPages(onePage);
  ASSERT_EQ(stored.size(), 1u);
  ASSERT_EQ(page.rows.size(), stored[0].size() + kBlankLinesPerPage);
  EXPECT_TRUE(std::equal(stored[0].begin(), stored[0].end(), page.rows.begin() + kBlankLinesPerPage));
  // 10 ms at 9600 bit/s: 12 bytes at least per coded line, where a white
  // 2-D line alone takes 3.
  EXPECT_GE(data.size(), 12 * page.rows.size());
  EXPECT_EQ(CountWritten(Stuffed(onePage, 1)), 0) << "not sent one-dimensionally";
  EXPECT_EQ(s->Session().pageBytes, s->Session().pageLength) << "the progress counts the stored page";
}

TEST_F(Class1SendTest, PagesAfterACoverGoAsEomThenMpsThenEopWithShortTrainingForLaterPages) {
  std::string cover = dir.File("cover.txt");
  {
    std::ofstream(cover) << "To: you\n";
  }
  QueueApf("two.apf", 2, {}, cover);
  ScriptCallAndTsi();
  ScriptTraining("145", 14400);
  // The cover ends a document: EOM. After its MCF the remote is back in
  // phase B and sends DIS again; TSI, DCS and training follow.
  ScriptPage("146", kEom);
  line->Expect("AT+FRH=3\r", Got(kDisV17));
  ScriptTsi();
  ScriptTraining("145", 14400);
  ScriptPage("146", kMps);
  // A later page of the same document: the receiver is trained and waits for
  // the V.17 short training.
  ScriptPage("146", kEop);
  ScriptEnd();
  auto s = MakeSender(14400);
  Run(*s);
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  // V.17 14400: rate bits 0001.
  EXPECT_EQ(DcsWritten(), std::vector<std::string>(2, Bytes({0x00, 0x22, 0xF8, 0x00})));
}

TEST_F(Class1SendTest, AfterANonFinalMcfForANewDocumentTheRemotesDisIsAwaited) {
  QueueApf("mixed.apf", 2, {false, true});
  ScriptCallAndTsi();
  ScriptTraining("96", 9600);
  ScriptPage("96", kEom, Bytes({0xFF, 0x03, 0x8C, 0x10, 0x03}));  // MCF, not final
  line->Expect("AT+FRH=3\r", Got(kCsi));
  line->Expect("AT+FRH=3\r", Got(kDisV17));
  ScriptTsi();
  ScriptTraining("96", 9600);
  ScriptPage("96", kEop);
  ScriptEnd();
  auto s = MakeSender(9600);
  Run(*s);
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  auto dcs = DcsWritten();
  ASSERT_EQ(dcs.size(), 2u);
  EXPECT_EQ(static_cast<std::uint8_t>(dcs[1][1]), 0x46) << "the second document is fine";
}

// A fine line under a DIS with 20 ms scan time (bits 21-23 zero): padded to
// what the speed sends in that time.
struct PaddingCase {
  const char* name;
  int bps;
  const char* trainMod;
  const char* pageMod;
  int dcsRate;  // FIF octet 2 of our DCS: rate bits and fine
  int minBytes;
};
void PrintTo(const PaddingCase& c, std::ostream* os) { *os << c.name; }
class Class1SendPadding : public Class1SendTest, public ::testing::WithParamInterface<PaddingCase> {};

TEST_P(Class1SendPadding, AFineLineIsPaddedToTheScanTimeAtTheSpeedSent) {
  const PaddingCase& c = GetParam();
  std::string fax = dir.File("fine.apf");
  MakeApfWithLines(fax, {{0x00, 0x80, 0xAA}}, true);
  QueueFax(fax);
  ScriptCallAndTsi(Bytes({0xFF, 0x13, 0x80, 0x00, 0x6E, 0x88, 0x00, 0x10, 0x03}));
  ScriptTraining(c.trainMod, c.bps);
  ScriptPage(c.pageMod, kEop);
  ScriptEnd();
  auto s = MakeSender(c.bps);
  Run(*s);
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  EXPECT_EQ(DcsWritten(), std::vector<std::string>{Bytes({0x00, c.dcsRate, 0x88, 0x00})});
  EXPECT_EQ(s->Session().class1.scanTime, 5);
  EXPECT_EQ(s->Session().class1.minBytes, c.minBytes);
  // The page's one line: 3 coded bytes and zero bytes up to the minimum, then the page's RTC.
  std::string padded("\x00\x80\xAA", 3);
  padded.resize(static_cast<std::size_t>(c.minBytes), '\0');
  EXPECT_EQ(CountWritten(padded + kRtcStart), 1);
}

INSTANTIATE_TEST_SUITE_P(Speeds, Class1SendPadding,
                         ::testing::Values(PaddingCase{"V17_12000", 12000, "121", "122", 0x6A, 30},  // rate 0101
                                           PaddingCase{"V29_9600", 9600, "96", "96", 0x46, 24}),     // rate 1000
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Class1SendTest, FttAt9600RetrainsAt7200WithANewDcs) {
  QueueApf("one.apf", 1);
  ScriptCallAndTsi();
  ScriptTraining("96", 9600, kFtt);
  line->Expect("AT+FTH=3\r", Rsp("CONNECT"));
  ScriptTraining("72", 7200);
  ScriptPage("72", kEop);
  ScriptEnd();
  auto s = MakeSender(9600);
  Run(*s);
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  EXPECT_EQ(DcsWritten(), (std::vector<std::string>{Bytes({0x00, 0x06, 0xF8, 0x00}), Bytes({0x00, 0x0E, 0xF8, 0x00})}));
  EXPECT_EQ(CountWritten(Bytes({0xFF, 0x03, 0x43})), 1) << "TSI goes out once";
}

TEST_F(Class1SendTest, FttAt2400EndsTheCallWithTrainingFailed) {
  QueueApf("one.apf", 1);
  ScriptCallAndTsi();
  ScriptTraining("24", 2400, kFtt);
  ScriptDcnBeforeHangUp();
  auto s = MakeSender(1200);  // below 2400: taken as 2400
  Run(*s);
  ExpectFailed(ecFaxTrainError);
  EXPECT_EQ(CountWritten(kDcn), 1);
}

TEST_F(Class1SendTest, ARemoteThatAnswersEveryTrainingWithDisGetsTheDcsThreeTimesMore) {
  QueueApf("one.apf", 1);
  ScriptCallAndTsi();
  ScriptTraining("96", 9600, kDisV17);
  for (int i = 0; i < 3; ++i) {
    line->Expect("AT+FTH=3\r", Rsp("CONNECT"));
    ScriptTraining("96", 9600, kDisV17);
  }
  ScriptDcnBeforeHangUp();
  auto s = MakeSender(9600);
  Run(*s);
  ExpectFailed(ecFatalTimeout);
  EXPECT_EQ(DcsWritten().size(), 4u);
  EXPECT_EQ(CountWritten("AT+FTH=3\r"), 5) << "TSI and three repeats, then no more but the DCN";
  EXPECT_EQ(CountWritten(kDcn), 1);
}

TEST_F(Class1SendTest, RtnEndsTheFaxInMidSession) {
  QueueApf("one.apf", 1);
  ScriptCallAndTsi();
  ScriptTraining("96", 9600);
  ScriptPage("96", kEop, kRtn);
  auto s = MakeSender();
  Run(*s);
  ExpectFailed(ecFaxSessionError);
  EXPECT_TRUE(owner.SawProgress(fpPageError));
}

TEST_F(Class1SendTest, RtpSendsDcsAndTrainsAgainBeforeTheNextPage) {
  QueueApf("two.apf", 2);
  ScriptCallAndTsi();
  ScriptTraining("96", 9600);
  ScriptPage("96", kMps, kRtp);
  line->Expect("AT+FTH=3\r", Rsp("CONNECT"));
  ScriptTraining("96", 9600);
  ScriptPage("96", kEop, kRtp);
  ScriptEnd();
  auto s = MakeSender();
  Run(*s);
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  EXPECT_EQ(DcsWritten().size(), 2u);
}

TEST_F(Class1SendTest, ARemoteDcnCancelsTheFax) {
  QueueApf("one.apf", 1);
  ScriptPrepare();
  line->Expect("ATDT5551234\r", Got(kRemoteDcn));
  auto s = MakeSender();
  Run(*s);
  ExpectFailed(ecCancelRequested);
}

TEST_F(Class1SendTest, AFinePageForARemoteWithoutFineIsIncompatible) {
  QueueApf("fine.apf", 1, {true});
  ScriptPrepare();
  ScriptCall(Bytes({0xFF, 0x13, 0x80, 0x00, 0x0E, 0xF8, 0x00, 0x10, 0x03}));
  ScriptDcnBeforeHangUp();
  auto s = MakeSender();
  Run(*s);
  ExpectFailed(ecFaxIncompatible);
  EXPECT_EQ(CountWritten("AT+FTH=3\r"), 1) << "no TSI and DCS, only the DCN";
  EXPECT_EQ(CountWritten(kDcn), 1);
}

TEST_F(Class1SendTest, AnErrorFromTheModemDuringTrainingIsABadResponse) {
  QueueApf("one.apf", 1);
  ScriptCallAndTsi();
  line->Expect(Bytes({0xFF, 0x13, 0x83}), Rsp("OK"));
  line->Expect("AT+FTM=96\r", Rsp("ERROR"));
  auto s = MakeSender();
  Run(*s);
  ExpectFailed(ecFaxBadModemResult);
}

TEST_F(Class1SendTest, APostPageMessageUnansweredIsCancelledAndRepeatedThreeTimes) {
  QueueApf("one.apf", 1);
  ScriptCallAndTsi();
  ScriptTraining("96", 9600);
  line->Expect("AT+FTM=96\r", Rsp("CONNECT"));
  line->Expect(kDleEtx, Rsp("OK"));
  for (int i = 0; i < 3; ++i) {
    line->Expect("AT+FTH=3\r", Rsp("CONNECT"));
    line->Expect(kEop, Rsp("OK"));
    line->Expect("AT+FRH=3\r", "");  // nothing comes
    line->Expect("\x18", kDleEtx + Rsp("OK"));  // the abort may bring DLE ETX first
  }
  auto s = MakeSender();
  Run(*s);
  EXPECT_EQ(CountWritten(kEop), 3);
  EXPECT_EQ(CountWritten("\x18"), 3) << "one cancel character per unanswered try";
  ExpectFailed(ecFatalTimeout);
}

TEST_F(Class1SendTest, AGarbledAnswerToThePostPageMessageAsksAgain) {
  QueueApf("one.apf", 1);
  ScriptCallAndTsi();
  ScriptTraining("96", 9600);
  ScriptPage("96", kEop, Bytes({0xFF, 0x13, 0x8C, 0x55}) + kDleEtx + Rsp("ERROR"));
  line->Expect("AT+FTH=3\r", Rsp("CONNECT"));
  line->Expect(kEop, Rsp("OK"));
  line->Expect("AT+FRH=3\r", Got(kMcf));
  ScriptEnd();
  auto s = MakeSender();
  Run(*s);
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  EXPECT_EQ(CountWritten(kEop), 2);
}

TEST_F(Class1SendTest, ADoubleConnectAndNoiseBeforeTheFrameAreSkipped) {
  QueueApf("one.apf", 1);
  ScriptPrepare();
  // spandsp's T.31 answers AT+FRH=3 with a second CONNECT when the frame
  // was already buffered.
  line->Expect("ATDT5551234\r", Got(kCsi));
  line->Expect("AT+FRH=3\r", Rsp("CONNECT") + Rsp("CONNECT") + "\x7E\x01" + kDisV17 + Rsp("OK"));
  ScriptTsi();
  ScriptTraining("96", 9600);
  ScriptPage("96", kEop);
  ScriptEnd();
  auto s = MakeSender();
  Run(*s);
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
}

TEST_F(Class1SendTest, ADleInsideAReceivedFrameIsUndoubled) {
  // Scan-line bits 0x10 (5 ms) in the DIS arrive as DLE DLE: 6 bytes per line at 9600.
  QueueApf("one.apf", 1);
  ScriptCallAndTsi(Bytes({0xFF, 0x13, 0x80, 0x00, 0x6E, 0x10, 0x10, 0x00, 0x10, 0x03}));
  ScriptTraining("96", 9600);
  ScriptPage("96", kEop);
  ScriptEnd();
  auto s = MakeSender();
  Run(*s);
  EXPECT_EQ(s->Session().class1.scanTime, 1);
  EXPECT_EQ(s->Session().class1.minBytes, 6);
  EXPECT_EQ(DcsWritten(), std::vector<std::string>{Bytes({0x00, 0x06, 0x98, 0x00})});
}

TEST_F(Class1SendTest, AnAbortInMidPageEndsTheModemsTransmissionBeforeHangingUp) {
  // A T.31 modem sending page data takes ATH0 as more data and stays off-hook.
  QueueApf("one.apf", 1);
  ScriptCallAndTsi();
  ScriptTraining("96", 9600);
  line->Expect("AT+FTM=96\r", Rsp("CONNECT") + "\x11");
  auto s = MakeSender();
  s->OnStateChange = [&](int st) {
    if (st == tfSendBlankLines) s->Abort();
  };
  Run(*s);
  EXPECT_EQ(owner.finishes, std::vector<int>{ecCancelRequested});
  std::string w = line->Written();
  std::size_t stop = w.rfind(kDleEtx + kDleEtx), hangUp = w.rfind("ATH0\r");
  ASSERT_NE(stop, std::string::npos);
  ASSERT_NE(hangUp, std::string::npos);
  EXPECT_LT(stop, hangUp);
}

TEST_F(Class1SendTest, StopWhileTheTrainingGoesOutTurnsSoftwareFlowOffAgain) {
  QueueApf("one.apf", 1);
  ScriptCallAndTsi();
  line->Expect(Bytes({0xFF, 0x13, 0x83}), Rsp("OK"));  // DCS
  line->Expect("AT+FTM=96\r", Rsp("CONNECT"));
  line->Expect(BuildTcf(9600), "");  // the modem's OK never comes
  auto s = MakeSender();
  s->Session().options = foSoftwareFlow;
  ASSERT_EQ(s->Start(), 0);
  ASSERT_TRUE(drive.RunUntil([&] { return s->State() == tf1TcfSent; }, 2000));
  ASSERT_EQ(port.SWFlowOptions(), swfTransmit);
  s->Stop();
  EXPECT_EQ(port.SWFlowOptions(), swfNone);
}

TEST_F(Class1SendTest, DialFailuresUnderClass1) {
  struct Case {
    std::string answer;
    int code;
  } cases[] = {{Rsp("NO CARRIER"), ecFaxNoCarrier}, {Rsp("NO DIALTONE"), ecFaxNoDialTone}, {"", ecFaxNoAnswer}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    owner = RecordingOwner{};
    line->TakeWritten();
    QueueApf("one.apf", 1);
    ScriptPrepare();
    line->Expect("ATDT5551234\r", c.answer);
    auto s = MakeSender();
    Run(*s);
    ExpectFailed(c.code);
  }
}

TEST_F(Class1SendTest, TheClassCommandMustBeAnsweredWithOk) {
  QueueApf("one.apf", 1);
  line->Expect(kInit, Rsp("OK"));
  line->Expect("AT+FCLASS=1\r", Rsp("OK"));
  line->Expect("AT+FTM=?\r", Rsp("ERROR"));  // an unanswered query leaves 2400 and 4800
  line->Expect("AT+FCLASS=1\r", Rsp("ERROR"));
  auto s = MakeSender();
  Run(*s);
  EXPECT_EQ(s->Session().class1.local, BaseSpeeds());
  ExpectFailed(ecFaxInitError);
}

TEST_F(Class1SendTest, AModemThatRefusesClass1FailsThePreparation) {
  QueueApf("one.apf", 1);
  line->Expect(kInit, Rsp("OK"));
  line->Expect("AT+FCLASS=1\r", Rsp("ERROR"));
  auto s = MakeSender();
  EXPECT_EQ(s->Start(), ecFaxInitError);
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFaxInitError});
}

// A Class 1 modem takes the page from its CONNECT on, XON or not.
TEST_F(Class1SendTest, ThePageStartsAtTheConnectAndTheHangUpAnswerWaitsAtMostTheTimeOut) {
  for (bool xon : {true, false}) {
    SCOPED_TRACE(xon ? "XON" : "no XON");
    owner = RecordingOwner{};
    line->TakeWritten();
    path.clear();
    QueueApf("one.apf", 1);
    ScriptCallAndTsi();
    ScriptTraining("96", 9600);
    line->Expect("AT+FTM=96\r", Rsp("CONNECT") + (xon ? "\x11" : ""));
    line->Expect(kDleEtx, Rsp("OK"));
    line->Expect("AT+FTH=3\r", Rsp("CONNECT"));
    line->Expect(kEop, Rsp("OK"));
    line->Expect("AT+FRH=3\r", Got(kMcf));
    line->Expect("AT+FTH=3\r", Rsp("CONNECT"));
    line->Expect(kDcn, Rsp("OK"));
    line->Expect("ATH\r", "");  // no answer: hang up all the same
    auto s = MakeSender();
    Ticks waitFrom = 0, startAt = 0;
    s->OnStateChange = [&](int st) {
      visited.insert(st);
      if (st == tf1WaitPageConnect) waitFrom = clock.Now();
      if (st == tfStartPage) startAt = clock.Now();
    };
    s->Session().options |= foSoftwareFlow;
    Run(*s);
    EXPECT_EQ(owner.finishes, std::vector<int>{0});
    EXPECT_EQ(owner.logs.back(), lfaxTransmitOk);
    EXPECT_LE(startAt - waitFrom, 1) << "the tick of the CONNECT at most";
    EXPECT_FALSE(visited.count(tf2WaitXon));
    EXPECT_EQ(CountWritten("ATH0\r"), 1) << "hung up after the ATH time-out";
    EXPECT_EQ(port.SWFlowOptions(), swfNone) << "XON/XOFF is off again after the page";
  }
}

}  // namespace
}  // namespace telvane
