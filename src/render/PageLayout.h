// The page grid of the reading screen in either direction, and what a page
// keeps of what was drawn on it. One composer serves both directions: it
// counts cells along a line and lines on a page, and asks the layout where
// a cell lies and where the pause marker of some cells of a line goes.
//
// Horizontal: 17 lines of 24 cells, line l at y = 19 + 26 l, cell c at
// x = 20 + 24 c. Vertical: 23 columns of 17 cells from the right, column l
// at x = 608 - 26 l, cell c at y = 19 + 24 c. Either way one cell more may
// take a character that must not begin a line.
#pragma once

#include <cstdint>

#include "render/Bitmap.h"

// How a glyph is set in its cell: turned a quarter clockwise about the
// cell's centre, then moved by (Dx, Dy) pixels of the 24-pixel cell. Only
// the ink moves: the drop shadow still falls right and down.
struct GlyphTransform {
  bool Turn = false;
  std::int8_t Dx = 0, Dy = 0;
  constexpr bool Identity() const { return !Turn && Dx == 0 && Dy == 0; }
  // Distinct for distinct transforms, 17 bits.
  constexpr std::uint32_t Key() const {
    return (Turn ? 1u : 0u) | std::uint32_t(std::uint8_t(Dx)) << 1 |
           std::uint32_t(std::uint8_t(Dy)) << 9;
  }
};

// A glyph as a page shows it: the top-left of its cell, its code and its
// transform. A page is drawn again by drawing its glyphs in order.
struct PlacedGlyph {
  std::int16_t X = 0, Y = 0;
  std::uint8_t Lead = 0, Trail = 0;
  GlyphTransform Form;
};

// The most lines any layout has: the vertical one's columns.
inline constexpr int kMaxPageLines = 23;
// What a page turn clears: every cell and its shadow in either direction.
// The right column of a vertical page reaches x = 632 with its shadow; a
// horizontal page never draws there, so clearing it too changes nothing.
inline constexpr Rect kPageClearArea{20, 19, 633, 461};

struct PageLayout {
  bool Vertical = false;

  constexpr int Lines() const { return Vertical ? 23 : 17; }
  // Cells a line fills before it ends; one more may hang.
  constexpr int Cells() const { return Vertical ? 17 : 24; }
  // Top-left corner of the cell.
  constexpr int CellX(int line, int cell) const {
    return Vertical ? 608 - 26 * line : 20 + 24 * cell;
  }
  constexpr int CellY(int line, int cell) const {
    return Vertical ? 19 + 24 * cell : 19 + 26 * line;
  }
  // The pause marker beside cells from..to-1 of the line: two rows under
  // them (white over grey), or two columns left of them (grey, white), in
  // the gap between the line's shadow and the next line.
  constexpr Rect Marker(int line, int from, int to) const {
    return Vertical ? Rect{606 - 26 * line, 19 + 24 * from, 608 - 26 * line, 19 + 24 * to}
                    : Rect{20 + 24 * from, 44 + 26 * line, 20 + 24 * to, 46 + 26 * line};
  }
};
