// The Qt text rasteriser drawing real glyphs with the IPA fonts, and the
// Windows face names mapped to installed families.
#include <QGlyphRun>
#include <QPainter>

#include "QtRig.h"
#include "platform/qt/FontMapping.h"
#include "platform/qt/QtGlyphRasterizer.h"

namespace {

const std::string kMsGothic = ToSjis("ＭＳ ゴシック");

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

class GlyphRasterizerTest : public QObject {
  Q_OBJECT

 private slots:
  void faceMapping() {
    QStringList seen;
    for (const char* face : {"ＭＳ ゴシック", "MS Gothic", "@ＭＳ ゴシック", "HGゴシックE", "",
                             "No Such Face", "ＭＳ 明朝", "MS Mincho", "IPAMincho",
                             "ＭＳ Ｐゴシック", "MS PGothic", "MS UI Gothic", "ＭＳ Ｐ明朝"})
      seen << MapFaceNameSjis(ToSjis(face));
    seen << MapFaceNameSjis(std::string("\x81\x00", 2));  // not Shift-JIS
    QCOMPARE(seen.join(' '),
             "IPAGothic IPAGothic IPAGothic IPAGothic IPAGothic IPAGothic IPAMincho IPAMincho "
             "IPAMincho IPAPGothic IPAPGothic IPAPGothic IPAPMincho IPAGothic");
  }

  // IPAGothic's win ascent and descent (1802 + 401 of 2048 units to the em)
  // fill the cell, the baseline at the ascent. A glyph is the picture
  // QPainter draws from the cell's left edge on the baseline, but for the
  // rounding of partly covered pixels (a glyph one pixel off differs by
  // more than 3 % of its ink). Bold, here through the cache, has more ink,
  // all inside the cell.
  void glyphs() {
    QStringList metrics;
    GlyphRasterizerCache cache;
    for (int cell : {72, 96}) {
      QtGlyphRasterizer r(kMsGothic, false, cell);
      metrics << QString("%1 %2 %3").arg(r.Family()).arg(r.PixelSize()).arg(r.Baseline());
      for (const char* text : {"あ", "漢", "。", "ー", "ｇ"}) {
        const std::string c = ToSjis(text);
        GlyphMask m, b;
        QVERIFY(r.Rasterize(c[0], c[1], m) && cache.Rasterize(c[0], c[1], kMsGothic, 1, cell, b));
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
    QCOMPARE(metrics.join(", "), "IPAGothic 67 59, IPAGothic 89 79");
  }

  // Blank and invalid codes draw no ink, leaving nothing of the character
  // drawn before; absurd cells are refused.
  void nothingToDraw() {
    QtGlyphRasterizer r(kMsGothic, false, 72);
    QStringList seen;
    for (int code : {0x8140, 0xF040, 0x8100, 0x817F, 0x4142, 0xA040, 0xFFFF}) {
      GlyphMask m;
      r.Rasterize(0x8A, 0xBF, m);
      const bool drawn = r.Rasterize(code >> 8, code & 255, m);
      seen << QString::asprintf("%x %d %dx%d ink %ld", code, drawn, m.Width, m.Height,
                                Ink(Picture(m)));
    }
    QCOMPARE(seen.join(", "),
             "8140 1 72x72 ink 0, f040 0 0x0 ink 0, 8100 0 0x0 ink 0, 817f 0 0x0 ink 0, "
             "4142 0 0x0 ink 0, a040 0 0x0 ink 0, ffff 0 0x0 ink 0");
    for (int cell : {0, -72, 1 << 30}) {
      QtGlyphRasterizer absurd(kMsGothic, false, cell);
      GlyphMask m;
      QVERIFY(!absurd.IsValid() && !absurd.Rasterize(0x8A, 0xBF, m) && m.Alpha.empty());
    }
  }
};

QTEST_MAIN(GlyphRasterizerTest)
#include "GlyphRasterizerTest.moc"
