// Screen composition: the wallpaper tiled at a brightness, the page bar and
// the geometry of the reading screen. The reader's screen drawing builds on
// these; they are free functions so they can be tested and measured alone.
#pragma once

#include <cstdint>

#include "render/Bitmap.h"

namespace screen {
constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kTextLeft = 20;  // top-left of the first cell of line 0
constexpr int kTextTop = 19;
constexpr int kLinePitch = 26;
constexpr int kPageLineCount = 17;
constexpr Rect kPageBar{20, 468, 220, 472};
constexpr int kPageBarLength = 200;
// The wipe: 55 steps 20 ms apart, each showing 16 columns 15 pixels apart.
constexpr int kWipeSteps = 55;
constexpr int kWipeBand = 16;
// Where the look-back marker goes, right of the page bar: room for "-100".
constexpr Rect kLookBackMarker{228, 463, 264, 477};
}  // namespace screen

// Fills the whole target with wallpaper tiled from the top-left corner, each
// byte scaled by F = brightness * 256 / 100 as (byte * F) >> 8. A brightness
// outside 0..100 (possible in a hand-edited settings file) saturates each
// byte to 0..255 rather than wrapping. An empty wallpaper counts as the grey
// tile a missing file gives.
void ApplyWallpaper(const Bitmap& wallpaper, Bitmap& target, int brightness);

// Length in pixels of the white part of the page bar: pageStart * 200 /
// textLength, truncated, computed in 64 bits (texts of 10,737,419 bytes and
// more overflow 32) and kept within 0..200. A textLength of 0 or less gives 0.
int PageBarLength(std::int32_t pageStart, std::int32_t textLength);

// The look-back marker: "-depth" in white figures of 3 x 5 squares of two
// pixels on a dark grey box at the left of screen::kLookBackMarker, once the
// whole marker area is taken back from clean. A depth of 0 or less leaves the
// area clean.
void DrawLookBackMarker(Bitmap& target, const Bitmap& clean, int depth);
