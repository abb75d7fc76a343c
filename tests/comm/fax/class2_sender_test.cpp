// The send machine against a scripted Class 2 / Class 2.0 modem: whole
// faxes, page terminators, page refusals, dialling outcomes, and faults that
// must end with their error, a hang-up and no hang.
#include <gtest/gtest.h>

#include "base/error_codes.h"
#include "faxdoc/header_line.h"
#include "faxdoc/t4_encoder.h"
#include "tests/comm/fax/fax_fixture.h"

namespace telvane {
namespace {

using namespace test;

// The remote's answer to the dial: connected, its id and capabilities, the session's parameters.
const std::string kAnswer = "+FCON\n+FCSI:\"  REMOTE 1 \"\n+FDIS:1,3,0,2,0,0,0,0\n+FDCS:0,3,0,2,0,0,0,0\nOK";
const std::string kAnswer20 = "+FCO\n+FCI:\"REMOTE 1\"\n+FIS:1,3,0,2,0,0,0,0\n+FCS:0,3,0,2,0,0,0,0\nOK";

class Class2SendTest : public Class2Test {
 protected:
  std::unique_ptr<FaxSender> MakeSender() { return FaxTest::MakeSender(dialect, "Test Station"); }

  // The modem's part up to the dial.
  void ScriptSetup(const std::string& caps = "0,3,0,2,0,0,0,0") {
    line->Expect(kInit, Rsp("OK"));
    if (Class20()) {
      line->Expect("AT+FCLASS=2.0\r", Rsp("OK"));
      line->Expect("AT+FLI=\"TEST STATION\"\r", Rsp("OK"));
      line->Expect("AT+FLO=2\r", Rsp("OK"));
      line->Expect("AT+FNR=1,1,1,0\r", Rsp("OK"));
      line->Expect("AT+FCC=" + caps + "\r", Rsp("OK"));
    } else {
      line->Expect("AT+FCLASS=2\r", Rsp("OK"));
      line->Expect("AT+FLID=\"TEST STATION\"\r", Rsp("OK"));
      line->Expect("AT+FDCC=" + caps + "\r", Rsp("OK"));
    }
  }
  // The set-up and a call that REMOTE 1 answers.
  void ScriptCall() {
    ScriptSetup();
    line->Expect("ATDT5551234\r", Rsp(Class20() ? kAnswer20 : kAnswer));
  }
  // One page and its post-page message `post` (0 another page, 1 a new
  // document, 2 the end), with the modem's `answer` after it. Class 2:
  // AT+FDT, the data up to DLE ETX, AT+FET=post. Class 2.0: AT+FDT and the
  // data up to DLE and the message's own character.
  void ScriptPage(int post, const std::string& answer = "") {
    if (Class20()) {
      line->Expect("AT+FDT\r", Rsp("CONNECT"));
      line->Expect(std::string("\x10") + ",;."[post], Rsp(answer.empty() ? "OK" : answer));
    } else {
      line->Expect("AT+FDT\r", Rsp("CONNECT") + "\x11");
      line->Expect("\x10\x03", Rsp("OK"));
      line->Expect("AT+FET=" + std::to_string(post) + "\r", Rsp(answer.empty() ? "+FPTS:1\nOK" : answer));
    }
  }
  // Whether a status notification (not yet recorded) begins a run of
  // "sending page" ones.
  bool BeginsPage(int progress) const {
    return progress == fpSendPage && (owner.status.empty() || owner.status.back() != fpSendPage);
  }
};

// The tests that run under both dialects.
using Class2SendDialects = BothDialects<Class2SendTest>;

TEST_P(Class2SendDialects, ThreePagesGoOutInOrderEachEndedTheDialectsWay) {
  std::string fax = QueueApf("three.apf", 3);
  ScriptCall();
  ScriptPage(0);
  ScriptPage(0);
  ScriptPage(2, Class20() ? "+FPS:1,0,0,0,0\n+FHS:0\nOK" : "+FPTS:1\n+FHNG:0\nOK");
  auto s = MakeSender();
  Run(*s);

  if (Class20()) {
    EXPECT_EQ(CountWritten("\x10\x03"), 0) << "no Class 2 terminator under Class 2.0";
    EXPECT_EQ(CountWritten("AT+FET"), 0);
  } else {
    EXPECT_EQ(CountWritten("AT+FET=0\r"), 2);
    EXPECT_EQ(CountWritten("AT+FET=2\r"), 1);
    EXPECT_EQ(CountWritten("AT+FET=1\r"), 0);
  }
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  EXPECT_TRUE(owner.errors.empty());
  EXPECT_EQ(owner.logs, (std::vector<int>{lfaxTransmitStart, lfaxTransmitOk}));
  EXPECT_EQ(s->Session().remoteId, "REMOTE 1");
  // Every page's lines went out as stored, in page order, each after its AT+FDT.
  std::string w = line->Written();
  std::size_t at = 0;
  for (unsigned p = 1; p <= 3; ++p) {
    at = w.find("AT+FDT\r", at);
    ASSERT_NE(at, std::string::npos);
    at = w.find(Stuffed(fax, p), at);
    ASSERT_NE(at, std::string::npos) << "page " << p;
  }
  // Each page starts with the 8 blank lines.
  std::string blank(reinterpret_cast<const char*>(kBlankLine), sizeof kBlankLine);
  std::string eight;
  for (int i = 0; i < 8; ++i) eight += blank;
  EXPECT_GE(CountWritten(eight), 3);
  for (int st : {tfGetEntry, tfPrepareFax, tf2Init1, tfDial, tf2DialResponse, tf2Connected, tfStartPage,
                 tfSendBlankLines, tfSendPageData, tfPageDataEnd, tfPageDone, tf2NextPage, tfFaxComplete,
                 tfNoMoreFaxes, tfDone})
    EXPECT_TRUE(visited.count(st)) << "state " << st;
  if (Class20()) {
    for (int st : {tf2Init2, tf2Init3, tf2WaitPageResult}) EXPECT_TRUE(visited.count(st)) << "state " << st;
    EXPECT_FALSE(visited.count(tf2WaitXon));
  } else {
    for (int st : {tf2Init4, tf2Init5, tf2WaitXon, tf2PageEnd, tf2WaitEopOk, tf2WaitPageStatus})
      EXPECT_TRUE(visited.count(st)) << "state " << st;
  }
  EXPECT_EQ(owner.kinds.front(), fsFirst);
  EXPECT_EQ(owner.kinds.back(), fsLast);
  for (int code : {fpInitModem, fpDialing, fpGotRemoteID, fpSessionParams, fpSendPage, fpSendPageStatus, fpPageOK,
                   fpFinished})
    EXPECT_TRUE(owner.SawProgress(code)) << code;
}

TEST_P(Class2SendDialects, AResolutionChangeAsksForNewParameters) {
  QueueApf("mixed.apf", 2, {false, true});
  ScriptCall();
  ScriptPage(1);
  if (Class20())
    line->Expect("AT+FIS=1\r", Rsp("+FCS:1,3,0,2,0,0,0,0\nOK"));
  else
    line->Expect("AT+FDIS=1\r", Rsp("+FDCS:1,3,0,2,0,0,0,0\nOK"));
  ScriptPage(2);
  auto s = MakeSender();
  Run(*s);
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  EXPECT_TRUE(visited.count(tf2NewParams));
  EXPECT_TRUE(s->Session().params.fine);
}

INSTANTIATE_TEST_SUITE_P(Dialects, Class2SendDialects, ::testing::Values(fcClass2, fcClass2_0), DialectName);

TEST_F(Class2SendTest, StatusReadOutsNameThePageThatGoesOutAndNoSpeedBeforeItIsKnown) {
  QueueApf("two.apf", 2);
  ScriptCall();
  ScriptPage(0);
  ScriptPage(2, "+FPTS:1\n+FHNG:0\nOK");
  auto s = MakeSender();
  // The page number each run of "sending page" statuses begins with.
  std::vector<int> pageAtStart;
  int bpsAtFirstStatus = -1, bpsAtPageStart = -1;
  owner.duringStatus = [&](int progress) {
    if (owner.status.empty()) bpsAtFirstStatus = s->Session().params.bps;
    if (!BeginsPage(progress)) return;
    pageAtStart.push_back(s->Session().currentPage);
    bpsAtPageStart = s->Session().params.bps;
  };
  Run(*s);
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  EXPECT_EQ(pageAtStart, (std::vector<int>{1, 2}));
  EXPECT_EQ(bpsAtFirstStatus, 0) << "no speed before the modem reports the session's parameters";
  EXPECT_EQ(bpsAtPageStart, 9600);
}

TEST_F(Class2SendTest, TheStatusOfAPageStartCountsNoBytesOfTheLastPage) {
  QueueApf("two.apf", 2);
  ScriptCall();
  ScriptPage(0);
  ScriptPage(2, "+FPTS:1\n+FHNG:0\nOK");
  auto s = MakeSender();
  std::vector<std::uint32_t> bytesAtStart;
  owner.duringStatus = [&](int progress) {
    if (BeginsPage(progress)) bytesAtStart.push_back(s->Session().pageBytes);
  };
  Run(*s);
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  EXPECT_EQ(bytesAtStart, (std::vector<std::uint32_t>{0, 0}));
  EXPECT_GT(s->Session().pageBytes, 0u) << "the last page's bytes were counted";
}

TEST_F(Class2SendTest, APageRefusedThreeTimesEndsWithFksAfterTwoRetransmissions) {
  std::string fax = QueueApf("one.apf", 1);
  ScriptCall();
  for (int i = 0; i < 3; ++i) ScriptPage(2, "+FPTS:2\nOK");
  line->Expect("AT+FKS\r", "");
  auto s = MakeSender();
  Run(*s);
  EXPECT_EQ(CountWritten("AT+FDT\r"), 3) << "the page is sent again after each of the first two refusals";
  EXPECT_EQ(CountWritten(Stuffed(fax, 1)), 3);
  EXPECT_EQ(owner.errors, std::vector<int>{ecFaxSessionError});
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFaxSessionError});
  EXPECT_EQ(owner.logs.back(), lfaxTransmitFail);
  EXPECT_TRUE(visited.count(tf2RetryPage));
  EXPECT_TRUE(visited.count(tfSendError));
  EXPECT_TRUE(owner.SawProgress(fpPageError));
}

