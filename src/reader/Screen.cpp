// The reading screen (body wallpaper, page bar, page lines, column wipe)
// and loading the wallpapers.
#include "platform/Files.h"
#include "reader/Reader.h"
#include "render/Screen.h"

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
  MAuto1.Enabled = true;
  Hooks->MenuChanged();
  ApplyWallpaper(BodyWallpaper, BackBuffer, IntSettings[kBrightness2]);
  // Rows 480 and 481 of BaseBitmap (the wait marker) stay as they are.
  CopyRect(BaseBitmap, 0, 0, BackBuffer, 0, 0, screen::kWidth, screen::kHeight);
  if (IntSettings[kPageBar] != 0) DrawPageBar(true);
  for (const PlacedGlyph& g : PageGlyphs) DrawPlacedGlyph(BackBuffer, g);
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
    // Input waits in the queue until the wipe is over.
    while (due > 0 && static_cast<std::uint32_t>(Hooks->GetTickCount() - t0) < due)
      Hooks->RestUntil(t0 + due);
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
