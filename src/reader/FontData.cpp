#include "platform/Files.h"
#include "reader/Reader.h"
#include "render/FontData.h"

bool Reader::LoadFontData(const std::string& path) {
  if (FontAtlas.size() != static_cast<std::size_t>(kAtlasBytes)) FontAtlas.resize(kAtlasBytes, 0);
  // One read from the start; a shorter file fills only the first slots.
  return ReadFilePrefix(path, FontAtlas.data(), kAtlasBytes) >= 0;
}
