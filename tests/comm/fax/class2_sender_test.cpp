// The send machine against a scripted Class 2 / Class 2.0 modem: whole
// faxes, page terminators, page refusals, dialling outcomes, and faults that
// must end with their error, a hang-up and no hang.
#include <gtest/gtest.h>

#include "faxdoc/apf_format.h"
#include "base/error_codes.h"
#include "tests/comm/fax/fax_fixture.h"
#include "comm/fax/fax_sender.h"
#include "faxdoc/header_line.h"
#include "faxdoc/page_lines.h"
#include "comm/fax/page_transmitter.h"
#include "faxdoc/t4_encoder.h"

namespace telvane {
namespace {

using test::FaxTest;

const std::string kInit = "ATE0Q0V1X4S0=0S2=43\r";
const std::string kAnswer = "+FCON\n+FCSI:\"  REMOTE 1 \"\n+FDIS:1,3,0,2,0,0,0,0\n+FDCS:0,3,0,2,0,0,0,0\nOK";
const std::string kAnswer20 = "+FCO\n+FCI:\"REMOTE 1\"\n+FIS:1,3,0,2,0,0,0,0\n+FCS:0,3,0,2,0,0,0,0\nOK";

class Class2SendTest : public FaxTest {
 protected:
  std::unique_ptr<FaxSender> MakeSender(TFaxClass c) {
    auto s = std::make_unique<FaxSender>(port, owner);
    s->Session().faxClass = c;
    s->Session().SetStationId("Test Station");
    Watch(*s);
    return s;
  }

  void OneFax(const std::string& file, const std::string& cover = "") {
    owner.faxes.emplace_back("5551234", file, cover);
  }

  // Writes `name` as an APF file of `pages` test pages (see test::MakeApf),
  // queues it as one fax and gives its path.
  std::string QueueApf(const std::string& name, int pages, std::vector<bool> fine = {}) {
    std::string file = dir.File(name);
    test::MakeApf(file, pages, std::move(fine));
    OneFax(file);
    return file;
  }

