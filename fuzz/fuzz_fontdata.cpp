// Font data of any length and content loaded into the atlas, then glyph
// strings drawn from it or from the font: codes with and without a slot,
// odd lengths, zero bytes, weights above 16, cells at any position.
//
// Input: a byte (bit 0: draws from the font, not the atlas), the
// file's length n (16-bit little-endian), its n bytes, then drawing
// commands: a byte (bit 0 ShowGlyph into the back buffer, else a string
// into a small bitmap), x and y (signed 32-bit little-endian), a length
// byte, the codes.
#include "Harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static auto [files, p, r] = Rig();
  static Bitmap small(41, 29);
  if (size < 3) return 0;
  const bool font = data[0] & 1;
  r.IntSettings[kFontType] = !font;
  const std::size_t n = std::min<std::size_t>(data[1] | data[2] << 8, size - 3);
  CHECK(r.LoadFontData(files.Write("font.fdt", data + 3, n)));

  for (std::size_t at = 3 + n, commands = 0; commands < 64 && size - at >= 10; ++commands) {
    std::int32_t x, y;
    std::memcpy(&x, data + at + 1, 4);
    std::memcpy(&y, data + at + 5, 4);
    const std::string codes(reinterpret_cast<const char*>(data + at + 10),
                            std::min<std::size_t>(data[at + 9], size - at - 10));
    // Only the cells of the codes before a zero lead byte may change (with
    // the shadow's extra column and row in atlas mode): put back, nothing
    // else differs. ShowGlyph draws into the back buffer instead.
    const Bitmap before = small;
    data[at] & 1 ? r.ShowGlyph(x, y, reinterpret_cast<const std::uint8_t*>(codes.c_str()))
                 : r.DrawGlyphString(small, x, y, codes);
    at += 10 + codes.size();
    int count = 0, extent = font ? 24 : 25;
    while (2 * count < std::ssize(codes) && codes[2 * count] != '\0') ++count;
    CopyRect(small, x, y, before, x, y, 24 * count + extent - 24, extent);
    CHECK(small == before);
  }
  std::memset(r.FontAtlas.data(), 0, n);  // so that no input draws on what the last one left
  return 0;
}
