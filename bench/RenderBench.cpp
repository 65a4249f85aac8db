// Renderer speed: atlas glyphs one at a time (the reveal) and by the page
// (the redisplay), the font-mode glyph once its mask is cached (also for a
// character beyond Shift-JIS, in either mode), the
// wallpaper fill, and a whole font data file from the installed default
// face on one and on two threads, with cold font caches.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "platform/Sjis.h"
#include "platform/qt/QtGlyphRasterizer.h"
#include "reader/Reader.h"
#include "render/FontData.h"
#include "render/Screen.h"

namespace {

// A window that costs nothing, and the real text rasteriser.
class BenchPlatform : public PlatformHooks {
 public:
  void ProcessMessages() override {}
  std::uint32_t GetTickCount() override { return 0; }
  void CopyToWindow(const Bitmap&, int, int, int, int, int, int) override {}
  BoxResult MessageBox(BoxKind, const std::string&, const std::string&) override {
    return BoxResult::Ok;
  }
  bool RasterizeGlyph(std::uint8_t lead, std::uint8_t trail, const std::string& face, bool bold,
                      int cellHeight, GlyphMask& out) override {
    return cache_.Rasterize(lead, trail, face, bold, cellHeight, out);
  }
  bool RasterizeChar(char32_t ch, const std::string& face, bool bold, int cellHeight,
                     GlyphMask& out) override {
    return cache_.RasterizeChar(ch, face, bold, cellHeight, out);
  }

 private:
  GlyphRasterizerCache cache_;
};

// A reader with its bitmaps and an atlas of mixed weights (every weight
// from 0 to 16 in every slot, as antialiased edges give).
std::unique_ptr<Reader> MakeReader(BenchPlatform& platform, int fontType) {
  auto r = std::make_unique<Reader>(&platform);
  r->BackBuffer.SetSize(640, 480, kGrey);
  r->BaseBitmap.SetSize(640, 482, kGrey);
  r->GlyphBitmap.SetSize(72, 72);
  r->IntSettings[kFontType] = fontType;
  r->AtlasComplete = true;
  r->GlyphFont.Name = ToSjis("ＭＳ ゴシック");
  r->GlyphFont.Color = kWhite;
  for (std::size_t i = 0; i < r->FontAtlas.size(); ++i)
    r->FontAtlas[i] = static_cast<std::uint8_t>((i * 2654435761u >> 7) % 17);
  return r;
}

// ShowGlyph over the cells of a page in reading order, window copy excluded.
// beyond: a character Shift-JIS lacks (𠮷, from IPAmj明朝), by the code its
// text gave it, in place of 漢.
void ShowGlyphs(benchmark::State& state, int fontType, bool beyond = false) {
  BenchPlatform platform;
  auto r = MakeReader(platform, fontType);
  std::uint8_t code[3] = {0x8A, 0xBF, 0};
  if (beyond) {
    const std::uint16_t own = r->TextChars.Code(0x20BB7);
    code[0] = std::uint8_t(own >> 8);
    code[1] = std::uint8_t(own);
  }
  r->ShowGlyph(20, 19, code);  // the font mode rasterises here, once
  int cell = 0;
  for (auto _ : state) {
    r->ShowGlyph(screen::kTextLeft + 24 * (cell % 24),
                 screen::kTextTop + screen::kLinePitch * (cell / 24 % 17), code);
    ++cell;
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("time = per character");
}

void BM_ShowGlyphAtlas(benchmark::State& state) { ShowGlyphs(state, 1); }
void BM_ShowGlyphFontCached(benchmark::State& state) { ShowGlyphs(state, 0); }
void BM_ShowGlyphBeyondFontCached(benchmark::State& state) { ShowGlyphs(state, 0, true); }
void BM_ShowGlyphBeyondAtlasMode(benchmark::State& state) { ShowGlyphs(state, 1, true); }

// A full page of 17 lines of 24 characters through DrawGlyphString.
void BM_DrawPageAtlas(benchmark::State& state) {
  BenchPlatform platform;
  auto r = MakeReader(platform, 1);
  std::string line;
  for (int i = 0; i < 24; ++i) {
    line += static_cast<char>(0x88 + i % 8);
    line += static_cast<char>(0x9F + i);
  }
  for (auto _ : state) {
    for (int i = 0; i < screen::kPageLineCount; ++i)
      r->DrawGlyphString(r->BackBuffer, screen::kTextLeft,
                         screen::kTextTop + screen::kLinePitch * i, line);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 17 * 24);
  state.SetLabel("time = per page of 408 characters; items = characters");
}

void BM_ApplyWallpaper(benchmark::State& state) {
  Bitmap tile(37, 23);
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 37; ++x) tile.SetPixel(x, y, (x * 7 + y * 11) * 0x010305u & 0xFFFFFF);
  Bitmap target(640, 480);
  for (auto _ : state) {
    ApplyWallpaper(tile, target, 73);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("time = per 640x480 fill from a 37x23 tile");
}

// A whole font data file from the default face, as the settings dialog
// makes it; range(0) is the number of worker threads (1 = serial).
void BM_CreateFontData(benchmark::State& state) {
  const std::string face = ToSjis("ＭＳ ゴシック");
  const std::string path = "/tmp/pagelune-bench-" + std::to_string(getpid()) + ".fdt";
  const int threads = static_cast<int>(state.range(0));
  for (auto _ : state) {
    // Qt keeps rendered glyphs per thread: start from a fresh thread so the
    // serial run, too, renders every glyph afresh as the dialog's first run does.
    FontDataResult result = FontDataResult::WriteFailed;
    std::thread run([&] {
      result = CreateFontData(
          path, [&] { return MakeLazyRasterizer(face, false, kFontDataCell); }, nullptr, nullptr,
          threads);
    });
    run.join();
    if (result != FontDataResult::Done) state.SkipWithError("font data was not written");
  }
  std::remove(path.c_str());
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("time = per 5,118,336-byte file");
}

}  // namespace

BENCHMARK(BM_ShowGlyphAtlas);
BENCHMARK(BM_DrawPageAtlas)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ShowGlyphFontCached);
BENCHMARK(BM_ShowGlyphBeyondFontCached);
BENCHMARK(BM_ShowGlyphBeyondAtlasMode);
BENCHMARK(BM_ApplyWallpaper)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CreateFontData)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
