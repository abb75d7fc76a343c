// What a pass-through call connects to: a line that, once up, gives the
// device path the port opens.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "comm/tapi/telephony_device_list.h"

namespace telvane {

class ITelephonyLine {
 public:
  virtual ~ITelephonyLine() = default;
  // Brings the line up and gives the device path the port opens; 0 or a
  // negative error code.
  virtual int Connect(std::string& devicePath) = 0;
  // Takes the line down; called once after a successful Connect.
  virtual void Disconnect() = 0;
  // Set by the device before Connect: a line that goes down by itself calls
  // it (from any thread, but no longer once Disconnect has returned or the
  // line is destroyed); the device then ends the call.
  std::function<void()> OnDropped;
};

using TelephonyLineFactory = std::function<std::unique_ptr<ITelephonyLine>(const TelephonyDevice&)>;

// The line of a serial or configured device: the device's path itself. It
// fails with ecTapiCallUnavail when the path does not exist.
std::unique_ptr<ITelephonyLine> MakeSerialLine(const TelephonyDevice& device);

}  // namespace telvane
