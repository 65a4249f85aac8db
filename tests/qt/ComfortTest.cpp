// The window's side of reading comfort: the page at a zoom, and the window
// events the reader relies on (focus, key repeats, exposes, the caption).
#include <QMenuBar>
#include <QTemporaryDir>
#include <QWindow>
#include <QtTest>

#include "app/Unit1.h"

class ComfortTest : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;  // the reader keeps its settings in the current folder

 private slots:
  void initTestCase() { QVERIFY(dir_.isValid() && QDir::setCurrent(dir_.path())); }

  // Each page pixel a square of the factor's side, the menu bar as it was,
  // the pointer mapped back as in full screen, and back from full screen.
  void zoom_data() {
    QTest::addColumn<int>("factor");
    QTest::addColumn<QPointF>("at");
    QTest::addColumn<QPoint>("page");
    QTest::newRow("x1") << 1 << QPointF(457.9, 329) << QPoint(457, 329);
    QTest::newRow("x2") << 2 << QPointF(915.9, 657.2) << QPoint(457, 328);
    QTest::newRow("x3") << 3 << QPointF(1919.5, 1439.9) << QPoint(639, 479);
  }
  void zoom() {
    QFETCH(int, factor);
    QFETCH(QPointF, at);
    QFETCH(QPoint, page);
    TForm1 w;
    w.SetZoom(factor);
    QCOMPARE(w.View()->ToPage(at), page);
    QCOMPARE(w.size(), QSize(640, 480) * factor + QSize(0, w.menuBar()->sizeHint().height()));
    const QImage shown = w.View()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown,
             w.View()->Surface.scaled(w.View()->size()).convertToFormat(QImage::Format_RGB32));
    w.show();
    w.MDisp1Click();
    w.MDisp1Click();
    QCOMPARE(w.View()->size(), QSize(640, 480) * factor);
  }

  void windowEvents() {
    TForm1 w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    // Focus lost while an arrow is held: nothing stays held.
    QTest::keyPress(w.View(), Qt::Key_Down);
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(&w, &deactivate);
    QCOMPARE(w.InputState, 0);
    // A release and a press of one timestamp are a repeat not flagged as one.
    QKeyEvent up(QEvent::KeyRelease, Qt::Key_Down, Qt::NoModifier),
        down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    up.setTimestamp(7);
    down.setTimestamp(7);
    QApplication::sendEvent(w.View(), &up);
    QApplication::sendEvent(w.View(), &down);
    QCOMPARE(w.Mode, 0);
    // An expose paints the back buffer: the highlight, on the window only, goes.
    QCOMPARE(w.WindowSurface().Pixel(500, 328 + 25), kWhite);
    QExposeEvent expose(QRegion(0, 0, 640, 480));
    QApplication::sendEvent(w.windowHandle(), &expose);
    QCOMPARE(w.WindowSurface().Pixel(500, 328 + 25), w.BackBuffer.Pixel(500, 353));
  }
};

QTEST_MAIN(ComfortTest)
#include "ComfortTest.moc"
