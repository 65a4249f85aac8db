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
  std::uint8_t At(int x, int y) const {
    return (x < 0 || y < 0 || x >= Width || y >= Height) ? 0 : Alpha[std::size_t(y) * Width + x];
  }
};
