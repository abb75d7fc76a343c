// What the fax engine tests share: a port on the in-memory line run by hand
// with the fake clock, engines on it for the recording owner, the modem's
// usual answers and Class 1 frames, APF files made for the tests and the
// pages a far end sends.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "comm/fax/fax_engine.h"
#include "comm/fax/fax_receiver.h"
#include "comm/fax/fax_sender.h"
#include "comm/port/com_port.h"
#include "tests/support/apf_pages.h"
#include "tests/support/comm/fake_serial_device.h"
#include "tests/support/comm/fake_tick_clock.h"
#include "tests/support/comm/port_driver.h"
#include "tests/support/comm/recording_owner.h"
#include "tests/support/temp_dir.h"

namespace telvane::test {

// The engine's own init string, and what a T.31 modem answers to AT+FTM=?.
inline const std::string kInit = "ATE0Q0V1X4S0=0S2=43\r";
inline const std::string kAllSpeeds = "24,48,72,73,74,96,97,98,121,122,145,146";

// Bytes written out, for frames and page data.
inline std::string Bytes(std::initializer_list<int> b) {
  std::string s;
  for (int c : b) s += static_cast<char>(c);
  return s;
}
inline const std::string kDleEtx = "\x10\x03";
// Class 1 frames as the modem carries them (HDLC address, control, FCF,
// DLE ETX): the caller's post-page messages and disconnect, and the called
// station's answers. The X bit of the FCF marks a frame from the caller.
inline const std::string kMps = Bytes({0xFF, 0x13, 0x4F, 0x10, 0x03});
inline const std::string kEom = Bytes({0xFF, 0x13, 0x8F, 0x10, 0x03});
inline const std::string kEop = Bytes({0xFF, 0x13, 0x2F, 0x10, 0x03});
inline const std::string kDcn = Bytes({0xFF, 0x13, 0xFB, 0x10, 0x03});
inline const std::string kCfr = Bytes({0xFF, 0x13, 0x84, 0x10, 0x03});
inline const std::string kFtt = Bytes({0xFF, 0x13, 0x44, 0x10, 0x03});
inline const std::string kMcf = Bytes({0xFF, 0x13, 0x8C, 0x10, 0x03});

// Occurrences of `what` in `text`, one after the other.
int CountIn(const std::string& text, const std::string& what);

// The Class 2 set-up of a sender for each fax of its list, answered OK
// (any station id and capabilities).
void ScriptClass2SendSetup(FakeLine& line);

// A page as a sending fax delivers it.
struct WirePage {
  RasterPage rasters;
  std::string stored;  // coded lines and the end of page, as an APF stream page holds them
  // As the modem passes it on: each byte's bits reversed when `reversed`
  // (Class 2), DLE doubled, DLE ETX at the end.
  std::string Wire(bool reversed = false) const;
};
// A page of `lines` bar lines that differ with `seed`: line l runs from
// shift * seed + step * l for length + seed pixels.
WirePage MakePage(int seed, int lines, int shift = 37, int step = 3, int length = 200);

class FaxTest : public ::testing::Test {
 public:
  // A scripted modem answer with the usual line framing.
  static std::string Rsp(const std::string& lines);
  // What a Class 1 modem answers to a receive command: CONNECT, frames, OK.
  static std::string Got(const std::string& frames) { return Rsp("CONNECT") + frames + Rsp("OK"); }

 protected:
  FaxTest();
  ~FaxTest() override;

  // Engines on the port for the owner, their states watched. The receiver
  // takes one fax into in.apf and waits 200 ticks for page data.
  std::unique_ptr<FaxSender> MakeSender(TFaxClass c, const std::string& stationId = "", int desiredBps = 9600);
  std::unique_ptr<FaxReceiver> MakeReceiver(TFaxClass c, int desiredBps = 9600);
  // Queues one fax to 5551234 for the owner to hand out.
  void QueueFax(const std::string& file, const std::string& cover = "") {
    owner.faxes.emplace_back("5551234", file, cover);
  }
  // Writes `name` as an APF file of `pages` test pages (see MakeApf),
  // queues it as one fax (with `cover`) and gives its path.
  std::string QueueApf(const std::string& name, int pages, std::vector<bool> fine = {}, const std::string& cover = "");

  // Records the states an engine passes through.
  void Watch(FaxEngine& engine);
  // Runs until the engine finishes (at most maxTicks); fails the test
  // otherwise, naming the request the script still waits for.
  void RunToEnd(FaxEngine& engine, int maxTicks = 20000);
  // Starts the engine, runs it to its end and expects the whole script used.
  void Run(FaxEngine& engine, int maxTicks = 20000);
  // Count of `what` in everything written to the line.
  int CountWritten(const std::string& what) const { return CountIn(line->Written(), what); }
  // The received file holds exactly these pages, decoded by the APF reader.
  void ExpectPages(std::initializer_list<const WirePage*> pages);

  TempDir dir;
  FakeTickClock clock;
  std::shared_ptr<FakeLine> line = std::make_shared<FakeLine>();
  TApdComPort port{nullptr, FakeDeviceFactory(line), &clock};
  PortDriver drive{port, clock};
  RecordingOwner owner;
  std::set<int> visited;
  std::vector<int> path;
};

// The Class 2 machines' tests: Class 2 unless a test sets Class 2.0.
class Class2Test : public FaxTest {
 protected:
  TFaxClass dialect = fcClass2;
  bool Class20() const { return dialect == fcClass2_0; }
};

// A Class 2 fixture's tests that run under both dialects, instantiated with
// ::testing::Values(fcClass2, fcClass2_0) and DialectName.
template <class Fixture>
class BothDialects : public Fixture, public ::testing::WithParamInterface<TFaxClass> {
 protected:
  BothDialects() { this->dialect = this->GetParam(); }
};
inline std::string DialectName(const ::testing::TestParamInfo<TFaxClass>& info) {
  return info.param == fcClass2_0 ? "Class2_0" : "Class2";
}

// A raster line of 1728 pixels with black pixels from x0 to x1 (exclusive).
std::vector<std::uint8_t> BarLine(int x0, int x1, int width = 1728);
// Writes an APF file of `pages` pages; page p (from 0) holds p + 2 lines of
// bars that differ from page to page. `fine` sets the resolution per page.
void MakeApf(const std::string& fileName, int pages, std::vector<bool> fine = {});
// Writes an APF file with one page of the given coded lines.
void MakeApfWithLines(const std::string& fileName, const std::vector<std::vector<std::uint8_t>>& lines,
                      bool fine = false);
// The coded lines of page `p` of `file` as a sender puts them on the line
// (DLE doubled, no padding).
std::string Stuffed(const std::string& file, unsigned p);

}  // namespace telvane::test
