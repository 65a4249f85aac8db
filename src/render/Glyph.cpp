#include "render/Glyph.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Blends a slot pixel by pixel, row by row, each pixel's shadow before the
// pixel itself, skipping pixels outside the target. Used for cells that
// touch an edge, and where there is no SSE2.
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

#if defined(__SSE2__)
// Eight weights, one a pixel, in 16-bit lanes, spread to the 24 bytes of
// the eight pixels: three vectors, by shuffles alone.
inline void Spread(__m128i w, __m128i out[3]) {
  const __m128i lo = _mm_unpacklo_epi64(w, w), hi = _mm_unpackhi_epi64(w, w);
  out[0] = _mm_shufflehi_epi16(_mm_shufflelo_epi16(lo, 0x40), 0xA5);  // w0 w0 w0 w1 w1 w1 w2 w2
  out[1] = _mm_shufflehi_epi16(_mm_shufflelo_epi16(w, 0xFE), 0x40);   // w2 w3 w3 w3 w4 w4 w4 w5
  out[2] = _mm_shufflehi_epi16(_mm_shufflelo_epi16(hi, 0xA5), 0xFE);  // w5 w5 w6 w6 w6 w7 w7 w7
}

// A cell whose shadow lies inside the target: a row at a time, eight bytes
// a step in 16-bit lanes. The glyph byte is (g * w + (16 - w) * C) >> 4,
// computed as (w * (g - C) + 16 * C) >> 4, whose product fits a signed
// lane (at most 16 x 255 either way).
void DrawAtlasInside(std::uint8_t* cell, std::size_t stride, const std::uint8_t* slot,
                     Colour colour) {
  const __m128i zero = _mm_setzero_si128(), sixteen = _mm_set1_epi8(16);
  // The colour's bytes in the order of the pixels' bytes, and 16 times them.
  alignas(16) std::uint16_t col[24];
  for (int i = 0; i < 8; ++i) {
    col[3 * i] = BlueOf(colour);
    col[3 * i + 1] = GreenOf(colour);
    col[3 * i + 2] = RedOf(colour);
  }
  __m128i c[3], c16[3];
  for (int k = 0; k < 3; ++k) {
    c[k] = _mm_load_si128(reinterpret_cast<const __m128i*>(col + 8 * k));
    c16[k] = _mm_slli_epi16(c[k], 4);
  }
  for (int r = 0; r < kGlyphCell; ++r) {
    const std::uint8_t* src = slot + r * kGlyphCell;
    // Weights above 16 (a damaged file) count as 16.
    const __m128i a = _mm_min_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src)), sixteen);
    const __m128i b =
        _mm_min_epu8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + 16)), sixteen);
    __m128i w[9];
    Spread(_mm_unpacklo_epi8(a, zero), w);
    Spread(_mm_unpackhi_epi8(a, zero), w + 3);
    Spread(_mm_unpacklo_epi8(b, zero), w + 6);
    std::uint8_t* glyph = cell + r * stride;
    std::uint8_t* shadow = glyph + stride + 3;
    // The shadow of row r lands on row r + 1 before that row's glyph is
    // blended in the next turn, so the glyph always lies over its shadow.
    for (int k = 0; k < 9; ++k) {
      __m128i* s = reinterpret_cast<__m128i*>(shadow + 8 * k);
      __m128i* g = reinterpret_cast<__m128i*>(glyph + 8 * k);
      const __m128i sv = _mm_unpacklo_epi8(_mm_loadl_epi64(s), zero);
      _mm_storel_epi64(s, _mm_packus_epi16(_mm_srli_epi16(_mm_mullo_epi16(sv, w[k]), 4), zero));
      const __m128i gv = _mm_unpacklo_epi8(_mm_loadl_epi64(g), zero);
      const __m128i mixed =
          _mm_add_epi16(_mm_mullo_epi16(w[k], _mm_sub_epi16(gv, c[k % 3])), c16[k % 3]);
      _mm_storel_epi64(g, _mm_packus_epi16(_mm_srli_epi16(mixed, 4), zero));
    }
  }
}
#endif

// Font mode works on the cell enlarged three times, a row of sub-pixels at
// a time: 216 bytes, each a byte of its pixel.
constexpr int kEnlargedRow = 3 * kGlyphWorkSize;
constexpr int kFramedSide = kGlyphWorkSize + 8;  // a mask row, its frame, and 16-byte rows

