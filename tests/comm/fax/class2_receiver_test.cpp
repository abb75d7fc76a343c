// The receive machine against a scripted Class 2 / Class 2.0 modem: pages
// stored so that the APF reader decodes exactly what was sent, refused pages
// and calls, rings, and calls that fail half way.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "faxdoc/apf_format.h"
#include "tests/support/apf_pages.h"
#include "base/error_codes.h"
#include "tests/comm/fax/fax_fixture.h"
#include "comm/fax/fax_receiver.h"
#include "faxdoc/page_lines.h"
#include "faxdoc/t4_encoder.h"

namespace telvane {
namespace {

using test::FaxTest;
using test::RasterPage;

const std::string kInit = "ATE0Q0V1X4S0=0S2=43\r";

std::uint8_t Reverse(std::uint8_t b) {
  std::uint8_t r = 0;
  for (int i = 0; i < 8; ++i)
    if (b & (1 << i)) r |= static_cast<std::uint8_t>(0x80 >> i);
  return r;
}

// A page as the sending fax delivers it: coded lines and the end of page.
struct WirePage {
  RasterPage rasters;
  std::string stored;  // T.4 bytes as an APF stream page holds them
};

WirePage MakePage(int seed, int lines) {
  WirePage p;
  for (int l = 0; l < lines; ++l) {
    auto raster = test::BarLine(37 * seed + 3 * l, 37 * seed + 3 * l + 200 + seed);
    auto coded = EncodeRasterLine(raster.data(), 1728);
    p.stored.append(coded.begin(), coded.end());
    p.rasters.push_back(raster);
  }
  p.stored.append(reinterpret_cast<const char*>(kEndOfPageRecord), sizeof kEndOfPageRecord);
  return p;
}

// The bytes on the line: bit order of the dialect, DLE doubled, DLE ETX at the end.
std::string OnWire(const std::string& stored, bool class20) {
  std::string out;
  for (char c : stored) {
    auto b = static_cast<std::uint8_t>(c);
    if (!class20) b = Reverse(b);
    out += static_cast<char>(b);
    if (b == 0x10) out += '\x10';
  }
  return out + "\x10\x03";
}

class Class2ReceiveTest : public FaxTest {
 protected:
  std::unique_ptr<FaxReceiver> MakeReceiver(TFaxClass c) {
    auto r = std::make_unique<FaxReceiver>(port, owner);
    r->Session().faxClass = c;
    r->Session().SetStationId("Here");
    r->Session().oneFax = true;
    r->Session().pageTimeout = 200;
    owner.receiveName = dir.File("in.apf");
    Watch(*r);
    return r;
  }

  // Preparation and set-up; `then` is what the modem sends after the OK
  // to the last set-up command.
  void ScriptPreparation(bool class20, const std::string& then) {
    line->Expect(kInit, Rsp("OK"));
    std::string cls = class20 ? "AT+FCLASS=2.0\r" : "AT+FCLASS=2\r";
    line->Expect(cls, Rsp("OK"));
    line->Expect("AT+FCR=1\r", Rsp("OK"));
    line->Expect(class20 ? "AT+FLI=\"HERE\"\r" : "AT+FLID=\"HERE\"\r", Rsp("OK"));
    line->Expect("AT+FAA=0\r", Rsp("OK"));
    line->Expect(cls, Rsp("OK"));
    if (class20) {
      line->Expect("AT+FCC=1,3,0,2,0,0,0,0\r", Rsp("OK"));
      line->Expect("AT+FLO=2\r", Rsp("OK"));
      line->Expect("AT+FNR=1,1,1,0\r", Rsp("OK") + then);
    } else {
      line->Expect("AT+FDCC=1,3,0,2,0,0,0,0\r", Rsp("OK") + then);
    }
  }

  // Preparation, set-up and one RING answered.
  void ScriptSetup(bool class20) {
    ScriptPreparation(class20, Rsp("RING"));
    if (class20)
      line->Expect("ATA\r", Rsp("+FCO\n+FTI:\"CALLER 9\"\n+FCS:0,3,0,2,0,0,0,0\nOK"));
    else
      line->Expect("ATA\r", Rsp("+FCON\n+FTSI:\"CALLER 9\"\n+FDCS:0,3,0,2,0,0,0,0\nOK"));
  }

