#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "TitleFixture.h"
#include "text/SjisTexts.h"

namespace {

const char* const kItems[4] = {sjis::kTitleItem0, sjis::kTitleItem1, sjis::kTitleItem2,
                               sjis::kTitleItem3};

std::uint8_t Byte(Colour c, int channel) {  // 0 blue, 1 green, 2 red
  return channel == 0 ? BlueOf(c) : channel == 1 ? GreenOf(c) : RedOf(c);
}
Colour FromBytes(const int b[3]) { return Colour(b[2]) | Colour(b[1]) << 8 | Colour(b[0]) << 16; }

// The cover wallpaper tiled from the top-left and scaled to brightness/100
// in 256ths.
Colour WallpaperAt(const Bitmap& tile, int brightness, int x, int y) {
  const int f = brightness * 256 / 100;
  Colour src = tile.Pixel(x % tile.Width(), y % tile.Height());
  int b[3];
  for (int ch = 0; ch < 3; ++ch) b[ch] = (Byte(src, ch) * f) >> 8;
  return FromBytes(b);
}

std::size_t SlotOf(std::uint8_t lead, std::uint8_t trail) {
  const int l = lead >= 0xE0 ? lead - 0x40 : lead;
  return std::size_t(l - 0x81) * 189 + (trail - 0x40);
}

// Atlas glyph drawing by the documented blend: per row, the shadow one pixel
// down-right is darkened by w/16, then the pixel itself is blended towards
// the text colour by (16 - w)/16.
void DrawReference(Bitmap& b, int x, int y, const std::string& s, Colour colour,
                   const std::vector<std::uint8_t>& atlas) {
  for (std::size_t k = 0; k + 1 < s.size(); k += 2, x += 24) {
    const std::uint8_t* slot =
        atlas.data() + SlotOf(std::uint8_t(s[k]), std::uint8_t(s[k + 1])) * kAtlasSlotBytes;
    for (int row = 0; row < 24; ++row)
      for (int col = 0; col < 24; ++col) {
        const int w = slot[row * 24 + col];
        int sh[3], gl[3];
        const Colour under = b.Pixel(x + col + 1, y + row + 1);
        for (int ch = 0; ch < 3; ++ch) sh[ch] = (Byte(under, ch) * w) >> 4;
        b.SetPixel(x + col + 1, y + row + 1, FromBytes(sh));
        const Colour here = b.Pixel(x + col, y + row);
        for (int ch = 0; ch < 3; ++ch)
          gl[ch] = (Byte(here, ch) * w + (16 - w) * Byte(colour, ch)) >> 4;
        b.SetPixel(x + col, y + row, FromBytes(gl));
      }
  }
}

// Reports the first few differing pixels of two pictures over a region,
// comparing only where `valid` says so.
::testing::AssertionResult SamePixels(const Bitmap& want, const Bitmap& got, int w, int h,
                                      const std::function<bool(int, int)>& valid) {
  int bad = 0;
  std::string first;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (valid(x, y) && want.Pixel(x, y) != got.Pixel(x, y)) {
        if (++bad <= 3) {
          char buf[96];
          snprintf(buf, sizeof buf, " (%d,%d) want %06X got %06X", x, y, want.Pixel(x, y),
                   got.Pixel(x, y));
          first += buf;
        }
      }
  if (bad == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << bad << " pixels differ:" << first;
}

struct BoxCase {
  int X, Y, Z;
};

class TitleImages : public TitleFixture, public ::testing::WithParamInterface<BoxCase> {
 protected:
  int X = 0, Y = 0, Z = 0;
  // Expected BaseBitmap: the two menu images at x 0..287, y 0..111.
  Bitmap images{640, 482};

  bool OnScreen(int x, int y) const { return x >= 0 && x < 640 && y >= 0 && y < 480; }
  // Image pixels whose box pixel lies on the screen; the rest of the image
  // area is not defined.
  bool ValidImagePixel(int i, int j) const {
    return i < 288 && j < 112 && OnScreen(X + i % 144, Y + j);
  }

  void Build() {
    images = r->BaseBitmap;  // only the valid pixels are predicted below
    for (int j = 0; j < 112; ++j)
      for (int i = 0; i < 144; ++i)
        if (OnScreen(X + i, Y + j)) {
          Colour c = WallpaperAt(r->CoverWallpaper, 50, X + i, Y + j);
          images.SetPixel(i, j, c);
          images.SetPixel(144 + i, j, c);
        }
    const int ox[4] = {0, 0, Z, 2 * Z};
    for (int i = 0; i < 4; ++i)
      DrawReference(images, ox[i], 28 * i, kItems[i], kWhite, r->FontAtlas);
    for (int i = 0; i < 4; ++i)
      DrawReference(images, 144 + ox[i], 28 * i, kItems[i], kGrey, r->FontAtlas);
    for (int i = 0; i < 4; ++i)
      for (int x = 0; x < 144; ++x) {
        images.SetPixel(x, 28 * i + 25, kWhite);
        images.SetPixel(x, 28 * i + 26, kGrey);
      }
  }

  // The screen: wallpaper, with the normal image at the box.
  Colour ScreenAt(int x, int y) const {
    const int i = x - X, j = y - Y;
    if (i >= 0 && i < 144 && j >= 0 && j < 112) return images.Pixel(144 + i, j);
    return WallpaperAt(r->CoverWallpaper, 50, x, y);
  }
};

TEST_P(TitleImages, MenuImagesScreenAndHighlightedRows) {
  X = GetParam().X;
  Y = GetParam().Y;
  Z = GetParam().Z;
  r->IntSettings[kMenuPosX] = X;
  r->IntSettings[kMenuPosY] = Y;
  r->IntSettings[kMenuPosZ] = Z;
  Redraw();
  Build();

  EXPECT_TRUE(SamePixels(images, r->BaseBitmap, 288, 112, [&](int i, int j) {
    return ValidImagePixel(i, j);
  })) << "menu images in BaseBitmap";
  // The highlighted image carries the underline over the whole row; the
  // normal one has none.
  for (int i = 0; i < 4; ++i)
    for (int x = 0; x < 144; ++x) {
      if (ValidImagePixel(x, 28 * i + 25)) {
        EXPECT_EQ(r->BaseBitmap.Pixel(x, 28 * i + 25), kWhite);
      }
      if (ValidImagePixel(x, 28 * i + 26)) {
        EXPECT_EQ(r->BaseBitmap.Pixel(x, 28 * i + 26), kGrey);
      }
    }

  Bitmap screen(640, 480);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) screen.SetPixel(x, y, ScreenAt(x, y));
  EXPECT_TRUE(SamePixels(screen, r->BackBuffer, 640, 480, [](int, int) { return true; }))
      << "BackBuffer holds the normal image";
  EXPECT_TRUE(SamePixels(screen, platform.Window, 640, 480, [](int, int) { return true; }))
      << "window after the paint";

  // Walk the highlight down and off again: only the window changes, by
  // copies of one 144 x 28 row from BaseBitmap.
  const Bitmap backBefore = r->BackBuffer;
  int previous = -1;
  for (int k : {0, 1, 2, 3, -1}) {
    platform.Copies.clear();
    r->SelectTitleItem(k, false);
    EXPECT_EQ(r->Mode, k);
    std::size_t expectedCopies = (previous != -1) + (k != -1);
    ASSERT_EQ(platform.Copies.size(), expectedCopies) << "item " << k;
    std::size_t n = 0;
    if (previous != -1) {
      const WindowCopy& c = platform.Copies[n++];
      EXPECT_EQ(c.Source, &r->BaseBitmap);
      EXPECT_EQ(c.Sx, 144);
      EXPECT_EQ(c.Sy, 28 * previous);
      EXPECT_EQ(c.Dx, X);
      EXPECT_EQ(c.Dy, Y + 28 * previous);
    }
    if (k != -1) {
      const WindowCopy& c = platform.Copies[n];
      EXPECT_EQ(c.Source, &r->BaseBitmap);
      EXPECT_EQ(c.Sx, 0);
      EXPECT_EQ(c.Sy, 28 * k);
      EXPECT_EQ(c.W, 144);
      EXPECT_EQ(c.H, 28);
      EXPECT_EQ(c.Dx, X);
      EXPECT_EQ(c.Dy, Y + 28 * k);
    }
    Bitmap window = screen;
    if (k != -1)
      for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
          const int i = x - X, j = y - Y;
          if (i >= 0 && i < 144 && j >= 28 * k && j < 28 * k + 28)
            window.SetPixel(x, y, images.Pixel(i, j));
        }
    EXPECT_TRUE(SamePixels(window, platform.Window, 640, 480, [](int, int) { return true; }))
        << "window with item " << k << " highlighted";
    EXPECT_TRUE(r->BackBuffer == backBefore);
    previous = k;
  }
}

