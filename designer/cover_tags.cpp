// Tag replacement and the date and time texts of cover pages.
#include "designer/cover_tags.h"

#include <QRegularExpression>

namespace telvane {

QString ReplaceTags(const QString& line, const TagValues& v) {
  const struct {
    char letter;
    QString value;
  } tags[] = {
      {'D', v.Date},         {'T', v.Time},           {'N', QString::number(v.PageCount)},
      {'P', QString::number(v.PageNumber)}, {'F', v.Sender}, {'R', v.Recipient},
      {'S', v.PageTitle},    {'I', v.StationID},
  };
  QString out = line;
  for (const auto& tag : tags) {
    const QString name = QStringLiteral("$") + QLatin1Char(tag.letter);
    qsizetype from = 0;
    for (;;) {
      const qsizetype at = out.indexOf(name, from, Qt::CaseInsensitive);
      if (at < 0) break;
      out.replace(at, 2, tag.value);
      from = at + tag.value.size();
    }
  }
  return out;
}

QString DateTagText(const QDate& date, const QLocale& locale) { return locale.toString(date, QLocale::ShortFormat); }

QString TimeTagText(const QTime& time, const QLocale& locale) {
  // The long format names the time zone ("t"); cover pages never showed one.
  QString format = locale.timeFormat(QLocale::LongFormat);
  static const QRegularExpression zone(QStringLiteral("\\s*[(\\[]?t+[)\\]]?"));
  format.remove(zone);
  // Seconds written with a unit instead of after a separator ("H時mm分ss秒",
  // "AP h시 m분 s초") go with their unit here; ShortenTimeText drops those
  // that follow a colon or a point.
  static const QRegularExpression unitSeconds(QStringLiteral("\\s*(?<![:.s])s{1,2}[^\\sA-Za-z:.']*"));
  format.remove(unitSeconds);
  return ShortenTimeText(locale.toString(time, format.trimmed()));
}

QString ShortenTimeText(const QString& longTime) {
  // Hours and minutes, then the seconds with their separator and any space
  // before an AM/PM designator.
  static const QRegularExpression seconds(QStringLiteral("(\\d[:.]\\d\\d)[:.]\\d\\d\\s*"));
  QString out = longTime;
  const QRegularExpressionMatch m = seconds.match(out);
  if (m.hasMatch()) out.replace(m.capturedStart(), m.capturedLength(), m.captured(1));
  return out.toLower();
}

}  // namespace telvane
