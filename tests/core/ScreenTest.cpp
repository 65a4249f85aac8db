#include <gtest/gtest.h>

#include <climits>
#include <stdexcept>
#include <vector>

#include "RenderFixture.h"
#include "TempDir.h"
#include "render/Screen.h"

namespace {

// ---- wallpaper ----

struct BrightnessCase {
  int brightness;
  std::uint8_t expected[4];  // for the bytes 0, 100, 200, 255
};

class BrightnessTest : public ::testing::TestWithParam<BrightnessCase> {};

TEST_P(BrightnessTest, ScalesEveryByteAndSaturates) {
  const auto& p = GetParam();
  Bitmap wall(2, 2);
  wall.SetPixel(0, 0, MakeColour(0, 100, 200));
  wall.SetPixel(1, 0, MakeColour(255, 0, 100));
  wall.SetPixel(0, 1, MakeColour(200, 255, 0));
  wall.SetPixel(1, 1, MakeColour(100, 200, 255));
  Bitmap target(5, 3, 0x123456);
  ApplyWallpaper(wall, target, p.brightness);
  auto scaled = [&](std::uint8_t b) {
    return p.expected[b == 0 ? 0 : b == 100 ? 1 : b == 200 ? 2 : 3];
  };
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) {
      const Colour w = wall.Pixel(x % 2, y % 2);
      EXPECT_EQ(target.Pixel(x, y),
                MakeColour(scaled(ByteOf(w, 0)), scaled(ByteOf(w, 1)), scaled(ByteOf(w, 2))))
          << x << "," << y;
    }
}

// F = brightness * 256 / 100; byte = (b * F) >> 8, kept within 0..255.
INSTANTIATE_TEST_SUITE_P(
    Levels, BrightnessTest,
    ::testing::Values(BrightnessCase{100, {0, 100, 200, 255}},
                      BrightnessCase{50, {0, 50, 100, 127}}, BrightnessCase{33, {0, 32, 65, 83}},
                      BrightnessCase{0, {0, 0, 0, 0}}, BrightnessCase{150, {0, 150, 255, 255}},
                      BrightnessCase{-5, {0, 0, 0, 0}}, BrightnessCase{INT_MAX, {0, 255, 255, 255}},
                      BrightnessCase{INT_MIN, {0, 0, 0, 0}}));

class TilingTest : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(TilingTest, TilesFromTheTopLeftCorner) {
  const auto [w, h] = GetParam();
  const Bitmap wall = Patterned(w, h, 11);
  Bitmap target(640, 480);
  ApplyWallpaper(wall, target, 100);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x)
      if (target.Pixel(x, y) != wall.Pixel(x % w, y % h)) FAIL() << "pixel " << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(Sizes, TilingTest,
                         ::testing::Values(std::pair{16, 16}, std::pair{37, 23},
                                           std::pair{700, 500}, std::pair{1, 1}, std::pair{640, 1},
                                           std::pair{3, 480}));

TEST(WallpaperTest, EmptyPictureCountsAsTheGreyTile) {
  Bitmap target(64, 48, kWhite);
  ApplyWallpaper(Bitmap(), target, 50);
  EXPECT_EQ(target, Bitmap(64, 48, kDarkGrey));
}

class LoadWallpaperTest : public RenderFixture {
 protected:
  TempDir dir;
  const Bitmap previous = Patterned(3, 2, 12);
  const Bitmap picture = Patterned(37, 23, 13);
};

TEST_F(LoadWallpaperTest, MissingFileGivesAPlainGreyScreen) {
  r->BodyWallpaper = previous;
  r->LoadWallpaper(r->BodyWallpaper, dir.File("none.bmp"), true);
  EXPECT_EQ(r->BodyWallpaper, Bitmap(16, 16, kGrey));
  r->IntSettings[kBrightness2] = 50;
  ApplyWallpaper(r->BodyWallpaper, r->BackBuffer, 50);
  EXPECT_EQ(r->BackBuffer, Bitmap(640, 480, kDarkGrey));
}

TEST_F(LoadWallpaperTest, OutcomeOfEachKindOfFile) {
  dir.Write("good.bmp", "BM");
  dir.Write("bad.bmp", "BM");
  dir.Write("empty.bmp", "BM");
  platform.BitmapFiles[dir.File("good.bmp")] = picture;
  platform.BitmapFiles[dir.File("empty.bmp")] = Bitmap();
  struct Case {
    const char* file;
    bool reset;
    Bitmap expected;
  } cases[] = {
      {"none.bmp", true, Bitmap(16, 16, kGrey)},
      {"none.bmp", false, previous},
      {"good.bmp", true, picture},
      {"good.bmp", false, picture},
      {"bad.bmp", true, Bitmap(16, 16, kGrey)},
      {"bad.bmp", false, previous},
      {"empty.bmp", false, previous},
      {"", false, previous},
  };
  for (const Case& c : cases) {
    Bitmap wall = previous;
    r->LoadWallpaper(wall, c.file[0] ? dir.File(c.file) : "", c.reset);
    EXPECT_EQ(wall, c.expected) << c.file << (c.reset ? " reset" : "");
  }
}