INSTANTIATE_TEST_SUITE_P(Boxes, TitleImages,
                         ::testing::Values(BoxCase{456, 328, 24}, BoxCase{456, 328, 0},
                                           BoxCase{600, -20, 24}, BoxCase{-30, 400, 12}),
                         [](const auto& info) {
                           const BoxCase& b = info.param;
                           auto n = [](int v) {
                             return v < 0 ? "m" + std::to_string(-v) : std::to_string(v);
                           };
                           return "X" + n(b.X) + "_Y" + n(b.Y) + "_Z" + n(b.Z);
                         });

TEST_F(TitleFixture, InkOfWeightZeroIsWhiteWhenHighlightedAndGreyOtherwise) {
  // First pixel of the first glyph of item 0 whose background weight is 0.
  const std::uint8_t* slot =
      r->FontAtlas.data() +
      SlotOf(std::uint8_t(kItems[0][0]), std::uint8_t(kItems[0][1])) * kAtlasSlotBytes;
  int at = 0;
  while (slot[at] != 0) ++at;
  const int col = at % 24, row = at / 24;
  EXPECT_EQ(r->BaseBitmap.Pixel(col, row), kWhite);
  EXPECT_EQ(r->BaseBitmap.Pixel(144 + col, row), kGrey);
  EXPECT_EQ(r->BackBuffer.Pixel(456 + col, 328 + row), kGrey);
}

