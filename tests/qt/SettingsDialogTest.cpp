// The settings dialog driven through its widgets: its layout, filling, the
// Default, OK and Cancel buttons, the choosers, and font data made from the
// dialog and by pagelune-fdt.
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>

#include "QtRig.h"
#include "platform/qt/FontMapping.h"
#include "text/SjisTexts.h"

namespace {

// The dialog's own controls (their names end in a number), the pages in
// tab order: name, caption, items or range, corner and, unless the control
// sizes itself to its caption, size; "off" when switched off.
QStringList Layout(TForm2& d) {
  QWidgetList all = d.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  for (QWidget* page : {d.TabSheet1, d.TabSheet2, d.TabSheet3})
    all << page << page->findChildren<QWidget*>();
  QStringList out;
  for (QWidget* w : all) {
    const QString name = w->objectName();
    QString s = name + " " + w->property("text").toString() + w->property("title").toString() +
                d.PageControl1->tabText(d.PageControl1->indexOf(w));
    if (auto* c = qobject_cast<QComboBox*>(w))
      for (int i = 0; i < c->count(); ++i) s += (i ? "/" : "") + c->itemText(i);
    if (w->property("maximum").isValid())
      s += " " + w->property("minimum").toString() + "-" + w->property("maximum").toString();
    const QRect g = w->geometry();
    s = s.simplified() + QString(" %1,%2").arg(g.x()).arg(g.y());
    if (!name.contains(QRegularExpression("Label|ComboBox|CheckBox|Radio|TabSheet")))
      s += QString(" %1x%2").arg(g.width()).arg(g.height());
    if (name.contains(QRegularExpression("\\d$")))
      out << s + (w->testAttribute(Qt::WA_ForceDisabled) ? " off" : "");
  }
  return out;
}

// What the controls of each page hold (edits, sliders and the labels that
// show their values, lists, check boxes, radio buttons), and on the font
// page FontDialog1's face and style.
QStringList Values(TForm2& d) {
  QStringList pages;
  for (QWidget* page : {d.TabSheet1, d.TabSheet2, d.TabSheet3}) {
    QStringList out;
    for (QWidget* w : page->findChildren<QWidget*>())
      if (QMetaProperty v = w->metaObject()->userProperty();
          v.isValid() && w->property("checkable") != false)
        out << v.read(w).toString();
      else if (w->objectName().contains(QRegularExpression("Label1[1-3]")))
        out << w->property("text").toString();
    if (page == d.TabSheet3) out << U(d.FontDialog1.Name) + (d.FontDialog1.Bold ? " bold" : "");
    pages << out.join('|').replace(QDir::currentPath(), "~");
  }
  return pages;
}

// Every setting the reader holds, as Key=value.
QStringList Stored(const Reader& r) {
  QStringList out;
  for (const SettingEntry& e : kSettingTable)
    out << e.Key + ("=" + (e.Kind == SettingKind::Integer ? QString::number(r.IntSettings[e.Slot])
                                                          : U(r.StrSettings[e.Slot])));
  return out;
}

void ChangeEverything(TForm2& d) {
  for (QLineEdit* e : d.findChildren<QLineEdit*>()) e->setText(e->objectName() + "月");
  for (QSlider* s : d.findChildren<QSlider*>()) s->setValue(s->objectName().right(1).toInt() * 10);
  for (QComboBox* c : d.findChildren<QComboBox*>()) c->setCurrentIndex((c->currentIndex() + 1) % 3);
  for (QCheckBox* c : d.findChildren<QCheckBox*>()) c->toggle();
  (d.RadioButton1->isChecked() ? d.RadioButton2 : d.RadioButton1)->setChecked(true);
  d.FontDialog1 = {"IPAMincho", !d.FontDialog1.Bold};
}

// pagelune-fdt from beside this test, without a display: it must fall back
// to the offscreen platform by itself.
void StartTool(QProcess& p, const QStringList& args) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(v);
  p.setProcessEnvironment(env);
  p.start(QCoreApplication::applicationDirPath() + "/pagelune-fdt", args);
}

