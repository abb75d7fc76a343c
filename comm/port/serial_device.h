// The device layer under the dispatcher: a small interface over one serial
// device, with a termios backend for real devices and pseudo-terminals and an
// in-memory backend for tests. All calls return a negative error code on
// failure (a negated errno where the system gave one).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace telvane {

enum TParity { pNone, pOdd, pEven, pMark, pSpace };

// What the device itself does about flow control.
struct LineSettings {
  int baud = 19200;  // 0 keeps the device's current rate
  TParity parity = pNone;
  int dataBits = 8;
  int stopBits = 1;
  bool rtsCts = false;    // hardware handshake on RTS and CTS
  bool xonXoffOut = false;  // stop sending on XOFF from the remote
  bool xonXoffIn = false;   // send XOFF/XON when the device's input fills
  char xonChar = 17;
  char xoffChar = 19;

  bool operator==(const LineSettings&) const = default;
};

// Modem status register bits: current line states in the high nibble, the
// changes since the last read in the low nibble (TERI: a ring has ended).
inline constexpr std::uint8_t msrDeltaCTS = 0x01;
inline constexpr std::uint8_t msrDeltaDSR = 0x02;
inline constexpr std::uint8_t msrTERI = 0x04;
inline constexpr std::uint8_t msrDeltaDCD = 0x08;
inline constexpr std::uint8_t msrCTS = 0x10;
inline constexpr std::uint8_t msrDSR = 0x20;
inline constexpr std::uint8_t msrRI = 0x40;
inline constexpr std::uint8_t msrDCD = 0x80;

// Line error bits, as status triggers of the line-error type take them.
inline constexpr std::uint32_t leOverrun = 0x01;
inline constexpr std::uint32_t leParity = 0x02;
inline constexpr std::uint32_t leFraming = 0x04;
inline constexpr std::uint32_t leBreak = 0x08;

// Running totals kept by the device since it was opened: transitions of the
// modem lines and line errors. They catch events shorter than a sampling period.
struct LineCounters {
  std::uint32_t cts = 0, dsr = 0, ring = 0, dcd = 0;
  std::uint32_t framing = 0, overrun = 0, parity = 0, breaks = 0;
};

class ISerialDevice {
 public:
  virtual ~ISerialDevice() = default;

  virtual int Open(const std::string& path) = 0;
  virtual void Close() = 0;
  virtual int Configure(const LineSettings& settings) = 0;

  // Reads what is there, up to n bytes, without waiting: the count (0 when
  // nothing is waiting) or an error (a hung-up line is an error).
  virtual int Read(std::uint8_t* buf, std::size_t n) = 0;
  // Writes what the device takes now, without waiting: the count (0 when it
  // takes nothing) or an error.
  virtual int Write(const std::uint8_t* buf, std::size_t n) = 0;

  // Block until input is waiting (1), the device can take output (1), the time
  // runs out or Interrupt() was called (0), or the line fails (error).
  // timeoutMs < 0 waits without limit.
  virtual int WaitReadable(int timeoutMs) = 0;
  virtual int WaitWritable(int timeoutMs) = 0;
  // Ends every current and later wait until the device is closed.
  virtual void Interrupt() = 0;

  // Modem lines as msr* high-nibble bits; ecNotSupportedByLayer when the
  // device has no modem lines (a pseudo-terminal).
  virtual int GetModemLines(std::uint8_t& lines) = 0;
  virtual int GetCounters(LineCounters& counters) = 0;
  virtual int SetDTR(bool on) = 0;
  virtual int SetRTS(bool on) = 0;
  virtual int SetBreak(bool on) = 0;
  virtual int Flush(bool input, bool output) = 0;
  // Bytes accepted by the device but not yet on the line (0 when unknown).
  virtual int OutQueueBytes() = 0;
};

using DeviceFactory = std::function<std::unique_ptr<ISerialDevice>()>;

// The POSIX termios backend.
std::unique_ptr<ISerialDevice> MakeTermiosDevice();

}  // namespace telvane
