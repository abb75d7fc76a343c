// The fax engine end to end over a pseudo-terminal against the Class 2 /
// Class 2.0 modem emulator: whole sessions on the real port, its threads and
// the real clock, in both dialects, with the emulator's far end checking the
// pages it gets and sending pages of its own; and the faults that must end a
// session with its error and a hang-up instead of a hang.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "comm/port/com_port.h"
#include "base/error_codes.h"
#include "comm/fax/fax_receiver.h"
#include "comm/fax/fax_sender.h"
#include "comm/core/loop_dispatcher.h"
#include "tests/support/comm/e2e_pages.h"
#include "tests/support/comm/recording_owner.h"
#include "tests/support/temp_dir.h"
#include "tools/modem_emulator/modem_emulator.h"
#include "tools/modem_emulator/page_images.h"

namespace telvane {
namespace {

using emu::FarEnd;
using emu::ModemEmulator;
using test::kPageLines;
using test::PageFine;
using test::PageRows;
using test::SentRows;
using Clock = std::chrono::steady_clock;

class FaxEndToEnd : public ::testing::TestWithParam<TFaxClass> {
 protected:
  bool Class20() const { return GetParam() == fcClass2_0; }

  void StartModem(FarEnd far) {
    emu::EmulatorOptions options;
    options.farEnd = std::move(far);
    modem = std::make_unique<ModemEmulator>(std::move(options));
    ASSERT_EQ(modem->Start(), 0);
    port.SetDevicePath(modem->SlavePath());
    port.SetOutSize(16384);
    port.SetOpen(true);
  }

  // The modem with `far` at the other end, and a sender of the three-page
  // test file configured for it.
  std::unique_ptr<FaxSender> StartSender(FarEnd far) {
    StartModem(std::move(far));
    owner.faxes = {{"5551234", test::WriteTestPagesApf(dir.File("out.apf"), 3), ""}};
    auto fax = std::make_unique<FaxSender>(port, owner, &main);
    Configure(*fax);
    return fax;
  }

  // The modem with `far` at the other end, and a receiver configured for
  // it that takes one fax into in.apf.
  std::unique_ptr<FaxReceiver> StartReceiver(FarEnd far) {
    StartModem(std::move(far));
    owner.receiveName = dir.File("in.apf");
    auto fax = std::make_unique<FaxReceiver>(port, owner, &main);
    Configure(*fax);
    fax->Session().oneFax = true;
    return fax;
  }

  void Configure(FaxEngine& engine) {
    // The preparation's waits let the main loop run, as the GUI's do: the
    // port hands its events to this loop and waits for them to be taken.
    engine.SetYield([this] { main.RunPending(); });
    FaxSession& s = engine.Session();
    s.faxClass = GetParam();
    s.SetStationId("+1 555 0100");
    s.desiredBps = 14400;
  }

  // Runs the main loop until the session finishes; false when it hangs.
  bool RunToFinish(int seconds) {
    const auto start = Clock::now();
    bool done = main.RunUntil([&] { return !owner.finishes.empty(); }, seconds * 1000);
    elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    return done;
  }

  // The far end calls once the receiver waits for calls: a RING during the
  // receiver's set-up would be taken as the modem's answer to a command.
  void CallWhenWaiting(FaxReceiver& fax) {
    ASSERT_TRUE(main.RunUntil([&] { return fax.State() == rfWaitForCall; }, 10000)) << Commands();
    modem->PlaceCall();
  }

  // Whether the DTE sent a hang-up command after the command containing `after`.
  bool HungUpAfter(const std::string& after) const {
    bool seen = false;
    for (const std::string& c : modem->Commands()) {
      if (c.find(after) != std::string::npos) seen = true;
      else if (seen && (c == "ATH" || c == "ATH0")) return true;
    }
    return false;
  }

  std::string Commands() const {
    std::string all = owner.Summary() + "commands:\n";
    for (const std::string& c : modem->Commands()) all += c + "\n";
    return all;
  }

