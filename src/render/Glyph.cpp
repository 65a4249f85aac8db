#include "render/Glyph.h"

#include <algorithm>
#include <cstring>

#include "render/FontData.h"

namespace {

// Weights above 16 (a damaged font data file) would push a blend outside
// 0..255; they count as plain background.
struct WeightClamp {
  std::uint8_t v[256];
  constexpr WeightClamp() : v() {
    for (int w = 0; w < 256; ++w) v[w] = static_cast<std::uint8_t>(w > 16 ? 16 : w);
  }
};
constexpr WeightClamp kClamp;

// Blends a slot pixel by pixel, shadow before glyph row by row, skipping pixels
// outside the target. Used for cells that touch an edge.
void DrawAtlasClipped(Bitmap& t, int x, int y, const std::uint8_t* slot, Colour colour) {
  const long long w = t.Width(), h = t.Height();
  const unsigned cb = BlueOf(colour), cg = GreenOf(colour), cr = RedOf(colour);
  for (int r = 0; r < kGlyphCell; ++r) {
    const long long gy = static_cast<long long>(y) + r, sy = gy + 1;
    const bool glyphRow = gy >= 0 && gy < h, shadowRow = sy >= 0 && sy < h;
    if (!glyphRow && !shadowRow) continue;
    for (int c = 0; c < kGlyphCell; ++c) {
      const unsigned wt = kClamp.v[slot[r * kGlyphCell + c]];
      const long long gx = static_cast<long long>(x) + c, sx = gx + 1;
      if (shadowRow && sx >= 0 && sx < w) {
        std::uint8_t* p = t.Row(int(sy)) + 3 * sx;
        for (int k = 0; k < 3; ++k) p[k] = static_cast<std::uint8_t>((p[k] * wt) >> 4);
      }
      if (glyphRow && gx >= 0 && gx < w) {
        std::uint8_t* p = t.Row(int(gy)) + 3 * gx;
        p[0] = static_cast<std::uint8_t>((p[0] * wt + (16 - wt) * cb) >> 4);
        p[1] = static_cast<std::uint8_t>((p[1] * wt + (16 - wt) * cg) >> 4);
        p[2] = static_cast<std::uint8_t>((p[2] * wt + (16 - wt) * cr) >> 4);
      }
    }
  }
}

#if defined(__GNUC__)
// A cell whose shadow lies inside the target: whole rows at a time, eight
// bytes per step in 16-bit lanes (v * w + (16 - w) * C is at most 4,080).
typedef std::uint16_t U16x8 __attribute__((vector_size(16)));
typedef std::uint8_t U8x8 __attribute__((vector_size(8)));

// The clamped weight in four 16-bit lanes, for spreading a pixel's weight
// over its three bytes with one store.
struct WeightQuads {
  std::uint16_t v[256][4];
  constexpr WeightQuads() : v() {
    for (int w = 0; w < 256; ++w)
      for (int k = 0; k < 4; ++k) v[w][k] = static_cast<std::uint16_t>(w > 16 ? 16 : w);
  }
};
constexpr WeightQuads kQuad;

inline U16x8 Widen(const std::uint8_t* p) {
  U8x8 b;
  std::memcpy(&b, p, sizeof b);
  return __builtin_convertvector(b, U16x8);
}
inline void Narrow(std::uint8_t* p, U16x8 v) {
  const U8x8 b = __builtin_convertvector(v, U8x8);
  std::memcpy(p, &b, sizeof b);
}

void DrawAtlasInside(std::uint8_t* cell, std::size_t stride, const std::uint8_t* slot,
                     Colour colour) {
  constexpr int kRowBytes = 3 * kGlyphCell;  // 72: nine steps of eight
  alignas(16) std::uint16_t col[kRowBytes];
  for (int i = 0; i < kGlyphCell; ++i) {
    col[3 * i] = BlueOf(colour);
    col[3 * i + 1] = GreenOf(colour);
    col[3 * i + 2] = RedOf(colour);
  }
  alignas(16) std::uint16_t wt[kRowBytes + 1];  // one spare lane for the last quad
  for (int r = 0; r < kGlyphCell; ++r) {
    const std::uint8_t* src = slot + r * kGlyphCell;
    // Four lanes a store; the fourth is overwritten by the next pixel.
    for (int c = 0; c < kGlyphCell; ++c)
      std::memcpy(wt + 3 * c, kQuad.v[src[c]], sizeof kQuad.v[0]);
    std::uint8_t* glyph = cell + r * stride;
    std::uint8_t* shadow = glyph + stride + 3;
    // The shadow of row r lands on row r + 1 before that row's glyph is
    // blended in the next turn, so the glyph always lies over its shadow.
    for (int k = 0; k < kRowBytes; k += 8) {
      U16x8 w, c;
      std::memcpy(&w, wt + k, sizeof w);
      std::memcpy(&c, col + k, sizeof c);
      Narrow(shadow + k, (Widen(shadow + k) * w) >> 4);
      Narrow(glyph + k, (Widen(glyph + k) * w + (16 - w) * c) >> 4);
    }
  }
}
#endif

}  // namespace

int AtlasSlot(std::uint8_t lead, std::uint8_t trail) {
  int row;
  if (lead >= 0x81 && lead <= 0x9F)
    row = lead - 0x81;
  else if (lead >= 0xE0 && lead <= 0xEF)
    row = lead - 0x40 - 0x81;
  else
    return -1;
  if (trail < 0x40 || trail > 0xFC) return -1;
  return row * kAtlasRowSlots + (trail - 0x40);
}

