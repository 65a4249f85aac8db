// The Qt platform pieces below the reader: wallpaper bitmaps read through
// Qt's image reader, and the text rasteriser drawing real glyphs with the
// IPA fonts for the Windows face names the settings hold.
#include <sys/stat.h>

#include <QGlyphRun>
#include <QPainter>

#include "QtRig.h"
#include "platform/qt/FontMapping.h"
#include "platform/qt/QtBitmapFile.h"
#include "platform/qt/QtGlyphRasterizer.h"

namespace {

// A 24-bit BMP file: file header, 40-byte info header, pixels.
QByteArray Bmp(qint32 w, qint32 h, const QByteArray& pixels) {
  QByteArray b;
  QDataStream s(&b, QIODevice::WriteOnly);
  s.setByteOrder(QDataStream::LittleEndian);
  s << quint16(0x4d42) << qint32(54 + pixels.size()) << 0 << 54 << 40 << w << h << qint16(1)
    << qint16(24) << 0 << qint32(pixels.size()) << qint64(0) << qint64(0);
  return b + pixels;
}

QImage Picture(const GlyphMask& m) {
  return QImage(m.Alpha.data(), m.Width, m.Height, m.Width, QImage::Format_Alpha8);
}

// The sum of |a - b| over two coverage pictures; without b, the ink of a.
long Ink(const QImage& a, const QImage& b = {}) {
  long sum = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      sum += std::abs(a.constScanLine(y)[x] - (b.isNull() ? 0 : b.constScanLine(y)[x]));
  return sum;
}

}  // namespace

class PlatformTest : public QObject {
  Q_OBJECT

 private slots:
  // Each file as its rows, top row first, or refused with the bitmap as it
  // was: a name in Shift-JIS, rows kept bottom up and padded to four bytes,
  // the size limits, and what is no BMP file to read (the decoding of the
  // BMP variants is Qt's own).
  void bitmapFiles() {
    TempDir dir;
    const int side = kMaxBitmapSide;
    const std::pair<const char*, QByteArray> files[] = {
        {"壁紙.bmp",
         Bmp(3, 2, QByteArray::fromHex("0102030405060708090000000a0b0c0d0e0f101112000000"))},
        {"edge.bmp", Bmp(side, 1, QByteArray(side * 3, 0))},
        {"wide.bmp", Bmp(side + 1, 1, QByteArray(side * 3 + 4, 0))},
        {"short.bmp", Bmp(4, 4, {}).left(30)},
        {"text.bmp", "not a picture"}};
    for (const auto& [name, bytes] : files) {
      QFile f(name);
      QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    }
    QVERIFY(QImage(3, 3, QImage::Format_RGB32).save("png.bmp", "PNG"));
    QVERIFY(::mkfifo("fifo.bmp", 0600) == 0);
    QStringList seen;
    for (const QString& name :
         QDir().entryList(QDir::Files | QDir::System) + QStringList("missing.bmp")) {
      Bitmap b(3, 2, 0x123456);
      const bool read = LoadBitmapFile(ToSjis(name.toStdString()), b);
      seen << name + (read ? QString(" %1x%2").arg(b.Width()).arg(b.Height())
                      : b == Bitmap(3, 2, 0x123456) ? " refused"
                                                    : " refused, but changed");
      for (int y = 0; read && b.Width() < 9 && y < b.Height(); ++y)
        seen.last() +=
            " " + QByteArray(reinterpret_cast<const char*>(b.Row(y)), b.Width() * 3).toHex();
    }
    // A zero byte would cut the name short and open another file.
    Bitmap b;
    QVERIFY(!LoadBitmapFile(std::string("edge.bmp\0.txt", 13), b));
    COMPARE_ENTRIES(seen, QString("edge.bmp 16384x1, fifo.bmp refused, png.bmp refused, "
                                  "short.bmp refused, text.bmp refused, wide.bmp refused, "
                                  "壁紙.bmp 3x2 0a0b0c0d0e0f101112 010203040506070809, "
                                  "missing.bmp refused")
                              .split(", "));
  }