  test::TempDir dir;
  std::unique_ptr<ModemEmulator> modem;
  LoopDispatcher main;
  TApdComPort port{&main};
  test::RecordingOwner owner;
  std::chrono::milliseconds elapsed{0};
};

TEST_P(FaxEndToEnd, SendsAThreePageFileThatArrivesRasterExact) {
  auto fax = StartSender(FarEnd{});
  fax->Start();
  ASSERT_TRUE(RunToFinish(60)) << Commands();
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  EXPECT_TRUE(owner.errors.empty());
  EXPECT_EQ(modem->DteStationId(), "+1 555 0100");

  const auto pages = modem->ConfirmedPages();
  ASSERT_EQ(pages.size(), 3u) << Commands();
  EXPECT_EQ(modem->SentPages().size(), 3u);  // none refused on the way
  for (int p = 1; p <= 3; ++p) {
    const auto& page = pages[p - 1];
    EXPECT_EQ(page.badCodes, 0u) << "page " << p;
    EXPECT_EQ(page.dcs[emu::SessionParams::kVr], PageFine(p) ? 1 : 0) << "page " << p;
    EXPECT_TRUE(emu::DecodePage(page.data) == SentRows(p)) << "page " << p << " differs";
  }
  // The resolution changes from page to page: EOM after pages 1 and 2, EOP last.
  if (Class20()) {
    EXPECT_EQ(pages[0].terminator, ';');
    EXPECT_EQ(pages[1].terminator, ';');
    EXPECT_EQ(pages[2].terminator, '.');
  } else {
    EXPECT_EQ(pages[0].postPage, 1);
    EXPECT_EQ(pages[1].postPage, 1);
    EXPECT_EQ(pages[2].postPage, 2);
  }
}

TEST_P(FaxEndToEnd, SlowLineHoldsTheSenderBackWithoutLosingData) {
  FarEnd far;
  far.lineRate = 20000;  // bytes per second: the modem's buffer fills
  auto fax = StartSender(far);
  if (!Class20()) fax->Session().options = foSoftwareFlow;  // Class 2.0 gets AT+FLO=2
  fax->Start();
  ASSERT_TRUE(RunToFinish(60)) << Commands();
  EXPECT_EQ(owner.finishes, std::vector<int>{0}) << Commands();
  EXPECT_GT(modem->XoffsSent(), 0);
  const auto pages = modem->ConfirmedPages();
  ASSERT_EQ(pages.size(), 3u);
  for (int p = 1; p <= 3; ++p) EXPECT_TRUE(emu::DecodePage(pages[p - 1].data) == SentRows(p)) << "page " << p;
}

TEST_P(FaxEndToEnd, ReceivesThreePagesIntoAnApfFileThatReadsBackRasterExact) {
  FarEnd far;
  far.callerId = "+44 20 7946 0000";
  far.ringIntervalMs = 700;  // time for the engine to answer the second ring before a third
  for (int p = 1; p <= 3; ++p) far.pages.push_back(emu::EncodePage(PageRows(p), PageFine(p)));
  auto fax = StartReceiver(far);
  fax->Session().answerOnRing = 2;
  ASSERT_EQ(fax->Start(), 0);
  CallWhenWaiting(*fax);
  ASSERT_TRUE(RunToFinish(60)) << Commands();
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  EXPECT_TRUE(owner.errors.empty());
  EXPECT_EQ(modem->Rings(), 2);
  EXPECT_EQ(owner.acceptedId, "+44 20 7946 0000");
  EXPECT_EQ(modem->PagesDelivered(), 3);

  const std::string& file = owner.receiveName;
  ApfFileHeader header;
  ASSERT_EQ(GetFaxHeader(file, header), 0);
  EXPECT_EQ(header.PageCount, 3);
  test::ExpectApfPages(file, {PageRows(1), PageRows(2), PageRows(3)});
  ApfPageHeader beyond;
  EXPECT_EQ(GetPageHeader(file, 4, beyond), -8001);
}

TEST_P(FaxEndToEnd, RefusedPageIsSentAgainAndThreeRefusalsEndTheCall) {
  FarEnd far;
  far.refusePage[2] = 1;
  {
    auto fax = StartSender(far);
    fax->Start();
    ASSERT_TRUE(RunToFinish(60)) << Commands();
    EXPECT_EQ(owner.finishes, std::vector<int>{0}) << Commands();
    EXPECT_EQ(modem->SentPages().size(), 4u);
    const auto pages = modem->ConfirmedPages();
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_TRUE(emu::DecodePage(pages[1].data).size() == 8 + kPageLines);
  }
  // Refused three times: the session gives up after the second retransmission.
  port.SetOpen(false);
  far.refusePage[2] = 3;
  owner = test::RecordingOwner{};
  auto fax = StartSender(far);
  fax->Start();
  ASSERT_TRUE(RunToFinish(60)) << Commands();
  EXPECT_EQ(owner.errors, std::vector<int>{ecFaxSessionError}) << Commands();
  EXPECT_EQ(modem->SentPages().size(), 4u);  // page 1, then page 2 three times
  EXPECT_EQ(modem->ConfirmedPages().size(), 1u);
  EXPECT_TRUE(HungUpAfter("AT+FDT")) << Commands();
  EXPECT_FALSE(modem->InCall());
}

TEST_P(FaxEndToEnd, ModemSilentAfterACommandEndsWithTimeOutAndHangUp) {
  FarEnd far;
  far.silentAfter = "CC=";  // the modem capabilities: +FDCC= or +FCC=
  auto fax = StartSender(far);
  fax->Session().responseTimeout = 18;  // 1 s
  fax->Start();
  ASSERT_TRUE(RunToFinish(30)) << Commands();
  EXPECT_EQ(owner.errors, std::vector<int>{ecFatalTimeout});
  EXPECT_TRUE(HungUpAfter("CC=")) << Commands();
  EXPECT_EQ(modem->CallsDialled(), 0);
  EXPECT_LT(elapsed.count(), 15000);
}

TEST_P(FaxEndToEnd, ModemGarbageEndsWithTheInitialisationErrorAndHangUp) {
  FarEnd far;
  far.garbageAfter = "CC=";
  auto fax = StartSender(far);
  fax->Start();
  ASSERT_TRUE(RunToFinish(30)) << Commands();
  EXPECT_EQ(owner.errors, std::vector<int>{ecFaxInitError});
  EXPECT_FALSE(owner.finishes.empty());
  EXPECT_TRUE(HungUpAfter("CC=")) << Commands();
  EXPECT_EQ(modem->CallsDialled(), 0);
}

TEST_P(FaxEndToEnd, ModemSilentAfterDiallingEndsWithNoAnswerAndHangUp) {
  FarEnd far;
  far.silentAfter = "ATD";
  auto fax = StartSender(far);
  fax->Session().SetDialWaitSecs(1);
  fax->Start();
  ASSERT_TRUE(RunToFinish(30)) << Commands();
  EXPECT_EQ(owner.errors, std::vector<int>{ecFaxNoAnswer});
  EXPECT_TRUE(HungUpAfter("ATD")) << Commands();
  EXPECT_LT(elapsed.count(), 15000);
}

TEST_P(FaxEndToEnd, GarbageWhileAnsweringEndsTheCallWithTimeOutAndHangUp) {
  FarEnd far;
  far.pages.push_back(emu::EncodePage(PageRows(1), false));
  far.garbageAfter = "ATA";
  auto fax = StartReceiver(far);
  fax->Session().options = foExitOnError;
  fax->Session().SetDialWaitSecs(2);  // the answer waits as long as a dial
  ASSERT_EQ(fax->Start(), 0);
  CallWhenWaiting(*fax);
  ASSERT_TRUE(RunToFinish(30)) << Commands();
  EXPECT_EQ(owner.errors, std::vector<int>{ecFatalTimeout}) << Commands();
  EXPECT_TRUE(HungUpAfter("ATA")) << Commands();
  EXPECT_LT(elapsed.count(), 15000);
}

TEST_P(FaxEndToEnd, CarrierLostInMidPageKeepsTheConfirmedPages) {
  FarEnd far;
  far.ringIntervalMs = 100;
  for (int p = 1; p <= 3; ++p) far.pages.push_back(emu::EncodePage(PageRows(p), PageFine(p)));
  far.dropInPage = 2;
  far.dropAfterBytes = 1500;
  auto fax = StartReceiver(far);
  fax->Session().options = foExitOnError;
  fax->Session().responseTimeout = 36;  // 2 s
  ASSERT_EQ(fax->Start(), 0);
  CallWhenWaiting(*fax);
  ASSERT_TRUE(RunToFinish(60)) << Commands();
  EXPECT_EQ(owner.errors.size(), 1u);
  EXPECT_FALSE(owner.finishes.empty());
  EXPECT_TRUE(HungUpAfter("+FDR")) << Commands();
  EXPECT_EQ(modem->PagesDelivered(), 1);

  ApfFileHeader header;
  ASSERT_EQ(GetFaxHeader(owner.receiveName, header), 0);
  EXPECT_EQ(header.PageCount, 1);
  const auto got = test::ReadApfPages(owner.receiveName);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_TRUE(got[0] == PageRows(1));
  ApfPageHeader beyond;
  EXPECT_EQ(GetPageHeader(owner.receiveName, 2, beyond), -8001);
}

TEST_P(FaxEndToEnd, RemoteHangUpAfterAPageGivesThePageEndErrorAndItsCode) {
  FarEnd far;
  far.hangUpAfterPage = 1;
  far.hangUpCode = 54;  // no response to EOP repeated 3 times
  auto fax = StartSender(far);
  fax->Session().responseTimeout = 36;
  fax->Start();
  ASSERT_TRUE(RunToFinish(60)) << Commands();
  ASSERT_EQ(owner.errors.size(), 1u) << Commands();
  EXPECT_EQ(owner.errors[0], Class20() ? ecFaxSessionError : ecFaxPageError) << Commands();
  EXPECT_EQ(fax->Session().hangupCode, 54);
  EXPECT_EQ(modem->ConfirmedPages().size(), 1u);
}

TEST_P(FaxEndToEnd, CallerHangingUpAfterAPageLeavesThatPageAndItsCode) {
  FarEnd far;
  for (int p = 1; p <= 3; ++p) far.pages.push_back(emu::EncodePage(PageRows(p), false));
  far.hangUpAfterPage = 1;
  // Unspecified receive phase D error: "+FHS:A0" from a Class 2.0 modem.
  far.hangUpCode = 100;
  auto fax = StartReceiver(far);
  fax->Session().options = foExitOnError;
  fax->Session().responseTimeout = 36;
  ASSERT_EQ(fax->Start(), 0);
  CallWhenWaiting(*fax);
  ASSERT_TRUE(RunToFinish(60)) << Commands();
  EXPECT_EQ(owner.errors.size(), 1u) << Commands();
  EXPECT_EQ(fax->Session().hangupCode, 100) << Commands();
  EXPECT_LT(elapsed.count(), 15000) << Commands();
  ApfFileHeader header;
  ASSERT_EQ(GetFaxHeader(owner.receiveName, header), 0);
  EXPECT_EQ(header.PageCount, 1);
}

TEST_P(FaxEndToEnd, BusyAndNoDialToneEndTheFaxWithTheirErrors) {
  for (auto [result, code] : {std::pair{FarEnd::DialResult::kBusy, ecFaxBusy},
                              std::pair{FarEnd::DialResult::kNoDialTone, ecFaxNoDialTone}}) {
    FarEnd far;
    far.dialResult = result;
    owner = test::RecordingOwner{};
    port.SetOpen(false);
    auto fax = StartSender(far);
    fax->Session().dialAttempts = 1;
    fax->Start();
    ASSERT_TRUE(RunToFinish(30)) << Commands();
    EXPECT_EQ(owner.errors, std::vector<int>{code});
    EXPECT_EQ(modem->CallsDialled(), 1);
  }
}

INSTANTIATE_TEST_SUITE_P(Dialects, FaxEndToEnd, ::testing::Values(fcClass2, fcClass2_0),
                         [](const auto& info) { return info.param == fcClass2 ? "Class2" : "Class2_0"; });

}  // namespace
}  // namespace telvane