TEST_F(Class2SendTest, AClass20PageErrorQueriesThePageStatusAndSendsAgain) {
  dialect = fcClass2_0;
  QueueApf("one.apf", 1);
  ScriptCall();
  ScriptPage(2, "ERROR");
  line->Expect("AT+FPS?\r", Rsp("2\nOK"));  // read answers may come without the prefix
  ScriptPage(2);
  auto s = MakeSender();
  Run(*s);
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  EXPECT_EQ(s->Session().retries, 1);
}

TEST_F(Class2SendTest, AClass20PageStatusOfTwoBeforeTheResultCodeSendsThePageAgain) {
  dialect = fcClass2_0;
  for (const char* result : {"ERROR", "OK"}) {
    SCOPED_TRACE(result);
    owner = RecordingOwner{};
    line->TakeWritten();
    std::string fax = QueueApf("one.apf", 1);
    ScriptCall();
    ScriptPage(2, std::string("+FPS:2,0,0,0,0\n") + result);
    ScriptPage(2, "+FPS:1,0,0,0,0\n+FHS:0\nOK");
    auto s = MakeSender();
    Run(*s);
    EXPECT_EQ(owner.finishes, std::vector<int>{0});
    EXPECT_TRUE(owner.errors.empty());
    EXPECT_EQ(s->Session().retries, 1);
    EXPECT_EQ(CountWritten(Stuffed(fax, 1)), 2);
    EXPECT_TRUE(owner.SawProgress(fpPageError));
  }
}

