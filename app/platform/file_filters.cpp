#include "app/platform/file_filters.h"

#include <QStringList>

namespace telvane {

QString QtFileFilter(const QString& described) {
  const QStringList parts = described.split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns;
    for (const QString& raw : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
      const QString p = raw.trimmed();
      if (p == QLatin1String("*.*")) {
        patterns << QStringLiteral("*");
        continue;
      }
      for (const QString& variant : {p, p.toLower(), p.toUpper()})
        if (!patterns.contains(variant)) patterns << variant;
    }
    filters << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
  }
  return filters.join(QStringLiteral(";;"));
}

}  // namespace telvane
