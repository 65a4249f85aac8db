// Full screen in the Qt window: where the page sits and how it is scaled,
// the pointer mapped back to page coordinates, and the menu bar shown over
// the page while the pointer is on its top row.
#include <QDir>
#include <QMenuBar>
#include <QtTest>

#include "TempCurrentDir.h"

#include "app/Unit1.h"

class FullScreenTest : public QObject {
  Q_OBJECT

  TempCurrentDir dir_;

 private slots:
  void initTestCase() { QVERIFY(dir_.isValid()); }

  void fitPage_data() {
    QTest::addColumn<QSize>("area");
    QTest::addColumn<QRect>("page");
    QTest::addColumn<bool>("smooth");
    QTest::newRow("640x480, as is") << QSize(640, 480) << QRect(0, 0, 640, 480) << false;
    QTest::newRow("1280x960, twice") << QSize(1280, 960) << QRect(0, 0, 1280, 960) << false;
    QTest::newRow("2560x1440, three times")
        << QSize(2560, 1440) << QRect(320, 0, 1920, 1440) << false;
    // Twice would fill only 960 of 1080 rows (under 90 %): scaled smoothly.
    QTest::newRow("1920x1080, 2.25") << QSize(1920, 1080) << QRect(240, 0, 1440, 1080) << true;
    QTest::newRow("1024x768, 1.6") << QSize(1024, 768) << QRect(0, 0, 1024, 768) << true;
    QTest::newRow("1366x768, bars") << QSize(1366, 768) << QRect(171, 0, 1024, 768) << true;
    QTest::newRow("1300x1000, twice with bars")
        << QSize(1300, 1000) << QRect(10, 20, 1280, 960) << false;
  }
  void fitPage() {
    QFETCH(QSize, area);
    QFETCH(QRect, page);
    QFETCH(bool, smooth);
    bool s = !smooth;
    QCOMPARE(FitPage(area, &s), page);
    QCOMPARE(s, smooth);
  }

  void pointerInPageCoordinates_data() {
    QTest::addColumn<QSize>("area");
    QTest::addColumn<QPointF>("at");
    QTest::addColumn<QPoint>("page");
    QTest::newRow("scale 1") << QSize(640, 480) << QPointF(457, 329) << QPoint(457, 329);
    QTest::newRow("scale 2") << QSize(1280, 960) << QPointF(913, 657) << QPoint(456, 328);
    QTest::newRow("scale 2 corner")
        << QSize(1280, 960) << QPointF(1279.5, 959.5) << QPoint(639, 479);
    QTest::newRow("scale 2.25") << QSize(1920, 1080) << QPointF(240 + 456 * 2.25, 328 * 2.25)
                                << QPoint(456, 328);
    QTest::newRow("left bar") << QSize(1920, 1080) << QPointF(10, 500) << QPoint(0, 222);
    QTest::newRow("top row") << QSize(1300, 1000) << QPointF(600, 3) << QPoint(295, 0);
  }
  void pointerInPageCoordinates() {
    QFETCH(QSize, area);
    QFETCH(QPointF, at);
    QFETCH(QPoint, page);
    QWidget parent;
    PageView v(&parent);
    v.Scaled = area != QSize(640, 480);
    v.setMinimumSize(0, 0);
    v.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    v.resize(area);
    QCOMPARE(v.ToPage(at), page);
  }

  void menuBarFollowsThePointer() {
    TForm1 w;
    w.show();
    QVERIFY(!w.MDisp1.Checked);
    w.MDisp1Click();
    QVERIFY(w.IsFullScreen());
    QVERIFY(w.MDisp1.Checked);
    QCOMPARE(w.IntSettings[kFullScreen], 1);
    QVERIFY(!w.menuBar()->isVisible());
    QVERIFY(!w.OverlayMenuBar()->isVisible());
    w.FormMouseMove(320, 0);
    QVERIFY(w.OverlayMenuBar()->isVisible());
    w.FormMouseMove(320, 1);
    QVERIFY(!w.OverlayMenuBar()->isVisible());
    w.MDisp1Click();
    QVERIFY(!w.IsFullScreen());
    QVERIFY(w.menuBar()->isVisible());
    QCOMPARE(w.View()->size(), QSize(640, 480));
    QCOMPARE(w.IntSettings[kFullScreen], 0);
  }
};

QTEST_MAIN(FullScreenTest)
#include "FullScreenTest.moc"
