// TApdComPort: the serial port component. It holds the line settings and
// options as properties, opens one device through a dispatcher, offers the
// buffer, line and trigger operations, and raises its trigger events on the
// program's main thread in the order in which the triggers fired.
//
// Properties, opening and closing belong to the main thread. The buffer, line
// and trigger operations may also be called by trigger receivers on the
// dispatch thread (the fax engines run there).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "comm/port/dispatcher.h"
#include "comm/port/flow_control.h"
#include "comm/port/receive_tap.h"
#include "comm/core/main_thread_dispatcher.h"
#include "comm/port/serial_device.h"
#include "comm/port/tick_clock.h"
#include "comm/port/trace_log.h"
#include "comm/port/trigger_types.h"

namespace telvane {

enum TDeviceLayer { dlWin16, dlFossil, dlWin32, dlWinsock };
enum TTapiMode { tmNone, tmAuto, tmOn, tmOff };

class TApdComPort;

using TTriggerEvent = std::function<void(TApdComPort& sender, std::uint32_t msg, int triggerHandle,
                                         std::uint16_t data)>;
using TTriggerAvailEvent = std::function<void(TApdComPort& sender, int count)>;
using TTriggerDataEvent = std::function<void(TApdComPort& sender, int triggerHandle)>;
using TTriggerStatusEvent = std::function<void(TApdComPort& sender, int triggerHandle)>;
using TTriggerTimerEvent = std::function<void(TApdComPort& sender, int triggerHandle)>;
using TTriggerLineErrorEvent =
    std::function<void(TApdComPort& sender, std::uint32_t lineError, bool lineBreak)>;
using PortNotifyEvent = std::function<void(TApdComPort& sender)>;
// Open and close notifications: `opened` is true after an open, false just
// before a close (the dispatcher still exists, so triggers can be removed).
using PortCallback = std::function<void(TApdComPort& sender, bool opened)>;
// Chooses a device when the port is opened without a ComNumber or DevicePath
// and PromptForPort is set; returns the device path, or empty when cancelled.
using PortPromptHandler = std::function<std::string()>;

class TApdComPort {
 public:
  // `main` runs the port's events on the program's main thread; without it
  // they run on the dispatch thread. `makeDevice` builds the device layer
  // (termios by default); `clock` counts ticks (the real clock by default).
  explicit TApdComPort(IMainThreadDispatcher* main = nullptr, DeviceFactory makeDevice = {},
                       ITickClock* clock = nullptr);
  ~TApdComPort();
  TApdComPort(const TApdComPort&) = delete;
  TApdComPort& operator=(const TApdComPort&) = delete;

  // --- Device choice ---
  TDeviceLayer DeviceLayer() const { return deviceLayer_; }
  void SetDeviceLayer(TDeviceLayer layer);
  // ComNumber n opens /dev/ttyS(n-1); 0 means no port is chosen.
  std::uint16_t ComNumber() const { return comNumber_; }
  void SetComNumber(std::uint16_t n);
  // A device path opens any other device (wins over ComNumber when set).
  const std::string& DevicePath() const { return devicePath_; }
  void SetDevicePath(const std::string& path);
  // The device the next open uses ("" when none is chosen).
  std::string DeviceName() const;
  // Opens the port on the device a telephony line gives (closing it first
  // when open). The line's path is used for this open only and forgotten at
  // the close; ComNumber and DevicePath stay as they are. Raises
  // EPortNotOpen (-2007) when the line gave no path.
  void OpenOnLine(const std::string& linePath);
  // The path of the line the port is open on ("" when not opened that way).
  const std::string& LinePath() const { return linePath_; }
  bool PromptForPort() const { return promptForPort_; }
  void SetPromptForPort(bool v) { promptForPort_ = v; }
  PortPromptHandler OnPromptForPort;

  // --- Line settings (applied at once on an open port) ---
  int Baud() const { return line_.baud; }
  void SetBaud(int baud);
  TParity Parity() const { return line_.parity; }
  void SetParity(TParity p);
  std::uint16_t DataBits() const { return static_cast<std::uint16_t>(line_.dataBits); }
  void SetDataBits(std::uint16_t bits);
  std::uint16_t StopBits() const { return static_cast<std::uint16_t>(line_.stopBits); }
  void SetStopBits(std::uint16_t bits);

  // --- Buffers ---
  std::uint16_t InSize() const { return inSize_; }
  void SetInSize(std::uint16_t size);
  std::uint16_t OutSize() const { return outSize_; }
  void SetOutSize(std::uint16_t size);

