// TApdTapiDevice: reaches the fax modem through a line device instead of a
// port number. Its pass-through call brings the selected device's line up,
// opens the linked port on the path the line gives, and raises
// OnTapiPortOpen; when the call ends the port is closed and OnTapiPortClose
// follows. The fax engine then drives the modem with its own AT commands
// exactly as on a directly opened port.
//
// Properties, OpenThroughLine and CancelCall belong to the main thread; the
// events run there too. A line that drops by itself is handled on the main
// thread (posted through `main`, or at once without one).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "comm/port/com_port.h"
#include "comm/core/main_thread_dispatcher.h"
#include "comm/tapi/tapi_status.h"
#include "comm/tapi/telephony_device_list.h"
#include "comm/tapi/telephony_line.h"

namespace telvane {

class TApdTapiDevice {
 public:
  explicit TApdTapiDevice(IMainThreadDispatcher* main = nullptr);
  // A call in progress is dropped and the port closed (no events).
  ~TApdTapiDevice();
  TApdTapiDevice(const TApdTapiDevice&) = delete;
  TApdTapiDevice& operator=(const TApdTapiDevice&) = delete;

  // --- Properties ---
  const std::string& SelectedDevice() const { return selectedDevice_; }
  void SetSelectedDevice(const std::string& name) { selectedDevice_ = name; }
  // Linking a port in tmAuto sets it to tmOn and closes it: from then on
  // only the device opens it.
  TApdComPort* ComPort() const { return port_; }
  void SetComPort(TApdComPort* port);
  TApdAbstractTapiStatus* StatusDisplay() const { return statusDisplay_; }
  void SetStatusDisplay(TApdAbstractTapiStatus* display) { statusDisplay_ = display; }
  // Call history; stored for the program's settings, nothing writes it.
  TApdTapiLog* TapiLog() const { return tapiLog_; }
  void SetTapiLog(TApdTapiLog* log) { tapiLog_ = log; }
  // Kept for the program's settings: the device never answers calls itself.
  std::uint8_t AnswerOnRing() const { return answerOnRing_; }
  void SetAnswerOnRing(std::uint8_t rings) { answerOnRing_ = rings; }
  // A line that cannot connect is tried again after RetryWait seconds, up
  // to MaxAttempts connects in all, when a retry scheduler is installed and
  // OnTapiFail is assigned (see SetRetryScheduler).
  std::uint16_t RetryWait() const { return retryWait_; }
  void SetRetryWait(std::uint16_t seconds) { retryWait_ = seconds; }
  std::uint16_t MaxAttempts() const { return maxAttempts_; }
  void SetMaxAttempts(std::uint16_t attempts) { maxAttempts_ = attempts; }
  bool ShowTapiDevices() const { return showTapiDevices_; }
  void SetShowTapiDevices(bool v) { showTapiDevices_ = v; }
  bool ShowPorts() const { return showPorts_; }
  void SetShowPorts(bool v) { showPorts_ = v; }
  // Interactive voice instead of data-modem media; read when a call is made.
  bool EnableVoice() const { return enableVoice_; }
  void SetEnableVoice(bool v) { enableVoice_ = v; }
  // The media mode the next call asks for: 8 (interactive voice) or 16 (data modem).
  int MediaMode() const { return enableVoice_ ? 8 : 16; }

  // Devices the selection and the open know about (default:
  // ListTelephonyDevices({})).
  void SetDevices(std::vector<TelephonyDevice> devices);
  // Scans the machine on first use when none were set.
  const std::vector<TelephonyDevice>& Devices() const;
  // How a device's line is made; the default one for Serial and Configured
  // devices connects to the device's path. The program installs one for
  // kind Simulated (comm/simline/sim_line_device.h); without one the
  // simulated line cannot connect.
  void SetLineFactory(TelephonyDeviceKind kind, TelephonyLineFactory factory);

  // Runs `retry` after `seconds` on the main thread. Without a scheduler a
  // line that cannot connect fails at once.
  using RetryScheduler = std::function<void(int seconds, std::function<void()> retry)>;
  void SetRetryScheduler(RetryScheduler scheduler) { scheduleRetry_ = std::move(scheduler); }

