#include "viewer/fax_viewer.h"

#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <filesystem>
#include <new>

#include "faxdoc/apf_file.h"
#include "base/exceptions.h"

namespace telvane {
namespace {

// A pair whose multiplier equals its divisor is the identity, kept as 1, 1.
DisplayScale Normalised(DisplayScale s) {
  if (s.HorizMult == s.HorizDiv) s.HorizMult = s.HorizDiv = 1;
  if (s.VertMult == s.VertDiv) s.VertMult = s.VertDiv = 1;
  return s;
}

}  // namespace

TApdFaxViewer::TApdFaxViewer(QWidget* parent) : QAbstractScrollArea(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  setFrameShape(QFrame::StyledPanel);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  autoScroll_.setInterval(50);
  connect(&autoScroll_, &QTimer::timeout, this, [this] { AutoScrollTick(); });
  store_.Busy = [this](bool busy) { SetBusy(busy); };
  store_.Unpacker().AutoScaleMode = autoScaleMode_;
}

TApdFaxViewer::~TApdFaxViewer() { CloseFile(); }

// ---- Published properties ----

void TApdFaxViewer::SetBorderStyle(ViewerBorderStyle v) {
  borderStyle_ = v;
  setFrameShape(v == ViewerBorderStyle::bsSingle ? QFrame::StyledPanel : QFrame::NoFrame);
}

void TApdFaxViewer::SetFGColor(const QColor& c) {
  if (c == fgColor_) return;
  fgColor_ = c;
  if (!display_.isNull()) display_.setColorTable({fgColor_.rgb(), bgColor_.rgb()});
  viewport()->update();
}

void TApdFaxViewer::SetBGColor(const QColor& c) {
  if (c == bgColor_) return;
  bgColor_ = c;
  if (!display_.isNull()) display_.setColorTable({fgColor_.rgb(), bgColor_.rgb()});
  viewport()->update();
}

void TApdFaxViewer::SetScaling(bool v) {
  if (v == scaling_) return;
  scaling_ = v;
  ApplyScale(v ? stored_ : DisplayScale{});
}

void TApdFaxViewer::ForwardScale() {
  if (scaling_) ApplyScale(stored_);
}

void TApdFaxViewer::SetHorizMult(uint32_t v) {
  if (v == 0 || v == stored_.HorizMult) return;
  stored_.HorizMult = v;
  ForwardScale();
}

void TApdFaxViewer::SetHorizDiv(uint32_t v) {
  if (v == 0 || v == stored_.HorizDiv) return;
  stored_.HorizDiv = v;
  ForwardScale();
}

void TApdFaxViewer::SetVertMult(uint32_t v) {
  if (v == 0 || v == stored_.VertMult) return;
  stored_.VertMult = v;
  ForwardScale();
}

void TApdFaxViewer::SetVertDiv(uint32_t v) {
  if (v == 0 || v == stored_.VertDiv) return;
  stored_.VertDiv = v;
  ForwardScale();
}

// Settings of the unpacker change what a page looks like: pages in memory are
// unpacked again and the current one shown anew.
void TApdFaxViewer::SetAutoScaleMode(TAutoScaleMode v) {
  if (v == autoScaleMode_) return;
  autoScaleMode_ = v;
  store_.Unpacker().AutoScaleMode = v;
  if (store_.IsOpen()) {
    store_.Reload();
    ShowPage();
  }
}

void TApdFaxViewer::SetWhitespaceCompression(bool v) {
  if (v == whitespaceCompression_) return;
  whitespaceCompression_ = v;
  ForwardWhitespace();
}

void TApdFaxViewer::SetWhitespaceFrom(uint32_t v) {
  if (v == whitespaceFrom_) return;
  whitespaceFrom_ = v;
  if (whitespaceCompression_) ForwardWhitespace();
}

void TApdFaxViewer::SetWhitespaceTo(uint32_t v) {
  if (v == whitespaceTo_) return;
  whitespaceTo_ = v;
  if (whitespaceCompression_) ForwardWhitespace();
}

void TApdFaxViewer::SetWhitespace(bool on, uint32_t from, uint32_t to) {
  // A refused pair leaves the settings as they were, so that they still say
  // what the page on screen shows.
  if (on && to > from) RaiseError(ecBadArgument);
  whitespaceCompression_ = on;
  if (on) {
    whitespaceFrom_ = from;
    whitespaceTo_ = to;
  }
  ForwardWhitespace();
}

// Gives the unpacker the pair in effect (0, 0 while compression is off); a
// "to" value above the "from" value is refused with -1002.
void TApdFaxViewer::ForwardWhitespace() {
  const uint32_t from = whitespaceCompression_ ? whitespaceFrom_ : 0;
  const uint32_t to = whitespaceCompression_ ? whitespaceTo_ : 0;
  if (to > from) RaiseError(ecBadArgument);
  TApdFaxUnpacker& u = store_.Unpacker();
  if (u.WhitespaceCompression == (from != 0 || to != 0) && u.WhitespaceFrom == from && u.WhitespaceTo == to) return;
  u.WhitespaceCompression = from != 0 || to != 0;
  u.WhitespaceFrom = from;
  u.WhitespaceTo = to;
  if (store_.IsOpen()) {
    store_.Reload();
    ShowPage();
  }
}

void TApdFaxViewer::SetHorizScroll(uint32_t v) {
  horizScroll_ = v;
  UpdateRanges();
}

void TApdFaxViewer::SetVertScroll(uint32_t v) {
  vertScroll_ = v;
  UpdateRanges();
}

void TApdFaxViewer::SetAcceptDragged(bool v) { acceptDragged_ = v; }

void TApdFaxViewer::SetLoadWholeFax(bool v) { loadWholeFax_ = v; }

void TApdFaxViewer::SetFileName(const std::string& name) {
  if (name == fileName_) return;
  if (name.empty()) {
    CloseFile();
    return;
  }
  if (const int rc = OpenFile(name); rc != ecOK) RaiseError(rc);
  fileName_ = name;
  stored_ = DisplayScale{};
}

// ---- Run-time operations ----

void TApdFaxViewer::SetActivePage(unsigned page) {
  if (!store_.IsOpen() || page == currentPage_) return;
  if (page < 1 || page > store_.NumPages()) RaiseError(ecBadArgument);
  currentPage_ = page;
  ShowPage();
}

void TApdFaxViewer::SetRotation(int r) {
  if (r < 0 || r > 3) RaiseError(ecBadArgument);
  if (!store_.IsOpen()) {
    rotation_ = r;
    return;
  }
  if (r == rotation_) return;
  const int rc = store_.Turn((r - rotation_ + 4) % 4);
  rotation_ = r;
  if (rc != ecOK) {
    CloseFile();
    if (OnViewerError) OnViewerError(*this, rc);
    return;
  }
  ShowPage();
}

void TApdFaxViewer::SelectImage() {
  if (!store_.IsOpen()) RaiseError(ecNoImageLoaded);
  selection_ = QRect(QPoint(0, 0), QPoint(displayedWidth_ - 1, displayedHeight_ - 1));
  hasSelection_ = displayedWidth_ > 0 && displayedHeight_ > 0;
  viewport()->update();
}

void TApdFaxViewer::CopyToClipboard() {
  if (!store_.IsOpen()) RaiseError(ecNoImageLoaded);
  if (!hasSelection_) RaiseError(ecNoImageBlockMarked);
  // The displayed image already is the page stretched by the factors in
  // effect, so the selection is cut from it as the user sees it.
  QImage block = display_.copy(selection_);
  if (block.isNull()) RaiseError(ecOutOfMemory);
  block.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
  QGuiApplication::clipboard()->setImage(block);
}

void TApdFaxViewer::EndUpdate() {
  updateLock_ = false;
  if (store_.IsOpen()) ShowPage();
}

int TApdFaxViewer::PageWidth(unsigned page) { return PageBitmap(page).Width(); }
int TApdFaxViewer::PageHeight(unsigned page) { return PageBitmap(page).Height(); }

const Bitmap& TApdFaxViewer::PageBitmap(unsigned page) {
  static const Bitmap kNone;
  if (!store_.IsOpen() || page < 1 || page > store_.NumPages()) return kNone;
  if (const int rc = store_.Load(page, rotation_); rc != ecOK) {
    if (OnViewerError) OnViewerError(*this, rc);
    return kNone;
  }
  return store_.PageBitmap(page);
}

void TApdFaxViewer::ApplyScale(const DisplayScale& scale) {
  const DisplayScale s = Normalised(scale);
  if (s == inEffect_) return;
  inEffect_ = s;
  if (store_.IsOpen() && !updateLock_) ShowPage();
}

QPoint TApdFaxViewer::ScrollOffset() const {
  return QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

QPoint TApdFaxViewer::ScrollRange() const {
  return QPoint(horizontalScrollBar()->maximum(), verticalScrollBar()->maximum());
}

void TApdFaxViewer::NextPage() {
  if (store_.IsOpen() && currentPage_ < store_.NumPages()) SetActivePage(currentPage_ + 1);
}

void TApdFaxViewer::PrevPage() {
  if (store_.IsOpen() && currentPage_ > 1) SetActivePage(currentPage_ - 1);
}

void TApdFaxViewer::FirstPage() {
  if (!store_.IsOpen()) return;
  if (currentPage_ == 1)
    ScrollTo(0, 0);
  else
    SetActivePage(1);
}

void TApdFaxViewer::LastPage() {
  if (!store_.IsOpen()) return;
  if (store_.NumPages() == 1 || currentPage_ == store_.NumPages())
    ScrollTo(0, 0);
  else
    SetActivePage(store_.NumPages());
}

// ---- Window side ----

int TApdFaxViewer::OpenFile(const std::string& name) {
  // A name that is missing or not a fax file leaves the file on screen alone.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(name, ec)) return ecFileNotFound;
  if (!IsApfFile(name)) return ecFaxBadFormat;
  CloseFile();
  const int rc = store_.Open(name, loadWholeFax_);
  if (rc != ecOK) return rc;
  currentPage_ = 1;
  rotation_ = 0;
  inEffect_ = DisplayScale{};
  ShowPage();
  return store_.IsOpen() ? ecOK : ecFaxBadFormat;
}

void TApdFaxViewer::CloseFile() {
  store_.Close();
  fileName_.clear();
  currentPage_ = 0;
  display_ = QImage();
  displayedWidth_ = displayedHeight_ = 0;
  pageFlags_ = 0;
  selecting_ = false;
  hasSelection_ = false;
  autoScroll_.stop();
  horizontalScrollBar()->setRange(0, 0);
  verticalScrollBar()->setRange(0, 0);
  viewport()->update();
}

void TApdFaxViewer::ShowPage() {
  if (showing_) return;  // a page is already being shown
  showing_ = true;
  int rc = store_.Load(currentPage_, rotation_);
  if (rc == ecOK) {
    pageFlags_ = store_.PageFlags(currentPage_);
    const Bitmap& page = store_.PageBitmap(currentPage_);
    displayedWidth_ = ScaledLength(page.Width(), inEffect_.HorizMult, inEffect_.HorizDiv);
    displayedHeight_ = ScaledLength(page.Height(), inEffect_.VertMult, inEffect_.VertDiv);
    try {
      BuildDisplayImage();
    } catch (const std::bad_alloc&) {
      rc = ecOutOfMemory;
    }
    if (rc == ecOK && display_.isNull() && displayedWidth_ > 0 && displayedHeight_ > 0) rc = ecOutOfMemory;
  }
  showing_ = false;
  if (rc != ecOK) {
    CloseFile();
    if (OnViewerError) OnViewerError(*this, rc);
    return;
  }
  horizontalScrollBar()->setValue(0);
  verticalScrollBar()->setValue(0);
  DropSelection();
  UpdateRanges();
  viewport()->update();
  ++showCount_;
  if (OnPageChange) OnPageChange(*this);
}

void TApdFaxViewer::BuildDisplayImage() {
  display_ = QImage();
  if (displayedWidth_ <= 0 || displayedHeight_ <= 0) return;
  const Bitmap& page = store_.PageBitmap(currentPage_);
  QImage image;
  if (inEffect_.Identity()) {
    image = ToMonoImage(page);
  } else {
    image = QImage(displayedWidth_, displayedHeight_, QImage::Format_Mono);
    if (!image.isNull())
      StretchMonoInto(page, inEffect_, displayedWidth_, displayedHeight_, image.bits(), image.bytesPerLine());
  }
  if (image.isNull()) return;
  image.setColorTable({fgColor_.rgb(), bgColor_.rgb()});
  display_ = std::move(image);
}

// Each axis: the page's overhang beyond the client area, or (when the page
// fits) the current offset, so that a window widened while scrolled can
// still scroll back.
void TApdFaxViewer::UpdateRanges() {
  const QSize client = viewport()->size();
  QScrollBar* h = horizontalScrollBar();
  QScrollBar* v = verticalScrollBar();
  h->setRange(0, client.width() >= displayedWidth_ ? h->value() : displayedWidth_ - client.width());
  v->setRange(0, client.height() >= displayedHeight_ ? v->value() : displayedHeight_ - client.height());
  h->setSingleStep(static_cast<int>(horizScroll_));
  h->setPageStep(static_cast<int>(horizScroll_) * 10);
  v->setSingleStep(static_cast<int>(vertScroll_));
  v->setPageStep(static_cast<int>(vertScroll_) * 10);
}

void TApdFaxViewer::ScrollTo(int x, int y) {
  horizontalScrollBar()->setValue(x);
  verticalScrollBar()->setValue(y);
}

void TApdFaxViewer::ScrollBy(int dx, int dy) {
  ScrollTo(horizontalScrollBar()->value() + dx, verticalScrollBar()->value() + dy);
}

void TApdFaxViewer::DropSelection() {
  if (hasSelection_ || selecting_) viewport()->update();
  hasSelection_ = false;
  selecting_ = false;
  autoScroll_.stop();
}

void TApdFaxViewer::SetBusy(bool busy) {
  if (busy)
    QGuiApplication::setOverrideCursor(QCursor(busyCursor_));
  else
    QGuiApplication::restoreOverrideCursor();
}

void TApdFaxViewer::paintEvent(QPaintEvent* event) {
  QPainter p(viewport());
  const QRect exposed = event->rect();
  const QPoint off = ScrollOffset();
  const QRect page = QRect(QPoint(0, 0), QSize(displayedWidth_, displayedHeight_)).translated(-off);
  // Only the exposed part of the page is converted for drawing.
  const QRect visible = page.intersected(exposed);
  if (!display_.isNull() && !visible.isEmpty())
    p.drawImage(visible.topLeft(), display_.copy(visible.translated(off)));
  const QRegion rest = QRegion(exposed).subtracted(visible);
  for (const QRect& r : rest) p.fillRect(r, bgColor_);
  if (hasSelection_ || selecting_) {
    p.setCompositionMode(QPainter::RasterOp_NotDestination);
    p.fillRect(selection_.translated(-off).intersected(exposed), Qt::white);
  }
}

void TApdFaxViewer::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateRanges();
}

void TApdFaxViewer::scrollContentsBy(int dx, int dy) {
  viewport()->scroll(dx, dy);
  if ((dx && horizontalScrollBar()->value() == 0) || (dy && verticalScrollBar()->value() == 0)) UpdateRanges();
}

void TApdFaxViewer::keyPressEvent(QKeyEvent* event) {
  if (HandleKey(*event))
    event->accept();
  else
    QAbstractScrollArea::keyPressEvent(event);
}

bool TApdFaxViewer::HandleKey(const QKeyEvent& event) {
  switch (event.key()) {
    case Qt::Key_PageUp: case Qt::Key_PageDown: case Qt::Key_Home: case Qt::Key_End:
    case Qt::Key_Left: case Qt::Key_Right: case Qt::Key_Up: case Qt::Key_Down:
      break;
    default:
      return false;
  }
  if (selecting_) return true;  // keys are ignored while a mouse selection runs
  const bool ctrl = event.modifiers() & Qt::ControlModifier;
  const int h = static_cast<int>(horizScroll_) * (ctrl ? 10 : 1);
  const int v = static_cast<int>(vertScroll_) * (ctrl ? 10 : 1);
  const QPoint off = ScrollOffset();
  switch (event.key()) {
    case Qt::Key_PageUp:
      if (ctrl) ScrollTo(off.x(), 0); else PrevPage();
      break;
    case Qt::Key_PageDown:
      if (ctrl) ScrollTo(off.x(), verticalScrollBar()->maximum()); else NextPage();
      break;
    case Qt::Key_Home:
      if (ctrl) FirstPage(); else ScrollTo(0, off.y());
      break;
    case Qt::Key_End:
      if (ctrl) LastPage(); else ScrollTo(horizontalScrollBar()->maximum(), off.y());
      break;
    case Qt::Key_Left: ScrollBy(-h, 0); break;
    case Qt::Key_Right: ScrollBy(h, 0); break;
    case Qt::Key_Up: ScrollBy(0, -v); break;
    case Qt::Key_Down: ScrollBy(0, v); break;
    default:
      break;
  }
  return true;
}

void TApdFaxViewer::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !store_.IsOpen()) return;
  DropSelection();
  const QPoint p = event->position().toPoint() + ScrollOffset();
  anchor_ = QPoint(std::clamp(p.x(), 0, std::max(0, displayedWidth_ - 1)),
                   std::clamp(p.y(), 0, std::max(0, displayedHeight_ - 1)));
  selection_ = QRect(anchor_, anchor_);
  selecting_ = true;
  lastMouse_ = event->position().toPoint();
}

