// The Qt reader window: its menu bar mirroring the reader's menu model, its
// frame and keys, full screen, and a text named on the command line.
#include <QMenuBar>
#include <QWindow>

#include "QtRig.h"
#include "text/SjisTexts.h"

class ReaderWindowTest : public QObject {
  Q_OBJECT

 private slots:
  // On the cover after the reader changed its menu model (a bookmark with
  // "&" in its name, full screen checked, the settings command disabled):
  // each menu with its number of items and its distinct items; the About
  // box; a fixed 640 x 480 page in a window placed by its size before it
  // had a frame, so off centre by the frame.
  void window() {
    Rig rig;
    RigForm1& w = rig.Form1;
    w.Records[1] = {"/x/a&b.txt", 25, 100};
    w.SetBookmarkCaption(0);
    w.MDisp1.Checked = true;
    w.MEnv1.Enabled = false;
    w.MenuChanged();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QStringList seen;
    for (QAction* top : w.menuBar()->actions()) {
      QStringList items;
      for (QAction* a : top->menu() ? top->menu()->actions() : QList<QAction*>())
        items << (a->text() + " " + a->shortcut().toString()).trimmed() +
                     (a->isEnabled() ? "" : " off") + (a->isChecked() ? " on" : "");
      const qsizetype n = items.size();
      items.removeDuplicates();  // the bookmarks not in use are alike
      seen << QString("%1%2 %3: ").arg(top->text(), top->isEnabled() ? "" : " off").arg(n) +
                  items.join(", ");
    }
    w.ActionFor(&w.MAbout1)->trigger();
    const QRect f = w.frameGeometry(), s = w.screen()->geometry();
    seen << w.Log
         << QString::asprintf("%dx%d fixed %d, margins %d %d", w.View()->width(),
                              w.View()->height(), w.minimumSize() == w.maximumSize(),
                              f.left() - s.left(), s.right() - f.right());
    COMPARE_ENTRIES(seen,
                    QStringList({"ファイル(&F) 3: 表紙へ戻る(&T) Ctrl+T off, , 終了(&X) Alt+F4",
                                 "設定(&C) 3: 全画面表示(&D) F5 on, , 環境設定(&E) Ctrl+E off",
                                 "セーブ(&S) off 10: a&&b.txt　25 %, -未使用-",
                                 "ロード(&L) 10: a&&b.txt　25 %, -未使用- off",
                                 "スキップ(&K) 0: ", "ヘルプ(&H) 1: バージョン情報(&A)",
                                 "3 Pagelune:        Pagelune\n\n    Version 2.04 [2002/04/22]",
                                 "640x480 fixed 1, margins 80 76"}));
  }

  // Qt keys as the reader's virtual keys. A held key repeats as release and
  // press pairs flagged auto-repeat: the reader (menu item highlighted, key
  // held) sees neither.
  void keys() {
    QString seen;
    for (int k : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space, Qt::Key_Left, Qt::Key_Up,
                  Qt::Key_Right, Qt::Key_Down, Qt::Key_A, Qt::Key_Z, Qt::Key_0, Qt::Key_9,
                  Qt::Key_F1, Qt::Key_F5, Qt::Key_Escape})
      seen += QString::number(TForm1::VirtualKey(k)) + " ";
    Rig rig;
    // Down pressed, held (^ release, * auto-repeat), released, then a stray repeat.
    for (QString k : QString("Down ^*Down *Down ^Down *Down").split(' ')) {
      QKeyEvent e(k.startsWith('^') ? QEvent::KeyRelease : QEvent::KeyPress, Qt::Key_Down, {}, {},
                  k.contains('*'));
      QApplication::sendEvent(rig.Form1.View(), &e);
      seen += QString("%1/%2 ").arg(rig.Form1.Mode).arg(rig.Form1.InputState);
    }
    QCOMPARE(seen, "13 13 32 37 38 39 40 65 90 48 57 112 116 0 0/4 0/4 0/4 0/0 0/0 ");
  }

  // Full screen puts the page at the largest whole factor that fills at
  // least 90 % of the height, else scales it smoothly; centred between
  // black bars. The pointer maps back to page pixels, the bars to the edge.
  void fullScreenPage() {
    QStringList seen;
    for (QSize a : {QSize(640, 480), QSize(1280, 960), QSize(2560, 1440), QSize(1920, 1080),
                    QSize(1024, 768), QSize(1366, 768), QSize(1300, 1000), QSize(600, 400)}) {
      bool smooth = false;
      const QRect r = FitPage(a, &smooth);
      seen << QString::asprintf("%d,%d %dx%d%s", r.x(), r.y(), r.width(), r.height(),
                                smooth ? " smooth" : "");
    }
    const std::pair<QSize, QPointF> at[] = {
        {{640, 480}, {457, 329}},    {{1280, 960}, {913, 657}}, {{1280, 960}, {1279.5, 959.5}},
        {{1920, 1080}, {1266, 738}}, {{1920, 1080}, {10, 500}}, {{1920, 1080}, {1900, 1079}},
        {{1300, 1000}, {600, 3}}};
    for (const auto& [area, p] : at) {
      QWidget parent;
      PageView v(&parent);
      v.Scaled = area != QSize(640, 480);
      v.setFixedSize(area);
      seen << QString("%1,%2").arg(v.ToPage(p).x()).arg(v.ToPage(p).y());
    }
    QCOMPARE(seen.join(", "),
             "0,0 640x480, 0,0 1280x960, 320,0 1920x1440, 240,0 1440x1080 smooth, "
             "0,0 1024x768 smooth, 171,0 1024x768 smooth, 10,20 1280x960, 33,0 533x400 smooth, "
             "457,329, 456,328, 639,479, 456,328, 0,222, 639,479, 295,0");
  }

  // A text named on the command line: Text (~ is the current folder), the
  // caption shown and the log afterwards.
  void commandLine_data() {
    QTest::addColumn<QString>("row");  // file made | argument | result
    const QString no =
        "/earlier.txt Pagelune beep " + Box(BoxKind::Warning, sjis::kWarningTitle, "");
    QTest::newRow("relative") << "s.txt|s.txt|~/s.txt s.txt - Pagelune ";
    QTest::newRow("Japanese") << "月.txt|./月.txt|~/月.txt 月.txt - Pagelune ";
    QTest::newRow("dots") << "b.txt|sub/../b.txt|~/b.txt b.txt - Pagelune ";
    QTest::newRow("[*]") << "a[*].txt|a[*].txt|~/a[*].txt a.txt - Pagelune ";
    QTest::newRow("no Shift-JIS form") << "한.txt|한.txt|" + no + U(sjis::kMsgNameNotSjis);
    QTest::newRow("missing") << "|no.txt|" + no + U(sjis::kMsgFileNotFound);
    QTest::newRow("folder") << "|sub|" + no + U(sjis::kMsgFileNotFound);
  }
  void commandLine() {
    QFETCH(QString, row);
    const QStringList c = row.split('|');
    Rig rig;
    QVERIFY(QDir().mkdir("sub") && (c[0].isEmpty() || QFile(c[0]).open(QIODevice::WriteOnly)));
    RigForm1& w = rig.Form1;
    w.StrSettings[kText] = "/earlier.txt";
    w.winId();  // the caption shown is the native window's
    w.OpenFromCommandLine(c[1]);
    QCOMPARE(U(w.StrSettings[kText]).replace(QDir::currentPath(), "~") + " " +
                 w.windowHandle()->title() + " " + w.Log.join(' '),
             c[2]);
  }
};

QTEST_MAIN(ReaderWindowTest)
#include "ReaderWindowTest.moc"
