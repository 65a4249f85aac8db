// A headless platform for the fuzz targets: a virtual clock that moves 1 ms
// at every pump of the message queue (and creeps on while it is only read,
// so the column wipe ends), window copies clipped as the Qt shell clips
// them, and a trivial text rasteriser whose masks vary in size with the code
// so the glyph cache sees odd shapes.
//
// A pump hook stands in for the reader's input: the targets use it to end
// every pause. A run that pumps far more often than its input could need is
// a hang, reported as a crash.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <functional>

#include "reader/Platform.h"
#include "reader/Reader.h"

// A failed check aborts, which the fuzzer reports as a crash (assert would
// vanish under NDEBUG).
#define FUZZ_CHECK(cond, ...)                                                       \
  do {                                                                              \
    if (!(cond)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s: ", __FILE__, __LINE__, #cond); \
      std::fprintf(stderr, __VA_ARGS__);                                            \
      std::fputc('\n', stderr);                                                     \
      std::abort();                                                                 \
    }                                                                               \
  } while (0)

class FuzzPlatform : public PlatformHooks {
 public:
  static constexpr int kWindowWidth = 640, kWindowHeight = 480;
  std::uint32_t Now = 0;
  long long Pumps = 0;
  long long PumpLimit = 2'000'000;
  std::function<void()> OnPump;

  void ProcessMessages() override {
    FUZZ_CHECK(++Pumps <= PumpLimit, "%lld pumps: the run does not end", Pumps);
    ++Now;
    idleReads_ = 0;
    if (OnPump) OnPump();
  }
  // Busy loops that only read the clock (the wipe) must still see it move.
  std::uint32_t GetTickCount() override {
    if (++idleReads_ > 4) ++Now;
    return Now;
  }

  // Only the clipping is done: copying the pixels (the wipe copies its
  // columns one pixel wide) would cost most of a run and test nothing new.
  void CopyToWindow(const Bitmap& src, int sx, int sy, int w, int h, int dx, int dy) override {
    idleReads_ = 0;
    if (!ClipCopy(src.Width(), src.Height(), kWindowWidth, kWindowHeight, sx, sy, dx, dy, w, h))
      return;
    FUZZ_CHECK(sx >= 0 && sy >= 0 && dx >= 0 && dy >= 0 && w > 0 && h > 0 &&
                   sx + w <= src.Width() && sy + h <= src.Height() && dx + w <= kWindowWidth &&
                   dy + h <= kWindowHeight,
               "clipped copy %dx%d from (%d, %d) of %dx%d to (%d, %d)", w, h, sx, sy, src.Width(),
               src.Height(), dx, dy);
  }

  int Boxes = 0;
  BoxResult MessageBox(BoxKind, const std::string&, const std::string&) override {
    ++Boxes;
    return BoxResult::Ok;
  }

  // A filled square whose size and presence depend on the code: most codes
  // draw a mask of the requested cell, some a larger or smaller one, some an
  // empty one, some nothing at all.
  bool RasterizeGlyph(std::uint8_t lead, std::uint8_t trail, const std::string&, bool bold,
                      int cellHeight, GlyphMask& out) override {
    out = GlyphMask{};
    const unsigned k = (lead * 31u + trail) % 16u;
    if (k == 0) return false;
    if (k == 1) return true;  // drawn, but no ink
    int w = cellHeight, h = cellHeight;
    if (k == 2) w = h = cellHeight + 17;
    if (k == 3) {
      w = 5;
      h = cellHeight * 2;
    }
    if (k == 4) {
      w = cellHeight * 3;
      h = 1;
    }
    out.Width = w;
    out.Height = h;
    out.Alpha.assign(std::size_t(w) * h, 0);
    const int side = (trail % 5 + 1) * cellHeight / 6 + (bold ? 2 : 0);
    for (int y = 0; y < h && y < side; ++y)
      for (int x = 0; x < w && x < side; ++x)
        out.Alpha[std::size_t(y) * w + x] = static_cast<std::uint8_t>(255 - (x + y + lead) % 256);
    return true;
  }

 private:
  int idleReads_ = 0;
};

class FuzzReader : public Reader {
 public:
  using Reader::Reader;
  // Each input starts from a cold glyph cache, so runs do not depend on the
  // inputs before them, and the cache's memory is given back.
  void ForgetGlyphs() { GlyphCache = GlyphCacheState{}; }
};
