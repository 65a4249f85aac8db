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
  // was. Colours 0-3 of the palette are 102030, f08001, 0000ff and 00ff00
  // (RGB); the 5- and 6-bit fields of 16-bit pixels are shifted up.
  void bitmapFiles() {
    TempDir dir;
    auto hex = [](const char* h) { return QByteArray::fromHex(h); };
    const QByteArray palette = hex("302010000180f000ff00000000ff0000"), none;
    const int side = kMaxBitmapSide;
    const std::pair<const char*, QByteArray> files[] = {
        {"24-bit 壁紙.bmp",
         Bmp(3, 2, 24, 0, none, hex("0102030405060708090000000a0b0c0d0e0f101112000000"))},
        {"32-bit.bmp", Bmp(2, 1, 32, 0, none, hex("0102030004050600"))},
        {"palette.bmp", Bmp(3, 2, 8, 0, palette, hex("0001020002010000"))},
        {"RLE.bmp", Bmp(4, 2, 8, 1, palette, hex("040100000004030200010001"))},
        {"top-down.bmp", Bmp(3, -2, 1, 0, palette.left(8), hex("a000000040000000"))},
        {"bitfields.bmp", Bmp(2, 1, 16, 3, hex("00f80000e00700001f000000"), hex("1ff8e007"))},
        {"edge.bmp", Bmp(side, 1, 24, 0, none, QByteArray(side * 3, 0))},
        {"wide.bmp", Bmp(side + 1, 1, 24, 0, none, QByteArray(side * 3 + 4, 0))},
        {"short.bmp", Bmp(4, 4, 24, 0, none, none).left(30)},
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
    COMPARE_ENTRIES(
        seen, QString("24-bit 壁紙.bmp 3x2 0a0b0c0d0e0f101112 010203040506070809, "
                      "32-bit.bmp 2x1 010203040506, "
                      "bitfields.bmp 2x1 f800f800fc00, edge.bmp 16384x1, fifo.bmp refused, "
                      "palette.bmp 3x2 ff00000180f0302010 3020100180f0ff0000, png.bmp refused, "
                      "RLE.bmp 4x2 00ff00ff00003020100180f0 0180f00180f00180f00180f0, "
                      "short.bmp refused, text.bmp refused, "
                      "top-down.bmp 3x2 0180f03020100180f0 3020100180f0302010, "
                      "wide.bmp refused, missing.bmp refused")
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