// ---- page bar ----

struct BarCase {
  std::int32_t pageStart, textLength;
  int length;
};

class PageBarTest : public RenderFixture, public ::testing::WithParamInterface<BarCase> {};

TEST_P(PageBarTest, TenSegmentsWithTheWallpaperInTheGaps) {
  const auto [pageStart, textLength, length] = GetParam();
  EXPECT_EQ(PageBarLength(pageStart, textLength), length);
  r->BaseBitmap = Patterned(640, 482, 14);
  r->BackBuffer = Patterned(640, 480, 15);
  r->PageStart = pageStart;
  r->TextLength = textLength;
  const Bitmap before = r->BackBuffer;
  r->DrawPageBar(true);
  for (int y = 460; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      Colour expected = before.Pixel(x, y);
      if (x >= 20 && x < 220 && y >= 468 && y < 472) {
        const bool gap = x >= 38 && x <= 199 && (x + 2) % 20 < 2;
        expected = gap ? r->BaseBitmap.Pixel(x, y) : x < 20 + length ? kWhite : kDarkGrey;
      }
      ASSERT_EQ(r->BackBuffer.Pixel(x, y), expected) << x << "," << y;
    }
  // Erasing brings back exactly the clean background.
  r->DrawPageBar(false);
  for (int y = 460; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      const bool bar = x >= 20 && x < 220 && y >= 468 && y < 472;
      ASSERT_EQ(r->BackBuffer.Pixel(x, y), bar ? r->BaseBitmap.Pixel(x, y) : before.Pixel(x, y))
          << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, PageBarTest,
    ::testing::Values(BarCase{0, 1000, 0}, BarCase{4, 1000, 0}, BarCase{5, 1000, 1},
                      BarCase{500, 1000, 100}, BarCase{999, 1000, 199},
                      // Past 10,737,418 bytes the product needs more than 32 bits.
                      BarCase{15'000'000, 20'000'000, 150}, BarCase{INT_MAX - 1, INT_MAX, 199},
                      // Only a damaged record starts a page past the end or before the start.
                      BarCase{3000, 1000, 200}, BarCase{INT_MAX, 1, 200}, BarCase{-100, 1000, 0},
                      BarCase{5, 0, 0}));

// ---- column wipe ----

// Counts clock reads so that a wipe that stalls fails instead of hanging, and
// notes how many copies had been made at each flush.
class WipePlatform : public ScriptedPlatform {
 public:
  long long Reads = 0;
  std::vector<std::size_t> CopiesAtFlush;
  std::uint32_t GetTickCount() override {
    if (++Reads > 2'000'000) throw std::runtime_error("the wipe keeps waiting");
    return ScriptedPlatform::GetTickCount();
  }
  void FlushWindow() override {
    ScriptedPlatform::FlushWindow();
    CopiesAtFlush.push_back(Copies.size());
  }
};

struct WipeCase {
  std::uint32_t start;
  std::uint32_t tickStep;
};

class ColumnWipeTest : public ::testing::TestWithParam<WipeCase> {};

TEST_P(ColumnWipeTest, EachColumnOnceAtItsStep) {
  const auto [start, tickStep] = GetParam();
  WipePlatform platform;
  auto r = std::make_unique<Reader>(&platform);
  r->BackBuffer = Patterned(640, 480, 16);
  platform.Now = start;
  platform.TickStep = tickStep;
  r->ColumnWipe();

  EXPECT_EQ(platform.Pumps, 0);  // input waits until the wipe is over
  EXPECT_EQ(platform.Window, r->BackBuffer);
  ASSERT_EQ(platform.Copies.size(), 640u);
  std::vector<int> seen(640, 0);
  std::vector<int> stepOf(640);
  for (std::size_t i = 0; i < platform.Copies.size(); ++i) {
    const WindowCopy& c = platform.Copies[i];
    ASSERT_EQ(c.Source, &r->BackBuffer);
    ASSERT_EQ(std::vector<int>({c.Sy, c.W, c.H, c.Dx, c.Dy}),
              std::vector<int>({0, 1, 480, c.Sx, 0}));
    ++seen[c.Sx];
    const int x = c.Sx, step = x / 16 + x % 16;
    stepOf[x] = step;
    // The clock read that let the step go was one tick step before the copy.
    const std::uint32_t released = c.Time - tickStep - start;
    EXPECT_GE(released, std::uint32_t(20 * step)) << "column " << x;
    if (tickStep <= 20) {
      EXPECT_LT(released, std::uint32_t(20 * step) + tickStep) << "column " << x;
    }
  }
  for (int x = 0; x < 640; ++x) EXPECT_EQ(seen[x], 1) << "column " << x;
  // One flush after each of the 55 steps, each after exactly that step's columns.
  ASSERT_EQ(platform.CopiesAtFlush.size(), 55u);
  std::size_t upTo = 0;
  for (int step = 0; step < 55; ++step) {
    for (int x = 0; x < 640; ++x) upTo += stepOf[x] == step;
    EXPECT_EQ(platform.CopiesAtFlush[step], upTo) << "step " << step;
  }
}

INSTANTIATE_TEST_SUITE_P(Clocks, ColumnWipeTest,
                         ::testing::Values(WipeCase{1000, 1}, WipeCase{0, 7}, WipeCase{5, 20},
                                           // The tick counter wraps during the wipe,
                                           // also with reads far apart.
                                           WipeCase{0xFFFFFE00u, 3}, WipeCase{0xFFFFFFF0u, 50}));

TEST(ColumnWipe, NamedColumnsAppearOnSchedule) {
  WipePlatform platform;
  auto r = std::make_unique<Reader>(&platform);
  r->BackBuffer.SetSize(640, 480);
  platform.Now = 5000;
  platform.TickStep = 1;
  r->ColumnWipe();
  std::vector<std::uint32_t> at(640);
  for (const WindowCopy& c : platform.Copies) at[c.Sx] = c.Time - 1 - 5000;
  EXPECT_EQ(at[0], 0u);
  EXPECT_EQ(at[15], 300u);
  EXPECT_EQ(at[16], 20u);
  EXPECT_EQ(at[639], 1080u);
}

// ---- the reading screen ----

class TextScreenTest : public RenderFixture {
 protected:
  void SetUp() override {
    RenderFixture::SetUp();
    platform.TickStep = 1;
    r->BodyWallpaper = Patterned(16, 16, 17);
    r->IntSettings[kBrightness2] = 50;
    r->IntSettings[kPageBar] = 1;
    r->PageStart = 500;
    r->TextLength = 1000;
    r->Mode = -1;
    r->MLoad1.Enabled = true;
    r->BackBuffer = Patterned(640, 480, 18);  // the old screen
  }
};

TEST_F(TextScreenTest, ComposesWallpaperBarAndLinesThenWipes) {
  r->PageLines[0] = "\x82\xA0";
  r->PageLines[16] = "\x82\xA0\x82\xA0";
  std::vector<std::size_t> copiesAtPump;
  platform.OnPump = [&] { copiesAtPump.push_back(platform.Copies.size()); };
  r->ShowTextScreen();

  EXPECT_EQ(copiesAtPump, std::vector<std::size_t>({0}));  // messages once, before anything
  EXPECT_EQ(r->Mode, 4);
  EXPECT_TRUE(r->MTitle1.Enabled);
  EXPECT_TRUE(r->MSave1.Enabled);
  EXPECT_FALSE(r->MLoad1.Enabled);
  EXPECT_GE(platform.MenuChanges, 1);

  Bitmap wall(640, 480);
  ApplyWallpaper(r->BodyWallpaper, wall, 50);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x)
      ASSERT_EQ(r->BaseBitmap.Pixel(x, y), wall.Pixel(x, y)) << x << "," << y;
  for (int x = 0; x < 640; ++x) {
    ASSERT_EQ(r->BaseBitmap.Pixel(x, 480), kWhite);
    ASSERT_EQ(r->BaseBitmap.Pixel(x, 481), kGrey);
  }
  // The never-filled atlas draws solid white cells at the line positions.
  EXPECT_EQ(r->BackBuffer.Pixel(20, 19), kWhite);
  EXPECT_EQ(r->BackBuffer.Pixel(43, 42), kWhite);
  EXPECT_EQ(r->BackBuffer.Pixel(44, 43), kBlack);
  EXPECT_EQ(r->BackBuffer.Pixel(67, 435 + 23), kWhite);
  EXPECT_EQ(r->BackBuffer.Pixel(68, 435), wall.Pixel(68, 435));
  EXPECT_EQ(r->BackBuffer.Pixel(20, 45), wall.Pixel(20, 45));
  // Page bar at 500 of 1000: 100 white pixels.
  EXPECT_EQ(r->BackBuffer.Pixel(20, 468), kWhite);
  EXPECT_EQ(r->BackBuffer.Pixel(117, 471), kWhite);
  EXPECT_EQ(r->BackBuffer.Pixel(120, 471), kDarkGrey);
  EXPECT_EQ(r->BackBuffer.Pixel(38, 470), wall.Pixel(38, 470));
  // The wipe brought all of it onto the window.
  EXPECT_EQ(platform.Copies.size(), 640u);
  EXPECT_EQ(platform.Window, r->BackBuffer);
}

TEST_F(TextScreenTest, WithoutThePageBarSettingTheBarAreaIsWallpaper) {
  r->IntSettings[kPageBar] = 0;
  r->ShowTextScreen();
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x)
      ASSERT_EQ(r->BackBuffer.Pixel(x, y), r->BaseBitmap.Pixel(x, y)) << x << "," << y;
}

}  // namespace
