#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include "RenderFixture.h"
#include "TempDir.h"
#include "render/FontData.h"

namespace {

constexpr std::size_t kCompleteFile = 5'118'336;

// A stand-in rasteriser whose ink names the code: block (0, 0) has trail % 17
// ink pixels (of values 1..16: anything but 0 is ink), block (1, 0) has
// lead % 17. The full-width space 0x8140 has no ink.
bool FakeGlyph(std::uint8_t lead, std::uint8_t trail, GlyphMask& out) {
  out.Width = out.Height = 96;
  out.Alpha.assign(96 * 96, 0);
  if (lead == 0x81 && trail == 0x40) return true;
  for (int i = 0; i < trail % 17; ++i)
    out.Alpha[(i / 4) * 96 + i % 4] = static_cast<std::uint8_t>(1 + i);
  for (int i = 0; i < lead % 17; ++i) out.Alpha[(i / 4) * 96 + 4 + i % 4] = 255;
  return true;
}

std::string ExpectedSlot(std::uint8_t lead, std::uint8_t trail) {
  std::string s(kAtlasSlotBytes, 16);
  if (lead != 0x81 || trail != 0x40) {
    s[0] = static_cast<char>(16 - trail % 17);
    s[1] = static_cast<char>(16 - lead % 17);
  }
  return s;
}

std::uint8_t LeadOfRow(int row) {
  return static_cast<std::uint8_t>(row < 31 ? 0x81 + row : 0xE0 + row - 31);
}

std::string ExpectedRow(int row) {
  std::string s;
  for (int t = 0x40; t <= 0xFC; ++t)
    s += ExpectedSlot(LeadOfRow(row), static_cast<std::uint8_t>(t));
  return s;
}

struct MadeFile {
  FontDataResult result;
  std::vector<int> progress;
  int factoryCalls = 0;
  bool progressOffThread = false;
  bool rasteriserShared = false;
};

// Makes a file with FakeGlyph, aborting once abortAfter rows are written (0:
// never). Each rasteriser checks that it is only ever used by one thread.
MadeFile Make(const std::string& path, int threads, int abortAfter = 0) {
  MadeFile run;
  std::atomic<bool> shared{false};
  const auto caller = std::this_thread::get_id();
  auto factory = [&] {
    ++run.factoryCalls;
    auto owner = std::make_shared<std::atomic<std::thread::id>>();
    return FontRasterFn([owner, &shared](std::uint8_t lead, std::uint8_t trail, GlyphMask& out) {
      std::thread::id none;
      if (!owner->compare_exchange_strong(none, std::this_thread::get_id()) &&
          none != std::this_thread::get_id())
        shared = true;
      return FakeGlyph(lead, trail, out);
    });
  };
  run.result = CreateFontData(
      path, factory,
      [&](int rows) {
        run.progress.push_back(rows);
        if (std::this_thread::get_id() != caller) run.progressOffThread = true;
      },
      [&] { return abortAfter > 0 && int(run.progress.size()) >= abortAfter; }, threads);
  run.rasteriserShared = shared;
  return run;
}

std::vector<int> Count(int n) {
  std::vector<int> v(n);
  for (int i = 0; i < n; ++i) v[i] = i + 1;
  return v;
}

std::vector<std::string> FolderEntries(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(FontDataSlot, CountsBackgroundPixelsOfEachBlock) {
  std::uint8_t slot[kAtlasSlotBytes];
  struct Case {
    const char* what;
    GlyphMask mask;
    std::vector<std::pair<int, int>> weights;  // (index, weight); the rest are 16
  };
  GlyphMask one{96, 96, std::vector<std::uint8_t>(96 * 96, 0)};
  one.Alpha[9 * 96 + 5] = 1;  // block column 1, block row 2
  GlyphMask corners{96, 96, std::vector<std::uint8_t>(96 * 96, 0)};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) corners.Alpha[y * 96 + x] = 255;
  for (int i = 0; i < 4; ++i) corners.Alpha[(92 + i) * 96 + 95] = 128;
  const Case cases[] = {
      {"blank", GlyphMask{96, 96, std::vector<std::uint8_t>(96 * 96, 0)}, {}},
      {"one faint pixel", one, {{2 * 24 + 1, 15}}},
      {"full block and a partial one", corners, {{0, 0}, {575, 12}}},
      // A smaller picture: what lies outside it is background.
      {"10 x 6 of ink",
       GlyphMask{10, 6, std::vector<std::uint8_t>(60, 9)},
       {{0, 0}, {1, 0}, {2, 8}, {24, 8}, {25, 8}, {26, 12}}},
      {"broken picture", GlyphMask{96, 96, {}}, {}},
  };
  for (const Case& c : cases) {
    EncodeGlyphSlot(c.mask, slot);
    std::vector<int> expected(kAtlasSlotBytes, 16);
    for (auto [i, w] : c.weights) expected[i] = w;
    EXPECT_EQ(std::vector<int>(slot, slot + kAtlasSlotBytes), expected) << c.what;
  }
}

TEST(FontDataRow, NothingDrawnGivesBlankSlots) {
  std::vector<std::uint8_t> row(kAtlasRowBytes);
  std::vector<int> trails;
  EncodeFontDataRow(
      31,
      [&](std::uint8_t lead, std::uint8_t trail, GlyphMask&) {
        EXPECT_EQ(lead, 0xE0);
        trails.push_back(trail);
        return false;
      },
      row.data());
  EXPECT_EQ(row, std::vector<std::uint8_t>(kAtlasRowBytes, 16));
  ASSERT_EQ(trails.size(), 189u);
  EXPECT_EQ(trails.front(), 0x40);
  EXPECT_EQ(trails[0x3F], 0x7F);  // 0x7F is rendered like any other
  EXPECT_EQ(trails.back(), 0xFC);
}

TEST(FontDataFile, CompleteFileLayout) {
  TempDir dir;
  const MadeFile run = Make(dir.File("font.fdt"), 1);
  EXPECT_EQ(run.result, FontDataResult::Done);
  EXPECT_EQ(run.progress, Count(47));
  EXPECT_EQ(run.factoryCalls, 1);
  const std::string bytes = dir.Read("font.fdt");
  ASSERT_EQ(bytes.size(), kCompleteFile);
  EXPECT_EQ(bytes.substr(0, 576), std::string(576, 16));  // the full-width space
  for (int row = 0; row < 47; ++row)
    ASSERT_EQ(bytes.substr(std::size_t(row) * 108'864, 108'864), ExpectedRow(row)) << "row " << row;
  EXPECT_EQ(bytes.substr(576 * (31 * 189 + (0x7F - 0x40)), 576), ExpectedSlot(0xE0, 0x7F));
  EXPECT_EQ(bytes.substr(5'116'608),
            ExpectedSlot(0xEF, 0x40) + ExpectedSlot(0xEF, 0x41) + ExpectedSlot(0xEF, 0x42));
  EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>({"font.fdt"}));
}