TEST_F(Class2SendTest, WithoutXonThePageStillStartsAfterEighteenTicks) {
  QueueApf("one.apf", 1);
  ScriptCall();
  line->Expect("AT+FDT\r", Rsp("CONNECT"));  // and no XON
  line->Expect("\x10\x03", Rsp("OK"));
  line->Expect("AT+FET=2\r", Rsp("+FPTS:1\nOK"));
  auto s = MakeSender();
  Ticks waitStart = 0, pageStart = 0;
  s->OnStateChange = [&](int st) {
    if (st == tf2WaitXon) waitStart = clock.Now();
    if (st == tfStartPage) pageStart = clock.Now();
  };
  Run(*s);
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  EXPECT_GE(pageStart - waitStart, 18u);
  EXPECT_LE(pageStart - waitStart, 20u);
}

TEST_F(Class2SendTest, BusyIsRedialledUntilTheAttemptsAreUsedThenTheNextFaxStarts) {
  QueueApf("one.apf", 1);
  owner.faxes.push_back(owner.faxes.back());  // and the same fax again
  ScriptSetup();
  for (int i = 0; i < 3; ++i) line->Expect("ATDT5551234\r", Rsp("BUSY"));
  ScriptClass2SendSetup(*line);  // the second fax of the list
  line->Expect("ATDT5551234\r", Rsp("NO DIALTONE"));
  auto s = MakeSender();
  s->Session().retryWait = 100;
  std::vector<Ticks> dials;
  s->OnStateChange = [&, watch = s->OnStateChange](int st) {
    watch(st);
    if (st == tfDial) dials.push_back(clock.Now());
  };
  Run(*s);
  ASSERT_EQ(dials.size(), 4u);
  EXPECT_GE(dials[1] - dials[0], 100u) << "redial only after the retry wait";
  EXPECT_EQ(owner.errors, (std::vector<int>{ecFaxBusy, ecFaxNoDialTone}));
  EXPECT_EQ(owner.logs, (std::vector<int>{lfaxTransmitStart, lfaxTransmitFail, lfaxTransmitStart, lfaxTransmitFail}));
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFaxNoDialTone});
  EXPECT_EQ(owner.nextAsked, 3u);
  EXPECT_TRUE(owner.SawProgress(fpBusyWait));
  EXPECT_TRUE(visited.count(tfRetryWait));
}

