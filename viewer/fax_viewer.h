// TApdFaxViewer: a scrollable widget that shows one page of an APF fax file
// at a time, scaled by integer ratios, turned by quarter turns, in two
// colours, with a rubber-band selection that can be copied to the clipboard.
// Pages come from the fax unpacker through FaxPageStore; the drawing works on
// a copy of the current page stretched to its displayed size.
#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QImage>
#include <QRect>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <string>

#include "viewer/fax_page_store.h"
#include "faxdoc/fax_unpacker.h"
#include "viewer/page_bitmap_ops.h"

namespace telvane {

enum class ViewerBorderStyle { bsNone, bsSingle };

class TApdFaxViewer;
using ViewerFileDropEvent = std::function<void(TApdFaxViewer& Sender, const std::string& FileName)>;
using ViewerNotifyEvent = std::function<void(TApdFaxViewer& Sender)>;
using ViewerErrorEvent = std::function<void(TApdFaxViewer& Sender, int32_t ErrorCode)>;

class TApdFaxViewer : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit TApdFaxViewer(QWidget* parent = nullptr);
  ~TApdFaxViewer() override;

  // Published properties. Setters that fail raise the shared
  // exception for the code (EAPDException family).
  ViewerBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(ViewerBorderStyle v);
  QColor FGColor() const { return fgColor_; }
  void SetFGColor(const QColor& c);
  QColor BGColor() const { return bgColor_; }
  void SetBGColor(const QColor& c);
  bool Scaling() const { return scaling_; }
  void SetScaling(bool v);
  uint32_t HorizMult() const { return stored_.HorizMult; }
  uint32_t HorizDiv() const { return stored_.HorizDiv; }
  uint32_t VertMult() const { return stored_.VertMult; }
  uint32_t VertDiv() const { return stored_.VertDiv; }
  void SetHorizMult(uint32_t v);
  void SetHorizDiv(uint32_t v);
  void SetVertMult(uint32_t v);
  void SetVertDiv(uint32_t v);
  TAutoScaleMode AutoScaleMode() const { return autoScaleMode_; }
  void SetAutoScaleMode(TAutoScaleMode v);
  bool WhitespaceCompression() const { return whitespaceCompression_; }
  void SetWhitespaceCompression(bool v);
  uint32_t WhitespaceFrom() const { return whitespaceFrom_; }
  void SetWhitespaceFrom(uint32_t v);
  uint32_t WhitespaceTo() const { return whitespaceTo_; }
  void SetWhitespaceTo(uint32_t v);
  // Compression on or off with both numbers at once (kept while off), so
  // that no intermediate pair is checked; -1002 when to > from, and then
  // nothing changes.
  void SetWhitespace(bool on, uint32_t from, uint32_t to);
  uint32_t HorizScroll() const { return horizScroll_; }
  void SetHorizScroll(uint32_t v);
  uint32_t VertScroll() const { return vertScroll_; }
  void SetVertScroll(uint32_t v);
  // When false, files dropped on the viewer are refused.
  bool AcceptDragged() const { return acceptDragged_; }
  void SetAcceptDragged(bool v);
  bool LoadWholeFax() const { return loadWholeFax_; }
  void SetLoadWholeFax(bool v);
  Qt::CursorShape BusyCursor() const { return busyCursor_; }
  void SetBusyCursor(Qt::CursorShape v) { busyCursor_ = v; }
  const std::string& FileName() const { return fileName_; }
  // Opens the file (-2 missing, -8001 not APF, unpacking errors), then
  // Rotation and the four scale factors go back to 0 and 1. A missing or
  // non-APF file leaves the file on screen; an unpacking error closes it. An
  // empty name closes the file. The same name again does nothing.
  void SetFileName(const std::string& name);

  ViewerFileDropEvent OnDropFile;
  ViewerNotifyEvent OnPageChange;
  ViewerErrorEvent OnViewerError;

