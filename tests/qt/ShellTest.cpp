// The Qt shell: the reader window (menu bar, frame, keys, full screen and
// zoom, a text named on the command line), its settings dialog driven
// through its widgets, font data made from the dialog and by pagelune-fdt,
// and the Qt platform pieces below the reader (wallpaper files, glyphs).
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <QtWidgets>
#include <QtTest>

#include <functional>

#include "../Golden.h"
#include "app/SessionEnd.h"
#include "app/Unit1.h"
#include "platform/Sjis.h"
#include "platform/qt/FontMapping.h"
#include "platform/qt/QtBitmapFile.h"
#include "platform/qt/QtGlyphRasterizer.h"
#include "render/Glyph.h"
#include "text/SjisTexts.h"

namespace {

QString U(const std::string& sjis) { return QString::fromStdString(ToUtf8(sjis)); }

// A box as the log shows it: kind (0 warning, 1 information, 2
// confirmation, 3 plain), title and text.
QString Box(BoxKind kind, const char* title, const char* text = "") {
  return QString("%1 %2: %3").arg(int(kind)).arg(U(title), U(text));
}

// Whether a long listing, one entry a line, is the one kept in the file
// name under tests/golden/ (../Golden.h); if not, how it differs is printed.
bool Listed(const QStringList& listing, const char* name) {
  const std::string said = GoldenListing(name, (listing.join('\n') + '\n').toStdString());
  if (!said.empty()) qWarning().noquote() << QString::fromStdString(said);
  return said.empty();
}

struct TempDir {
  QTemporaryDir Dir;  // made before the current folder moves into it
  QString Old = QDir::currentPath();
  TempDir() { QDir::setCurrent(Dir.path()); }
  ~TempDir() { QDir::setCurrent(Old); }
};

// Beeps, message boxes and file dialogs go to Log; boxes are answered with
// Answer, file dialogs choose Choice (empty: cancelled), and the clock moves
// 20 ms at each read so that the column wipe runs at once.
struct Rig : TempDir, TForm1 {
  QStringList Log;
  BoxResult Answer = BoxResult::Ok;
  std::string Choice;
  std::uint32_t Clock = 0;
  TForm2 Dialog{this};

