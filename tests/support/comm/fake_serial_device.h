// An in-memory serial line for tests: the test plays the far end (a modem),
// feeding what the port reads, collecting what it writes, answering scripted
// commands, and setting modem lines and line errors.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "comm/port/serial_device.h"

namespace telvane::test {

class FakeLine {
 public:
  // Bytes the port will read.
  void Feed(std::string_view bytes);
  // Everything the port wrote so far.
  std::string Written() const;
  std::string TakeWritten();
  // When the port has written `request` (anywhere in what it wrote since the
  // previous scripted answer), `response` is fed back. Entries answer in order.
  void Expect(std::string request, std::string response);
  bool ScriptDone() const;
  // The request the script waits for next ("" when it is done), for messages
  // of failed tests.
  std::string NextExpected() const;

  // Modem lines (msr* bits) the device reports; false makes it a device
  // without modem lines, like a pseudo-terminal.
  void SetModemLines(std::uint8_t lines);
  void SetHasModemLines(bool has);
  // Adds to the driver's counters as a real line would.
  void AddRings(int n);
  void AddLineErrors(std::uint32_t leBits);

  // While stalled the device takes no output (flow control held by the remote).
  void SetStalled(bool stalled);
  // Writes fail outright from now on.
  void SetWriteError(int code);
  // Reads report a hung-up line.
  void HangUp();
  // The next open fails with `code`.
  void FailNextOpen(int code);

  bool IsOpen() const;
  int Opens() const;
  std::string LastPath() const;
  LineSettings Settings() const;
  int Configures() const;
  bool Dtr() const;
  bool Rts() const;
  bool BreakOn() const;
  int InputFlushes() const;
  int OutputFlushes() const;
  // Interrupt() calls on a device that was already closed (a real device's
  // descriptors may by then belong to someone else).
  int InterruptsWhileClosed() const;

 private:
  friend class FakeSerialDevice;
  mutable std::mutex lock_;
  std::condition_variable changed_;
  std::string input_;
  std::string written_;
  std::size_t scriptFrom_ = 0;
  std::vector<std::pair<std::string, std::string>> script_;
  std::uint8_t lines_ = 0;
  bool hasLines_ = true;
  LineCounters counters_;
  bool stalled_ = false;
  int writeError_ = 0;
  bool hungUp_ = false;
  int failOpen_ = 0;
  bool open_ = false;
  int opens_ = 0;
  std::string path_;
  LineSettings settings_;
  int configures_ = 0;
  bool dtr_ = false;
  bool rts_ = false;
  bool break_ = false;
  int inputFlushes_ = 0;
  int outputFlushes_ = 0;
  int interruptsWhileClosed_ = 0;
};

// Devices made by this factory all talk to `line`.
DeviceFactory FakeDeviceFactory(std::shared_ptr<FakeLine> line);

}  // namespace telvane::test
