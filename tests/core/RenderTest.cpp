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

std::string Diff(const Bitmap& want, const Bitmap& got) {
  for (int y = 0; y < want.Height(); ++y)
    for (int x = 0; x < want.Width(); ++x)
      if (want.Pixel(x, y) != got.Pixel(x, y))
        return std::to_string(x) + "," + std::to_string(y) + ": " +
               std::to_string(want.Pixel(x, y)) + " != " + std::to_string(got.Pixel(x, y));
  return "";
}

std::uint8_t Byte(Colour c, int k) { return c >> (8 * k); }
Colour Bytes(const int b[3]) { return Colour(b[0]) | Colour(b[1]) << 8 | Colour(b[2]) << 16; }

TEST(Wallpaper, BrightnessScalesEveryByteAndSaturates) {
  struct Case {
    int Brightness, In, Out;
  } cases[] = {{100, 255, 255}, {100, 1, 1},   {50, 255, 127},    {33, 255, 83},
               {99, 255, 252},  {70, 128, 89}, {0, 255, 0},       {150, 200, 255},
               {150, 100, 150}, {-5, 200, 0},  {INT_MAX, 1, 255}, {INT_MIN, 9, 0}};
  for (const Case& c : cases) {
    Bitmap target(5, 3);
    ApplyWallpaper(Bitmap(2, 2, Colour(c.In) * 0x010101), target, c.Brightness);
    EXPECT_EQ(target.Pixel(4, 2), Colour(c.Out) * 0x010101) << c.Brightness << " " << c.In;
  }
  Bitmap target(640, 480), tile = Patterned(37, 23, 1), want(640, 480);
  ApplyWallpaper(tile, target, 100);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) want.SetPixel(x, y, tile.Pixel(x % 37, y % 23));
  EXPECT_EQ(Diff(want, target), "");
  ApplyWallpaper(Bitmap(), target, 50);  // no picture: the grey tile
  EXPECT_EQ(target.Pixel(639, 479), 0x404040u);
}

TEST(PageBar, LengthAndSegments) {
  struct Case {
    std::int32_t Start, Length;
    int Bar;
  } cases[] = {{0, 1000, 0},
               {4, 1000, 0},
               {5, 1000, 1},
               {999, 1000, 199},
               {15'000'000, 20'000'000, 150},
               {INT_MAX - 1, INT_MAX, 199},
               {3000, 1000, 200},
               {-100, 1000, 0},
               {5, 0, 0}};
  for (const Case& c : cases) EXPECT_EQ(PageBarLength(c.Start, c.Length), c.Bar) << c.Start;
  Rig rig;
  rig.R->BaseBitmap = Patterned(640, 482, 2);
  rig.R->BackBuffer = Patterned(640, 480, 3);
  const Bitmap before = rig.R->BackBuffer;
  rig.R->PageStart = 333;
  rig.R->TextLength = 1000;
  rig.R->DrawPageBar(true);
  for (int y = 466; y < 474; ++y)
    for (int x = 18; x < 222; ++x) {
      const bool in = x >= 20 && x < 220 && y >= 468 && y < 472;
      const Colour want = !in                         ? before.Pixel(x, y)
                          : (x % 20 >= 18 && x < 200) ? rig.R->BaseBitmap.Pixel(x, y)
                          : x < 86                    ? kWhite
                                                      : kDarkGrey;
      ASSERT_EQ(rig.R->BackBuffer.Pixel(x, y), want) << x << "," << y;
    }
  rig.R->DrawPageBar(false);
  for (int x = 18; x < 222; ++x)
    EXPECT_EQ(rig.R->BackBuffer.Pixel(x, 470),
              x >= 20 && x < 220 ? rig.R->BaseBitmap.Pixel(x, 470) : before.Pixel(x, 470));
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
    EXPECT_EQ(Diff(rig.R->BackBuffer, rig.P.Window), "");
    ASSERT_EQ(rig.P.Copies.size(), 640u);
    std::vector<int> seen(640);
    for (const Copy& c : rig.P.Copies) {
      ++seen[c.Sx];
      const std::uint32_t late = c.Time - start - 20 * (c.Sx / 16 + c.Sx % 16);
      EXPECT_LT(late, 2u) << c.Sx;
      EXPECT_EQ(std::vector<int>({c.Sy, c.W, c.H, c.Dx, c.Dy}),
                std::vector<int>({0, 1, 480, c.Sx, 0}));
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), 640);
    EXPECT_EQ(rig.P.Flushes, 55);
  }
}