TEST_F(Class2SendTest, WithAbortNoConnectTheThirdBusyEndsTheSession) {
  QueueApf("one.apf", 1);
  owner.faxes.push_back(owner.faxes.back());  // and the same fax again
  ScriptSetup();
  for (int i = 0; i < 3; ++i) line->Expect("ATDT5551234\r", Rsp("BUSY"));
  auto s = MakeSender();
  s->Session().retryWait = 10;
  s->Session().options = foAbortNoConnect;
  Run(*s);
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFaxBusy});
  EXPECT_EQ(owner.nextAsked, 1u);
  EXPECT_EQ(owner.status.back(), fpCancel);
}

TEST_F(Class2SendTest, WithUnlimitedAttemptsABusyNumberIsRedialledAgainAndAgain) {
  QueueApf("one.apf", 1);
  ScriptSetup();
  for (int i = 0; i < 7; ++i) line->Expect("ATDT5551234\r", Rsp("BUSY"));
  auto s = MakeSender();
  s->Session().retryWait = 5;
  s->Session().dialAttempts = 0;
  ASSERT_EQ(s->Start(), 0);
  drive.RunUntil([&] { return line->ScriptDone(); }, 2000);
  drive.RunFor(3);
  EXPECT_TRUE(line->ScriptDone());
  EXPECT_FALSE(s->Finished());
  EXPECT_EQ(s->State(), tfRetryWait);
  EXPECT_TRUE(owner.errors.empty());
  s->Abort();
  EXPECT_EQ(owner.finishes, std::vector<int>{ecCancelRequested});
  EXPECT_EQ(owner.status.back(), fpCancel);
  EXPECT_EQ(owner.kinds.back(), fsLast);
}

TEST_F(Class2SendTest, DialResultsHaveTheirOwnErrors) {
  struct Case {
    const char* reply;
    int error;
  } cases[] = {{"NO DIALTONE", ecFaxNoDialTone}, {"VOICE", ecFaxVoiceCall}, {"NO CARRIER", ecFaxNoCarrier},
               {"", ecFaxNoAnswer}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reply);
    owner = RecordingOwner{};
    line->TakeWritten();
    QueueApf("one.apf", 1);
    ScriptSetup();
    line->Expect("ATDT5551234\r", *c.reply ? Rsp(c.reply) : "");
    auto s = MakeSender();
    s->Session().options = foExitOnError;
    Run(*s, 3000);
    EXPECT_EQ(owner.errors, std::vector<int>{c.error});
    EXPECT_EQ(owner.finishes, std::vector<int>{c.error});
    EXPECT_EQ(CountWritten("ATH0\r"), 1) << "hung up";
  }
}

