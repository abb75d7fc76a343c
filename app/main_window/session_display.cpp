#include "app/main_window/session_display.h"

#include "app/dialogs/fax_status_form.h"

namespace telvane {

QString ElapsedColumn(int seconds) { return FormatElapsed(seconds).rightJustified(6, QLatin1Char(' ')); }

int PagePercent(long bytes, long length) {
  if (length <= 0) return 0;
  const long long scaled = static_cast<long long>(bytes) * 100;
  long long q = scaled / length;
  const long long r = scaled % length;
  if (2 * r > length || (2 * r == length && (q % 2) != 0)) ++q;
  return static_cast<int>(q);
}

QString FaxClassLabel(int faxClass) {
  static const char* const kLabels[] = {"未知类型", "自动检测", "Class1", "Class2", "Class2_0"};
  if (faxClass < 0 || faxClass > 4) return QString();
  return QString::fromUtf8(kLabels[faxClass]);
}

QString ClockDate(int year, int month, int day) {
  return QStringLiteral("%1-%2-%3").arg(year).arg(month).arg(day);
}

}  // namespace telvane