  // The modem's part up to the first page.
  void ScriptSetup(bool class20, const std::string& caps = "0,3,0,2,0,0,0,0") {
    line->Expect(kInit, Rsp("OK"));
    if (class20) {
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

  // One Class 2 page: AT+FDT, data, and the post-page exchange.
  void ScriptPage2(const std::string& fet, const std::string& status = "+FPTS:1\nOK") {
    line->Expect("AT+FDT\r", Rsp("CONNECT") + "\x11");
    line->Expect("\x10\x03", Rsp("OK"));
    line->Expect("AT+FET=" + fet + "\r", Rsp(status));
  }

  // The coded lines of page `p` of `file` as they go on the line (no padding).
  std::string Stuffed(const std::string& file, unsigned p) {
    ApfPageLines lines;
    EXPECT_EQ(lines.Open(file, p), 0);
    std::vector<std::uint8_t> l;
    std::string out;
    while (lines.Next(l) == 1) AppendStuffed(out, l.data(), l.size(), 0);
    return out;
  }

  int CountStates(int state) const { return static_cast<int>(std::count(path.begin(), path.end(), state)); }
};

TEST_F(Class2SendTest, ThreePagesUnderClass2SendFetZeroTwiceAndFetTwoOnce) {
  std::string fax = QueueApf("three.apf", 3);
  ScriptSetup(false);
  line->Expect("ATDT5551234\r", Rsp(kAnswer));
  ScriptPage2("0");
  ScriptPage2("0");
  ScriptPage2("2", "+FPTS:1\n+FHNG:0\nOK");
  auto s = MakeSender(fcClass2);
  ASSERT_EQ(s->Start(), 0);
  RunToEnd(*s);

  EXPECT_TRUE(line->ScriptDone()) << line->NextExpected();
  EXPECT_EQ(CountWritten("AT+FET=0\r"), 2);
  EXPECT_EQ(CountWritten("AT+FET=2\r"), 1);
  EXPECT_EQ(CountWritten("AT+FET=1\r"), 0);
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
  for (int st : {tfGetEntry, tfPrepareFax, tf2Init1, tf2Init4, tf2Init5, tfDial, tf2DialResponse, tf2Connected,
                 tf2WaitXon, tfStartPage, tfSendBlankLines, tfSendPageData, tfPageDataEnd, tfPageDone, tf2PageEnd,
                 tf2WaitEopOk, tf2WaitPageStatus, tf2NextPage, tfFaxComplete, tfNoMoreFaxes, tfDone})
    EXPECT_TRUE(visited.count(st)) << "state " << st;
  EXPECT_EQ(owner.kinds.front(), fsFirst);
  EXPECT_EQ(owner.kinds.back(), fsLast);
  for (int code : {fpInitModem, fpDialing, fpGotRemoteID, fpSessionParams, fpSendPage, fpSendPageStatus, fpPageOK,
                   fpFinished})
    EXPECT_TRUE(owner.SawProgress(code)) << code;
}

TEST_F(Class2SendTest, StatusReadOutsNameThePageThatGoesOutAndNoSpeedBeforeItIsKnown) {
  // The page number each run of "sending page" statuses begins with.
  struct Owner : test::RecordingOwner {
    const FaxSender* sender = nullptr;
    std::vector<int> pageAtStart;
    int bpsAtFirstStatus = -1, bpsAtPageStart = -1;
    void FaxStatus(FaxStatusKind kind, int progress) override {
      const bool begins = progress == fpSendPage && (status.empty() || status.back() != fpSendPage);
      if (status.empty()) bpsAtFirstStatus = sender->Session().params.bps;
      RecordingOwner::FaxStatus(kind, progress);
      if (begins) pageAtStart.push_back(sender->Session().currentPage);
      if (begins) bpsAtPageStart = sender->Session().params.bps;
    }
  } watcher;
  std::string file = dir.File("two.apf");
  test::MakeApf(file, 2);
  watcher.faxes.emplace_back("5551234", file, "");
  ScriptSetup(false);
  line->Expect("ATDT5551234\r", Rsp(kAnswer));
  ScriptPage2("0");
  ScriptPage2("2", "+FPTS:1\n+FHNG:0\nOK");
  FaxSender s(port, watcher);
  watcher.sender = &s;
  s.Session().faxClass = fcClass2;
  s.Session().SetStationId("Test Station");
  ASSERT_EQ(s.Start(), 0);
  RunToEnd(s);
  EXPECT_EQ(watcher.finishes, std::vector<int>{0});
  EXPECT_EQ(watcher.pageAtStart, (std::vector<int>{1, 2}));
  EXPECT_EQ(watcher.bpsAtFirstStatus, 0) << "no speed before the modem reports the session's parameters";
  EXPECT_EQ(watcher.bpsAtPageStart, 9600);
}

TEST_F(Class2SendTest, TheStatusOfAPageStartCountsNoBytesOfTheLastPage) {
  struct Owner : test::RecordingOwner {
    const FaxSender* sender = nullptr;
    std::vector<std::uint32_t> bytesAtStart;
    void FaxStatus(FaxStatusKind kind, int progress) override {
      const bool begins = progress == fpSendPage && (status.empty() || status.back() != fpSendPage);
      RecordingOwner::FaxStatus(kind, progress);
      if (begins) bytesAtStart.push_back(sender->Session().pageBytes);
    }
  } watcher;
  std::string file = dir.File("two.apf");
  test::MakeApf(file, 2);
  watcher.faxes.emplace_back("5551234", file, "");
  ScriptSetup(false);
  line->Expect("ATDT5551234\r", Rsp(kAnswer));
  ScriptPage2("0");
  ScriptPage2("2", "+FPTS:1\n+FHNG:0\nOK");
  FaxSender s(port, watcher);
  watcher.sender = &s;
  s.Session().faxClass = fcClass2;
  s.Session().SetStationId("Test Station");
  ASSERT_EQ(s.Start(), 0);
  RunToEnd(s);
  EXPECT_EQ(watcher.finishes, std::vector<int>{0});
  EXPECT_EQ(watcher.bytesAtStart, (std::vector<std::uint32_t>{0, 0}));
  EXPECT_GT(s.Session().pageBytes, 0u) << "the last page's bytes were counted";
}

TEST_F(Class2SendTest, Class20EndsPagesWithCommaAndTheDocumentWithAStop) {
  QueueApf("three.apf", 3);
  ScriptSetup(true);
  line->Expect("ATDT5551234\r", Rsp(kAnswer20));
  for (const char* end : {"\x10,", "\x10,", "\x10."}) {
    line->Expect("AT+FDT\r", Rsp("CONNECT"));
    line->Expect(end, Rsp(std::string(end) == "\x10." ? "+FPS:1,0,0,0,0\n+FHS:0\nOK" : "OK"));
  }
  auto s = MakeSender(fcClass2_0);
  ASSERT_EQ(s->Start(), 0);
  RunToEnd(*s);
  EXPECT_TRUE(line->ScriptDone()) << line->NextExpected();
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  EXPECT_EQ(CountWritten("\x10\x03"), 0) << "no Class 2 terminator under Class 2.0";
  EXPECT_EQ(CountWritten("AT+FET"), 0);
  for (int st : {tf2Init2, tf2Init3, tf2WaitPageResult}) EXPECT_TRUE(visited.count(st)) << st;
  EXPECT_FALSE(visited.count(tf2WaitXon));
}

TEST_F(Class2SendTest, AResolutionChangeAsksForNewParametersInBothDialects) {
  for (bool class20 : {false, true}) {
    SCOPED_TRACE(class20 ? "Class 2.0" : "Class 2");
    line->TakeWritten();
    owner = test::RecordingOwner{};
    QueueApf("mixed.apf", 2, {false, true});
    ScriptSetup(class20);
    if (class20) {
      line->Expect("ATDT5551234\r", Rsp(kAnswer20));
      line->Expect("AT+FDT\r", Rsp("CONNECT"));
      line->Expect("\x10;", Rsp("OK"));
      line->Expect("AT+FIS=1\r", Rsp("+FCS:1,3,0,2,0,0,0,0\nOK"));
      line->Expect("AT+FDT\r", Rsp("CONNECT"));
      line->Expect("\x10.", Rsp("OK"));
    } else {
      line->Expect("ATDT5551234\r", Rsp(kAnswer));
      ScriptPage2("1");
      line->Expect("AT+FDIS=1\r", Rsp("+FDCS:1,3,0,2,0,0,0,0\nOK"));
      ScriptPage2("2");
    }
    auto s = MakeSender(class20 ? fcClass2_0 : fcClass2);
    ASSERT_EQ(s->Start(), 0);
    RunToEnd(*s);
    EXPECT_TRUE(line->ScriptDone()) << line->NextExpected();
    EXPECT_EQ(owner.finishes, std::vector<int>{0});
    EXPECT_TRUE(visited.count(tf2NewParams));
    EXPECT_TRUE(s->Session().params.fine);
  }
}

TEST_F(Class2SendTest, APageRefusedThreeTimesEndsWithFksAfterTwoRetransmissions) {
  std::string fax = QueueApf("one.apf", 1);
  ScriptSetup(false);
  line->Expect("ATDT5551234\r", Rsp(kAnswer));
  for (int i = 0; i < 3; ++i) ScriptPage2("2", "+FPTS:2\nOK");
  line->Expect("AT+FKS\r", "");
  auto s = MakeSender(fcClass2);
  ASSERT_EQ(s->Start(), 0);
  RunToEnd(*s);
  EXPECT_TRUE(line->ScriptDone()) << line->NextExpected();
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
  QueueApf("one.apf", 1);
  ScriptSetup(true);
  line->Expect("ATDT5551234\r", Rsp(kAnswer20));
  line->Expect("AT+FDT\r", Rsp("CONNECT"));
  line->Expect("\x10.", Rsp("ERROR"));
  line->Expect("AT+FPS?\r", Rsp("2\nOK"));  // read answers may come without the prefix
  line->Expect("AT+FDT\r", Rsp("CONNECT"));
  line->Expect("\x10.", Rsp("OK"));
  auto s = MakeSender(fcClass2_0);
  ASSERT_EQ(s->Start(), 0);
  RunToEnd(*s);
  EXPECT_TRUE(line->ScriptDone()) << line->NextExpected();
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  EXPECT_EQ(s->Session().retries, 1);
}

TEST_F(Class2SendTest, AClass20PageStatusOfTwoBeforeTheResultCodeSendsThePageAgain) {
  for (const char* result : {"ERROR", "OK"}) {
    SCOPED_TRACE(result);
    owner = test::RecordingOwner{};
    line->TakeWritten();
    std::string fax = QueueApf("one.apf", 1);
    ScriptSetup(true);
    line->Expect("ATDT5551234\r", Rsp(kAnswer20));
    line->Expect("AT+FDT\r", Rsp("CONNECT"));
    line->Expect("\x10.", Rsp(std::string("+FPS:2,0,0,0,0\n") + result));
    line->Expect("AT+FDT\r", Rsp("CONNECT"));
    line->Expect("\x10.", Rsp("+FPS:1,0,0,0,0\n+FHS:0\nOK"));
    auto s = MakeSender(fcClass2_0);
    ASSERT_EQ(s->Start(), 0);
    RunToEnd(*s);
    EXPECT_TRUE(line->ScriptDone()) << line->NextExpected();
    EXPECT_EQ(owner.finishes, std::vector<int>{0});
    EXPECT_TRUE(owner.errors.empty());
    EXPECT_EQ(s->Session().retries, 1);
    EXPECT_EQ(CountWritten(Stuffed(fax, 1)), 2);
    EXPECT_TRUE(owner.SawProgress(fpPageError));
  }
}

TEST_F(Class2SendTest, WithoutXonThePageStillStartsAfterEighteenTicks) {
  QueueApf("one.apf", 1);
  ScriptSetup(false);
  line->Expect("ATDT5551234\r", Rsp(kAnswer));
  line->Expect("AT+FDT\r", Rsp("CONNECT"));  // and no XON
  line->Expect("\x10\x03", Rsp("OK"));
  line->Expect("AT+FET=2\r", Rsp("+FPTS:1\nOK"));
  auto s = MakeSender(fcClass2);
  Ticks waitStart = 0, pageStart = 0;
  s->OnStateChange = [&](int st) {
    if (st == tf2WaitXon) waitStart = clock.Now();
    if (st == tfStartPage) pageStart = clock.Now();
  };
  ASSERT_EQ(s->Start(), 0);
  RunToEnd(*s);
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  EXPECT_GE(pageStart - waitStart, 18u);
  EXPECT_LE(pageStart - waitStart, 20u);
}

TEST_F(Class2SendTest, BusyIsRedialledUntilTheAttemptsAreUsedThenTheNextFaxStarts) {
  std::string fax = QueueApf("one.apf", 1);
  OneFax(fax);
  ScriptSetup(false);
  for (int i = 0; i < 3; ++i) line->Expect("ATDT5551234\r", Rsp("BUSY"));
  // The second fax of the list.
  line->Expect("AT+FCLASS=2\r", Rsp("OK"));
  line->Expect("AT+FLID=", Rsp("OK"));
  line->Expect("AT+FDCC=", Rsp("OK"));
  line->Expect("ATDT5551234\r", Rsp("NO DIALTONE"));
  auto s = MakeSender(fcClass2);
  s->Session().retryWait = 100;
  std::vector<Ticks> dials;
  s->OnStateChange = [&, watch = s->OnStateChange](int st) {
    watch(st);
    if (st == tfDial) dials.push_back(clock.Now());
  };
  ASSERT_EQ(s->Start(), 0);
  RunToEnd(*s);
  EXPECT_TRUE(line->ScriptDone()) << line->NextExpected();
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
  std::string fax = QueueApf("one.apf", 1);
  OneFax(fax);
  ScriptSetup(false);
  for (int i = 0; i < 3; ++i) line->Expect("ATDT5551234\r", Rsp("BUSY"));
  auto s = MakeSender(fcClass2);
  s->Session().retryWait = 10;
  s->Session().options = foAbortNoConnect;
  ASSERT_EQ(s->Start(), 0);
  RunToEnd(*s);
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFaxBusy});
  EXPECT_EQ(owner.nextAsked, 1u);
  EXPECT_EQ(owner.status.back(), fpCancel);
}

TEST_F(Class2SendTest, WithUnlimitedAttemptsABusyNumberIsRedialledAgainAndAgain) {
  QueueApf("one.apf", 1);
  ScriptSetup(false);
  for (int i = 0; i < 7; ++i) line->Expect("ATDT5551234\r", Rsp("BUSY"));
  auto s = MakeSender(fcClass2);
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
    owner = test::RecordingOwner{};
    line->TakeWritten();
    QueueApf("one.apf", 1);
    ScriptSetup(false);
    line->Expect("ATDT5551234\r", *c.reply ? Rsp(c.reply) : "");
    auto s = MakeSender(fcClass2);
    s->Session().options = foExitOnError;
    ASSERT_EQ(s->Start(), 0);
    RunToEnd(*s, 3000);
    EXPECT_EQ(owner.errors, std::vector<int>{c.error});
    EXPECT_EQ(owner.finishes, std::vector<int>{c.error});
    EXPECT_EQ(CountWritten("ATH0\r"), 1) << "hung up";
  }
}

TEST_F(Class2SendTest, AHeaderLineNumbersTheCoverAndTheFilePage) {
  std::string fax = dir.File("one.apf");
  test::MakeApf(fax, 1);
  std::string cover = dir.File("cover.txt");
  test::WriteAll(cover, "Cover text\r\n");
  OneFax(fax, cover);
  ScriptSetup(false);
  line->Expect("ATDT5551234\r", Rsp(kAnswer));
  ScriptPage2("0");
  ScriptPage2("2");
  auto s = MakeSender(fcClass2);
  s->Session().headerLine = "$P of $N $Xjunk $F";
  s->Session().headerSender = "ACME";
  s->Session().maxSendCount = 4;  // a few lines per trigger: every phase is seen
  ASSERT_EQ(s->Start(), 0);
  RunToEnd(*s);
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
  test::MakeApfWithLines(fax, {withDle});
  OneFax(fax);
  ScriptSetup(false);
  // ST 7 at 9600 bit/s: 40 ms per line, 48 bytes.
  line->Expect("ATDT5551234\r", Rsp("+FCON\n+FDCS:0,3,0,2,0,0,0,7\nOK"));
  line->Expect("AT+FDT\r", Rsp("CONNECT") + "\x11");
  line->Expect("\x10\x03", Rsp("OK"));
  line->Expect("AT+FET=2\r", Rsp("+FPTS:1\nOK"));
  auto s = MakeSender(fcClass2);
  ASSERT_EQ(s->Start(), 0);
  RunToEnd(*s);
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
  ScriptSetup(false, "1,3,0,2,0,0,0,0");
  line->Expect("ATDT5551234\r", Rsp("+FCON\n+FDCS:0,3,0,2,0,0,0,0\nOK"));
  auto s = MakeSender(fcClass2);
  ASSERT_EQ(s->Start(), 0);
  RunToEnd(*s);
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFaxIncompatible});
}

