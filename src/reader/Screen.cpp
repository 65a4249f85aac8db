#include "render/Screen.h"

#include <algorithm>
#include <cstring>

#include "platform/Files.h"
#include "reader/Reader.h"

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

void Reader::DrawPageBar(bool show) {
  const Rect bar = screen::kPageBar;
  if (!show) {
    CopyRect(BackBuffer, bar.Left, bar.Top, BaseBitmap, bar.Left, bar.Top, bar.Width(),
             bar.Height());
    return;
  }
  const int l = PageBarLength(PageStart, TextLength);
  BackBuffer.FillRect(bar, kDarkGrey);
  BackBuffer.FillRect({bar.Left, bar.Top, bar.Left + l, bar.Bottom}, kWhite);
  // Nine two-pixel gaps let the wallpaper through and cut the bar into ten
  // segments.
  for (int k = 2; k <= 10; ++k)
    CopyRect(BackBuffer, 20 * k - 2, bar.Top, BaseBitmap, 20 * k - 2, bar.Top, 2, bar.Height());
}

void Reader::ShowTextScreen() {
  Hooks->ProcessMessages();
  Mode = 4;
  MTitle1.Enabled = true;
  MSave1.Enabled = true;
  MLoad1.Enabled = false;
  Hooks->MenuChanged();
  ApplyWallpaper(BodyWallpaper, BackBuffer, IntSettings[kBrightness2]);
  // Rows 480 and 481 of BaseBitmap (the wait marker) stay as they are.
  CopyRect(BaseBitmap, 0, 0, BackBuffer, 0, 0, screen::kWidth, screen::kHeight);
  if (IntSettings[kPageBar] != 0) DrawPageBar(true);
  for (int i = 0; i < screen::kPageLineCount; ++i)
    DrawGlyphString(BackBuffer, screen::kTextLeft, screen::kTextTop + screen::kLinePitch * i,
                    PageLines[i]);
  ColumnWipe();
}

void Reader::ColumnWipe() {
  // Elapsed time is taken modulo 2^32, so a tick counter that wraps during
  // the wipe does not stall it (comparing tick - d against the start would
  // wait for the next wrap if a poll missed a 16 ms window).
  const std::uint32_t t0 = Hooks->GetTickCount();
  for (int step = 0; step < screen::kWipeSteps; ++step) {
    const int s = step * screen::kWipeBand;
    const std::uint32_t due = static_cast<std::uint32_t>(5 * s / 4);  // 20 ms a step
    while (due > 0 && static_cast<std::uint32_t>(Hooks->GetTickCount() - t0) < due) {
      // Input waits in the queue until the wipe is over.
      Hooks->Rest();
    }
    for (int j = 0; j < screen::kWipeBand; ++j) {
      const int c = s - 15 * j;
      if (c >= 0 && c < screen::kWidth)
        Hooks->CopyToWindow(BackBuffer, c, 0, 1, screen::kHeight, c, 0);
    }
    Hooks->FlushWindow();
  }
}

void Reader::LoadWallpaper(Bitmap& wallpaper, const std::string& path, bool resetToGrey) {
  if (resetToGrey) wallpaper.SetSize(16, 16, kGrey);
  if (!FileExists(path)) return;
  // A file that exists but does not read as a picture keeps the previous one.
  Bitmap picture;
  if (Hooks->LoadBitmapFile(path, picture) && !picture.Empty()) wallpaper = std::move(picture);
}
