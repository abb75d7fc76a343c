// The model behind the device selection dialog: the combo box entries (line
// devices, then "Direct to COM" followed by a port number), the preselected
// entry, and what OK and Cancel do to the device and its port.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "comm/port/com_port.h"
#include "comm/port/port_list.h"
#include "comm/tapi/telephony_device_list.h"

namespace telvane {

class TApdTapiDevice;

inline constexpr int kSelectionOk = 1;
inline constexpr int kSelectionCancel = 2;

// Port numbers of the ttyS devices with a UART under devRoot (/dev/ttyS0 is
// COM1): the numbers a port's ComNumber can open.
std::vector<std::uint16_t> DirectComNumbers(const std::string& devRoot = "/dev");
std::vector<std::uint16_t> DirectComNumbers(const std::string& devRoot, const PortProbe& probe);

// The number of a "Direct to COM" entry, or 0 when the text is not one.
std::uint16_t DirectComNumber(const std::string& entry);

class DeviceSelectionModel {
 public:
  // Entries: the device's Devices() names when ShowTapiDevices, then
  // "Direct to COM<n>" for each of comNumbers when ShowPorts (plus the
  // port's own ComNumber when it is tmOff and not among them).
  DeviceSelectionModel(TApdTapiDevice& device, std::vector<std::uint16_t> comNumbers);

  const std::vector<std::string>& Entries() const { return entries_; }
  // The preselected entry: the port's "Direct to COM<n>" when the port is
  // tmOff, otherwise SelectedDevice; -1 when none matches.
  int SelectedIndex() const { return selectedIndex_; }

  // OK with entry `index`. A "Direct to COM" entry sets the port's TapiMode
  // to tmOff and its ComNumber (EPortNotAssigned without a port); any other
  // entry sets the port's TapiMode to `telephonyMode`, stores the name in
  // SelectedDevice (EnableVoice applies to it, being read at each call).
  // EBadArgument for an index out
  // of range. Returns 1.
  int Apply(int index, TTapiMode telephonyMode = tmOn);
  // Cancel: changes nothing; returns 2.
  int Cancel() const { return kSelectionCancel; }

 private:
  TApdTapiDevice& device_;
  std::vector<std::string> entries_;
  int selectedIndex_ = -1;
};

}  // namespace telvane
