// A wall clock fixed at 2025-12-09 10:30:00 UTC. Setting it up also puts the
// process in the UTC time zone, so local-time texts are the same everywhere.
#pragma once

#include <cstdlib>
#include <ctime>

#include "base/wall_clock.h"

namespace telvane::test {

inline constexpr std::time_t kFixedNow = 1765276200;
// kFixedNow as the "%x %X" of the C locale writes it.
inline constexpr const char* kFixedNowText = "12/09/25 10:30:00";

inline WallClock FixedWallClock() {
  setenv("TZ", "UTC", 1);
  tzset();
  return [] { return kFixedNow; };
}

}  // namespace telvane::test
