// Text layout and drawing of cover page fields on QtGui.
#include "designer/cover_renderer.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>
#include <algorithm>

#include "designer/fax_panel.h"

namespace telvane {

TagValues DrawContext::TagsOf(const TFaxPanel& page) const {
  const QDateTime now = Now ? Now() : QDateTime::currentDateTime();
  TagValues v;
  v.Date = DateTagText(now.date(), Locale);
  v.Time = TimeTagText(now.time(), Locale);
  v.PageCount = page.PageCount;
  v.PageNumber = page.PageNumber;
  v.Sender = page.Sender;
  v.Recipient = page.Recipient;
  v.PageTitle = page.PageTitle;
  v.StationID = page.StationID;
  return v;
}

namespace {

bool IsCjkCharset(uint8_t charset) {
  // Shift-JIS, Hangul, GB2312, Big5, Johab.
  return charset == 128 || charset == 129 || charset == 134 || charset == 136 || charset == 130;
}

bool HasNonLatinLetters(const QString& face) {
  return std::any_of(face.begin(), face.end(), [](QChar c) { return c.unicode() > 0x024F; });
}

bool IsChineseFaceName(const QString& face) {
  static const char* const kNames[] = {"SimSun", "NSimSun", "SimHei", "KaiTi", "KaiTi_GB2312", "FangSong",
                                       "FangSong_GB2312", "Microsoft YaHei", "MingLiU", "PMingLiU"};
  return std::any_of(std::begin(kNames), std::end(kNames),
                     [&](const char* n) { return face.compare(QLatin1String(n), Qt::CaseInsensitive) == 0; });
}

QString InstalledCjkFamily() {
  static const QString family = [] {
    static const char* const kPreferred[] = {"WenQuanYi Zen Hei", "Noto Sans CJK SC", "Noto Serif CJK SC",
                                             "Source Han Sans SC", "AR PL UMing CN", "Droid Sans Fallback"};
    for (const char* name : kPreferred)
      if (QFontDatabase::hasFamily(QString::fromLatin1(name))) return QString::fromLatin1(name);
    const QStringList any = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    return any.isEmpty() ? QString() : any.first();
  }();
  return family;
}

// Keeps the largest font this renderer draws to something a page can show.
constexpr int kMaxPixelSize = 2000;

}  // namespace

QString ResolveFaceName(const QString& face, uint8_t charset) {
  if (!face.isEmpty() && QFontDatabase::hasFamily(face)) return face;
  if (IsCjkCharset(charset) || HasNonLatinLetters(face) || IsChineseFaceName(face)) {
    const QString cjk = InstalledCjkFamily();
    if (!cjk.isEmpty()) return cjk;
  }
  return face;
}

QFont FieldQFont(const FieldFont& desc) {
  QFont font(ResolveFaceName(desc.Name, desc.Charset));
  font.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::PreferMatch));
  font.setHintingPreference(QFont::PreferFullHinting);
  font.setBold(desc.Bold);
  font.setItalic(desc.Italic);
  font.setUnderline(desc.Underline);
  font.setStrikeOut(desc.StrikeOut);
  if (desc.Pitch == kFixedPitch) {
    font.setFixedPitch(true);
    font.setStyleHint(QFont::Monospace, font.styleStrategy());
  }
  long long pixels = desc.Height < 0 ? -static_cast<long long>(desc.Height) : desc.Height;
  if (pixels == 0) pixels = 15;
  pixels = std::min<long long>(pixels, kMaxPixelSize);
  font.setPixelSize(static_cast<int>(pixels));
  if (desc.Height > 0) {
    // A positive height is the whole cell: scale the em down to fit it.
    const int cell = QFontMetrics(font).height();
    if (cell > 0) font.setPixelSize(std::max<int>(1, static_cast<int>(pixels * pixels / cell)));
  }
  return font;
}

int FieldLineHeight(const FieldFont& font) {
  const QFontMetrics m(FieldQFont(font));
  return m.height() + std::max(0, m.leading());
}

QColor FieldTextColor(uint32_t color) {
  if (color & kSystemColorFlag) {
    // The desktop colours a text could be given that are not dark: window,
    // button face, highlight text, button highlight, 3-D light, info back.
    switch (color & 0xFF) {
      case 5: case 14: case 20: return QColor(255, 255, 255);
      case 15: case 22: return QColor(192, 192, 192);
      case 24: return QColor(255, 255, 225);
      default: return QColor(0, 0, 0);
    }
  }
  return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

QStringList WrapFieldText(const QString& text, const FieldFont& desc, int width) {
  const QFont font = FieldQFont(desc);
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  QStringList lines;
  const QStringList paragraphs = text.split(QLatin1Char('\n'));
  for (const QString& paragraph : paragraphs) {
    if (paragraph.isEmpty()) {
      lines << QString();
      continue;
    }
    QTextLayout layout(paragraph, font);
    layout.setTextOption(option);
    layout.beginLayout();
    for (;;) {
      QTextLine line = layout.createLine();
      if (!line.isValid()) break;
      line.setLineWidth(std::max(width, 0));
    }
    layout.endLayout();
    for (int i = 0; i < layout.lineCount(); ++i) {
      const QTextLine line = layout.lineAt(i);
      lines << paragraph.mid(line.textStart(), line.textLength());
    }
  }
  return lines;
}

void DrawTextLine(QPainter& painter, QPoint topLeft, const QString& text, const QFont& font, const QColor& color) {
  if (text.isEmpty()) return;
  QTextLayout layout(text, font);
  QTextOption option;
  option.setWrapMode(QTextOption::NoWrap);
  layout.setTextOption(option);
  layout.beginLayout();
  QTextLine line = layout.createLine();
  if (line.isValid()) line.setLineWidth(1e6);
  layout.endLayout();
  painter.save();
  painter.setRenderHint(QPainter::TextAntialiasing, false);
  painter.setPen(color);
  layout.draw(&painter, topLeft);
  painter.restore();
}

void DrawStretchedPicture(QPainter& painter, const QRect& target, const QImage& picture) {
  if (picture.isNull() || target.width() <= 0 || target.height() <= 0) return;
  painter.save();
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter.drawImage(target, picture);
  painter.restore();
}

}  // namespace telvane