// Adds one row of sub-pixels to sum: each byte of base mixed with black by
// the shade of its sub-pixel, then with its colour by the ink, each mix the
// nearest integer to (v * (255 - a) + C * a) / 255 (255 is odd: no ties). The
// sum plus 127 is at most 65,152, where a multiply and a shift divide by
// 255 exactly. col holds the colour's bytes in the order of eight pixels'.
#if defined(__SSE2__)
inline __m128i Mix(__m128i v, __m128i c, __m128i a) {
  const __m128i sum =
      _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(v, _mm_sub_epi16(_mm_set1_epi16(255), a)),
                                  _mm_mullo_epi16(c, a)),
                    _mm_set1_epi16(127));
  return _mm_srli_epi16(_mm_mulhi_epu16(sum, _mm_set1_epi16(-32639)), 7);  // 32,897
}

void MixSubRow(const std::uint16_t* base, const std::uint8_t* shade, const std::uint8_t* ink,
               const std::uint16_t* col, std::uint16_t* sum) {
  const __m128i zero = _mm_setzero_si128();
  __m128i c[3];
  for (int k = 0; k < 3; ++k) c[k] = _mm_load_si128(reinterpret_cast<const __m128i*>(col + 8 * k));
  for (int g = 0; g < kGlyphWorkSize / 8; ++g) {
    // Eight sub-pixels, 24 bytes: each sub-pixel's weights spread over its
    // three bytes.
    __m128i s[3], a[3];
    Spread(
        _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(shade + 8 * g)), zero),
        s);
    Spread(_mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(ink + 8 * g)), zero),
           a);
    for (int t = 0; t < 3; ++t) {
      const int q = 3 * g + t;
      const __m128i v = _mm_load_si128(reinterpret_cast<const __m128i*>(base + 8 * q));
      __m128i* out = reinterpret_cast<__m128i*>(sum + 8 * q);
      _mm_store_si128(out, _mm_add_epi16(_mm_load_si128(out), Mix(Mix(v, zero, s[t]), c[t], a[t])));
    }
  }
}
#else
inline unsigned Mix(unsigned v, unsigned c, unsigned a) {
  return ((v * (255 - a) + c * a + 127) * 32897u) >> 23;
}

void MixSubRow(const std::uint16_t* base, const std::uint8_t* shade, const std::uint8_t* ink,
               const std::uint16_t* col, std::uint16_t* sum) {
  for (int i = 0; i < kEnlargedRow; ++i)
    sum[i] = static_cast<std::uint16_t>(sum[i] +
                                        Mix(Mix(base[i], 0, shade[i / 3]), col[i % 3], ink[i / 3]));
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
#if defined(__SSE2__)
  if (lx >= 0 && ly >= 0 && lx + kGlyphCell + 1 <= target.Width() &&
      ly + kGlyphCell + 1 <= target.Height()) {
    DrawAtlasInside(target.Row(y) + 3 * static_cast<std::size_t>(x), target.Stride(), slot, colour);
    return;
  }
#endif
  DrawAtlasClipped(target, x, y, slot, colour);
}