// --- Faults: each ends with its error, a hang-up and the finish ---

TEST_F(Class2SendTest, AModemThatFallsSilentTimesOut) {
  QueueApf("one.apf", 1);
  line->Expect(kInit, Rsp("OK"));
  auto s = MakeSender(fcClass2);
  ASSERT_EQ(s->Start(), 0);
  RunToEnd(*s, 400);
  EXPECT_EQ(owner.errors, std::vector<int>{ecFatalTimeout});
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFatalTimeout});
  EXPECT_EQ(CountWritten("ATH0\r"), 1);
}

TEST_F(Class2SendTest, GarbageInsteadOfOkIsAnInitError) {
  QueueApf("one.apf", 1);
  line->Expect(kInit, Rsp("OK"));
  line->Expect("AT+FCLASS=2\r", "\r\n\x7f\x01#%&garbage\r\n");
  auto s = MakeSender(fcClass2);
  ASSERT_EQ(s->Start(), 0);
  RunToEnd(*s, 400);
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFaxInitError});
}

TEST_F(Class2SendTest, EndlessGarbageWithoutLineEndsStillTimesOut) {
  QueueApf("one.apf", 1);
  line->Expect(kInit, Rsp("OK"));
  line->Expect("AT+FCLASS=2\r", std::string(20000, '\x55'));
  auto s = MakeSender(fcClass2);
  ASSERT_EQ(s->Start(), 0);
  RunToEnd(*s, 400);
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFatalTimeout});
}

