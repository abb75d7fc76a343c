// Entries of the outgoing fax list: "phone^fax file" or "phone^fax file^cover",
// and the line the list box shows for each.
#pragma once

#include <QString>

namespace telvane {

struct OutgoingEntry {
  QString phone;
  QString faxFile;
  QString cover;  // empty: none
};

QString EntryText(const OutgoingEntry& entry);
// Splits at the first "^", then the rest at its next "^" (file, cover).
OutgoingEntry ParseEntry(const QString& text);
// At most 20 characters; a longer text keeps its first 20 and gets "...".
QString Shortened(const QString& text, int length = 20);
// The three fields shortened, each left-aligned in 20 characters, one blank apart.
QString EntryDisplayLine(const OutgoingEntry& entry);
// A received fax's list line: its name (without folders, shortened)
// left-aligned in 25, its size in 20, then the date and time.
QString ReceivedDisplayLine(const QString& fileName, qint64 size, const QString& dateTime);

}  // namespace telvane
