// The geometry rules of the design surface, free of widgets: stretch handle
// placement, one step of a mouse drag (move, resize, clamping, snapping and
// the flip to the opposite side), keyboard nudges and the status line text.
#pragma once

#include <QPoint>
#include <QRect>
#include <QString>
#include <Qt>
#include <array>
#include <cstdint>

namespace telvane {

class TFaxPanel;

// What a drag does: 1 moves the field, 2 ... 9 are the stretch handles.
enum class DragMode : uint8_t {
  None = 0,
  Move = 1,
  Right = 2,
  Left = 3,
  Bottom = 4,
  Top = 5,
  TopRight = 6,
  BottomLeft = 7,
  BottomRight = 8,
  TopLeft = 9,
};

inline constexpr int kHandleSize = 5;

// The order in which a field creates its eight handles.
inline constexpr std::array<DragMode, 8> kHandleOrder = {DragMode::TopLeft,  DragMode::Top,         DragMode::TopRight,
                                                        DragMode::Right,    DragMode::BottomRight, DragMode::Bottom,
                                                        DragMode::BottomLeft, DragMode::Left};

// The 5 x 5 rectangle of a handle around a field's bounds (page pixels).
QRect HandleRect(DragMode kind, const QRect& field);
// The resize cursor of a handle kind; the arrow for Move and None.
Qt::CursorShape DragCursor(DragMode mode);

// The mode a drag continues in when it has collapsed the field's width
// and/or height below 2 pixels: the collapsed side flips to the opposite one.
DragMode FlippedMode(DragMode mode, bool widthCollapsed, bool heightCollapsed);

struct DragResult {
  QRect Bounds;
  DragMode Mode = DragMode::None;
  QPoint LastPoint;  // where the next step measures the pointer's distance from
};

// One step of dragging a field with bounds `field` on `page`: `pointer` is in
// page coordinates, `lastPoint` is where the previous step left the pointer.
// Snapping follows the page's snap setting.
DragResult DragStep(const TFaxPanel& page, DragMode mode, const QRect& field, QPoint pointer, QPoint lastPoint);

// A field moved (or, with `resize`, its right and bottom edges moved) by an
// arrow key: by one pixel, or by one grid spacing while snapping is on;
// kept on the page and snapped.
QRect NudgedBounds(const TFaxPanel& page, const QRect& field, int dx, int dy, bool resize);

// The status line for a field: width, height, left and top in inches
// (unit 0, each followed by the inch sign) or millimetres (unit 1).
QString FieldStatusText(const TFaxPanel& page, uint8_t unit, const QRect& field);



}  // namespace telvane
