// The receive machine against a scripted Class 2 / Class 2.0 modem: pages
// stored so that the APF reader decodes exactly what was sent, refused pages
// and calls, rings, and calls that fail half way.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "base/error_codes.h"
#include "faxdoc/apf_format.h"
#include "tests/comm/fax/fax_fixture.h"

namespace telvane {
namespace {

using namespace test;

class Class2ReceiveTest : public Class2Test {
 protected:
  std::unique_ptr<FaxReceiver> MakeReceiver() { return FaxTest::MakeReceiver(dialect); }

  // Preparation and set-up; `then` is what the modem sends after the OK
  // to the last set-up command.
  void ScriptPreparation(const std::string& then) {
    line->Expect(kInit, Rsp("OK"));
    std::string cls = Class20() ? "AT+FCLASS=2.0\r" : "AT+FCLASS=2\r";
    line->Expect(cls, Rsp("OK"));
    line->Expect("AT+FCR=1\r", Rsp("OK"));
    line->Expect(Class20() ? "AT+FLI=\"HERE\"\r" : "AT+FLID=\"HERE\"\r", Rsp("OK"));
    line->Expect("AT+FAA=0\r", Rsp("OK"));
    line->Expect(cls, Rsp("OK"));
    if (Class20()) {
      line->Expect("AT+FCC=1,3,0,2,0,0,0,0\r", Rsp("OK"));
      line->Expect("AT+FLO=2\r", Rsp("OK"));
      line->Expect("AT+FNR=1,1,1,0\r", Rsp("OK") + then);
    } else {
      line->Expect("AT+FDCC=1,3,0,2,0,0,0,0\r", Rsp("OK") + then);
    }
  }

  // Preparation, set-up and one RING answered.
  void ScriptSetup() {
    ScriptPreparation(Rsp("RING"));
    if (Class20())
      line->Expect("ATA\r", Rsp("+FCO\n+FTI:\"CALLER 9\"\n+FCS:0,3,0,2,0,0,0,0\nOK"));
    else
      line->Expect("ATA\r", Rsp("+FCON\n+FTSI:\"CALLER 9\"\n+FDCS:0,3,0,2,0,0,0,0\nOK"));
  }

  // One page: AT+FDR, CONNECT, DC2, the data as the dialect sends it (see
  // WirePage::Wire), the page's status `code` and its post-page message `fet`.
  void ScriptPage(const WirePage& page, int code, char fet) { ScriptPageData(page.Wire(!Class20()), code, fet); }
  void ScriptPageData(const std::string& wire, int code, char fet) {
    line->Expect("AT+FDR\r", Rsp("CONNECT"));
    line->Expect("\x12", wire + PageResult(code, fet));
  }
  // The modem's report after a page: its status and the post-page message.
  std::string PageResult(int code, char fet) const {
    return Class20() ? Rsp("+FPS:" + std::to_string(code) + ",0,0,0,0\n+FET:" + fet + ",0,0,0,0\nOK")
                     : Rsp("+FPTS:" + std::to_string(code) + "\n+FET:" + fet + "\nOK");
  }
  // The caller hangs up after the last page.
  void ScriptHangUp() { line->Expect("AT+FDR\r", Rsp(Class20() ? "+FHS:0\nOK" : "+FHNG:0\nOK")); }
};

// The tests that run under both dialects.
using Class2ReceiveDialects = BothDialects<Class2ReceiveTest>;

TEST_P(Class2ReceiveDialects, ThreePagesDecodeToTheRastersSent) {
  std::vector<WirePage> pages = {MakePage(1, 5), MakePage(2, 9), MakePage(3, 4)};
  ScriptSetup();
  ScriptPage(pages[0], 1, '0');
  ScriptPage(pages[1], 1, '0');
  ScriptPage(pages[2], 1, '2');
  ScriptHangUp();
  auto r = MakeReceiver();
  Run(*r);
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  EXPECT_EQ(owner.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveOk}));
  EXPECT_EQ(owner.acceptedId, "CALLER 9");
  ApfFileHeader header;
  ASSERT_EQ(ReadApfHeader(owner.receiveName, header), 0);
  EXPECT_EQ(header.PageCount, 3);
  EXPECT_EQ(header.StationIdText(), "CALLER 9");
  ExpectPages({&pages[0], &pages[1], &pages[2]});
  for (int st : {rfInit, rf2Init1, rf2Init5, rfWaitForCall, rfAnswer, rf2WaitConnect, rf2GetSessionParams,
                 rf2WaitPageConnect, rfStartPage, rfPageData, rf2PageEnd, rf2WaitHangup, rfComplete, rfDone})
    EXPECT_TRUE(visited.count(st)) << "state " << st;
  if (Class20()) {
    EXPECT_TRUE(visited.count(rf2Init2));
    EXPECT_TRUE(visited.count(rf2Init3));
  }
  for (int code : {fpWaiting, fpAnswer, fpIncoming, fpGotRemoteID, fpSessionParams, fpGetPage, fpGetPageResult,
                   fpCheckMorePages, fpGetHangup, fpGotHangup})
    EXPECT_TRUE(owner.SawProgress(code)) << code;
}