  BoxResult MessageBox(BoxKind kind, const std::string& text, const std::string& title) override {
    Log << Box(kind, title.c_str(), text.c_str());
    return Answer;
  }
  void Beep() override { Log << "beep"; }
  std::uint32_t GetTickCount() override { return Clock += 20; }
  int Moves = 0;
  void MoveWindow(int left, int top) override { ++Moves, TForm1::MoveWindow(left, top); }
  bool ChooseFile(FileDialogRequest& req) override {
    Log << U(req.Title + "|" + req.Filter + "|" + req.InitialDir + "|" + req.FileName);
    req.Chosen = Choice;
    return !Choice.empty();
  }
  // The settings command with act on the open dialog; a dialog that act
  // leaves open is cancelled.
  void RunDialog(const std::function<void(TForm2&)>& act) {
    QTimer::singleShot(0, &Dialog, [&] {
      act(Dialog);
      if (Dialog.isVisible()) Dialog.reject();
    });
    MEnv1Click();
  }
};

// The dialog: title, modality and size, then its own controls in focus
// chain order, which Tab follows (name, caption, items or range, corner;
// "off" when switched off).
QStringList Layout(TForm2& d) {
  QStringList out{d.windowTitle() +
                  QString::asprintf(" modal %d %dx%d%s", d.isModal(), d.width(), d.height(),
                                    d.minimumSize() == d.maximumSize() ? " fixed" : "")};
  for (QWidget* w = d.nextInFocusChain(); w != &d; w = w->nextInFocusChain()) {
    if (!w->objectName().contains(QRegularExpression("\\d$"))) continue;  // not Qt's inner parts
    QString s = w->objectName() + " " + w->property("text").toString() +
                w->property("title").toString() +
                d.PageControl1->tabText(d.PageControl1->indexOf(w));
    if (auto* c = qobject_cast<QComboBox*>(w))
      for (int i = 0; i < c->count(); ++i) s += (i ? "/" : "") + c->itemText(i);
    if (w->property("maximum").isValid())
      s += " " + w->property("minimum").toString() + "-" + w->property("maximum").toString();
    out << s.simplified() + QString(" %1,%2").arg(w->x()).arg(w->y()) +
               (w->testAttribute(Qt::WA_ForceDisabled) ? " off" : "");
  }
  return out;
}

// Answers the next font chooser: notes which one it is, the family it
// shows and the IPA families it offers, then picks family (none: leaves it)
// and style, and confirms or cancels.
void Pick(QStringList& log, const QString& family, int style, bool ok) {
  QTimer::singleShot(0, [&log, family, style, ok] {
    auto* chooser = qobject_cast<FontChooser*>(QApplication::activeModalWidget());
    QListWidget* list = chooser->FamilyList;
    QStringList offered;
    for (QListWidgetItem* item : list->findItems("IPA", Qt::MatchContains)) offered << item->text();
    const QList<QListWidgetItem*> shown = list->selectedItems();
    log << chooser->objectName() + " " + (shown.isEmpty() ? "-" : shown[0]->text()) + " " +
               offered.join(',');
    if (!family.isEmpty()) list->setCurrentItem(list->findItems(family, Qt::MatchExactly).value(0));
    // As the list does when it takes the focus with no current family.
    if (family.isEmpty()) list->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    chooser->StyleList->setCurrentRow(style);
    ok ? chooser->accept() : chooser->reject();
  });
}

// A menu item: caption, shortcut, switched off, checked; for a menu, its
// item count and distinct items (the bookmarks not in use are alike).
QString Item(QAction* a) {
  QString s = (a->text() + " " + a->shortcut().toString()).trimmed() +
              (a->isEnabled() ? "" : " off") + (a->isChecked() ? " on" : "");
  QStringList items;
  for (QAction* b : a->menu() ? a->menu()->actions() : QList<QAction*>()) items << Item(b);
  items.removeDuplicates();
  return a->menu() ? s + QString(" %1: ").arg(a->menu()->actions().size()) + items.join(", ") : s;
}

// Every setting the reader holds, as Key=value.
QStringList Stored(const Reader& r) {
  QStringList out;
  for (const SettingEntry& e : kSettingTable)
    out << e.Key + ("=" + (e.Kind == SettingKind::Integer ? QString::number(r.IntSettings[e.Slot])
                                                          : U(r.StrSettings[e.Slot])));
  return out;
}

// Every control changed from what it shows.
void ChangeEverything(TForm2& d) {
  for (QLineEdit* e : d.findChildren<QLineEdit*>()) e->setText(e->objectName() + "月");
  for (QSlider* s : d.findChildren<QSlider*>()) s->setValue(s->objectName().right(1).toInt() * 10);
  for (QComboBox* c : d.findChildren<QComboBox*>()) c->setCurrentIndex((c->currentIndex() + 1) % 3);
  for (QCheckBox* c : d.findChildren<QCheckBox*>()) c->toggle();
  d.SpinEdit1->setValue(d.SpinEdit1->value() + 100);
  (d.RadioButton1->isChecked() ? d.RadioButton2 : d.RadioButton1)->setChecked(true);
  d.FontDialog1 = {"IPAMincho", !d.FontDialog1.Bold};
}

// pagelune-fdt from beside this test, without a display: it must fall back
// to the offscreen platform by itself.
void StartTool(QProcess& p, const QStringList& args) {
  for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) qunsetenv(v);
  p.setReadChannel(QProcess::StandardError);
  p.start(QCoreApplication::applicationDirPath() + "/pagelune-fdt", args);
}

}  // namespace

