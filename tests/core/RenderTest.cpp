// Pixels: wallpapers at a brightness, the page bar, the wipe, glyphs from
// the atlas and from a font, and the two screens composed from them.
#include <climits>

#include "Rig.h"
#include "render/Glyph.h"
#include "render/Screen.h"

namespace {

// Soft ramps, each pixel unlike its neighbours so that a pixel taken from
// the wrong place shows; seed tints the picture.
Bitmap Patterned(int w, int h, unsigned seed) {
  Bitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, x * 7 % 256 | y * 11 % 256 << 8 | seed * 24 << 16);
  return b;
}

TEST(Wallpaper, BrightnessScalesEveryByteAndSaturates) {
  const std::tuple<int, int, int> cases[] = {{100, 255, 255}, {100, 1, 1},       {50, 255, 127},
                                             {33, 255, 83},   {99, 255, 252},    {70, 128, 89},
                                             {0, 255, 0},     {150, 200, 255},   {150, 100, 150},
                                             {-5, 200, 0},    {INT_MAX, 1, 255}, {INT_MIN, 9, 0}};
  for (auto [brightness, in, out] : cases) {
    Bitmap target(5, 3);
    ApplyWallpaper(Bitmap(1, 1, Colour(in) * 0x010101), target, brightness);
    EXPECT_EQ(target.Pixel(4, 2), Colour(out) * 0x010101) << brightness << " " << in;
  }
  Bitmap target(640, 480);
  ApplyWallpaper(Patterned(37, 23, 1), target, 100);
  EXPECT_GOLDEN(GoldenPicture("wallpaper-tiled.png", target));  // from the top left
  ApplyWallpaper(Bitmap(), target, 50);                         // no picture: the grey tile
  EXPECT_EQ(target.Pixel(639, 479), 0x404040u);
}

TEST(PageBar, LengthAndSegments) {
  const std::int32_t starts[] = {0, 4, 5, 999, 15'000'000, INT_MAX - 1, 3000, -100, 5},
                     lengths[] = {1000, 1000, 1000, 1000, 20'000'000, INT_MAX, 1000, 1000, 0};
  std::vector<int> bars;
  for (int i = 0; i < 9; ++i) bars.push_back(PageBarLength(starts[i], lengths[i]));
  EXPECT_EQ(bars, (std::vector<int>{0, 0, 1, 199, 150, 199, 200, 0, 0}));
  Rig rig;
  rig.R->BaseBitmap = Patterned(640, 482, 2);
  rig.R->BackBuffer = Patterned(640, 480, 3);
  const Bitmap before = rig.R->BackBuffer;
  const Rect bar{20, 468, 220, 472};
  rig.R->PageStart = 333, rig.R->TextLength = 1000;
  // Segments of 18 pixels a gap of 2, the 67 of 200 read white, the rest
  // dark grey, gaps showing BaseBitmap, the rest of the picture as it was;
  // then cleared to BaseBitmap.
  rig.R->DrawPageBar(true);
  EXPECT_GOLDEN(GoldenPicture("page-bar.png", rig.R->BackBuffer, {10, 462, 230, 478}));
  EXPECT_TRUE(Except(before, rig.R->BackBuffer, bar) == rig.R->BackBuffer);
  rig.R->DrawPageBar(false);
  EXPECT_TRUE(Except(before, rig.R->BaseBitmap, bar) == rig.R->BackBuffer);
}

// Column x = 16b + r shows once, at step b + r, 20 ms a step, with one flush
// a step and no input handled, also when the tick counter wraps meanwhile.
TEST(ColumnWipe, EachColumnOnceAtItsStep) {
  for (std::uint32_t start : {1000u, 0xFFFFFE00u}) {
    Rig rig;
    rig.R->BackBuffer = Patterned(640, 480, 4);
    rig.P.Copies.clear();
    rig.P.Now = start;
    const long long pumps = rig.P.Pumps;
    rig.R->ColumnWipe();
    EXPECT_EQ(rig.P.Pumps, pumps);
    EXPECT_TRUE(rig.R->BackBuffer == rig.P.Window);
    ASSERT_EQ(rig.P.Copies.size(), 640u);
    std::vector<int> seen(640);
    for (const Copy& c : rig.P.Copies) {
      ++seen[c.Sx];
      const std::uint32_t late = c.Time - start - 20 * (c.Sx / 16 + c.Sx % 16);
      EXPECT_LT(late, 2u) << c.Sx;
      EXPECT_EQ(std::tuple(c.Sy, c.W, c.H, c.Dx, c.Dy), std::tuple(0, 1, 480, c.Sx, 0));
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), 640);
    EXPECT_EQ(rig.P.Flushes, 55);
  }
}