  // Run-time operations.
  unsigned ActivePage() const { return store_.IsOpen() ? currentPage_ : 0; }
  // Shows page n; -1002 outside 1..NumPages. Nothing while no file is open.
  void SetActivePage(unsigned page);
  unsigned NumPages() const { return store_.NumPages(); }
  int Rotation() const { return rotation_; }
  void SetRotation(int r);
  void SelectImage();      // -8050 without a file
  void CopyToClipboard();  // -8050 without a file, -8051 without a selection
  void BeginUpdate() { updateLock_ = true; }
  void EndUpdate();
  uint16_t PageFlags() const { return pageFlags_; }
  int PageWidth(unsigned page);
  int PageHeight(unsigned page);
  // Page n's bitmap, unpacked under the busy cursor when not in memory; an
  // unpacking error goes to OnViewerError and gives a null bitmap.
  const Bitmap& PageBitmap(unsigned page);

  // The window's side, used by the properties above and visible for tests.
  // Scale factors in effect: a pair whose multiplier equals its divisor is
  // kept as 1, 1; the page is shown again when they change, a file is open
  // and no update lock is held.
  void ApplyScale(const DisplayScale& scale);
  const DisplayScale& ScaleInEffect() const { return inEffect_; }
  QSize DisplayedSize() const { return QSize(displayedWidth_, displayedHeight_); }
  QPoint ScrollOffset() const;
  QPoint ScrollRange() const;
  bool HasSelection() const { return hasSelection_; }
  QRect Selection() const { return selection_; }  // corners inclusive, display pixels
  unsigned PagesInMemory() const { return store_.PagesInMemory(); }
  // Times a page was shown (drawn afresh); lets callers see redraws.
  unsigned ShowCount() const { return showCount_; }

  // Page navigation as the keys do it.
  void NextPage();
  void PrevPage();
  void FirstPage();
  void LastPage();
  // Handles a key of the viewer's keyboard table (page and scroll keys);
  // false for any other key. The viewer window also hands it the keys that
  // its other controls receive.
  bool HandleKey(const QKeyEvent& event);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void ForwardScale();
  void ForwardWhitespace();
  int OpenFile(const std::string& name);
  void CloseFile();
  void ShowPage();
  void BuildDisplayImage();
  void UpdateRanges();
  void ScrollTo(int x, int y);
  void ScrollBy(int dx, int dy);
  void DropSelection();
  void ExtendSelection(QPoint viewportPos);
  void AutoScrollTick();
  void SetBusy(bool busy);

  // Published state.
  ViewerBorderStyle borderStyle_ = ViewerBorderStyle::bsSingle;
  QColor fgColor_ = Qt::black;
  QColor bgColor_ = Qt::white;
  bool scaling_ = false;
  DisplayScale stored_;
  TAutoScaleMode autoScaleMode_ = asDoubleHeight;
  bool whitespaceCompression_ = false;
  uint32_t whitespaceFrom_ = 0, whitespaceTo_ = 0;
  uint32_t horizScroll_ = 8, vertScroll_ = 8;
  bool acceptDragged_ = true;
  bool loadWholeFax_ = false;
  Qt::CursorShape busyCursor_ = Qt::ArrowCursor;
  std::string fileName_;

  // Window state.
  FaxPageStore store_;
  unsigned currentPage_ = 0;
  int rotation_ = 0;
  DisplayScale inEffect_;
  int displayedWidth_ = 0, displayedHeight_ = 0;
  QImage display_;  // the current page at its displayed size, index 0 black, 1 white
  bool hasSelection_ = false;
  QRect selection_;
  QPoint anchor_;
  bool selecting_ = false;
  QPoint lastMouse_;
  QTimer autoScroll_;
  bool updateLock_ = false;
  bool showing_ = false;
  uint16_t pageFlags_ = 0;
  unsigned showCount_ = 0;
};

}  // namespace telvane
