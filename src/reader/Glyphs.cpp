// Drawing strings of the reader's text: each character from the glyph atlas
// or from the current face, whichever FontType picks at the call.
#include <algorithm>
#include <cstring>

#include "reader/Reader.h"
#include "render/Glyph.h"

namespace {

// The cell's masks of one face are kept until this many codes are cached
// (a novel uses a few thousand); then the cache starts afresh.
constexpr std::size_t kMaxCachedMasks = 4096;

}  // namespace

const GlyphMask* Reader::CachedMask(std::uint8_t lead, std::uint8_t trail) {
  if (GlyphCache.Face != GlyphFont.Name || GlyphCache.Bold != GlyphFont.Bold) {
    GlyphCache.Masks.clear();
    GlyphCache.Face = GlyphFont.Name;
    GlyphCache.Bold = GlyphFont.Bold;
  }
  const std::uint16_t key = static_cast<std::uint16_t>(lead << 8 | trail);
  auto it = GlyphCache.Masks.find(key);
  if (it == GlyphCache.Masks.end()) {
    if (GlyphCache.Masks.size() >= kMaxCachedMasks) GlyphCache.Masks.clear();
    GlyphMask raw, kept;
    if (Hooks->RasterizeGlyph(lead, trail, GlyphFont.Name, GlyphFont.Bold, kGlyphWorkSize, raw) &&
        raw.Width > 0 && raw.Height > 0 &&
        raw.Alpha.size() >= static_cast<std::size_t>(raw.Width) * raw.Height) {
      // Nothing beyond the 72 x 72 work bitmap can show; an empty mask (a
      // space) is kept as "nothing to draw" so its cell is skipped.
      const int w = std::min(raw.Width, kGlyphWorkSize), h = std::min(raw.Height, kGlyphWorkSize);
      bool ink = false;
      kept.Width = w;
      kept.Height = h;
      kept.Alpha.resize(static_cast<std::size_t>(w) * h);
      for (int r = 0; r < h; ++r) {
        const std::uint8_t* s = raw.Alpha.data() + static_cast<std::size_t>(r) * raw.Width;
        std::memcpy(kept.Alpha.data() + static_cast<std::size_t>(r) * w, s, w);
        for (int c = 0; c < w && !ink; ++c) ink = s[c] != 0;
      }
      if (!ink) kept = GlyphMask{};
    }
    it = GlyphCache.Masks.emplace(key, std::move(kept)).first;
  }
  return it->second.Width > 0 ? &it->second : nullptr;
}

void Reader::DrawGlyphString(Bitmap& target, int x, int y, const std::string& text) {
  const Colour colour = GlyphFont.Color;
  const bool atlas = UsesAtlas();
  const long long ly = y;
  if (ly >= target.Height() || ly + kGlyphCell + 1 <= 0) return;
  const std::size_t n = text.size();
  long long cx = x;
  // Two bytes per code until a zero lead byte. A last code without its trail
  // byte pairs with the end (zero), which has no slot.
  for (std::size_t i = 0; i < n && text[i] != '\0'; i += 2, cx += kGlyphCell) {
    if (cx >= target.Width()) break;  // this cell and all later ones lie to the right
    if (cx + kGlyphCell + 1 <= 0) continue;
    const auto lead = static_cast<std::uint8_t>(text[i]);
    const auto trail = static_cast<std::uint8_t>(i + 1 < n ? text[i + 1] : '\0');
    const int slot = AtlasSlot(lead, trail);
    if (slot < 0) continue;  // no glyph for this code: a blank cell
    if (atlas) {
      const std::size_t at = static_cast<std::size_t>(slot) * kAtlasSlotBytes;
      if (at + kAtlasSlotBytes <= FontAtlas.size())
        DrawAtlasGlyph(target, int(cx), y, FontAtlas.data() + at, colour);
    } else if (const GlyphMask* mask = CachedMask(lead, trail)) {
      DrawMaskGlyph(target, int(cx), y, *mask, colour);
    }
  }
}

void Reader::ShowGlyph(int x, int y, const std::uint8_t* code) {
  const bool atlas = UsesAtlas();
  const Colour saved = GlyphFont.Color;
  GlyphFont.Color = kWhite;
  const char text[2] = {static_cast<char>(code[0]), static_cast<char>(code[0] ? code[1] : 0)};
  DrawGlyphString(BackBuffer, x, y, std::string(text, 2));
  // The atlas path never touches the font's colour; the font path leaves it
  // white, as drawing through the work bitmap's font does.
  if (atlas) GlyphFont.Color = saved;
  const int size = atlas ? kGlyphCell + 1 : kGlyphCell;
  Hooks->CopyToWindow(BackBuffer, x, y, size, size, x, y);
}
