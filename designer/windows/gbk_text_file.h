// Text documents and text covers on disk: lines of text in the GBK code
// page. Reading accepts CR, LF and CR LF line ends; writing ends every line
// with LF and replaces the file only when the whole text was written.
#pragma once

#include <QString>
#include <QStringList>

namespace telvane {

enum class TextFileError {
  None,
  CannotRead,   // the file cannot be opened or read
  CannotWrite,  // the file cannot be created, written or put in place
  NotGbk,       // the text holds a character GBK has no code for
};

struct TextFileResult {
  TextFileError Error = TextFileError::None;
  QString Message;  // the text shown to the user
  bool Ok() const { return Error == TextFileError::None; }
};

// The lines of `text` as a text file has them: a line break at the very end
// does not start another line ("a\nb\n" is two lines, "" none).
QStringList SplitTextLines(const QString& text);

// The position in `text` of the first character GBK cannot hold, or -1.
qsizetype FirstNonGbkCharacter(const QString& text);

// Reads a GBK text file into lines. Bytes that are not GBK become U+FFFD.
TextFileResult ReadGbkLines(const QString& fileName, QStringList& lines);

// Writes the lines, each followed by LF, in GBK. A text that GBK cannot hold
// is refused before anything is written; a failed write leaves an earlier
// file of that name as it was.
TextFileResult WriteGbkLines(const QString& fileName, const QStringList& lines);

}  // namespace telvane
