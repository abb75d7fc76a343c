// The output side of the dispatcher: the output ring, the output thread and
// the writes to the device.
#include "comm/port/dispatcher.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "base/error_codes.h"

namespace telvane {
namespace {

using namespace std::chrono_literals;

// Largest block handed to the device in one write.
constexpr std::size_t kWriteChunk = 16384;

}  // namespace

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

}  // namespace telvane