  // --- Operations ---
  // The pass-through call. Raises EPortNotAssigned (-1005) without a port,
  // ETapiNotSet (-13929) for a port not in tmOn (tmAuto is switched to tmOn
  // first), ETapiBusy (-13928) while a call is in progress. A device that is
  // unknown or whose line cannot connect raises OnTapiFail when assigned,
  // otherwise ETapiCallUnavail (-13805). A line that connects without a
  // device path fails with -2007 (EPortNotOpen) the same way; a port that
  // cannot open its device raises the port's own open error. On success the
  // port is open on the line's path and OnTapiPortOpen has run.
  void OpenThroughLine();
  // Drops the call: the port is closed, OnTapiPortClose follows (when the
  // call had opened the port) and the state returns to 0. Does nothing
  // without a call. A port closed by someone else leaves the call up until
  // this is called.
  void CancelCall();

  // --- Read-outs ---
  // Ordinal 0..15 of the current call's state; 0 without a call.
  int CallState() const;
  // The raw line call state bit; 0 without a call.
  std::uint32_t LineCallState() const { return lineCallState_; }
  // Connect attempts made by the current or last call.
  int Attempt() const { return attempt_; }
  // The error of the last failed call (0 when none), valid in OnTapiFail:
  // ecTapiCallUnavail for a device that is unknown or cannot connect,
  // ecNotOpen for a line without a device path, or the port's open error.
  int LastError() const { return lastError_; }
  // What the line itself reported when it could not connect (0 when none).
  int LineError() const { return lineError_; }
  // The path the port was opened on by the current call ("" otherwise).
  const std::string& LinePath() const { return linePath_; }

  // --- Events ---
  std::function<void(TApdTapiDevice&)> OnTapiPortOpen, OnTapiPortClose;
  std::function<void(TApdTapiDevice&)> OnTapiFail;
  // Raised when the call reaches the connected state, before the port opens.
  std::function<void(TApdTapiDevice&)> OnTapiConnect;
  // Every change of the call state; `state` is the ordinal.
  std::function<void(TApdTapiDevice&, bool first, bool last, int state)> OnTapiStatus;
  // The events below belong to telephony services that report call logs,
  // tones, caller identities and wave playback. The lines of this system
  // (serial devices and the simulated line) report none of these, so
  // nothing raises them; they exist for the program's handlers to attach to.
  std::function<void(TApdTapiDevice&, int logCode)> OnTapiLog;
  std::function<void(TApdTapiDevice&, char digit)> OnTapiDTMF;
  std::function<void(TApdTapiDevice&, const std::string& number, const std::string& name)> OnTapiCallerID;
  std::function<void(TApdTapiDevice&, int message)> OnTapiWaveNotify;
  std::function<void(TApdTapiDevice&, bool& stopRecording, bool& hangup)> OnTapiWaveSilence;
  std::function<void(TApdTapiDevice&)> OnTapiWaveBusy, OnTapiWaveRingback;

 private:
  void TryConnect();
  void ConnectFailed(int lineError);
  void Fail(int error);
  void EndCall(bool raiseEvents);
  void LineDropped(std::uint64_t callId);
  void SetCallState(std::uint32_t state, bool first, bool last);
  std::unique_ptr<ITelephonyLine> MakeLine(const TelephonyDevice& device);
  void ForgetPort();

  IMainThreadDispatcher* main_;
  std::shared_ptr<bool> alive_;

  std::string selectedDevice_;
  TApdComPort* port_ = nullptr;
  int portDestroyCallback_ = 0;
  TApdAbstractTapiStatus* statusDisplay_ = nullptr;
  TApdTapiLog* tapiLog_ = nullptr;
  std::uint8_t answerOnRing_ = 2;
  std::uint16_t retryWait_ = 60;
  std::uint16_t maxAttempts_ = 3;
  bool showTapiDevices_ = true;
  bool showPorts_ = true;
  bool enableVoice_ = false;

  mutable std::optional<std::vector<TelephonyDevice>> devices_;
  std::map<TelephonyDeviceKind, TelephonyLineFactory> factories_;
  RetryScheduler scheduleRetry_;

  // The current call.
  std::unique_ptr<ITelephonyLine> line_;
  TelephonyDevice callDevice_;
  std::uint32_t lineCallState_ = 0;
  int attempt_ = 0;
  int lastError_ = 0;
  int lineError_ = 0;
  std::string linePath_;
  std::uint64_t callId_ = 0;  // tells a stale drop or retry from the current call's
};

}  // namespace telvane
