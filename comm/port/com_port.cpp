// The port component: properties, opening and closing, and the mapping of
// trigger messages onto its events.
#include "comm/port/com_port.h"

#include "base/error_codes.h"
#include "base/exceptions.h"

namespace telvane {

TApdComPort::TApdComPort(IMainThreadDispatcher* main, DeviceFactory makeDevice, ITickClock* clock)
    : main_(main),
      makeDevice_(makeDevice ? std::move(makeDevice) : DeviceFactory(MakeTermiosDevice)),
      clock_(clock ? clock : &RealTickClock()),
      alive_(std::make_shared<bool>(true)) {}

TApdComPort::~TApdComPort() {
  *alive_ = false;
  if (dispatcher_) {
    Notify(false);
    dispatcher_.reset();
  }
  retired_.clear();
  auto watchers = destroyCallbacks_;
  for (auto& [id, fn] : watchers)
    if (fn) fn(*this);
}

void TApdComPort::Check(int rc) {
  if (rc < 0) RaiseError(rc);
}

// --- Device choice ---

void TApdComPort::SetDeviceLayer(TDeviceLayer layer) {
  if (layer != dlWin32) throw EGeneral(ecNotSupportedByLayer);
  deviceLayer_ = layer;
}

std::string TApdComPort::DeviceName() const {
  if (!linePath_.empty()) return linePath_;
  if (!devicePath_.empty()) return devicePath_;
  if (comNumber_ > 0) return "/dev/ttyS" + std::to_string(comNumber_ - 1);
  return "";
}

void TApdComPort::SetComNumber(std::uint16_t n) {
  if (n == comNumber_) return;
  comNumber_ = n;
  if (dispatcher_ && devicePath_.empty() && linePath_.empty()) Reopen();
}

void TApdComPort::SetDevicePath(const std::string& path) {
  if (path == devicePath_) return;
  devicePath_ = path;
  if (dispatcher_ && linePath_.empty()) Reopen();
}

void TApdComPort::OpenOnLine(const std::string& linePath) {
  if (linePath.empty()) throw EPortNotOpen();
  DoClose();
  linePath_ = linePath;
  try {
    DoOpen();
  } catch (...) {
    linePath_.clear();
    throw;
  }
}

// --- Line settings ---

void TApdComPort::ApplyLine() {
  if (dispatcher_) Check(dispatcher_->SetLine(line_));
}

void TApdComPort::SetBaud(int baud) {
  if (baud < 0) throw EBadArgument();
  line_.baud = baud;
  ApplyLine();
}

void TApdComPort::SetParity(TParity p) {
  if (p < pNone || p > pSpace) throw EBadArgument();
  line_.parity = p;
  ApplyLine();
}

void TApdComPort::SetDataBits(std::uint16_t bits) {
  if (bits < 5 || bits > 8) throw EBadArgument();
  line_.dataBits = bits;
  ApplyLine();
}

void TApdComPort::SetStopBits(std::uint16_t bits) {
  if (bits != 1 && bits != 2) throw EBadArgument();
  line_.stopBits = bits;
  ApplyLine();
}

void TApdComPort::SetXOnChar(char c) {
  line_.xonChar = c;
  ApplyLine();
}

void TApdComPort::SetXOffChar(char c) {
  line_.xoffChar = c;
  ApplyLine();
}

// --- Buffers: new sizes take effect by reopening with the triggers kept ---

void TApdComPort::SetInSize(std::uint16_t size) {
  if (size == 0) throw EBadArgument();
  if (size == inSize_) return;
  inSize_ = size;
  if (dispatcher_) Reopen();
}

void TApdComPort::SetOutSize(std::uint16_t size) {
  if (size == 0) throw EBadArgument();
  if (size == outSize_) return;
  outSize_ = size;
  if (dispatcher_) Reopen();
}

// --- Flow control ---

void TApdComPort::ApplyFlow() {
  if (!dispatcher_) return;
  FlowThresholds t = EffectiveThresholds(inSize_, bufferFull_, bufferResume_, hwFlow_, swFlow_);
  bufferFull_ = static_cast<std::uint16_t>(t.bufferFull);
  bufferResume_ = static_cast<std::uint16_t>(t.bufferResume);
  Check(dispatcher_->SetFlow(hwFlow_, swFlow_, bufferFull_, bufferResume_));
}

void TApdComPort::SetHWFlowOptions(HWFlowOptionSet options) {
  hwFlow_ = options & (hwfUseDTR | hwfUseRTS | hwfRequireDSR | hwfRequireCTS);
  // RTS cannot both pace the remote and switch an RS-485 transmitter.
  if (hwFlow_ & (hwfUseRTS | hwfRequireCTS)) rs485_ = false;
  ApplyFlow();
}

void TApdComPort::SetSWFlowOptions(TSWFlowOptions options) {
  if (options < swfNone || options > swfBoth) throw EBadArgument();
  swFlow_ = options;
  ApplyFlow();
}

void TApdComPort::SetBufferFull(std::uint16_t level) {
  bufferFull_ = static_cast<std::uint16_t>(StoredBufferFull(level, inSize_));
  ApplyFlow();
}

void TApdComPort::SetBufferResume(std::uint16_t level) {
  bufferResume_ = static_cast<std::uint16_t>(StoredBufferResume(level, bufferFull_));
  ApplyFlow();
}

// --- Opening and closing ---

bool TApdComPort::Open() const { return dispatcher_ != nullptr; }

void TApdComPort::SetOpen(bool open) {
  if (open == Open()) return;
  if (open)
    DoOpen();
  else
    DoClose();
}

void TApdComPort::SetManualDispatch(bool manual) {
  if (dispatcher_) throw EBadArgument();
  manual_ = manual;
}

void TApdComPort::Pump() {
  if (dispatcher_) dispatcher_->Pump();
}

void TApdComPort::ReapRetired() {
  for (auto it = retired_.begin(); it != retired_.end();) {
    if ((*it)->InDelivery()) {
      ++it;
    } else {
      it = retired_.erase(it);  // joins the threads and closes the device
    }
  }
}

void TApdComPort::DoOpen() {
  DoOpenWith({});
}

void TApdComPort::DoOpenWith(TApdBaseDispatcher::Carried carried) {
  ReapRetired();
  std::string path = DeviceName();
  if (path.empty() && promptForPort_ && OnPromptForPort) {
    path = OnPromptForPort();
    if (!path.empty()) devicePath_ = path;
  }
  if (path.empty()) throw EPortNotAssigned();

  FlowThresholds t = EffectiveThresholds(inSize_, bufferFull_, bufferResume_, hwFlow_, swFlow_);
  bufferFull_ = static_cast<std::uint16_t>(t.bufferFull);
  bufferResume_ = static_cast<std::uint16_t>(t.bufferResume);

  DispatcherConfig config;
  config.devicePath = path;
  config.inSize = inSize_;
  config.outSize = outSize_;
  config.line = line_;
  config.dtr = dtr_;
  config.rts = rts_;
  config.hwFlow = hwFlow_;
  config.swFlow = swFlow_;
  config.bufferFull = bufferFull_;
  config.bufferResume = bufferResume_;
  config.threads = !manual_;

  auto d = std::make_unique<TApdBaseDispatcher>(makeDevice_(), *clock_, &trace_, &log_);
  d->SetReceiveTap(&receiveTap_);
  bool carriedOwnReceiver = carried.receivers != nullptr;
  if (carriedOwnReceiver) d->GiveCarried(std::move(carried));
  int rc = d->Open(config);
  if (rc < 0) throw EPortOpenError(rc, std::string(ErrorText(rc)) + ": " + path);
  if (!carriedOwnReceiver) {
    auto handler = [this](const TriggerMessage& m) { HandleMessage(m); };
    portWindow_ = main_ ? d->RegisterWndTriggerHandler(*main_, handler)
                        : d->RegisterProcTriggerHandler(handler);
  }
  dispatcher_ = std::move(d);
  Notify(true);
}

void TApdComPort::DoClose() {
  if (!dispatcher_) return;
  Notify(false);
  linePath_.clear();
  std::unique_ptr<TApdBaseDispatcher> d = std::move(dispatcher_);
  portWindow_ = 0;
  if (!d->InDelivery()) return;  // destroying it stops its threads and closes the device
  // Closed from inside its own trigger event: the dispatcher cannot wait for
  // the thread that is running this code. Its threads are told to stop, and
  // it is released once they have, at the next open or close or on the main
  // thread's next turn.
  d->RequestStop(true);
  retired_.push_back(std::move(d));
  if (main_) {
    std::weak_ptr<bool> alive = alive_;
    main_->Post([this, alive] {
      if (auto a = alive.lock(); a && *a) ReapRetired();
    });
  }
}

void TApdComPort::Reopen() {
  std::unique_ptr<TApdBaseDispatcher> old = std::move(dispatcher_);
  TApdBaseDispatcher::Carried carried;
  if (old->InDelivery()) {
    old->RequestStop(true);
    carried = old->TakeCarried();
    retired_.push_back(std::move(old));
  } else {
    old->Close();
    carried = old->TakeCarried();
    old.reset();
  }
  try {
    DoOpenWith(std::move(carried));
  } catch (...) {
    linePath_.clear();  // the port is closed now: the line's open has ended
    throw;
  }
}

TApdBaseDispatcher& TApdComPort::Ready() {
  if (!dispatcher_) {
    if (!autoOpen_) throw EPortNotOpen();
    DoOpen();
  }
  return *dispatcher_;
}

// --- Output lines ---

void TApdComPort::SetDTR(bool on) {
  dtr_ = on;
  if (dispatcher_) Check(dispatcher_->SetDTR(on));
}

void TApdComPort::SetRTS(bool on) {
  rts_ = on;
  if (dispatcher_) Check(dispatcher_->SetRTS(on));
}

// --- Trace and log ---

void TApdComPort::SetTracing(TTraceLogState state) {
  trace_.SetSize(traceSize_);
  trace_.SetFileName(traceName_);
  trace_.SetHex(traceHex_, traceAllHex_);
  Check(trace_.SetState(state));
}

void TApdComPort::SetTraceSize(std::uint32_t entries) {
  traceSize_ = entries;
  trace_.SetSize(entries);
}

void TApdComPort::SetTraceName(const std::string& name) {
  traceName_ = name.substr(0, 255);
  trace_.SetFileName(traceName_);
}

void TApdComPort::SetTraceHex(bool v) {
  traceHex_ = v;
  trace_.SetHex(traceHex_, traceAllHex_);
}

void TApdComPort::SetTraceAllHex(bool v) {
  traceAllHex_ = v;
  trace_.SetHex(traceHex_, traceAllHex_);
}

void TApdComPort::SetLogging(TTraceLogState state) {
  log_.SetSize(logSize_);
  log_.SetFileName(logName_);
  log_.SetHex(logHex_, logAllHex_);
  Check(log_.SetState(state));
}

void TApdComPort::SetLogSize(std::uint32_t entries) {
  logSize_ = entries;
  log_.SetSize(entries);
}

void TApdComPort::SetLogName(const std::string& name) {
  logName_ = name.substr(0, 255);
  log_.SetFileName(logName_);
}

void TApdComPort::SetLogHex(bool v) {
  logHex_ = v;
  log_.SetHex(logHex_, logAllHex_);
}

void TApdComPort::SetLogAllHex(bool v) {
  logAllHex_ = v;
  log_.SetHex(logHex_, logAllHex_);
}

// --- Notifications ---

int TApdComPort::RegisterUserCallback(PortCallback fn) {
  callbacks_.emplace_back(nextCallback_, std::move(fn));
  return nextCallback_++;
}

void TApdComPort::DeregisterUserCallback(int id) {
  std::erase_if(callbacks_, [id](const auto& c) { return c.first == id; });
}

int TApdComPort::RegisterDestroyCallback(PortNotifyEvent fn) {
  destroyCallbacks_.emplace_back(nextCallback_, std::move(fn));
  return nextCallback_++;
}

void TApdComPort::DeregisterDestroyCallback(int id) {
  std::erase_if(destroyCallbacks_, [id](const auto& c) { return c.first == id; });
}

void TApdComPort::Notify(bool opened) {
  auto copy = callbacks_;
  for (auto& [id, fn] : copy)
    if (fn) fn(*this, opened);
}

// --- Trigger messages to events ---

void TApdComPort::HandleMessage(const TriggerMessage& m) {
  switch (m.msg) {
    case kMsgTriggerAvail:
      if (OnTrigger) OnTrigger(*this, m.msg, kAvailTriggerHandle, static_cast<std::uint16_t>(m.param));
      if (OnTriggerAvail) OnTriggerAvail(*this, m.param);
      break;
    case kMsgTriggerData:
      if (OnTrigger) OnTrigger(*this, m.msg, m.param, m.data);
      if (OnTriggerData) OnTriggerData(*this, m.param);
      break;
    case kMsgTriggerTimer:
      if (OnTrigger) OnTrigger(*this, m.msg, m.param, m.data);
      if (OnTriggerTimer) OnTriggerTimer(*this, m.param);
      break;
    case kMsgTriggerStatus:
      if (OnTrigger) OnTrigger(*this, m.msg, m.param, m.data);
      if (OnTriggerStatus) OnTriggerStatus(*this, m.param);
      switch (m.param & 7) {
        case stModem:
          if (OnTriggerModemStatus) OnTriggerModemStatus(*this);
          break;
        case stLine:
          // The errors that fired the trigger; reading them here would take
          // them from handlers that read (and clear) the port's line error.
          if (OnTriggerLineError) OnTriggerLineError(*this, m.data & ~leBreak, (m.data & leBreak) != 0);
          break;
        case stOutBuffFree:
          if (OnTriggerOutbuffFree) OnTriggerOutbuffFree(*this);
          break;
        case stOutBuffUsed:
          if (OnTriggerOutbuffUsed) OnTriggerOutbuffUsed(*this);
          break;
        case stOutSent:
          if (OnTriggerOutSent) OnTriggerOutSent(*this);
          break;
      }
      break;
  }
}

// --- Output ---

void TApdComPort::PutChar(char c) { PutBlock(&c, 1); }

void TApdComPort::PutBlock(const void* data, std::size_t n) { Check(Ready().PutBlock(data, n)); }

void TApdComPort::PutString(const std::string& s) { PutBlock(s.data(), s.size()); }

int TApdComPort::OutBuffUsed() { return Ready().OutBuffUsed(); }

int TApdComPort::OutBuffFree() { return Ready().OutBuffFree(); }

void TApdComPort::FlushOutBuffer() { Check(Ready().FlushOutBuffer()); }

// --- Input ---

bool TApdComPort::CharReady() { return Ready().CharReady(); }

bool TApdComPort::GetChar(char& c) {
  std::uint8_t b;
  if (Ready().GetChar(b) != ecOK) return false;
  c = static_cast<char>(b);
  return true;
}

std::size_t TApdComPort::GetBlock(void* out, std::size_t n) {
  return static_cast<std::size_t>(Ready().GetBlock(out, n));
}

int TApdComPort::InBuffUsed() { return Ready().InBuffUsed(); }

void TApdComPort::FlushInBuffer() { Check(Ready().FlushInBuffer()); }

// --- Line state ---

void TApdComPort::SendBreak(int ticks) {
  TApdBaseDispatcher& d = Ready();
  Check(d.SetBreak(true));
  clock_->SleepMs(std::max(ticks, 0) * kMsPerTick);
  Check(d.SetBreak(false));
}

std::uint8_t TApdComPort::ModemStatus() { return Ready().ModemStatus(); }
bool TApdComPort::CTS() { return (Ready().CurrentLines() & msrCTS) != 0; }
bool TApdComPort::DSR() { return (Ready().CurrentLines() & msrDSR) != 0; }
bool TApdComPort::DCD() { return (Ready().CurrentLines() & msrDCD) != 0; }
bool TApdComPort::RI() { return (Ready().CurrentLines() & msrRI) != 0; }
bool TApdComPort::Ring() { return Ready().RingSeen(); }
bool TApdComPort::LineHungUp() const { return dispatcher_ && dispatcher_->DeviceFailed(); }
std::uint32_t TApdComPort::LineError() { return Ready().LineError(); }
bool TApdComPort::LineBreak() { return Ready().LineBreak(); }

// --- Triggers ---

int TApdComPort::AddTimerTrigger() {
  int h = Ready().AddTimerTrigger();
  Check(h);
  return h;
}

int TApdComPort::AddDataTrigger(const std::string& match, bool ignoreCase) {
  int h = Ready().AddDataTrigger(match, ignoreCase);
  Check(h);
  return h;
}

int TApdComPort::AddStatusTrigger(int type) {
  int h = Ready().AddStatusTrigger(type);
  Check(h);
  return h;
}

void TApdComPort::SetTimerTrigger(int handle, int ticks, bool activate) {
  Check(Ready().SetTimerTrigger(handle, ticks, activate));
}

void TApdComPort::SetStatusTrigger(int handle, std::uint32_t value, bool activate) {
  Check(Ready().SetStatusTrigger(handle, value, activate));
}

void TApdComPort::RemoveTrigger(int handle) { Check(Ready().RemoveTrigger(handle)); }

void TApdComPort::SetAvailTrigger(bool on) { Ready().SetAvailTrigger(on); }

int TApdComPort::RegisterTriggerHandler(TriggerReceiver fn) {
  return Ready().RegisterProcTriggerHandler(std::move(fn));
}

int TApdComPort::RegisterMethodTriggerHandler(TriggerReceiver fn, IMainThreadDispatcher* sync) {
  return Ready().RegisterMethodTriggerHandler(std::move(fn), sync);
}

int TApdComPort::RegisterWndTriggerHandler(IMainThreadDispatcher& main, TriggerReceiver fn) {
  return Ready().RegisterWndTriggerHandler(main, std::move(fn));
}

void TApdComPort::DeregisterTriggerHandler(int id) {
  if (dispatcher_) Check(dispatcher_->DeregisterTriggerHandler(id));
}

}  // namespace telvane
