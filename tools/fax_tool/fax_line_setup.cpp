#include "tools/fax_tool/fax_line_setup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/error_codes.h"
#include "base/exceptions.h"
#include "comm/simline/sim_line_device.h"

namespace telvane::cli {

namespace {

// Sessions refuse ports with a smaller output buffer; page data needs room.
constexpr int kOutSize = 16384;

bool LooksLikePath(const std::string& name) { return name.find('/') != std::string::npos; }

}  // namespace

std::string DeviceProblem(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    const int err = errno;
    if (err == ENOENT || err == ENOTDIR)
      return "'" + path + "': no such device (is the modem plugged in? see --list-devices)";
    return "'" + path + "': " + std::strerror(err);
  }
  if (::access(path.c_str(), R_OK | W_OK) != 0) {
    const int err = errno;
    std::string text = "'" + path + "': " + std::strerror(err);
    if (err == EACCES)
      text += "; serial devices belong to the 'dialout' group: add your user to it "
              "(sudo usermod -aG dialout $USER) and log in again";
    return text;
  }
  return {};
}

bool ParseFaxClass(const char* text, TFaxClass& faxClass) {
  static const struct {
    const char* name;
    TFaxClass value;
  } kClasses[] = {{"1", fcClass1}, {"2", fcClass2}, {"2.0", fcClass2_0}, {"detect", fcDetect}};
  for (const auto& c : kClasses)
    if (!std::strcmp(text, c.name)) return faxClass = c.value, true;
  return false;
}

std::vector<TelephonyDevice> ToolDevices() { return ListTelephonyDevices({}); }

void PrintDevices(FILE* out) {
  for (const TelephonyDevice& d : ToolDevices())
    std::fprintf(out, "%s\t%s\n", d.name.c_str(), d.path.empty() ? "(built in)" : d.path.c_str());
}

FaxLine::FaxLine(LoopDispatcher& loop) : loop_(loop), port_(&loop), device_(&loop) {
  port_.SetOutSize(kOutSize);
  device_.OnTapiPortOpen = [this](TApdTapiDevice&) { opened_ = true; };
  device_.OnTapiPortClose = [this](TApdTapiDevice&) { closed_ = true; };
  device_.OnTapiFail = [this](TApdTapiDevice&) { failed_ = true; };
}

FaxLine::~FaxLine() { Close(); }

bool FaxLine::Select(const LineOptions& options, std::string& error) {
  std::vector<TelephonyDevice> devices = ToolDevices();
  const TelephonyDevice* found = FindTelephonyDevice(devices, options.device);
  if (!found && LooksLikePath(options.device)) {
    // A device path the list does not hold (a pseudo-terminal, an unusual
    // serial device) is taken as a configured device of that name.
    devices = ListTelephonyDevices({{options.device, options.device, TelephonyDeviceKind::Configured}});
    found = FindTelephonyDevice(devices, options.device);
  }
  if (!found) {
    error = "unknown device '" + options.device + "' (see --list-devices)";
    return false;
  }
  simulated_ = found->kind == TelephonyDeviceKind::Simulated;
  if (!simulated_ && !found->path.empty()) {
    error = DeviceProblem(found->path);
    if (!error.empty()) return false;
  }
  device_.SetDevices(devices);
  if (simulated_) {
    device_.SetLineFactory(TelephonyDeviceKind::Simulated,
                           SimulatedLineFactory(options.sim, [this](const SimLine& line) {
                             simCalls_ = line.Result().calls;
                           }));
  }
  device_.SetSelectedDevice(found->name);
  device_.SetComPort(&port_);
  if (options.baud > 0) port_.SetBaud(options.baud);
  return true;
}

int FaxLine::Open() {
  opened_ = failed_ = closed_ = false;
  try {
    device_.OpenThroughLine();  // synchronous: the port is open when it returns
  } catch (const EAPDException& e) {
    return e.ErrorCode();
  }
  if (opened_ && port_.Open()) return 0;
  if (failed_ && device_.LastError()) return device_.LastError();
  return ecTapiCallUnavail;
}

void FaxLine::Close() {
  if (!opened_) return;
  opened_ = false;
  closed_ = false;
  device_.CancelCall();
  loop_.RunUntil([this] { return closed_; }, 5000);
}

}  // namespace telvane::cli
