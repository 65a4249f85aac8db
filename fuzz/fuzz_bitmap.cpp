// Wallpaper files through Qt's image reader, then tiled into a screen at a
// brightness: headers that lie about sizes, palettes and compression,
// truncated pixel data, pictures of one pixel and of millions.
//
// Input: a brightness byte (signed, times 2, so values outside 0..100 come
// up too), then the file.
#include <QImageReader>

#include "Harness.h"
#include "platform/qt/QtBitmapFile.h"
#include "render/Screen.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Qt explains every refused file on stderr, which would drown the
  // fuzzer's output.
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  // Headers announcing pictures of many megabytes would make most runs
  // slow. The loader's own size checks come before Qt's limit, so they are
  // exercised all the same.
  QImageReader::setAllocationLimit(1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const Scratch files;
  static Bitmap screen(233, 97);
  if (size < 1) return 0;
  // A failed load leaves the picture alone; a loaded one is within limits.
  Bitmap picture(3, 2, 0x010203);
  const bool loaded = LoadBitmapFile(files.Write("wall.bmp", data + 1, size - 1), picture);
  const int w = picture.Width(), h = picture.Height();
  CHECK(loaded ? w > 0 && h > 0 && w <= kMaxBitmapSide && h <= kMaxBitmapSide
               : picture == Bitmap(3, 2, 0x010203));
  // Tiled at any size and brightness under the sanitizers; what the tiles
  // hold is the headless tests' business.
  if (loaded) ApplyWallpaper(picture, screen, 2 * std::int8_t(data[0]));
  return 0;
}
