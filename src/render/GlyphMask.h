// Coverage of one character as a text rasteriser draws it: Width x Height
// bytes, 0 = untouched, 255 = full ink, with (0, 0) at the top-left of the
// character cell (where a Windows TextOut with the default alignment puts
// the text origin).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct GlyphMask {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint8_t> Alpha;
  // Where the first byte of Alpha lies in the cell: a mask kept for long
  // covers only the part of the cell that has ink.
  int Left = 0;
  int Top = 0;
  // The coverage at (x, y) of the cell.
  std::uint8_t At(int x, int y) const {
    const long long mx = static_cast<long long>(x) - Left, my = static_cast<long long>(y) - Top;
    return (mx < 0 || my < 0 || mx >= Width || my >= Height) ? 0
                                                             : Alpha[std::size_t(my * Width + mx)];
  }
};