  // --- Opening ---
  bool AutoOpen() const { return autoOpen_; }
  void SetAutoOpen(bool v) { autoOpen_ = v; }
  bool Open() const;
  // true opens (raising EPortOpenError with the device's code on failure),
  // false closes.
  void SetOpen(bool open);

  // --- Output lines ---
  bool DTR() const { return dtr_; }
  void SetDTR(bool on);
  bool RTS() const { return rts_; }
  void SetRTS(bool on);

  // --- Flow control ---
  HWFlowOptionSet HWFlowOptions() const { return hwFlow_; }
  void SetHWFlowOptions(HWFlowOptionSet options);
  TSWFlowOptions SWFlowOptions() const { return swFlow_; }
  void SetSWFlowOptions(TSWFlowOptions options);
  char XOnChar() const { return line_.xonChar; }
  void SetXOnChar(char c);
  char XOffChar() const { return line_.xoffChar; }
  void SetXOffChar(char c);
  std::uint16_t BufferFull() const { return bufferFull_; }
  void SetBufferFull(std::uint16_t level);
  std::uint16_t BufferResume() const { return bufferResume_; }
  void SetBufferResume(std::uint16_t level);
  bool RS485Mode() const { return rs485_; }
  void SetRS485Mode(bool on) { rs485_ = on; }

  // --- Trace and log ---
  TTraceLogState Tracing() const { return trace_.State(); }
  void SetTracing(TTraceLogState state);
  std::uint32_t TraceSize() const { return traceSize_; }
  void SetTraceSize(std::uint32_t entries);
  const std::string& TraceName() const { return traceName_; }
  void SetTraceName(const std::string& name);
  bool TraceHex() const { return traceHex_; }
  void SetTraceHex(bool v);
  bool TraceAllHex() const { return traceAllHex_; }
  void SetTraceAllHex(bool v);
  TTraceLogState Logging() const { return log_.State(); }
  void SetLogging(TTraceLogState state);
  std::uint32_t LogSize() const { return logSize_; }
  void SetLogSize(std::uint32_t entries);
  const std::string& LogName() const { return logName_; }
  void SetLogName(const std::string& name);
  bool LogHex() const { return logHex_; }
  void SetLogHex(bool v);
  bool LogAllHex() const { return logAllHex_; }
  void SetLogAllHex(bool v);
  CharTrace& Trace() { return trace_; }
  // A copy of every byte received while the port is open (dispatch thread).
  ReceiveTap& ReceivedData() { return receiveTap_; }
  EventLog& Log() { return log_; }

  // --- Options kept for the program's settings; they change nothing here ---
  bool UseMSRShadow() const { return useMSRShadow_; }
  void SetUseMSRShadow(bool v) { useMSRShadow_ = v; }
  bool UseEventWord() const { return useEventWord_; }
  void SetUseEventWord(bool v) { useEventWord_ = v; }
  std::uint16_t CommNotificationLevel() const { return commNotificationLevel_; }
  void SetCommNotificationLevel(std::uint16_t v) { commNotificationLevel_ = v; }
  TTapiMode TapiMode() const { return tapiMode_; }
  void SetTapiMode(TTapiMode mode) { tapiMode_ = mode; }

  // Tests and the fax engine's tests run the port without threads and move it
  // along with Pump(); must be chosen while the port is closed.
  void SetManualDispatch(bool manual);
  void Pump();

  // --- Events ---
  TTriggerEvent OnTrigger;
  TTriggerAvailEvent OnTriggerAvail;
  TTriggerDataEvent OnTriggerData;
  TTriggerStatusEvent OnTriggerStatus;
  TTriggerTimerEvent OnTriggerTimer;
  TTriggerLineErrorEvent OnTriggerLineError;
  PortNotifyEvent OnTriggerModemStatus;
  PortNotifyEvent OnTriggerOutbuffFree;
  PortNotifyEvent OnTriggerOutbuffUsed;
  PortNotifyEvent OnTriggerOutSent;

  // Open and close notifications for components that watch the port.
  int RegisterUserCallback(PortCallback fn);
  void DeregisterUserCallback(int id);
  // Called as the port is destroyed (after the close notification of an open
  // port), so that watchers drop their reference to it.
  int RegisterDestroyCallback(PortNotifyEvent fn);
  void DeregisterDestroyCallback(int id);

  // --- Output ---
  void PutChar(char c);
  // All or nothing: raises ESerialIOError(ecOutputBufferFull) when it does not fit.
  void PutBlock(const void* data, std::size_t n);
  void PutString(const std::string& s);
  int OutBuffUsed();
  int OutBuffFree();
  void FlushOutBuffer();

