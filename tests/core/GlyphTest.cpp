#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "RenderFixture.h"
#include "render/Glyph.h"

namespace {

// The documented atlas blend, pixel by pixel in its stated order (for each
// row from the top, for each column: shadow, then glyph), skipping pixels
// outside the bitmap.
void ModelAtlas(Bitmap& t, long long x, long long y, const std::uint8_t* slot, Colour colour) {
  auto inside = [&](long long px, long long py) {
    return px >= 0 && py >= 0 && px < t.Width() && py < t.Height();
  };
  for (int r = 0; r < 24; ++r)
    for (int c = 0; c < 24; ++c) {
      const unsigned w = slot[r * 24 + c];
      if (inside(x + c + 1, y + r + 1)) {
        const Colour v = t.Pixel(int(x + c + 1), int(y + r + 1));
        t.SetPixel(int(x + c + 1), int(y + r + 1),
                   MakeColour(ByteOf(v, 0) * w >> 4, ByteOf(v, 1) * w >> 4, ByteOf(v, 2) * w >> 4));
      }
      if (inside(x + c, y + r)) {
        const Colour v = t.Pixel(int(x + c), int(y + r));
        auto mix = [&](int k) { return (ByteOf(v, k) * w + (16 - w) * ByteOf(colour, k)) >> 4; };
        t.SetPixel(int(x + c), int(y + r), MakeColour(mix(0), mix(1), mix(2)));
      }
    }
}

// Font mode of one cell as documented, on the 72 x 72 sub-pixel grid: the
// target pixel enlarged, the mask blended black at (1, 1), then in colour at
// (0, 0), each blend (p * (255 - a) + C * a + 127) / 255; then the nine
// sub-pixels averaged, truncated.
Colour ModelFontPixel(Colour bg, int c, int r, const GlyphMask& mask, Colour colour) {
  unsigned sum[3] = {0, 0, 0};
  for (int dy = 0; dy < 3; ++dy)
    for (int dx = 0; dx < 3; ++dx) {
      const int sx = 3 * c + dx, sy = 3 * r + dy;
      const unsigned a1 = mask.At(sx - 1, sy - 1), a0 = mask.At(sx, sy);
      for (int k = 0; k < 3; ++k) {
        unsigned p = ByteOf(bg, k);
        p = (p * (255 - a1) + 127) / 255;
        p = (p * (255 - a0) + ByteOf(colour, k) * a0 + 127) / 255;
        sum[k] += p;
      }
    }
  return MakeColour(sum[0] / 9, sum[1] / 9, sum[2] / 9);
}

Bitmap ModelFontCell(const Bitmap& before, int x, int y, const GlyphMask& mask, Colour colour) {
  Bitmap out = before;
  for (int r = 0; r < 24; ++r)
    for (int c = 0; c < 24; ++c) {
      const long long px = static_cast<long long>(x) + c, py = static_cast<long long>(y) + r;
      if (px < 0 || py < 0 || px >= before.Width() || py >= before.Height()) continue;
      out.SetPixel(int(px), int(py),
                   ModelFontPixel(before.Pixel(int(px), int(py)), c, r, mask, colour));
    }
  return out;
}

// Cells of uniform weight w at (x + 24k, y) for each k listed, drawn by the
// documented order.
Bitmap ModelUniformCells(const Bitmap& before, int x, int y, const std::vector<int>& cells,
                         unsigned w, Colour colour) {
  Bitmap out = before;
  const std::vector<std::uint8_t> slot(kAtlasSlotBytes, static_cast<std::uint8_t>(w));
  for (int k : cells) ModelAtlas(out, x + 24LL * k, y, slot.data(), colour);
  return out;
}

class GlyphTest : public RenderFixture {};

struct UniformCase {
  unsigned weight;
  Colour colour;
};

class UniformWeightTest : public RenderFixture,
                          public ::testing::WithParamInterface<UniformCase> {};

TEST_P(UniformWeightTest, GlyphLiesOverItsShadow) {
  const auto [w, colour] = GetParam();
  FillAtlas(static_cast<std::uint8_t>(w));
  r->BackBuffer = Patterned(640, 480, 1);
  r->GlyphFont.Color = colour;
  const Bitmap before = r->BackBuffer;
  r->DrawGlyphString(r->BackBuffer, 100, 50, "\x88\x9F");
  EXPECT_EQ(r->BackBuffer, ModelUniformCells(before, 100, 50, {0}, w, colour));
  if (w == 0) {
    // Solid square in the text colour whatever the background, black shadow.
    EXPECT_EQ(r->BackBuffer.Pixel(100, 50), colour);
    EXPECT_EQ(r->BackBuffer.Pixel(123, 73), colour);
    EXPECT_EQ(r->BackBuffer.Pixel(124, 74), kBlack);
    EXPECT_EQ(r->BackBuffer.Pixel(101, 74), kBlack);
  }
  if (w == 16) {
    EXPECT_EQ(r->BackBuffer, before);
  }
  // The corners the shadow does not reach stay as they were.
  EXPECT_EQ(r->BackBuffer.Pixel(124, 50), before.Pixel(124, 50));
  EXPECT_EQ(r->BackBuffer.Pixel(100, 74), before.Pixel(100, 74));
}

INSTANTIATE_TEST_SUITE_P(Weights, UniformWeightTest,
                         ::testing::Values(UniformCase{0, kWhite}, UniformCase{0, kGrey},
                                           UniformCase{8, kWhite}, UniformCase{8, kGrey},
                                           UniformCase{16, kWhite}, UniformCase{3, 0x123456}));

TEST_F(GlyphTest, NeverFilledAtlasDrawsSolidSquaresOverBlackShadows) {
  // The atlas is all zero until font data is read.
  r->BackBuffer = Patterned(640, 480, 2);
  r->GlyphFont.Color = kGrey;
  const Bitmap before = r->BackBuffer;
  r->DrawGlyphString(r->BackBuffer, 20, 19, "\x88\x9F\x88\xA0\x88\xA1");
  EXPECT_EQ(r->BackBuffer, ModelUniformCells(before, 20, 19, {0, 1, 2}, 0, kGrey));
  for (int x = 20; x < 92; ++x) EXPECT_EQ(r->BackBuffer.Pixel(x, 19), 0x808080u) << x;
  for (int x = 21; x <= 92; ++x) EXPECT_EQ(r->BackBuffer.Pixel(x, 43), kBlack) << x;
  for (int y = 20; y <= 43; ++y) EXPECT_EQ(r->BackBuffer.Pixel(92, y), kBlack) << y;
}

TEST_F(GlyphTest, ShadowIsDarkenedBeforeTheGlyphBlendsOverIt) {
  FillAtlas(16);
  const int slot = AtlasSlot(0x82, 0xA0);
  Slot(slot)[0] = 0;       // (0, 0): full ink, its shadow turns (1, 1) black
  Slot(slot)[24 + 1] = 8;  // (1, 1): half ink over that black
  r->BackBuffer.FillRect({0, 0, 640, 480}, 0x606060);
  r->DrawGlyphString(r->BackBuffer, 200, 100, "\x82\xA0");
  EXPECT_EQ(r->BackBuffer.Pixel(200, 100), kWhite);
  // Glyph over black: (0 * 8 + 8 * 255) >> 4 = 127. Glyph first and shadow
  // second would have left black here.
  EXPECT_EQ(r->BackBuffer.Pixel(201, 101), 0x7F7F7Fu);
  EXPECT_EQ(r->BackBuffer.Pixel(202, 102), 0x303030u);  // shadow of (1, 1): 96 * 8 >> 4
  EXPECT_EQ(r->BackBuffer.Pixel(202, 101), 0x606060u);
}

TEST_F(GlyphTest, AnySlotMatchesTheDocumentedOrderAtEveryPosition) {
  // Weights of every value in every place, at positions inside, across each
  // edge and far outside.
  const int slot = AtlasSlot(0x93, 0xFA);
  for (int i = 0; i < kAtlasSlotBytes; ++i)
    Slot(slot)[i] = static_cast<std::uint8_t>((i * 7 + i / 24) % 17);
  const std::pair<int, int> places[] = {
      {100, 100}, {0, 0},   {615, 455},   {616, 456},         {630, 470},
      {639, 479}, {-5, -7}, {-24, 10},    {-25, 10},          {10, -24},
      {640, 0},   {0, 480}, {INT_MAX, 5}, {INT_MIN, INT_MIN}, {5, INT_MAX}};
  for (const Colour colour : {kWhite, kGrey, Colour(0x1F80E0)}) {
    for (auto [x, y] : places) {
      r->BackBuffer = Patterned(640, 480, x ^ y);
      r->GlyphFont.Color = colour;
      Bitmap expected = r->BackBuffer;
      ModelAtlas(expected, x, y, Slot(slot), colour);
      r->DrawGlyphString(r->BackBuffer, x, y, "\x93\xFA");
      EXPECT_EQ(r->BackBuffer, expected) << x << "," << y << " colour " << colour;
    }
  }
}

TEST_F(GlyphTest, LongStringRunsOffTheRightEdge) {
  std::string line;
  for (int i = 0; i < 30; ++i) line += "\x82\xA0";
  r->BackBuffer = Patterned(640, 480, 3);
  const Bitmap before = r->BackBuffer;
  std::vector<int> cells(30);
  for (int i = 0; i < 30; ++i) cells[i] = i;
  r->DrawGlyphString(r->BackBuffer, 20, 460, line);
  EXPECT_EQ(r->BackBuffer, ModelUniformCells(before, 20, 460, cells, 0, kWhite));
}

TEST_F(GlyphTest, WeightsAboveSixteenCountAsBackground) {
  // Only a damaged file holds them; they must not wrap the bytes.
  FillAtlas(200);
  r->BackBuffer = Patterned(640, 480, 4);
  const Bitmap before = r->BackBuffer;
  r->DrawGlyphString(r->BackBuffer, 50, 50, "\x82\xA0");
  r->DrawGlyphString(r->BackBuffer, 630, 470, "\x82\xA0");
  EXPECT_EQ(r->BackBuffer, before);
}

struct SlotCase {
  std::uint8_t lead, trail;
  int slot;
};

class SlotTest : public RenderFixture, public ::testing::WithParamInterface<SlotCase> {};

TEST_P(SlotTest, CodeReadsItsOwnSlot) {
  const auto [lead, trail, slot] = GetParam();
  EXPECT_EQ(AtlasSlot(lead, trail), slot);
  // Only that slot has ink: drawing the code must show it.
  FillAtlas(16);
  std::fill(Slot(slot), Slot(slot) + kAtlasSlotBytes, 0);
  r->DrawGlyphString(r->BackBuffer, 300, 200, std::string{char(lead), char(trail)});
  EXPECT_EQ(r->BackBuffer.Pixel(300, 200), kWhite);
  EXPECT_EQ(r->BackBuffer.Pixel(323, 223), kWhite);
}

INSTANTIATE_TEST_SUITE_P(
    Layout, SlotTest,
    ::testing::Values(SlotCase{0x81, 0x40, 0}, SlotCase{0x81, 0x7F, 63}, SlotCase{0x81, 0xFC, 188},
                      SlotCase{0x82, 0x40, 189}, SlotCase{0x9F, 0xFC, 30 * 189 + 188},
                      SlotCase{0xE0, 0x40, 31 * 189}, SlotCase{0xE0, 0x9F, 31 * 189 + 0x5F},
                      SlotCase{0xEF, 0x40, 46 * 189}, SlotCase{0xEF, 0xFC, 8882}));

// Codes without a slot draw as a blank cell in either mode and read nothing
// outside the atlas (the sanitizer build checks the reads).
class NoSlotTest : public RenderFixture, public ::testing::WithParamInterface<int> {};

TEST_P(NoSlotTest, CodesWithoutASlotLeaveTheCellBlank) {
  r->IntSettings[kFontType] = GetParam();
  // A zero atlas and a solid rasteriser would draw anything they were asked to.
  const std::vector<std::string> texts = {
      "\x80\x40", "\xA0\x40", "\xDF\xFC", "\xF0\x40", "\xFF\xFF", "\x81\x3F",
      "\x81\xFD", "\xEF\xFF", "\x01\x0A", "\x81",     "\xEF",     std::string("\x81\0", 2),
      ""};
  for (const std::string& text : texts) {
    r->BackBuffer = Patterned(640, 480, 5);
    const Bitmap before = r->BackBuffer;
    r->DrawGlyphString(r->BackBuffer, 100, 100, text);
    r->DrawGlyphString(r->BackBuffer, 628, 470, text);
    EXPECT_EQ(r->BackBuffer, before) << "code of " << text.size() << " bytes";
  }
  EXPECT_EQ(platform.Rasterizations, 0);
}

INSTANTIATE_TEST_SUITE_P(BothModes, NoSlotTest, ::testing::Values(0, 1));

TEST_F(GlyphTest, BlankCodeStillTakesItsCell) {
  r->BackBuffer = Patterned(640, 480, 6);
  const Bitmap before = r->BackBuffer;
  r->DrawGlyphString(r->BackBuffer, 40, 40, "\x82\xA0\x80\x40\x82\xA2");
  EXPECT_EQ(r->BackBuffer, ModelUniformCells(before, 40, 40, {0, 2}, 0, kWhite));
}

TEST_F(GlyphTest, OddLengthStringEndsWithABlankCell) {
  // The last lead byte pairs with the end of the string, never with a byte
  // beyond it.
  r->BackBuffer = Patterned(640, 480, 7);
  const Bitmap before = r->BackBuffer;
  const std::string text = std::string("\x82\xA0\x82\xA2\x82", 5);
  r->DrawGlyphString(r->BackBuffer, 40, 40, text);
  EXPECT_EQ(r->BackBuffer, ModelUniformCells(before, 40, 40, {0, 1}, 0, kWhite));
}

TEST_F(GlyphTest, ZeroLeadByteEndsTheString) {
  r->BackBuffer = Patterned(640, 480, 8);
  const Bitmap before = r->BackBuffer;
  r->DrawGlyphString(r->BackBuffer, 40, 40, std::string("\x82\xA0\0\x40\x82\xA2", 6));
  EXPECT_EQ(r->BackBuffer, ModelUniformCells(before, 40, 40, {0}, 0, kWhite));
}

TEST_F(GlyphTest, ColourIsReadOnceAndAModeChangeActsAtTheNextCall) {
  r->BackBuffer.FillRect({0, 0, 640, 480}, kBlack);
  r->GlyphFont.Color = kGrey;
  r->DrawGlyphString(r->BackBuffer, 0, 0, "\x82\xA0");
  EXPECT_EQ(r->BackBuffer.Pixel(5, 5), kGrey);
  r->IntSettings[kFontType] = 0;
  r->DrawGlyphString(r->BackBuffer, 0, 100, "\x82\xA0");
  EXPECT_EQ(platform.Rasterizations, 1);
  EXPECT_EQ(r->GlyphFont.Color, kGrey);
}

// ---- font mode ----

TEST_F(GlyphTest, FontModeReducesThreeTimesWithAOneSubpixelShadow) {
  r->IntSettings[kFontType] = 0;
  GlyphMask block;  // the scripted rasteriser's solid 48 x 48 block
  platform.RasterizeGlyph(0x82, 0xA0, "", false, 72, block);
  const std::pair<int, int> places[] = {{100, 50}, {-10, 470}, {630, -5}, {-30, 0}};
  for (const Colour colour : {kWhite, kGrey}) {
    for (auto [x, y] : places) {
      r->BackBuffer = Patterned(640, 480, x + y);
      r->GlyphFont.Color = colour;
      const Bitmap before = r->BackBuffer;
      r->DrawGlyphString(r->BackBuffer, x, y, "\x82\xA0");
      // Only the 24 x 24 cell may change.
      EXPECT_EQ(r->BackBuffer, ModelFontCell(before, x, y, block, colour)) << x << "," << y;
    }
  }
  // A few pixels by hand at (100, 50): the block covers sub-pixels 0..47,
  // its black copy 1..48.
  r->BackBuffer.FillRect({0, 0, 640, 480}, 0x909090);
  r->GlyphFont.Color = kWhite;
  r->DrawGlyphString(r->BackBuffer, 100, 50, "\x82\xA0");
  EXPECT_EQ(r->BackBuffer.Pixel(100, 50), kWhite);
  EXPECT_EQ(r->BackBuffer.Pixel(115, 65), kWhite);
  EXPECT_EQ(r->BackBuffer.Pixel(116, 66), 0x808080u);  // one black sub-pixel of nine: 8 * 144 / 9
  EXPECT_EQ(r->BackBuffer.Pixel(116, 60), 0x606060u);  // a black sub-column: 6 * 144 / 9
  EXPECT_EQ(r->BackBuffer.Pixel(117, 67), 0x909090u);
  EXPECT_EQ(r->BackBuffer.Pixel(124, 50), 0x909090u);
}

TEST_F(GlyphTest, FontModeBlendsPartialCoverageToTheNearestValue) {
  r->IntSettings[kFontType] = 0;
  platform.Rasterize = [](std::uint8_t, std::uint8_t, const std::string&, bool, int h,
                          GlyphMask& out) {
    out.Width = out.Height = h;
    out.Alpha.assign(std::size_t(h) * h, 0);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < h; ++x)
        out.Alpha[std::size_t(y) * h + x] = static_cast<std::uint8_t>((x * 5 + y * 3) % 256);
    return true;
  };
  GlyphMask mask;
  platform.RasterizeGlyph(0x82, 0xA0, "", false, 72, mask);
  r->BackBuffer = Patterned(640, 480, 9);
  r->GlyphFont.Color = 0x2080F0;
  const Bitmap before = r->BackBuffer;
  r->DrawGlyphString(r->BackBuffer, 200, 200, "\x82\xA0");
  EXPECT_EQ(r->BackBuffer, ModelFontCell(before, 200, 200, mask, 0x2080F0));
  // Alpha 100 of white over black: (255 * 100 + 127) / 255 = 100.
  Bitmap one(72, 72, kBlack);
  GlyphMask a100{1, 1, {100}};
  BlendMask(one, a100, 0, 0, kWhite);
  EXPECT_EQ(one.Pixel(0, 0), 0x646464u);
  BlendMask(one, a100, 0, 0, kBlack);  // (100 * 155 + 127) / 255 = 61.27
  EXPECT_EQ(one.Pixel(0, 0), 0x3D3D3Du);
}