class ShellTest : public QObject {
  Q_OBJECT

 private slots:
  // The window on the cover after the reader changed its menu model (a
  // bookmark with "&" in its name, full screen checked, the settings
  // command disabled): each menu with its item count and distinct items;
  // a fixed 640 x 480 page; Qt keys as the reader's virtual keys. Down pressed, held (^ release, *
  // auto-repeat), released, a stray repeat; pressed, focus lost (-), then X's repeat of a held key,
  // a release and a press of one timestamp (7), not flagged as one: the reader (menu item
  // highlighted, key held) sees none of them. An expose paints the back buffer: the highlight, on
  // the window only, goes.
  void window() {
    Rig w;
    w.Records[1] = {"/x/a&b.txt", 25, 100};
    w.SetBookmarkCaption(0);
    w.MDisp1.Checked = true;
    w.MEnv1.Enabled = false;
    w.MenuChanged();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QStringList menus;
    for (QAction* top : w.menuBar()->actions()) menus << Item(top);
    QString seen = QString::asprintf("%dx%d fixed %d keys", w.View()->width(), w.View()->height(),
                                     w.minimumSize() == w.maximumSize());
    for (int k : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space, Qt::Key_Left, Qt::Key_Up,
                  Qt::Key_Right, Qt::Key_Down, Qt::Key_A, Qt::Key_F5, Qt::Key_Escape,
                  Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Tab})
      seen += QString(" %1").arg(TForm1::VirtualKey(k));
    for (QString k : QString("Down ^*Down *Down ^Down *Down Down - 7^Down 7Down").split(' ')) {
      QKeyEvent e(k.contains('^') ? QEvent::KeyRelease : QEvent::KeyPress, Qt::Key_Down, {}, {},
                  k.contains('*'));
      e.setTimestamp(k.left(1).toInt());
      QEvent deactivate(QEvent::WindowDeactivate);
      QApplication::sendEvent(k == "-" ? static_cast<QWidget*>(&w) : w.View(),
                              k == "-" ? &deactivate : &e);
      seen += QString(" %1/%2").arg(w.Mode).arg(w.InputState);
    }
    QVERIFY(!(w.WindowSurface() == w.BackBuffer));
    QExposeEvent expose(QRegion(0, 0, 640, 480));
    QApplication::sendEvent(w.windowHandle(), &expose);
    QVERIFY(w.WindowSurface() == w.BackBuffer);
    QVERIFY(Listed(menus, "shell-menus.txt"));
    QCOMPARE(seen,
             "640x480 fixed 1 keys 13 13 32 37 38 39 40 65 116 27 33 34 0 "
             "0/4 0/4 0/4 0/0 0/0 1/4 1/0 1/0 1/0");
  }

  // Full screen puts the page at the largest whole factor that fills at
  // least 90 % of the height, else scales it smoothly; centred between
  // black bars. The pointer maps back to page pixels, the bars to the edge.
  // At x2 and x3 each page pixel is a square of the factor's side below the
  // menu bar, the pointer mapped back the same way, and the zoom survives a
  // trip to full screen and back. The settings dialog opens centred on the
  // window at each zoom and in full screen, and on the screen when the
  // window reaches past its corner.
  void pagePlacement() {
    auto dialogAt = [](Rig& w) {
      QRect d, r;  // the dialog and the window, as it opens
      w.RunDialog([&](TForm2& dialog) { d = dialog.frameGeometry(), r = w.frameGeometry(); });
      const QPoint off = d.center() - r.center();  // halving rounds off a pixel
      return (off.manhattanLength() < 2 ? " centred" : QString()) +
             (w.screen()->availableGeometry().contains(d) ? " on screen" : "");
    };
    const std::pair<QSize, QPointF> at[] = {
        {{1280, 960}, {1279.5, 959.5}}, {{2560, 1440}, {1288, 657}}, {{1920, 1080}, {10, 500}},
        {{1366, 768}, {1360, 5}},       {{1300, 1000}, {600, 3}},    {{600, 400}, {300, 399}}};
    QStringList seen;
    for (const auto& [area, p] : at) {
      bool smooth = false;
      const QRect r = FitPage(area, &smooth);
      QWidget parent;
      PageView v(&parent);
      v.Scaled = true;
      v.setFixedSize(area);
      seen << QString::asprintf("%d,%d %dx%d%s at %d,%d", r.x(), r.y(), r.width(), r.height(),
                                smooth ? " smooth" : "", v.ToPage(p).x(), v.ToPage(p).y());
    }
    for (int factor : {1, 2, 3}) {
      Rig w;
      w.SetZoom(factor);
      const QImage shown = w.View()->grab().toImage().convertToFormat(QImage::Format_RGB32);
      QCOMPARE(shown, w.View()->Surface.scaled(w.View()->size()).convertToFormat(shown.format()));
      w.show();
      QTRY_VERIFY(w.Moves > 0);  // centred once framed
      seen << QString("x%1 dialog").arg(factor) + dialogAt(w);
      w.move(500, 400);
      seen << "past the corner: dialog" + dialogAt(w);
      w.MDisp1Click();
      seen << "full screen: dialog" + dialogAt(w);
      w.MDisp1Click();
      const QPoint p = w.View()->ToPage({915.9, 657.2});
      seen << QString::asprintf("x%d %dx%d at %d,%d", factor, w.width(),
                                w.height() - w.menuBar()->sizeHint().height(), p.x(), p.y());
    }
    QVERIFY(Listed(seen, "shell-page-placement.txt"));
  }

  // A text named on the command line: Text (~ is the current folder, as
  // Shift-JIS reads back), the caption shown, a bookmark's caption and the
  // log afterwards. Below a current folder with no Shift-JIS form (the
  // reader's start folder) the file is stored from ".".
  void commandLine_data() {
    QTest::addColumn<QString>("row");  // file made | argument | result | start folder
    const QString no =
        "/earlier.txt Pagelune earlier.txt　? % beep " + Box(BoxKind::Warning, sjis::kWarningTitle);
    QTest::newRow("dots") << "月.txt|sub/../月.txt|~/月.txt 月.txt - Pagelune 月.txt　? % ";
    QTest::newRow("[*]") << "a[*].txt|a[*].txt|~/a[*].txt a[*].txt - Pagelune a[*].txt　? % ";
    QTest::newRow("〜 ¥") << "〜¥.txt|〜¥.txt|~/～\\.txt 〜¥.txt - Pagelune 〜¥.txt　? % ";
    QTest::newRow("in café") << "k.txt|k.txt|./k.txt k.txt - Pagelune k.txt　? % |café";
    QTest::newRow("in café, no form") << "한.txt|한.txt|" + no + U(sjis::kMsgNameNotSjis) + "|café";
    QTest::newRow("missing") << "|no.txt|" + no + U(sjis::kMsgFileNotFound);
    QTest::newRow("a folder") << "|sub|" + no + U(sjis::kMsgCannotRead);
  }
  void commandLine() {
    QFETCH(QString, row);
    const QStringList c = row.split('|');
    Rig w;
    if (c.size() > 3) QVERIFY(QDir().mkdir(c[3]) && QDir::setCurrent(c[3]));
    QVERIFY(QDir().mkdir("sub") && (c[0].isEmpty() || QFile(c[0]).open(QIODevice::WriteOnly)));
    w.StrSettings[kText] = "/earlier.txt";
    w.winId();  // the caption shown is the native window's
    w.OpenFromCommandLine(c[1]);
    w.MDataClick(0);  // a bookmark of it, on the cover: no length to divide by
    QCOMPARE(U(w.StrSettings[kText]).replace(QDir::currentPath(), "~") + " " +
                 w.windowHandle()->title() + " " + w.ActionFor(&w.DataItems[0])->text() + " " +
                 w.Log.join(' '),
             c[2]);
  }

  // The file chooser in a start folder with no Shift-JIS form ("." in the
  // settings): Qt's words in Japanese, each filter's patterns once and
  // every file under すべてのファイル, the stored name preselected as it is
  // spelt on disk, and the file chosen stored below ".".
  void chooser() {
    Rig w;
    QVERIFY(QDir().mkpath("é/sub") && QFile("é/sub/〜.txt").open(QIODevice::WriteOnly));
    FileDialogRequest req{sjis::kOpenDialog1Title, sjis::kOpenDialog1Filter, 3, "./sub",
                          ToSjis("～.txt")};
    QTimer::singleShot(0, [&] {
      auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      w.Log << d->nameFilters() << d->findChild<QLabel*>("fileNameLabel")->text()
            << d->findChild<QLineEdit*>("fileNameEdit")->text();
      static_cast<QDialog*>(d)->done(QDialog::Accepted);  // as OK, but never waits on a box
    });
    QVERIFY(QDir::setCurrent("é") && w.TForm1::ChooseFile(req));
    QCOMPARE(
        w.Log.join(" | ") + " | " + U(req.Chosen),
        "テキストファイル (*.txt *.zip) | HTMLファイル (*.htm *.html) | すべてのファイル (*) | "
        "ファイル名(&N): | 〜.txt | ./sub/～.txt");
  }

  // The dialog's title, modality and fixed size, its controls (captions,
  // items, ranges, places, focus order), as a listing kept in a file.
  void dialog() {
    Rig rig;
    const QStringList layout = Layout(rig.Dialog);
    QVERIFY(Listed(layout, "shell-dialog.txt"));
  }

  // Steps on the dialog opened over the settings given: "change" changes
  // every control, a digit shows that page, Edit1=x types x, choose=x has
  // the file dialog choose x (nothing: cancel), pick=family,style,OK answers
  // the next font chooser, "?" notes the slider labels, the page and whether
  // the dialog is open, "close" uses the close box, other steps press the
  // button of that caption or name. Then the settings and flags that changed, and the log.
  // Sliders hold 0..100; menu lists store the pixels of the choice nearest
  // the stored ones; font data is selected only with a file to read;
  // Default resets the active page only; a text with no Shift-JIS form is
  // refused on its page; a chooser keeps a stored Windows face unless
  // another family is picked, keeps everything when cancelled, and offers
  // fixed-pitch families.
  void steps_data() {
    // Settings other than the defaults and a file to make; steps; result
    QTest::addColumn<QStringList>("c");
    const QString in =
        "Brightness1=37 MenuPosX=248 MenuPosY=184 MenuPosZ=12 PageBar=0 MsgSpeed=0 TagCut=0 "
        "FontType=1 Bold=1 Wallpaper1=w1.bmp Wallpaper2=w2.bmp HeadWord=、 TailWord=「 WaitWord=。 "
        "NLineWord=　 Font=ＭＳ明朝 FontData=a.fdt a.fdt";
    QTest::newRow("changed, browsed, picked, Default on page 1") << QStringList{
        in,
        "change Edit1=/壁/古.bmp choose=/新/選.bmp Button4 Button7 choose= Button5 "
        "pick=IPAGothic,0,0 フォント選択 pick=IPAGothic,0,1 フォント選択 1 デフォルト ? OK",
        "#shell-settings-changed.txt"};
    QTest::newRow("changed, Default on pages 0 and 2, a.fdt typed")
        << QStringList{QString(in).replace("FontType=1", "FontType=0 Ruby=1"),
                       "change 0 デフォルト 2 デフォルト pick=,1,1 フォント選択 Edit8=a.fdt OK",
                       "#shell-settings-default.txt"};
    QTest::newRow("refusals") << QStringList{
        in + " cut.fdt",
        "Edit5=。\U0001F600 OK ? Edit5=。 Edit8=cut.fdt OK ? Edit8=a.fdt Edit1=cut.fdt OK ? "
        "Edit1=w1.bmp OK",
        "#shell-settings-refused.txt"};
    QTest::newRow("cancel") << QStringList{in, "change キャンセル", "flags=0"};
    QTest::newRow("close box") << QStringList{in, "change close ?",
                                              "flags=0|10% 20% 30ms page 0 open 0 -"};
  }
  void steps() {
    QFETCH(QStringList, c);
    Rig rig;
    for (const QString& item : c[0].split(' ')) {
      const QString key = item.section('=', 0, 0), value = item.section('=', 1);
      for (const SettingEntry& e : kSettingTable)
        if (key == e.Key && e.Kind == SettingKind::Integer)
          rig.IntSettings[e.Slot] = value.toInt();
        else if (key == e.Key)
          rig.StrSettings[e.Slot] = ToSjis(value.toStdString());
      // Font data is taken only whole; "cut" files are a byte short.
      QFile file(item);
      QVERIFY(item.contains('=') || (file.open(QIODevice::WriteOnly) &&
                                     file.resize(kAtlasBytes - item.startsWith("cut"))));
    }
    rig.StrSettings[kNLineWord] += "\xFF";  // not Shift-JIS: an untouched edit keeps it
    rig.Mode = 1;  // an item highlighted: the cover drawn again after the dialog drops it
    const QStringList before = Stored(rig);
    rig.RunDialog([&](TForm2& d) {
      for (const QString& step : c[1].split(' ')) {
        const QString arg = step.section('=', 1);
        if (step == "?")
          rig.Log << QString("%1 %2 %3 page %4 open %5 %6")
                         .arg(d.Label11->text(), d.Label12->text(), d.Label13->text())
                         .arg(d.PageControl1->currentIndex())
                         .arg(d.isVisible())
                         .arg(d.focusWidget() ? d.focusWidget()->objectName() : "-");
        if (step == "change") ChangeEverything(d);
        if (step == "close") d.close();
        if (step.size() == 1 && step[0].isDigit()) d.PageControl1->setCurrentIndex(step.toInt());
        if (step.startsWith("Edit")) d.findChild<QLineEdit*>(step.section('=', 0, 0))->setText(arg);
        if (step.startsWith("choose=")) rig.Choice = ToSjis(arg.toStdString());
        if (step.startsWith("pick="))
          Pick(rig.Log, arg.section(',', 0, 0), arg.section(',', 1, 1).toInt(), arg.endsWith('1'));
        for (QPushButton* b : d.findChildren<QPushButton*>())
          if (b->text() == step || b->objectName() == step) b->click();
      }
    });
    QStringList changes = Stored(rig) << QString("flags=%1").arg(rig.Dialog.ChangeFlags) << rig.Log;
    QVERIFY(rig.Mode == -1 &&
            (c[1].contains("change") || rig.StrSettings[kNLineWord].back() == '\xFF'));
    changes.removeIf([&](const QString& s) { return before.contains(s); });
    changes.replaceInStrings(QDir::currentPath(), "~");
    if (c[2].startsWith('#'))  // every setting changed: the list kept in that file
      QVERIFY(Listed(changes, c[2].mid(1).toLatin1().constData()));
    else
      QCOMPARE(changes.join('|'), c[2]);
  }

  // Font data from the dialog, one press of 開始 after another: declined;
  // from a font picked with 選択 (picking the
  // family shown keeps the Windows face) to the end; from another, aborted
  // at the second row, which leaves the older file of its name as it was. The log, kept in a file,
  // holds the boxes, the progress bar's values (at 1 the controls switched off and the close box
  // tried) and the controls switched off after each run, then the tool's runs and the files left.
  // The whole file is byte for byte the one pagelune-fdt makes of that face, to any output path.
  // The tool refuses bad arguments and a face that is not installed with 2 and a file it cannot
  // write with 1, leaving nothing behind; Ctrl+C takes the unfinished file with it.
  void fontData() {
    Rig rig;
    QVERIFY(QFile("IPAMincho.fdt").open(QIODevice::WriteOnly));  // the aborted run leaves it
    QProcess tool;
    StartTool(tool, {"ＭＳ ゴシック", "--bold", "한.fdt"});
    bool abort = false;
    const QRegularExpression rest(" .*");  // all but the name
    auto off = [&] {
      return Layout(rig.Dialog).filter(" off").replaceInStrings(rest, "").join(' ');
    };
    rig.RunDialog([&](TForm2& d) {
      QObject context;
      QObject::connect(d.ProgressBar1, &QProgressBar::valueChanged, &context, [&](int v) {
        rig.Log << QString::number(v);
        if (v != 1) return;
        d.close();  // refused while the run lives in the dialog
        rig.Log << off() + (d.isVisible() ? " open" : "");
        // Through the event queue: works only if the run lets events in.
        if (abort) QTimer::singleShot(0, d.Button9, &QPushButton::click);
      });
      for (int run = 0; run < 3; ++run) {  // declined, whole, aborted
        rig.Answer = run ? BoxResult::Ok : BoxResult::Cancel;
        abort = run == 2;
        if (run) {
          Pick(rig.Log, run == 1 ? "IPAGothic" : "IPAMincho", run == 1, true);
          d.Button10->click();
        }
        d.Button8->click();
        rig.Log << off();
      }
    });
    tool.waitForFinished(60000);  // unless it ended during the runs
    for (const QStringList& args : {QStringList{"IPAGothic", "b.fdt"},
                                    {"IPAGothic"},
                                    {"No Such Face", "a.fdt"},
                                    {"IPAGothic", "no/a.fdt"}}) {
      QProcess p;
      StartTool(p, args);
      QString err;  // b.fdt: Ctrl+C once the rows begin
      while (args.contains("b.fdt") && !err.contains("row") && p.waitForReadyRead(60000))
        err += p.readAll();
      if (args.contains("b.fdt")) kill(p.processId(), SIGINT);
      QVERIFY(p.waitForFinished(60000));
      err += p.readAll();
      rig.Log << QString::number(p.exitCode()) + " " +
                     err.split('\n').filter("pagelune-fdt:").join(" / ");
    }
    for (const QFileInfo& f : QDir().entryInfoList(QDir::Files, QDir::Name))
      rig.Log << f.fileName() + " " + QString::number(f.size());
    QVERIFY(Listed(rig.Log, "shell-font-data-runs.txt"));
    QFile a("ＭＳ ゴシック.fdt"), b("한.fdt");
    QVERIFY(tool.exitCode() == 0 && a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly) &&
            a.readAll() == b.readAll());
  }

  // A signal ends the process in every state, taking the file being written
  // with it. Here the event loop never runs again, stuck in a font data run:
  // a first signal ends it after the grace; signals sent together are one
  // request, and one a second later ends it at once.
  void endingSignals() {
    TempDir here;
    QStringList seen;
    for (int count : {1, 2}) {
      const pid_t child = fork();
      if (child == 0) {
        CatchEndingSignals(count == 1 ? 1 : 600);
        const FontRasterFn stuck = [count](std::uint8_t lead, std::uint8_t, GlyphMask&) {
          if (lead == 0x83) raise(SIGTERM), raise(SIGHUP);  // as at logout
          if (lead == 0x83 && count == 2) QTest::qSleep(1100), raise(SIGINT);
          while (lead == 0x83) pause();
          return false;
        };
        CreateFontData(
            "a.fdt", [&] { return stuck; }, nullptr, nullptr, 1);
        _exit(0);
      }
      int status = 0;
      for (int i = 0; i < 100 && waitpid(child, &status, WNOHANG) == 0; ++i) QTest::qSleep(100);
      if (kill(child, SIGKILL) == 0) waitpid(child, &status, 0);  // never ended
      seen << QString::number(WTERMSIG(status)) << QDir().entryList(QDir::Files);
    }
    QCOMPARE(seen.join(' '), QString("%1 %2").arg(SIGTERM).arg(SIGINT));
  }

  // Windows face names as installed families; IPAGothic's win ascent and
  // descent (1802 + 401 of 2048 units to the em) fill the cell, the
  // baseline at the ascent. The glyphs drawn show on the page in the e2e
  // run.
  void faces() {
    QString seen;
    for (const char* face : {"MS Mincho", "@ＭＳ 明朝", "", "No Such Face", "ＭＳ Ｐゴシック"})
      seen += MapFaceNameSjis(ToSjis(face)) + " ";
    for (int cell : {72, 96}) {
      QtGlyphRasterizer r(ToSjis("ＭＳ ゴシック"), false, cell);
      seen += QString::asprintf("%d: %dpx base %d ", cell, r.PixelSize(), r.Baseline());
    }
    QCOMPARE(seen,
             "IPAMincho IPAMincho IPAGothic IPAGothic IPAPGothic 72: 67px base 59 "
             "96: 89px base 79 ");
  }

  // Characters Shift-JIS lacks, as a text's own codes, drawn from the
  // installed faces in either mode: ♡ and é from the chosen face, 𠮷 and 𢌞
  // from IPAmj明朝 (no other face has them), 〓 for U+10FFFD, which none has;
  // then 漢. Top row font mode; bottom row font data, blank here, so that
  // only they show ink. As kept in chars-beyond.png.
  void charsBeyond() {
    Rig rig;
    std::string codes;
    for (char32_t c : {0x2661, 0xE9, 0x20BB7, 0x2231E, 0x10FFFD}) {
      const std::uint16_t code = rig.TextChars.Code(c);
      codes += {char(code >> 8), char(code)};
    }
    codes += ToSjis("漢");
    Bitmap page(6 * kGlyphCell + 1, 3 * kGlyphCell + 3, 0x402020);
    rig.DrawGlyphString(page, 0, 0, codes);
    // The same as ruby, small: in either mode these come from the font.
    for (std::size_t i = 0; i < codes.size(); i += 2)
      rig.DrawPlacedGlyph(
          page, {std::int16_t(12 * i), std::int16_t(2 * kGlyphCell + 2), std::uint8_t(codes[i]),
                 std::uint8_t(codes[i + 1]), GlyphTransform{false, 0, 0, true}});
    std::fill(rig.FontAtlas.begin(), rig.FontAtlas.end(), 16);
    rig.AtlasComplete = true;
    rig.IntSettings[kFontType] = 1;
    rig.DrawGlyphString(page, 0, kGlyphCell + 1, codes);
    const std::string said = GoldenPicture("chars-beyond.png", page);
    QVERIFY2(said.empty(), said.c_str());
  }

  // Wallpapers by a Shift-JIS name; only a regular file is read, so a FIFO
  // named by hand cannot hang the reader.
  void bitmapFiles() {
    TempDir here;
    QImage picture(2, 3, QImage::Format_RGB888);
    picture.fill(qRgb(2, 40, 80));
    QVERIFY(picture.save("壁.bmp", "BMP") && mkfifo("fifo.bmp", 0600) == 0);
    Bitmap b;
    QVERIFY(!LoadBitmapFile("fifo.bmp", b) && !LoadBitmapFile("/dev/zero", b));
    QVERIFY(LoadBitmapFile(ToSjis("壁.bmp"), b) && b.Pixel(1, 2) == 0x502802);  // 0x00BBGGRR
  }
};

QTEST_MAIN(ShellTest)
#include "ShellTest.moc"
