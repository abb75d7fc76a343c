// GBK text files through Qt's codecs, written through the converter's
// output file so that a save is all or nothing.
#include "designer/windows/gbk_text_file.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include "base/error_codes.h"
#include "faxdoc/output_file.h"

namespace telvane {
namespace {

constexpr char kCodePage[] = "GBK";

// Line and column (both from 1) of a position, for messages.
void LineAndColumn(const QString& text, qsizetype pos, int& line, int& column) {
  line = 1;
  qsizetype lineStart = 0;
  for (qsizetype i = 0; i < pos; ++i) {
    if (text[i] == QLatin1Char('\n')) ++line, lineStart = i + 1;
  }
  column = static_cast<int>(pos - lineStart) + 1;
}

}  // namespace

QStringList SplitTextLines(const QString& text) {
  QStringList lines;
  qsizetype start = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c != QLatin1Char('\r') && c != QLatin1Char('\n')) continue;
    lines.append(text.mid(start, i - start));
    if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.append(text.mid(start));
  return lines;
}

qsizetype FirstNonGbkCharacter(const QString& text) {
  // The encoder substitutes what it cannot encode, so each character (a
  // surrogate pair counts as one) is tried on its own round trip.
  for (qsizetype i = 0; i < text.size();) {
    const qsizetype len = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    const QString one = text.mid(i, len);
    QStringEncoder encoder(kCodePage);
    const QByteArray bytes = encoder.encode(one);
    QStringDecoder decoder(kCodePage);
    const QString back = decoder.decode(bytes);
    if (encoder.hasError() || decoder.hasError() || back != one) return i;
    i += len;
  }
  return -1;
}

TextFileResult ReadGbkLines(const QString& fileName, QStringList& lines) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly))
    return {TextFileError::CannotRead, QStringLiteral("无法打开文件%1：%2").arg(fileName, file.errorString())};
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError)
    return {TextFileError::CannotRead, QStringLiteral("无法读取文件%1：%2").arg(fileName, file.errorString())};
  QStringDecoder decoder(kCodePage);
  lines = SplitTextLines(decoder.decode(bytes));
  return {};
}

TextFileResult WriteGbkLines(const QString& fileName, const QStringList& lines) {
  QString text;
  for (const QString& line : lines) text += line + QLatin1Char('\n');
  if (const qsizetype bad = FirstNonGbkCharacter(text); bad >= 0) {
    int line = 0, column = 0;
    LineAndColumn(text, bad, line, column);
    const qsizetype len = text[bad].isHighSurrogate() ? 2 : 1;
    return {TextFileError::NotGbk,
            QStringLiteral("第%1行第%2列的字符“%3”不能以GBK编码保存，文件%4没有保存。")
                .arg(line)
                .arg(column)
                .arg(text.mid(bad, len), fileName)};
  }
  QStringEncoder encoder(kCodePage);
  const QByteArray bytes = encoder.encode(text);
  const int rc = WriteWholeFile(QFile::encodeName(fileName).toStdString(),
                                reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size()));
  if (rc != ecOK)
    return {TextFileError::CannotWrite,
            QStringLiteral("无法保存文件%1：%2").arg(fileName, QString::fromUtf8(ErrorText(rc)))};
  return {};
}

}  // namespace telvane
