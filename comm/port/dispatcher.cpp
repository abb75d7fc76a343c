// The dispatcher: device, rings, triggers, threads and trigger delivery.
#include "dispatcher.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <set>
#include <utility>

#include "error_codes.h"
#include "exceptions.h"
#include "receiver_list.h"

namespace telvane {
namespace {

using namespace std::chrono_literals;

// How long the dispatch thread waits for a device event before it looks at
// the timers, the output-buffer triggers and the modem lines anyway.
constexpr auto kIdlePass = 50ms;
// How long starting a thread may take.
constexpr auto kThreadStart = 3000ms;
// Window receivers that do not answer in this time are skipped.
constexpr int kWindowSendTimeoutMs = 3000;
// Largest block handed to the device in one write.
constexpr std::size_t kWriteChunk = 16384;

// The dispatcher whose trigger delivery the current thread is running.
thread_local const TApdBaseDispatcher* tDelivering = nullptr;

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

LineSettings WithFlow(LineSettings line, THWFlowOptions hw, TSWFlowOptions sw) {
  line.rtsCts = (hw & (hwfUseRTS | hwfRequireCTS)) != 0;
  line.xonXoffOut = sw == swfTransmit || sw == swfBoth;
  line.xonXoffIn = sw == swfReceive || sw == swfBoth;
  return line;
}

const char* MessageName(std::uint32_t msg) {
  switch (msg) {
    case kMsgTriggerAvail: return "Avail";
    case kMsgTriggerData: return "Data";
    case kMsgTriggerTimer: return "Timer";
    case kMsgTriggerStatus: return "Status";
    default: return "Message";
  }
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

bool TApdBaseDispatcher::InDelivery() const {
  return tDelivering == this || std::this_thread::get_id() == dispatchThreadId_.load();
}

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
    if (rc < 0) deviceFailed_ = true;
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

void TApdBaseDispatcher::OutputThread() {
  {
    std::lock_guard guard(evLock_);
    ++threadsRunning_;
    evChanged_.notify_all();
  }
  for (;;) {
    if (WriteSome()) continue;
    std::unique_lock guard(lock_);
    bool held = (config_.hwFlow & hwfRequireDSR) && haveModemLines_ && !(msr_ & msrDSR);
    if (stop_) return;
    if (!outRing_.Empty() && !held) continue;
    outChanged_.wait(guard);
    if (stop_) return;
  }
}

void TApdBaseDispatcher::Wake() {
  std::lock_guard guard(evLock_);
  wake_ = true;
  evChanged_.notify_all();
}

// Writes one run of waiting output. Returns false when there was nothing to
// write (or, without threads, when the device takes nothing now).
bool TApdBaseDispatcher::WriteSome() {
  std::uint8_t buf[kWriteChunk];
  std::size_t len;
  std::uint64_t generation;
  {
    std::lock_guard guard(lock_);
    if (stop_) return false;
    bool held = (config_.hwFlow & hwfRequireDSR) && haveModemLines_ && !(msr_ & msrDSR);
    if (outRing_.Empty() || held) return false;
    len = std::min(outRing_.ContiguousUsed(), kWriteChunk);
    std::copy_n(outRing_.TailPtr(), len, buf);
    generation = outGeneration_;
    writing_ = true;
  }
  int n = device_->Write(buf, len);
  if (n == 0) {
    {
      std::lock_guard guard(lock_);
      writing_ = false;
    }
    if (!config_.threads) return false;
    // Blocks until the device takes output or the port closes; a flush in
    // the meantime is seen when the run is taken again.
    device_->WaitWritable(-1);
    return true;
  }
  bool wake;
  {
    std::lock_guard guard(lock_);
    writing_ = false;
    if (n < 0) {
      // The device refused the write outright: the bytes count as gone, so
      // that the thread does not try them again and again.
      if (generation == outGeneration_) outRing_.Clear();
      if (log_) log_->Add("Error", "Write", static_cast<std::uint32_t>(-n));
    } else if (generation == outGeneration_) {
      outRing_.Discard(static_cast<std::size_t>(n));
    }
    outChanged_.notify_all();
    wake = triggers_->OutputTriggersArmed();
  }
  if (wake && config_.threads) Wake();
  return true;
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

std::size_t TApdBaseDispatcher::ReadInput(std::vector<FiredTrigger>& fired) {
  std::uint8_t buf[4096];
  std::size_t total = 0;
  for (;;) {
    std::size_t room;
    {
      std::lock_guard guard(inLock_);
      room = inRing_.Free();
    }
    if (room == 0) break;
    int n = device_->Read(buf, std::min(room, sizeof buf));
    if (n < 0) {
      // A hung-up or failed line: the event thread stops waiting on it.
      std::lock_guard guard(evLock_);
      if (!deviceFailed_ && log_) log_->Add("Error", "Read", static_cast<std::uint32_t>(-n));
      deviceFailed_ = true;
      break;
    }
    if (n == 0) break;
    {
      std::lock_guard guard(inLock_);
      inRing_.Put(buf, static_cast<std::size_t>(n));
    }
    if (trace_) trace_->AddReceive(buf, static_cast<std::size_t>(n));
    {
      std::lock_guard guard(lock_);
      if (triggers_->HasDataTriggers())
        for (int i = 0; i < n; ++i) triggers_->FeedByte(buf[i], fired);
    }
    total += static_cast<std::size_t>(n);
  }
  UpdateThrottle();
  return total;
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

void TApdBaseDispatcher::Deliver(const std::vector<FiredTrigger>& fired) {
  if (fired.empty()) return;
  auto receivers = Receivers()->Snapshot();
  for (const FiredTrigger& f : fired) {
    TriggerMessage m{f.msg, f.handle, handle_, f.data};
    if (f.msg == kMsgTriggerAvail) {
      m.param = InBuffUsed();
      if (m.param == 0) continue;  // already read by an earlier receiver
    } else {
      // A trigger removed earlier in this walk is not delivered.
      std::lock_guard guard(lock_);
      if (!triggers_->Exists(f.handle)) continue;
    }
    if (log_)
      log_->Add(MessageName(f.msg),
                f.msg == kMsgTriggerStatus ? EventLog::StatusTypeName(f.handle & 7) : "",
                static_cast<std::uint32_t>(m.param));
    bool shared = f.msg == kMsgTriggerAvail || f.msg == kMsgTriggerData;
    if (shared) {
      std::lock_guard guard(inLock_);
      sharedReading_ = true;
    }
    std::size_t mostRead = 0;
    for (const auto& r : receivers) {
      if (r->removed) continue;
      if (shared) {
        std::lock_guard guard(inLock_);
        peek_ = 0;
      }
      auto call = [this, &r, &m] {
        // Looked at again where the receiver runs: a window receiver
        // deregistered on the main thread while its call waited in the queue
        // must not run, its owner may be gone.
        if (r->removed) return;
        const TApdBaseDispatcher* outer = tDelivering;
        tDelivering = this;
        try {
          r->fn(m);
        } catch (const std::exception& e) {
          if (log_) log_->Add("Error", std::string("Receiver: ") + e.what(), m.msg);
        } catch (...) {
          if (log_) log_->Add("Error", "Receiver", m.msg);
        }
        tDelivering = outer;
      };
      switch (r->kind) {
        case Receiver::kMethod:
          if (r->main)
            r->main->Send(call, -1, &sendCancel_);
          else
            call();
          break;
        case Receiver::kProc:
          call();
          break;
        case Receiver::kWindow:
          if (!r->main->Send(call, kWindowSendTimeoutMs, &sendCancel_) && !stop_ && log_)
            log_->Add("Timeout", "Window", m.msg);
          break;
      }
      if (shared) {
        std::lock_guard guard(inLock_);
        mostRead = std::max(mostRead, peek_);
      }
    }
    if (shared) {
      {
        std::lock_guard guard(inLock_);
        sharedReading_ = false;
        peek_ = 0;
        inRing_.Discard(mostRead);
      }
      UpdateThrottle();
    }
  }
}

// Input flow control: at BufferFull the dispatcher stops taking input from
// the device, so the device's own flow control (RTS/CTS or XOFF) holds the
// remote, and DTR drops when it is the throttle line; at BufferResume both
// are undone. A full ring stops input with or without flow control.
void TApdBaseDispatcher::UpdateThrottle() {
  std::size_t used = static_cast<std::size_t>(InBuffUsed());
  bool blocked;
  {
    std::lock_guard guard(lock_);
    bool flow = config_.hwFlow != 0 || config_.swFlow != swfNone;
    bool was = throttled_;
    if (flow && config_.bufferFull > 0) {
      if (!throttled_ && used >= static_cast<std::size_t>(config_.bufferFull)) throttled_ = true;
      if (throttled_ && used <= static_cast<std::size_t>(config_.bufferResume)) throttled_ = false;
    } else {
      throttled_ = false;
    }
    if (was != throttled_ && (config_.hwFlow & hwfUseDTR) && open_)
      device_->SetDTR(throttled_ ? false : dtr_);
    blocked = throttled_ || used >= kInputRingSize;
  }
  std::lock_guard guard(evLock_);
  if (inputBlocked_ != blocked) {
    inputBlocked_ = blocked;
    evChanged_.notify_all();
  }
}

// --- Output buffer ---

int TApdBaseDispatcher::PutBlock(const void* data, std::size_t n) {
  if (!open_) return ecNotOpen;
  if (n == 0) return ecOK;
  {
    std::lock_guard guard(lock_);
    if (n > outRing_.Capacity()) return ecBadArgument;
    if (outRing_.Free() < n) return ecOutputBufferFull;
    outRing_.Put(static_cast<const std::uint8_t*>(data), n);
    outPutTotal_ += n;
    outChanged_.notify_all();
  }
  if (trace_) trace_->AddTransmit(static_cast<const std::uint8_t*>(data), n);
  return ecOK;
}

int TApdBaseDispatcher::OutBuffUsed() const {
  std::lock_guard guard(lock_);
  return static_cast<int>(outRing_.Used());
}

int TApdBaseDispatcher::OutBuffFree() const {
  std::lock_guard guard(lock_);
  return static_cast<int>(outRing_.Free());
}

int TApdBaseDispatcher::FlushOutBuffer() {
  if (!open_) return ecNotOpen;
  std::lock_guard guard(lock_);
  outRing_.Clear();
  ++outGeneration_;
  outChanged_.notify_all();
  return device_->Flush(false, true);
}

bool TApdBaseDispatcher::WaitOutputDrained(int timeoutMs) {
  if (!open_) return true;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  if (!config_.threads) {
    while (WriteSome()) {
    }
  }
  {
    std::unique_lock guard(lock_);
    outChanged_.wait_until(guard, deadline,
                           [this] { return stop_ || (outRing_.Empty() && !writing_); });
    if (!outRing_.Empty() || writing_) return false;
  }
  // The device's own queue is only visible by asking; it drains at line speed.
  while (device_->OutQueueBytes() > 0) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

// --- Input buffer ---

int TApdBaseDispatcher::InBuffUsed() const {
  std::lock_guard guard(inLock_);
  return static_cast<int>(inRing_.Used() - (sharedReading_ ? peek_ : 0));
}

bool TApdBaseDispatcher::CharReady() const { return InBuffUsed() > 0; }

int TApdBaseDispatcher::GetChar(std::uint8_t& c) { return GetBlock(&c, 1) == 1 ? ecOK : ecReadBeyondEof; }

int TApdBaseDispatcher::PeekChar(std::uint8_t& c, std::size_t offset) const {
  std::lock_guard guard(inLock_);
  std::size_t start = sharedReading_ ? peek_ : 0;
  return inRing_.Peek(start + offset, &c, 1) == 1 ? ecOK : ecReadBeyondEof;
}

int TApdBaseDispatcher::GetBlock(void* out, std::size_t n) {
  auto* dst = static_cast<std::uint8_t*>(out);
  std::size_t got;
  {
    std::lock_guard guard(inLock_);
    if (sharedReading_) {
      got = inRing_.Peek(peek_, dst, n);
      peek_ += got;
      return static_cast<int>(got);
    }
    got = inRing_.Peek(0, dst, n);
    inRing_.Discard(got);
  }
  if (got > 0) UpdateThrottle();
  return static_cast<int>(got);
}

int TApdBaseDispatcher::FlushInBuffer() {
  if (!open_) return ecNotOpen;
  {
    std::lock_guard guard(inLock_);
    if (sharedReading_)
      peek_ = inRing_.Used();
    else
      inRing_.Clear();
  }
  int rc = device_->Flush(true, false);
  UpdateThrottle();
  return rc;
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

int TApdBaseDispatcher::SetFlow(THWFlowOptions hw, TSWFlowOptions sw, int bufferFull, int bufferResume) {
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

std::shared_ptr<ReceiverList> TApdBaseDispatcher::Receivers() const {
  std::lock_guard guard(lock_);
  return receivers_;
}

int TApdBaseDispatcher::RegisterMethodTriggerHandler(TriggerReceiver fn, IMainThreadDispatcher* sync) {
  return Receivers()->Add(Receiver::kMethod, std::move(fn), sync);
}

int TApdBaseDispatcher::RegisterProcTriggerHandler(TriggerReceiver fn) {
  return Receivers()->Add(Receiver::kProc, std::move(fn), nullptr);
}

int TApdBaseDispatcher::RegisterWndTriggerHandler(IMainThreadDispatcher& main, TriggerReceiver fn) {
  return Receivers()->Add(Receiver::kWindow, std::move(fn), &main);
}

int TApdBaseDispatcher::DeregisterTriggerHandler(int id) {
  return Receivers()->Remove(id) ? ecOK : ecBadArgument;
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
