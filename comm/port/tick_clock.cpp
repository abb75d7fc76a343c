// The real tick clock, tick timers and delays.
#include "comm/port/tick_clock.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "base/error_codes.h"

namespace telvane {

Ticks SteadyTickClock::Now() const {
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now().time_since_epoch())
                .count();
  return static_cast<Ticks>(static_cast<std::uint64_t>(ms) / kMsPerTick);
}

void SteadyTickClock::SleepMs(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

ITickClock& RealTickClock() {
  static SteadyTickClock clock;
  return clock;
}

EventTimer NewTimer(const ITickClock& clock, int ticks) {
  ticks = std::clamp(ticks, 0, kMaxTimerTicks);
  EventTimer t;
  t.startTicks = clock.Now();
  t.expireTicks = t.startTicks + static_cast<Ticks>(ticks);
  return t;
}

// Tick counts are compared by their modular difference: a timer that spans
// the wrap of the counter expires on time instead of waiting for the counter
// to climb past a pre-wrap expiry value.
bool TimerExpired(const ITickClock& clock, const EventTimer& timer) {
  return static_cast<std::int32_t>(clock.Now() - timer.expireTicks) > 0;
}

int ElapsedTicks(const ITickClock& clock, const EventTimer& timer) {
  return static_cast<std::int32_t>(clock.Now() - timer.startTicks);
}

int RemainingTicks(const ITickClock& clock, const EventTimer& timer) {
  return std::max(0, static_cast<int>(static_cast<std::int32_t>(timer.expireTicks - clock.Now())));
}

void DelayMs(ITickClock& clock, int ms) { clock.SleepMs(ms); }

int DelayTicks(ITickClock& clock, int ticks, const std::function<bool()>& pump) {
  // Waking every 10 ms keeps the main thread responsive without spinning.
  constexpr int kSliceMs = 10;
  EventTimer timer = NewTimer(clock, ticks);
  for (;;) {
    if (pump && !pump()) return ecGotQuitMsg;
    if (TimerExpired(clock, timer)) return ecOK;
    clock.SleepMs(kSliceMs);
  }
}

}  // namespace telvane
