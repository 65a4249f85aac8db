#include "platform/qt/FontDataMaker.h"

#include <algorithm>
#include <thread>

#include "platform/qt/QtGlyphRasterizer.h"

int FontDataThreads() {
  // Rendering is the cost; one worker per core, a few at most (the writer
  // keeps them only a row or two ahead of the file).
  const unsigned cores = std::thread::hardware_concurrency();
  return std::clamp(static_cast<int>(cores), 1, 8);
}

FontDataResult MakeFontDataFile(const std::string& path, const std::string& faceSjis, bool bold,
                                const FontRowFn& onRow, const FontAbortFn& aborted) {
  // Each worker builds its own rasteriser on its own thread: Qt's font
  // engines must not cross threads.
  return CreateFontData(
      path, [&] { return MakeLazyRasterizer(faceSjis, bold, kFontDataCell); }, onRow, aborted,
      FontDataThreads());
}
