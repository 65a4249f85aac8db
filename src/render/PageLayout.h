// The page grid of the reading screen in either direction, and what a page
// keeps of what was drawn on it. One composer serves both directions: it
// counts cells along a line and lines on a page, and asks the layout where
// a cell lies and where the pause marker of some cells of a line goes.
//
// Horizontal: 17 lines of 24 cells, line l at y = 19 + 26 l, cell c at
// x = 20 + 24 c. Vertical: 23 columns of 17 cells from the right, column l
// at x = 608 - 26 l, cell c at y = 19 + 24 c. Either way one cell more may
// take a character that must not begin a line. With ruby set beside its
// base the lines make room for it.
#pragma once

#include <cstdint>

#include "render/Bitmap.h"

// How a glyph is set in its cell: turned a quarter clockwise about the
// cell's centre, then moved by (Dx, Dy) pixels of the 24-pixel cell. Only
// the ink moves: the drop shadow still falls right and down. A ruby glyph
// is the same at half the size: 12 x 12 in the top-left of its cell, moved
// by half as much.
struct GlyphTransform {
  bool Turn = false;
  std::int8_t Dx = 0, Dy = 0;
  bool Ruby = false;
  constexpr bool Identity() const { return !Turn && Dx == 0 && Dy == 0 && !Ruby; }
  // Distinct for distinct transforms, 18 bits.
  constexpr std::uint32_t Key() const {
    return (Turn ? 1u : 0u) | std::uint32_t(std::uint8_t(Dx)) << 1 |
           std::uint32_t(std::uint8_t(Dy)) << 9 | (Ruby ? 1u << 17 : 0u);
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
  // Ruby beside the base: each line keeps a band of 12 pixels for it, above
  // a row or right of a column, and the lines stand 38 apart (11 rows, 15
  // columns).
  bool Ruby = false;

  constexpr int Lines() const { return Vertical ? (Ruby ? 15 : 23) : (Ruby ? 11 : 17); }
  // Cells a line fills before it ends; one more may hang.
  constexpr int Cells() const { return Vertical ? 17 : 24; }
  // From one line to the next.
  constexpr int Pitch() const { return Ruby ? 38 : 26; }
  // Top-left corner of the point `along` pixels into the line's base, and
  // of its ruby band; cell c begins 24 c along.
  constexpr int BaseX(int line, int along) const {
    return Vertical ? (Ruby ? 596 : 608) - Pitch() * line : 20 + along;
  }
  constexpr int BaseY(int line, int along) const {
    return Vertical ? 19 + along : 19 + (Ruby ? 12 : 0) + Pitch() * line;
  }
  constexpr int RubyX(int line, int along) const {
    return Vertical ? BaseX(line, 0) + 24 : 20 + along;
  }
  constexpr int RubyY(int line, int along) const {
    return Vertical ? 19 + along : 19 + Pitch() * line;
  }
  constexpr int CellX(int line, int cell) const { return BaseX(line, 24 * cell); }
  constexpr int CellY(int line, int cell) const { return BaseY(line, 24 * cell); }
  // The pause marker beside cells from..to-1 of the line: two rows under
  // them (white over grey), or two columns left of them (grey, white), in
  // the gap between the line's shadow and the next line.
  constexpr Rect Marker(int line, int from, int to) const {
    const int x = BaseX(line, 0), y = BaseY(line, 0);
    return Vertical ? Rect{x - 2, 19 + 24 * from, x, 19 + 24 * to}
                    : Rect{20 + 24 * from, y + 25, 20 + 24 * to, y + 27};
  }
};
