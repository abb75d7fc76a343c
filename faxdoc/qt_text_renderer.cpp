// The system-font text renderer on QtGui. Text is drawn without anti-aliasing
// so that a fax pixel is either black or white, exactly as it will be sent.
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>

#include <cstring>
#include <vector>

#include "base/error_codes.h"
#include "faxdoc/text_renderer.h"

namespace telvane {
namespace {

QFont MakeQFont(const FaxFontSpec& desc, bool doubleSize) {
  QFont font(QString::fromStdString(desc.Name));
  font.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::PreferMatch));
  font.setHintingPreference(QFont::PreferFullHinting);
  font.setBold(desc.Bold);
  font.setItalic(desc.Italic);
  font.setUnderline(desc.Underline);
  font.setStrikeOut(desc.StrikeOut);
  int pixels = desc.Height < 0 ? -desc.Height : desc.Height;
  if (pixels == 0) pixels = 13;
  font.setPixelSize(pixels);
  if (desc.Height > 0) {
    // A positive height names the whole cell: scale the em down to fit it.
    const int cell = QFontMetrics(font).height();
    if (cell > 0) font.setPixelSize(std::max(1, pixels * pixels / cell));
  }
  if (doubleSize) font.setPixelSize(font.pixelSize() * 2);
  return font;
}

class QtTextRenderer : public TextBitmapRenderer {
 public:
  int Setup(const FaxFontSpec& desc, bool doubleSize, int width) override {
    if (!QGuiApplication::instance()) return ecBadArgument;
    font_ = MakeQFont(desc, doubleSize);
    const int height = QFontMetrics(font_).boundingRect(QStringLiteral("Wy")).height();
    const int textHeight = std::max(QFontMetrics(font_).height(), height);
    const int bytesPerRow = ((width + 15) / 16) * 2;
    if (static_cast<long>(bytesPerRow) * textHeight > kMaxTextBitmapBytes) return ecEnhFontTooBig;
    width_ = width;
    height_ = textHeight;
    bytesPerRow_ = bytesPerRow;
    bits_.assign(static_cast<size_t>(bytesPerRow_) * height_, 0);
    return 0;
  }

  int Height() const override { return height_; }
  int BytesPerRow() const override { return bytesPerRow_; }

  void RenderLine(const std::string& utf8) override {
    QImage image(width_, height_, QImage::Format_Grayscale8);
    image.fill(255);
    {
      QPainter painter(&image);
      painter.setRenderHint(QPainter::TextAntialiasing, false);
      painter.setRenderHint(QPainter::Antialiasing, false);
      painter.setFont(font_);
      painter.setPen(Qt::black);
      painter.drawText(0, QFontMetrics(font_).ascent(), QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
    }
    std::memset(bits_.data(), 0, bits_.size());
    for (int y = 0; y < height_; ++y) {
      const uchar* src = image.constScanLine(y);
      uint8_t* dst = bits_.data() + static_cast<size_t>(y) * bytesPerRow_;
      for (int x = 0; x < width_; ++x)
        if (src[x] < 128) dst[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
    }
  }

  const uint8_t* Row(int row) const override { return bits_.data() + static_cast<size_t>(row) * bytesPerRow_; }

 private:
  QFont font_;
  int width_ = 0;
  int height_ = 0;
  int bytesPerRow_ = 0;
  std::vector<uint8_t> bits_;
};

}  // namespace

std::unique_ptr<TextBitmapRenderer> CreateSystemFontRenderer() { return std::make_unique<QtTextRenderer>(); }

}  // namespace telvane
