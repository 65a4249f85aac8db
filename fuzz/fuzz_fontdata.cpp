// Font data of any length and content loaded into the atlas, then glyph
// strings drawn from it: codes with and without an atlas slot, strings of
// odd length and with zero bytes, cells at negative and huge positions,
// into the back buffer, a small bitmap and an empty one.
//
// Input:
//   0    the byte the atlas holds before the load (weights above 16 are what
//        a damaged file gives)
//   1    bits 0-2: 7 draws from the font instead of the atlas; bits 3-4 the
//        text colour
//   2-3  n, little-endian: the font data file is the next n bytes
//   then drawing commands until the input ends: a byte (bits 0-1 the
//   target, bit 2 ShowGlyph instead of DrawGlyphString), x and y as signed
//   32-bit little-endian, a length byte and that many bytes of codes.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "FuzzFiles.h"
#include "FuzzPlatform.h"
#include "reader/Reader.h"
#include "render/Glyph.h"

namespace {

struct Rig {
  FuzzPlatform Platform;
  FuzzReader R{&Platform};
  std::string Path = ScratchFile("font.fdt");
  int Fill = 0;            // what the atlas holds outside the last load
  std::size_t Loaded = 0;  // bytes the last load put at its start
  Bitmap Small{41, 29};
  Bitmap Empty;
  Rig() {
    R.BackBuffer.SetSize(640, 480);
    R.BaseBitmap.SetSize(640, 482);
    R.GlyphBitmap.SetSize(72, 72);
  }
};

std::int32_t Int32(const std::uint8_t* p) {
  return static_cast<std::int32_t>(p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24);
}

constexpr Colour kColours[4] = {kWhite, kGrey, 0x123456, kBlack};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Rig* rig = new Rig;
  FuzzReader& r = rig->R;
  if (size < 4) return 0;

  const int fill = data[0];
  const bool fontMode = (data[1] & 7) == 7;
  r.IntSettings[kFontType] = fontMode ? 0 : 1;
  r.GlyphFont.Color = kColours[(data[1] >> 3) & 3];
  const std::size_t n = std::min<std::size_t>(data[2] | data[3] << 8, size - 4);
  const std::uint8_t* file = data + 4;

  // The atlas as a run that never loaded anything else would have it.
  std::uint8_t* atlas = r.FontAtlas.data();
  if (fill != rig->Fill)
    std::memset(atlas, fill, kAtlasBytes);
  else
    std::memset(atlas, fill, rig->Loaded);
  rig->Fill = fill;

  WriteScratch(rig->Path, file, n);
  FUZZ_CHECK(r.LoadFontData(rig->Path), "an existing font data file did not load");
  rig->Loaded = n;
  FUZZ_CHECK(std::memcmp(atlas, file, n) == 0, "the atlas does not start with the file");
  for (std::size_t i = n; i < std::min<std::size_t>(n + 4096, kAtlasBytes); ++i)
    FUZZ_CHECK(atlas[i] == fill, "atlas byte %zu beyond the file changed", i);
  FUZZ_CHECK(atlas[kAtlasBytes - 1] == fill || n == kAtlasBytes, "the last atlas byte changed");

  std::size_t at = 4 + n;
  for (int commands = 0; commands < 64 && size - at >= 10; ++commands) {
    const std::uint8_t kind = data[at];
    const std::int32_t x = Int32(data + at + 1), y = Int32(data + at + 5);
    const std::size_t len = std::min<std::size_t>(data[at + 9], size - at - 10);
    const std::string codes(reinterpret_cast<const char*>(data + at + 10), len);
    at += 10 + len;

    if (kind & 4) {
      const std::uint8_t code[3] = {len > 0 ? data[at - len] : std::uint8_t(0),
                                    len > 1 ? data[at - len + 1] : std::uint8_t(0), 0};
      r.ShowGlyph(x, y, code);
      continue;
    }
    Bitmap* targets[4] = {&r.BackBuffer, &r.BaseBitmap, &rig->Small, &rig->Empty};
    Bitmap& target = *targets[kind & 3];
    if (&target != &rig->Small) {
      r.DrawGlyphString(target, x, y, codes);
      continue;
    }
    // On the small bitmap, check that only the cells (and the shadow's one
    // extra column and row in atlas mode) of the drawn codes changed.
    const Bitmap before = target;
    r.DrawGlyphString(target, x, y, codes);
    std::size_t count = 0;
    while (2 * count < codes.size() && codes[2 * count] != '\0') ++count;
    const long long extent = fontMode ? kGlyphCell : kGlyphCell + 1;
    const long long left = x, top = y,
                    right = left + 24LL * static_cast<long long>(count) + extent - 24;
    for (int py = 0; py < target.Height(); ++py)
      for (int px = 0; px < target.Width(); ++px) {
        const bool inside = count > 0 && px >= left && px < right && py >= top && py < top + extent;
        FUZZ_CHECK(inside || target.Pixel(px, py) == before.Pixel(px, py),
                   "pixel (%d, %d) outside the cells of %zu codes at (%d, %d) changed", px, py,
                   count, x, y);
      }
  }
  r.ForgetGlyphs();
  return 0;
}