  // One page: AT+FDR, CONNECT, DC2, the data and the page's result.
  void ScriptPage(bool class20, const std::string& wire, const std::string& status, char fet) {
    line->Expect("AT+FDR\r", Rsp("CONNECT"));
    line->Expect("\x12", wire + Rsp(status + "\n+FET:" + fet + (class20 ? ",0,0,0,0" : "") + "\nOK"));
  }
};

TEST_F(Class2ReceiveTest, ThreePagesUnderEitherDialectDecodeToTheRastersSent) {
  for (bool class20 : {false, true}) {
    SCOPED_TRACE(class20 ? "Class 2.0" : "Class 2");
    owner = test::RecordingOwner{};
    line->TakeWritten();
    std::vector<WirePage> pages = {MakePage(1, 5), MakePage(2, 9), MakePage(3, 4)};
    ScriptSetup(class20);
    const char* good = class20 ? "+FPS:1,0,0,0,0" : "+FPTS:1";
    ScriptPage(class20, OnWire(pages[0].stored, class20), good, '0');
    ScriptPage(class20, OnWire(pages[1].stored, class20), good, '0');
    ScriptPage(class20, OnWire(pages[2].stored, class20), good, '2');
    line->Expect("AT+FDR\r", Rsp(class20 ? "+FHS:0\nOK" : "+FHNG:0\nOK"));
    auto r = MakeReceiver(class20 ? fcClass2_0 : fcClass2);
    ASSERT_EQ(r->Start(), 0);
    RunToEnd(*r);
    EXPECT_TRUE(line->ScriptDone()) << line->NextExpected();
    EXPECT_EQ(owner.finishes, std::vector<int>{0});
    EXPECT_EQ(owner.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveOk}));
    EXPECT_EQ(owner.acceptedId, "CALLER 9");
    ApfFileHeader header;
    ASSERT_EQ(ReadApfHeader(owner.receiveName, header), 0);
    EXPECT_EQ(header.PageCount, 3);
    EXPECT_EQ(header.StationIdText(), "CALLER 9");
    auto got = test::ReadApfPages(owner.receiveName);
    ASSERT_EQ(got.size(), 3u);
    for (std::size_t p = 0; p < 3; ++p) EXPECT_EQ(got[p], pages[p].rasters) << "page " << p + 1;
    for (int st : {rfInit, rf2Init1, rf2Init5, rfWaitForCall, rfAnswer, rf2WaitConnect, rf2GetSessionParams,
                   rf2WaitPageConnect, rfStartPage, rfPageData, rf2PageEnd, rf2WaitHangup, rfComplete, rfDone})
      EXPECT_TRUE(visited.count(st)) << "state " << st;
    if (class20) {
      EXPECT_TRUE(visited.count(rf2Init2));
      EXPECT_TRUE(visited.count(rf2Init3));
    }
    for (int code : {fpWaiting, fpAnswer, fpIncoming, fpGotRemoteID, fpSessionParams, fpGetPage, fpGetPageResult,
                     fpCheckMorePages, fpGetHangup, fpGotHangup})
      EXPECT_TRUE(owner.SawProgress(code)) << code;
    std::filesystem::remove(owner.receiveName);
  }
}

TEST_F(Class2ReceiveTest, TheStatusOfAPageStartCountsNoBytesOfTheLastPage) {
  struct Owner : test::RecordingOwner {
    const FaxReceiver* receiver = nullptr;
    std::vector<std::uint32_t> bytesAtStart, bytesAtResult;
    void FaxStatus(FaxStatusKind kind, int progress) override {
      RecordingOwner::FaxStatus(kind, progress);
      if (progress == fpGetPage) bytesAtStart.push_back(receiver->Session().pageBytes);
      if (progress == fpGetPageResult) bytesAtResult.push_back(receiver->Session().pageBytes);
    }
  } watcher;
  // The first page is long enough for its byte count to show.
  std::vector<WirePage> pages = {MakePage(1, 900), MakePage(2, 9)};
  ScriptSetup(false);
  ScriptPage(false, OnWire(pages[0].stored, false), "+FPTS:1", '0');
  ScriptPage(false, OnWire(pages[1].stored, false), "+FPTS:1", '2');
  line->Expect("AT+FDR\r", Rsp("+FHNG:0\nOK"));
  FaxReceiver r(port, watcher);
  watcher.receiver = &r;
  watcher.receiveName = dir.File("in.apf");
  r.Session().faxClass = fcClass2;
  r.Session().SetStationId("Here");
  r.Session().oneFax = true;
  ASSERT_EQ(r.Start(), 0);
  RunToEnd(r);
  EXPECT_EQ(watcher.finishes, std::vector<int>{0});
  ASSERT_EQ(watcher.bytesAtResult.size(), 2u);
  EXPECT_GT(watcher.bytesAtResult[0], 0u) << "the first page's bytes were counted";
  EXPECT_EQ(watcher.bytesAtStart, (std::vector<std::uint32_t>{0, 0}));
}

