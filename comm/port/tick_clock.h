// Time in the comm and fax layers: ticks of 55 ms (18.2 per second) from one
// clock interface, tick timers, and the two delay functions.
#pragma once

#include <cstdint>
#include <functional>

namespace telvane {

using Ticks = std::uint32_t;

inline constexpr int kMsPerTick = 55;
// Longest duration a tick timer accepts. Well below 2^31, so that the modular
// difference of two tick counts keeps its sign across the wrap of the counter.
inline constexpr int kMaxTimerTicks = 39045157;

// Seconds to ticks as the fax layer counts them: seconds x 1675 / 92.
constexpr int SecsToTicks(int secs) {
  return static_cast<int>(static_cast<std::int64_t>(secs) * 1675 / 92);
}

class ITickClock {
 public:
  virtual ~ITickClock() = default;
  // The current tick; wraps at 2^32.
  virtual Ticks Now() const = 0;
  // Blocks the calling thread for ms milliseconds.
  virtual void SleepMs(int ms) = 0;
};

// Ticks from std::chrono::steady_clock.
class SteadyTickClock : public ITickClock {
 public:
  Ticks Now() const override;
  void SleepMs(int ms) override;
};

// The process-wide real clock.
ITickClock& RealTickClock();

// A start and an expiry tick.
struct EventTimer {
  Ticks startTicks = 0;
  Ticks expireTicks = 0;
};

// Starts a timer of `ticks` ticks (capped at kMaxTimerTicks, negative as 0).
EventTimer NewTimer(const ITickClock& clock, int ticks);
// True once the current tick is past the expiry tick.
bool TimerExpired(const ITickClock& clock, const EventTimer& timer);
int ElapsedTicks(const ITickClock& clock, const EventTimer& timer);
int RemainingTicks(const ITickClock& clock, const EventTimer& timer);

// Waits ms milliseconds (the short fixed pauses of the modem dialogue).
void DelayMs(ITickClock& clock, int ms);

// Waits `ticks` ticks while keeping the main thread's work flowing: `pump`
// runs pending main-thread work and returns false once the application is
// quitting, which ends the wait early with ecGotQuitMsg. Returns ecOK otherwise.
int DelayTicks(ITickClock& clock, int ticks, const std::function<bool()>& pump);

}  // namespace telvane
