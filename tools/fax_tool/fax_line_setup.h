// Chooses the device a fax command works on (a serial modem, a device path,
// or the built-in simulated line), and opens the port on it through the
// telephony device's pass-through call.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "comm/port/com_port.h"
#include "comm/fax/fax_session.h"
#include "comm/core/loop_dispatcher.h"
#include "comm/simline/sim_line.h"
#include "comm/tapi/telephony_device.h"

namespace telvane::cli {

struct LineOptions {
  std::string device;  // a name from the device list, "simulated line", or a device path
  int baud = 0;        // 0: the port's default
  // The simulated line's far end and pace; used only for the simulated line.
  SimLineConfig sim;
};

// "1", "2", "2.0" or "detect"; false for anything else.
bool ParseFaxClass(const char* text, TFaxClass& faxClass);

// Empty when the device at `path` exists and may be opened; otherwise what
// stands in the way, naming the device (with the 'dialout' group for a
// serial device the user may not open).
std::string DeviceProblem(const std::string& path);

// The device list the tool knows: serial modems found, and the simulated line.
std::vector<TelephonyDevice> ToolDevices();
// Prints the device list, one "name<TAB>path" line each.
void PrintDevices(FILE* out);

// An open port on the chosen device, for one session; closing hangs up.
class FaxLine {
 public:
  explicit FaxLine(LoopDispatcher& loop);
  ~FaxLine();
  FaxLine(const FaxLine&) = delete;
  FaxLine& operator=(const FaxLine&) = delete;

  // Resolves the device name: false (with `error` set) when it is none the
  // tool knows and no device path either.
  bool Select(const LineOptions& options, std::string& error);
  bool IsSimulated() const { return simulated_; }

  // Opens the port through the device: 0, or the negative error code of the
  // failure (the port then stays closed).
  int Open();
  // Hangs up and closes the port; waits for the port-close event.
  void Close();

  TApdComPort& Port() { return port_; }
  // The simulated line's calls, once it has ended (after Close).
  const std::vector<CallRecord>& SimCalls() const { return simCalls_; }

 private:
  LoopDispatcher& loop_;
  TApdComPort port_;
  TApdTapiDevice device_;
  bool simulated_ = false;
  bool opened_ = false;
  bool failed_ = false;
  bool closed_ = false;
  std::vector<CallRecord> simCalls_;
};

}  // namespace telvane::cli
