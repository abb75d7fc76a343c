// The device selection model: entries, preselection, OK and Cancel.
#include "comm/tapi/device_selection.h"

#include <algorithm>
#include <charconv>

#include "base/exceptions.h"
#include "comm/tapi/telephony_device.h"

namespace telvane {

std::vector<std::uint16_t> DirectComNumbers(const std::string& devRoot) {
  return DirectComNumbers(devRoot, ProbeSerialPort);
}

std::vector<std::uint16_t> DirectComNumbers(const std::string& devRoot, const PortProbe& probe) {
  // A ComNumber n opens ttyS(n-1), so only those devices have a number.
  std::vector<std::uint16_t> numbers;
  const std::string prefix = "ttyS";
  for (const SerialPortInfo& port : ListSerialPorts(devRoot, probe)) {
    if (port.label.rfind(prefix, 0) != 0) continue;
    unsigned index = 0;
    const char* first = port.label.data() + prefix.size();
    const char* last = port.label.data() + port.label.size();
    auto [end, ec] = std::from_chars(first, last, index);
    if (ec == std::errc() && end == last && index < 0xFFFF) numbers.push_back(static_cast<std::uint16_t>(index + 1));
  }
  return numbers;
}

std::uint16_t DirectComNumber(const std::string& entry) {
  std::size_t at = entry.find(kDirectToCom);
  if (at == std::string::npos) return 0;
  std::size_t from = entry.find_first_not_of(' ', at + std::char_traits<char>::length(kDirectToCom));
  if (from == std::string::npos) return 0;
  unsigned n = 0;
  auto [end, ec] = std::from_chars(entry.data() + from, entry.data() + entry.size(), n);
  if (ec != std::errc() || n == 0 || n > 0xFFFF) return 0;
  return static_cast<std::uint16_t>(n);
}

DeviceSelectionModel::DeviceSelectionModel(TApdTapiDevice& device, std::vector<std::uint16_t> comNumbers)
    : device_(device) {
  TApdComPort* port = device.ComPort();
  bool direct = port && port->TapiMode() == tmOff;
  if (device.ShowTapiDevices())
    for (const TelephonyDevice& d : device.Devices()) entries_.push_back(d.name);
  if (device.ShowPorts()) {
    // The port's own number stays choosable even when no UART answers for it
    // now, so that the current choice can be shown.
    if (direct && port->ComNumber() > 0 &&
        std::find(comNumbers.begin(), comNumbers.end(), port->ComNumber()) == comNumbers.end()) {
      comNumbers.push_back(port->ComNumber());
      std::sort(comNumbers.begin(), comNumbers.end());
    }
    for (std::uint16_t n : comNumbers) entries_.push_back(kDirectToCom + std::to_string(n));
  }
  std::string current = direct ? kDirectToCom + std::to_string(port->ComNumber()) : device.SelectedDevice();
  auto it = std::find(entries_.begin(), entries_.end(), current);
  if (!current.empty() && it != entries_.end()) selectedIndex_ = static_cast<int>(it - entries_.begin());
}

int DeviceSelectionModel::Apply(int index, TTapiMode telephonyMode) {
  if (index < 0 || index >= static_cast<int>(entries_.size())) throw EBadArgument();
  const std::string& entry = entries_[static_cast<std::size_t>(index)];
  TApdComPort* port = device_.ComPort();
  if (entry.find(kDirectToCom) != std::string::npos) {
    if (!port) throw EPortNotAssigned();
    port->SetTapiMode(tmOff);
    port->SetComNumber(DirectComNumber(entry));
  } else {
    if (port) port->SetTapiMode(telephonyMode);
    device_.SetSelectedDevice(entry);
    // EnableVoice carries over to the new device by itself: the media mode
    // is read each time a call is made.
  }
  selectedIndex_ = index;
  return kSelectionOk;
}

}  // namespace telvane
