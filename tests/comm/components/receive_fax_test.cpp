// The receive component over the modem emulator: calls accepted and refused,
// the file names of received faxes, a call lost after two good pages, and the
// caller's station ID made safe for the history and the read-out.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/fixed_clock.h"
#include "faxdoc/apf_file.h"
#include "tests/support/apf_pages.h"
#include "tests/comm/components/component_fixture.h"
#include "base/error_codes.h"
#include "base/exceptions.h"
#include "comm/components/fax_log.h"
#include "comm/components/receive_fax.h"

namespace telvane {
namespace {

using test::ComponentFixture;

TEST(ReceiveFaxStart, ThePortIsCheckedFirst) {
  TApdReceiveFax fax(nullptr);
  EXPECT_THROW(fax.StartReceive(), EPortNotAssigned);
  TApdComPort port(nullptr);
  port.SetOutSize(4096);
  fax.SetComPort(&port);
  EXPECT_THROW(fax.StartReceive(), EOutputBufferTooSmall);
  EXPECT_FALSE(fax.InProgress());
}

class ReceiveFaxSession : public ComponentFixture {
 protected:
  void StartReceiver(emu::FarEnd far) {
    far.ringIntervalMs = 100;
    StartModem(std::move(far));
    Configure(fax_);
    Record(fax_);
    fax_.SetOneFax(true);
    fax_.SetExitOnError(true);
    fax_.SetDestinationDir(dir_.File("in"));
    std::filesystem::create_directory(dir_.File("in"));
    log_.SetFaxHistoryName(dir_.File("fax.his"));
    log_.Clock = test::FixedWallClock();
    fax_.Clock = log_.Clock;
    fax_.SetFaxLog(&log_);
    fax_.OnFaxAccept = [this](TApdAbstractFax& f, bool& accept) {
      acceptedId_ = f.RemoteID();
      EXPECT_TRUE(accept) << "calls come in accepted";
      accept = accept_;
    };
  }
  void ReceiveOneCall() {
    fax_.StartReceive();
    CallWhenWaiting();
    ASSERT_TRUE(RunToFinishes(1)) << Trace();
  }
  std::string History() const { return test::ReadAll(dir_.File("fax.his")); }

  TApdFaxLog log_;
  TApdReceiveFax fax_{&main_};
  bool accept_ = true;
  std::string acceptedId_;
};

TEST_F(ReceiveFaxSession, AnAcceptedFaxGetsTheNextFreeNumber) {
  emu::FarEnd far;
  far.pages.push_back(emu::EncodePage(test::TestPage(1), false));
  StartReceiver(far);
  test::WriteAll(dir_.File("in/FAX0001.APF"), "first");
  test::WriteAll(dir_.File("in/FAX0002.APF"), "second");
  std::string fileInEvents;
  int pagesAtEnd = -1;
  fax_.OnFaxLog = [&](TApdAbstractFax& f, int code) {
    EXPECT_NE(History(), "") << "the history has the line before the event is raised";
    if (code == lfaxReceiveStart) fileInEvents = f.FaxFile();
    if (code == lfaxReceiveOk) pagesAtEnd = f.TotalPages();
  };
  ReceiveOneCall();
  const std::string expected = dir_.File("in/FAX0003.APF");
  EXPECT_EQ(fileInEvents, expected);
  EXPECT_EQ(acceptedId_, "CALLER FAX");
  EXPECT_EQ(pagesAtEnd, 1);
  EXPECT_EQ(events_.back().value, 0) << Trace();
  EXPECT_EQ(test::ReadAll(dir_.File("in/FAX0001.APF")), "first");
  EXPECT_EQ(test::ReadAll(dir_.File("in/FAX0002.APF")), "second");
  const auto pages = test::ReadApfPages(expected);
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_TRUE(pages[0] == test::TestPage(1));
  EXPECT_EQ(fax_.FaxFile(), "") << "cleared when the call has ended";
  EXPECT_EQ(History(), "Receive " + expected + " from CALLER FAX started at 12/09/25 10:30:00\r\nReceive finished OK at 12/09/25 10:30:00\r\n\r\n");
}

TEST_F(ReceiveFaxSession, ARefusedCallIsLoggedAsSkippedWithoutAnErrorLine) {
  emu::FarEnd far;
  far.pages.push_back(emu::EncodePage(test::TestPage(1), false));
  StartReceiver(far);
  accept_ = false;
  bool named = false;
  fax_.OnFaxName = [&](TApdAbstractFax&, std::string&) { named = true; };
  ReceiveOneCall();
  EXPECT_EQ(Logs(), std::vector<int>{lfaxReceiveSkip});
  EXPECT_EQ(Errors(), std::vector<int>{ecFileRejected});
  EXPECT_FALSE(named) << "no file for a refused call";
  EXPECT_TRUE(std::filesystem::is_empty(dir_.File("in")));
  EXPECT_EQ(History(), "Receive skipped at 12/09/25 10:30:00\r\n\r\n");
  EXPECT_EQ(modem_->PagesDelivered(), 0);
}

TEST_F(ReceiveFaxSession, ACallLostAfterTwoGoodPagesKeepsThemAndLogsTheFailure) {
  emu::FarEnd far;
  for (int p = 1; p <= 3; ++p) far.pages.push_back(emu::EncodePage(test::TestPage(p), false));
  far.dropInPage = 3;
  far.dropAfterBytes = 1500;
  StartReceiver(far);
  fax_.SetFaxNameMode(2);
  ReceiveOneCall();
  ASSERT_EQ(Errors().size(), 1u) << Trace();
  const int error = Errors().front();
  EXPECT_EQ(Logs(), (std::vector<int>{lfaxReceiveStart, lfaxReceiveFail}));
  const auto files = FilesStartingWith(dir_.File("in"), "");
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].size(), 12u) << files[0];  // MMDD0001.APF
  const std::string file = dir_.File("in/" + files[0]);
  ApfFileHeader header;
  ASSERT_EQ(GetFaxHeader(file, header), 0);
  EXPECT_EQ(header.PageCount, 2);
  EXPECT_TRUE(test::ReadApfPages(file) == (std::vector<test::RasterPage>{test::TestPage(1), test::TestPage(2)}));
  EXPECT_EQ(History(), "Receive " + file + " from CALLER FAX started at 12/09/25 10:30:00\r\nReceive failed at 12/09/25 10:30:00\r\n  (" +
                           ErrorText(error) + ")\r\n\r\n");
}

TEST_F(ReceiveFaxSession, TheCallersIdIsShownAndLoggedOnlyInPrintableCharacters) {
  emu::FarEnd far;
  far.callerId = "EVIL\xE9\xFF FAX";
  far.pages.push_back(emu::EncodePage(test::TestPage(1), false));
  StartReceiver(far);
  ReceiveOneCall();
  EXPECT_EQ(acceptedId_, "EVIL?? FAX");
  EXPECT_NE(History().find(" from EVIL?? FAX started at 12/09/25 10:30:00\r\n"), std::string::npos) << History();
}

TEST_F(ReceiveFaxSession, AComponentWaitingOnAPortClosedUnderItLeavesThePortClosed) {
  // The program closes the port when the user cancels a wait; the component
  // keeps its stopped session until it is destroyed, which must not open the
  // port again (a port opens on first use).
  StartReceiver(emu::FarEnd{});
  {
    TApdReceiveFax waiting(&main_);
    Configure(waiting);
    waiting.StartReceive();
    ASSERT_TRUE(port_.Open());
    port_.SetOpen(false);
  }
  EXPECT_FALSE(port_.Open());
}

}  // namespace
}  // namespace telvane
