// Lists the line devices: the serial devices found, the configured ones, and
// the simulated line.
#include "comm/tapi/telephony_device_list.h"

#include <algorithm>

namespace telvane {

std::vector<TelephonyDevice> ListTelephonyDevices(const std::vector<TelephonyDevice>& configured,
                                                  const std::string& devRoot) {
  return ListTelephonyDevices(configured, devRoot, ProbeSerialPort);
}

std::vector<TelephonyDevice> ListTelephonyDevices(const std::vector<TelephonyDevice>& configured,
                                                  const std::string& devRoot, const PortProbe& probe) {
  std::vector<TelephonyDevice> devices;
  for (const SerialPortInfo& port : ListSerialPorts(devRoot, probe))
    devices.push_back({port.label, port.path, TelephonyDeviceKind::Serial});
  // The selection stores a device by name, so a second device of the same
  // name could never be chosen; the first one found wins.
  auto taken = [&](const std::string& name) { return FindTelephonyDevice(devices, name) != nullptr; };
  for (const TelephonyDevice& d : configured)
    if (!d.name.empty() && !taken(d.name) && d.name != kSimulatedLineName &&
        d.name.find(kDirectToCom) == std::string::npos)
      devices.push_back({d.name, d.path, TelephonyDeviceKind::Configured});
  devices.push_back({kSimulatedLineName, "", TelephonyDeviceKind::Simulated});
  return devices;
}

const TelephonyDevice* FindTelephonyDevice(const std::vector<TelephonyDevice>& devices,
                                           const std::string& name) {
  auto it = std::find_if(devices.begin(), devices.end(),
                         [&](const TelephonyDevice& d) { return d.name == name; });
  return it == devices.end() ? nullptr : &*it;
}

}  // namespace telvane