TEST_F(Class2ReceiveTest, DleDleIsStoredAsOneByteReversedUnderClass2Only) {
  for (bool class20 : {false, true}) {
    SCOPED_TRACE(class20 ? "Class 2.0" : "Class 2");
    owner = test::RecordingOwner{};
    line->TakeWritten();
    ScriptSetup(class20);
    // DLE DLE is one DLE; DLE followed by anything else is dropped.
    ScriptPage(class20, std::string("\x01\x10\x10\x02\x10\x7f\x03\x10\x03", 9), class20 ? "+FPS:1" : "+FPTS:1", '2');
    line->Expect("AT+FDR\r", Rsp("OK"));
    auto r = MakeReceiver(class20 ? fcClass2_0 : fcClass2);
    ASSERT_EQ(r->Start(), 0);
    RunToEnd(*r);
    std::string file = test::ReadAll(owner.receiveName);
    ASSERT_GE(file.size(), kApfFileHeaderSize + kApfPageHeaderSize);
    std::string data = file.substr(kApfFileHeaderSize + kApfPageHeaderSize);
    std::string expected = class20 ? std::string("\x01\x10\x02\x7f\x03", 5)
                                   : std::string{char(0x80), char(0x08), char(0x40), char(0xfe), char(0xc0)};
    EXPECT_EQ(data, expected);
    ApfPageHeader page;
    ASSERT_EQ(ReadApfPageHeader(owner.receiveName, 1, page), 0);
    EXPECT_EQ(page.DataLength, 5u);
    EXPECT_EQ(page.PageFlags & pfLineRecords, 0) << "stored as received, in stream form";
    std::filesystem::remove(owner.receiveName);
  }
}

TEST_F(Class2ReceiveTest, ARefusedPageLeavesNoTraceInTheFile) {
  std::vector<WirePage> pages = {MakePage(1, 3), MakePage(2, 6), MakePage(3, 4)};
  ScriptSetup(false);
  ScriptPage(false, OnWire(pages[0].stored, false), "+FPTS:1", '0');
  ScriptPage(false, OnWire(pages[1].stored, false), "+FPTS:2", '0');
  ScriptPage(false, OnWire(pages[2].stored, false), "+FPTS:1", '2');
  line->Expect("AT+FDR\r", Rsp("+FHNG:0\nOK"));
  auto r = MakeReceiver(fcClass2);
  ASSERT_EQ(r->Start(), 0);
  RunToEnd(*r);
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  auto got = test::ReadApfPages(owner.receiveName);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0], pages[0].rasters);
  EXPECT_EQ(got[1], pages[2].rasters);
  EXPECT_EQ(std::filesystem::file_size(owner.receiveName),
            kApfFileHeaderSize + 2 * kApfPageHeaderSize + pages[0].stored.size() + pages[2].stored.size());
}