  // --- Input ---
  bool CharReady();
  // Takes the next byte; false when nothing is waiting.
  bool GetChar(char& c);
  // Reads up to n bytes; returns the count.
  std::size_t GetBlock(void* out, std::size_t n);
  int InBuffUsed();
  void FlushInBuffer();

  // --- Line state ---
  // Holds a break on the line for `ticks` ticks.
  void SendBreak(int ticks);
  // Modem status register: current lines and changes since the last call.
  std::uint8_t ModemStatus();
  // Current state of one modem line.
  bool CTS();
  bool DSR();
  bool DCD();
  bool RI();
  // Whether a ring was seen since the last call; clears it.
  bool Ring();
  // Whether the device reported a hang-up (the line or the modem went, or
  // the far side of a pseudo-terminal closed) since the port was opened.
  // False for a port that is not open.
  bool LineHungUp() const;
  // Line errors since the last call (le* bits); clears them.
  std::uint32_t LineError();
  // Whether a break arrived since the last call; clears it.
  bool LineBreak();

  // --- Triggers ---
  int AddTimerTrigger();
  int AddDataTrigger(const std::string& match, bool ignoreCase);
  int AddStatusTrigger(int type);
  void SetTimerTrigger(int handle, int ticks, bool activate);
  void SetStatusTrigger(int handle, std::uint32_t value, bool activate);
  void RemoveTrigger(int handle);
  void SetAvailTrigger(bool on);
  // Receivers of the raw trigger messages (see TApdBaseDispatcher).
  int RegisterTriggerHandler(TriggerReceiver fn);  // a procedure receiver
  int RegisterMethodTriggerHandler(TriggerReceiver fn, IMainThreadDispatcher* sync = nullptr);
  int RegisterWndTriggerHandler(IMainThreadDispatcher& main, TriggerReceiver fn);
  void DeregisterTriggerHandler(int id);

  // The dispatcher of the open port (null when closed).
  TApdBaseDispatcher* Dispatcher() { return dispatcher_.get(); }
  ITickClock& Clock() { return *clock_; }

 private:
  TApdBaseDispatcher& Ready();
  void DoOpen();
  void DoOpenWith(TApdBaseDispatcher::Carried carried);
  void DoClose();
  void Reopen();
  void Check(int rc);
  void ReapRetired();
  void ApplyFlow();
  void ApplyLine();
  void HandleMessage(const TriggerMessage& m);
  void Notify(bool opened);

  IMainThreadDispatcher* main_;
  DeviceFactory makeDevice_;
  ITickClock* clock_;
  std::shared_ptr<bool> alive_;

  TDeviceLayer deviceLayer_ = dlWin32;
  std::uint16_t comNumber_ = 0;
  std::string devicePath_;
  std::string linePath_;
  bool promptForPort_ = true;
  LineSettings line_;
  std::uint16_t inSize_ = 4096;
  std::uint16_t outSize_ = 4096;
  bool autoOpen_ = true;
  bool dtr_ = true;
  bool rts_ = true;
  HWFlowOptionSet hwFlow_ = 0;
  TSWFlowOptions swFlow_ = swfNone;
  std::uint16_t bufferFull_ = 0;
  std::uint16_t bufferResume_ = 0;
  bool rs485_ = false;
  std::uint32_t traceSize_ = 10000;
  std::string traceName_;
  bool traceHex_ = true;
  bool traceAllHex_ = false;
  std::uint32_t logSize_ = 10000;
  std::string logName_;
  bool logHex_ = true;
  bool logAllHex_ = false;
  bool useMSRShadow_ = true;
  bool useEventWord_ = true;
  std::uint16_t commNotificationLevel_ = 10;
  TTapiMode tapiMode_ = tmAuto;
  bool manual_ = false;

  CharTrace trace_;
  ReceiveTap receiveTap_;
  EventLog log_;
  std::unique_ptr<TApdBaseDispatcher> dispatcher_;
  // Dispatchers closed from inside their own trigger delivery; their threads
  // are joined at the next safe moment.
  std::vector<std::unique_ptr<TApdBaseDispatcher>> retired_;
  int portWindow_ = 0;
  std::vector<std::pair<int, PortCallback>> callbacks_;
  std::vector<std::pair<int, PortNotifyEvent>> destroyCallbacks_;
  int nextCallback_ = 1;
};

}  // namespace telvane
