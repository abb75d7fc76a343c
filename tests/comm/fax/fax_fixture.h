// What the fax engine tests share: an owner that records every notification,
// a port on the in-memory line run by hand with the fake clock, and APF
// files made for the tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "comm/port/com_port.h"
#include "tests/support/comm/fake_serial_device.h"
#include "tests/support/comm/fake_tick_clock.h"
#include "comm/fax/fax_engine.h"
#include "comm/fax/fax_owner.h"
#include "tests/support/comm/port_driver.h"
#include "tests/support/temp_dir.h"

namespace telvane::test {

struct RecordingOwner : IFaxOwner {
  // Faxes handed out by FaxNext, in order; afterwards empty answers.
  std::vector<std::tuple<std::string, std::string, std::string>> faxes;
  std::size_t nextAsked = 0;
  std::function<void()> duringNext;  // runs inside FaxNext
  std::vector<int> status;           // progress of every status notification
  std::vector<FaxStatusKind> kinds;
  std::vector<int> logs, errors, finishes;
  bool accept = true;
  std::string acceptedId;
  std::string receiveName;

  void FaxNext(std::string& phone, std::string& faxFile, std::string& coverFile) override;
  void FaxStatus(FaxStatusKind kind, int progress) override;
  void FaxLog(int code) override { logs.push_back(code); }
  void FaxName(std::string& fileName) override { fileName = receiveName; }
  void FaxAccept(const std::string& remoteId, bool& ok) override {
    acceptedId = remoteId;
    ok = accept;
  }
  void FaxError(int code) override { errors.push_back(code); }
  void FaxFinish(int code) override { finishes.push_back(code); }

  bool SawProgress(int code) const;
  // Progress codes with repeats in a row removed.
  std::vector<int> Progress() const;
};

class FaxTest : public ::testing::Test {
 public:
  // A scripted modem answer with the usual line framing.
  static std::string Rsp(const std::string& lines);

 protected:
  FaxTest();
  ~FaxTest() override;

  // Records the states an engine passes through.
  void Watch(FaxEngine& engine);
  // Runs until the engine finishes (at most maxTicks); fails the test
  // otherwise, naming the request the script still waits for.
  void RunToEnd(FaxEngine& engine, int maxTicks = 20000);
  // Count of `what` in everything written to the line.
  int CountWritten(const std::string& what) const;
  TempDir dir;
  FakeTickClock clock;
  std::shared_ptr<FakeLine> line = std::make_shared<FakeLine>();
  TApdComPort port{nullptr, FakeDeviceFactory(line), &clock};
  PortDriver drive{port, clock};
  RecordingOwner owner;
  std::set<int> visited;
  std::vector<int> path;
};

// A raster line of 1728 pixels with black pixels from x0 to x1 (exclusive).
std::vector<std::uint8_t> BarLine(int x0, int x1, int width = 1728);
// Writes an APF file of `pages` pages; page p (from 0) holds p + 2 lines of
// bars that differ from page to page. `fine` sets the resolution per page.
void MakeApf(const std::string& fileName, int pages, std::vector<bool> fine = {});
// Writes an APF file with one page of the given coded lines.
void MakeApfWithLines(const std::string& fileName, const std::vector<std::vector<std::uint8_t>>& lines,
                      bool fine = false);

}  // namespace telvane::test
