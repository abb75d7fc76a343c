// The simulated line's pace in end-to-end tests: line time per real time.
// The DTE's own pauses are real time, so the line may run only as fast as
// the peer's T.30 timers still allow for them. TELVANE_SIM_PACE, when set,
// overrides the defaults (on a slow or busy machine, a lower pace).
#pragma once

#include <cstdlib>

namespace telvane::test {

inline double SimPace(double fallback) {
  const char* v = std::getenv("TELVANE_SIM_PACE");
  return v ? std::atof(v) : fallback;
}
// Our sender calling out, and a caller sending to our receiver.
inline double SendPace() { return SimPace(4.0); }
inline double ReceivePace() { return SimPace(2.0); }

// TELVANE_E2E_TRACE set: the tests print what happened, failed or not.
inline bool TraceWanted() { return std::getenv("TELVANE_E2E_TRACE") != nullptr; }

}  // namespace telvane::test