TEST_F(Class2SendTest, AModemThatStopsTakingPageDataEndsWithTheTimeOut) {
  QueueApf("three.apf", 3);
  ScriptSetup(false);
  line->Expect("ATDT5551234\r", Rsp(kAnswer));
  line->Expect("AT+FDT\r", Rsp("CONNECT") + "\x11");
  auto s = MakeSender(fcClass2);
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
  ScriptSetup(false);
  line->Expect("ATDT5551234\r", Rsp(kAnswer));
  ScriptPage2("0", "+FPTS:1\n+FHNG:50\nOK");
  line->SetModemLines(msrDCD | msrCTS | msrDSR);  // the modem still shows carrier
  auto s = MakeSender(fcClass2);
  ASSERT_EQ(s->Start(), 0);
  RunToEnd(*s);
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
  ScriptSetup(false);
  line->Expect("ATDT5551234\r", Rsp(kAnswer));
  ScriptPage2("2", "+FPTS:9\nOK");
  auto s = MakeSender(fcClass2);
  ASSERT_EQ(s->Start(), 0);
  RunToEnd(*s);
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFaxPageError});
}

TEST_F(Class2SendTest, AFileThatIsNotApfIsRefusedAndTheListGoesOn) {
  std::string bad = dir.File("bad.apf");
  test::WriteAll(bad, std::string(100, 'x'));
  OneFax(bad);
  line->Expect(kInit, Rsp("OK"));
  auto s = MakeSender(fcClass2);
  ASSERT_EQ(s->Start(), 0);
  RunToEnd(*s);
  EXPECT_EQ(owner.errors, std::vector<int>{ecFaxBadFormat});
  EXPECT_EQ(owner.nextAsked, 2u);
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFaxBadFormat});
}