TEST_F(Class2SendTest, AHeaderLineNumbersTheCoverAndTheFilePage) {
  std::string cover = dir.File("cover.txt");
  WriteAll(cover, "Cover text\r\n");
  std::string fax = QueueApf("one.apf", 1, {}, cover);
  ScriptCall();
  ScriptPage(0);
  ScriptPage(2);
  auto s = MakeSender();
  s->Session().headerLine = "$P of $N $Xjunk $F";
  s->Session().headerSender = "ACME";
  s->Session().maxSendCount = 4;  // a few lines per trigger: every phase is seen
  Run(*s);
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  EXPECT_TRUE(visited.count(tfSendCover));
  EXPECT_TRUE(visited.count(tfSendHeaderLine) || visited.count(tfSendBlankLines));
  // The rows of "1 of 2  ACME" go out before the first page and "2 of 2  ACME" before the second.
  auto rows = [](const std::string& text) {
    std::vector<std::vector<std::uint8_t>> lines;
    EXPECT_EQ(RenderHeaderLines(text, false, false, lines), 0);
    std::string out;
    for (auto& l : lines) AppendStuffed(out, l.data(), l.size(), 0);
    return out;
  };
  std::string w = line->Written();
  std::size_t first = w.find(rows("1 of 2  ACME")), second = w.find(rows("2 of 2  ACME"));
  ASSERT_NE(first, std::string::npos);
  ASSERT_NE(second, std::string::npos);
  EXPECT_LT(first, second);
  EXPECT_GT(second, w.find("AT+FET=0\r"));
  EXPECT_NE(w.find(Stuffed(fax, 1), second), std::string::npos);
}

TEST_F(Class2SendTest, PageDataIsPaddedToTheMinimumScanLineAndDleIsDoubled) {
  std::vector<std::uint8_t> withDle = {0x00, 0x80, 0x10, 0x10, 0x05};
  std::string fax = dir.File("dle.apf");
  MakeApfWithLines(fax, {withDle});
  QueueFax(fax);
  ScriptSetup();
  // ST 7 at 9600 bit/s: 40 ms per line, 48 bytes.
  line->Expect("ATDT5551234\r", Rsp("+FCON\n+FDCS:0,3,0,2,0,0,0,7\nOK"));
  ScriptPage(2);
  auto s = MakeSender();
  Run(*s);
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  EXPECT_EQ(s->Session().params.minBytes, 48);
  std::string expected("\x00\x80\x10\x10\x10\x10\x05", 7);
  expected.append(48 - 5, '\0');
  EXPECT_EQ(CountWritten(expected), 1);
  std::string blank(reinterpret_cast<const char*>(kBlankLine), sizeof kBlankLine);
  EXPECT_GE(CountWritten(blank + std::string(42, '\0')), 8) << "blank lines padded too";
}

TEST_F(Class2SendTest, APageWiderThanTheRemoteTakesFailsAsIncompatible) {
  QueueApf("fine.apf", 1, {true});
  ScriptSetup("1,3,0,2,0,0,0,0");
  line->Expect("ATDT5551234\r", Rsp("+FCON\n+FDCS:0,3,0,2,0,0,0,0\nOK"));
  auto s = MakeSender();
  Run(*s);
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFaxIncompatible});
}

// --- Faults: each ends with its error, a hang-up and the finish ---

// A modem that gives no answer, garbage or an endless line where the OK to
// the class command should be.
struct SetUpFault {
  const char* name;
  std::string reply;
  int error;
};
void PrintTo(const SetUpFault& f, std::ostream* os) { *os << f.name; }
class Class2SendSetUpFaults : public Class2SendTest, public ::testing::WithParamInterface<SetUpFault> {};

TEST_P(Class2SendSetUpFaults, EndTheSessionWithTheirErrorAndAHangUp) {
  QueueApf("one.apf", 1);
  line->Expect(kInit, Rsp("OK"));
  line->Expect("AT+FCLASS=2\r", GetParam().reply);
  auto s = MakeSender();
  Run(*s, 400);
  EXPECT_EQ(owner.errors, std::vector<int>{GetParam().error});
  EXPECT_EQ(owner.finishes, std::vector<int>{GetParam().error});
  EXPECT_EQ(CountWritten("ATH0\r"), 1);
}

INSTANTIATE_TEST_SUITE_P(Faults, Class2SendSetUpFaults,
                         ::testing::Values(SetUpFault{"Silence", "", ecFatalTimeout},
                                           SetUpFault{"Garbage", "\r\n\x7f\x01#%&garbage\r\n", ecFaxInitError},
                                           SetUpFault{"EndlessLine", std::string(20000, '\x55'), ecFatalTimeout}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Class2SendTest, AModemThatStopsTakingPageDataEndsWithTheTimeOut) {
  QueueApf("three.apf", 3);
  ScriptCall();
  line->Expect("AT+FDT\r", Rsp("CONNECT") + "\x11");
  auto s = MakeSender();
  s->Session().bufferMinimum = 9000;  // fill past what the line takes
  ASSERT_EQ(s->Start(), 0);
  drive.RunUntil([&] { return s->State() >= tfSendBlankLines; }, 2000);
  line->SetStalled(true);  // the carrier is gone and the modem holds the data
  line->SetModemLines(msrDCD | msrCTS | msrDSR);
  RunToEnd(*s, 1500);
  EXPECT_EQ(owner.errors, std::vector<int>{ecFatalTimeout});
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFatalTimeout});
}

