// Runs the fax components over a real port against the Class 2 / 2.0 modem
// emulator on a pseudo-terminal, with the events on a test main loop, and
// records every event in the order the main thread saw it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "comm/components/abstract_fax.h"
#include "comm/port/com_port.h"
#include "tools/modem_emulator/far_end.h"
#include "comm/core/loop_dispatcher.h"
#include "tools/modem_emulator/modem_emulator.h"
#include "tools/modem_emulator/page_images.h"
#include "tests/support/temp_dir.h"

namespace telvane::test {

// Scan lines of each test page.
inline constexpr int kTestLines = 60;

// The raster lines of test page `n` (a different pattern per page).
emu::Raster TestPage(int n);
// Writes an APF file holding the test pages `pages`, in that order.
std::string WriteTestApf(const std::string& fileName, const std::vector<int>& pages);

// One event as the main thread saw it.
struct Event {
  enum Kind { Status, Log, Error, Finish } kind;
  int value;        // log code, error code, finish code; status: 1 first, 2 last, 0 other
  int session;      // which session (counted by finish events before it)
  bool operator==(const Event&) const = default;
};

class ComponentFixture : public ::testing::Test {
 protected:
  // The modem with `far` at the other end; the port opened on it.
  void StartModem(emu::FarEnd far);
  // Records the events of `fax` into events_.
  void Record(TApdAbstractFax& fax);
  // Settings every session of the tests shares.
  void Configure(TApdAbstractFax& fax);
  // Runs the main loop until `count` finish events have come; false on a hang.
  bool RunToFinishes(size_t count, int seconds = 30);
  // Runs the main loop until the recorded receiver waits for calls, then
  // places one.
  void CallWhenWaiting();
  size_t Finishes() const;
  std::vector<int> Logs() const;
  std::vector<int> Errors() const;
  // The emulator's command lines and the events, for failure messages.
  std::string Trace() const;
  bool CommandSeen(const std::string& text) const;
  // Files in `dir` whose name starts with `prefix`.
  static std::vector<std::string> FilesStartingWith(const std::string& dir, const std::string& prefix);

  TempDir dir_;
  std::unique_ptr<emu::ModemEmulator> modem_;
  LoopDispatcher main_;
  TApdComPort port_{&main_};
  std::vector<Event> events_;
  int progress_ = 0;  // of the last status event
};

}  // namespace telvane::test