// The atlas blend done the slow way: row by row, each pixel's shadow one
// pixel down-right darkened by w/16, then the pixel blended to the colour.
void AtlasRef(Bitmap& b, int x, int y, const std::uint8_t* slot, Colour col) {
  for (int r = 0; r < 24; ++r)
    for (int c = 0; c < 24; ++c) {
      const int w = std::min<int>(slot[r * 24 + c], 16);
      int sh[3], gl[3];
      for (int k = 0; k < 3; ++k) sh[k] = (Byte(b.Pixel(x + c + 1, y + r + 1), k) * w) >> 4;
      b.SetPixel(x + c + 1, y + r + 1, Bytes(sh));
      for (int k = 0; k < 3; ++k)
        gl[k] = (Byte(b.Pixel(x + c, y + r), k) * w + (16 - w) * Byte(col, k)) >> 4;
      b.SetPixel(x + c, y + r, Bytes(gl));
    }
}

// Font mode the slow way: each pixel's 3 x 3 block, the coverage in black
// one sub-pixel down-right, then in colour, each mix rounded, then averaged.
void MaskRef(Bitmap& b, int x, int y, const GlyphMask& m, Colour col) {
  auto mix = [](int p, int c, int a) { return (p * (255 - a) + c * a + 127) / 255; };
  for (int r = 0; r < 24; ++r)
    for (int c = 0; c < 24; ++c) {
      if (x + c < 0 || y + r < 0 || x + c >= b.Width() || y + r >= b.Height()) continue;
      int sum[3] = {};
      for (int j = 0; j < 9; ++j)
        for (int k = 0; k < 3; ++k) {
          const int sx = 3 * c + j % 3, sy = 3 * r + j / 3;
          const int v = mix(Byte(b.Pixel(x + c, y + r), k), 0, m.At(sx - 1, sy - 1));
          sum[k] += mix(v, Byte(col, k), m.At(sx, sy));
        }
      for (int& s : sum) s /= 9;
      b.SetPixel(x + c, y + r, Bytes(sum));
    }
}

// Both glyph sources against their slow forms, at places inside, across
// every edge and off the picture; weights above 16 count as 16.
TEST(Glyph, AtlasAndMaskAtEveryPlace) {
  std::vector<std::uint8_t> slot(576);
  for (int i = 0; i < 576; ++i) slot[i] = std::uint8_t((i * 13 + i / 24) % 19);
  GlyphMask mask{72, 72, std::vector<std::uint8_t>(72 * 72)};
  for (int i = 0; i < 72 * 72; ++i) mask.Alpha[i] = std::uint8_t(i % 5 == 0 ? 255 : i * 7 % 256);
  // A mask that covers only part of the cell, and sticks out of it.
  GlyphMask part{60, 40, std::vector<std::uint8_t>(mask.Alpha.begin(), mask.Alpha.begin() + 2400),
                 30, -7};
  const std::pair<int, int> places[] = {{100, 60},  {0, 0},   {-5, -7},   {615, 455}, {616, 456},
                                        {630, 470}, {-24, 3}, {-25, -25}, {640, 0},   {3, 479}};
  for (auto [x, y] : places) {
    Bitmap got = Patterned(640, 480, 5), want = got;
    DrawAtlasGlyph(got, x, y, slot.data(), 0x30A0F0);
    AtlasRef(want, x, y, slot.data(), 0x30A0F0);
    EXPECT_EQ(Diff(want, got), "") << "atlas " << x << "," << y;
    for (const GlyphMask* m : {&mask, &part}) {
      got = want = Patterned(640, 480, 6);
      DrawMaskGlyph(got, x, y, *m, 0x30A0F0);
      MaskRef(want, x, y, *m, 0x30A0F0);
      EXPECT_EQ(Diff(want, got), "") << "mask " << x << "," << y << " " << m->Left;
    }
  }
}

