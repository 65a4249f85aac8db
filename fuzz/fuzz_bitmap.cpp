// Wallpaper files through Qt's image reader, then tiled into the screen at a
// brightness: headers that lie about sizes, palettes and compression,
// truncated pixel data, pictures of one pixel and of millions.
//
// Input: a brightness byte (read as signed, times 2, so values outside
// 0..100 come up too), then the bytes of the bitmap file.
#include <QImageReader>
#include <QtGlobal>

#include <cstdint>
#include <string>

#include "FuzzFiles.h"
#include "FuzzPlatform.h"
#include "platform/qt/QtBitmapFile.h"
#include "render/Screen.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Qt's reader explains every file it refuses on stderr; the fuzzer's own
  // output is what matters here.
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  // Mutated headers often announce pictures of a hundred megabytes, which
  // Qt's default limit would still allocate, thirty times slower a run. The
  // loader's own size checks come before Qt's limit, so they are exercised
  // all the same.
  QImageReader::setAllocationLimit(16);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = ScratchFile("wall.bmp");
  static Bitmap target(640, 480);
  if (size < 1) return 0;
  const int brightness = 2 * static_cast<std::int8_t>(data[0]);
  WriteScratch(path, data + 1, size - 1);

  Bitmap picture(3, 2, 0x010203);
  const Bitmap untouched = picture;
  if (!LoadBitmapFile(path, picture)) {
    FUZZ_CHECK(picture == untouched, "a failed load changed the picture");
    return 0;
  }
  FUZZ_CHECK(
      !picture.Empty() && picture.Width() <= kMaxBitmapSide && picture.Height() <= kMaxBitmapSide,
      "a loaded picture of %d x %d", picture.Width(), picture.Height());
  ApplyWallpaper(picture, target, brightness);

  // At 100 the screen is the picture tiled exactly; check a few pixels.
  if (brightness == 100) {
    const int xs[] = {0, 639, picture.Width() % 640, 320};
    const int ys[] = {0, 479, picture.Height() % 480, 240};
    for (int x : xs)
      for (int y : ys)
        FUZZ_CHECK(target.Pixel(x, y) == picture.Pixel(x % picture.Width(), y % picture.Height()),
                   "pixel (%d, %d) of the screen is not the tiled picture", x, y);
  }
  return 0;
}