TEST_F(TitleFixture, DrawingTheCoverResetsModeMenusAndLeavesTheFontGrey) {
  r->SelectTitleItem(2, false);
  r->MTitle1.Enabled = true;
  r->MSave1.Enabled = true;
  r->MLoad1.Enabled = false;
  r->GlyphFont.Color = kWhite;
  const long long pumps = platform.Pumps;
  Forget();

  r->DrawTitleScreen(false);
  EXPECT_EQ(r->Mode, -1);
  EXPECT_FALSE(r->MTitle1.Enabled);
  EXPECT_FALSE(r->MSave1.Enabled);
  EXPECT_TRUE(r->MLoad1.Enabled);
  EXPECT_GE(platform.MenuChanges, 1);
  EXPECT_EQ(r->GlyphFont.Color, kGrey);
  EXPECT_GT(platform.Pumps, pumps);
  // The highlight is gone from the window too: it shows BackBuffer.
  EXPECT_TRUE(platform.Window == r->BackBuffer);
}

TEST_F(TitleFixture, CoverWithWipeEndsShowingTheBackBuffer) {
  platform.Window.SetSize(640, 480, kBlack);
  r->DrawTitleScreen(true);
  EXPECT_EQ(r->Mode, -1);
  EXPECT_TRUE(platform.Window == r->BackBuffer);
}

TEST_F(TitleFixture, HighlightingTheSameItemAgainCopiesNothing) {
  r->SelectTitleItem(1, false);
  platform.Copies.clear();
  r->SelectTitleItem(1, false);
  EXPECT_TRUE(platform.Copies.empty());
  r->SelectTitleItem(-1, false);
  platform.Copies.clear();
  r->SelectTitleItem(-1, false);
  EXPECT_TRUE(platform.Copies.empty());
}

TEST_F(TitleFixture, HitTestCoversFourRowsOf28) {
  struct {
    int x, y, item;
  } const rows[] = {
      {456, 328, 0},  {599, 355, 0},  {456, 356, 1},  {500, 384, 2},  {599, 439, 3},
      {455, 328, -1}, {600, 328, -1}, {456, 327, -1}, {456, 440, -1}, {0, 0, -1},
  };
  for (const auto& row : rows)
    EXPECT_EQ(r->TitleHitTest(row.x, row.y), row.item) << row.x << "," << row.y;

  // Corners from the settings file are not checked; the box edges are
  // computed without wrapping.
  r->IntSettings[kMenuPosX] = INT32_MAX - 10;
  r->IntSettings[kMenuPosY] = INT32_MAX - 60;
  EXPECT_EQ(r->TitleHitTest(INT32_MAX, INT32_MAX), 2);
  EXPECT_EQ(r->TitleHitTest(0, 0), -1);
  r->IntSettings[kMenuPosX] = INT32_MIN;
  r->IntSettings[kMenuPosY] = INT32_MIN;
  EXPECT_EQ(r->TitleHitTest(0, 0), -1);
}

