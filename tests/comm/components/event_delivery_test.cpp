// The components' events on the main thread under load: status every second
// over several sessions in a row on one component, nothing lost or out of
// order; and a main thread too slow to answer does not stop a session.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/comm/components/component_fixture.h"
#include "comm/components/fax_status_display.h"
#include "comm/components/send_fax.h"

namespace telvane {
namespace {

using test::ComponentFixture;
using test::Event;

// A status window that records the order it was updated in.
struct RecordingDisplay : TApdAbstractFaxStatus {
  int updates = 0;
  void UpdateDisplay(TApdAbstractFax&, bool first, bool last) override {
    ++updates;
    // The window is updated right before the status event is raised.
    marker = first ? 1 : last ? 2 : 0;
    pending = true;
  }
  int marker = -1;
  bool pending = false;
};

class EventDelivery : public ComponentFixture {
 protected:
  void StartSender(emu::FarEnd far) {
    StartModem(std::move(far));
    Configure(fax_);
    Record(fax_);
    fax_.SetPhoneNumber("5551234");
    fax_.SetFaxFile(test::WriteTestApf(dir_.File("a.apf"), {1, 2}));
  }
  // The events of session `n`.
  std::vector<Event> Session(int n) const {
    std::vector<Event> out;
    for (const auto& e : events_)
      if (e.session == n) out.push_back(e);
    return out;
  }

  TApdSendFax fax_{&main_};
};

TEST_F(EventDelivery, StatusEverySecondOverSeveralSessionsArrivesComplete) {
  emu::FarEnd far;
  far.pageTimeMs = 1300;  // each page spans at least one status tick
  StartSender(far);
  RecordingDisplay display;
  fax_.SetStatusDisplay(&display);
  auto raise = fax_.OnFaxStatus;
  bool displayFirst = true;
  fax_.OnFaxStatus = [&](TApdAbstractFax& f, bool first, bool last) {
    // The display saw this very status just before.
    displayFirst = displayFirst && display.pending && display.marker == (first ? 1 : last ? 2 : 0);
    display.pending = false;
    raise(f, first, last);
  };
  constexpr int kSessions = 3;
  for (int n = 0; n < kSessions; ++n) {
    fax_.StartTransmit();
    ASSERT_TRUE(RunToFinishes(n + 1)) << Trace();
    EXPECT_FALSE(fax_.InProgress());
  }
  EXPECT_TRUE(displayFirst);
  int statuses = 0;
  for (int n = 0; n < kSessions; ++n) {
    const auto ev = Session(n);
    ASSERT_GE(ev.size(), 4u) << Trace();
    EXPECT_EQ(ev.front(), (Event{Event::Status, 1, n})) << "the first status comes first";
    EXPECT_EQ(ev.back(), (Event{Event::Finish, 0, n})) << "the finish comes last\n" << Trace();
    EXPECT_EQ(ev[ev.size() - 2], (Event{Event::Status, 2, n})) << "the last status right before it";
    std::vector<int> logs;
    int firsts = 0, lasts = 0, finishes = 0;
    for (const auto& e : ev) {
      if (e.kind == Event::Log) logs.push_back(e.value);
      if (e.kind == Event::Status) {
        ++statuses;
        firsts += e.value == 1;
        lasts += e.value == 2;
      }
      finishes += e.kind == Event::Finish;
    }
    EXPECT_EQ(logs, (std::vector<int>{lfaxTransmitStart, lfaxTransmitOk}));
    EXPECT_EQ(firsts, 1);
    EXPECT_EQ(lasts, 1);
    EXPECT_EQ(finishes, 1);
  }
  EXPECT_EQ(display.updates, statuses) << "every status reached the display";
  // Two pages of 1.3 s each: the status timer ticks in every session.
  EXPECT_GE(statuses, kSessions * 4);
  EXPECT_EQ(modem_->ConfirmedPages().size(), 2u * kSessions);
}

TEST_F(EventDelivery, AMainThreadSlowerThanTheTimeOutDoesNotStopTheSession) {
  StartSender(emu::FarEnd{});
  auto raise = fax_.OnFaxLog;
  int slowCalls = 0;
  fax_.OnFaxLog = [&](TApdAbstractFax& f, int code) {
    raise(f, code);
    if (code == lfaxTransmitStart) {
      // Longer than the engine waits for a notification to be taken.
      ++slowCalls;
      std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    }
  };
  fax_.StartTransmit();
  // The test's main thread also stalls outside any event for a while.
  std::this_thread::sleep_for(std::chrono::milliseconds(1200));
  ASSERT_TRUE(RunToFinishes(1)) << Trace();
  EXPECT_EQ(slowCalls, 1);
  EXPECT_EQ(events_.back().kind, Event::Finish);
  EXPECT_EQ(Finishes(), 1u);
  EXPECT_FALSE(fax_.InProgress());
  main_.RunUntil([] { return false; }, 300);
  EXPECT_EQ(Finishes(), 1u) << "exactly one finish";
}

}  // namespace
}  // namespace telvane