TEST_P(Class2ReceiveDialects, DleDleIsStoredAsOneByteReversedUnderClass2Only) {
  ScriptSetup();
  // DLE DLE is one DLE; DLE followed by anything else is dropped.
  ScriptPageData(std::string("\x01\x10\x10\x02\x10\x7f\x03\x10\x03", 9), 1, '2');
  line->Expect("AT+FDR\r", Rsp("OK"));
  auto r = MakeReceiver();
  Run(*r);
  std::string file = ReadAll(owner.receiveName);
  ASSERT_GE(file.size(), kApfFileHeaderSize + kApfPageHeaderSize);
  std::string data = file.substr(kApfFileHeaderSize + kApfPageHeaderSize);
  std::string expected = Class20() ? std::string("\x01\x10\x02\x7f\x03", 5)
                                   : std::string{char(0x80), char(0x08), char(0x40), char(0xfe), char(0xc0)};
  EXPECT_EQ(data, expected);
  ApfPageHeader page;
  ASSERT_EQ(ReadApfPageHeader(owner.receiveName, 1, page), 0);
  EXPECT_EQ(page.DataLength, 5u);
  EXPECT_EQ(page.PageFlags & pfLineRecords, 0) << "stored as received, in stream form";
}

TEST_P(Class2ReceiveDialects, ARefusedLastPageIsWaitedForAgainBeforeTheDocumentEnds) {
  std::vector<WirePage> pages = {MakePage(4, 3), MakePage(5, 5)};
  ScriptSetup();
  ScriptPage(pages[0], 1, '0');
  // The last page is refused: the caller trains again and sends it once more.
  ScriptPage(pages[1], 2, '2');
  line->Expect("AT+FDR\r", Rsp(std::string(Class20() ? "+FCS" : "+FDCS") + ":0,3,0,2,0,0,0,0\nCONNECT"));
  line->Expect("\x12", pages[1].Wire(!Class20()) + PageResult(1, '2'));
  ScriptHangUp();
  auto r = MakeReceiver();
  Run(*r);
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  EXPECT_TRUE(owner.errors.empty());
  EXPECT_EQ(owner.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveOk}));
  ExpectPages({&pages[0], &pages[1]});
}

INSTANTIATE_TEST_SUITE_P(Dialects, Class2ReceiveDialects, ::testing::Values(fcClass2, fcClass2_0), DialectName);

