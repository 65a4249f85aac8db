// A reader with its bitmaps made as at startup (without the rest of
// startup), and patterned pictures whose every pixel differs from its
// neighbours, so that a pixel drawn or copied to the wrong place shows.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "ScriptedPlatform.h"
#include "reader/Reader.h"

// A picture whose bytes vary with position and seed.
inline Bitmap Patterned(int w, int h, unsigned seed = 0) {
  Bitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const unsigned v = (x * 37u + y * 101u + seed * 53u) * 2654435761u;
      b.SetPixel(x, y, (v >> 8) & 0xFFFFFF);
    }
  return b;
}

inline std::uint8_t ByteOf(Colour c, int k) { return static_cast<std::uint8_t>(c >> (8 * k)); }
inline Colour MakeColour(unsigned b0, unsigned b1, unsigned b2) {
  return Colour(b0 & 0xFF) | Colour(b1 & 0xFF) << 8 | Colour(b2 & 0xFF) << 16;
}

class RenderFixture : public ::testing::Test {
 protected:
  ScriptedPlatform platform;
  std::unique_ptr<Reader> r = std::make_unique<Reader>(&platform);

  void SetUp() override {
    r->BackBuffer.SetSize(640, 480);
    r->BaseBitmap.SetSize(640, 482);
    r->BaseBitmap.HLine(0, 639, 480, kWhite);
    r->BaseBitmap.HLine(0, 639, 481, kGrey);
    r->GlyphBitmap.SetSize(72, 72);
    r->IntSettings[kFontType] = 1;
    r->GlyphFont.Color = kWhite;
  }

  std::uint8_t* Slot(int slot) { return r->FontAtlas.data() + slot * kAtlasSlotBytes; }
  void FillAtlas(std::uint8_t weight) {
    std::fill(r->FontAtlas.begin(), r->FontAtlas.end(), weight);
  }
};
