// The Qt reader window: the menu bar mirroring the reader's menu model, the
// frame, keys and the pointer reaching the reader, full screen, and a text
// named on the command line.
#include <QMenuBar>
#include <QWindow>

#include "QtRig.h"
#include "text/SjisTexts.h"

class ReaderWindowTest : public QObject {
  Q_OBJECT

 private slots:
  // The bar on the cover after the reader changed its model (a bookmark
  // with "&" in its name, full screen checked, the settings command
  // disabled): each menu with its item count and its distinct items. Then
  // commands carried out through their actions.
  void menuBar() {
    Rig rig;
    RigForm1& w = rig.Form1;
    w.Records[1] = {"/x/a&b.txt", 25, 100};
    w.SetBookmarkCaption(0);
    w.MDisp1.Checked = true;
    w.MEnv1.Enabled = false;
    w.MenuChanged();
    QStringList seen;
    for (QAction* top : w.menuBar()->actions()) {
      QStringList items;
      for (QAction* a : top->menu() ? top->menu()->actions() : QList<QAction*>())
        items << (a->isSeparator() ? "-" : a->text() + " " + a->shortcut().toString()).trimmed() +
                     (a->isEnabled() ? "" : " off") + (a->isChecked() ? " on" : "");
      const qsizetype n = items.size();
      items.removeDuplicates();  // the bookmarks not in use are alike
      seen << QString("%1%2 %3 [%4]")
                  .arg(top->text(), top->isEnabled() ? "" : " off")
                  .arg(n)
                  .arg(items.join(", "));
    }
    w.StrSettings[kText] = "/x/c.txt";
    for (MenuItem* m : {&w.MSkip1, &w.DataItems[2], &w.MAbout1, &w.MExit1})
      w.ActionFor(m)->trigger();
    seen << QString("skipping %1, %2, saved %3, ")
                    .arg(w.Skipping)
                    .arg(U(w.DataItems[2].Caption))
                    .arg(QFile::exists("Yomibon.ini")) +
                w.Log.join(", ");
    COMPARE_ENTRIES(
        seen, QStringList({"ファイル(&F) 3 [表紙へ戻る(&T) Ctrl+T off, -, 終了(&X) Alt+F4]",
                           "設定(&C) 3 [全画面表示(&D) F5 on, -, 環境設定(&E) Ctrl+E off]",
                           "セーブ(&S) off 10 [a&&b.txt　25 %, -未使用-]",
                           "ロード(&L) 10 [a&&b.txt　25 %, -未使用- off]", "スキップ(&K) 0 []",
                           "ヘルプ(&H) 1 [バージョン情報(&A)]",
                           "skipping 1, c.txt　? %, saved 1, 3 Pagelune:        Pagelune\n\n    "
                           "Version 2.04 [2002/04/22]"}));
  }

  // A fixed 640 x 480 page showing the back buffer, placed by its size
  // before it has a frame (so off centre by the frame). In full screen the
  // menu bar shows over the page while the pointer is on the page's top row
  // or the black bar above it.
  void frameAndFullScreen() {
    Rig rig;
    RigForm1& w = rig.Form1;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.BackBuffer.FillRect({0, 0, 640, 480}, 0x123456);
    w.FormPaint();
    const QRect f = w.frameGeometry(), s = w.screen()->geometry(), v = w.View()->geometry();
    QStringList seen{QString::asprintf(
        "%dx%d under the bar %d, fixed %d, maximise %d, %s, margins %d %d", v.width(), v.height(),
        v.y() == w.menuBar()->height(), w.minimumSize() == w.maximumSize(),
        bool(w.windowFlags() & Qt::WindowMaximizeButtonHint),
        qPrintable(w.View()->grab().toImage().pixelColor(9, 9).name()), f.left() - s.left(),
        s.right() - f.right())};
    auto note = [&] {  // full screen, checked, setting, menu bar, bar over the page
      seen << QString::asprintf("%d%d%d%d%d", w.IsFullScreen(), w.MDisp1.Checked,
                                w.IntSettings[kFullScreen], w.menuBar()->isVisible(),
                                w.OverlayMenuBar()->isVisible());
    };
    w.MDisp1Click();
    note();
    for (QPointF p : {QPointF(400, 50), QPointF(400, 300)}) {
      QMouseEvent e(QEvent::MouseMove, p, p, Qt::NoButton, {}, {});
      QApplication::sendEvent(w.View(), &e);
      note();
    }
    w.MDisp1Click();
    note();
    QCOMPARE(seen.join(", "),
             "640x480 under the bar 1, fixed 1, maximise 0, #563412, margins 80 76, 11100, 11101, "
             "11100, 00010");
    QCOMPARE(w.View()->size(), QSize(640, 480));
  }