TEST_F(Class2ReceiveTest, ARefusedLastPageIsWaitedForAgainBeforeTheDocumentEnds) {
  for (bool class20 : {false, true}) {
    SCOPED_TRACE(class20 ? "Class 2.0" : "Class 2");
    owner = test::RecordingOwner{};
    line->TakeWritten();
    std::vector<WirePage> pages = {MakePage(4, 3), MakePage(5, 5)};
    ScriptSetup(class20);
    const char* good = class20 ? "+FPS:1,0,0,0,0" : "+FPTS:1";
    const char* bad = class20 ? "+FPS:2,0,0,0,0" : "+FPTS:2";
    ScriptPage(class20, OnWire(pages[0].stored, class20), good, '0');
    // The last page is refused: the caller trains again and sends it once more.
    ScriptPage(class20, OnWire(pages[1].stored, class20), bad, '2');
    line->Expect("AT+FDR\r", Rsp(std::string(class20 ? "+FCS" : "+FDCS") + ":0,3,0,2,0,0,0,0\nCONNECT"));
    line->Expect("\x12", OnWire(pages[1].stored, class20) +
                             Rsp(std::string(good) + "\n+FET:2" + (class20 ? ",0,0,0,0" : "") + "\nOK"));
    line->Expect("AT+FDR\r", Rsp(class20 ? "+FHS:0\nOK" : "+FHNG:0\nOK"));
    auto r = MakeReceiver(class20 ? fcClass2_0 : fcClass2);
    ASSERT_EQ(r->Start(), 0);
    RunToEnd(*r);
    EXPECT_TRUE(line->ScriptDone()) << line->NextExpected();
    EXPECT_EQ(owner.finishes, std::vector<int>{0});
    EXPECT_TRUE(owner.errors.empty());
    EXPECT_EQ(owner.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveOk}));
    auto got = test::ReadApfPages(owner.receiveName);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0], pages[0].rasters);
    EXPECT_EQ(got[1], pages[1].rasters);
    std::filesystem::remove(owner.receiveName);
  }
}

TEST_F(Class2ReceiveTest, ACallerThatGivesUpAfterARefusedLastPageFailsTheCall) {
  std::vector<WirePage> pages = {MakePage(6, 3), MakePage(7, 4)};
  ScriptSetup(false);
  ScriptPage(false, OnWire(pages[0].stored, false), "+FPTS:1", '0');
  ScriptPage(false, OnWire(pages[1].stored, false), "+FPTS:2", '2');
  line->Expect("AT+FDR\r", Rsp("+FHNG:54\nOK"));
  auto r = MakeReceiver(fcClass2);
  r->Session().options = foExitOnError;
  ASSERT_EQ(r->Start(), 0);
  RunToEnd(*r);
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFaxSessionError});
  EXPECT_EQ(owner.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveFail}));
  EXPECT_EQ(r->Session().hangupCode, 54);
  auto got = test::ReadApfPages(owner.receiveName);
  ASSERT_EQ(got.size(), 1u) << "the confirmed page stays";
  EXPECT_EQ(got[0], pages[0].rasters);
}

TEST_F(Class2ReceiveTest, CarrierLostMidPageKeepsTheConfirmedPages) {
  std::vector<WirePage> pages = {MakePage(1, 3), MakePage(2, 6)};
  ScriptSetup(false);
  ScriptPage(false, OnWire(pages[0].stored, false), "+FPTS:1", '0');
  line->Expect("AT+FDR\r", Rsp("CONNECT"));
  std::string half = OnWire(pages[1].stored, false);
  line->Expect("\x12", half.substr(0, half.size() / 2));  // and then silence
  auto r = MakeReceiver(fcClass2);
  r->Session().oneFax = false;
  r->Session().options = foExitOnError;
  ASSERT_EQ(r->Start(), 0);
  RunToEnd(*r, 3000);
  EXPECT_EQ(owner.errors, std::vector<int>{ecFatalTimeout});
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFatalTimeout});
  EXPECT_EQ(owner.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveFail}));
  EXPECT_EQ(CountWritten("ATH\r"), 1) << "hung up";
  EXPECT_TRUE(line->Dtr()) << "DTR back up after the drop";
  auto got = test::ReadApfPages(owner.receiveName);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0], pages[0].rasters);
  EXPECT_TRUE(visited.count(rfError));
}

TEST_F(Class2ReceiveTest, StoppedInMidPageTheFileHoldsOnlyTheConfirmedPages) {
  std::vector<WirePage> pages = {MakePage(8, 3), MakePage(9, 6)};
  ScriptSetup(false);
  ScriptPage(false, OnWire(pages[0].stored, false), "+FPTS:1", '0');
  line->Expect("AT+FDR\r", Rsp("CONNECT"));
  std::string half = OnWire(pages[1].stored, false);
  line->Expect("\x12", half.substr(0, half.size() / 2));
  auto r = MakeReceiver(fcClass2);
  ASSERT_EQ(r->Start(), 0);
  drive.RunUntil([&] { return line->ScriptDone() && r->State() == rfPageData; }, 2000);
  drive.RunFor(2);  // the half page is taken in
  ASSERT_EQ(r->State(), rfPageData);
  ASSERT_TRUE(r->File().PageOpen());
  r->Stop();  // the owner ends it there; the engine lives on
  EXPECT_FALSE(r->File().IsOpen());
  EXPECT_EQ(std::filesystem::file_size(owner.receiveName),
            kApfFileHeaderSize + kApfPageHeaderSize + pages[0].stored.size());
  auto got = test::ReadApfPages(owner.receiveName);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0], pages[0].rasters);
}

