#include "render/Screen.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {
// Figures of 3 x 5 squares, three bits a row from the top, the left square
// in the high bit: 0 to 9, then the minus sign.
constexpr std::uint16_t kFigures[11] = {0x7B6F, 0x2C97, 0x73E7, 0x73CF, 0x5BC9, 0x79CF,
                                        0x79EF, 0x7249, 0x7BEF, 0x7BCF, 0x01C0};
constexpr int kSquare = 2;
constexpr int kFigureAdvance = 4 * kSquare;  // three squares and a gap
constexpr int kMarkerPadX = 3, kMarkerPadY = 2;
}  // namespace

void ApplyWallpaper(const Bitmap& wallpaper, Bitmap& target, int brightness) {
  if (target.Empty()) return;
  // Never take a modulo by zero: a picture with no pixels is the grey tile.
  static const Bitmap kGreyTile(1, 1, kGrey);
  const Bitmap& tile = wallpaper.Empty() ? kGreyTile : wallpaper;

  // 64-bit so that any brightness from the settings file is safe; the
  // table holds the saturated result for every byte value.
  const long long f = static_cast<long long>(brightness) * 256 / 100;
  std::uint8_t scale[256];
  for (int b = 0; b < 256; ++b)
    scale[b] = static_cast<std::uint8_t>(std::clamp((b * f) >> 8, 0LL, 255LL));

  const int w = target.Width(), h = target.Height();
  const int tileW = std::min(tile.Width(), w);
  const std::size_t rowBytes = 3 * static_cast<std::size_t>(w);
  const std::size_t tileBytes = 3 * static_cast<std::size_t>(tileW);
  for (int y = 0; y < h; ++y) {
    std::uint8_t* dst = target.Row(y);
    if (y >= tile.Height()) {
      // Same wallpaper row as one tile height above, already scaled.
      std::memcpy(dst, target.Row(y - tile.Height()), rowBytes);
      continue;
    }
    const std::uint8_t* src = tile.Row(y);
    for (std::size_t i = 0; i < tileBytes; ++i) dst[i] = scale[src[i]];
    // Repeat the scaled tile row across, doubling the copied span each time.
    // done stays a multiple of the tile width until the last, partial copy.
    for (std::size_t done = tileBytes; done < rowBytes;) {
      const std::size_t n = std::min(done, rowBytes - done);
      std::memcpy(dst + done, dst, n);
      done += n;
    }
  }
}

int PageBarLength(std::int32_t pageStart, std::int32_t textLength) {
  if (textLength <= 0) return 0;
  const long long l = static_cast<long long>(pageStart) * screen::kPageBarLength / textLength;
  return static_cast<int>(std::clamp(l, 0LL, static_cast<long long>(screen::kPageBarLength)));
}

void DrawLookBackMarker(Bitmap& target, const Bitmap& clean, int depth) {
  const Rect m = screen::kLookBackMarker;
  CopyRect(target, m.Left, m.Top, clean, m.Left, m.Top, m.Width(), m.Height());
  if (depth <= 0) return;
  const std::string text = "-" + std::to_string(depth);
  const int n = static_cast<int>(text.size());
  target.FillRect(
      {m.Left, m.Top, m.Left + 2 * kMarkerPadX + n * kFigureAdvance - kSquare, m.Bottom},
      kDarkGrey);
  int left = m.Left + kMarkerPadX;
  for (const char c : text) {
    const std::uint16_t figure = kFigures[c == '-' ? 10 : c - '0'];
    int square = 0;  // 0 to 14, by rows of three
    for (std::uint16_t bit = 0x4000; bit != 0; bit >>= 1, ++square) {
      if ((figure & bit) == 0) continue;
      const int x = left + kSquare * (square % 3);
      const int y = m.Top + kMarkerPadY + kSquare * (square / 3);
      target.FillRect({x, y, x + kSquare, y + kSquare}, kWhite);
    }
    left += kFigureAdvance;
  }
}
