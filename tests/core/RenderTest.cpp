// Pixels: wallpapers at a brightness, the page bar, the wipe, glyphs from
// the atlas and from a font, and the two screens composed from them.
#include <climits>

#include "Rig.h"
#include "render/Glyph.h"
#include "render/Screen.h"

namespace {

// A picture whose every pixel differs from its neighbours, so a pixel taken
// from the wrong place shows.
Bitmap Patterned(int w, int h, unsigned seed) {
  Bitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, ((x * 37u + y * 101u + seed) * 2654435761u) >> 8);
  return b;
}

TEST(Wallpaper, BrightnessScalesEveryByteAndSaturates) {
  struct Case {
    int Brightness, In, Out;
  } cases[] = {{100, 255, 255}, {100, 1, 1},   {50, 255, 127},    {33, 255, 83},
               {99, 255, 252},  {70, 128, 89}, {0, 255, 0},       {150, 200, 255},
               {150, 100, 150}, {-5, 200, 0},  {INT_MAX, 1, 255}, {INT_MIN, 9, 0}};
  for (const Case& c : cases) {
    Bitmap target(5, 3);
    ApplyWallpaper(Bitmap(1, 1, Colour(c.In) * 0x010101), target, c.Brightness);
    EXPECT_EQ(target.Pixel(4, 2), Colour(c.Out) * 0x010101) << c.Brightness << " " << c.In;
  }
  Bitmap target(640, 480);
  ApplyWallpaper(Patterned(37, 23, 1), target, 100);
  EXPECT_EQ(Hash(target), "2419c457");   // the tile repeated from the top left
  ApplyWallpaper(Bitmap(), target, 50);  // no picture: the grey tile
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
  rig.R->PageStart = 333;
  rig.R->TextLength = 1000;
  // Segments of 18 pixels a gap of 2, the 67 of 200 read white, the rest
  // dark grey, gaps and the rest of the picture as they were; then cleared.
  std::string got;
  for (bool show : {true, false}) {
    rig.R->DrawPageBar(show);
    got += Hash(rig.R->BackBuffer) + " ";
  }
  EXPECT_EQ(got, "ff9a6a16 5468be07 ");
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
// picture, each onto a picture of its own; weights above 16 count as 16, a
// mask may cover only part of the cell and stick out of it. (The checksums
// were taken when the pictures matched a slow pixel-by-pixel form of the
// blend formulas.)
TEST(Glyph, AtlasAndMaskAtEveryPlace) {
  std::vector<std::uint8_t> slot(576);
  for (int i = 0; i < 576; ++i) slot[i] = std::uint8_t((i * 13 + i / 24) % 19);
  GlyphMask mask{72, 72, std::vector<std::uint8_t>(72 * 72)};
  for (int i = 0; i < 72 * 72; ++i) mask.Alpha[i] = std::uint8_t(i % 5 == 0 ? 255 : i * 7 % 256);
  GlyphMask part{60, 40, std::vector<std::uint8_t>(mask.Alpha.begin(), mask.Alpha.begin() + 2400),
                 30, -7};
  std::string got;
  // clang-format off
  for (auto [x, y] : {std::pair{100, 60}, {0, 0}, {-5, -7}, {615, 455}, {616, 456}, {630, 470},
                      {-24, 3}, {-25, -25}, {640, 0}, {3, 479}}) {
    // clang-format on
    Bitmap atlas = Patterned(640, 480, 5), whole = Patterned(640, 480, 6), cut = whole;
    DrawAtlasGlyph(atlas, x, y, slot.data(), 0x30A0F0);
    DrawMaskGlyph(whole, x, y, mask, 0x30A0F0);
    DrawMaskGlyph(cut, x, y, part, 0x30A0F0);
    got += Hash(atlas) + Hash(whole) + Hash(cut) + " ";
  }
  EXPECT_EQ(got,
            "25fc96809a664b7dcd544524 d18a162ff2d443ef0e6cc8bc 2a2782152348b5c542dd3061 "
            "d2aa465ad23ffbef2b565d1a c5e35253b09d4e26d046b83f 899fd6677ee3c51dd4c93ca3 "
            "f71cceedd4c93ca3d4c93ca3 f969c527d4c93ca3d4c93ca3 f969c527d4c93ca3d4c93ca3 "
            "a2034e129dc3c8a9513a6f1b ");
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
    r.PageStart = 400;
    r.TextLength = 1000;
    r.PageLines[0] = S("あい");
    r.PageLines[16] = Rep(S("う"), 25);
    r.ShowTextScreen();
    EXPECT_EQ(Hash(rig.P.Window) + Hash(r.BaseBitmap),
              bar ? "3a4201bd1437c050" : "3219b0931437c050");
    EXPECT_TRUE(r.BackBuffer == rig.P.Window);
    EXPECT_EQ(r.Mode, 4);
    EXPECT_TRUE(r.MTitle1.Enabled && r.MSave1.Enabled && !r.MLoad1.Enabled);
  }
}

// The cover: the wallpaper, the normal menu image on the screen, both
// images in BaseBitmap; a highlight lives on the window only; the menu may
// lie partly or wholly off the picture.
TEST(Screens, TitleScreen) {
  struct Case {
    int X, Y, Z;
    std::string Hash;
  } cases[] = {{456, 328, 24, "a540245017468b07c0f8e334"},
               {560, -50, 12, "af48982a005d7c1636839c2d"},
               {INT_MAX, INT_MIN, INT_MAX, "f8b5dd4575e11dd5f8b5dd45"}};
  for (const Case& c : cases) {
    Rig rig;
    Reader& r = *rig.R;
    r.CoverWallpaper = Patterned(7, 5, 9);
    for (std::size_t i = 0; i < r.FontAtlas.size(); ++i) r.FontAtlas[i] = (i / 576 + i) % 17;
    r.AtlasComplete = true;
    r.IntSettings[kFontType] = 1;
    r.IntSettings[kBrightness1] = 80;
    r.IntSettings[kMenuPosX] = c.X;
    r.IntSettings[kMenuPosY] = c.Y;
    r.IntSettings[kMenuPosZ] = c.Z;
    r.Mode = 2;
    r.DrawTitleScreen(false);
    EXPECT_EQ(Hash(rig.P.Window) + Hash(r.BaseBitmap), c.Hash.substr(0, 16)) << c.X;
    EXPECT_TRUE(r.BackBuffer == rig.P.Window);
    EXPECT_EQ(r.Mode, -1);
    EXPECT_EQ(r.GlyphFont.Color, kGrey);
    EXPECT_TRUE(!r.MTitle1.Enabled && !r.MSave1.Enabled && r.MLoad1.Enabled);
    // Highlighting copies rows of the images to the window, nothing else.
    for (int i : {1, 1, 3}) r.SelectTitleItem(i, false);
    EXPECT_EQ(Hash(rig.P.Window), c.Hash.substr(16)) << c.X;  // the last item lit
    r.SelectTitleItem(-1, false);
    EXPECT_TRUE(r.BackBuffer == rig.P.Window);
  }
}

}  // namespace