// Codes and slots: the lead rows 0x81-0x9F then 0xE0-0xEF; codes without a
// slot draw nothing in either mode but still take their cell; a string ends
// at a zero lead byte, and an odd last byte pairs with the end.
TEST(Glyph, StringsAndSlots) {
  struct Case {
    std::uint8_t Lead, Trail;
    int Slot;
  } cases[] = {{0x81, 0x40, 0},
               {0x81, 0xFC, 188},
               {0x9F, 0x7F, 30 * 189 + 63},
               {0xE0, 0x40, 31 * 189},
               {0xEF, 0xFC, 46 * 189 + 188},
               {0x80, 0x40, -1},
               {0xA0, 0x40, -1},
               {0xF0, 0x40, -1},
               {0x81, 0x3F, -1},
               {0x81, 0xFD, -1}};
  for (const Case& c : cases) EXPECT_EQ(AtlasSlot(c.Lead, c.Trail), c.Slot) << int(c.Lead);
  for (int fontType : {1, 0}) {
    Rig rig;
    Reader& r = *rig.R;
    for (std::size_t i = 0; i < r.FontAtlas.size(); ++i) r.FontAtlas[i] = i / 576 % 17;
    r.AtlasComplete = true;
    r.IntSettings[kFontType] = fontType;
    r.GlyphFont.Color = 0x123456;
    const Bitmap blank = Patterned(640, 100, 7);
    auto draw = [&](const std::string& s) {
      Bitmap b = blank;
      r.DrawGlyphString(b, 600, 10, s);
      return b;
    };
    auto cell = [&](const Bitmap& b, int k) { return b.Pixel(600 + 24 * k + 12, 22); };
    EXPECT_EQ(draw(""), blank);
    EXPECT_EQ(draw(std::string("\0\x82\xA0", 3)), blank);
    EXPECT_EQ(draw("\x81\x3F\x82"), blank);  // no slot, then a lead paired with the end
    const Bitmap two = draw("\x81\x3F\x82\xA0\x82\xA0");
    EXPECT_EQ(cell(two, 0), blank.Pixel(612, 22));
    EXPECT_NE(cell(two, 1), blank.Pixel(636, 22));
    EXPECT_EQ(two.Pixel(599, 22), blank.Pixel(599, 22));
    // The colour is read once; the source is looked at every call.
    r.IntSettings[kFontType] = !fontType;
    EXPECT_NE(draw("\x82\xA0"), two);
    EXPECT_EQ(r.GlyphFont.Color, 0x123456u);
  }
}

// ShowGlyph: white into the back buffer, and its area (with the shadow's
// row and column in atlas mode) to the window; font mode leaves the colour
// white, each code rasterised once per face.
TEST(Glyph, ShowGlyphAndFontCache) {
  for (int fontType : {1, 0}) {
    Rig rig;
    Reader& r = *rig.R;
    r.IntSettings[kFontType] = fontType;
    r.AtlasComplete = true;
    r.GlyphFont.Color = kGrey;
    rig.P.Copies.clear();
    const std::uint8_t code[3] = {0x82, 0xA0, 0};
    r.ShowGlyph(44, 45, code);
    const int n = fontType ? 25 : 24;
    ASSERT_EQ(rig.P.Copies.size(), 1u);
    const Copy& c = rig.P.Copies[0];
    EXPECT_EQ(std::vector<int>({c.Sx, c.Sy, c.W, c.H, c.Dx, c.Dy}),
              std::vector<int>({44, 45, n, n, 44, 45}));
    EXPECT_EQ(r.BackBuffer.Pixel(44, 45), kWhite);
    EXPECT_EQ(r.GlyphFont.Color, fontType ? kGrey : kWhite);
    const int before = rig.P.Rasterizations;
    r.DrawGlyphString(r.BackBuffer, 0, 0, "\x82\xA0\x82\xA0\x82\xA2");
    EXPECT_EQ(rig.P.Rasterizations - before, fontType ? 0 : 1);
    r.GlyphFont.Bold = true;
    r.DrawGlyphString(r.BackBuffer, 0, 0, "\x82\xA0");
    EXPECT_EQ(rig.P.Rasterizations - before, fontType ? 0 : 2);
  }
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
    EXPECT_EQ(Diff(r.BackBuffer, rig.P.Window), "");
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
  } cases[] = {{456, 328, 24, "a540245017468b07"},
               {40, 40, 0, "e78438f43e7c017e"},
               {560, -50, 12, "af48982a005d7c16"},
               {INT_MAX, INT_MIN, INT_MAX, "f8b5dd4575e11dd5"}};
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
    EXPECT_EQ(Hash(rig.P.Window) + Hash(r.BaseBitmap), c.Hash) << c.X;
    EXPECT_EQ(Diff(r.BackBuffer, rig.P.Window), "");
    EXPECT_EQ(r.Mode, -1);
    EXPECT_EQ(r.GlyphFont.Color, kGrey);
    EXPECT_TRUE(!r.MTitle1.Enabled && !r.MSave1.Enabled && r.MLoad1.Enabled);
    // Highlighting copies rows of the images to the window, nothing else.
    rig.P.Copies.clear();
    for (int i : {1, 1, 3, -1}) r.SelectTitleItem(i, false);
    std::string copies;
    for (const Copy& k : rig.P.Copies)
      if (c.X == 456)
        copies += std::to_string(k.Sx) + "," + std::to_string(k.Sy) + ">" +
                  std::to_string(k.Dy - c.Y) + " ";
    if (c.X == 456) {
      EXPECT_EQ(copies, "0,28>28 144,28>28 0,84>84 144,84>84 ");
    }
    EXPECT_EQ(Diff(r.BackBuffer, rig.P.Window), "");
  }
}

}  // namespace