// Both glyph sources at places inside, across every edge and off the
// picture, each onto a picture of its own: a diamond from the atlas
// (weights above 16 count as 16), a ring from a mask, and a ramp from a
// mask that covers only part of the cell and sticks out of it. A row of the
// sheet is a place, 40 x 40 pixels around it, black off the picture;
// nothing else changes.
TEST(Glyph, AtlasAndMaskAtEveryPlace) {
  std::vector<std::uint8_t> slot(576);
  for (int i = 0; i < 576; ++i) slot[i] = std::abs(i % 24 - 11) + std::abs(i / 24 - 11);
  GlyphMask ring{72, 72, std::vector<std::uint8_t>(72 * 72)}, ramp{60, 40, {}, 30, -7};
  for (int i = 0, x = -36, y = -36; i < 72 * 72; ++i, x = i % 72 - 36, y = i / 72 - 36)
    ring.Alpha[i] = std::clamp(255 - std::abs(x * x + y * y - 676) / 2, 0, 255);
  for (int i = 0; i < 2400; ++i) ramp.Alpha.push_back(std::uint8_t(i % 60 * 4 + i / 60));
  Bitmap sheet(120, 400);
  // clang-format off
  for (int row = 0; auto [x, y] : {std::pair{100, 60}, {0, 0}, {-5, -7}, {615, 455}, {616, 456},
                                   {630, 470}, {-24, 3}, {-25, -25}, {640, 0}, {3, 479}}) {
    // clang-format on
    const Rect around{x - 8, y - 8, x + 32, y + 32};
    Bitmap p[3] = {Patterned(640, 480, 5), Patterned(640, 480, 6), Patterned(640, 480, 7)};
    DrawAtlasGlyph(p[0], x, y, slot.data(), 0x30A0F0);
    DrawMaskGlyph(p[1], x, y, ring, 0x30A0F0);
    DrawMaskGlyph(p[2], x, y, ramp, 0x30A0F0);
    for (int k = 0; k < 3; ++k) CopyRect(sheet, 40 * k, 40 * row, p[k], x - 8, y - 8, 40, 40);
    for (int k = 0; k < 3; ++k)
      EXPECT_TRUE(Except(Patterned(640, 480, 5 + k), p[k], around) == p[k]);
    ++row;
  }
  EXPECT_GOLDEN(GoldenPicture("glyphs.png", sheet));
}

// The reading screen: body wallpaper at its brightness, the clean copy with
// its two marker rows, the bar, the page's lines, wiped in; Mode 4 and the
// menus of the reading screen.
TEST(Screens, TextScreen) {
  for (int bar : {1, 0}) {
    Rig rig;
    Reader& r = *rig.R;
    r.BodyWallpaper = Patterned(37, 23, 8);
    r.IntSettings[kBrightness2] = 60;
    r.IntSettings[kPageBar] = bar;
    r.PageStart = 400, r.TextLength = 1000;
    for (int k = 0; k < 27; ++k)  // あい on line 0, 25 う on line 16
      r.PageGlyphs.push_back({std::int16_t(20 + 24 * (k < 2 ? k : k - 2)),
                              std::int16_t(k < 2 ? 19 : 435),
                              0x82,
                              std::uint8_t(k < 2 ? 0xA0 + 2 * k : 0xA4),
                              {}});
    r.ShowTextScreen();
    EXPECT_GOLDEN(GoldenPicture(bar ? "text-screen.png" : "text-screen-no-bar.png", rig.P.Window));
    EXPECT_GOLDEN(GoldenPicture("text-screen-clean.png", r.BaseBitmap));
    EXPECT_TRUE(r.BackBuffer == rig.P.Window);
    EXPECT_EQ(r.Mode, 4);
    EXPECT_TRUE(r.MTitle1.Enabled && r.MSave1.Enabled && !r.MLoad1.Enabled);
  }
}

// The cover: the wallpaper, the normal menu image on the screen, both
// images in BaseBitmap; a highlight (the last item lit) lives on the window
// only; the menu may lie partly or wholly off the picture.
TEST(Screens, TitleScreen) {
  const std::tuple<int, int, int, std::string> cases[] = {{456, 328, 24, "title"},
                                                          {560, -50, 12, "title-corner"},
                                                          {INT_MAX, INT_MIN, INT_MAX, "title-off"}};
  for (const auto& [x, y, z, name] : cases) {
    Rig rig;
    Reader& r = *rig.R;
    r.CoverWallpaper = Patterned(7, 5, 9);
    for (std::size_t i = 0; i < r.FontAtlas.size(); ++i) r.FontAtlas[i] = (i / 576 + i) % 17;
    r.AtlasComplete = true;
    r.IntSettings[kFontType] = 1;
    r.IntSettings[kBrightness1] = 80;
    r.IntSettings[kMenuPosX] = x, r.IntSettings[kMenuPosY] = y, r.IntSettings[kMenuPosZ] = z;
    r.Mode = 2;
    r.DrawTitleScreen(false);
    EXPECT_GOLDEN(GoldenPicture(name + "-menus.png", r.BaseBitmap, {0, 0, 288, 112}));
    EXPECT_TRUE(r.BackBuffer == rig.P.Window);
    EXPECT_EQ(r.Mode, -1);
    EXPECT_EQ(r.GlyphFont.Color, kGrey);
    EXPECT_TRUE(!r.MTitle1.Enabled && !r.MSave1.Enabled && r.MLoad1.Enabled);
    // Highlighting copies rows of the images to the window, nothing else.
    for (int i : {1, 1, 3}) r.SelectTitleItem(i, false);
    EXPECT_GOLDEN(GoldenPicture(name + ".png", rig.P.Window));
    r.SelectTitleItem(-1, false);
    EXPECT_TRUE(r.BackBuffer == rig.P.Window);
  }
}

}  // namespace
