#include "faxdoc/transmission_report.h"

#include <QBuffer>
#include <QDateTime>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <filesystem>
#include <utility>
#include <vector>

#include "base/exceptions.h"
#include "faxdoc/fax_unpacker.h"
#include "faxdoc/mono_image.h"
#include "faxdoc/output_file.h"

namespace telvane {
namespace {

constexpr int kDotsPerInch = 300;

QString Text(const std::string& s) { return QString::fromUtf8(s.c_str()); }

// The report's fonts: without ligatures, so that its text is found and
// copied letter by letter ("fi" stays two letters).
QFont ReportFont(int points, QFont::Weight weight = QFont::Normal) {
  QFont font(QStringLiteral("DejaVu Sans"), points, weight);
  font.setStyleStrategy(QFont::PreferNoShaping);
  return font;
}

QString Duration(int seconds) {
  return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

// The fax's first page as it looks on paper (standard pages doubled in
// height), or a null image with `why` set.
QImage FirstPage(const std::string& fax, QString& why) {
  if (fax.empty()) return {};
  try {
    TApdFaxUnpacker unpacker;
    unpacker.SetInFileName(fax);
    QImage page = ToMonoImage(unpacker.PageToBitmap(1));
    if (page.isNull()) why = QStringLiteral("(the first page is too large to show)");
    return page;
  } catch (const EAPDException& e) {
    why = QStringLiteral("(the first page cannot be shown: %1)").arg(QString::fromUtf8(e.what()));
    return {};
  }
}

}  // namespace

std::string ReportFileForCall(const std::string& pdfFile, int call, int calls) {
  if (calls <= 1) return pdfFile;
  const std::filesystem::path path(pdfFile);
  std::filesystem::path named = path.parent_path() / (path.stem().string() + "-" + std::to_string(call));
  return named.string() + path.extension().string();
}

int WriteTransmissionReport(const std::string& pdfFile, const TransmissionFacts& facts) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&buffer);
    writer.setResolution(kDotsPerInch);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(20, 20, 20, 20),
                                     QPageLayout::Millimeter));
    writer.setTitle(QStringLiteral("Fax transmission report"));
    QPainter p(&writer);
    const QRect area = p.viewport();
    const int line = kDotsPerInch / 4;  // a 12-point line and a little
    int y = 0;

    p.setFont(ReportFont(18, QFont::Bold));
    p.drawText(QRect(0, y, area.width(), 2 * line), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Fax transmission report"));
    y += 2 * line;
    p.setFont(ReportFont(14, QFont::Bold));
    const bool ok = facts.resultCode == 0;
    p.drawText(QRect(0, y, area.width(), line + line / 2), Qt::AlignLeft | Qt::AlignVCenter,
               ok ? QStringLiteral("Sent") : QStringLiteral("Not sent"));
    y += 2 * line;

    const QString when = QDateTime::fromSecsSinceEpoch(facts.start).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    const std::vector<std::pair<QString, QString>> rows = {
        {QStringLiteral("Date and time"), when},
        {QStringLiteral("Number dialled"), Text(facts.number)},
        {QStringLiteral("Remote station"), facts.remoteId.empty() ? QStringLiteral("-") : Text(facts.remoteId)},
        {QStringLiteral("Pages sent"), QStringLiteral("%1 of %2").arg(facts.pagesSent).arg(facts.pagesInFax)},
        {QStringLiteral("Duration"), Duration(facts.durationSeconds)},
        {QStringLiteral("Speed"), facts.bps > 0 ? QStringLiteral("%1 bit/s").arg(facts.bps) : QStringLiteral("-")},
        {QStringLiteral("Result"), Text(facts.resultText)},
        {QStringLiteral("Our station"), facts.stationId.empty() ? QStringLiteral("-") : Text(facts.stationId)},
    };
    const QFont label = ReportFont(11);
    const QFont value = ReportFont(11, QFont::Bold);
    const int valueLeft = area.width() / 3;
    for (const auto& [name, text] : rows) {
      p.setFont(label);
      p.drawText(QRect(0, y, valueLeft, line), Qt::AlignLeft | Qt::AlignVCenter, name);
      p.setFont(value);
      p.drawText(QRect(valueLeft, y, area.width() - valueLeft, line), Qt::AlignLeft | Qt::AlignVCenter, text);
      y += line;
    }
    y += line;

    // The first page, reduced to half the report's width and kept in its
    // proportions, at the top of a frame at least as tall as a letter page
    // (a page that ends early ends there on paper too).
    QString why;
    const QImage page = FirstPage(facts.firstPageFax, why);
    if (!facts.firstPageFax.empty()) {
      p.setFont(label);
      p.drawText(QRect(0, y, area.width(), line), Qt::AlignLeft | Qt::AlignVCenter,
                 page.isNull() ? QStringLiteral("First page %1").arg(why) : QStringLiteral("First page"));
      y += line;
    }
    if (!page.isNull()) {
      const double scale = std::min(area.width() / 2.0 / page.width(), (area.height() - y) / 1.0 / page.height());
      const QRect target(0, y, qRound(page.width() * scale), qRound(page.height() * scale));
      const int frameHeight = std::min(area.height() - y, std::max(target.height(), target.width() * 11 * 2 / 17));
      p.setRenderHint(QPainter::SmoothPixmapTransform);
      p.drawImage(target, page);
      p.setPen(QPen(Qt::black, 2));
      p.drawRect(QRect(0, y, target.width(), frameHeight));
    }
  }
  const QByteArray& pdf = buffer.data();
  return WriteWholeFile(pdfFile, reinterpret_cast<const uint8_t*>(pdf.constData()), static_cast<size_t>(pdf.size()));
}

}  // namespace telvane
