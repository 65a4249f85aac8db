// Wallpaper bitmaps read through Qt's image reader: the BGR rows each kind
// of BMP file gives, and the files refused without touching the bitmap.
#include <sys/stat.h>

#include "QtRig.h"
#include "platform/qt/QtBitmapFile.h"

namespace {

// A BMP file: file header, 40-byte info header (a negative height puts the
// top row first), palette or bit masks, pixels.
QByteArray Bmp(qint32 w, qint32 h, qint16 bpp, qint32 compression, const QByteArray& table,
               const QByteArray& pixels) {
  QByteArray b;
  QDataStream s(&b, QIODevice::WriteOnly);
  s.setByteOrder(QDataStream::LittleEndian);
  s << quint16(0x4d42) << qint32(54 + table.size() + pixels.size()) << 0
    << qint32(54 + table.size()) << 40 << w << h << qint16(1) << bpp << compression
    << qint32(pixels.size()) << qint64(0) << qint32(bpp <= 8 ? table.size() / 4 : 0) << 0;
  return b + table + pixels;
}

}  // namespace

class BitmapFileTest : public QObject {
  Q_OBJECT

 private slots:
  // Each file as its rows, top row first, or refused with the bitmap as it
  // was. Colours 0-3 of the palette are 102030, f08001, 0000ff and 00ff00
  // (RGB); the 5- and 6-bit fields of 16-bit pixels are shifted up.
  void files() {
    TempDir dir;
    const QByteArray palette = QByteArray::fromHex("302010000180f000ff00000000ff0000");
    const int side = kMaxBitmapSide;
    const std::pair<const char*, QByteArray> files[] = {
        {"24-bit 壁紙.bmp", Bmp(3, 2, 24, 0, {},
                                QByteArray::fromHex("010203040506070809000000"
                                                    "0a0b0c0d0e0f101112000000"))},
        {"32-bit.bmp", Bmp(2, 1, 32, 0, {}, QByteArray::fromHex("0102030004050600"))},
        {"palette.bmp", Bmp(3, 2, 8, 0, palette, QByteArray::fromHex("0001020002010000"))},
        {"RLE.bmp", Bmp(4, 2, 8, 1, palette, QByteArray::fromHex("040100000004030200010001"))},
        {"top-down.bmp",
         Bmp(3, -2, 1, 0, palette.left(8), QByteArray::fromHex("a000000040000000"))},
        {"bitfields.bmp", Bmp(2, 1, 16, 3, QByteArray::fromHex("00f80000e00700001f000000"),
                              QByteArray::fromHex("1ff8e007"))},
        {"edge.bmp", Bmp(side, 1, 24, 0, {}, QByteArray(side * 3, 0))},
        {"wide.bmp", Bmp(side + 1, 1, 24, 0, {}, QByteArray(side * 3 + 4, 0))},
        {"huge.bmp", Bmp(100000, 100000, 24, 0, {}, QByteArray(16, 0))},
        {"area.bmp", Bmp(side, kMaxBitmapPixels / side + 1, 24, 0, {}, QByteArray(16, 0))},
        {"short.bmp", Bmp(4, 4, 24, 0, {}, {}).left(30)},
        {"text.bmp", "not a picture\n"},
        {"empty.bmp", ""}};
    QStringList seen;
    auto load = [&](const std::string& name) {
      Bitmap b(3, 2, 0x123456);
      const bool read = LoadBitmapFile(ToSjis(name), b);
      seen << QString::fromStdString(name) +
                  (read                          ? QString(": %1x%2").arg(b.Width()).arg(b.Height())
                   : b == Bitmap(3, 2, 0x123456) ? ": refused"
                                                 : ": refused, but changed");
      for (int y = 0; read && b.Width() < 9 && y < b.Height(); ++y)
        seen.last() +=
            " " + QByteArray(reinterpret_cast<const char*>(b.Row(y)), b.Width() * 3).toHex();
    };
    for (const auto& [name, bytes] : files) {
      QFile f(name);
      QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
      f.close();
      load(name);
    }
    QVERIFY(QImage(3, 3, QImage::Format_RGB32).save("png.bmp", "PNG"));
    QVERIFY(QDir().mkdir("folder.bmp") && ::mkfifo("fifo.bmp", 0600) == 0);
    for (const char* name : {"png.bmp", "folder.bmp", "fifo.bmp", "missing.bmp"}) load(name);
    // A zero byte would cut the name short and open another file.
    Bitmap b;
    QVERIFY(!LoadBitmapFile(ToSjis("edge.bmp") + std::string("\0.txt", 5), b));
    COMPARE_ENTRIES(
        seen,
        QStringList({"24-bit 壁紙.bmp: 3x2 0a0b0c0d0e0f101112 010203040506070809",
                     "32-bit.bmp: 2x1 010203040506",
                     "palette.bmp: 3x2 ff00000180f0302010 3020100180f0ff0000",
                     "RLE.bmp: 4x2 00ff00ff00003020100180f0 0180f00180f00180f00180f0",
                     "top-down.bmp: 3x2 0180f03020100180f0 3020100180f0302010",
                     "bitfields.bmp: 2x1 f800f800fc00", "edge.bmp: 16384x1", "wide.bmp: refused",
                     "huge.bmp: refused", "area.bmp: refused", "short.bmp: refused",
                     "text.bmp: refused", "empty.bmp: refused", "png.bmp: refused",
                     "folder.bmp: refused", "fifo.bmp: refused", "missing.bmp: refused"}));
  }
};

QTEST_MAIN(BitmapFileTest)
#include "BitmapFileTest.moc"