TEST_F(Class2SendTest, AFaxWithNeitherFileNorCoverHasNoFileName) {
  OneFax("");
  line->Expect(kInit, Rsp("OK"));
  auto s = MakeSender(fcClass2);
  ASSERT_EQ(s->Start(), 0);
  RunToEnd(*s);
  // An empty phone number would end the list; a number without any file is an error.
  EXPECT_EQ(owner.errors, std::vector<int>{ecNoFilename});
}

TEST_F(Class2SendTest, GetEntryIgnoresEventsWhileTheOwnerChoosesTheNextFax) {
  QueueApf("one.apf", 1);
  line->Expect(kInit, Rsp("OK"));
  auto s = MakeSender(fcClass2);
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
  ScriptSetup(false);
  line->Expect("ATDT5551234\r", Rsp(kAnswer));
  ScriptPage2("2");
  auto s = MakeSender(fcClass2);
  s->Session().options = foSoftwareFlow;
  std::vector<TSWFlowOptions> seen;
  s->OnStateChange = [&, watch = s->OnStateChange](int st) {
    watch(st);
    if (st == tfSendBlankLines || st == tf2PageEnd) seen.push_back(port.SWFlowOptions());
  };
  ASSERT_EQ(s->Start(), 0);
  RunToEnd(*s);
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  EXPECT_EQ(seen, (std::vector<TSWFlowOptions>{swfTransmit, swfNone}));
}

TEST_F(Class2SendTest, AHangUpBeforeTheFirstPageIsAFailedConnection) {
  QueueApf("one.apf", 1);
  ScriptSetup(false);
  line->Expect("ATDT5551234\r", Rsp(kAnswer));
  line->Expect("AT+FDT\r", Rsp("+FHNG:20\nERROR"));
  auto s = MakeSender(fcClass2);
  ASSERT_EQ(s->Start(), 0);
  RunToEnd(*s);
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFaxNoCarrier});
  EXPECT_EQ(s->Session().hangupCode, 20);
}

}  // namespace
}  // namespace telvane
