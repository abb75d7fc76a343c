// The dispatcher: opening and closing, the event and dispatch threads, the
// dispatch pass, the lines and the triggers. The output side, the input side
// and trigger delivery have files of their own.
#include "comm/port/dispatcher.h"

#include <algorithm>
#include <chrono>
#include <set>
#include <utility>

#include "base/error_codes.h"
#include "base/exceptions.h"
#include "comm/port/receiver_list.h"

namespace telvane {
namespace {

using namespace std::chrono_literals;

// How long the dispatch thread waits for a device event before it looks at
// the timers, the output-buffer triggers and the modem lines anyway.
constexpr auto kIdlePass = 50ms;
// How long starting a thread may take.
constexpr auto kThreadStart = 3000ms;

// The process-wide list of dispatcher handles.
std::mutex gPortListLock;
std::set<std::uint16_t> gPortList;
std::uint16_t gNextHandle = 1;

std::uint16_t RegisterPort() {
  std::lock_guard guard(gPortListLock);
  while (gNextHandle == 0 || gPortList.count(gNextHandle)) ++gNextHandle;
  gPortList.insert(gNextHandle);
  return gNextHandle++;
}

void UnregisterPort(std::uint16_t handle) {
  std::lock_guard guard(gPortListLock);
  gPortList.erase(handle);
}

LineSettings WithFlow(LineSettings line, HWFlowOptionSet hw, TSWFlowOptions sw) {
  line.rtsCts = (hw & (hwfUseRTS | hwfRequireCTS)) != 0;
  line.xonXoffOut = sw == swfTransmit || sw == swfBoth;
  line.xonXoffIn = sw == swfReceive || sw == swfBoth;
  return line;
}

}  // namespace

TApdBaseDispatcher::TApdBaseDispatcher(std::unique_ptr<ISerialDevice> device, ITickClock& clock,
                                       CharTrace* trace, EventLog* log)
    : device_(std::move(device)),
      clock_(clock),
      trace_(trace),
      log_(log),
      handle_(RegisterPort()),
      triggers_(std::make_unique<TriggerTable>()),
      receivers_(std::make_shared<ReceiverList>()) {}

TApdBaseDispatcher::~TApdBaseDispatcher() {
  Close();
  UnregisterPort(handle_);
}

int TApdBaseDispatcher::Open(const DispatcherConfig& config) {
  if (IsOpen()) return ecBadArgument;
  if (config.outSize <= 0 || config.inSize <= 0) return ecBadArgument;
  config_ = config;
  config_.line = WithFlow(config.line, config.hwFlow, config.swFlow);
  outRing_.Reset(static_cast<std::size_t>(config_.outSize));
  inRing_.Reset(kInputRingSize);
  int rc = device_->Open(config_.devicePath);
  if (rc < 0) return rc;
  rc = device_->Configure(config_.line);
  if (rc == ecOK) rc = device_->SetDTR(config_.dtr);
  if (rc == ecOK) rc = device_->SetRTS(config_.rts);
  if (rc < 0) {
    device_->Close();
    return rc;
  }
  dtr_ = config_.dtr;
  std::uint8_t lines = 0;
  haveModemLines_ = device_->GetModemLines(lines) == ecOK;
  // A device without modem lines (a pseudo-terminal) is always ready to talk.
  msr_ = haveModemLines_ ? lines : static_cast<std::uint8_t>(msrCTS | msrDSR);
  haveCounters_ = device_->GetCounters(counters_) == ecOK;
  {
    std::lock_guard guard(evLock_);
    stop_ = false;
    comEvent_ = wake_ = inputBlocked_ = deviceFailed_ = false;
    deviceFailedSeen_ = false;
  }
  closeOnStop_ = false;
  sendCancel_.Reset();
  throttled_ = false;
  open_ = true;
  if (log_) log_->Add("Open", config_.devicePath.substr(0, 12), static_cast<std::uint32_t>(config_.line.baud));
  if (config_.threads) StartDispatcher();
  return ecOK;
}

void TApdBaseDispatcher::StartDispatcher() {
  if (started_) throw EGeneral(ecBadArgument, "Dispatcher already started");
  started_ = true;
  auto startOne = [this](std::thread& t, void (TApdBaseDispatcher::*body)(), int count) {
    t = std::thread([this, body] { (this->*body)(); });
    std::unique_lock guard(evLock_);
    evChanged_.wait_for(guard, kThreadStart, [&] { return threadsRunning_ >= count; });
  };
  startOne(eventThread_, &TApdBaseDispatcher::EventThread, 1);
  startOne(dispatchThread_, &TApdBaseDispatcher::DispatchThread, 2);
  startOne(outThread_, &TApdBaseDispatcher::OutputThread, 3);
}

void TApdBaseDispatcher::RequestStop(bool closeDevice) {
  if (closeDevice) closeOnStop_ = true;
  bool first;
  {
    std::lock_guard guard(evLock_);
    first = !stop_;
    stop_ = true;
    evChanged_.notify_all();
  }
  {
    std::lock_guard guard(lock_);
    outChanged_.notify_all();
  }
  sendCancel_.Cancel();
  // The interrupt holds until the device is closed, so only the first request
  // gives it. A later one (Close() of a dispatcher told to stop from inside
  // its own delivery) may run while the dispatch thread is closing the device.
  if (first && open_) device_->Interrupt();
}

void TApdBaseDispatcher::StopThreads() {
  RequestStop();
  // A dispatch thread told to close the device joins the other two itself.
  if (closeOnStop_ && dispatchThread_.joinable()) dispatchThread_.join();
  for (std::thread* t : {&outThread_, &eventThread_, &dispatchThread_})
    if (t->joinable()) t->join();
  started_ = false;
  threadsRunning_ = 0;
}

void TApdBaseDispatcher::Close() {
  if (!open_) return;
  StopThreads();
  device_->Close();
  open_ = false;
  if (log_) log_->Add("Close", config_.devicePath.substr(0, 12), 0);
}

bool TApdBaseDispatcher::IsOpen() const { return open_; }

// --- Threads ---

void TApdBaseDispatcher::EventThread() {
  {
    std::lock_guard guard(evLock_);
    ++threadsRunning_;
    evChanged_.notify_all();
  }
  for (;;) {
    {
      // Wait for the ready signal of the last event, and for room in the input
      // ring: input left in the device keeps it readable, and polling it again
      // before it is read would spin.
      std::unique_lock guard(evLock_);
      evChanged_.wait(guard, [this] { return stop_ || (!comEvent_ && !inputBlocked_ && !deviceFailed_); });
      if (stop_) return;
    }
    int rc = device_->WaitReadable(-1);
    std::lock_guard guard(evLock_);
    if (stop_) return;
    if (rc < 0) deviceFailed_ = deviceFailedSeen_ = true;
    if (rc != 0) {
      comEvent_ = true;
      evChanged_.notify_all();
    }
  }
}

void TApdBaseDispatcher::DispatchThread() {
  dispatchThreadId_ = std::this_thread::get_id();
  {
    std::lock_guard guard(evLock_);
    ++threadsRunning_;
    evChanged_.notify_all();
  }
  for (;;) {
    bool event;
    {
      std::unique_lock guard(evLock_);
      evChanged_.wait_for(guard, kIdlePass, [this] { return stop_ || comEvent_ || wake_; });
      if (stop_) break;
      event = comEvent_;
      wake_ = false;
    }
    Pass(event);
    if (event) {
      std::lock_guard guard(evLock_);
      comEvent_ = false;
      evChanged_.notify_all();
    }
  }
  if (closeOnStop_) {
    for (std::thread* t : {&outThread_, &eventThread_})
      if (t->joinable()) t->join();
    device_->Close();
  }
  dispatchThreadId_ = std::thread::id();
}

void TApdBaseDispatcher::Wake() {
  std::lock_guard guard(evLock_);
  wake_ = true;
  evChanged_.notify_all();
}

// --- One dispatch pass ---

void TApdBaseDispatcher::Pump() {
  if (!open_ || config_.threads) return;
  while (WriteSome()) {
  }
  Pass(true);
  while (WriteSome()) {
  }
}

void TApdBaseDispatcher::SampleLines() {
  // Caller holds lock_.
  std::uint8_t deltas = 0;
  std::uint32_t errors = 0;
  std::uint8_t lines;
  if (haveModemLines_ && device_->GetModemLines(lines) == ecOK) {
    std::uint8_t changed = (lines ^ msr_) & 0xF0;
    if (changed & msrCTS) deltas |= msrDeltaCTS;
    if (changed & msrDSR) deltas |= msrDeltaDSR;
    if (changed & msrDCD) deltas |= msrDeltaDCD;
    if ((changed & msrRI) && !(lines & msrRI)) deltas |= msrTERI;
    if ((changed & msrRI) && (lines & msrRI)) ringSeen_ = true;
    msr_ = lines;
    if (changed & msrDSR) outChanged_.notify_all();
  }
  LineCounters c;
  if (haveCounters_ && device_->GetCounters(c) == ecOK) {
    // Transitions counted by the driver catch pulses between two samples.
    if (c.cts != counters_.cts) deltas |= msrDeltaCTS;
    if (c.dsr != counters_.dsr) deltas |= msrDeltaDSR;
    if (c.dcd != counters_.dcd) deltas |= msrDeltaDCD;
    if (c.ring != counters_.ring) {
      deltas |= msrTERI;
      ringSeen_ = true;
    }
    if (c.overrun != counters_.overrun) errors |= leOverrun;
    if (c.parity != counters_.parity) errors |= leParity;
    if (c.framing != counters_.framing) errors |= leFraming;
    if (c.breaks != counters_.breaks) errors |= leBreak;
    counters_ = c;
  }
  msrEvents_ |= deltas;
  msrReadDelta_ |= deltas;
  lineEvents_ |= errors;
  lineErrors_ |= errors & ~leBreak;
  if (errors & leBreak) lineBreak_ = true;
  if (errors && log_) log_->Add("Line", "Error", errors);
}

void TApdBaseDispatcher::Pass(bool deviceEvent) {
  std::vector<FiredTrigger> dataFired;
  StatusSnapshot snap;
  {
    std::lock_guard guard(lock_);
    SampleLines();
  }
  std::size_t got = 0;
  bool blocked;
  {
    std::lock_guard guard(evLock_);
    blocked = inputBlocked_;
  }
  if (deviceEvent && !blocked) got = ReadInput(dataFired);

  std::vector<FiredTrigger> fired;
  {
    std::lock_guard guard(lock_);
    triggers_->BeginWalk();
    snap.msr = msr_;
    snap.msrEvents = msrEvents_;
    snap.lineErrors = lineEvents_;
    msrEvents_ = 0;
    lineEvents_ = 0;
    snap.outUsed = outRing_.Used();
    snap.outFree = outRing_.Free();
    snap.outPutTotal = outPutTotal_;
    snap.allSent = outRing_.Empty() && !writing_ &&
                   (!triggers_->OutputTriggersArmed() || device_->OutQueueBytes() == 0);
    triggers_->CheckStatus(snap, fired);
    fired.insert(fired.end(), dataFired.begin(), dataFired.end());
    if (got > 0 && availOn_) fired.push_back({kMsgTriggerAvail, kAvailTriggerHandle, 0});
    triggers_->CheckTimers(clock_, fired);
  }
  Deliver(fired);
  std::lock_guard guard(lock_);
  triggers_->EndWalk();
}

// --- Lines ---

int TApdBaseDispatcher::SetDTR(bool on) {
  if (!open_) return ecNotOpen;
  std::lock_guard guard(lock_);
  dtr_ = on;
  if (throttled_ && (config_.hwFlow & hwfUseDTR)) return ecOK;  // raised again on resume
  return device_->SetDTR(on);
}

int TApdBaseDispatcher::SetRTS(bool on) {
  if (!open_) return ecNotOpen;
  std::lock_guard guard(lock_);
  return device_->SetRTS(on);
}

int TApdBaseDispatcher::SetBreak(bool on) {
  if (!open_) return ecNotOpen;
  std::lock_guard guard(lock_);
  return device_->SetBreak(on);
}

std::uint8_t TApdBaseDispatcher::ModemStatus() {
  std::lock_guard guard(lock_);
  if (open_) {
    SampleLines();
  }
  std::uint8_t v = msr_ | msrReadDelta_;
  msrReadDelta_ = 0;
  return v;
}

std::uint8_t TApdBaseDispatcher::CurrentLines() {
  std::lock_guard guard(lock_);
  if (open_) SampleLines();
  return msr_ & 0xF0;
}

std::uint32_t TApdBaseDispatcher::LineError() {
  std::lock_guard guard(lock_);
  std::uint32_t v = lineErrors_;
  lineErrors_ = 0;
  return v;
}

bool TApdBaseDispatcher::LineBreak() {
  std::lock_guard guard(lock_);
  bool v = lineBreak_;
  lineBreak_ = false;
  return v;
}

bool TApdBaseDispatcher::RingSeen() {
  std::lock_guard guard(lock_);
  bool v = ringSeen_;
  ringSeen_ = false;
  return v;
}

int TApdBaseDispatcher::SetLine(const LineSettings& line) {
  LineSettings wanted;
  {
    std::lock_guard guard(lock_);
    wanted = WithFlow(line, config_.hwFlow, config_.swFlow);
    if (wanted == config_.line) return ecOK;
  }
  if (!open_) return ecNotOpen;
  // New line settings must not garble bytes already queued at the old ones.
  WaitOutputDrained(5000);
  std::lock_guard guard(lock_);
  int rc = device_->Configure(wanted);
  if (rc == ecOK) config_.line = wanted;
  return rc;
}

LineSettings TApdBaseDispatcher::Line() const {
  std::lock_guard guard(lock_);
  return config_.line;
}

int TApdBaseDispatcher::SetFlow(HWFlowOptionSet hw, TSWFlowOptions sw, int bufferFull, int bufferResume) {
  LineSettings line;
  {
    std::lock_guard guard(lock_);
    config_.hwFlow = hw;
    config_.swFlow = sw;
    config_.bufferFull = bufferFull;
    config_.bufferResume = bufferResume;
    line = config_.line;
  }
  int rc = SetLine(line);
  UpdateThrottle();
  return rc;
}

// --- Triggers ---

int TApdBaseDispatcher::AddTimerTrigger() {
  std::lock_guard guard(lock_);
  return triggers_->AddTimer();
}

int TApdBaseDispatcher::AddDataTrigger(std::string_view match, bool ignoreCase) {
  std::lock_guard guard(lock_);
  return triggers_->AddData(match, ignoreCase);
}

int TApdBaseDispatcher::AddStatusTrigger(int type) {
  std::lock_guard guard(lock_);
  return triggers_->AddStatus(type);
}

int TApdBaseDispatcher::SetTimerTrigger(int handle, int ticks, bool activate) {
  std::lock_guard guard(lock_);
  return triggers_->SetTimer(handle, clock_, ticks, activate);
}

int TApdBaseDispatcher::SetStatusTrigger(int handle, std::uint32_t value, bool activate) {
  int rc;
  {
    std::lock_guard guard(lock_);
    if (open_) {
      SampleLines();
    }
    rc = triggers_->SetStatus(handle, value, activate, msr_, outPutTotal_);
  }
  // Output-buffer conditions may already hold; the next pass reports them.
  if (rc == ecOK && activate && config_.threads && open_) Wake();
  return rc;
}

int TApdBaseDispatcher::RemoveTrigger(int handle) {
  std::lock_guard guard(lock_);
  return triggers_->Remove(handle);
}

void TApdBaseDispatcher::SetAvailTrigger(bool on) {
  std::lock_guard guard(lock_);
  availOn_ = on;
}

TApdBaseDispatcher::Carried TApdBaseDispatcher::TakeCarried() {
  std::lock_guard guard(lock_);
  Carried c;
  c.triggers = std::exchange(triggers_, std::make_unique<TriggerTable>());
  c.receivers = std::exchange(receivers_, std::make_shared<ReceiverList>());
  c.availOn = availOn_;
  return c;
}

void TApdBaseDispatcher::GiveCarried(Carried carried) {
  std::lock_guard guard(lock_);
  if (carried.triggers) triggers_ = std::move(carried.triggers);
  if (carried.receivers) receivers_ = std::move(carried.receivers);
  availOn_ = carried.availOn;
}

}  // namespace telvane
