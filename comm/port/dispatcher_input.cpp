// The input side of the dispatcher: reading the device into the input ring,
// input flow control, and reading the ring (shared during a delivery).
#include "comm/port/dispatcher.h"

#include <algorithm>

#include "base/error_codes.h"

namespace telvane {

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
      deviceFailed_ = deviceFailedSeen_ = true;
      break;
    }
    if (n == 0) break;
    {
      std::lock_guard guard(inLock_);
      inRing_.Put(buf, static_cast<std::size_t>(n));
    }
    if (trace_) trace_->AddReceive(buf, static_cast<std::size_t>(n));
    if (tap_) tap_->Feed(buf, static_cast<std::size_t>(n));
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

// --- Input buffer ---

std::size_t& TApdBaseDispatcher::SharedCursor() {
  if (DeliveringHere()) return peek_;
  taken_ = std::max(taken_, delivered_);
  return taken_;
}

int TApdBaseDispatcher::InBuffUsed() const {
  std::lock_guard guard(inLock_);
  const std::size_t start = !sharedReading_ ? 0 : DeliveringHere() ? peek_ : std::max(taken_, delivered_);
  return static_cast<int>(inRing_.Used() - std::min(start, inRing_.Used()));
}

bool TApdBaseDispatcher::CharReady() const { return InBuffUsed() > 0; }

int TApdBaseDispatcher::GetChar(std::uint8_t& c) { return GetBlock(&c, 1) == 1 ? ecOK : ecReadBeyondEof; }

int TApdBaseDispatcher::PeekChar(std::uint8_t& c, std::size_t offset) const {
  std::lock_guard guard(inLock_);
  const std::size_t start = !sharedReading_ ? 0 : DeliveringHere() ? peek_ : std::max(taken_, delivered_);
  return inRing_.Peek(start + offset, &c, 1) == 1 ? ecOK : ecReadBeyondEof;
}

int TApdBaseDispatcher::GetBlock(void* out, std::size_t n) {
  auto* dst = static_cast<std::uint8_t*>(out);
  std::size_t got;
  {
    std::lock_guard guard(inLock_);
    if (sharedReading_) {
      std::size_t& cursor = SharedCursor();
      got = inRing_.Peek(cursor, dst, n);
      cursor += got;
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
    if (sharedReading_) {
      // Gone for the receivers still to come as well.
      taken_ = inRing_.Used();
      if (DeliveringHere()) peek_ = taken_;
    } else {
      inRing_.Clear();
    }
  }
  int rc = device_->Flush(true, false);
  UpdateThrottle();
  return rc;
}

}  // namespace telvane
