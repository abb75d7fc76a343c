// A tick clock that moves only when told to: sleeping advances it.
#pragma once

#include <atomic>
#include <cstdint>

#include "comm/port/tick_clock.h"

namespace telvane::test {

class FakeTickClock : public ITickClock {
 public:
  Ticks Now() const override { return static_cast<Ticks>(ms_.load() / kMsPerTick); }
  void SleepMs(int ms) override { Advance(ms); }

  void Advance(std::uint64_t ms) { ms_ += ms; }
  void AdvanceTicks(std::uint64_t ticks) { ms_ += ticks * kMsPerTick; }
  // Puts the clock at the start of tick t.
  void SetTicks(std::uint64_t t) { ms_ = t * kMsPerTick; }

 private:
  std::atomic<std::uint64_t> ms_{0};
};

}  // namespace telvane::test
