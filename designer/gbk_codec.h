// Texts of design files are stored in the GBK code page.
#pragma once

#include <QByteArray>
#include <QString>

namespace telvane {

// Bytes that are not valid GBK are replaced, never dropped silently.
QString FromGbk(const QByteArray& bytes);
// Characters GBK cannot hold become '?'.
QByteArray ToGbk(const QString& text);
// `text` in GBK, cut at a character boundary to at most `maxBytes` bytes.
QByteArray ToGbkLimited(const QString& text, int maxBytes);

}  // namespace telvane
