// The Qt text rasteriser and face mapping, drawing real glyphs with the IPA
// fonts offscreen.
#include <QFontDatabase>
#include <QGlyphRun>
#include <QPainter>
#include <QtTest>

#include <thread>
#include <vector>

#include "platform/Sjis.h"
#include "platform/qt/FontMapping.h"
#include "platform/qt/QtGlyphRasterizer.h"

namespace {

// IPAGothic's OS/2 win ascent and descent and its em, in font units.
constexpr int kIpaWinAscent = 1802;
constexpr int kIpaWinDescent = 401;
constexpr int kIpaUnitsPerEm = 2048;

const std::string kMsGothic = ToSjis("ＭＳ ゴシック");

struct Ink {
  QRect box;     // bounding box of every non-zero pixel
  long sum = 0;  // total coverage
};

Ink InkOf(const GlyphMask& m) {
  Ink ink;
  for (int y = 0; y < m.Height; ++y)
    for (int x = 0; x < m.Width; ++x)
      if (int a = m.At(x, y)) {
        ink.sum += a;
        ink.box = ink.box.united(QRect(x, y, 1, 1));
      }
  return ink;
}

Ink InkOf(const QImage& alpha8) {
  Ink ink;
  for (int y = 0; y < alpha8.height(); ++y)
    for (int x = 0; x < alpha8.width(); ++x)
      if (int a = alpha8.constScanLine(y)[x]) {
        ink.sum += a;
        ink.box = ink.box.united(QRect(x, y, 1, 1));
      }
  return ink;
}

GlyphMask Draw(QtGlyphRasterizer& r, const char* code) {
  GlyphMask m;
  r.Rasterize(std::uint8_t(code[0]), std::uint8_t(code[1]), m);
  return m;
}

}  // namespace

Q_DECLARE_METATYPE(std::string)

class GlyphRasterizerTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY2(QFontDatabase::hasFamily("IPAGothic"),
             "IPAGothic is missing: scripts/deps installs fonts-ipafont-gothic");
  }

  void faceMapping_data() {
    QTest::addColumn<QString>("face");
    QTest::addColumn<QString>("family");
    QTest::newRow("full-width MS Gothic") << "ＭＳ ゴシック"
                                          << "IPAGothic";
    QTest::newRow("ASCII MS Gothic") << "MS Gothic"
                                     << "IPAGothic";
    QTest::newRow("vertical MS Gothic") << "@ＭＳ ゴシック"
                                        << "IPAGothic";
    QTest::newRow("full-width MS Mincho") << "ＭＳ 明朝"
                                          << "IPAMincho";
    QTest::newRow("ASCII MS Mincho") << "MS Mincho"
                                     << "IPAMincho";
    QTest::newRow("proportional gothic") << "ＭＳ Ｐゴシック"
                                         << "IPAPGothic";
    QTest::newRow("ASCII proportional gothic") << "MS PGothic"
                                               << "IPAPGothic";
    QTest::newRow("UI gothic") << "MS UI Gothic"
                               << "IPAPGothic";
    QTest::newRow("proportional mincho") << "ＭＳ Ｐ明朝"
                                         << "IPAPMincho";
    QTest::newRow("other gothic") << "HGゴシックE"
                                  << "IPAGothic";
    QTest::newRow("installed family as is") << "IPAMincho"
                                            << "IPAMincho";
    QTest::newRow("installed non-Japanese as is") << "DejaVu Sans"
                                                  << "DejaVu Sans";
    QTest::newRow("unknown") << "No Such Face"
                             << "IPAGothic";
    QTest::newRow("empty") << ""
                           << "IPAGothic";
  }
  void faceMapping() {
    QFETCH(QString, face);
    QFETCH(QString, family);
    if (!QFontDatabase::hasFamily(family)) QSKIP("expected family not installed here");
    QCOMPARE(MapFaceName(face), family);
    std::string sjis;
    QVERIFY(Utf8ToSjis(face.toStdString(), sjis));
    QCOMPARE(MapFaceNameSjis(sjis), family);
  }

  void faceNotShiftJisFallsBack() {
    QCOMPARE(MapFaceNameSjis(std::string("\x81\x00", 2)), QString("IPAGothic"));
  }

  void fixedPitchFamilies() {
    const QStringList fixed = JapaneseFixedPitchFamilies();
    // The IPA fixed faces are dual-width; their P faces are proportional.
    QVERIFY2(fixed.contains("IPAGothic"), qPrintable(fixed.join(", ")));
    if (QFontDatabase::hasFamily("IPAMincho")) QVERIFY(fixed.contains("IPAMincho"));
    QVERIFY(!fixed.contains("IPAPGothic"));
    QVERIFY(!fixed.contains("IPAPMincho"));
    const QStringList japanese = QFontDatabase::families(QFontDatabase::Japanese);
    for (const QString& f : fixed) QVERIFY2(japanese.contains(f), qPrintable(f));
    // Fixed pitch but without kana: not a dual-width Japanese face.
    QVERIFY(!IsDualWidthFamily("DejaVu Sans Mono"));
  }

  // A positive Windows font height is the cell: win ascent + descent fill
  // it and the baseline is at the ascent.
  void cellMetrics_data() {
    QTest::addColumn<int>("cell");
    QTest::newRow("glyph drawing") << 72;
    QTest::newRow("font data") << 96;
  }
  void cellMetrics() {
    QFETCH(int, cell);
    const int units = kIpaWinAscent + kIpaWinDescent;
    QtGlyphRasterizer r(kMsGothic, false, cell);
    QVERIFY(r.IsValid());
    QCOMPARE(r.Family(), QString("IPAGothic"));
    QCOMPARE(r.PixelSize(), qRound(double(cell) * kIpaUnitsPerEm / units));
    QCOMPARE(r.Baseline(), qRound(double(cell) * kIpaWinAscent / units));
  }

  void pixelSizeOfIpaGothicAt72() {
    QCOMPARE(QtGlyphRasterizer::PixelSizeForCell(72, kIpaWinAscent, kIpaWinDescent, kIpaUnitsPerEm),
             67);
    QCOMPARE(QtGlyphRasterizer(kMsGothic, false, 72).PixelSize(), 67);
  }

  void inkInsideCell_data() {
    QTest::addColumn<std::string>("code");
    QTest::addColumn<int>("cell");
    QTest::addColumn<bool>("bold");
    for (int cell : {72, 96})
      for (bool bold : {false, true}) {
        const QByteArray suffix = QByteArray::number(cell) + (bold ? " bold" : "");
        QTest::newRow("hiragana a " + suffix) << std::string("\x82\xA0") << cell << bold;
        QTest::newRow("kanji kan " + suffix) << std::string("\x8A\xBF") << cell << bold;
      }
  }
  void inkInsideCell() {
    QFETCH(std::string, code);
    QFETCH(int, cell);
    QFETCH(bool, bold);
    QtGlyphRasterizer r(kMsGothic, bold, cell);
    const GlyphMask m = Draw(r, code.c_str());
    QCOMPARE(m.Width, cell);
    QCOMPARE(m.Height, cell);
    QCOMPARE(int(m.Alpha.size()), cell * cell);
    const Ink ink = InkOf(m);
    QVERIFY(!ink.box.isEmpty());
    // Not clipped by the cell: a clear margin on every side.
    QVERIFY2(ink.box.left() > 0 && ink.box.top() > 0 && ink.box.right() < cell - 1 &&
                 ink.box.bottom() < cell - 1,
             qPrintable(QString("ink box %1,%2 %3x%4")
                            .arg(ink.box.x())
                            .arg(ink.box.y())
                            .arg(ink.box.width())
                            .arg(ink.box.height())));
    // A full-width character sits in the middle of its cell.
    const QPoint centre = ink.box.center();
    QVERIFY(qAbs(centre.x() - cell / 2) <= cell / 8);
    QVERIFY(qAbs(centre.y() - cell / 2) <= cell / 8);
  }

  // The alpha-map placement against Qt's own text drawing of the same font
  // with the pen at the cell's left edge on the baseline.
  void placementMatchesPainter_data() {
    QTest::addColumn<std::string>("code");
    QTest::newRow("a") << std::string("\x82\xA0");
    QTest::newRow("kan") << std::string("\x8A\xBF");
    QTest::newRow("ideographic full stop") << std::string("\x81\x42");
    QTest::newRow("long vowel mark") << std::string("\x81\x5B");
    QTest::newRow("full-width g (descender)") << std::string("\x82\x87");
  }
  void placementMatchesPainter() {
    QFETCH(std::string, code);
    QtGlyphRasterizer r(kMsGothic, false, 72);
    const Ink ink = InkOf(Draw(r, code.c_str()));

    std::string utf8;
    QVERIFY(SjisToUtf8(code, utf8));
    QImage ref(72, 72, QImage::Format_Alpha8);
    ref.fill(0);
    {
      QPainter p(&ref);
      QGlyphRun run;
      run.setRawFont(r.RawFont());
      run.setGlyphIndexes(r.RawFont().glyphIndexesForString(QString::fromStdString(utf8)));
      run.setPositions({QPointF(0, 0)});
      p.drawGlyphRun(QPointF(0, r.Baseline()), run);
    }
    const Ink expected = InkOf(ref);
    QVERIFY(!expected.box.isEmpty());
    // Edges may differ by the antialiasing of a partly covered pixel.
    QVERIFY(qAbs(ink.box.left() - expected.box.left()) <= 1);
    QVERIFY(qAbs(ink.box.top() - expected.box.top()) <= 1);
    QVERIFY(qAbs(ink.box.right() - expected.box.right()) <= 1);
    QVERIFY(qAbs(ink.box.bottom() - expected.box.bottom()) <= 1);
  }

  void blankAndInvalidCodes_data() {
    QTest::addColumn<int>("lead");
    QTest::addColumn<int>("trail");
    QTest::addColumn<bool>("mayDraw");  // true: may give a blank mask instead of false
    QTest::newRow("full-width space") << 0x81 << 0x40 << true;
    QTest::newRow("zero trail") << 0x81 << 0x00 << false;
    QTest::newRow("trail 0x7F") << 0x81 << 0x7F << false;
    QTest::newRow("user-defined area") << 0xF0 << 0x40 << true;
    QTest::newRow("two ASCII letters") << 0x41 << 0x42 << false;
    QTest::newRow("lead 0xA0") << 0xA0 << 0x40 << false;
    QTest::newRow("lead 0xFF") << 0xFF << 0xFF << false;
  }
  void blankAndInvalidCodes() {
    QFETCH(int, lead);
    QFETCH(int, trail);
    QFETCH(bool, mayDraw);
    QtGlyphRasterizer r(kMsGothic, false, 72);
    // A mask left over from an earlier character must not survive.
    GlyphMask m;
    QVERIFY(r.Rasterize(0x8A, 0xBF, m));
    const bool drawn = r.Rasterize(std::uint8_t(lead), std::uint8_t(trail), m);
    if (drawn) {
      QVERIFY(mayDraw);
      QCOMPARE(InkOf(m).sum, 0L);
    } else {
      QCOMPARE(m.Width, 0);
      QCOMPARE(m.Height, 0);
      QVERIFY(m.Alpha.empty());
    }
    if (lead == 0x81 && trail == 0x40) QVERIFY(drawn);
  }

  void boldHasMoreInk_data() {
    QTest::addColumn<int>("cell");
    QTest::newRow("72") << 72;
    QTest::newRow("96") << 96;
  }
  void boldHasMoreInk() {
    QFETCH(int, cell);
    QtGlyphRasterizer regular(kMsGothic, false, cell);
    QtGlyphRasterizer bold(kMsGothic, true, cell);
    QVERIFY(!regular.SyntheticBold());
    QVERIFY(bold.SyntheticBold());  // IPAGothic has no bold face
    for (const char* code : {"\x8A\xBF", "\x82\xA0", "\x88\x9F"}) {
      const Ink r = InkOf(Draw(regular, code));
      const Ink b = InkOf(Draw(bold, code));
      QVERIFY2(b.sum > r.sum + r.sum / 10, qPrintable(QString("%1 vs %2").arg(b.sum).arg(r.sum)));
      QVERIFY(b.box.contains(r.box));
    }
  }

  void rejectsAbsurdCell_data() {
    QTest::addColumn<int>("cell");
    QTest::newRow("zero") << 0;
    QTest::newRow("negative") << -72;
    QTest::newRow("huge") << (1 << 30);
  }
  void rejectsAbsurdCell() {
    QFETCH(int, cell);
    QtGlyphRasterizer r(kMsGothic, false, cell);
    QVERIFY(!r.IsValid());
    GlyphMask m;
    QVERIFY(!r.Rasterize(0x8A, 0xBF, m));
    QVERIFY(m.Alpha.empty());
  }

  // A face without Japanese glyphs borrows them from the default face.
  void missingGlyphsComeFromDefaultFace() {
    if (!QFontDatabase::hasFamily("DejaVu Sans")) QSKIP("DejaVu Sans not installed");
    QtGlyphRasterizer latin("DejaVu Sans", false, 72);
    QCOMPARE(latin.Family(), QString("DejaVu Sans"));
    QtGlyphRasterizer gothic(kMsGothic, false, 72);
    const GlyphMask borrowed = Draw(latin, "\x82\xA0");
    QVERIFY(InkOf(borrowed).sum > 0);
    QCOMPARE(borrowed.Alpha, Draw(gothic, "\x82\xA0").Alpha);
  }

  // Font data creation makes one rasteriser function per worker on the GUI
  // thread and calls each on its own worker; the masks must be those of the
  // GUI thread.
  void threadsDrawTheSameGlyphs() {
    std::vector<std::string> codes;
    for (int t = 0x9F; t <= 0xFC; t += 3) codes.push_back(std::string{char(0x88), char(t)});
    using Masks = std::vector<std::vector<std::uint8_t>>;
    const auto drawAll =
        [&](const std::function<bool(std::uint8_t, std::uint8_t, GlyphMask&)>& fn) {
          Masks masks;
          for (const std::string& c : codes) {
            GlyphMask m;
            fn(std::uint8_t(c[0]), std::uint8_t(c[1]), m);
            masks.push_back(m.Alpha);
          }
          return masks;
        };
    const Masks regular = drawAll(MakeLazyRasterizer(kMsGothic, false, 96));
    const Masks bold = drawAll(MakeLazyRasterizer(kMsGothic, true, 96));
    Masks fromThread[4];
    std::vector<std::thread> workers;
    for (int i = 0; i < 4; ++i)
      workers.emplace_back(
          [&, i, fn = MakeLazyRasterizer(kMsGothic, i % 2, 96)] { fromThread[i] = drawAll(fn); });
    for (std::thread& w : workers) w.join();
    QCOMPARE(fromThread[0].size(), codes.size());
    for (int i = 0; i < 4; ++i) QVERIFY(fromThread[i] == (i % 2 ? bold : regular));
    QVERIFY(InkOf(GlyphMask{96, 96, regular.front()}).sum > 0);
  }

  void cacheGivesTheDirectResult() {
    GlyphRasterizerCache cache;
    QtGlyphRasterizer at72(kMsGothic, false, 72);
    QtGlyphRasterizer at96(kMsGothic, false, 96);
    QtGlyphRasterizer bold96(kMsGothic, true, 96);
    GlyphMask m;
    for (int round = 0; round < 2; ++round) {
      QVERIFY(cache.Rasterize(0x8A, 0xBF, kMsGothic, false, 72, m));
      QCOMPARE(m.Alpha, Draw(at72, "\x8A\xBF").Alpha);
      QVERIFY(cache.Rasterize(0x8A, 0xBF, kMsGothic, false, 96, m));
      QCOMPARE(m.Alpha, Draw(at96, "\x8A\xBF").Alpha);
      QVERIFY(cache.Rasterize(0x8A, 0xBF, kMsGothic, true, 96, m));
      QCOMPARE(m.Alpha, Draw(bold96, "\x8A\xBF").Alpha);
    }
  }
};

QTEST_MAIN(GlyphRasterizerTest)
#include "GlyphRasterizerTest.moc"