// The whole dialog, one literal a page so that a control added later is one
// more entry, then the tab order.
const char* const kLayout =
    "環境設定 modal 1 fixed 348x292, PageControl1 4,4 340x254, Button1 デフォルト 4,265 75x21, "
    "Button2 OK 177,265 75x21, Button3 キャンセル 269,265 75x21, "
    // 一般
    "TabSheet1 一般 0,0, GroupBox1 0,0 332x227, Label1 表紙の背景 12,20, Edit1 80,16 160x20, "
    "Button4 参照 248,16 50x21, Label2 本文の背景 12,50, Edit2 80,46 160x20, "
    "Button5 参照 248,46 50x21, Label3 表紙の明るさ 12,80, TrackBar1 0-100 92,76 160x20, "
    "Label11 0% 256,80, Label4 本文の明るさ 12,110, TrackBar2 0-100 92,106 160x20, "
    "Label12 0% 256,110, Label5 メニュー位置 12,140, ComboBox1 左/中央/右 88,136, "
    "ComboBox2 上/中央/下 168,136, ComboBox3 左揃え/中央揃え/右揃え 248,136, "
    "CheckBox1 ページバーを表示する 12,170, "
    // 文字処理
    "TabSheet2 文字処理 0,0, GroupBox2 0,0 332x227, Label6 行頭禁則文字 12,20, "
    "Edit3 92,16 160x20, Label7 行末禁則文字 12,50, Edit4 92,46 160x20, "
    "Label8 入力待ち文字 12,80, Edit5 92,76 160x20, Label9 改行有効文字 12,110, "
    "Edit6 92,106 160x20, Label10 文字の表示速度 12,140, TrackBar3 0-100 104,136 160x20, "
    "Label13 0ms 268,140, CheckBox2 不要な改行を削除する 12,170, CheckBox3 タグを削除する 12,200, "
    // フォント
    "TabSheet3 フォント 0,0, GroupBox3 0,0 332x227, "
    "RadioButton1 Windowsのフォントを使用する 12,20, Button6 フォント選択 30,46 81x21, "
    "Label14 （斜体は反映されません） 124,50, "
    "RadioButton2 作成したフォントデータを使用する 12,80, Edit8 30,106 160x20, "
    "Button7 参照 208,106 50x21, GroupBox4 フォントデータを作成する 12,140 202x81, "
    "Button8 開始 12,24 50x21, Button9 中止 76,24 50x21 off, Button10 選択 140,24 50x21, "
    "ProgressBar1 0% 0-47 12,56 178x16, "
    // the tab order
    "tab order: PageControl1 Edit1 Button4 Edit2 Button5 TrackBar1 TrackBar2 ComboBox1 ComboBox2 "
    "ComboBox3 CheckBox1 Edit3 Edit4 Edit5 Edit6 TrackBar3 CheckBox2 CheckBox3 RadioButton1 "
    "Button6 RadioButton2 Edit8 Button7 Button8 Button9 Button10 Button1 Button2 Button3";

}  // namespace

class SettingsDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void layout() {
    Rig rig;
    TForm2& d = rig.Form2;
    QStringList seen =
        QStringList{d.windowTitle() +
                    QString::asprintf(" modal %d fixed %dx%d", d.isModal(), d.maximumWidth(),
                                      d.minimumHeight() * (d.minimumSize() == d.maximumSize()))} +
            Layout(d)
        << "tab order:";
    for (QWidget* w = d.nextInFocusChain(); w != &d; w = w->nextInFocusChain())
      if ((w->focusPolicy() & Qt::TabFocus) && w->objectName().contains(QRegularExpression("\\d$")))
        seen.last() += " " + w->objectName();
    COMPARE_ENTRIES(seen, QString(kLayout).split(", "));
  }

  // The dialog filled from the settings and closed with OK, untouched or
  // after every control changed: what the pages showed, and the settings
  // that changed. Sliders hold 0..100; a menu list shows the choice nearest
  // the stored pixels and stores that choice's pixels; font data is
  // selected only with a file to read.
  void fillAndOk_data() {
    // Brightness1, Brightness2, MsgSpeed, MenuPosX, MenuPosY, MenuPosZ, PageBar, NLineCut,
    // TagCut, FontType, Bold, then whether a.fdt exists and every control is changed;
    // what the pages show; the settings that change.
    QTest::addColumn<QStringList>("row");
    const QString
        in = "37 70 0 248 184 12 0 1 0 1 1 1",
        shown =
            "w1.bmp|w2.bmp|37|37%|70|70%|中央|中央|中央揃え|false / 、|「|。|　|0|0ms|true|false / "
            "false|true|a.fdt|ＭＳ 明朝 bold";
    QTest::newRow("inside the ranges") << QStringList{in + " 0", shown, "flags=0"};
    QTest::newRow("outside the ranges, no a.fdt") << QStringList{
        "150 -5 150 100 600 13 1 0 0 1 0 0 0",
        "w1.bmp|w2.bmp|100|100%|0|0%|左|下|右揃え|true / 、|「|。|　|100|100ms|false|false / "
        "false|true|a.fdt|ＭＳ 明朝",
        "Brightness1=100 Brightness2=0 MenuPosX=40 MenuPosY=328 MenuPosZ=24 MsgSpeed=100 "
        "FontType=0 flags=3"};
    QTest::newRow("everything changed") << QStringList{
        in + " 1", shown,
        "Wallpaper1=Edit1月 Wallpaper2=Edit2月 Brightness1=10 Brightness2=20 MenuPosX=456 "
        "MenuPosY=328 MenuPosZ=24 PageBar=1 HeadWord=Edit3月 TailWord=Edit4月 WaitWord=Edit5月 "
        "NLineWord=Edit6月 MsgSpeed=30 NLineCut=0 TagCut=1 FontType=0 Font=IPAMincho Bold=0 "
        "FontData=Edit8月 flags=3"};
  }
  void fillAndOk() {
    QFETCH(QStringList, row);
    Rig rig;
    RigForm1& r = rig.Form1;
    const QStringList stored = row[0].split(' ');
    const int keys[] = {kBrightness1, kBrightness2, kMsgSpeed, kMenuPosX, kMenuPosY, kMenuPosZ,
                        kPageBar,     kNLineCut,    kTagCut,   kFontType, kBold};
    for (int i = 0; i < 11; ++i) r.IntSettings[keys[i]] = stored[i].toInt();
    int i = kWallpaper1;
    for (const char* text : {"w1.bmp", "w2.bmp", "、", "「", "。", "　\xFF", "ＭＳ 明朝", "a.fdt"})
      r.StrSettings[i++] = ToSjis(text);
    if (stored[11] == "1") QVERIFY(QFile("a.fdt").open(QIODevice::WriteOnly));
    const QStringList before = Stored(r);
    QString seen;
    rig.RunDialog([&](TForm2& d) {
      seen = Values(d).join(" / ");
      if (stored[12] == "1") ChangeEverything(d);
      d.Button2->click();
    });
    QStringList changes = Stored(r) << QString("flags=%1").arg(rig.Form2.ChangeFlags);
    changes.removeIf([&](const QString& s) { return before.contains(s); });
    QCOMPARE(seen, row[1]);
    QCOMPARE(changes, row[2].split(' '));
    // Untouched, an edit gives back the bytes it was filled from, even those that are not
    // Shift-JIS.
    QVERIFY(stored[12] == "1" || r.StrSettings[kNLineWord] == ToSjis("　\xFF"));
  }

  // Default resets the controls of the active page only and stores nothing.
  void defaultResetsTheActivePage() {
    Rig rig;
    TForm2& d = rig.Form2;
    const QStringList before = Stored(rig.Form1);
    for (int page = 0; page < 3; ++page) {
      d.FillDialog();
      const QStringList fresh = Values(d);
      ChangeEverything(d);
      QStringList expected = Values(d);
      for (int p = 0; p < 3; ++p) QVERIFY(expected[p] != fresh[p]);
      expected[page] = fresh[page];
      d.PageControl1->setCurrentIndex(page);
      d.Button1->click();
      QCOMPARE(Values(d), expected);
    }
    QCOMPARE(Stored(rig.Form1), before);
  }

  // Escape and Return close nothing; Cancel, the close box, and OK refused
  // over a text without a Shift-JIS form (shown on its page) store nothing.
  void cancelStoresNothing() {
    Rig rig;
    const QStringList before = Stored(rig.Form1);
    QStringList seen;  // open, page
    for (int way = 0; way < 3; ++way)
      rig.RunDialog([&](TForm2& d) {
        ChangeEverything(d);
        d.Edit5->setText("。\U0001F600");
        for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) QTest::keyClick(&d, key);
        way == 0 ? d.Button3->click() : way == 1 ? (void)d.close() : d.Button2->click();
        seen << QString("%1 %2").arg(d.isVisible()).arg(d.PageControl1->currentIndex());
      });
    QCOMPARE(Stored(rig.Form1), before);
    QCOMPARE(
        seen.join(", ") + " " + rig.Form1.Log.join(", "),
        "0 0, 0 0, 1 1 beep, " + Box(BoxKind::Warning, sjis::kWarningTitle, sjis::kMsgTextNotSjis));
  }

  // A chooser shows a stored Windows face as the family it is drawn with
  // and keeps the name unless another family is picked. It offers the
  // fixed-pitch Japanese families with a Shift-JIS name.
  void fontChooser_data() {
    QTest::addColumn<QString>("row");  // button|family picked|style row|OK|result
    QTest::newRow("bold") << "Button6||1|1|FontDialog1 IPAGothic ＭＳ ゴシック bold";
    QTest::newRow("family shown") << "Button6|IPAGothic|0|1|FontDialog1 IPAGothic ＭＳ ゴシック";
    QTest::newRow("other family") << "Button6|IPAMincho|0|1|FontDialog1 IPAGothic IPAMincho";
    QTest::newRow("cancelled") << "Button6|IPAMincho|1|0|FontDialog1 IPAGothic ＭＳ ゴシック";
    QTest::newRow("font data") << "Button10|IPAMincho|1|1|FontDialog2 IPAGothic IPAMincho bold";
  }
  void fontChooser() {
    QFETCH(QString, row);
    const QStringList c = row.split('|');
    Rig rig;
    TForm2& d = rig.Form2;
    d.FillDialog();
    QString seen;
    QStringList offered;
    QTimer::singleShot(0, &d, [&] {
      auto* chooser = qobject_cast<FontChooser*>(QApplication::activeModalWidget());
      QListWidget* list = chooser->FamilyList;
      seen = chooser->objectName() + " " + list->currentItem()->text();
      for (int i = 0; i < list->count(); ++i) offered << list->item(i)->text();
      if (!c[1].isEmpty()) list->setCurrentItem(list->findItems(c[1], Qt::MatchExactly).value(0));
      chooser->StyleList->setCurrentRow(c[2].toInt());
      c[3] == "1" ? chooser->accept() : chooser->reject();
    });
    d.findChild<QPushButton*>(c[0])->click();
    const ChosenFont& f = c[0] == "Button6" ? d.FontDialog1 : d.FontDialog2;
    QCOMPARE(seen + " " + U(f.Name) + (f.Bold ? " bold" : ""), c[4]);
    QVERIFY(offered.contains("IPAGothic") && offered.contains("IPAMincho"));
    std::string sjis;
    for (const QString& family : QFontDatabase::families(QFontDatabase::Japanese))
      QVERIFY2(offered.contains(family) ==
                   ((QFontDatabase::isFixedPitch(family) || IsDualWidthFamily(family)) &&
                    Utf8ToSjis(family.toStdString(), sjis)),
               qPrintable(family));
  }

  // The browse buttons ask the reader's file dialog with a title, a filter
  // and where to start; a choice replaces the edit's text, a cancelled
  // dialog leaves it.
  void browse() {
    Rig rig;
    TForm2& d = rig.Form2;
    d.Edit1->setText("/壁紙/古い.bmp");
    d.Edit2->setText("/本/文.bmp");
    rig.Form1.Choice = ToSjis("/新/選.bmp");
    for (QPushButton* b : {d.Button4, d.Button5, d.Button7}) b->click();
    rig.Form1.Choice.clear();
    d.Button4->click();
    const QString bitmap = "ビットマップを選択|ビットマップ(*.bmp)|*.bmp|";
    COMPARE_ENTRIES(rig.Form1.Log.join(", ").replace(QDir::currentPath(), "~").split(", ")
                        << d.Edit1->text() + d.Edit2->text() + d.Edit8->text(),
                    QStringList({bitmap + "/壁紙|古い.bmp", bitmap + "/本|文.bmp",
                                 "フォントデータを選択|フォントデータ(*.fdt)|*.fdt|~|",
                                 bitmap + "/新|選.bmp", "/新/選.bmp/新/選.bmp/新/選.bmp"}));
  }

  // Font data made from the dialog: the log, the progress bar (with the
  // controls switched off at the first row, where the close box is tried),
  // the controls switched off afterwards and the files left. Done, the file
  // is byte for byte the one pagelune-fdt makes.
  void fontData_data() {
    QTest::addColumn<QString>("result");
    const QString asked =
        "beep, " + Box(BoxKind::Confirmation, sjis::kConfirmTitle, sjis::kMsgFontDataConfirm);
    auto told = [&](BoxKind kind, const char* title, const char* text) {
      return asked + ", beep, " + Box(kind, title, text);
    };
    const QString first =
        " | 1 Button2 Button3 TabSheet1 TabSheet2 Button6 Button7 Button8 Button10 open";
    QString rows;
    for (int i = 2; i <= 47; ++i) rows += QString(" %1").arg(i);
    QTest::newRow("declined") << asked + " |  | Button9 | ";
    QTest::newRow("unwritable") << told(BoxKind::Warning, sjis::kWarningTitle,
                                        sjis::kMsgFontDataFailed) +
                                       " |  | Button9 | ";
    QTest::newRow("aborted") << told(BoxKind::Information, sjis::kInformationTitle,
                                     sjis::kMsgFontDataAborted) +
                                    first + " 0 | Button9 | IPAGothic.fdt 110592";
    QTest::newRow("done") << told(BoxKind::Information, sjis::kInformationTitle,
                                  sjis::kMsgFontDataDone) +
                                 first + rows +
                                 " 0 | Button9 | IPAGothic.fdt 5118336 tool.fdt 5118336";
  }
  void fontData() {
    QFETCH(QString, result);
    const QByteArray run = QTest::currentDataTag();
    Rig rig;
    if (run == "declined") rig.Form1.Answer = BoxResult::Cancel;
    if (run == "unwritable") rig.Form1.StartDir = "gone";
    QProcess tool;
    if (run == "done") StartTool(tool, {"IPAGothic", "--bold", "tool.fdt"});
    QStringList seen;
    auto off = [](TForm2& d) {
      return Layout(d).filter(" off").replaceInStrings(QRegularExpression(" .*"), "").join(' ');
    };
    rig.RunDialog([&](TForm2& d) {
      d.PageControl1->setCurrentIndex(2);
      d.FontDialog2 = {"IPAGothic", run == "done"};
      QObject context;
      QObject::connect(d.ProgressBar1, &QProgressBar::valueChanged, &context, [&](int v) {
        seen << QString::number(v);
        if (v != 1) return;
        d.close();  // refused while the run lives in the dialog
        seen << off(d) + (d.isVisible() ? " open" : "");
        // Through the event queue: works only if the run lets events in.
        if (run == "aborted") QTimer::singleShot(0, d.Button9, &QPushButton::click);
      });
      d.Button8->click();
      seen = QStringList{rig.Form1.Log.join(", "), seen.join(' '), off(d)};
    });
    QVERIFY(run != "done" || tool.waitForFinished(60000));
    QStringList files;
    for (const QFileInfo& f : QDir().entryInfoList(QDir::Files, QDir::Name))
      files << f.fileName() + " " + QString::number(f.size());
    COMPARE_ENTRIES(seen << files.join(' '), result.split(" | "));
    QFile a("IPAGothic.fdt"), b("tool.fdt");
    QVERIFY(run != "done" || (a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly) &&
                              a.readAll() == b.readAll()));
  }

  // pagelune-fdt refuses bad arguments with 2 and a file it cannot write
  // with 1, leaving nothing behind; an unknown face is drawn with the
  // default family.
  void fdtToolFailures() {
    TempDir dir;
    QStringList seen;
    for (const QStringList& args : {QStringList{},
                                    {"IPAGothic", "a.fdt", "b.fdt"},
                                    {"--italic", "IPAGothic", "a.fdt"},
                                    {"Fonté\u0101", "a.fdt"},
                                    {"IPAGothic", "한.fdt"},
                                    {"IPAGothic", "no/a.fdt"},
                                    {"No Such Face", "no/a.fdt"}}) {
      QProcess p;
      StartTool(p, args);
      QVERIFY(p.waitForFinished(60000));
      seen << QString::number(p.exitCode()) + " " +
                  QString(p.readAllStandardError()).split('\n').filter("pagelune-fdt:").join(" / ");
    }
    seen << QDir().entryList(QDir::Files).join(' ');
    COMPARE_ENTRIES(seen,
                    QString("2 pagelune-fdt: expected a face name and an output file\n"
                            "2 pagelune-fdt: expected a face name and an output file\n"
                            "2 pagelune-fdt: unknown option --italic\n"
                            "2 pagelune-fdt: the face name \"Fonté\u0101\" has no Shift-JIS form\n"
                            "2 pagelune-fdt: the file name \"한.fdt\" has no Shift-JIS form\n"
                            "1 pagelune-fdt: drawing \"IPAGothic\" with IPAGothic / pagelune-fdt: "
                            "cannot write no/a.fdt\n"
                            "1 pagelune-fdt: drawing \"No Such Face\" with IPAGothic / "
                            "pagelune-fdt: cannot write no/a.fdt\n")
                        .split('\n'));
  }
};

QTEST_MAIN(SettingsDialogTest)
#include "SettingsDialogTest.moc"
