// The dispatcher of one open port: it moves bytes between the device and two
// ring buffers on three threads (event, dispatch, output), watches triggers and
// hands fired triggers to their receivers.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "comm/port/flow_control.h"
#include "comm/port/receive_tap.h"
#include "comm/core/main_thread_dispatcher.h"
#include "comm/port/ring_buffer.h"
#include "comm/port/serial_device.h"
#include "comm/port/tick_clock.h"
#include "comm/port/trace_log.h"
#include "comm/port/trigger_table.h"
#include "comm/port/trigger_types.h"

namespace telvane {

// Size of the input ring.
inline constexpr std::size_t kInputRingSize = 8192;

struct DispatcherConfig {
  std::string devicePath;
  int inSize = 4096;
  int outSize = 4096;
  LineSettings line;
  bool dtr = true;
  bool rts = true;
  HWFlowOptionSet hwFlow = 0;
  TSWFlowOptions swFlow = swfNone;
  int bufferFull = 0;    // effective levels (EffectiveThresholds)
  int bufferResume = 0;
  // Without threads nothing moves until Pump() is called: tests drive the
  // dispatcher step by step on their own thread.
  bool threads = true;
};

// Receivers of fired triggers, kept apart from the dispatcher so that they
// survive a reopen of the port on another device.
class ReceiverList;

class TApdBaseDispatcher {
 public:
  // `trace` and `log` may be null; they must outlive the dispatcher.
  TApdBaseDispatcher(std::unique_ptr<ISerialDevice> device, ITickClock& clock,
                     CharTrace* trace = nullptr, EventLog* log = nullptr);
  ~TApdBaseDispatcher();
  TApdBaseDispatcher(const TApdBaseDispatcher&) = delete;
  TApdBaseDispatcher& operator=(const TApdBaseDispatcher&) = delete;

  // Opens the device, applies the settings and starts the threads. Returns 0
  // or the negative error (the device's negated errno when it cannot be opened).
  int Open(const DispatcherConfig& config);
  // Receives a copy of the input as it is read (set before Open).
  void SetReceiveTap(ReceiveTap* tap) { tap_ = tap; }
  // Starts the three threads; raises "Dispatcher already started" when running.
  void StartDispatcher();
  // Stops the threads (output, event, dispatch in that order) and closes the
  // device. Must not be called on the dispatch thread.
  void Close();
  // Tells the threads to stop without waiting for them; Close() then finishes.
  // With closeDevice the dispatch thread, as it ends, waits for the other two
  // and closes the device, so that a port closed from inside its own event
  // lets go of the device at once.
  void RequestStop(bool closeDevice = false);
  bool IsOpen() const;
  std::uint16_t Handle() const { return handle_; }
  // True on the dispatch thread, and on the main thread while it runs a
  // trigger delivery of this dispatcher.
  bool InDelivery() const;

  // One pass of the dispatch and output work, for dispatchers without threads.
  void Pump();

  // Output buffer. PutBlock takes all of the block or nothing (ecOutputBufferFull).
  int PutBlock(const void* data, std::size_t n);
  int OutBuffUsed() const;
  int OutBuffFree() const;
  int FlushOutBuffer();
  // Waits until the output buffer and the device's own queue are empty, at
  // most timeoutMs; returns whether they are.
  bool WaitOutputDrained(int timeoutMs);

  // Input buffer. During the delivery of an avail or data trigger, reading
  // does not remove bytes (shared reading).
  int InBuffUsed() const;
  bool CharReady() const;
  int GetChar(std::uint8_t& c);
  int PeekChar(std::uint8_t& c, std::size_t offset) const;
  // Returns the count read (up to n, possibly 0).
  int GetBlock(void* out, std::size_t n);
  int FlushInBuffer();

  // Lines.
  int SetDTR(bool on);
  int SetRTS(bool on);
  int SetBreak(bool on);
  // Modem status register: current lines and the changes since the last call.
  std::uint8_t ModemStatus();
  // Current modem lines (msr* high-nibble bits); does not clear the changes.
  std::uint8_t CurrentLines();
  // Line errors (le* bits without leBreak) since the last call; clears them.
  std::uint32_t LineError();
  // Whether a break arrived since the last call; clears it.
  bool LineBreak();
  // Whether a ring was seen since the last call; clears it.
  bool RingSeen();
  // Whether reading the device failed (a hang-up) since it was opened.
  bool DeviceFailed() const { return deviceFailedSeen_; }

  // Applies new line settings once the output has drained; nothing is written
  // to the device when they equal the current ones.
  int SetLine(const LineSettings& line);
  LineSettings Line() const;
  int SetFlow(HWFlowOptionSet hw, TSWFlowOptions sw, int bufferFull, int bufferResume);