TEST_F(Class2ReceiveTest, TheStatusOfAPageStartCountsNoBytesOfTheLastPage) {
  // The first page is long enough for its byte count to show.
  std::vector<WirePage> pages = {MakePage(1, 900), MakePage(2, 9)};
  ScriptSetup();
  ScriptPage(pages[0], 1, '0');
  ScriptPage(pages[1], 1, '2');
  ScriptHangUp();
  auto r = MakeReceiver();
  std::vector<std::uint32_t> bytesAtStart, bytesAtResult;
  owner.duringStatus = [&](int progress) {
    if (progress == fpGetPage) bytesAtStart.push_back(r->Session().pageBytes);
    if (progress == fpGetPageResult) bytesAtResult.push_back(r->Session().pageBytes);
  };
  Run(*r);
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  ASSERT_EQ(bytesAtResult.size(), 2u);
  EXPECT_GT(bytesAtResult[0], 0u) << "the first page's bytes were counted";
  EXPECT_EQ(bytesAtStart, (std::vector<std::uint32_t>{0, 0}));
}

TEST_F(Class2ReceiveTest, ARefusedPageLeavesNoTraceInTheFile) {
  std::vector<WirePage> pages = {MakePage(1, 3), MakePage(2, 6), MakePage(3, 4)};
  ScriptSetup();
  ScriptPage(pages[0], 1, '0');
  ScriptPage(pages[1], 2, '0');
  ScriptPage(pages[2], 1, '2');
  ScriptHangUp();
  auto r = MakeReceiver();
  Run(*r);
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  ExpectPages({&pages[0], &pages[2]});
  EXPECT_EQ(std::filesystem::file_size(owner.receiveName),
            kApfFileHeaderSize + 2 * kApfPageHeaderSize + pages[0].stored.size() + pages[2].stored.size());
}

TEST_F(Class2ReceiveTest, ACallerThatGivesUpAfterARefusedLastPageFailsTheCall) {
  std::vector<WirePage> pages = {MakePage(6, 3), MakePage(7, 4)};
  ScriptSetup();
  ScriptPage(pages[0], 1, '0');
  ScriptPage(pages[1], 2, '2');
  line->Expect("AT+FDR\r", Rsp("+FHNG:54\nOK"));
  auto r = MakeReceiver();
  r->Session().options = foExitOnError;
  Run(*r);
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFaxSessionError});
  EXPECT_EQ(owner.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveFail}));
  EXPECT_EQ(r->Session().hangupCode, 54);
  ExpectPages({&pages[0]});  // the confirmed page stays
}

TEST_F(Class2ReceiveTest, CarrierLostMidPageKeepsTheConfirmedPages) {
  std::vector<WirePage> pages = {MakePage(1, 3), MakePage(2, 6)};
  ScriptSetup();
  ScriptPage(pages[0], 1, '0');
  line->Expect("AT+FDR\r", Rsp("CONNECT"));
  std::string half = pages[1].Wire(true);
  line->Expect("\x12", half.substr(0, half.size() / 2));  // and then silence
  auto r = MakeReceiver();
  r->Session().oneFax = false;
  r->Session().options = foExitOnError;
  Run(*r, 3000);
  EXPECT_EQ(owner.errors, std::vector<int>{ecFatalTimeout});
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFatalTimeout});
  EXPECT_EQ(owner.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveFail}));
  EXPECT_EQ(CountWritten("ATH\r"), 1) << "hung up";
  EXPECT_TRUE(line->Dtr()) << "DTR back up after the drop";
  ExpectPages({&pages[0]});
  EXPECT_TRUE(visited.count(rfError));
}

TEST_F(Class2ReceiveTest, StoppedInMidPageTheFileHoldsOnlyTheConfirmedPages) {
  std::vector<WirePage> pages = {MakePage(8, 3), MakePage(9, 6)};
  ScriptSetup();
  ScriptPage(pages[0], 1, '0');
  line->Expect("AT+FDR\r", Rsp("CONNECT"));
  std::string half = pages[1].Wire(true);
  line->Expect("\x12", half.substr(0, half.size() / 2));
  auto r = MakeReceiver();
  ASSERT_EQ(r->Start(), 0);
  drive.RunUntil([&] { return line->ScriptDone() && r->State() == rfPageData; }, 2000);
  drive.RunFor(2);  // the half page is taken in
  ASSERT_EQ(r->State(), rfPageData);
  ASSERT_TRUE(r->File().PageOpen());
  r->Stop();  // the owner ends it there; the engine lives on
  EXPECT_FALSE(r->File().IsOpen());
  EXPECT_EQ(std::filesystem::file_size(owner.receiveName),
            kApfFileHeaderSize + kApfPageHeaderSize + pages[0].stored.size());
  ExpectPages({&pages[0]});
}

