#include "platform/Files.h"
#include "reader/Reader.h"
#include "render/FontData.h"

bool Reader::LoadFontData(const std::string& path) {
  GlyphCache.Slots.clear();  // turned and moved glyphs of the atlas read before
  // One read from the start; a shorter file fills only the first slots.
  const long long got = ReadFilePrefix(path, FontAtlas.data(), kAtlasBytes);
  if (got < 0) return false;
  AtlasComplete = got == kAtlasBytes;
  return true;
}

bool Reader::UseFontData(const std::string& path) {
  // A short file is not read at all: its pages would be held for nothing.
  if (FileSize(path) < kAtlasBytes) return AtlasComplete = false;
  return LoadFontData(path) && AtlasComplete;
}
