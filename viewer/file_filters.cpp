#include "viewer/file_filters.h"

namespace telvane {

QStringList NameFiltersFromPairs(const QString& pairs) {
  const QStringList parts = pairs.split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i].trimmed();
    // Qt reads the patterns from the last parentheses of an entry.
    if (description.endsWith(QLatin1Char(')'))) {
      const qsizetype open = description.lastIndexOf(QLatin1Char('('));
      if (open > 0) description = description.left(open).trimmed();
    }
    QStringList patterns;
    for (const QString& raw : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
      const QString p = raw.trimmed();
      if (p == QLatin1String("*.*") || p == QLatin1String("*")) {
        if (!patterns.contains(QStringLiteral("*"))) patterns << QStringLiteral("*");
        continue;
      }
      for (const QString& spelling : {p, p.toLower(), p.toUpper()})
        if (!spelling.isEmpty() && !patterns.contains(spelling)) patterns << spelling;
    }
    filters << QStringLiteral("%1 (%2)").arg(description, patterns.join(QLatin1Char(' ')));
  }
  return filters;
}

QString QtFileFilter(const QString& pairs) { return NameFiltersFromPairs(pairs).join(QStringLiteral(";;")); }

}  // namespace telvane