TEST_F(Class2ReceiveTest, ARemoteHangUpBeforeTheEndOfTheDocumentFailsWithItsCode) {
  WirePage page = MakePage(1, 3);
  ScriptSetup();
  line->Expect("AT+FDR\r", Rsp("CONNECT"));
  line->Expect("\x12", page.Wire(true) + Rsp("+FPTS:1\n+FHNG:70\nOK"));
  auto r = MakeReceiver();
  r->Session().options = foExitOnError;
  Run(*r);
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFaxSessionError});
  EXPECT_EQ(r->Session().hangupCode, 70);
  EXPECT_EQ(ReadApfPages(owner.receiveName).size(), 1u);
}

TEST_F(Class2ReceiveTest, AStationIdRepeatedInTrainingIsAcceptedOnce) {
  WirePage page = MakePage(2, 4);
  ScriptPreparation(Rsp("RING"));
  line->Expect("ATA\r", Rsp("+FCON\n+FTSI:\"CALLER 9\"\n+FDCS:0,5,0,2,0,0,0,0\n"
                             "+FTSI:\"CALLER 9\"\n+FDCS:0,3,0,2,0,0,0,0\nOK"));
  ScriptPage(page, 1, '2');
  ScriptHangUp();
  auto r = MakeReceiver();
  Run(*r);
  // One question, one file, one start in the log.
  EXPECT_EQ(owner.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveOk}));
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  ASSERT_EQ(ReadApfPages(owner.receiveName).size(), 1u);
}

TEST_F(Class2ReceiveTest, ARefusedCallIsEndedWithFks) {
  ScriptSetup();
  line->Expect("AT+FKS\r", "");
  owner.accept = false;
  auto r = MakeReceiver();
  r->Session().options = foExitOnError;
  Run(*r, 5000);
  EXPECT_EQ(owner.errors, std::vector<int>{ecFileRejected});
  EXPECT_EQ(owner.logs, (std::vector<int>{lfaxReceiveSkip})) << "a refused call is logged once, as skipped";
  EXPECT_FALSE(std::filesystem::exists(owner.receiveName));
}

TEST_F(Class2ReceiveTest, RingsAreCountedAndOnlyTheLastOneIsAnswered) {
  ScriptPreparation(Rsp("RING\nNO CARRIER\nRING\nRING\nRING"));
  line->Expect("ATA\r", Rsp("VOICE"));
  auto r = MakeReceiver();
  r->Session().answerOnRing = 3;
  r->Session().options = foExitOnError;
  Run(*r, 3000);
  EXPECT_EQ(CountWritten("ATA\r"), 1);
  EXPECT_TRUE(owner.SawProgress(fpNoConnect));
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFaxVoiceCall});
  EXPECT_EQ(std::count(owner.kinds.begin(), owner.kinds.end(), fsFirst), 1) << "the first status comes with the answer";
}

TEST_F(Class2ReceiveTest, ConnectWhileWaitingForRingsIsADataCall) {
  ScriptPreparation(Rsp("CONNECT 2400"));
  line->Expect("AT+FCLASS=2\r", Rsp("OK"));
  line->Expect("AT+FDCC=", Rsp("OK"));
  auto r = MakeReceiver();
  ASSERT_EQ(r->Start(), 0);
  drive.RunUntil([&] { return line->ScriptDone() && r->State() == rfWaitForCall; }, 3000);
  EXPECT_EQ(owner.errors, std::vector<int>{ecFaxDataCall});
  // Without ExitOnError the receiver hangs up and waits for the next call.
  EXPECT_FALSE(r->Finished());
  EXPECT_EQ(r->State(), rfWaitForCall);
  EXPECT_EQ(CountWritten("ATH\r"), 1);
  r->Abort();
  drive.RunFor(2);
  EXPECT_EQ(owner.finishes, std::vector<int>{ecCancelRequested});
}