TEST_F(GlyphTest, FontModeRasterisesEachCodeOncePerFace) {
  r->IntSettings[kFontType] = 0;
  std::vector<std::tuple<int, std::string, bool, int>> calls;
  platform.Rasterize = [&](std::uint8_t lead, std::uint8_t trail, const std::string& face,
                           bool bold, int h, GlyphMask& out) {
    calls.emplace_back(lead << 8 | trail, face, bold, h);
    out.Width = out.Height = h;
    out.Alpha.assign(std::size_t(h) * h, 255);
    return true;
  };
  r->GlyphFont.Name = "IPAGothic";
  r->DrawGlyphString(r->BackBuffer, 0, 0, "\x82\xA0\x82\xA2\x82\xA0");
  r->DrawGlyphString(r->BackBuffer, 0, 26, "\x82\xA2");
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0], std::make_tuple(0x82A0, std::string("IPAGothic"), false, 72));
  EXPECT_EQ(std::get<0>(calls[1]), 0x82A2);
  r->GlyphFont.Bold = true;  // another style: drawn afresh
  r->DrawGlyphString(r->BackBuffer, 0, 52, "\x82\xA0");
  r->GlyphFont.Name = "Other";
  r->DrawGlyphString(r->BackBuffer, 0, 78, "\x82\xA0");
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[2], std::make_tuple(0x82A0, std::string("IPAGothic"), true, 72));
  EXPECT_EQ(calls[3], std::make_tuple(0x82A0, std::string("Other"), true, 72));
}

