// Rounding of design geometry to whole pixels.
#include "designer/fcp_units.h"

#include <cmath>
#include <limits>

namespace telvane {

int RoundToNearestEven(double value) {
  if (std::isnan(value)) return 0;
  if (value >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
  if (value <= static_cast<double>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
  // Computed without the floating-point environment, whose rounding mode a
  // library could have changed.
  const double floor = std::floor(value);
  const double diff = value - floor;
  double result = floor;
  if (diff > 0.5 || (diff == 0.5 && std::fmod(floor, 2.0) != 0.0)) result = floor + 1.0;
  return static_cast<int>(result);
}

}  // namespace telvane
