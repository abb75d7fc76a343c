// How the monitor page shows a running session: times, the page percent and
// the fax class.
#pragma once

#include <QString>

namespace telvane {

// The elapsed time as the monitor page shows it: minutes, ":", seconds with
// two digits, right-aligned in six characters ("  1:15").
QString ElapsedColumn(int seconds);
// bytes × 100 / length rounded to the nearest whole number, halves to the
// even neighbour; 0 for a length of 0.
int PagePercent(long bytes, long length);
// The class label for a component's FaxClass value 0..4.
QString FaxClassLabel(int faxClass);
// The date as "year-month-day" without leading zeros.
QString ClockDate(int year, int month, int day);

}  // namespace telvane
