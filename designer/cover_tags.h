// Tags of cover page text: a dollar sign and one letter, replaced by a value
// when the page is drawn.
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace telvane {

struct TagValues {
  QString Date;        // $D
  QString Time;        // $T, already shortened
  int PageCount = 0;   // $N
  int PageNumber = 0;  // $P
  QString Sender;      // $F
  QString Recipient;   // $R
  QString PageTitle;   // $S
  QString StationID;   // $I
};

// Replaces the tags of one line in the order $D $T $N $P $F $R $S $I, each
// tag matched without regard to case. A value is not searched again for its
// own tag, but is for the tags that come after it (a sender containing $S
// receives the page title).
QString ReplaceTags(const QString& line, const TagValues& values);

// The date in the locale's short date format.
QString DateTagText(const QDate& date, const QLocale& locale);
// The time in the locale's long time format without its time zone, then
// shortened (ShortenTimeText).
QString TimeTagText(const QTime& time, const QLocale& locale);
// Drops the seconds and any space that follows them, and lower-cases the
// rest: "10:23:45 PM" becomes "10:23pm", "22:23:45" becomes "22:23". A text
// without seconds is only lower-cased.
QString ShortenTimeText(const QString& longTime);

}  // namespace telvane
