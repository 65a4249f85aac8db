// Drawing strings of the reader's text: each character from the glyph atlas
// or from the current face, whichever FontType picks at the call.
#include <algorithm>
#include <cstring>

#include "reader/Reader.h"
#include "render/Glyph.h"

namespace {

// The cell's masks of one face are kept until this many codes are cached
// (some 3.5 MB); then the cache starts afresh. A page uses a few hundred
// codes and a novel a few thousand, and rasterising one again costs some
// 40 us, nothing beside the reveal's pace.
constexpr std::size_t kMaxCachedMasks = 1024;

}  // namespace

bool Reader::RasterizeCode(std::uint8_t lead, std::uint8_t trail, int cell, GlyphMask& out) {
  if (!UserCode(lead, trail))
    return Hooks->RasterizeGlyph(lead, trail, GlyphFont.Name, GlyphFont.Bold, cell, out);
  // A character of the text's own, by its code point; 〓 where no installed
  // face has it.
  return Hooks->RasterizeChar(TextChars.Char(lead, trail), GlyphFont.Name, GlyphFont.Bold, cell,
                              out) ||
         Hooks->RasterizeGlyph(0x81, 0xAC, GlyphFont.Name, GlyphFont.Bold, cell, out);
}

const GlyphMask* Reader::CachedMask(std::uint8_t lead, std::uint8_t trail, GlyphTransform form) {
  if (GlyphCache.Face != GlyphFont.Name || GlyphCache.Bold != GlyphFont.Bold) {
    GlyphCache.Masks.clear();
    GlyphCache.Face = GlyphFont.Name;
    GlyphCache.Bold = GlyphFont.Bold;
  }
  const std::uint64_t key = std::uint64_t(form.Key()) << 16 | std::uint64_t(lead << 8 | trail);
  auto it = GlyphCache.Masks.find(key);
  if (it == GlyphCache.Masks.end() && form.Ruby) {
    // Ruby is drawn from the font at 36 pixels, which the cell's averaging
    // brings down to 12.
    GlyphMask raw, moved;
    if (RasterizeCode(lead, trail, kGlyphWorkSize / 2, raw) && raw.Width > 0 && raw.Height > 0 &&
        raw.Alpha.size() >= static_cast<std::size_t>(raw.Width) * raw.Height)
      moved = TransformMask(raw, form);
    if (GlyphCache.Masks.size() >= kMaxCachedMasks) GlyphCache.Masks.clear();
    it = GlyphCache.Masks.emplace(key, std::move(moved)).first;
  }
  if (it == GlyphCache.Masks.end() && !form.Identity()) {
    // Made from the upright mask, which is copied before the cache may
    // start afresh.
    const GlyphMask* upright = CachedMask(lead, trail);
    GlyphMask moved = upright ? TransformMask(*upright, form) : GlyphMask{};
    if (GlyphCache.Masks.size() >= kMaxCachedMasks) GlyphCache.Masks.clear();
    it = GlyphCache.Masks.emplace(key, std::move(moved)).first;
  }
  if (it == GlyphCache.Masks.end()) {
    GlyphMask raw, kept;
    const bool drawn = RasterizeCode(lead, trail, kGlyphWorkSize, raw);
    if (GlyphCache.Masks.size() >= kMaxCachedMasks) GlyphCache.Masks.clear();
    if (drawn && raw.Width > 0 && raw.Height > 0 &&
        raw.Alpha.size() >= static_cast<std::size_t>(raw.Width) * raw.Height) {
      // Only ink within the 72 x 72 cell (or a sub-pixel above and left of
      // it, for the shadow) can show, and only the part with ink is kept: a
      // kanji leaves a third of the cell blank, a kana more. An empty mask
      // (a space) is kept as "nothing to draw" so its cell is skipped.
      const int x0 = std::max(0, -1 - raw.Left), y0 = std::max(0, -1 - raw.Top);
      const int x1 = static_cast<int>(std::min<long long>(raw.Width, kGlyphWorkSize - raw.Left));
      const int y1 = static_cast<int>(std::min<long long>(raw.Height, kGlyphWorkSize - raw.Top));
      int left = x1, right = x0, top = y1, bottom = y0;
      for (int r = y0; r < y1; ++r) {
        const std::uint8_t* s = raw.Alpha.data() + static_cast<std::size_t>(r) * raw.Width;
        for (int c = x0; c < x1; ++c)
          if (s[c] != 0) {
            left = std::min(left, c);
            right = std::max(right, c + 1);
            top = std::min(top, r);
            bottom = r + 1;
          }
      }
      if (left < right) {
        kept.Width = right - left;
        kept.Height = bottom - top;
        kept.Left = raw.Left + left;
        kept.Top = raw.Top + top;
        kept.Alpha.resize(static_cast<std::size_t>(kept.Width) * kept.Height);
        for (int r = 0; r < kept.Height; ++r)
          std::memcpy(kept.Alpha.data() + static_cast<std::size_t>(r) * kept.Width,
                      raw.Alpha.data() + static_cast<std::size_t>(top + r) * raw.Width + left,
                      static_cast<std::size_t>(kept.Width));
      }
    }
    it = GlyphCache.Masks.emplace(key, std::move(kept)).first;
  }
  return it->second.Width > 0 ? &it->second : nullptr;
}

