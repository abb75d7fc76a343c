// The modem devices a pass-through call can reach: serial devices found on
// this machine, the devices the user configured, and the built-in simulated
// line.
#pragma once

#include <string>
#include <vector>

#include "comm/port/port_list.h"

namespace telvane {

enum class TelephonyDeviceKind { Serial, Configured, Simulated };

struct TelephonyDevice {
  std::string name;  // what the selection list shows and SelectedDevice stores
  std::string path;  // the device the port opens (empty for the simulated line)
  TelephonyDeviceKind kind = TelephonyDeviceKind::Serial;
};

inline constexpr const char* kSimulatedLineName = "simulated line";
// The selection lists direct ports as "Direct to COM<n>" and reads any entry
// containing this text as one.
inline constexpr const char* kDirectToCom = "Direct to COM";

// Serial devices found under devRoot (default "/dev": ttyS* with a real UART,
// ttyUSB*, ttyACM*, /dev/serial/by-id links), then the user's configured
// devices, then the built-in "simulated line". A configured device whose name
// is already taken is left out, so that names stay unique, and so is one
// whose name contains kDirectToCom: the selection would take it for a port.
std::vector<TelephonyDevice> ListTelephonyDevices(const std::vector<TelephonyDevice>& configured,
                                                  const std::string& devRoot = "/dev");
// The same with the UART probe replaced (tests).
std::vector<TelephonyDevice> ListTelephonyDevices(const std::vector<TelephonyDevice>& configured,
                                                  const std::string& devRoot, const PortProbe& probe);

// The device of that name in the list, or nullptr.
const TelephonyDevice* FindTelephonyDevice(const std::vector<TelephonyDevice>& devices,
                                           const std::string& name);

// Configured devices from "name=path" lines. Blank lines and lines starting
// with '#' are skipped; a line without '=' or with an empty name or path is
// skipped and described in `errors` ("line 3: ...") when given.
std::vector<TelephonyDevice> ParseConfiguredDevices(const std::string& text,
                                                    std::vector<std::string>* errors = nullptr);
// Reads such a file; a missing file gives no devices (and an error entry).
std::vector<TelephonyDevice> LoadConfiguredDevices(const std::string& fileName,
                                                   std::vector<std::string>* errors = nullptr);

}  // namespace telvane