  // Events on the cover as the reader sees them: after each, the menu item
  // highlighted and the key or button held.
  void input() {
    Rig rig;
    RigForm1& w = rig.Form1;
    QStringList seen;
    auto send = [&](QEvent&& e) {
      QApplication::sendEvent(w.View(), &e);
      seen << QString("%1/%2").arg(w.Mode).arg(w.InputState);
    };
    // Rows 0 and 2 of the menu at (456, 328), off it, then buttons.
    for (QPointF p : {QPointF(500, 340), QPointF(500, 400), QPointF(10, 10)})
      send(QMouseEvent(QEvent::MouseMove, p, p, Qt::NoButton, {}, {}));
    for (Qt::MouseButton b : {Qt::RightButton, Qt::MiddleButton, Qt::RightButton, Qt::NoButton})
      send(QMouseEvent(b ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease, QPointF(9, 9),
                       QPointF(9, 9), b ? b : Qt::RightButton, b, {}));
    // A held key repeats as release (^) and press pairs flagged auto-repeat
    // (*): neither is a release or a press. Return and Enter carry out the
    // item highlighted.
    for (QString k : QString("Esc Down ^Down Right ^Right Down ^Down Up ^Up Left ^Left Space "
                             "^Space Return ^Return Down ^*Down *Down ^Down *Enter Enter ^Enter")
                         .split(' ')) {
      const auto type = k.startsWith('^') ? QEvent::KeyRelease : QEvent::KeyPress;
      const bool repeat = k.contains('*');
      k.remove('^').remove('*');
      send(QKeyEvent(type, QKeySequence(k)[0].key(), Qt::NoModifier, QString(), repeat));
    }
    const QString warning = "beep, " + Box(BoxKind::Warning, sjis::kWarningTitle, "");
    QCOMPARE(seen.join(' ') + " | " + w.Log.join(", "),
             "0/0 2/0 -1/0 -1/1 -1/0 -1/1 -1/0 "                      // pointer and buttons
             "-1/0 0/4 0/0 1/6 1/0 2/4 2/0 1/3 1/0 0/5 0/0 0/1 0/0 "  // Esc, arrows, Space
             "0/2 0/0 1/4 1/4 1/4 1/0 1/0 1/2 1/0 | " +               // Return, held Down, Enter
                 warning +
                 U(sjis::kMsgChooseTextFirst) + ", " + warning + U(sjis::kMsgNoResumeRecord));
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

  // Text (~ is the current folder), the caption shown and the log after
  // naming a text on the command line.
  void commandLine_data() {
    QTest::addColumn<QStringList>("row");  // file made beforehand, argument, result
    const QString refused =
        "/earlier.txt | Pagelune | beep, " + Box(BoxKind::Warning, sjis::kWarningTitle, "");
    auto taken = [](const char* name) {
      return QStringList{name, name, QString("~/%1 | %1 - Pagelune | ").arg(name)};
    };
    QTest::newRow("relative") << taken("s.txt");
    QTest::newRow("Japanese") << taken("月.txt");
    QTest::newRow("absolute") << QStringList{"a.htm", "~/a.htm", "~/a.htm | a.htm - Pagelune | "};
    QTest::newRow("dots") << QStringList{"b.txt", "./sub/../b.txt",
                                         "~/b.txt | b.txt - Pagelune | "};
    QTest::newRow("[*]") << QStringList{"a[*].txt", "a[*].txt", "~/a[*].txt | a.txt - Pagelune | "};
    QTest::newRow("no Shift-JIS") << QStringList{"한.txt", "한.txt",
                                                 refused + U(sjis::kMsgNameNotSjis)};
    QTest::newRow("missing") << QStringList{"", "no.txt", refused + U(sjis::kMsgFileNotFound)};
    QTest::newRow("folder") << QStringList{"", "sub", refused + U(sjis::kMsgFileNotFound)};
  }
  void commandLine() {
    QFETCH(QStringList, row);
    Rig rig;
    QDir().mkdir("sub");
    if (!row[0].isEmpty()) QVERIFY(QFile(row[0]).open(QIODevice::WriteOnly));
    RigForm1& w = rig.Form1;
    w.StrSettings[kText] = "/earlier.txt";
    w.winId();  // the caption shown is the native window's
    w.OpenFromCommandLine(row[1].replace("~", QDir::currentPath()));
    QCOMPARE(U(w.StrSettings[kText]).replace(QDir::currentPath(), "~") + " | " +
                 w.windowHandle()->title() + " | " + w.Log.join(", "),
             row[2]);
  }
};

QTEST_MAIN(ReaderWindowTest)
#include "ReaderWindowTest.moc"
