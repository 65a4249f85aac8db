#include "render/Screen.h"

#include <algorithm>
#include <cstring>

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
