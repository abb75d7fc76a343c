// TtyScreen: the screen of the modem terminal as a plain teletype of 80
// columns by 24 rows without scrollback. Bytes that arrive from the modem are
// written at the cursor; CR, LF, BS and TAB move it; every other control byte
// is ignored. Text that scrolls off the top is gone. A selection runs from one
// cell to another in reading order and can be read back as text. No Qt here:
// the widget (modem_terminal.h) draws this model.
#pragma once

#include <array>
#include <compare>
#include <string>
#include <string_view>

namespace telvane {

struct ScreenCell {
  int row = 0;
  int column = 0;
  auto operator<=>(const ScreenCell&) const = default;
};

class TtyScreen {
 public:
  static constexpr int kColumns = 80;
  static constexpr int kRows = 24;

  TtyScreen();

  // Writes received bytes. Printable ASCII (32..126) and printable Latin-1
  // (160..255) are stored as they are; everything else only moves the cursor
  // (CR, LF, BS, TAB) or is dropped.
  void Write(std::string_view bytes);
  // Blank screen, cursor home, no selection.
  void Clear();

  // The byte in a cell; ' ' for a blank one.
  unsigned char At(int row, int column) const;
  // The whole row, kColumns bytes.
  std::string Row(int row) const;

  // The cursor. After a character in the last column the cursor stands just
  // past it (column kColumns): the next printable byte starts the next row,
  // while CR or BS first keeps the line from wrapping.
  int CursorRow() const { return cursorRow_; }
  int CursorColumn() const { return cursorColumn_; }

  // Selects the cells from `a` to `b` inclusive, whichever comes first in
  // reading order. Cells outside the screen are clamped to it.
  void Select(ScreenCell a, ScreenCell b);
  void ClearSelection() { hasSelection_ = false; }
  bool HasSelection() const { return hasSelection_; }
  // First and last selected cell, in reading order (valid with a selection).
  ScreenCell SelectionStart() const { return selStart_; }
  ScreenCell SelectionEnd() const { return selEnd_; }
  bool IsSelected(int row, int column) const;
  // The selected part of each row with its trailing blanks removed, the rows
  // joined by "\r\n". Empty without a selection.
  std::string SelectedText() const;

 private:
  using Line = std::array<unsigned char, kColumns>;

  void LineFeed();
  void ScrollUp();
  void Put(unsigned char byte);

  std::array<Line, kRows> lines_;
  int cursorRow_ = 0;
  int cursorColumn_ = 0;
  bool hasSelection_ = false;
  ScreenCell selStart_;
  ScreenCell selEnd_;
};

// True for the bytes the screen shows: printable ASCII and printable Latin-1.
bool IsPrintableByte(unsigned char byte);

}  // namespace telvane