TEST(FontDataFile, ParallelRunsWriteTheSameBytesInTheSameOrder) {
  TempDir dir;
  Make(dir.File("serial.fdt"), 1);
  const std::string serial = dir.Read("serial.fdt");
  for (int threads : {2, 3}) {
    const MadeFile run = Make(dir.File("parallel.fdt"), threads);
    EXPECT_EQ(run.result, FontDataResult::Done);
    EXPECT_EQ(run.progress, Count(47));
    EXPECT_EQ(run.factoryCalls, threads);
    EXPECT_FALSE(run.progressOffThread);
    EXPECT_FALSE(run.rasteriserShared);
    EXPECT_TRUE(dir.Read("parallel.fdt") == serial) << threads << " threads";
  }
}

struct AbortCase {
  int rows;
  int threads;
};

class FontDataAbortTest : public ::testing::TestWithParam<AbortCase> {};

TEST_P(FontDataAbortTest, AbortedRunKeepsTheFinishedRowsAndATrailer) {
  const auto [k, threads] = GetParam();
  TempDir dir;
  const MadeFile run = Make(dir.File("cut.fdt"), threads, k);
  EXPECT_EQ(run.result, FontDataResult::Aborted);
  EXPECT_EQ(run.progress, Count(k));
  const std::string bytes = dir.Read("cut.fdt");
  ASSERT_EQ(bytes.size(), 108'864u * k + 1'728u);
  for (int row = 0; row < k; ++row)
    ASSERT_EQ(bytes.substr(std::size_t(row) * 108'864, 108'864), ExpectedRow(row)) << "row " << row;
  EXPECT_EQ(bytes.substr(108'864u * k), ExpectedRow(k - 1).substr(0, 1'728));
  EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>({"cut.fdt"}));
}

