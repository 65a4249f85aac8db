// Startup and shutdown of the reader object: defaults on a fresh machine,
// bookmark captions, centring, the resume record at close, and the
// conversion tables.
#include <gtest/gtest.h>

#include <memory>

#include "platform/Sjis.h"
#include "reader/Reader.h"
#include "ScriptedPlatform.h"
#include "TempDir.h"
#include "text/SjisTexts.h"

namespace {

std::unique_ptr<Reader> Start(ScriptedPlatform& p) {
  auto r = std::make_unique<Reader>(&p);
  p.Owner = r.get();
  r->FormCreate();
  return r;
}

TEST(Startup, FirstStartWithoutSettingsFile) {
  TempDir dir;
  ScriptedPlatform p;
  auto r = Start(p);

  ASSERT_FALSE(p.Captions.empty());
  EXPECT_EQ(p.Captions.back(), "Pagelune");
  EXPECT_EQ(r->Caption(), "Pagelune");
  for (int k = 0; k < 20; ++k) {
    EXPECT_EQ(r->DataItems[k].Caption, sjis::kNotInUse) << k;
    EXPECT_EQ(r->DataItems[k].Tag, k);
    EXPECT_EQ(r->DataItems[k].Enabled, k < 10) << k;  // load items disabled
  }
  EXPECT_EQ(r->MSave1.Items.size(), 10u);
  EXPECT_EQ(r->MLoad1.Items.size(), 10u);
  EXPECT_EQ(r->MSave1.Items[3], &r->DataItems[3]);
  EXPECT_EQ(r->MLoad1.Items[3], &r->DataItems[13]);
  EXPECT_EQ(r->Mode, -1);
  EXPECT_FALSE(r->MTitle1.Enabled);
  EXPECT_FALSE(r->MSave1.Enabled);
  EXPECT_TRUE(r->MLoad1.Enabled);

  // Both wallpapers are the grey tile.
  for (const Bitmap* w : {&r->CoverWallpaper, &r->BodyWallpaper}) {
    EXPECT_EQ(w->Width(), 16);
    EXPECT_EQ(w->Height(), 16);
    EXPECT_EQ(w->Pixel(5, 7), kGrey);
  }
  // The marker rows of the clean background.
  EXPECT_EQ(r->BaseBitmap.Height(), 482);
  EXPECT_EQ(r->BaseBitmap.Pixel(0, 480), kWhite);
  EXPECT_EQ(r->BaseBitmap.Pixel(639, 480), kWhite);
  EXPECT_EQ(r->BaseBitmap.Pixel(0, 481), kGrey);
  EXPECT_EQ(r->BaseBitmap.Pixel(639, 481), kGrey);
  EXPECT_EQ(r->GlyphBitmap.Width(), 72);
  EXPECT_EQ(r->StartDir, dir.Path());
  EXPECT_EQ(r->StrSettings[kWallpaper1], dir.Path() + "/wall1.bmp");
  // The atlas is all zero without font data.
  EXPECT_EQ(r->FontAtlas.size(), std::size_t(kAtlasBytes));
}

TEST(Startup, WindowIsCentredByItsOuterSize) {
  TempDir dir;
  ScriptedPlatform p;
  p.DesktopWidth = 1024;
  p.DesktopHeight = 768;
  p.OuterWidth = 646;
  p.OuterHeight = 525;
  auto r = Start(p);
  EXPECT_EQ(p.Left, (1024 - 646) / 2);
  EXPECT_EQ(p.Top, (768 - 525) / 2);
  EXPECT_EQ(r->ScreenWidth, 1024);
  EXPECT_EQ(r->ScreenHeight, 768);
  EXPECT_EQ(r->SavedDisplayMode.Size, 156);
  EXPECT_EQ(r->SavedDisplayMode.Fields, 0x1C0000u);
  EXPECT_EQ(r->SavedDisplayMode.PelsWidth, 1024u);
  EXPECT_EQ(r->SavedDisplayMode.BitsPerPel, 24u);
}

TEST(Startup, CaptionNamesTheChosenText) {
  TempDir dir;
  dir.Write("Yomibon.ini", "[System]\r\nText=/home/a/story.txt\r\n");
  ScriptedPlatform p;
  auto r = Start(p);
  EXPECT_EQ(r->Caption(), "story.txt - Pagelune");
  EXPECT_EQ(p.Captions.back(), "story.txt - Pagelune");
}

struct CaptionCase {
  const char* text;
  int index, length;
  std::string expected;
};

TEST(Startup, BookmarkCaptions) {
  const std::string sp = sjis::kIdeographicSpace;
  const CaptionCase cases[] = {
      {"/x/name", 1, 3, "name" + sp + "33 %"},  // truncated
      {"/x/name", 0, 3, "name" + sp + "0 %"},
      {"/x/a.txt", 500, 2000, "a.txt" + sp + "25 %"},
      {"/x/big.txt", 30000000, 40000000, "big.txt" + sp + "75 %"},  // no 32-bit overflow
      {"/x/name", 5, 0, "name" + sp + "? %"},  // hand-edited: no division by zero
      {"/x/name", 5, -7, "name" + sp + "? %"},
      {"", 5, 10, sjis::kNotInUse},
  };
  for (const auto& c : cases) {
    ReadRecord rec{c.text, c.index, c.length};
    EXPECT_EQ(Reader::BookmarkCaption(rec), c.expected) << c.text << " " << c.index;
  }
}

TEST(Startup, BookmarksFromTheSettingsFile) {
  TempDir dir;
  dir.Write("Yomibon.ini",
            "[Data0]\r\nText=/x/name\r\nIndex=1\r\nLength=3\r\n"
            "[Data9]\r\nText=/y/zero\r\nIndex=4\r\nLength=0\r\n");
  ScriptedPlatform p;
  auto r = Start(p);
  const std::string sp = sjis::kIdeographicSpace;
  EXPECT_EQ(r->DataItems[0].Caption, "name" + sp + "33 %");
  EXPECT_EQ(r->DataItems[10].Caption, "name" + sp + "33 %");
  EXPECT_TRUE(r->DataItems[10].Enabled);
  EXPECT_EQ(r->DataItems[19].Caption, "zero" + sp + "? %");
  EXPECT_TRUE(r->DataItems[19].Enabled);
  EXPECT_EQ(r->DataItems[11].Caption, sjis::kNotInUse);
  EXPECT_FALSE(r->DataItems[11].Enabled);
}

TEST(Shutdown, ClosingWhileReadingStoresTheResumePoint) {
  TempDir dir;
  ScriptedPlatform p;
  auto r = Start(p);
  r->StrSettings[kText] = "/books/story.txt";
  r->Mode = 4;
  r->PageStart = 1234;
  r->TextLength = 5678;
  r->FormClose();
  EXPECT_TRUE(r->Closing);
  EXPECT_EQ(r->Records[0].Text, "/books/story.txt");
  EXPECT_EQ(r->Records[0].Index, 1234);
  EXPECT_EQ(r->Records[0].Length, 5678);
  const std::string ini = dir.Read("Yomibon.ini");
  EXPECT_NE(ini.find("[Continue]\r\nText=/books/story.txt\r\nIndex=1234\r\nLength=5678\r\n"),
            std::string::npos);
}

TEST(Shutdown, ClosingOnTheCoverKeepsTheResumeRecord) {
  TempDir dir;
  dir.Write("Yomibon.ini", "[Continue]\r\nText=/b/old.txt\r\nIndex=40\r\nLength=80\r\n");
  ScriptedPlatform p;
  auto r = Start(p);
  r->PageStart = 999;
  r->FormClose();
  EXPECT_EQ(r->Records[0].Text, "/b/old.txt");
  EXPECT_EQ(r->Records[0].Index, 40);
  EXPECT_EQ(r->Records[0].Length, 80);
}

TEST(Shutdown, SettingsAreWrittenBeforeTheLastPump) {
  TempDir dir;
  ScriptedPlatform p;
  auto r = Start(p);
  bool fileAtPump = false;
  p.OnPump = [&] { fileAtPump = !dir.Read("Yomibon.ini").empty(); };
  const long long pumpsBefore = p.Pumps;
  r->FormClose();
  EXPECT_EQ(p.Pumps, pumpsBefore + 1);  // pending messages processed once
  EXPECT_TRUE(fileAtPump);
  // The bitmaps outlive the close: a run still on the stack may touch them.
  EXPECT_EQ(r->BackBuffer.Width(), 640);
}

TEST(Shutdown, AFailedWriteStillCloses) {
  TempDir dir;
  ScriptedPlatform p;
  auto r = Start(p);
  // A folder that is gone cannot take the file, even for root.
  r->StartDir = dir.Path() + "/gone";
  r->FormClose();
  ASSERT_FALSE(p.Boxes.empty());
  const std::string expected =
      dir.Path() + "/gone/Yomibon.ini" +
      "\x20\x82\xC9\x8F\x91\x82\xAB\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1";
  EXPECT_EQ(p.Boxes.back().Text, expected);
  EXPECT_TRUE(r->Closing);
}

// The rows of the conversion tables that matter most, pinned to their bytes.
TEST(ConversionTables, TellingRows) {
  TempDir dir;
  ScriptedPlatform p;
  auto r = Start(p);
  struct Row {
    int byte;
    unsigned code;
  };
  const Row ascii[] = {{0x20, 0x8140}, {0x22, 0x8168}, {0x27, 0x8166}, {0x2D, 0x817C},
                       {0x5C, 0x818F}, {0x60, 0x8165}, {0x7E, 0x8150}, {0x41, 0x8260},
                       {0x30, 0x824F}, {0x7A, 0x829A}};
  for (const Row& row : ascii) {
    const int o = 2 * (row.byte - 0x20);
    EXPECT_EQ(unsigned(r->AsciiToFull[o]) << 8 | r->AsciiToFull[o + 1], row.code) << row.byte;
  }
  const Row kana[] = {{0xA0, 0x8145}, {0xA5, 0x8145}, {0xB0, 0x815B}, {0xB1, 0x8341},
                      {0xB6, 0x834A}, {0xDE, 0x814A}, {0xDF, 0x814B}, {0xDD, 0x8393}};
  for (const Row& row : kana) {
    const int o = 2 * (row.byte - 0xA0);
    EXPECT_EQ(unsigned(r->KanaToFull[o]) << 8 | r->KanaToFull[o + 1], row.code) << row.byte;
  }
  // The whole tables read back as the two literals.
  EXPECT_EQ(ToUtf8(std::string(r->AsciiToFull.begin(), r->AsciiToFull.end())).substr(0, 9),
            "\xE3\x80\x80\xEF\xBC\x81\xE2\x80\x9D");  // "　！”"
}

TEST(Paths, FileAndFolderParts) {
  EXPECT_EQ(FileNamePart("/home/a/story.txt"), "story.txt");
  EXPECT_EQ(FileNamePart("story.txt"), "story.txt");
  EXPECT_EQ(FolderPart("/home/a/story.txt"), "/home/a");
  EXPECT_EQ(FolderPart("/story.txt"), "/");
  EXPECT_EQ(FolderPart("story.txt"), "");
  // A Shift-JIS name whose trail byte is 0x5C still splits at "/" only.
  EXPECT_EQ(FileNamePart("/a/\x95\x5C.txt"), "\x95\x5C.txt");
}

}  // namespace