TEST_F(Class2ReceiveTest, ARemoteHangUpBeforeTheEndOfTheDocumentFailsWithItsCode) {
  WirePage page = MakePage(1, 3);
  ScriptSetup(false);
  line->Expect("AT+FDR\r", Rsp("CONNECT"));
  line->Expect("\x12", OnWire(page.stored, false) + Rsp("+FPTS:1\n+FHNG:70\nOK"));
  auto r = MakeReceiver(fcClass2);
  r->Session().options = foExitOnError;
  ASSERT_EQ(r->Start(), 0);
  RunToEnd(*r);
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFaxSessionError});
  EXPECT_EQ(r->Session().hangupCode, 70);
  EXPECT_EQ(test::ReadApfPages(owner.receiveName).size(), 1u);
}

TEST_F(Class2ReceiveTest, AStationIdRepeatedInTrainingIsAcceptedOnce) {
  WirePage page = MakePage(2, 4);
  ScriptPreparation(false, Rsp("RING"));
  line->Expect("ATA\r", Rsp("+FCON\n+FTSI:\"CALLER 9\"\n+FDCS:0,5,0,2,0,0,0,0\n"
                             "+FTSI:\"CALLER 9\"\n+FDCS:0,3,0,2,0,0,0,0\nOK"));
  ScriptPage(false, OnWire(page.stored, false), "+FPTS:1", '2');
  line->Expect("AT+FDR\r", Rsp("+FHNG:0\nOK"));
  auto r = MakeReceiver(fcClass2);
  ASSERT_EQ(r->Start(), 0);
  RunToEnd(*r);
  EXPECT_TRUE(line->ScriptDone()) << line->NextExpected();
  // One question, one file, one start in the log.
  EXPECT_EQ(owner.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveOk}));
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  ASSERT_EQ(test::ReadApfPages(owner.receiveName).size(), 1u);
}

TEST_F(Class2ReceiveTest, ARefusedCallIsEndedWithFks) {
  ScriptSetup(false);
  line->Expect("AT+FKS\r", "");
  owner.accept = false;
  auto r = MakeReceiver(fcClass2);
  r->Session().options = foExitOnError;
  ASSERT_EQ(r->Start(), 0);
  RunToEnd(*r, 5000);
  EXPECT_TRUE(line->ScriptDone()) << line->NextExpected();
  EXPECT_EQ(owner.errors, std::vector<int>{ecFileRejected});
  EXPECT_EQ(owner.logs, (std::vector<int>{lfaxReceiveSkip})) << "a refused call is logged once, as skipped";
  EXPECT_FALSE(std::filesystem::exists(owner.receiveName));
}

TEST_F(Class2ReceiveTest, RingsAreCountedAndOnlyTheLastOneIsAnswered) {
  ScriptPreparation(false, Rsp("RING\nNO CARRIER\nRING\nRING\nRING"));
  line->Expect("ATA\r", Rsp("VOICE"));
  auto r = MakeReceiver(fcClass2);
  r->Session().answerOnRing = 3;
  r->Session().options = foExitOnError;
  ASSERT_EQ(r->Start(), 0);
  RunToEnd(*r, 3000);
  EXPECT_EQ(CountWritten("ATA\r"), 1);
  EXPECT_TRUE(owner.SawProgress(fpNoConnect));
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFaxVoiceCall});
  EXPECT_EQ(std::count(owner.kinds.begin(), owner.kinds.end(), fsFirst), 1) << "the first status comes with the answer";
}