TEST_F(GlyphTest, FontModeWithNothingDrawnLeavesTheCell) {
  r->IntSettings[kFontType] = 0;
  int calls = 0;
  platform.Rasterize = [&](std::uint8_t, std::uint8_t trail, const std::string&, bool, int h,
                           GlyphMask& out) {
    ++calls;
    if (trail == 0xA0) return false;  // the platform cannot draw it
    out.Width = out.Height = h;       // an empty mask: a space
    out.Alpha.assign(std::size_t(h) * h, 0);
    return true;
  };
  r->BackBuffer = Patterned(640, 480, 10);
  const Bitmap before = r->BackBuffer;
  r->DrawGlyphString(r->BackBuffer, 10, 10, "\x82\xA0\x81\x40\x82\xA0\x81\x40");
  EXPECT_EQ(r->BackBuffer, before);
  EXPECT_EQ(calls, 2);  // failures are remembered too
}

// ---- ShowGlyph ----

struct ShowCase {
  int fontType;
  int copySize;
};

class ShowGlyphTest : public RenderFixture, public ::testing::WithParamInterface<ShowCase> {};

TEST_P(ShowGlyphTest, DrawsWhiteIntoTheBackBufferAndCopiesItsArea) {
  const auto [fontType, size] = GetParam();
  r->IntSettings[kFontType] = fontType;
  r->GlyphFont.Color = kGrey;
  r->BackBuffer.FillRect({0, 0, 640, 480}, kBlack);
  const std::uint8_t code[3] = {0x82, 0xA0, 0};
  r->ShowGlyph(44, 45, code);
  ASSERT_EQ(platform.Copies.size(), 1u);
  const WindowCopy& copy = platform.Copies[0];
  EXPECT_EQ(copy.Source, &r->BackBuffer);
  EXPECT_EQ(std::vector<int>({copy.Sx, copy.Sy, copy.W, copy.H, copy.Dx, copy.Dy}),
            std::vector<int>({44, 45, size, size, 44, 45}));
  EXPECT_EQ(r->BackBuffer.Pixel(44, 45), kWhite);
  EXPECT_EQ(platform.Window.Pixel(44, 45), kWhite);
  // Font mode leaves the text colour white; the atlas does not touch it.
  EXPECT_EQ(r->GlyphFont.Color, fontType == 1 ? kGrey : kWhite);
}

INSTANTIATE_TEST_SUITE_P(BothModes, ShowGlyphTest,
                         ::testing::Values(ShowCase{1, 25}, ShowCase{0, 24}));

TEST_F(GlyphTest, ShowGlyphOfABlankCodeStillCopiesItsCell) {
  const std::uint8_t code[3] = {0x81, 0x00, 0};
  r->ShowGlyph(20, 19, code);
  ASSERT_EQ(platform.Copies.size(), 1u);
  EXPECT_EQ(platform.Copies[0].W, 25);
}

}  // namespace
