// The send component over the modem emulator: the port checks, which faxes
// go out with and without a next-fax handler, a file list sent as one fax,
// the temporary merged file gone however the session ends, and enhanced text
// reaching the sent pages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <filesystem>

#include "tests/support/fixed_clock.h"
#include "tests/support/apf_pages.h"
#include "tests/comm/components/bar_renderer.h"
#include "tests/comm/components/component_fixture.h"
#include "base/error_codes.h"
#include "base/exceptions.h"
#include "comm/components/fax_log.h"
#include "comm/components/send_fax.h"
#include "tests/support/raised_code.h"

namespace telvane {
namespace {

using test::ComponentFixture;
using test::Event;
using test::RaisedCode;

// Makes the engine's next-fax question callable from the tests.
struct ProbeSendFax : TApdSendFax {
  using TApdSendFax::FaxNext;
  using TApdSendFax::TApdSendFax;
};

TEST(SendFaxStart, ThePortIsCheckedFirst) {
  TApdSendFax fax(nullptr);
  EXPECT_EQ(RaisedCode<EPortNotAssigned>([&] { fax.StartTransmit(); }), -1005);
  TApdComPort port(nullptr);
  fax.SetComPort(&port);
  port.SetOutSize(4096);
  EXPECT_EQ(RaisedCode<EOutputBufferTooSmall>([&] { fax.StartTransmit(); }), -3006);
  // A list that cannot be merged is not looked at before the port passes.
  fax.SetFaxFileList({"/nonexistent/a.apf", "/nonexistent/b.apf"});
  EXPECT_EQ(RaisedCode<EOutputBufferTooSmall>([&] { fax.StartTransmit(); }), -3006);
  EXPECT_FALSE(fax.InProgress());
}

TEST(SendFaxNext, WithoutAHandlerOneFaxThenNothing) {
  ProbeSendFax fax(nullptr);
  fax.SetPhoneNumber("5551234");
  fax.SetFaxFile("/tmp/Mixed/Case.apf");
  fax.SetCoverFile("/tmp/Mixed/cover.txt");
  std::string phone, file, cover;
  fax.FaxNext(phone, file, cover);
  EXPECT_EQ(phone, "5551234");
  EXPECT_EQ(file, "/tmp/Mixed/Case.apf");
  EXPECT_EQ(cover, "/tmp/Mixed/cover.txt");
  fax.FaxNext(phone, file, cover);
  EXPECT_EQ(phone, "");
  EXPECT_EQ(file, "");
  EXPECT_EQ(cover, "");
}

TEST(SendFaxNext, AHandlerNamesEachFaxAndItsNamesAreKeptAsGiven) {
  ProbeSendFax fax(nullptr);
  int asked = 0;
  fax.OnFaxNext = [&](TApdAbstractFax&, std::string& phone, std::string& file, std::string& cover) {
    if (++asked > 2) return;  // the list is done: empty answers
    phone = "55" + std::to_string(asked);
    file = "/data/Out/fax" + std::to_string(asked) + ".apf";
    cover = asked == 1 ? "/data/Out/Cover.txt" : "";
  };
  std::string phone = "x", file = "x", cover = "x";
  fax.FaxNext(phone, file, cover);
  EXPECT_EQ(phone, "551");
  EXPECT_EQ(file, "/data/Out/fax1.apf");
  EXPECT_EQ(cover, "/data/Out/Cover.txt");
  EXPECT_EQ(fax.FaxFile(), "/data/Out/fax1.apf");  // what the history names
  EXPECT_EQ(fax.PhoneNumber(), "551");
  fax.FaxNext(phone, file, cover);
  EXPECT_EQ(file, "/data/Out/fax2.apf");
  EXPECT_EQ(cover, "");
  fax.FaxNext(phone, file, cover);
  EXPECT_EQ(phone, "");
  EXPECT_EQ(file, "");
  EXPECT_EQ(asked, 3);
}

class SendFaxSession : public ComponentFixture {
 protected:
  void SetUp() override {
    // The merged file goes to the temporary folder: one of this test's own.
    const char* old = std::getenv("TMPDIR");
    oldTmp_ = old ? old : "";
    hadTmp_ = old != nullptr;
    std::filesystem::create_directory(TempFolder());
    setenv("TMPDIR", TempFolder().c_str(), 1);
  }
  void TearDown() override {
    if (hadTmp_)
      setenv("TMPDIR", oldTmp_.c_str(), 1);
    else
      unsetenv("TMPDIR");
  }
  std::string TempFolder() const { return dir_.File("tmp"); }
  std::vector<std::string> MergedFilesLeft() const { return FilesStartingWith(TempFolder(), "~AP"); }