const std::uint8_t* Reader::AtlasGlyph(int slot, GlyphTransform form) {
  const std::size_t at = static_cast<std::size_t>(slot) * kAtlasSlotBytes;
  if (slot < 0 || at + kAtlasSlotBytes > FontAtlas.size()) return nullptr;
  if (form.Identity()) return FontAtlas.data() + at;
  const std::uint64_t key = std::uint64_t(form.Key()) << 16 | std::uint64_t(slot);
  auto it = GlyphCache.Slots.find(key);
  if (it == GlyphCache.Slots.end()) {
    it = GlyphCache.Slots.emplace(key, std::array<std::uint8_t, kAtlasSlotBytes>{}).first;
    TransformSlot(FontAtlas.data() + at, form, it->second.data());
  }
  return it->second.data();
}

void Reader::DrawPlacedGlyph(Bitmap& target, const PlacedGlyph& g) {
  const bool user = UserCode(g.Lead, g.Trail);  // drawn from the font in either mode
  const int slot = AtlasSlot(g.Lead, g.Trail);
  if (slot < 0 && !user) return;  // no glyph for this code: a blank cell
  if (UsesAtlas() && !user) {
    if (const std::uint8_t* weights = AtlasGlyph(slot, g.Form))
      DrawAtlasGlyph(target, g.X, g.Y, weights, GlyphFont.Color);
  } else if (const GlyphMask* mask = CachedMask(g.Lead, g.Trail, g.Form)) {
    DrawMaskGlyph(target, g.X, g.Y, *mask, GlyphFont.Color);
  }
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
    const bool user = UserCode(lead, trail);
    const int slot = AtlasSlot(lead, trail);
    if (slot < 0 && !user) continue;  // no glyph for this code: a blank cell
    if (atlas && !user) {
      const std::size_t at = static_cast<std::size_t>(slot) * kAtlasSlotBytes;
      if (at + kAtlasSlotBytes <= FontAtlas.size())
        DrawAtlasGlyph(target, int(cx), y, FontAtlas.data() + at, colour);
    } else if (const GlyphMask* mask = CachedMask(lead, trail)) {
      DrawMaskGlyph(target, int(cx), y, *mask, colour);
    }
  }
}

void Reader::ShowGlyph(int x, int y, const std::uint8_t* code, GlyphTransform form) {
  const bool atlas = UsesAtlas();
  const Colour saved = GlyphFont.Color;
  GlyphFont.Color = kWhite;
  if (form.Identity()) {
    const char text[2] = {static_cast<char>(code[0]), static_cast<char>(code[0] ? code[1] : 0)};
    DrawGlyphString(BackBuffer, x, y, std::string(text, 2));
  } else {
    DrawPlacedGlyph(BackBuffer, {static_cast<std::int16_t>(x), static_cast<std::int16_t>(y),
                                 code[0], code[0] ? code[1] : std::uint8_t(0), form});
  }
  // The atlas path never touches the font's colour; the font path leaves it
  // white, as drawing through the work bitmap's font does.
  if (atlas) GlyphFont.Color = saved;
  const int size = atlas ? kGlyphCell + 1 : kGlyphCell;
  Hooks->CopyToWindow(BackBuffer, x, y, size, size, x, y);
}