void DrawAtlasGlyph(Bitmap& target, int x, int y, const std::uint8_t* slot, Colour colour) {
  const long long lx = x, ly = y;
  if (lx >= target.Width() || ly >= target.Height() || lx + kGlyphCell + 1 <= 0 ||
      ly + kGlyphCell + 1 <= 0)
    return;
#if defined(__GNUC__)
  if (lx >= 0 && ly >= 0 && lx + kGlyphCell + 1 <= target.Width() &&
      ly + kGlyphCell + 1 <= target.Height()) {
    DrawAtlasInside(target.Row(y) + 3 * static_cast<std::size_t>(x), target.Stride(), slot, colour);
    return;
  }
#endif
  DrawAtlasClipped(target, x, y, slot, colour);
}

void BlendMask(Bitmap& bitmap, const GlyphMask& mask, int ox, int oy, Colour colour) {
  if (mask.Width <= 0 || mask.Height <= 0 ||
      mask.Alpha.size() < static_cast<std::size_t>(mask.Width) * mask.Height)
    return;
  const long long mx0 = std::max(0LL, -static_cast<long long>(ox));
  const long long my0 = std::max(0LL, -static_cast<long long>(oy));
  const long long mx1 =
      std::min<long long>(mask.Width, static_cast<long long>(bitmap.Width()) - ox);
  const long long my1 =
      std::min<long long>(mask.Height, static_cast<long long>(bitmap.Height()) - oy);
  if (mx0 >= mx1 || my0 >= my1) return;
  const unsigned cb = BlueOf(colour), cg = GreenOf(colour), cr = RedOf(colour);
  for (long long my = my0; my < my1; ++my) {
    const std::uint8_t* a = mask.Alpha.data() + my * mask.Width;
    std::uint8_t* p = bitmap.Row(int(oy + my)) + 3 * (ox + mx0);
    for (long long mx = mx0; mx < mx1; ++mx, p += 3) {
      const unsigned al = a[mx];
      if (al == 0) continue;
      if (al == 255) {
        p[0] = static_cast<std::uint8_t>(cb);
        p[1] = static_cast<std::uint8_t>(cg);
        p[2] = static_cast<std::uint8_t>(cr);
        continue;
      }
      const unsigned inv = 255 - al;
      p[0] = static_cast<std::uint8_t>((p[0] * inv + cb * al + 127) / 255);
      p[1] = static_cast<std::uint8_t>((p[1] * inv + cg * al + 127) / 255);
      p[2] = static_cast<std::uint8_t>((p[2] * inv + cr * al + 127) / 255);
    }
  }
}

void DrawMaskGlyph(Bitmap& target, int x, int y, const GlyphMask& mask, Colour colour,
                   Bitmap& work) {
  if (work.Width() != kGlyphWorkSize || work.Height() != kGlyphWorkSize)
    work.SetSize(kGlyphWorkSize, kGlyphWorkSize);
  // The part of the cell inside the target. Each target pixel owns its own
  // 3 x 3 block, so blocks of pixels outside never reach the result.
  const int c0 = int(std::max(0LL, -static_cast<long long>(x)));
  const int r0 = int(std::max(0LL, -static_cast<long long>(y)));
  const int c1 = int(std::min<long long>(kGlyphCell, static_cast<long long>(target.Width()) - x));
  const int r1 = int(std::min<long long>(kGlyphCell, static_cast<long long>(target.Height()) - y));
  if (c0 >= c1 || r0 >= r1) return;
  const std::size_t span = 9 * static_cast<std::size_t>(c1 - c0);  // bytes of an enlarged row

  for (int r = r0; r < r1; ++r) {
    const std::uint8_t* src = target.Row(y + r) + 3 * static_cast<std::size_t>(x + c0);
    std::uint8_t* dst = work.Row(3 * r) + 9 * c0;
    for (int c = c0; c < c1; ++c, src += 3, dst += 9) {
      std::memcpy(dst, src, 3);
      std::memcpy(dst + 3, src, 3);
      std::memcpy(dst + 6, src, 3);
    }
    std::memcpy(work.Row(3 * r + 1) + 9 * c0, work.Row(3 * r) + 9 * c0, span);
    std::memcpy(work.Row(3 * r + 2) + 9 * c0, work.Row(3 * r) + 9 * c0, span);
  }

  // The black copy one sub-pixel right and down makes a thin shadow that
  // stays inside the cell.
  BlendMask(work, mask, 1, 1, kBlack);
  BlendMask(work, mask, 0, 0, colour);

  std::uint16_t sums[9 * kGlyphCell];
  for (int r = r0; r < r1; ++r) {
    const std::uint8_t* a = work.Row(3 * r) + 9 * c0;
    const std::uint8_t* b = work.Row(3 * r + 1) + 9 * c0;
    const std::uint8_t* c = work.Row(3 * r + 2) + 9 * c0;
    for (std::size_t i = 0; i < span; ++i) sums[i] = std::uint16_t(a[i] + b[i] + c[i]);
    std::uint8_t* dst = target.Row(y + r) + 3 * static_cast<std::size_t>(x + c0);
    for (int i = 0, n = 3 * (c1 - c0); i < n; ++i) {
      const int base = (i / 3) * 9 + i % 3;
      dst[i] = static_cast<std::uint8_t>((sums[base] + sums[base + 3] + sums[base + 6]) / 9);
    }
  }
}