  void StartSender(emu::FarEnd far = {}) {
    StartModem(std::move(far));
    Configure(fax_);
    Record(fax_);
    fax_.SetPhoneNumber("5551234");
    log_.SetFaxHistoryName(dir_.File("fax.his"));
    log_.Clock = test::FixedWallClock();
    fax_.Clock = log_.Clock;
    fax_.SetFaxLog(&log_);
  }

  // The decoded pages the far end confirmed, without the eight white lines
  // the engine starts each page with.
  std::vector<test::RasterPage> ConfirmedPages() const {
    std::vector<test::RasterPage> out;
    for (const auto& page : modem_->ConfirmedPages()) {
      auto raster = emu::DecodePage(page.data);
      raster.erase(raster.begin(), raster.begin() + std::min<long>(8, static_cast<long>(raster.size())));
      out.push_back(std::move(raster));
    }
    return out;
  }

  TApdFaxLog log_;
  TApdSendFax fax_{&main_};

 private:
  std::string oldTmp_;
  bool hadTmp_ = false;
};

TEST_F(SendFaxSession, TwoFilesWithoutAHandlerGoOutAsOneFaxInListOrder) {
  StartSender();
  const std::string a = test::WriteTestApf(dir_.File("a.apf"), {1, 2});
  const std::string b = test::WriteTestApf(dir_.File("b.apf"), {3});
  fax_.SetFaxFileList({b, a});
  fax_.StartTransmit();
  EXPECT_TRUE(fax_.InProgress());
  ASSERT_FALSE(fax_.MergedFile().empty());
  EXPECT_TRUE(std::filesystem::exists(fax_.MergedFile()));
  EXPECT_EQ(MergedFilesLeft().size(), 1u) << "named ~AP... in the temporary folder";
  EXPECT_THROW(fax_.StartTransmit(), EFaxError) << "one session at a time";
  EXPECT_TRUE(std::filesystem::exists(fax_.MergedFile()));
  ASSERT_TRUE(RunToFinishes(1)) << Trace();
  EXPECT_FALSE(fax_.InProgress());
  EXPECT_EQ(events_.back(), (Event{Event::Finish, 0, 0})) << Trace();
  EXPECT_EQ(modem_->CallsDialled(), 1);
  const auto pages = ConfirmedPages();
  ASSERT_EQ(pages.size(), 3u) << Trace();
  EXPECT_TRUE(pages[0] == test::TestPage(3));
  EXPECT_TRUE(pages[1] == test::TestPage(1));
  EXPECT_TRUE(pages[2] == test::TestPage(2));
  EXPECT_TRUE(MergedFilesLeft().empty());
  EXPECT_TRUE(fax_.MergedFile().empty());
  EXPECT_EQ(Logs(), (std::vector<int>{lfaxTransmitStart, lfaxTransmitOk}));
  EXPECT_EQ(test::ReadAll(dir_.File("fax.his")),
            "Transmit " + b + " to 5551234 started at 12/09/25 10:30:00\r\nTransmit " + a + " to 5551234 started at 12/09/25 10:30:00\r\n" +
                "Transmit to REMOTE FAX finished OK at 12/09/25 10:30:00 0\r\n\r\n");
}

TEST_F(SendFaxSession, AListFileWithoutTheSignatureStopsTheSendBeforeDialling) {
  StartSender();
  const std::string good = test::WriteTestApf(dir_.File("good.apf"), {1});
  test::WriteAll(dir_.File("text.apf"), std::string(200, 'x'));
  fax_.SetFaxFileList({good, dir_.File("text.apf")});
  EXPECT_EQ(RaisedCode<EFaxBadFormat>([&] { fax_.StartTransmit(); }), -8001);
  EXPECT_FALSE(fax_.InProgress());
  main_.RunUntil([] { return false; }, 200);
  EXPECT_FALSE(CommandSeen("ATD")) << Trace();
  EXPECT_TRUE(events_.empty()) << Trace();
  EXPECT_TRUE(MergedFilesLeft().empty());
}

TEST_F(SendFaxSession, TheMergedFileGoesWhenTheCallFails) {
  emu::FarEnd far;
  far.dialResult = emu::FarEnd::DialResult::kBusy;
  StartSender(far);
  fax_.SetDialAttempts(1);
  fax_.SetFaxFileList({test::WriteTestApf(dir_.File("a.apf"), {1}), test::WriteTestApf(dir_.File("b.apf"), {2})});
  fax_.StartTransmit();
  EXPECT_EQ(MergedFilesLeft().size(), 1u);
  ASSERT_TRUE(RunToFinishes(1)) << Trace();
  EXPECT_EQ(Errors(), std::vector<int>{ecFaxBusy});
  EXPECT_EQ(Logs(), (std::vector<int>{lfaxTransmitStart, lfaxTransmitFail}));
  EXPECT_TRUE(MergedFilesLeft().empty());
}

TEST_F(SendFaxSession, TheMergedFileGoesWhenTheUserCancels) {
  emu::FarEnd far;
  far.pageTimeMs = 3000;  // time to cancel in mid-page
  StartSender(far);
  fax_.SetFaxFileList({test::WriteTestApf(dir_.File("a.apf"), {1}), test::WriteTestApf(dir_.File("b.apf"), {2})});
  fax_.OnFaxStatus = [](TApdAbstractFax& f, bool, bool) {
    if (f.FaxProgress() == fpSendPage) f.CancelFax();
  };
  fax_.StartTransmit();
  ASSERT_TRUE(RunToFinishes(1)) << Trace();
  EXPECT_EQ(events_.back().value, ecCancelRequested);
  EXPECT_TRUE(MergedFilesLeft().empty());
  EXPECT_EQ(modem_->ConfirmedPages().size(), 0u);
}

TEST_F(SendFaxSession, TheMergedFileGoesWhenTheSessionCannotStart) {
  StartSender();
  fax_.SetFaxClass(fcClass1);  // the emulated modem has no Class 1
  fax_.SetFaxFileList({test::WriteTestApf(dir_.File("a.apf"), {1}), test::WriteTestApf(dir_.File("b.apf"), {2})});
  fax_.StartTransmit();
  ASSERT_TRUE(RunToFinishes(1)) << Trace();
  EXPECT_NE(events_.back().value, 0);
  EXPECT_FALSE(CommandSeen("ATD"));
  EXPECT_TRUE(MergedFilesLeft().empty());
}

TEST_F(SendFaxSession, AHandlerSendsEachFaxItNames) {
  StartSender();
  std::filesystem::create_directory(dir_.File("Out"));
  const std::vector<std::string> files = {test::WriteTestApf(dir_.File("Out/First.apf"), {1}),
                                          test::WriteTestApf(dir_.File("Out/second.apf"), {2, 3})};
  size_t next = 0;
  fax_.OnFaxNext = [&](TApdAbstractFax&, std::string& phone, std::string& file, std::string&) {
    if (next == files.size()) return;
    phone = "555000" + std::to_string(next);
    file = files[next++];
  };
  fax_.SetFaxFileList({files[0], files[1]});  // a handler: no merge
  fax_.StartTransmit();
  EXPECT_TRUE(fax_.MergedFile().empty());
  ASSERT_TRUE(RunToFinishes(1, 60)) << Trace();
  EXPECT_EQ(events_.back().value, 0) << Trace();
  EXPECT_EQ(modem_->CallsDialled(), 2);
  EXPECT_TRUE(CommandSeen("5550000"));
  EXPECT_TRUE(CommandSeen("5550001"));
  EXPECT_EQ(Logs(), (std::vector<int>{1, 2, 1, 2}));
  const auto pages = ConfirmedPages();
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_TRUE(pages[2] == test::TestPage(3));
}

TEST_F(SendFaxSession, EnhancedTextDrawsTheCoverAndHeaderWithTheirFonts) {
  StartSender();
  const std::string fax = test::WriteTestApf(dir_.File("a.apf"), {1});
  test::WriteAll(dir_.File("cover.txt"), "FAX FOR YOU\r\nFROM TELVANE\r\n");
  fax_.SetFaxFile(fax);
  fax_.SetCoverFile(dir_.File("cover.txt"));
  fax_.SetHeaderLine("PAGE $P OF $N");
  std::deque<FaxFontSpec> used;  // the font of each renderer made
  fax_.TextRendererFactory = [&]() -> std::unique_ptr<TextBitmapRenderer> {
    used.emplace_back();
    return std::make_unique<test::BarRenderer>(&used.back());
  };
  fax_.SetEnhFont(FaxFontSpec{"Cover Face", -15});
  fax_.SetEnhHeaderFont(FaxFontSpec{"Header Face", -9});
  // The same fax twice on one component: with the fax font, then enhanced.
  fax_.StartTransmit();
  ASSERT_TRUE(RunToFinishes(1)) << Trace();
  EXPECT_TRUE(used.empty()) << "the fax font needs no renderer";
  fax_.SetEnhTextEnabled(true);
  fax_.StartTransmit();
  ASSERT_TRUE(RunToFinishes(2)) << Trace();
  EXPECT_EQ(Errors(), std::vector<int>{}) << Trace();
  const auto pages = ConfirmedPages();
  ASSERT_EQ(pages.size(), 4u) << Trace();
  auto black = [](const test::RasterPage& p) {
    int n = 0;
    for (const auto& l : p) n += test::BlackPixels(l);
    return n;
  };
  EXPECT_GT(black(pages[2]), 0);
  EXPECT_NE(pages[0], pages[2]) << "the enhanced cover differs from the fax-font cover";
  EXPECT_NE(pages[1], pages[3]) << "the enhanced header line differs";
  auto madeWith = [&](const std::string& face) {
    return std::count_if(used.begin(), used.end(), [&](const FaxFontSpec& f) { return f.Name == face; });
  };
  EXPECT_EQ(madeWith("Cover Face"), 1) << "one cover page";
  EXPECT_EQ(madeWith("Header Face"), 2) << "a header line on each page";
}

TEST_F(SendFaxSession, AComponentGoneBeforeItsFinishArrivesIsNotCalled) {
  StartSender();
  auto fax = std::make_unique<TApdSendFax>(&main_);
  Configure(*fax);
  Record(*fax);
  fax->SetFaxClass(fcClass1);  // fails at once: the finish is posted
  fax->SetFaxFile(test::WriteTestApf(dir_.File("a.apf"), {1}));
  fax->StartTransmit();
  EXPECT_EQ(Finishes(), 0u);
  fax.reset();  // a window closed before the main loop ran again
  main_.RunUntil([] { return false; }, 200);
  EXPECT_EQ(Finishes(), 0u);
}

}  // namespace
}  // namespace telvane