TEST_F(Class2ReceiveTest, ConnectWhileWaitingForRingsIsADataCall) {
  ScriptPreparation(false, Rsp("CONNECT 2400"));
  line->Expect("AT+FCLASS=2\r", Rsp("OK"));
  line->Expect("AT+FDCC=", Rsp("OK"));
  auto r = MakeReceiver(fcClass2);
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
  ScriptPreparation(false, "");
  auto r = MakeReceiver(fcClass2);
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
  auto r = MakeReceiver(fcClass2);
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
  ScriptSetup(false);
  line->Expect("AT+FDR\r", "");
  auto r = MakeReceiver(fcClass2);
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
  WirePage page = MakePage(5, 3);
  ScriptSetup(true);
  ScriptPage(true, OnWire(page.stored, true), "+FPS:1,0,0,0,0", '2');
  line->Expect("AT+FDR\r", Rsp("+FHS:0"));  // the OK that ends the call is still to come
  auto r = MakeReceiver(fcClass2_0);
  ASSERT_EQ(r->Start(), 0);
  drive.RunUntil([&] { return line->ScriptDone() && r->State() == rf2WaitHangup; }, 3000);
  ASSERT_EQ(r->State(), rf2WaitHangup);
  ASSERT_EQ(owner.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveOk}));
  r->Abort();
  RunToEnd(*r, 5000);
  EXPECT_EQ(owner.finishes, std::vector<int>{ecCancelRequested});
  EXPECT_EQ(owner.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveOk})) << "the call ended OK; nothing failed";
  EXPECT_EQ(test::ReadApfPages(owner.receiveName).size(), 1u);
}

TEST_F(Class2ReceiveTest, AFailedPreparationStillStartsTheMachine) {
  line->Expect(kInit, Rsp("OK"));
  line->Expect("AT+FCLASS=2\r", Rsp("OK"));
  line->Expect("AT+FCR=1\r", Rsp("ERROR"));
  line->Expect("AT+FCLASS=2\r", Rsp("ERROR"));
  auto r = MakeReceiver(fcClass2);
  r->Session().options = foExitOnError;
  ASSERT_EQ(r->Start(), 0);
  RunToEnd(*r, 3000);
  EXPECT_EQ(CountWritten("AT+FAA"), 0) << "the rest of the preparation is skipped";
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFaxInitError});
}

TEST_F(Class2ReceiveTest, ASetUpThatFailsEndsTheSessionWithoutLoggingAReceive) {
  line->Expect(kInit, Rsp("OK"));
  line->Expect("AT+FCLASS=2\r", Rsp("OK"));
  line->Expect("AT+FCR=1\r", Rsp("ERROR"));
  line->Expect("AT+FCLASS=2\r", Rsp("ERROR"));
  auto r = MakeReceiver(fcClass2);  // without ExitOnError
  ASSERT_EQ(r->Start(), 0);
  RunToEnd(*r, 3000);
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFaxInitError}) << "not set up again and again";
  EXPECT_TRUE(owner.logs.empty()) << "no call was received, so none failed";
  EXPECT_EQ(owner.kinds.back(), fsLast);
}

TEST_F(Class2ReceiveTest, APortThatFailsAfterACallEndsTheSession) {
  // The device goes away as the refused call ends: every write fails.
  struct Owner : test::RecordingOwner {
    test::FakeLine* line = nullptr;
    void FaxLog(int code) override {
      RecordingOwner::FaxLog(code);
      if (code == lfaxReceiveSkip) line->SetWriteError(-5);
    }
  } dying;
  dying.line = line.get();
  dying.accept = false;
  dying.receiveName = dir.File("in.apf");
  ScriptSetup(false);
  line->Expect("AT+FKS\r", "");
  FaxReceiver r(port, dying);
  r.Session().faxClass = fcClass2;
  r.Session().SetStationId("Here");
  ASSERT_EQ(r.Start(), 0);
  RunToEnd(r, 5000);
  EXPECT_EQ(dying.finishes.size(), 1u);
  EXPECT_EQ(dying.logs, std::vector<int>{lfaxReceiveSkip});
}

TEST_F(Class2ReceiveTest, AModemThatNeverAnswersTheInitStringFailsTheDetection) {
  auto r = MakeReceiver(fcDetect);
  EXPECT_EQ(r->Start(), ecFaxBadModemResult);
  EXPECT_EQ(owner.errors, std::vector<int>{ecFaxBadModemResult});
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFaxBadModemResult});
  EXPECT_TRUE(r->Finished());
}

TEST_F(Class2ReceiveTest, WithoutAFileNameTheCallFailsWithNoFilename) {
  ScriptSetup(false);
  auto r = MakeReceiver(fcClass2);
  owner.receiveName.clear();
  r->Session().options = foExitOnError;
  ASSERT_EQ(r->Start(), 0);
  RunToEnd(*r, 3000);
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
  auto r = MakeReceiver(fcClass2);
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