TEST_F(Class2SendTest, ARemoteHangUpBetweenPagesEndsTheFaxWithItsCode) {
  QueueApf("three.apf", 3);
  ScriptCall();
  ScriptPage(0, "+FPTS:1\n+FHNG:50\nOK");
  line->SetModemLines(msrDCD | msrCTS | msrDSR);  // the modem still shows carrier
  auto s = MakeSender();
  Run(*s);
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFaxSessionError});
  EXPECT_EQ(s->Session().hangupCode, 50);
  // With carrier: escape to command mode, then hang up.
  std::string w = line->Written();
  std::size_t escape = w.rfind("+++");
  ASSERT_NE(escape, std::string::npos);
  EXPECT_NE(w.find("ATH0\r", escape), std::string::npos);
  EXPECT_TRUE(line->Dtr());
}

TEST_F(Class2SendTest, AnUnknownPageStatusFailsAtPageEnd) {
  QueueApf("one.apf", 1);
  ScriptCall();
  ScriptPage(2, "+FPTS:9\nOK");
  auto s = MakeSender();
  Run(*s);
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFaxPageError});
}

TEST_F(Class2SendTest, AFileThatIsNotApfIsRefusedAndTheListGoesOn) {
  std::string bad = dir.File("bad.apf");
  WriteAll(bad, std::string(100, 'x'));
  QueueFax(bad);
  line->Expect(kInit, Rsp("OK"));
  auto s = MakeSender();
  Run(*s);
  EXPECT_EQ(owner.errors, std::vector<int>{ecFaxBadFormat});
  EXPECT_EQ(owner.nextAsked, 2u);
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFaxBadFormat});
}

TEST_F(Class2SendTest, AFaxWithNeitherFileNorCoverHasNoFileName) {
  QueueFax("");
  line->Expect(kInit, Rsp("OK"));
  auto s = MakeSender();
  Run(*s);
  // An empty phone number would end the list; a number without any file is an error.
  EXPECT_EQ(owner.errors, std::vector<int>{ecNoFilename});
}

TEST_F(Class2SendTest, GetEntryIgnoresEventsWhileTheOwnerChoosesTheNextFax) {
  QueueApf("one.apf", 1);
  line->Expect(kInit, Rsp("OK"));
  auto s = MakeSender();
  int nested = 0;
  owner.duringNext = [&] {
    // The owner lets events run: the status timer fires meanwhile.
    clock.AdvanceTicks(40);
    port.Pump();
    ++nested;
  };
  ASSERT_EQ(s->Start(), 0);
  drive.RunUntil([&] { return s->State() == tf2Init1; }, 100);
  EXPECT_EQ(owner.nextAsked, 1u) << "the next-fax question was not asked again from inside itself";
  EXPECT_EQ(nested, 1);
  s->Abort();
  EXPECT_EQ(owner.finishes, std::vector<int>{ecCancelRequested});
}

TEST_F(Class2SendTest, SoftwareFlowObeysTheModemOnlyWhilePageDataFlows) {
  QueueApf("one.apf", 1);
  ScriptCall();
  ScriptPage(2);
  auto s = MakeSender();
  s->Session().options = foSoftwareFlow;
  std::vector<TSWFlowOptions> seen;
  s->OnStateChange = [&, watch = s->OnStateChange](int st) {
    watch(st);
    if (st == tfSendBlankLines || st == tf2PageEnd) seen.push_back(port.SWFlowOptions());
  };
  Run(*s);
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  EXPECT_EQ(seen, (std::vector<TSWFlowOptions>{swfTransmit, swfNone}));
}

TEST_F(Class2SendTest, AHangUpBeforeTheFirstPageIsAFailedConnection) {
  QueueApf("one.apf", 1);
  ScriptCall();
  line->Expect("AT+FDT\r", Rsp("+FHNG:20\nERROR"));
  auto s = MakeSender();
  Run(*s);
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFaxNoCarrier});
  EXPECT_EQ(s->Session().hangupCode, 20);
}

}  // namespace
}  // namespace telvane