  // Triggers.
  int AddTimerTrigger();
  int AddDataTrigger(std::string_view match, bool ignoreCase);
  int AddStatusTrigger(int type);
  int SetTimerTrigger(int handle, int ticks, bool activate);
  int SetStatusTrigger(int handle, std::uint32_t value, bool activate);
  int RemoveTrigger(int handle);
  void SetAvailTrigger(bool on);

  // Receivers, served in this order for every fired trigger: method receivers
  // (on the dispatch thread, or on the main thread with the dispatch thread
  // waiting when `sync` is given), procedure receivers (on the dispatch
  // thread), window receivers (on the main thread, given up after 3000 ms).
  // Each returns an id for DeregisterTriggerHandler.
  int RegisterMethodTriggerHandler(TriggerReceiver fn, IMainThreadDispatcher* sync = nullptr);
  int RegisterProcTriggerHandler(TriggerReceiver fn);
  int RegisterWndTriggerHandler(IMainThreadDispatcher& main, TriggerReceiver fn);
  int DeregisterTriggerHandler(int id);

  // What a reopen carries over to the next dispatcher.
  struct Carried {
    std::unique_ptr<TriggerTable> triggers;
    std::shared_ptr<ReceiverList> receivers;
    bool availOn = true;
  };
  Carried TakeCarried();
  void GiveCarried(Carried carried);

 private:
  void EventThread();
  void DispatchThread();
  void OutputThread();
  void StopThreads();
  std::shared_ptr<ReceiverList> Receivers() const;

  // The steps of one dispatch pass.
  void Pass(bool deviceEvent);
  void SampleLines();
  std::size_t ReadInput(std::vector<FiredTrigger>& fired);
  void Deliver(const std::vector<FiredTrigger>& fired);
  void UpdateThrottle();
  bool WriteSome();
  void Wake();

  std::unique_ptr<ISerialDevice> device_;
  ITickClock& clock_;
  CharTrace* trace_;
  ReceiveTap* tap_ = nullptr;
  EventLog* log_;
  std::uint16_t handle_;
  DispatcherConfig config_;
  std::atomic<bool> open_{false};

  // Guards the output ring, the triggers, the settings and the line state.
  mutable std::mutex lock_;
  std::condition_variable outChanged_;
  RingBuffer outRing_;
  std::uint64_t outGeneration_ = 0;
  std::uint64_t outPutTotal_ = 0;  // bytes ever put, for output-sent triggers
  bool writing_ = false;
  bool outputFailed_ = false;
  std::unique_ptr<TriggerTable> triggers_;
  std::shared_ptr<ReceiverList> receivers_;
  bool availOn_ = true;
  std::uint8_t msr_ = 0;
  std::uint8_t msrEvents_ = 0;     // deltas for the next walk
  std::uint8_t msrReadDelta_ = 0;  // deltas for ModemStatus()
  bool haveModemLines_ = false;
  bool haveCounters_ = false;
  LineCounters counters_;
  std::uint32_t lineEvents_ = 0;   // errors for the next walk
  std::uint32_t lineErrors_ = 0;   // errors for LineError()
  bool lineBreak_ = false;
  bool ringSeen_ = false;
  bool dtr_ = true;
  bool throttled_ = false;

  // Guards the input ring and shared reading.
  mutable std::mutex inLock_;
  RingBuffer inRing_;
  // During an avail or data delivery every receiver reads the same input
  // from its own cursor (peek_); delivered_ is the most a finished receiver
  // read, and that much goes afterwards. A reader outside the delivery
  // (another thread reading or flushing meanwhile) starts after what the
  // receivers read and takes input for good: taken_ counts it, and the
  // receivers after it no longer see it.
  bool sharedReading_ = false;
  std::size_t peek_ = 0;
  std::size_t delivered_ = 0;
  std::size_t taken_ = 0;
  // The read cursor of the calling thread while input is shared.
  std::size_t& SharedCursor();
  // True on the thread running this dispatcher's trigger delivery.
  bool DeliveringHere() const;

  // Thread hand-over: the event thread raises comEvent_, the dispatch thread
  // clears it when the event is processed (the ready signal).
  std::mutex evLock_;
  std::condition_variable evChanged_;
  bool comEvent_ = false;
  bool wake_ = false;
  bool inputBlocked_ = false;
  std::atomic<bool> stop_{false};
  bool deviceFailed_ = false;
  std::atomic<bool> deviceFailedSeen_{false};  // deviceFailed_, readable without evLock_
  bool started_ = false;
  int threadsRunning_ = 0;
  std::thread eventThread_;
  std::thread dispatchThread_;
  std::thread outThread_;
  std::atomic<std::thread::id> dispatchThreadId_{};
  SendCancel sendCancel_;
  std::atomic<bool> closeOnStop_{false};
};

}  // namespace telvane