TEST_F(Class2ReceiveTest, ACancelWhileWaitingForACallLogsNoFailedReceiveAndHangsNothingUp) {
  ScriptPreparation("");
  auto r = MakeReceiver();
  ASSERT_EQ(r->Start(), 0);
  drive.RunUntil([&] { return line->ScriptDone() && r->State() == rfWaitForCall; }, 3000);
  ASSERT_EQ(r->State(), rfWaitForCall);
  r->Abort();
  drive.RunFor(2);
  EXPECT_EQ(owner.finishes, std::vector<int>{ecCancelRequested});
  EXPECT_EQ(owner.errors, std::vector<int>{}) << "the cancel is no error of a call";
  EXPECT_TRUE(owner.logs.empty()) << "no call was begun, so none failed";
  EXPECT_EQ(CountWritten("ATH"), 0) << "an on-hook modem has nothing to hang up";
  EXPECT_EQ(owner.kinds.back(), fsLast);
}

TEST_F(Class2ReceiveTest, ACancelWhileTheSetUpIsUnansweredHangsNothingUp) {
  line->Expect(kInit, Rsp("OK"));
  line->Expect("AT+FCLASS=2\r", Rsp("OK"));
  line->Expect("AT+FCR=1\r", Rsp("OK"));
  line->Expect("AT+FLID=\"HERE\"\r", Rsp("OK"));
  line->Expect("AT+FAA=0\r", Rsp("OK"));
  line->Expect("AT+FCLASS=2\r", "");  // and then the modem says nothing more
  auto r = MakeReceiver();
  ASSERT_EQ(r->Start(), 0);
  drive.RunUntil([&] { return line->ScriptDone(); }, 3000);
  ASSERT_EQ(r->State(), rf2Init1);
  r->Abort();
  drive.RunFor(2);
  EXPECT_EQ(owner.finishes, std::vector<int>{ecCancelRequested});
  EXPECT_TRUE(owner.logs.empty());
  EXPECT_EQ(CountWritten("ATH"), 0) << "the modem is on hook while it is set up";
}

TEST_F(Class2ReceiveTest, ACancelDuringACallIsStillAFailedReceive) {
  ScriptSetup();
  line->Expect("AT+FDR\r", "");
  auto r = MakeReceiver();
  ASSERT_EQ(r->Start(), 0);
  drive.RunUntil([&] { return line->ScriptDone(); }, 3000);
  ASSERT_TRUE(line->ScriptDone()) << line->NextExpected();
  r->Abort();
  RunToEnd(*r, 5000);
  EXPECT_EQ(owner.finishes, std::vector<int>{ecCancelRequested});
  EXPECT_EQ(owner.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveFail}));
  EXPECT_EQ(CountWritten("ATH\r"), 1);
}

TEST_F(Class2ReceiveTest, ACancelAfterTheCallWasReceivedLogsNoFailedReceive) {
  dialect = fcClass2_0;
  WirePage page = MakePage(5, 3);
  ScriptSetup();
  ScriptPage(page, 1, '2');
  line->Expect("AT+FDR\r", Rsp("+FHS:0"));  // the OK that ends the call is still to come
  auto r = MakeReceiver();
  ASSERT_EQ(r->Start(), 0);
  drive.RunUntil([&] { return line->ScriptDone() && r->State() == rf2WaitHangup; }, 3000);
  ASSERT_EQ(r->State(), rf2WaitHangup);
  ASSERT_EQ(owner.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveOk}));
  r->Abort();
  RunToEnd(*r, 5000);
  EXPECT_EQ(owner.finishes, std::vector<int>{ecCancelRequested});
  EXPECT_EQ(owner.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveOk})) << "the call ended OK; nothing failed";
  EXPECT_EQ(ReadApfPages(owner.receiveName).size(), 1u);
}

