// The Qt reader window: its frame, menu bar, caption, key mapping and the
// auto-repeat filter, run offscreen.
#include <QAction>
#include <QDir>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

#include "TempCurrentDir.h"

#include "app/Unit1.h"

class Form1Test : public QObject {
  Q_OBJECT

  TempCurrentDir dir_;

 private slots:
  void initTestCase() { QVERIFY(dir_.isValid()); }

  void windowShape() {
    TForm1 w;
    QCOMPARE(w.View()->size(), QSize(640, 480));
    QCOMPARE(w.windowTitle(), QString("Pagelune"));
    QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(w.minimumSize(), w.maximumSize());  // fixed size
  }

  void menuBarMirrorsTheModel_data() {
    QTest::addColumn<int>("which");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("shortcut");
    QTest::newRow("title") << 0 << QString::fromUtf8("表紙へ戻る(&T)") << "Ctrl+T";
    QTest::newRow("exit") << 1 << QString::fromUtf8("終了(&X)") << "Alt+F4";
    QTest::newRow("disp") << 2 << QString::fromUtf8("全画面表示(&D)") << "F5";
    QTest::newRow("env") << 3 << QString::fromUtf8("環境設定(&E)") << "Ctrl+E";
    QTest::newRow("skip") << 4 << QString::fromUtf8("スキップ(&K)") << "";
    QTest::newRow("about") << 5 << QString::fromUtf8("バージョン情報(&A)") << "";
  }
  void menuBarMirrorsTheModel() {
    QFETCH(int, which);
    QFETCH(QString, caption);
    QFETCH(QString, shortcut);
    TForm1 w;
    const MenuItem* items[] = {&w.MTitle1, &w.MExit1, &w.MDisp1, &w.MEnv1, &w.MSkip1, &w.MAbout1};
    QAction* a = w.ActionFor(items[which]);
    QVERIFY(a);
    QCOMPARE(a->text(), caption);
    QCOMPARE(a->shortcut().toString(), shortcut);
  }

  void topLevelMenusInOrder() {
    TForm1 w;
    QStringList titles;
    for (QAction* a : w.menuBar()->actions()) titles << a->text();
    QCOMPARE(titles,
             QStringList({QString::fromUtf8("ファイル(&F)"), QString::fromUtf8("設定(&C)"),
                          QString::fromUtf8("セーブ(&S)"), QString::fromUtf8("ロード(&L)"),
                          QString::fromUtf8("スキップ(&K)"), QString::fromUtf8("オート(&A)"),
                          QString::fromUtf8("ヘルプ(&H)")}));
  }

  void bookmarkCaptionsShowAmpersandLiterally() {
    TForm1 w;
    w.Records[1] = {"/x/a&b.txt", 0, 10};
    w.SetBookmarkCaption(0);
    w.MenuChanged();
    QCOMPARE(w.ActionFor(&w.DataItems[0])->text(), QString::fromUtf8("a&&b.txt　0 %"));
    QCOMPARE(w.ActionFor(&w.DataItems[10])->text(), QString::fromUtf8("a&&b.txt　0 %"));
    QVERIFY(w.ActionFor(&w.DataItems[10])->isEnabled());
    QVERIFY(!w.ActionFor(&w.DataItems[11])->isEnabled());
  }

  void virtualKeys_data() {
    QTest::addColumn<int>("qtKey");
    QTest::addColumn<int>("vk");
    QTest::newRow("return") << int(Qt::Key_Return) << 13;
    QTest::newRow("keypad enter") << int(Qt::Key_Enter) << 13;
    QTest::newRow("space") << int(Qt::Key_Space) << 32;
    QTest::newRow("left") << int(Qt::Key_Left) << 37;
    QTest::newRow("up") << int(Qt::Key_Up) << 38;
    QTest::newRow("right") << int(Qt::Key_Right) << 39;
    QTest::newRow("down") << int(Qt::Key_Down) << 40;
    QTest::newRow("a") << int(Qt::Key_A) << 65;
    QTest::newRow("f5") << int(Qt::Key_F5) << 116;
  }
  void virtualKeys() {
    QFETCH(int, qtKey);
    QFETCH(int, vk);
    QCOMPARE(int(TForm1::VirtualKey(qtKey)), vk);
  }

  void autoRepeatNeverReachesTheHandlers() {
    TForm1 w;
    w.InputState = 2;  // Enter held
    QKeyEvent repeatUp(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(w.View(), &repeatUp);
    QCOMPARE(w.InputState, 2);  // a repeated release is not a release
    QKeyEvent realUp(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(w.View(), &realUp);
    QCOMPARE(w.InputState, 0);
  }

  void pointerAndButtonsReachTheHandlers() {
    TForm1 w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::mouseMove(w.View(), QPoint(500, 340));  // row 0 of the menu at (456, 328)
    QCOMPARE(w.Mode, 0);
    QTest::mouseMove(w.View(), QPoint(500, 400));  // row 2
    QCOMPARE(w.Mode, 2);
    QTest::mouseMove(w.View(), QPoint(10, 10));
    QCOMPARE(w.Mode, -1);
    QTest::mousePress(w.View(), Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
    QCOMPARE(w.InputState, 1);
    QTest::mousePress(w.View(), Qt::MiddleButton, Qt::NoModifier, QPoint(10, 10));
    QCOMPARE(w.InputState, 0);
    QTest::mousePress(w.View(), Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
    QTest::mouseRelease(w.View(), Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
    QCOMPARE(w.InputState, 0);
    QTest::keyPress(w.View(), Qt::Key_Down);
    QCOMPARE(w.Mode, 0);
    QCOMPARE(w.InputState, 4);
    QTest::keyRelease(w.View(), Qt::Key_Down);
    QCOMPARE(w.InputState, 0);
  }

  void aboutBoxIsPlainAndExact() {
    TForm1 w;
    QString text, title;
    QMessageBox::Icon icon = QMessageBox::Warning;
    int buttons = 0;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      QVERIFY(box);
      text = box->text();
      title = box->windowTitle();
      icon = box->icon();
      buttons = box->buttons().size();
      box->accept();
    });
    w.MAbout1Click();
    QCOMPARE(text, QString("       Pagelune\n\n    Version 2.04 [2002/04/22]"));
    QCOMPARE(title, QString("Pagelune"));
    QCOMPARE(icon, QMessageBox::NoIcon);
    QCOMPARE(buttons, 1);
  }

  void nameFilters() {
    const QStringList f = QtNameFilters(
        "テキストファイル(*.txt)|*.txt|HTMLファイル(*.htm;*.html)|*.htm;*.html|すべてのファイル(*.*"
        ")|*.*");
    QCOMPARE(f.size(), 3);
    QCOMPARE(f[1], QString::fromUtf8("HTMLファイル(*.htm;*.html) (*.htm *.html)"));
  }

  void windowSurfaceShowsTheBackBuffer() {
    TForm1 w;
    w.BackBuffer.FillRect({0, 0, 640, 480}, 0x123456);
    w.FormPaint();
    QCOMPARE(w.WindowSurface().Pixel(10, 10), Colour(0x123456));
    QImage img = w.View()->grab().toImage();
    QCOMPARE(img.pixelColor(10, 10), QColor(0x56, 0x34, 0x12));
  }
};

QTEST_MAIN(Form1Test)
#include "Form1Test.moc"