void TApdFaxViewer::ExtendSelection(QPoint viewportPos) {
  const QPoint p = viewportPos + ScrollOffset();
  const QPoint c(std::clamp(p.x(), 0, std::max(0, displayedWidth_ - 1)),
                 std::clamp(p.y(), 0, std::max(0, displayedHeight_ - 1)));
  selection_ = QRect(QPoint(std::min(anchor_.x(), c.x()), std::min(anchor_.y(), c.y())),
                     QPoint(std::max(anchor_.x(), c.x()), std::max(anchor_.y(), c.y())));
  viewport()->update();
}

void TApdFaxViewer::mouseMoveEvent(QMouseEvent* event) {
  if (!selecting_) return;
  lastMouse_ = event->position().toPoint();
  ExtendSelection(lastMouse_);
  const QRect client = viewport()->rect();
  const bool outside = !client.contains(lastMouse_);
  if (outside && !autoScroll_.isActive())
    autoScroll_.start();
  else if (!outside)
    autoScroll_.stop();
}

// While the pointer is outside the client area with the button down, each
// tick scrolls towards it (two steps when it is more than 20 pixels out) and
// stretches the selection.
void TApdFaxViewer::AutoScrollTick() {
  if (!selecting_) {
    autoScroll_.stop();
    return;
  }
  const QRect client = viewport()->rect();
  const auto steps = [](int beyond) { return beyond > 20 ? 2 : beyond > 0 ? 1 : 0; };
  const int dx = steps(lastMouse_.x() - client.right()) - steps(client.left() - lastMouse_.x());
  const int dy = steps(lastMouse_.y() - client.bottom()) - steps(client.top() - lastMouse_.y());
  ScrollBy(dx * static_cast<int>(horizScroll_), dy * static_cast<int>(vertScroll_));
  ExtendSelection(lastMouse_);
}

