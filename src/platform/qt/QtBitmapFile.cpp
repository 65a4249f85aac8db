#include "platform/qt/QtBitmapFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QImage>
#include <QImageReader>

#include <cstring>

#include "platform/Sjis.h"

namespace {

bool WithinLimits(const QSize& size) {
  return size.width() > 0 && size.height() > 0 && size.width() <= kMaxBitmapSide &&
         size.height() <= kMaxBitmapSide &&
         static_cast<long long>(size.width()) * size.height() <= kMaxBitmapPixels;
}

}  // namespace

bool LoadBitmapFile(const std::string& sjisPath, Bitmap& out) {
  const std::string native = NativePath(sjisPath);
  // A name with a zero byte would be cut short by open() and name another
  // file.
  if (native.empty() || native.find('\0') != std::string::npos) return false;

  // Opened by its bytes, not through QString, so a name that is not UTF-8
  // still opens. Non-blocking, so that a FIFO does not hang the reader; only
  // regular files are read (not /dev/zero and the like).
  const int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  QFile file;
  if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    return false;
  }

  QImageReader reader(&file, "bmp");
  reader.setAutoDetectImageFormat(false);
  if (!reader.canRead()) return false;
  // The header's size, checked before a single pixel is allocated.
  const QSize announced = reader.size();
  if (announced.isValid() && !WithinLimits(announced)) return false;

  QImage image;
  if (!reader.read(&image) || !WithinLimits(image.size())) return false;
  image = image.convertToFormat(QImage::Format_BGR888);
  if (image.isNull()) return false;

  Bitmap loaded(image.width(), image.height());
  const std::size_t rowBytes = std::size_t(image.width()) * 3;
  for (int y = 0; y < image.height(); ++y)
    std::memcpy(loaded.Row(y), image.constScanLine(y), rowBytes);
  out = std::move(loaded);
  return true;
}
