#include "viewer/margin_tags.h"

#include <QLocale>

namespace telvane {

QString ReplaceMarginTags(const QString& caption, const MarginTagValues& values) {
  QString out;
  qsizetype i = 0;
  while (i < caption.size()) {
    const qsizetype dollar = caption.indexOf(QLatin1Char('$'), i);
    if (dollar < 0) {
      out += caption.mid(i);
      break;
    }
    out += caption.mid(i, dollar - i);
    qsizetype end = caption.indexOf(QLatin1Char(' '), dollar);
    if (end < 0) end = caption.size();
    const QChar letter = dollar + 1 < end ? caption[dollar + 1].toUpper() : QChar();
    const QLocale locale = QLocale::system();
    if (letter == QLatin1Char('D'))
      out += locale.toString(values.Now.date(), QLocale::ShortFormat);
    else if (letter == QLatin1Char('T'))
      out += locale.toString(values.Now.time(), QLocale::ShortFormat);
    else if (letter == QLatin1Char('F'))
      out += values.FileName;
    else if (letter == QLatin1Char('N'))
      out += QString::number(values.PageCount);
    else if (letter == QLatin1Char('P'))
      out += QString::number(values.Page);
    i = end;
  }
  return out;
}

}  // namespace telvane