void DrawMaskGlyph(Bitmap& target, int x, int y, const GlyphMask& mask, Colour colour) {
  if (mask.Width <= 0 || mask.Height <= 0 ||
      mask.Alpha.size() < static_cast<std::size_t>(mask.Width) * mask.Height)
    return;  // nothing drawn: every block averages back to its own pixel
  // The part of the cell inside the target. Each target pixel owns its own
  // 3 x 3 block of the enlarged cell, so blocks of pixels outside never
  // reach the result.
  const int c0 = int(std::max(0LL, -static_cast<long long>(x)));
  const int r0 = int(std::max(0LL, -static_cast<long long>(y)));
  const int c1 = int(std::min<long long>(kGlyphCell, static_cast<long long>(target.Width()) - x));
  const int r1 = int(std::min<long long>(kGlyphCell, static_cast<long long>(target.Height()) - y));
  if (c0 >= c1 || r0 >= r1) return;

  // The mask from one sub-pixel above and left of the cell: the black copy
  // of sub-pixel (sx, sy) is at [sy][sx], the coloured one at
  // [sy + 1][sx + 1]. Nothing beyond the enlarged cell shows.
  std::uint8_t framed[kGlyphWorkSize + 1][kFramedSide] = {};
  bool inked[kGlyphWorkSize + 1] = {};
  const long long left = std::max(0LL, -1 - static_cast<long long>(mask.Left));
  const long long right =
      std::min<long long>(mask.Width, kGlyphWorkSize - static_cast<long long>(mask.Left));
  for (long long my = std::max(0LL, -1 - static_cast<long long>(mask.Top));
       left < right && my < mask.Height; ++my) {
    const long long cy = mask.Top + my;
    if (cy >= kGlyphWorkSize) break;
    const std::uint8_t* a = mask.Alpha.data() + my * mask.Width + left;
    std::memcpy(&framed[cy + 1][mask.Left + left + 1], a, static_cast<std::size_t>(right - left));
    inked[cy + 1] = std::any_of(a, a + (right - left), [](std::uint8_t v) { return v != 0; });
  }

  alignas(16) std::uint16_t col[24];  // the colour's bytes in the order of eight pixels' bytes
  for (int i = 0; i < 24; ++i)
    col[i] = i % 3 == 0 ? BlueOf(colour) : i % 3 == 1 ? GreenOf(colour) : RedOf(colour);
  alignas(16) std::uint16_t base[kEnlargedRow], sum[kEnlargedRow];
  for (int r = r0; r < r1; ++r) {
    // A block row that no ink reaches holds each pixel nine times over,
    // which averages back to it.
    if (!(inked[3 * r] || inked[3 * r + 1] || inked[3 * r + 2] || inked[3 * r + 3])) continue;
    // The cell's pixels are read and written by their own column only: a
    // cell that sticks out of the target has no address there.
    std::uint8_t* const row = target.Row(y + r);
    std::fill(base, base + kEnlargedRow, 0);
    for (int c = c0; c < c1; ++c) {
      const std::uint8_t* p = row + 3 * (static_cast<long long>(x) + c);
      std::uint16_t* e = base + 9 * c;
      e[0] = e[3] = e[6] = p[0];
      e[1] = e[4] = e[7] = p[1];
      e[2] = e[5] = e[8] = p[2];
    }
    std::fill(sum, sum + kEnlargedRow, 0);
    for (int sy = 3 * r; sy < 3 * r + 3; ++sy)
      MixSubRow(base, framed[sy], &framed[sy + 1][1], col, sum);
    for (int c = c0; c < c1; ++c) {
      const std::uint16_t* e = sum + 9 * c;
      std::uint8_t* p = row + 3 * (static_cast<long long>(x) + c);
      p[0] = static_cast<std::uint8_t>((e[0] + e[3] + e[6]) / 9);
      p[1] = static_cast<std::uint8_t>((e[1] + e[4] + e[7]) / 9);
      p[2] = static_cast<std::uint8_t>((e[2] + e[5] + e[8]) / 9);
    }
  }
}

void TransformSlot(const std::uint8_t* slot, GlyphTransform t, std::uint8_t* out) {
  constexpr int n = kGlyphCell;
  std::uint8_t full[kGlyphCell * kGlyphCell];
  std::uint8_t* to = t.Ruby ? full : out;
  for (int r = 0; r < n; ++r)
    for (int c = 0; c < n; ++c) {
      // Back through the move, then through the quarter turn: the turned
      // glyph's (r, c) is the upright one's (n - 1 - c, r).
      const int mr = r - t.Dy, mc = c - t.Dx;
      const int sr = t.Turn ? n - 1 - mc : mr, sc = t.Turn ? mr : mc;
      to[r * n + c] = sr >= 0 && sr < n && sc >= 0 && sc < n ? kClamp.v[slot[sr * n + sc]] : 16;
    }
  if (!t.Ruby) return;
  // Each 2 x 2 block averaged (rounded) into the top-left quarter.
  std::fill(out, out + n * n, std::uint8_t(16));
  for (int r = 0; r < n / 2; ++r)
    for (int c = 0; c < n / 2; ++c) {
      const std::uint8_t* b = full + 2 * r * n + 2 * c;
      out[r * n + c] = static_cast<std::uint8_t>((b[0] + b[1] + b[n] + b[n + 1] + 2) / 4);
    }
}

GlyphMask TransformMask(const GlyphMask& mask, GlyphTransform t) {
  GlyphMask out = mask;
  const int size = t.Ruby ? kGlyphWorkSize / 2 : kGlyphWorkSize;
  if (t.Turn && mask.Width > 0 && mask.Height > 0 &&
      mask.Alpha.size() >= static_cast<std::size_t>(mask.Width) * mask.Height) {
    // Cell pixel (x, y) goes to (size - 1 - y, x).
    out.Width = mask.Height;
    out.Height = mask.Width;
    out.Left = size - mask.Top - mask.Height;
    out.Top = mask.Left;
    for (int my = 0; my < mask.Height; ++my)
      for (int mx = 0; mx < mask.Width; ++mx)
        out.Alpha[static_cast<std::size_t>(mx) * out.Width + (mask.Height - 1 - my)] =
            mask.Alpha[static_cast<std::size_t>(my) * mask.Width + mx];
  }
  // A ruby glyph moves half as far.
  out.Left += kGlyphScale * t.Dx / (t.Ruby ? 2 : 1);
  out.Top += kGlyphScale * t.Dy / (t.Ruby ? 2 : 1);
  return out;
}
