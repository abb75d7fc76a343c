// The serial devices of this machine, for the port selection list.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace telvane {

struct SerialPortInfo {
  std::string path;   // "/dev/ttyS0", "/dev/serial/by-id/usb-..."
  std::string label;  // what the selection list shows
};

// Whether a /dev/ttyS* node has a UART behind it (or is in use by someone
// else, which also means it exists).
using PortProbe = std::function<bool(const std::string& path)>;
bool ProbeSerialPort(const std::string& path);

// /dev/ttyS* that answer the probe, /dev/ttyUSB*, /dev/ttyACM* and the links
// in /dev/serial/by-id, in natural order (ttyS2 before ttyS10). `devRoot`
// replaces "/dev" for tests.
std::vector<SerialPortInfo> ListSerialPorts(const std::string& devRoot = "/dev",
                                            const PortProbe& probe = ProbeSerialPort);

}  // namespace telvane