INSTANTIATE_TEST_SUITE_P(Rows, FontDataAbortTest,
                         ::testing::Values(AbortCase{1, 1}, AbortCase{5, 1}, AbortCase{5, 2},
                                           AbortCase{31, 2}, AbortCase{47, 1}));

TEST(FontDataFile, UnwritablePlaceIsReportedAndLeavesNothing) {
  TempDir dir;
  // No such folder: found out before any row is rendered.
  MadeFile run = Make(dir.File("missing/font.fdt"), 1);
  EXPECT_EQ(run.result, FontDataResult::WriteFailed);
  EXPECT_TRUE(run.progress.empty());
  // A folder of that name: only the final rename fails.
  std::filesystem::create_directory(dir.File("taken.fdt"));
  for (int threads : {1, 2}) {
    run = Make(dir.File("taken.fdt"), threads, 2);
    EXPECT_EQ(run.result, FontDataResult::WriteFailed);
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>({"taken.fdt"}));
    EXPECT_TRUE(std::filesystem::is_empty(dir.File("taken.fdt")));
  }
}

TEST(FontDataFile, ReplacesAnOlderFile) {
  TempDir dir;
  dir.Write("font.fdt", std::string(7'000'000, 'x'));
  EXPECT_EQ(Make(dir.File("font.fdt"), 2, 3).result, FontDataResult::Aborted);
  EXPECT_EQ(dir.Read("font.fdt").size(), 108'864u * 3 + 1'728u);
  EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>({"font.fdt"}));
}

TEST(FontDataFile, RasteriserFailureEndsTheRunWithoutAFile) {
  TempDir dir;
  for (int threads : {1, 2}) {
    auto factory = [] {
      return FontRasterFn([](std::uint8_t lead, std::uint8_t trail, GlyphMask& out) {
        if (lead == 0x84) throw std::runtime_error("font gone");
        return FakeGlyph(lead, trail, out);
      });
    };
    EXPECT_THROW(CreateFontData(dir.File("font.fdt"), factory, nullptr, nullptr, threads),
                 std::runtime_error);
    EXPECT_TRUE(FolderEntries(dir.Path()).empty());
  }
}

// ---- loading ----

class LoadFontDataTest : public RenderFixture {
 protected:
  TempDir dir;
};

TEST_F(LoadFontDataTest, ShortFileFillsOnlyTheStart) {
  ASSERT_EQ(Make(dir.File("cut.fdt"), 1, 2).result, FontDataResult::Aborted);
  FillAtlas(0x55);
  ASSERT_TRUE(r->LoadFontData(dir.File("cut.fdt")));
  const std::string atlas(r->FontAtlas.begin(), r->FontAtlas.end());
  ASSERT_EQ(atlas.size(), kCompleteFile);
  EXPECT_EQ(atlas.substr(0, 108'864), ExpectedRow(0));
  EXPECT_EQ(atlas.substr(108'864, 108'864), ExpectedRow(1));
  EXPECT_EQ(atlas.substr(2 * 108'864, 1'728), ExpectedRow(1).substr(0, 1'728));  // the trailer
  EXPECT_EQ(atlas.substr(2 * 108'864 + 1'728),
            std::string(kCompleteFile - 2 * 108'864 - 1'728, 0x55));
}

TEST_F(LoadFontDataTest, LongerFileFillsTheAtlasOnly) {
  std::string bytes(kCompleteFile + 100, 3);
  bytes[kCompleteFile - 1] = 9;
  dir.Write("long.fdt", bytes);
  ASSERT_TRUE(r->LoadFontData(dir.File("long.fdt")));
  EXPECT_EQ(r->FontAtlas.size(), kCompleteFile);
  EXPECT_EQ(r->FontAtlas[0], 3);
  EXPECT_EQ(r->FontAtlas.back(), 9);
}

TEST_F(LoadFontDataTest, UnreadableFileLeavesTheAtlas) {
  std::filesystem::create_directory(dir.File("folder.fdt"));
  FillAtlas(0x55);
  EXPECT_FALSE(r->LoadFontData(dir.File("none.fdt")));
  EXPECT_FALSE(r->LoadFontData(dir.File("folder.fdt")));
  EXPECT_EQ(r->FontAtlas, std::vector<std::uint8_t>(kCompleteFile, 0x55));
}

}  // namespace
