// Moves a port that runs without threads (manual dispatch) together with
// the fake clock, so that whole modem dialogues run on the test's thread.
#pragma once

#include <functional>

#include "comm/port/com_port.h"
#include "tests/support/comm/fake_tick_clock.h"

namespace telvane::test {

class PortDriver {
 public:
  PortDriver(TApdComPort& port, FakeTickClock& clock) : port_(port), clock_(clock) {}

  // Pumps the port, moving the clock on one tick after each pump, until
  // pred() holds or maxTicks ticks have passed. Returns pred().
  bool RunUntil(const std::function<bool()>& pred, int maxTicks) {
    for (int i = 0; i <= maxTicks; ++i) {
      port_.Pump();
      if (pred()) return true;
      clock_.AdvanceTicks(1);
    }
    return pred();
  }
  void RunFor(int ticks) {
    RunUntil([] { return false; }, ticks);
  }

 private:
  TApdComPort& port_;
  FakeTickClock& clock_;
};

}  // namespace telvane::test