  // Windows face names as installed families. IPAGothic's win ascent and
  // descent (1802 + 401 of 2048 units to the em) fill the cell, the
  // baseline at the ascent. A glyph is the picture QPainter draws from the
  // cell's left edge on the baseline but for the rounding of partly covered
  // pixels (a glyph one pixel off differs by more than 3 % of its ink);
  // bold, here through the cache, has more ink, all inside the cell. Blank
  // and invalid codes draw no ink and leave nothing of the character drawn
  // before; absurd cells are refused.
  void glyphs() {
    QString faces;
    for (const char* face :
         {"ＭＳ ゴシック", "MS Gothic", "@ＭＳ 明朝", "HGゴシックE", "", "No Such Face",
          "ＭＳ 明朝", "MS Mincho", "IPAMincho", "ＭＳ Ｐゴシック", "MS UI Gothic", "ＭＳ Ｐ明朝"})
      faces += MapFaceNameSjis(ToSjis(face)) + " ";
    QStringList seen{faces + MapFaceNameSjis(std::string("\x81\x00", 2))};  // not Shift-JIS
    const std::string gothic = ToSjis("ＭＳ ゴシック");
    GlyphRasterizerCache cache;
    for (int cell : {72, 96}) {
      QtGlyphRasterizer r(gothic, false, cell);
      seen << QString::asprintf("%d: %dpx base %d", cell, r.PixelSize(), r.Baseline());
      for (const char* text : {"あ", "漢", "。", "ー", "ｇ"}) {
        const std::string c = ToSjis(text);
        GlyphMask m, b;
        QVERIFY(r.Rasterize(c[0], c[1], m) && cache.Rasterize(c[0], c[1], gothic, 1, cell, b));
        QImage painted(cell, cell, QImage::Format_Alpha8);
        painted.fill(0);
        QGlyphRun run;
        run.setRawFont(r.RawFont());
        run.setGlyphIndexes(r.RawFont().glyphIndexesForString(text));
        run.setPositions({QPointF()});
        QPainter(&painted).drawGlyphRun(QPointF(0, r.Baseline()), run);
        const QImage glyph = Picture(m), bold = Picture(b);
        QVERIFY2(Ink(glyph, painted) * 40 < Ink(glyph) && Ink(bold) > Ink(glyph) * 11 / 10 &&
                     Ink(bold.copy(1, 1, cell - 2, cell - 2)) == Ink(bold),
                 text);
      }
    }
    QtGlyphRasterizer r(gothic, false, 72);
    for (int code : {0x8140, 0xF040, 0x8100, 0x817F, 0x4142, 0xA040, 0xFFFF}) {
      GlyphMask m;
      r.Rasterize(0x8A, 0xBF, m);
      const bool drawn = r.Rasterize(code >> 8, code & 255, m);
      seen << QString::asprintf("%x %d %dx%d ink %ld", code, drawn, m.Width, m.Height,
                                Ink(Picture(m)));
    }
    for (int cell : {0, -72, 1 << 30}) {
      QtGlyphRasterizer absurd(gothic, false, cell);
      GlyphMask m;
      QVERIFY(!absurd.IsValid() && !absurd.Rasterize(0x8A, 0xBF, m) && m.Alpha.empty());
    }
    COMPARE_ENTRIES(seen,
                    QString("IPAGothic IPAGothic IPAMincho IPAGothic IPAGothic IPAGothic IPAMincho "
                            "IPAMincho IPAMincho IPAPGothic IPAPGothic IPAPMincho IPAGothic, "
                            "72: 67px base 59, 96: 89px base 79, 8140 1 72x72 ink 0, "
                            "f040 0 0x0 ink 0, 8100 0 0x0 ink 0, 817f 0 0x0 ink 0, "
                            "4142 0 0x0 ink 0, a040 0 0x0 ink 0, ffff 0 0x0 ink 0")
                        .split(", "));
  }
};

QTEST_MAIN(PlatformTest)
#include "PlatformTest.moc"
