// GBK through Qt's codecs (ICU on this platform).
#include "designer/gbk_codec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace telvane {

QString FromGbk(const QByteArray& bytes) {
  QStringDecoder decoder("GBK");
  return decoder.decode(bytes);
}

QByteArray ToGbk(const QString& text) {
  QStringEncoder encoder("GBK");
  QByteArray out = encoder.encode(text);
  return out;
}

QByteArray ToGbkLimited(const QString& text, int maxBytes) {
  QByteArray whole = ToGbk(text);
  if (whole.size() <= maxBytes) return whole;
  // GBK lead bytes are 0x81..0xFE; a trail byte may look like a lead byte,
  // so walk from the start to find where characters begin.
  int end = 0;
  for (int i = 0; i < whole.size();) {
    const int len = static_cast<unsigned char>(whole[i]) >= 0x81 && i + 1 < whole.size() ? 2 : 1;
    if (i + len > maxBytes) break;
    i += len;
    end = i;
  }
  return whole.left(end);
}

}  // namespace telvane
