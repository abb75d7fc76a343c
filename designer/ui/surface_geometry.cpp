// Drag, nudge and status line rules of the design surface.
#include "designer/ui/surface_geometry.h"

#include <QStringList>
#include <algorithm>

#include "designer/fax_panel.h"
#include "designer/fcp_units.h"

namespace telvane {
namespace {

enum class Side { None, Low, High };  // Low = left/top, High = right/bottom

struct Sides {
  Side Horizontal;
  Side Vertical;
};

Sides SidesOf(DragMode mode) {
  switch (mode) {
    case DragMode::Right: return {Side::High, Side::None};
    case DragMode::Left: return {Side::Low, Side::None};
    case DragMode::Bottom: return {Side::None, Side::High};
    case DragMode::Top: return {Side::None, Side::Low};
    case DragMode::TopRight: return {Side::High, Side::Low};
    case DragMode::BottomLeft: return {Side::Low, Side::High};
    case DragMode::BottomRight: return {Side::High, Side::High};
    case DragMode::TopLeft: return {Side::Low, Side::Low};
    default: return {Side::None, Side::None};
  }
}

DragMode ModeOf(Sides s) {
  using H = Side;
  if (s.Horizontal == H::High) return s.Vertical == H::Low ? DragMode::TopRight
                                      : s.Vertical == H::High ? DragMode::BottomRight
                                                              : DragMode::Right;
  if (s.Horizontal == H::Low) return s.Vertical == H::Low ? DragMode::TopLeft
                                     : s.Vertical == H::High ? DragMode::BottomLeft
                                                             : DragMode::Left;
  return s.Vertical == H::Low ? DragMode::Top : s.Vertical == H::High ? DragMode::Bottom : DragMode::None;
}

Side Opposite(Side s) { return s == Side::Low ? Side::High : s == Side::High ? Side::Low : Side::None; }

// One axis of a resize. `pos`/`size` are the field's, `pointer` the page
// coordinate of the pointer, `extent` the page's size on this axis.
struct Axis {
  int Pos;
  int Size;
};

Axis ResizeAxis(Side side, int pos, int size, int pointer, int extent, bool snap,
                int (TFaxPanel::*snapPos)(int) const, int (TFaxPanel::*snapSize)(int, int) const,
                const TFaxPanel& page) {
  if (side == Side::High) {
    int s = std::clamp(pointer - pos, 0, std::max(0, extent - pos));
    if (snap) s = (page.*snapSize)(s, pos);
    return {pos, s};
  }
  if (side == Side::Low) {
    const int oldEnd = pos + size;
    int p = std::clamp(pointer, 0, std::max(0, oldEnd));
    if (snap) p = (page.*snapPos)(p);
    int s = std::clamp(oldEnd - p, 0, std::max(0, extent - p));
    if (snap) s = (page.*snapSize)(s, p);
    return {p, s};
  }
  return {pos, size};
}

// One axis of a move: the new position of a field of `size` moved by
// `delta`, kept on the page and on the grid.
int MoveAxis(int pos, int size, int delta, int extent, bool snap, int spacing, int limit, int snapped(const TFaxPanel&, int),
             const TFaxPanel& page) {
  int p = std::clamp(pos + delta, 0, std::max(0, extent - size));
  if (snap) {
    p = snapped(page, p);
    if (p + size - 1 > limit) p -= spacing;
    // A field as large as the page keeps to its edge rather than leave it.
    p = std::max(p, 0);
  }
  return p;
}

int SnapXOf(const TFaxPanel& page, int v) { return page.SnapX(v); }
int SnapYOf(const TFaxPanel& page, int v) { return page.SnapY(v); }

}  // namespace

QRect HandleRect(DragMode kind, const QRect& f) {
  const int l = f.left(), t = f.top(), w = f.width(), h = f.height();
  QPoint at;
  switch (kind) {
    case DragMode::Right: at = {l + w - 3, t + h / 2 - 2}; break;
    case DragMode::Left: at = {l - 2, t + h / 2 - 2}; break;
    case DragMode::Bottom: at = {l + w / 2 - 2, t + h - 3}; break;
    case DragMode::Top: at = {l + w / 2 - 2, t - 2}; break;
    case DragMode::TopRight: at = {l + w - 3, t - 2}; break;
    case DragMode::BottomLeft: at = {l - 2, t + h - 3}; break;
    case DragMode::BottomRight: at = {l + w - 3, t + h - 3}; break;
    case DragMode::TopLeft: at = {l - 2, t - 2}; break;
    default: return QRect();
  }
  return QRect(at, QSize(kHandleSize, kHandleSize));
}

Qt::CursorShape DragCursor(DragMode mode) {
  switch (mode) {
    case DragMode::Right:
    case DragMode::Left: return Qt::SizeHorCursor;
    case DragMode::Bottom:
    case DragMode::Top: return Qt::SizeVerCursor;
    case DragMode::TopRight:
    case DragMode::BottomLeft: return Qt::SizeBDiagCursor;
    case DragMode::BottomRight:
    case DragMode::TopLeft: return Qt::SizeFDiagCursor;
    default: return Qt::ArrowCursor;
  }
}

DragMode FlippedMode(DragMode mode, bool widthCollapsed, bool heightCollapsed) {
  Sides s = SidesOf(mode);
  if (s.Horizontal == Side::None && s.Vertical == Side::None) return mode;
  if (widthCollapsed) s.Horizontal = Opposite(s.Horizontal);
  if (heightCollapsed) s.Vertical = Opposite(s.Vertical);
  return ModeOf(s);
}

DragResult DragStep(const TFaxPanel& page, DragMode mode, const QRect& field, QPoint pointer, QPoint lastPoint) {
  const bool snap = page.SnapToGrid();
  DragResult r{field, mode, lastPoint};
  if (mode == DragMode::Move) {
    const QPoint p(std::clamp(pointer.x(), 0, page.Width()), std::clamp(pointer.y(), 0, page.Height()));
    const int left = MoveAxis(field.left(), field.width(), p.x() - lastPoint.x(), page.Width(), snap,
                              page.HorzGridSpacing(), page.SnapLimitX(), SnapXOf, page);
    const int top = MoveAxis(field.top(), field.height(), p.y() - lastPoint.y(), page.Height(), snap,
                             page.VertGridSpacing(), page.SnapLimitY(), SnapYOf, page);
    r.Bounds.moveTo(left, top);
    r.LastPoint = lastPoint + QPoint(left - field.left(), top - field.top());
    return r;
  }
  const Sides sides = SidesOf(mode);
  if (sides.Horizontal == Side::None && sides.Vertical == Side::None) return r;
  const Axis h = ResizeAxis(sides.Horizontal, field.left(), field.width(), pointer.x(), page.Width(), snap,
                            &TFaxPanel::SnapX, &TFaxPanel::SnapWidth, page);
  const Axis v = ResizeAxis(sides.Vertical, field.top(), field.height(), pointer.y(), page.Height(), snap,
                            &TFaxPanel::SnapY, &TFaxPanel::SnapHeight, page);
  r.Bounds = QRect(h.Pos, v.Pos, h.Size, v.Size);
  r.Mode = FlippedMode(mode, sides.Horizontal != Side::None && h.Size < 2, sides.Vertical != Side::None && v.Size < 2);
  r.LastPoint = pointer;
  return r;
}

QRect NudgedBounds(const TFaxPanel& page, const QRect& field, int dx, int dy, bool resize) {
  const bool snap = page.SnapToGrid();
  if (snap) dx *= page.HorzGridSpacing(), dy *= page.VertGridSpacing();
  QRect b = field;
  if (resize) {
    int w = std::clamp(b.width() + dx, 1, std::max(1, page.Width() - b.left()));
    int h = std::clamp(b.height() + dy, 1, std::max(1, page.Height() - b.top()));
    if (snap) w = page.SnapWidth(w, b.left()), h = page.SnapHeight(h, b.top());
    b.setSize(QSize(w, h));
    return b;
  }
  b.moveLeft(MoveAxis(b.left(), b.width(), dx, page.Width(), snap, page.HorzGridSpacing(), page.SnapLimitX(), SnapXOf,
                      page));
  b.moveTop(MoveAxis(b.top(), b.height(), dy, page.Height(), snap, page.VertGridSpacing(), page.SnapLimitY(), SnapYOf,
                     page));
  return b;
}

QString FieldStatusText(const TFaxPanel& page, uint8_t unit, const QRect& f) {
  double v[4] = {page.InchesFromPixelsX(f.width()), page.InchesFromPixelsY(f.height()),
                 page.InchesFromPixelsX(f.left()), page.InchesFromPixelsY(f.top())};
  if (unit == 1) {
    for (double& x : v) x = InchesToMillimetres(x);
    return QString::asprintf("%1.2f x %1.2f mm at (%1.2f, %1.2f)", v[0], v[1], v[2], v[3]);
  }
  return QString::asprintf("%1.2f\" x %1.2f\" at (%1.2f\", %1.2f\")", v[0], v[1], v[2], v[3]);
}


}  // namespace telvane
