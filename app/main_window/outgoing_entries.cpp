#include "app/main_window/outgoing_entries.h"

#include <QFileInfo>

namespace telvane {

QString EntryText(const OutgoingEntry& e) {
  QString text = e.phone + QLatin1Char('^') + e.faxFile;
  if (!e.cover.isEmpty()) text += QLatin1Char('^') + e.cover;
  return text;
}

OutgoingEntry ParseEntry(const QString& text) {
  OutgoingEntry e;
  const qsizetype first = text.indexOf(QLatin1Char('^'));
  if (first < 0) {
    e.phone = text;
    return e;
  }
  e.phone = text.left(first);
  const QString rest = text.mid(first + 1);
  const qsizetype second = rest.indexOf(QLatin1Char('^'));
  if (second < 0) {
    e.faxFile = rest;
  } else {
    e.faxFile = rest.left(second);
    e.cover = rest.mid(second + 1);
  }
  return e;
}

QString Shortened(const QString& text, int length) {
  return text.size() <= length ? text : text.left(length) + QStringLiteral("...");
}

QString EntryDisplayLine(const OutgoingEntry& e) {
  // Padded by hand: a path may hold "%1", which chained arg() calls would fill.
  return Shortened(e.phone).leftJustified(20) + QLatin1Char(' ') + Shortened(e.faxFile).leftJustified(20) +
         QLatin1Char(' ') + Shortened(e.cover).leftJustified(20);
}

QString ReceivedDisplayLine(const QString& fileName, qint64 size, const QString& dateTime) {
  return Shortened(QFileInfo(fileName).fileName()).leftJustified(25) + QLatin1Char(' ') +
         QString::number(size).leftJustified(20) + QLatin1Char(' ') + dateTime.leftJustified(20);
}

}  // namespace telvane
