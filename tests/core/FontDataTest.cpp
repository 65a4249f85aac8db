// Font data files: the bytes of a glyph slot, whole and aborted files made
// on one or more threads, failures that leave nothing, and loading.
#include <sys/stat.h>

#include <thread>

#include "Rig.h"
#include "dialog/SettingsDialog.h"
#include "render/FontData.h"

namespace {

// Ink that names the code: block (0, 0) has trail % 17 inked pixels (any
// value but 0 is ink), block (1, 0) lead % 17; the full-width space none.
bool Fake(std::uint8_t lead, std::uint8_t trail, GlyphMask& out) {
  out = GlyphMask{96, 96, std::vector<std::uint8_t>(96 * 96)};
  if (lead == 0x81 && trail == 0x40) return true;
  for (int i = 0; i < trail % 17; ++i) out.Alpha[(i / 4) * 96 + i % 4] = std::uint8_t(1 + i);
  for (int i = 0; i < lead % 17; ++i) out.Alpha[(i / 4) * 96 + 4 + i % 4] = 255;
  return true;
}

std::string Row(int row) {
  std::string s;
  const int lead = row < 31 ? 0x81 + row : 0xE0 + row - 31;
  for (int t = 0x40; t <= 0xFC; ++t) {
    std::string slot(576, 16);
    if (lead != 0x81 || t != 0x40) {
      slot[0] = char(16 - t % 17);
      slot[1] = char(16 - lead % 17);
    }
    s += slot;
  }
  return s;
}

// Makes a file, aborting after abortAfter rows (0: never); the progress
// calls it saw, each on the calling thread, and whether any rasteriser was
// used by two threads.
FontDataResult Make(const std::string& path, int threads, int abortAfter,
                    std::string* seen = nullptr) {
  std::string progress;
  int done = 0;
  const auto caller = std::this_thread::get_id();
  auto factory = [&] { return progress += "f", FontRasterFn(Fake); };
  const FontDataResult r = CreateFontData(
      path, factory,
      [&](int rows) {
        done = rows;
        progress += std::to_string(rows) + (std::this_thread::get_id() == caller ? "," : "!");
      },
      [&] { return abortAfter > 0 && done >= abortAfter; }, threads);
  if (seen) *seen = progress;
  return r;
}

std::vector<std::string> Names(const std::string& dir) {
  std::vector<std::string> n;
  for (const auto& e : std::filesystem::directory_iterator(dir)) n.push_back(e.path().filename());
  std::sort(n.begin(), n.end());
  return n;
}

TEST(FontData, SlotCountsExactlyBlackPixelsOfEachBlock) {
  GlyphMask m{100, 98, std::vector<std::uint8_t>(100 * 98)};
  for (int y = 0; y < 98; ++y)
    for (int x = 0; x < 100; ++x) m.Alpha[y * 100 + x] = (x * 7 + y * 3) % 5 == 0 ? 0 : (x + y) % 3;
  std::uint8_t slot[576];
  EncodeGlyphSlot(m, slot);
  for (int b = 0; b < 24; ++b)
    for (int a = 0; a < 24; ++a) {
      int n = 0;
      for (int k = 0; k < 16; ++k) n += m.Alpha[(4 * b + k / 4) * 100 + 4 * a + k % 4] == 0;
      ASSERT_EQ(slot[b * 24 + a], n) << a << "," << b;
    }
  EncodeGlyphSlot(GlyphMask{1, 1, {9}}, slot);  // a one-pixel glyph is ink too
  EXPECT_EQ(slot[0], 15);
  // A code the font cannot draw gets a blank slot.
  std::uint8_t row[108864];
  EncodeFontDataRow(
      31, [](std::uint8_t, std::uint8_t, GlyphMask&) { return false; }, row);
  EXPECT_EQ(std::count(row, row + 108864, 16), 108864);
}

// A complete file: 47 rows in order, then the first three slots of the last
// row; any number of threads writes the same bytes, progress row by row on
// the calling thread; a link is written through. An aborted run leaves the
// older file of that name as it was and nothing beside it.
TEST(FontData, WholeAndAbortedFiles) {
  Rig rig("", false);
  std::string progress;
  const mode_t mask = umask(027);
  ASSERT_EQ(Make(rig.File("a.fdt"), 1, 0, &progress), FontDataResult::Done);
  EXPECT_EQ(std::filesystem::status(rig.File("a.fdt")).permissions(), std::filesystem::perms(0640));
  std::string want;
  for (int row = 0; row < 47; ++row) want += Row(row);
  want += Row(46).substr(0, 1728);
  const std::string whole = rig.Read("a.fdt");
  ASSERT_EQ(whole.size(), 5118336u);
  EXPECT_TRUE(whole == want);
  std::string count;
  for (int i = 1; i <= 47; ++i) count += std::to_string(i) + ",";
  EXPECT_EQ(progress, "f" + count);  // one rasteriser a thread
  std::filesystem::create_symlink("b.real", rig.File("b.fdt"));
  for (int threads : {2, 3}) {
    ASSERT_EQ(Make(rig.File("b.fdt"), threads, 0, &progress), FontDataResult::Done);
    EXPECT_TRUE(rig.Read("b.fdt") == whole);
    EXPECT_EQ(progress, std::string(threads, 'f') + count);
  }
  const std::string old(kAtlasBytes, 'o');
  rig.Write("c.fdt", old);
  std::filesystem::permissions(rig.File("c.fdt"), std::filesystem::perms(0604));
  // Left by a run that was killed: the next run removes it.
  rig.Write("c.fdt.Zz09Aa.pagelune-tmp", "x");
  std::filesystem::last_write_time(
      rig.File("c.fdt.Zz09Aa.pagelune-tmp"),
      std::filesystem::file_time_type::clock::now() - std::chrono::minutes(2));
  for (auto [k, threads] : {std::pair{1, 1}, {5, 2}, {47, 2}}) {
    ASSERT_EQ(Make(rig.File("c.fdt"), threads, k), FontDataResult::Aborted);
    EXPECT_TRUE(rig.Read("c.fdt") == old) << k;
  }
  EXPECT_EQ(Names(rig.Dir), (std::vector<std::string>{"a.fdt", "b.fdt", "b.real", "c.fdt"}));
  ASSERT_EQ(Make(rig.File("c.fdt"), 2, 0), FontDataResult::Done);  // an older file is replaced
  EXPECT_TRUE(rig.Read("c.fdt") == whole);
  EXPECT_EQ(std::filesystem::status(rig.File("c.fdt")).permissions(), std::filesystem::perms(0604));
  umask(mask);
}

// A place that cannot be written, or a rasteriser that throws, leaves
// nothing behind; a missing folder is found before any row is made.
TEST(FontData, FailuresLeaveNothing) {
  Rig rig("", false);
  std::string progress;
  EXPECT_EQ(Make(rig.File("no/a.fdt"), 1, 0, &progress), FontDataResult::WriteFailed);
  EXPECT_EQ(progress, "");
  std::filesystem::create_directory(rig.File("taken.fdt"));
  for (int threads : {1, 2}) {
    EXPECT_EQ(Make(rig.File("taken.fdt"), threads, 2), FontDataResult::WriteFailed);
    auto factory = [] {
      return FontRasterFn([](std::uint8_t lead, std::uint8_t trail, GlyphMask& out) {
        if (lead == 0x84) throw std::runtime_error("font gone");
        return Fake(lead, trail, out);
      });
    };
    EXPECT_THROW(CreateFontData(rig.File("x.fdt"), factory, nullptr, nullptr, threads),
                 std::runtime_error);
    EXPECT_EQ(Names(rig.Dir), std::vector<std::string>{"taken.fdt"});
    EXPECT_TRUE(std::filesystem::is_empty(rig.File("taken.fdt")));
  }
}

// Font data is read only while FontType asks for it and drawn from only
// whole: else the font draws and startup warns once, naming the file. The
// dialog refuses a file cut short or not a regular file (never waited on),
// and reads one when font data comes into use.
TEST(FontData, DrawnOnlyWhole) {
  const std::pair<int, long long> cases[] = {
      {1, kAtlasBytes}, {2, kAtlasBytes + 9}, {1, kAtlasBytes - 1}, {1, -1}, {1, -2},  // a FIFO
      {0, kAtlasBytes}};
  const std::string cut = "f.fdt は完全なフォントデータではありません。",
                    fifo = "f.fdt\nファイルを読み込めません。";
  for (auto [fontType, size] : cases) {
    Rig rig("[System]\r\nFontData=f.fdt\r\nFontType=" + std::to_string(fontType) + "\r\n", false);
    if (size >= 0) rig.Write("f.fdt", std::string(size, 4));
    if (size == -2) mkfifo("f.fdt", 0600);
    rig.R->FormCreate();
    const bool atlas = fontType != 0 && size >= kAtlasBytes;
    EXPECT_EQ(rig.R->UsesAtlas(), atlas) << size;
    EXPECT_EQ(std::pair(rig.R->FontAtlas[0], rig.P.Rasterizations > 0),
              std::pair(std::uint8_t(atlas ? 4 : 0), !atlas));
    EXPECT_EQ(rig.P.Log, atlas || !fontType ? "" : "! W:" + (size == -2 ? fifo : cut) + " ");
    SettingsDialogFields f;
    f.RadioButton2 = true;
    f.Edit8 = "f.fdt";
    EXPECT_EQ(ToUtf8(CheckSettingsDialog(*rig.R, f).Message), size == -2 ? fifo
                                                              : size >= 0 && size < kAtlasBytes
                                                                  ? cut
                                                                  : "");
    if (fontType != 0) continue;
    std::array<std::int32_t, kIntSettingCount> dlg = rig.R->IntSettings;
    ApplySettingsDialog(*rig.R, dlg, f);
    EXPECT_TRUE(rig.R->UsesAtlas());
  }
}

}  // namespace
