// Changing elements of a scan line: the positions at which the colour
// differs from the pixel before (the line starts white), as the
// two-dimensional coder and decoder work with them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace telvane {

// Entries appended after the changes of a line, all equal to the width, so
// that searches for the next change and the one after it need no bounds.
inline constexpr int kChangeSentinels = 4;

// Room a change list of a `width`-pixel line needs, sentinels included.
inline constexpr size_t ChangeListSize(int width) { return static_cast<size_t>(width) + 2 + kChangeSentinels; }

// Finds the changes of a raster line (MSB first, set = black) into `out`
// (ChangeListSize(width) entries): changes at even indices turn to black, at
// odd ones to white; the width and the sentinels follow. Returns the count
// of changes before the width.
int FindChanges(const uint8_t* raster, int width, int32_t* out);

// Draws a line from `count` changes (even index: black from here, odd: white
// from here; the line ends at `width`) into `row`, (width + 7) / 8 bytes with
// 8 spare bytes after them, which it may overwrite.
void DrawChanges(const int32_t* changes, int count, int width, uint8_t* row);

}  // namespace telvane