void TApdFaxViewer::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !selecting_) return;
  selecting_ = false;
  autoScroll_.stop();
  // A click without movement marks nothing.
  hasSelection_ = selection_.right() > selection_.left() && selection_.bottom() > selection_.top();
  viewport()->update();
}

void TApdFaxViewer::dragEnterEvent(QDragEnterEvent* event) {
  if (acceptDragged_ && event->mimeData()->hasUrls())
    for (const QUrl& url : event->mimeData()->urls())
      if (url.isLocalFile()) {
        event->acceptProposedAction();
        return;
      }
  event->ignore();
}

void TApdFaxViewer::dragMoveEvent(QDragMoveEvent* event) {
  if (acceptDragged_) event->acceptProposedAction();
}

void TApdFaxViewer::dropEvent(QDropEvent* event) {
  if (!acceptDragged_) return;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (!url.isLocalFile()) continue;
    const std::string name = url.toLocalFile().toStdString();
    event->acceptProposedAction();
    try {
      // The file on screen dropped again is read afresh like any other, so
      // that it too comes up on page 1, unturned and at 1:1.
      if (name == fileName_) CloseFile();
      SetFileName(name);
    } catch (const EAPDException& e) {
      if (OnViewerError) OnViewerError(*this, e.ErrorCode());
      return;
    }
    if (OnDropFile) OnDropFile(*this, name);
    return;
  }
}

}  // namespace telvane
