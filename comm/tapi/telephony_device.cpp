// The pass-through call: bring the selected device's line up, open the
// linked port on the path it gives, and end the call again.
#include "comm/tapi/telephony_device.h"

#include "comm/tapi/call_state.h"
#include "base/error_codes.h"
#include "base/exceptions.h"

namespace telvane {

TApdTapiDevice::TApdTapiDevice(IMainThreadDispatcher* main)
    : main_(main), alive_(std::make_shared<bool>(true)) {}

TApdTapiDevice::~TApdTapiDevice() {
  *alive_ = false;
  EndCall(false);
  if (port_) port_->DeregisterDestroyCallback(portDestroyCallback_);
}

// --- Properties ---

void TApdTapiDevice::SetComPort(TApdComPort* port) {
  if (port == port_) return;
  EndCall(true);
  if (port_) port_->DeregisterDestroyCallback(portDestroyCallback_);
  port_ = port;
  portDestroyCallback_ = 0;
  if (!port_) return;
  portDestroyCallback_ = port_->RegisterDestroyCallback([this](TApdComPort&) { ForgetPort(); });
  if (port_->TapiMode() == tmAuto) {
    port_->SetTapiMode(tmOn);
    port_->SetOpen(false);
  }
}

void TApdTapiDevice::ForgetPort() {
  // The port is going away: the call cannot carry on without it.
  port_ = nullptr;
  portDestroyCallback_ = 0;
  EndCall(false);
}

void TApdTapiDevice::SetDevices(std::vector<TelephonyDevice> devices) { devices_ = std::move(devices); }

const std::vector<TelephonyDevice>& TApdTapiDevice::Devices() const {
  if (!devices_) devices_ = ListTelephonyDevices({});
  return *devices_;
}

void TApdTapiDevice::SetLineFactory(TelephonyDeviceKind kind, TelephonyLineFactory factory) {
  factories_[kind] = std::move(factory);
}

std::unique_ptr<ITelephonyLine> TApdTapiDevice::MakeLine(const TelephonyDevice& device) {
  auto it = factories_.find(device.kind);
  if (it != factories_.end() && it->second) return it->second(device);
  if (device.kind == TelephonyDeviceKind::Simulated) return nullptr;
  return MakeSerialLine(device);
}

// --- The call ---

int TApdTapiDevice::CallState() const {
  return lineCallState_ == 0 ? 0 : CallStateOrdinal(lineCallState_);
}

void TApdTapiDevice::SetCallState(std::uint32_t state, bool first, bool last) {
  lineCallState_ = state;
  if (statusDisplay_) statusDisplay_->UpdateDisplay(*this, first, last);
  if (OnTapiStatus) OnTapiStatus(*this, first, last, CallState());
}

void TApdTapiDevice::OpenThroughLine() {
  if (!port_) throw EPortNotAssigned();
  if (port_->TapiMode() == tmAuto) port_->SetTapiMode(tmOn);
  if (port_->TapiMode() != tmOn) throw ETapiNotSet();
  if (CallState() != 0) throw ETapiBusy();

  ++callId_;
  attempt_ = 0;
  lastError_ = 0;
  lineError_ = 0;
  const TelephonyDevice* device = FindTelephonyDevice(Devices(), selectedDevice_);
  if (!device) {
    Fail(ecTapiCallUnavail);
    return;
  }
  callDevice_ = *device;
  std::uint64_t id = callId_;
  SetCallState(kLineCallProceeding, true, false);
  if (callId_ != id) return;  // the status handler cancelled the call
  TryConnect();
}

void TApdTapiDevice::TryConnect() {
  ++attempt_;
  // Each attempt has its own id, so that a drop reported by the line of a
  // failed attempt cannot end the line of a later one.
  std::uint64_t id = ++callId_;
  std::unique_ptr<ITelephonyLine> line = MakeLine(callDevice_);
  if (!line) {
    ConnectFailed(ecTapiCallUnavail);
    return;
  }
  std::weak_ptr<bool> alive = alive_;
  // Any thread: the call ends on the main thread. Nothing of the device is
  // touched here, only on the main thread once it is known to be alive.
  line->OnDropped = [this, main = main_, id, alive] {
    auto end = [this, id, alive] {
      if (auto a = alive.lock(); a && *a) LineDropped(id);
    };
    if (main)
      main->Post(end);
    else
      end();
  };
  std::string path;
  int rc = line->Connect(path);
  if (rc < 0) {
    ConnectFailed(rc);
    return;
  }
  line_ = std::move(line);
  SetCallState(kLineCallConnected, false, false);
  if (OnTapiConnect) OnTapiConnect(*this);
  if (callId_ != id || !port_) return;  // the handler cancelled the call or dropped the port

  try {
    port_->OpenOnLine(path);
  } catch (const EAPDException& e) {
    lastError_ = e.ErrorCode();
    EndCall(true);
    if (OnTapiFail) {
      OnTapiFail(*this);
      return;
    }
    throw;
  } catch (...) {
    EndCall(true);  // not left connected without its port
    throw;
  }
  linePath_ = path;
  if (OnTapiPortOpen) OnTapiPortOpen(*this);
}

void TApdTapiDevice::ConnectFailed(int lineError) {
  lineError_ = lineError;
  lastError_ = ecTapiCallUnavail;  // readable in the last status report too
  // Retries run later, so only a program that hears of the final failure
  // through OnTapiFail can have them; otherwise the caller gets the error now.
  if (scheduleRetry_ && OnTapiFail && attempt_ < maxAttempts_) {
    std::uint64_t id = callId_;
    SetCallState(kLineCallProceeding, false, false);
    if (callId_ != id) return;  // the status handler cancelled the call
    std::weak_ptr<bool> alive = alive_;
    scheduleRetry_(retryWait_, [this, id, alive] {
      if (auto a = alive.lock(); a && *a && callId_ == id && lineCallState_ != 0) TryConnect();
    });
    return;
  }
  EndCall(true);
  Fail(ecTapiCallUnavail);
}

void TApdTapiDevice::Fail(int error) {
  lastError_ = error;
  if (OnTapiFail) {
    OnTapiFail(*this);
    return;
  }
  RaiseError(error);
}

void TApdTapiDevice::CancelCall() { EndCall(true); }

void TApdTapiDevice::LineDropped(std::uint64_t callId) {
  if (callId == callId_ && line_) EndCall(true);
}

// raiseEvents: the last status reports and, when the call had opened the
// port, OnTapiPortClose; the destructor and a vanishing port end silently.
void TApdTapiDevice::EndCall(bool raiseEvents) {
  // Disconnected: this call is already being ended further up the stack (a
  // status handler cancelled it again); that end reports it once.
  if (lineCallState_ == 0 || lineCallState_ == kLineCallDisconnected) return;
  ++callId_;  // a pending retry or drop of this call finds it gone
  // The close event follows whenever this call opened the port, also when
  // someone closed the port before: the program's handler undoes what the
  // open event did.
  bool portWasOpen = !linePath_.empty();
  if (portWasOpen && port_ && port_->Open() && port_->LinePath() == linePath_) port_->SetOpen(false);
  linePath_.clear();
  // A drop the line reports from now on finds the call id changed.
  if (std::unique_ptr<ITelephonyLine> line = std::move(line_)) line->Disconnect();
  if (!raiseEvents) {
    lineCallState_ = 0;
    return;
  }
  SetCallState(kLineCallDisconnected, false, false);
  // The call is gone: the state reads 0 in the last report and in the
  // close event, whose handler may start the next call.
  SetCallState(0, false, true);
  if (portWasOpen && OnTapiPortClose) OnTapiPortClose(*this);
}

}  // namespace telvane
