#include "reader/Reader.h"

void Reader::DrawGlyphString(Bitmap&, int, int, const std::string&) {}
void Reader::ShowGlyph(int, int, const std::uint8_t*) {}
void Reader::ShowTextScreen() {}
void Reader::ColumnWipe() { FormPaint(); }
void Reader::DrawPageBar(bool) {}
bool Reader::LoadFontData(const std::string&) { return false; }
void Reader::LoadWallpaper(Bitmap& wallpaper, const std::string&, bool) { wallpaper.SetSize(16, 16, kGrey); }
const GlyphMask* Reader::CachedMask(std::uint8_t, std::uint8_t) { return nullptr; }
