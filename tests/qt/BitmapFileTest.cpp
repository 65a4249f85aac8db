// Loading wallpaper bitmaps: exact BGR bytes and row padding, Shift-JIS
// paths, and files that must be refused without touching the bitmap.
#include <sys/stat.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include "platform/Sjis.h"
#include "platform/qt/QtBitmapFile.h"

namespace {

QRgb PatternPixel(int x, int y) {
  return qRgb((x * 37 + y * 11) & 255, (x * 5 + y * 71) & 255, (x * 101 + y * 3) & 255);
}

QImage PatternImage(int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) img.setPixel(x, y, PatternPixel(x, y));
  return img;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// A BMP file and info header announcing a 24-bit width x height picture,
// followed by pixelBytes bytes of pixel data.
QByteArray BmpHeader(qint32 width, qint32 height, int pixelBytes) {
  QByteArray b(54, '\0');
  auto put32 = [&](int at, quint32 v) { qToLittleEndian<quint32>(v, b.data() + at); };
  auto put16 = [&](int at, quint16 v) { qToLittleEndian<quint16>(v, b.data() + at); };
  b[0] = 'B';
  b[1] = 'M';
  put32(2, 54 + pixelBytes);
  put32(10, 54);
  put32(14, 40);
  put32(18, quint32(width));
  put32(22, quint32(height));
  put16(26, 1);
  put16(28, 24);
  return b + QByteArray(pixelBytes, '\x7f');
}

std::string Sjis(const QString& path) { return ToSjis(path.toStdString()); }

}  // namespace

class BitmapFileTest : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;

  QString Path(const QString& name) const { return dir_.filePath(name); }

 private slots:
  void initTestCase() { QVERIFY(dir_.isValid()); }

  void exactBgrBytes_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("odd width, rows padded") << 37 << 3;
    QTest::newRow("width 4, no padding") << 4 << 2;
    QTest::newRow("single pixel") << 1 << 1;
    QTest::newRow("tall and narrow") << 2 << 5;
  }
  void exactBgrBytes() {
    QFETCH(int, width);
    QFETCH(int, height);
    const QString path = Path(QString("p%1x%2.bmp").arg(width).arg(height));
    QVERIFY(PatternImage(width, height).save(path, "BMP"));

    Bitmap bmp;
    QVERIFY(LoadBitmapFile(Sjis(path), bmp));
    QCOMPARE(bmp.Width(), width);
    QCOMPARE(bmp.Height(), height);
    QCOMPARE(bmp.Stride(), std::size_t((width * 3 + 3) / 4 * 4));
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const std::uint8_t* p = bmp.Row(y) + 3 * x;
        const QRgb c = PatternPixel(x, y);
        QVERIFY2(p[0] == qBlue(c) && p[1] == qGreen(c) && p[2] == qRed(c),
                 qPrintable(QString("pixel %1,%2").arg(x).arg(y)));
      }
  }

  // An 8-bit wallpaper comes out in the colours of its palette.
  void paletteBitmap() {
    QImage img(3, 2, QImage::Format_Indexed8);
    img.setColorTable({qRgb(0x10, 0x20, 0x30), qRgb(0xF0, 0x80, 0x01)});
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) img.setPixel(x, y, (x + y) % 2);
    const QString path = Path("palette.bmp");
    QVERIFY(img.save(path, "BMP"));
    Bitmap bmp;
    QVERIFY(LoadBitmapFile(Sjis(path), bmp));
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x)
        QCOMPARE(bmp.Pixel(x, y), (x + y) % 2 ? Colour(0x0180F0) : Colour(0x302010));
  }

  void shiftJisFileName() {
    const QString path = Path("壁紙.bmp");
    QVERIFY(PatternImage(5, 4).save(path, "BMP"));
    Bitmap bmp;
    QVERIFY(LoadBitmapFile(Sjis(path), bmp));
    QCOMPARE(bmp.Width(), 5);
    QCOMPARE(bmp.Pixel(4, 3), Colour(qRed(PatternPixel(4, 3)) | qGreen(PatternPixel(4, 3)) << 8 |
                                     qBlue(PatternPixel(4, 3)) << 16));
  }

  void sideLimit() {
    const QString edge = Path("edge.bmp");
    QVERIFY(PatternImage(kMaxBitmapSide, 1).save(edge, "BMP"));
    Bitmap bmp;
    QVERIFY(LoadBitmapFile(Sjis(edge), bmp));
    QCOMPARE(bmp.Width(), kMaxBitmapSide);
    // One pixel wider is refused, though the file is whole and small.
    const QString wide = Path("wide.bmp");
    QVERIFY(WriteFile(wide, BmpHeader(kMaxBitmapSide + 1, 1, (kMaxBitmapSide + 1) * 3 + 1)));
    Bitmap before(2, 2, 0x123456);
    Bitmap out = before;
    QVERIFY(!LoadBitmapFile(Sjis(wide), out));
    QVERIFY(out == before);
  }

  void refusedFilesLeaveTheBitmap_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("missing") << "missing.bmp";
    QTest::newRow("text file") << "text.bmp";
    QTest::newRow("empty file") << "empty.bmp";
    QTest::newRow("PNG") << "picture.png";
    QTest::newRow("directory") << "folder.bmp";
    QTest::newRow("FIFO") << "fifo.bmp";
    QTest::newRow("header of 100000 x 100000") << "huge.bmp";
    QTest::newRow("truncated header") << "short.bmp";
  }
  void refusedFilesLeaveTheBitmap() {
    QFETCH(QString, name);
    const QString path = Path(name);
    if (name == "text.bmp") QVERIFY(WriteFile(path, "not a picture at all\n"));
    if (name == "empty.bmp") QVERIFY(WriteFile(path, ""));
    if (name == "picture.png") QVERIFY(PatternImage(3, 3).save(path, "PNG"));
    if (name == "folder.bmp") QVERIFY(QDir(dir_.path()).mkpath(name));
    if (name == "fifo.bmp" && !QFile::exists(path))
      QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    if (name == "huge.bmp") QVERIFY(WriteFile(path, BmpHeader(100000, 100000, 16)));
    if (name == "short.bmp") QVERIFY(WriteFile(path, BmpHeader(4, 4, 0).left(30)));

    const Bitmap before(3, 2, 0x123456);
    Bitmap out = before;
    QVERIFY(!LoadBitmapFile(Sjis(path), out));
    QVERIFY(out == before);
  }

  // A zero byte would cut the name short and open another file.
  void zeroByteInName() {
    const QString path = Path("real.bmp");
    QVERIFY(PatternImage(2, 2).save(path, "BMP"));
    Bitmap out;
    QVERIFY(!LoadBitmapFile(Sjis(path) + std::string("\0.txt", 5), out));
    QVERIFY(out.Empty());
  }
};

QTEST_MAIN(BitmapFileTest)
#include "BitmapFileTest.moc"