// A modem that refuses the preparation and then the set-up, with and
// without ExitOnError: the session ends there either way.
class Class2ReceiveFailedSetUp : public Class2ReceiveTest, public ::testing::WithParamInterface<bool> {};

TEST_P(Class2ReceiveFailedSetUp, EndsTheSessionWithoutLoggingAReceive) {
  line->Expect(kInit, Rsp("OK"));
  line->Expect("AT+FCLASS=2\r", Rsp("OK"));
  line->Expect("AT+FCR=1\r", Rsp("ERROR"));
  line->Expect("AT+FCLASS=2\r", Rsp("ERROR"));
  auto r = MakeReceiver();
  if (GetParam()) r->Session().options = foExitOnError;
  Run(*r, 3000);
  EXPECT_EQ(CountWritten("AT+FAA"), 0) << "the rest of the preparation is skipped";
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFaxInitError}) << "not set up again and again";
  EXPECT_TRUE(owner.logs.empty()) << "no call was received, so none failed";
  EXPECT_EQ(owner.kinds.back(), fsLast);
}

INSTANTIATE_TEST_SUITE_P(Options, Class2ReceiveFailedSetUp, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "ExitOnError" : "NoExitOnError"; });

TEST_F(Class2ReceiveTest, APortThatFailsAfterACallEndsTheSession) {
  ScriptSetup();
  line->Expect("AT+FKS\r", "");
  owner.accept = false;
  // The device goes away as the refused call ends: every write fails.
  owner.duringLog = [&](int code) {
    if (code == lfaxReceiveSkip) line->SetWriteError(-5);
  };
  auto r = MakeReceiver();
  r->Session().oneFax = false;  // it would wait for the next call
  ASSERT_EQ(r->Start(), 0);
  RunToEnd(*r, 5000);
  EXPECT_EQ(owner.finishes.size(), 1u);
  EXPECT_EQ(owner.logs, std::vector<int>{lfaxReceiveSkip});
}

TEST_F(Class2ReceiveTest, AModemThatNeverAnswersTheInitStringFailsTheDetection) {
  auto r = FaxTest::MakeReceiver(fcDetect);
  EXPECT_EQ(r->Start(), ecFaxBadModemResult);
  EXPECT_EQ(owner.errors, std::vector<int>{ecFaxBadModemResult});
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFaxBadModemResult});
  EXPECT_TRUE(r->Finished());
}

TEST_F(Class2ReceiveTest, WithoutAFileNameTheCallFailsWithNoFilename) {
  ScriptSetup();
  auto r = MakeReceiver();
  owner.receiveName.clear();
  r->Session().options = foExitOnError;
  Run(*r, 3000);
  EXPECT_EQ(owner.errors, std::vector<int>{ecNoFilename});
  EXPECT_EQ(CountWritten("AT+FDR"), 0);
}

TEST_F(Class2ReceiveTest, ARingDuringTheSetUpIsNeitherAnErrorNorCounted) {
  line->Expect(kInit, Rsp("OK"));
  line->Expect("AT+FCLASS=2\r", Rsp("OK"));
  line->Expect("AT+FCR=1\r", Rsp("OK"));
  line->Expect("AT+FLID=", Rsp("OK"));
  line->Expect("AT+FAA=0\r", Rsp("OK"));
  line->Expect("AT+FCLASS=2\r", Rsp("RING\nOK"));
  line->Expect("AT+FDCC=", Rsp("RING\nOK") + Rsp("RING"));
  auto r = MakeReceiver();
  r->Session().answerOnRing = 2;
  ASSERT_EQ(r->Start(), 0);
  drive.RunUntil([&] { return line->ScriptDone(); }, 500);
  drive.RunFor(5);
  EXPECT_TRUE(owner.errors.empty());
  EXPECT_EQ(r->State(), rfWaitForCall);
  EXPECT_EQ(r->Session().ringCount, 1);
  EXPECT_EQ(CountWritten("ATA"), 0);
}

}  // namespace
}  // namespace telvane