TEST_F(TitleFixture, ExtremeMenuPositionsDrawNothingOfTheMenuAndDoNotCrash) {
  for (int v : {INT32_MAX, INT32_MIN}) {
    r->IntSettings[kMenuPosX] = v;
    r->IntSettings[kMenuPosY] = v;
    r->IntSettings[kMenuPosZ] = v;
    Redraw();
    for (int y = 0; y < 480; y += 7)
      for (int x = 0; x < 640; x += 7)
        ASSERT_EQ(r->BackBuffer.Pixel(x, y), WallpaperAt(r->CoverWallpaper, 50, x, y));
    r->SelectTitleItem(3, false);
    EXPECT_TRUE(platform.Window == r->BackBuffer);
  }
}

// ---- carrying out the items ----

struct WarningCase {
  const char* name;
  int item;
  bool textSet;  // the setting Text (item 0) or the resume record (item 1) names a file
  const char* message;
};

class TitleWarnings : public TitleFixture, public ::testing::WithParamInterface<WarningCase> {};

TEST_P(TitleWarnings, BeepAndWarningBoxLeaveEverythingAsItWas) {
  const WarningCase& c = GetParam();
  const std::string missing = dir + "/gone.txt";
  if (c.item == 0 && c.textSet) r->StrSettings[kText] = missing;
  if (c.item == 1) {
    r->StrSettings[kText] = MakeFile("chosen.txt", "abc");
    if (c.textSet) r->Records[0] = {missing, 40, 100};
  }
  r->UpdateCaption();
  const std::string text = r->StrSettings[kText];
  const std::string caption = r->Caption();
  r->SelectTitleItem(c.item, false);
  const Bitmap back = r->BackBuffer;
  Forget();

  r->SelectTitleItem(-1, true);  // the index is ignored: Mode decides
  EXPECT_EQ(platform.Beeps, 1);
  ASSERT_EQ(platform.Boxes.size(), 1u);
  EXPECT_EQ(platform.Boxes[0].Kind, BoxKind::Warning);
  EXPECT_EQ(platform.Boxes[0].Text, c.message);
  EXPECT_EQ(platform.Boxes[0].Caption, sjis::kWarningTitle);
  EXPECT_EQ(r->Mode, c.item);
  EXPECT_EQ(r->StrSettings[kText], text);
  EXPECT_EQ(r->Caption(), caption);
  EXPECT_TRUE(r->BackBuffer == back);
  EXPECT_TRUE(platform.Copies.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Items, TitleWarnings,
    ::testing::Values(WarningCase{"NoTextChosen", 0, false, sjis::kMsgChooseTextFirst},
                      WarningCase{"TextMissing", 0, true, sjis::kMsgFileNotFound},
                      WarningCase{"NoResumeRecord", 1, false, sjis::kMsgNoResumeRecord},
                      WarningCase{"ResumeFileMissing", 1, true, sjis::kMsgFileNotFound}),
    [](const auto& info) { return std::string(info.param.name); });

// The two reading items run a real reading, left again at once through the
// back-to-cover command; the resume record it stores shows which file was
// read and from which byte.
TEST_F(TitleFixture, ReadFromTheBeginningReadsTheChosenTextFromByteZero) {
  const std::string story = MakeFile("story.txt", "ABCDEFGH");
  r->StrSettings[kText] = story;
  r->SelectTitleItem(0, false);
  Forget();
  platform.OnPump = [&] {
    if (r->Mode == 4) r->MTitle1Click();
  };

  r->SelectTitleItem(0, true);
  EXPECT_TRUE(platform.Boxes.empty());
  EXPECT_EQ(r->Records[0].Text, story);
  EXPECT_EQ(r->Records[0].Index, 0);
  EXPECT_EQ(r->Records[0].Length, 8);
  EXPECT_EQ(r->Mode, -1);  // back on the cover
}

TEST_F(TitleFixture, ContinueReadsTheResumeRecordsFileFromItsIndex) {
  const std::string resumed = MakeFile("resumed.txt", "ABCDEFGH");
  r->StrSettings[kText] = MakeFile("other.txt", "abc");
  r->Records[0] = {resumed, 4, 8};
  r->SelectTitleItem(1, false);
  Forget();
  platform.OnPump = [&] {
    if (r->Mode == 4) r->MTitle1Click();
  };

  r->SelectTitleItem(1, true);
  EXPECT_TRUE(platform.Boxes.empty());
  // The resume record's file becomes the chosen text, caption and all.
  EXPECT_EQ(r->StrSettings[kText], resumed);
  ASSERT_FALSE(platform.Captions.empty());
  EXPECT_EQ(platform.Captions.back(), "resumed.txt - Pagelune");
  EXPECT_EQ(r->Records[0].Text, resumed);
  EXPECT_EQ(r->Records[0].Index, 4);
  EXPECT_EQ(r->Mode, -1);
}

TEST_F(TitleFixture, AnEmptyTextIsRefusedByTheReadingAndTheCoverStays) {
  r->StrSettings[kText] = MakeFile("empty.txt", "");
  r->SelectTitleItem(0, false);
  const Bitmap back = r->BackBuffer;
  Forget();
  r->SelectTitleItem(0, true);
  ASSERT_EQ(platform.Boxes.size(), 1u);
  EXPECT_EQ(platform.Boxes[0].Text, sjis::kMsgEmptyFile);
  EXPECT_EQ(platform.Beeps, 1);
  EXPECT_EQ(r->Mode, 0);
  EXPECT_TRUE(r->BackBuffer == back);
}

struct DialogCase {
  const char* name;
  const char* text;  // setting Text before
  bool confirm;
  const char* chosen;  // path the dialog returns when confirmed
  int filterIndex;     // what the reader leaves the filter on
  const char *wantDir, *wantName;
  const char* wantText;  // setting Text after
};

class TitleDialog : public TitleFixture, public ::testing::WithParamInterface<DialogCase> {};

TEST_P(TitleDialog, ChoosingATextKeepsTheFilterIndexEitherWay) {
  const DialogCase& c = GetParam();
  r->StrSettings[kText] = c.text;
  r->OpenDialog1FilterIndex = 2;
  r->IntSettings[kFilterIndex] = 2;
  r->SelectTitleItem(2, false);
  const Bitmap back = r->BackBuffer;
  const std::size_t captions = platform.Captions.size();
  Forget();
  platform.ChooseFileAnswer = [&](FileDialogRequest& req) {
    req.FilterIndex = c.filterIndex;
    if (c.confirm) req.Chosen = c.chosen;
    return c.confirm;
  };

  r->SelectTitleItem(2, true);
  ASSERT_EQ(platform.FileDialogs.size(), 1u);
  const FileDialogRequest& req = platform.FileDialogs[0];
  EXPECT_EQ(req.Title, sjis::kOpenDialog1Title);
  EXPECT_EQ(req.Filter, sjis::kOpenDialog1Filter);
  EXPECT_EQ(req.FilterIndex, 2);
  EXPECT_EQ(req.InitialDir, c.wantDir);
  EXPECT_EQ(req.FileName, c.wantName);

  EXPECT_EQ(r->StrSettings[kText], c.wantText);
  EXPECT_EQ(r->IntSettings[kFilterIndex], c.filterIndex);
  EXPECT_EQ(r->OpenDialog1FilterIndex, c.filterIndex);
  if (c.confirm) {
    ASSERT_EQ(platform.Captions.size(), captions + 1);
    EXPECT_EQ(platform.Captions.back(), FileNamePart(c.chosen) + " - Pagelune");
  } else {
    EXPECT_EQ(platform.Captions.size(), captions);
  }
  // No reading starts and the cover stays as it was.
  EXPECT_EQ(r->Mode, 2);
  EXPECT_TRUE(r->BackBuffer == back);
  EXPECT_EQ(platform.Beeps, 0);
  EXPECT_TRUE(platform.Boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Answers, TitleDialog,
    ::testing::Values(DialogCase{"CancelledWithNoText", "", false, "", 3, "", "", ""},
                      DialogCase{"CancelledKeepsText", "/books/old/a.txt", false, "", 1,
                                 "/books/old", "a.txt", "/books/old/a.txt"},
                      DialogCase{"Confirmed", "/books/old/a.txt", true, "/books/new/story.htm", 2,
                                 "/books/old", "a.txt", "/books/new/story.htm"},
                      DialogCase{"ConfirmedFromNothing", "", true, "/b.txt", 3, "", "", "/b.txt"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TitleFixture, QuitClosesTheWindow) {
  platform.Owner = r.get();
  r->SelectTitleItem(3, false);
  r->SelectTitleItem(3, true);
  EXPECT_TRUE(platform.CloseRequested);
  EXPECT_TRUE(r->Closing);
}

TEST_F(TitleFixture, NothingHighlightedCarriesOutNothing) {
  platform.Owner = r.get();
  r->SelectTitleItem(2, true);  // Mode is -1; the index does not count
  EXPECT_TRUE(platform.FileDialogs.empty());
  EXPECT_TRUE(platform.Boxes.empty());
  EXPECT_FALSE(platform.CloseRequested);
  EXPECT_EQ(r->Mode, -1);
}

}  // namespace
