// Drawing, mouse selection and the cross-thread feed of the modem terminal.
#include "app/widgets/modem_terminal.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace telvane {
namespace {

constexpr int kMargin = 3;
constexpr int kCaretBlinkMs = 530;
const QColor kBackground(0, 0, 0);
const QColor kText(0xC0, 0xC0, 0xC0);

}  // namespace

ModemTerminal::ModemTerminal(QWidget* parent) : QWidget(parent) {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setStyleHint(QFont::Monospace);
  setFont(font);
  QFontMetrics metrics(font);
  cellSize_ = QSize(metrics.horizontalAdvance(QLatin1Char('M')), metrics.height());
  ascent_ = metrics.ascent();
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setCursor(Qt::IBeamCursor);
  caretTimer_.setInterval(kCaretBlinkMs);
  connect(&caretTimer_, &QTimer::timeout, this, [this] {
    caretOn_ = !caretOn_;
    update();
  });
}

ModemTerminal::~ModemTerminal() = default;

void ModemTerminal::Feed(const QByteArray& bytes) {
  if (!Active() || bytes.isEmpty()) return;
  bool post = false;
  {
    std::lock_guard<std::mutex> lock(pendingLock_);
    // One posted call drains everything queued until it runs.
    post = pending_.isEmpty();
    pending_.append(bytes);
  }
  if (post) QMetaObject::invokeMethod(this, [this] { ShowPending(); }, Qt::QueuedConnection);
}

void ModemTerminal::ShowPending() {
  QByteArray bytes;
  {
    std::lock_guard<std::mutex> lock(pendingLock_);
    bytes.swap(pending_);
  }
  if (bytes.isEmpty()) return;
  screen_.Write(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  caretOn_ = true;
  update();
}

void ModemTerminal::Clear() {
  {
    std::lock_guard<std::mutex> lock(pendingLock_);
    pending_.clear();
  }
  screen_.Clear();
  update();
}

QString ModemTerminal::SelectedText() const { return QString::fromLatin1(screen_.SelectedText()); }

void ModemTerminal::CopyToClipboard() {
  if (!screen_.HasSelection()) return;
  QGuiApplication::clipboard()->setText(SelectedText());
}

ScreenCell ModemTerminal::CellAt(const QPoint& point) const {
  const int column = (point.x() - kMargin) / std::max(1, cellSize_.width());
  const int row = (point.y() - kMargin) / std::max(1, cellSize_.height());
  return {std::clamp(row, 0, TtyScreen::kRows - 1), std::clamp(column, 0, TtyScreen::kColumns - 1)};
}

QSize ModemTerminal::sizeHint() const {
  return {TtyScreen::kColumns * cellSize_.width() + 2 * kMargin, TtyScreen::kRows * cellSize_.height() + 2 * kMargin};
}

void ModemTerminal::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), kBackground);
  p.setFont(font());
  const QPalette& pal = palette();
  const int cw = cellSize_.width(), ch = cellSize_.height();
  for (int row = 0; row < TtyScreen::kRows; ++row) {
    const int y = kMargin + row * ch;
    for (int column = 0; column < TtyScreen::kColumns; ++column) {
      const int x = kMargin + column * cw;
      const bool selected = screen_.IsSelected(row, column);
      if (selected) p.fillRect(x, y, cw, ch, pal.color(QPalette::Highlight));
      const unsigned char byte = screen_.At(row, column);
      if (byte == ' ') continue;
      p.setPen(selected ? pal.color(QPalette::HighlightedText) : kText);
      p.drawText(x, y + ascent_, QString(QChar::fromLatin1(static_cast<char>(byte))));
    }
  }
  // The caret: a bar under the cell the next character goes to; it blinks
  // while the terminal has the focus and stays on otherwise.
  if (caretOn_) {
    const int column = std::min(screen_.CursorColumn(), TtyScreen::kColumns - 1);
    const int x = kMargin + column * cw;
    const int y = kMargin + screen_.CursorRow() * ch;
    p.fillRect(x, y + ch - 2, cw, 2, kText);
  }
}

void ModemTerminal::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  dragAnchor_ = CellAt(event->position().toPoint());
  screen_.ClearSelection();
  update();
}

void ModemTerminal::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton)) return QWidget::mouseMoveEvent(event);
  screen_.Select(dragAnchor_, CellAt(event->position().toPoint()));
  update();
}

void ModemTerminal::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    CopyToClipboard();
    return;
  }
  QWidget::keyPressEvent(event);
}

void ModemTerminal::focusInEvent(QFocusEvent* event) {
  caretTimer_.start();
  QWidget::focusInEvent(event);
}

void ModemTerminal::focusOutEvent(QFocusEvent* event) {
  caretTimer_.stop();
  caretOn_ = true;
  update();
  QWidget::focusOutEvent(event);
}

}  // namespace telvane
