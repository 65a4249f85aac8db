// Text rasteriser speed: one glyph at the 72-pixel cell of glyph drawing
// and at the 96-pixel cell of font data creation. "Uncached" walks every
// double-byte code once before the font engine could have kept a glyph,
// as font data creation does; "repeated" draws one character over and over,
// as a page of body text mostly does.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "platform/Sjis.h"
#include "platform/qt/QtGlyphRasterizer.h"

namespace {

constexpr int kCodes = 47 * 189;

// Every lead/trail pair of the atlas rows, in file order.
std::vector<std::pair<std::uint8_t, std::uint8_t>> AllCodes() {
  std::vector<std::pair<std::uint8_t, std::uint8_t>> codes;
  for (int lead = 0x81; lead <= 0xEF; ++lead) {
    if (lead >= 0xA0 && lead <= 0xDF) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) codes.emplace_back(lead, trail);
  }
  return codes;
}

void RasterizeUncached(benchmark::State& state, int cell, bool bold) {
  const std::string face = ToSjis("ＭＳ ゴシック");
  const auto codes = AllCodes();
  auto r = std::make_unique<QtGlyphRasterizer>(face, bold, cell);
  GlyphMask mask;
  std::size_t next = 0;
  for (auto _ : state) {
    if (next == codes.size()) {
      // A fresh font engine, so no glyph is drawn from its cache.
      state.PauseTiming();
      r.reset();
      r = std::make_unique<QtGlyphRasterizer>(face, bold, cell);
      next = 0;
      state.ResumeTiming();
    }
    r->Rasterize(codes[next].first, codes[next].second, mask);
    benchmark::DoNotOptimize(mask.Alpha.data());
    ++next;
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("time = per glyph");
}

void BM_RasterizeUncached72(benchmark::State& state) { RasterizeUncached(state, 72, false); }
void BM_RasterizeUncached96(benchmark::State& state) { RasterizeUncached(state, 96, false); }
void BM_RasterizeUncached96Bold(benchmark::State& state) { RasterizeUncached(state, 96, true); }

void BM_RasterizeRepeated72(benchmark::State& state) {
  QtGlyphRasterizer r(ToSjis("ＭＳ ゴシック"), false, 72);
  GlyphMask mask;
  for (auto _ : state) {
    r.Rasterize(0x8A, 0xBF, mask);
    benchmark::DoNotOptimize(mask.Alpha.data());
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("time = per glyph");
}

}  // namespace

// One walk over every code, as one font data file makes.
BENCHMARK(BM_RasterizeUncached72)->Unit(benchmark::kMicrosecond)->Iterations(kCodes);
BENCHMARK(BM_RasterizeUncached96)->Unit(benchmark::kMicrosecond)->Iterations(kCodes);
BENCHMARK(BM_RasterizeUncached96Bold)->Unit(benchmark::kMicrosecond)->Iterations(kCodes);
BENCHMARK(BM_RasterizeRepeated72)->Unit(benchmark::kMicrosecond);
