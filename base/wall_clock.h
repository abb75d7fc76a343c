// The wall clock behind every date the program writes: header lines, the
// creation time of received faxes, history lines and date-based file names.
// Everything that reads it takes a WallClock, so tests can fix the time.
#pragma once

#include <ctime>
#include <functional>
#include <string>

namespace telvane {

using WallClock = std::function<std::time_t()>;

// The system's clock.
std::time_t SystemTime();

// `t` in the local time zone, formatted with strftime's `format`.
std::string FormatLocalTime(std::time_t t, const char* format);

}  // namespace telvane
