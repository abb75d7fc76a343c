// The teletype rules of the modem terminal's screen.
#include "app/widgets/tty_screen.h"

#include <algorithm>

namespace telvane {
namespace {

constexpr unsigned char kBlank = ' ';
constexpr unsigned char kBackspace = 0x08;
constexpr unsigned char kTab = 0x09;
constexpr unsigned char kLineFeed = 0x0A;
constexpr unsigned char kCarriageReturn = 0x0D;
constexpr int kTabWidth = 8;

ScreenCell Clamp(ScreenCell c) {
  return {std::clamp(c.row, 0, TtyScreen::kRows - 1), std::clamp(c.column, 0, TtyScreen::kColumns - 1)};
}

}  // namespace

bool IsPrintableByte(unsigned char byte) { return (byte >= 0x20 && byte <= 0x7E) || byte >= 0xA0; }

TtyScreen::TtyScreen() { Clear(); }

void TtyScreen::Clear() {
  for (Line& line : lines_) line.fill(kBlank);
  cursorRow_ = 0;
  cursorColumn_ = 0;
  hasSelection_ = false;
}

void TtyScreen::Write(std::string_view bytes) {
  for (char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    switch (byte) {
      case kCarriageReturn:
        cursorColumn_ = 0;
        break;
      case kLineFeed:
        LineFeed();
        break;
      case kBackspace:
        if (cursorColumn_ > 0) --cursorColumn_;
        break;
      case kTab:
        // The last column is the last stop: a tab never wraps the line.
        if (cursorColumn_ < kColumns)
          cursorColumn_ = std::min((cursorColumn_ / kTabWidth + 1) * kTabWidth, kColumns - 1);
        break;
      default:
        if (IsPrintableByte(byte)) Put(byte);
        break;
    }
  }
}

void TtyScreen::Put(unsigned char byte) {
  if (cursorColumn_ >= kColumns) {  // the previous byte filled the row
    cursorColumn_ = 0;
    LineFeed();
  }
  lines_[cursorRow_][cursorColumn_] = byte;
  ++cursorColumn_;
}

void TtyScreen::LineFeed() {
  if (cursorRow_ < kRows - 1)
    ++cursorRow_;
  else
    ScrollUp();
}

void TtyScreen::ScrollUp() {
  std::move(lines_.begin() + 1, lines_.end(), lines_.begin());
  lines_.back().fill(kBlank);
  // The selection stays on the text it marked; the part that left the
  // screen is gone with it.
  if (!hasSelection_) return;
  --selStart_.row;
  --selEnd_.row;
  if (selEnd_.row < 0)
    hasSelection_ = false;
  else if (selStart_.row < 0)
    selStart_ = {0, 0};
}

unsigned char TtyScreen::At(int row, int column) const { return lines_.at(row).at(column); }

std::string TtyScreen::Row(int row) const {
  const Line& line = lines_.at(row);
  return std::string(line.begin(), line.end());
}

void TtyScreen::Select(ScreenCell a, ScreenCell b) {
  a = Clamp(a);
  b = Clamp(b);
  selStart_ = std::min(a, b);
  selEnd_ = std::max(a, b);
  hasSelection_ = true;
}

bool TtyScreen::IsSelected(int row, int column) const {
  if (!hasSelection_) return false;
  const ScreenCell c{row, column};
  return selStart_ <= c && c <= selEnd_;
}

std::string TtyScreen::SelectedText() const {
  std::string text;
  if (!hasSelection_) return text;
  for (int row = selStart_.row; row <= selEnd_.row; ++row) {
    const int from = row == selStart_.row ? selStart_.column : 0;
    const int to = row == selEnd_.row ? selEnd_.column : kColumns - 1;
    std::string part(lines_[row].begin() + from, lines_[row].begin() + to + 1);
    part.erase(part.find_last_not_of(static_cast<char>(kBlank)) + 1);
    if (row != selStart_.row) text += "\r\n";
    text += part;
  }
  return text;
}

}  // namespace telvane
