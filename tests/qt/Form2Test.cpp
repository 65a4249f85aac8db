// The settings dialog driven through its widgets, offscreen: layout and
// names, filling from the settings, Default, OK and Cancel, the choosers,
// the redraw afterwards, and font data creation from the dialog.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QtTest>

#include "DialogRig.h"
#include "render/FontData.h"
#include "render/Screen.h"
#include "text/SjisTexts.h"

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// The text a control shows: a button's or label's caption, a group's title.
QString CaptionOf(QWidget* w) {
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
  if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
  if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
  return QString();
}

// Every control on every page changed away from its default.
void ChangeEverything(TForm2& d) {
  d.Edit1->setText("a.bmp");
  d.Edit2->setText("b.bmp");
  d.TrackBar1->setValue(10);
  d.TrackBar2->setValue(20);
  d.ComboBox1->setCurrentIndex(0);
  d.ComboBox2->setCurrentIndex(1);
  d.ComboBox3->setCurrentIndex(0);
  d.CheckBox1->setChecked(false);
  for (QLineEdit* e : {d.Edit3, d.Edit4, d.Edit5, d.Edit6}) e->setText(U("＊"));
  d.TrackBar3->setValue(50);
  d.CheckBox2->setChecked(false);
  d.CheckBox3->setChecked(false);
  d.FontDialog1 = {"IPAMincho", true};
  d.Edit8->setText("c.fdt");
  d.RadioButton2->setChecked(true);
}

// Whether the controls of page p hold the defaults, or the values of
// ChangeEverything.
bool PageIsDefault(TForm2& d, const Reader& r, int p) {
  switch (p) {
    case 0:
      return d.Edit1->text() == FromSjis(r.StrDefaults[kWallpaper1]) &&
             d.Edit2->text() == FromSjis(r.StrDefaults[kWallpaper2]) &&
             d.TrackBar1->value() == 100 && d.TrackBar2->value() == 70 &&
             d.ComboBox1->currentIndex() == 2 && d.ComboBox2->currentIndex() == 2 &&
             d.ComboBox3->currentIndex() == 2 && d.CheckBox1->isChecked();
    case 1:
      return d.Edit3->text() == U("、。，．：；！？」』）｝〕］】") &&
             d.Edit4->text() == U("「『（｛〔［【") && d.Edit5->text() == U("。！？") &&
             d.Edit6->text() == U("　「・") && d.TrackBar3->value() == 15 &&
             d.CheckBox2->isChecked() && d.CheckBox3->isChecked();
    default:
      return d.FontDialog1.Name == sjis::kDefaultFont && !d.FontDialog1.Bold &&
             d.Edit8->text().isEmpty() && d.RadioButton1->isChecked();
  }
}
bool PageIsChanged(TForm2& d, int p) {
  switch (p) {
    case 0:
      return d.Edit1->text() == "a.bmp" && d.Edit2->text() == "b.bmp" &&
             d.TrackBar1->value() == 10 && d.TrackBar2->value() == 20 &&
             d.ComboBox1->currentIndex() == 0 && d.ComboBox2->currentIndex() == 1 &&
             d.ComboBox3->currentIndex() == 0 && !d.CheckBox1->isChecked();
    case 1:
      return d.Edit3->text() == U("＊") && d.Edit6->text() == U("＊") &&
             d.TrackBar3->value() == 50 && !d.CheckBox2->isChecked() && !d.CheckBox3->isChecked();
    default:
      return d.FontDialog1.Name == "IPAMincho" && d.FontDialog1.Bold &&
             d.Edit8->text() == "c.fdt" && d.RadioButton2->isChecked();
  }
}

}  // namespace

class Form2Test : public QObject {
  Q_OBJECT

 private slots:
  void shape() {
    DialogRig rig;
    TForm2& d = *rig.Form2;
    QCOMPARE(d.windowTitle(), U("環境設定"));
    QCOMPARE(d.minimumSize(), QSize(348, 292));
    QCOMPARE(d.maximumSize(), QSize(348, 292));
    QVERIFY(d.isModal());
    QCOMPARE(rig.Form1->Form2, &d);
    QCOMPARE(d.PageControl1->geometry(), QRect(4, 4, 340, 254));
    QCOMPARE(d.PageControl1->count(), 3);
    QCOMPARE(d.PageControl1->tabText(0), U("一般"));
    QCOMPARE(d.PageControl1->tabText(1), U("文字処理"));
    QCOMPARE(d.PageControl1->tabText(2), U("フォント"));
    QCOMPARE(d.PageControl1->currentIndex(), 0);
    QCOMPARE(d.Button1->geometry(), QRect(4, 265, 75, 21));
    QCOMPARE(d.Button2->geometry(), QRect(177, 265, 75, 21));
    QCOMPARE(d.Button3->geometry(), QRect(269, 265, 75, 21));
    for (QPushButton* b : d.findChildren<QPushButton*>()) {
      QVERIFY2(!b->isDefault() && !b->autoDefault(), qPrintable(b->objectName()));
      // The caption fits with the fonts of this machine.
      QVERIFY2(b->fontMetrics().horizontalAdvance(b->text()) + 4 <= b->width(),
               qPrintable(b->objectName()));
    }
    for (QAbstractButton* t : d.findChildren<QAbstractButton*>())
      if (qobject_cast<QCheckBox*>(t) || qobject_cast<QRadioButton*>(t))
        QVERIFY2(t->width() >= t->sizeHint().width(), qPrintable(t->objectName()));
    for (QSlider* s : {d.TrackBar1, d.TrackBar2, d.TrackBar3}) {
      QCOMPARE(s->minimum(), 0);
      QCOMPARE(s->maximum(), 100);
      QCOMPARE(s->pageStep(), 5);
      QCOMPARE(s->tickPosition(), QSlider::NoTicks);
      QCOMPARE(s->orientation(), Qt::Horizontal);
      QCOMPARE(s->size(), QSize(160, 20));
    }
    QCOMPARE(d.TrackBar3->property("Tag").toInt(), 2);
    QCOMPARE(d.Button5->property("Tag").toInt(), 1);
    QCOMPARE(d.ProgressBar1->minimum(), 0);
    QCOMPARE(d.ProgressBar1->maximum(), 47);
    QCOMPARE(d.ProgressBar1->geometry(), QRect(12, 56, 178, 16));
    QVERIFY(!d.Button9->isEnabled());
    QCOMPARE(d.ComboBox3->count(), 3);
    QCOMPARE(d.ComboBox3->itemText(1), U("中央揃え"));
    QCOMPARE(d.ComboBox2->itemText(0), U("上"));
    QCOMPARE(d.ChangeFlags, 0);
    QCOMPARE(int(d.AbortFlag), 0);
  }

  void controls_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QPoint>("at");
    auto row = [](const char* name, const char* parent, const char* caption, int x, int y) {
      QTest::newRow(name) << QString(name) << QString(parent) << U(caption) << QPoint(x, y);
    };
    row("GroupBox1", "TabSheet1", "", 0, 0);
    row("Label1", "GroupBox1", "表紙の背景", 12, 20);
    row("Edit1", "GroupBox1", "", 80, 16);
    row("Button4", "GroupBox1", "参照", 248, 16);
    row("Label2", "GroupBox1", "本文の背景", 12, 50);
    row("Edit2", "GroupBox1", "", 80, 46);
    row("Button5", "GroupBox1", "参照", 248, 46);
    row("Label3", "GroupBox1", "表紙の明るさ", 12, 80);
    row("TrackBar1", "GroupBox1", "", 92, 76);
    row("Label11", "GroupBox1", "0%", 256, 80);
    row("Label4", "GroupBox1", "本文の明るさ", 12, 110);
    row("TrackBar2", "GroupBox1", "", 92, 106);
    row("Label12", "GroupBox1", "0%", 256, 110);
    row("Label5", "GroupBox1", "メニュー位置", 12, 140);
    row("ComboBox1", "GroupBox1", "", 88, 136);
    row("ComboBox2", "GroupBox1", "", 168, 136);
    row("ComboBox3", "GroupBox1", "", 248, 136);
    row("CheckBox1", "GroupBox1", "ページバーを表示する", 12, 170);
    row("GroupBox2", "TabSheet2", "", 0, 0);
    row("Label6", "GroupBox2", "行頭禁則文字", 12, 20);
    row("Edit3", "GroupBox2", "", 92, 16);
    row("Label7", "GroupBox2", "行末禁則文字", 12, 50);
    row("Edit4", "GroupBox2", "", 92, 46);
    row("Label8", "GroupBox2", "入力待ち文字", 12, 80);
    row("Edit5", "GroupBox2", "", 92, 76);
    row("Label9", "GroupBox2", "改行有効文字", 12, 110);
    row("Edit6", "GroupBox2", "", 92, 106);
    row("Label10", "GroupBox2", "文字の表示速度", 12, 140);
    row("TrackBar3", "GroupBox2", "", 104, 136);
    row("Label13", "GroupBox2", "0ms", 268, 140);
    row("CheckBox2", "GroupBox2", "不要な改行を削除する", 12, 170);
    row("CheckBox3", "GroupBox2", "タグを削除する", 12, 200);
    row("GroupBox3", "TabSheet3", "", 0, 0);
    row("RadioButton1", "GroupBox3", "Windowsのフォントを使用する", 12, 20);
    row("Button6", "GroupBox3", "フォント選択", 30, 46);
    row("Label14", "GroupBox3", "（斜体は反映されません）", 124, 50);
    row("RadioButton2", "GroupBox3", "作成したフォントデータを使用する", 12, 80);
    row("Edit8", "GroupBox3", "", 30, 106);
    row("Button7", "GroupBox3", "参照", 208, 106);
    row("GroupBox4", "GroupBox3", "フォントデータを作成する", 12, 140);
    row("Button8", "GroupBox4", "開始", 12, 24);
    row("Button9", "GroupBox4", "中止", 76, 24);
    row("Button10", "GroupBox4", "選択", 140, 24);
    row("ProgressBar1", "GroupBox4", "", 12, 56);
  }
  void controls() {
    QFETCH(QString, name);
    QFETCH(QString, parent);
    QFETCH(QString, caption);
    QFETCH(QPoint, at);
    DialogRig rig;
    auto* w = rig.Form2->findChild<QWidget*>(name);
    QVERIFY(w);
    QCOMPARE(w->parentWidget()->objectName(), parent);
    QCOMPARE(CaptionOf(w), caption);
    QCOMPARE(w->pos(), at);
  }

  // The lists show the choice of the stored position (below the middle
  // value the first, above it the last) and OK stores that choice's pixels;
  // nothing changed means no flag and the cover redrawn without the wipe.
  void menuPositions_data() {
    QTest::addColumn<QList<int>>("stored");
    QTest::addColumn<QList<int>>("shown");
    QTest::addColumn<QList<int>>("storedBack");
    QTest::newRow("defaults") << QList<int>{456, 328, 24} << QList<int>{2, 2, 2}
                              << QList<int>{456, 328, 24};
    QTest::newRow("centres") << QList<int>{248, 184, 12} << QList<int>{1, 1, 1}
                             << QList<int>{248, 184, 12};
    QTest::newRow("100 / 0 / -3") << QList<int>{100, 0, -3} << QList<int>{0, 0, 0}
                                  << QList<int>{40, 40, 0};
    QTest::newRow("300 / 600 / 13")
        << QList<int>{300, 600, 13} << QList<int>{2, 2, 2} << QList<int>{456, 328, 24};
    QTest::newRow("247 / 183 / 11")
        << QList<int>{247, 183, 11} << QList<int>{0, 0, 0} << QList<int>{40, 40, 0};
  }
  void menuPositions() {
    QFETCH(QList<int>, stored);
    QFETCH(QList<int>, shown);
    QFETCH(QList<int>, storedBack);
    DialogRig rig;
    RigForm1& r = *rig.Form1;
    for (int i = 0; i < 3; ++i) r.IntSettings[kMenuPosX + i] = stored[i];
    const auto before = r.IntSettings;
    const int flushes = r.Flushes;
    QList<int> seen;
    QStringList seenText;
    QVERIFY(rig.RunDialog([&](TForm2& d) {
      for (QComboBox* c : {d.ComboBox1, d.ComboBox2, d.ComboBox3}) {
        seen << c->currentIndex();
        seenText << c->currentText();
      }
      d.Button2->click();
    }));
    QCOMPARE(seen, shown);
    if (QTest::currentDataTag() == QByteArray("defaults"))
      QCOMPARE(seenText, QStringList({U("右"), U("下"), U("右揃え")}));
    for (int i = 0; i < 3; ++i) QCOMPARE(r.IntSettings[kMenuPosX + i], storedBack[i]);
    auto expected = before;
    for (int i = 0; i < 3; ++i) expected[kMenuPosX + i] = storedBack[i];
    QVERIFY(r.IntSettings == expected);
    QCOMPARE(rig.Form2->ChangeFlags, 0);
    QCOMPARE(r.Flushes, flushes);  // no wipe
    QCOMPARE(r.Mode, -1);
  }

  // A stored value outside 0..100 shows at the nearer end, with its label,
  // and OK stores what was shown.
  void slidersHoldTheirRange_data() {
    QTest::addColumn<QList<int>>("stored");  // Brightness1, Brightness2, MsgSpeed
    QTest::addColumn<QList<int>>("shown");
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<int>("flags");
    QTest::newRow("outside") << QList<int>{150, -5, 150} << QList<int>{100, 0, 100}
                             << QStringList{"100%", "0%", "100ms"} << 3;
    QTest::newRow("inside") << QList<int>{37, 70, 0} << QList<int>{37, 70, 0}
                            << QStringList{"37%", "70%", "0ms"} << 0;
  }
  void slidersHoldTheirRange() {
    QFETCH(QList<int>, stored);
    QFETCH(QList<int>, shown);
    QFETCH(QStringList, labels);
    QFETCH(int, flags);
    DialogRig rig;
    RigForm1& r = *rig.Form1;
    r.IntSettings[kBrightness1] = stored[0];
    r.IntSettings[kBrightness2] = stored[1];
    r.IntSettings[kMsgSpeed] = stored[2];
    TForm2& d = *rig.Form2;
    d.FillDialog();
    QCOMPARE((QList<int>{d.TrackBar1->value(), d.TrackBar2->value(), d.TrackBar3->value()}), shown);
    QCOMPARE((QStringList{d.Label11->text(), d.Label12->text(), d.Label13->text()}), labels);
    d.Button2Click();
    QCOMPARE((QList<int>{r.IntSettings[kBrightness1], r.IntSettings[kBrightness2],
                         r.IntSettings[kMsgSpeed]}),
             shown);
    QCOMPARE(d.ChangeFlags, flags);
  }

  void bodyBrightnessOnTheCoverSetsBit1Only() {
    DialogRig rig;
    RigForm1& r = *rig.Form1;
    const int flushes = r.Flushes;
    QVERIFY(rig.RunDialog([](TForm2& d) {
      d.TrackBar2->setValue(d.TrackBar2->value() - 30);
      QCOMPARE(d.Label12->text(), QString("40%"));
      d.Button2->click();
    }));
    QCOMPARE(rig.Form2->ChangeFlags, 2);
    QCOMPARE(r.IntSettings[kBrightness2], 40);
    QCOMPARE(r.Flushes, flushes);  // the cover is redrawn without the wipe
    QCOMPARE(r.Mode, -1);
  }

  // A wallpaper is read again only when its path changed and names a
  // file; its flag is set only then. The path is stored as typed.
  void wallpaperPaths_data() {
    QTest::addColumn<int>("which");  // 0 cover (Edit1), 1 body (Edit2)
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("reloaded");
    for (int which : {0, 1}) {
      const char* n = which ? "body" : "cover";
      QTest::newRow(qPrintable(QString("%1, same path").arg(n))) << which << "old.bmp" << false;
      QTest::newRow(qPrintable(QString("%1, other file").arg(n))) << which << "new.bmp" << true;
      QTest::newRow(qPrintable(QString("%1, missing file").arg(n))) << which << "none.bmp" << false;
    }
  }
  void wallpaperPaths() {
    QFETCH(int, which);
    QFETCH(QString, typed);
    QFETCH(bool, reloaded);
    DialogRig rig;
    RigForm1& r = *rig.Form1;
    rig.WriteBitmap("old.bmp", 5, 4, Qt::red);
    rig.WriteBitmap("new.bmp", 6, 3, Qt::blue);
    r.StrSettings[kWallpaper1 + which] = rig.SjisPath("old.bmp");
    Bitmap& wall = which ? r.BodyWallpaper : r.CoverWallpaper;
    wall = Bitmap(3, 3, kWhite);                  // stands for the picture in memory
    rig.WriteBitmap("old.bmp", 7, 7, Qt::green);  // changed on disk meanwhile
    TForm2& d = *rig.Form2;
    d.FillDialog();
    (which ? d.Edit2 : d.Edit1)->setText(rig.Path(typed));
    d.Button2Click();
    QCOMPARE(d.ChangeFlags, reloaded ? 1 << which : 0);
    QCOMPARE(wall.Width(), reloaded ? 6 : 3);
    QCOMPARE(r.StrSettings[kWallpaper1 + which], rig.SjisPath(typed));
  }

  // Default resets the controls of the active page from the defaults and
  // leaves the other pages as they were; nothing is stored before OK.
  void defaultResetsTheActivePageOnly_data() {
    QTest::addColumn<int>("page");
    QTest::newRow("一般") << 0;
    QTest::newRow("文字処理") << 1;
    QTest::newRow("フォント") << 2;
  }
  void defaultResetsTheActivePageOnly() {
    QFETCH(int, page);
    DialogRig rig;
    RigForm1& r = *rig.Form1;
    std::fill(r.FontAtlas.begin(), r.FontAtlas.begin() + 576, 9);  // font data loaded earlier
    const auto before = r.IntSettings;
    TForm2& d = *rig.Form2;
    d.FillDialog();
    ChangeEverything(d);
    d.PageControl1->setCurrentIndex(page);
    d.Button1->click();
    for (int p = 0; p < 3; ++p) {
      if (p == page)
        QVERIFY2(PageIsDefault(d, r, p), qPrintable(QString("page %1").arg(p)));
      else
        QVERIFY2(PageIsChanged(d, p), qPrintable(QString("page %1").arg(p)));
    }
    QVERIFY(r.IntSettings == before);
    if (page == 2) {
      d.Button2Click();
      QCOMPARE(r.IntSettings[kFontType], 0);
      QCOMPARE(r.StrSettings[kFontData], std::string());
      QCOMPARE(r.StrSettings[kFont], std::string(sjis::kDefaultFont));
      QCOMPARE(int(r.FontAtlas[575]), 9);  // the atlas keeps its data
    }
  }

  // Font data is selected only with a file to draw from; a new path that
  // names a file is read into the atlas.
  void fontTypeNeedsAFile_data() {
    QTest::addColumn<bool>("exists");
    QTest::newRow("missing file") << false;
    QTest::newRow("existing file") << true;
  }
  void fontTypeNeedsAFile() {
    QFETCH(bool, exists);
    DialogRig rig;
    RigForm1& r = *rig.Form1;
    if (exists) {
      QFile f(rig.Path("a.fdt"));
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(QByteArray(1000, 7) + QByteArray(kAtlasBytes - 1000, 0));  // a whole file
    }
    TForm2& d = *rig.Form2;
    d.FillDialog();
    d.RadioButton2->setChecked(true);
    d.Edit8->setText(rig.Path("a.fdt"));
    d.Button2Click();
    QCOMPARE(r.IntSettings[kFontType], exists ? 1 : 0);
    QCOMPARE(r.StrSettings[kFontData], rig.SjisPath("a.fdt"));
    QCOMPARE(int(r.FontAtlas[999]), exists ? 7 : 0);
    QCOMPARE(int(r.FontAtlas[1000]), 0);
    d.FillDialog();
    QCOMPARE(d.RadioButton2->isChecked(), exists);
  }

  // After an OK that changed the cover wallpaper, the flags stay until the
  // next OK: Cancel and the close box replay the cover's wipe and store
  // nothing.
  void cancelReplaysTheLastChange() {
    DialogRig rig;
    RigForm1& r = *rig.Form1;
    rig.WriteBitmap("cover.bmp", 8, 8, Qt::yellow);
    int flushes = r.Flushes;
    QVERIFY(rig.RunDialog([&](TForm2& d) {
      d.Edit1->setText(rig.Path("cover.bmp"));
      d.Button2->click();
    }));
    QCOMPARE(rig.Form2->ChangeFlags, 1);
    QCOMPARE(r.Flushes - flushes, screen::kWipeSteps);
    QCOMPARE(r.CoverWallpaper.Width(), 8);
    const auto ints = r.IntSettings;
    const auto strs = r.StrSettings;
    for (bool closeBox : {false, true}) {
      flushes = r.Flushes;
      QVERIFY(rig.RunDialog([&](TForm2& d) {
        d.Edit3->setText(U("＃"));
        d.TrackBar1->setValue(3);
        if (closeBox)
          d.close();
        else
          d.Button3->click();
        QVERIFY(!d.isVisible());
      }));
      QCOMPARE(r.Flushes - flushes, screen::kWipeSteps);
      QVERIFY(r.IntSettings == ints);
      QVERIFY(r.StrSettings == strs);
      QCOMPARE(rig.Form2->ChangeFlags, 1);
    }
  }

  // A typed text with no Shift-JIS form is not stored mangled: a warning,
  // the dialog stays open on that field, nothing is stored.
  void textWithoutShiftJisIsRefused() {
    DialogRig rig;
    RigForm1& r = *rig.Form1;
    const auto strs = r.StrSettings;
    const auto ints = r.IntSettings;
    bool stayedOpen = false;
    int pageShown = -1;
    QVERIFY(rig.RunDialog([&](TForm2& d) {
      d.TrackBar1->setValue(5);
      d.Edit5->setText(U("。\U0001F600"));
      d.Button2->click();
      stayedOpen = d.isVisible();
      pageShown = d.PageControl1->currentIndex();
      d.Button3->click();
    }));
    QVERIFY(stayedOpen);
    QCOMPARE(pageShown, 1);
    QCOMPARE(r.Boxes.size(), std::size_t(1));
    QCOMPARE(r.Boxes[0].Kind, BoxKind::Warning);
    QCOMPARE(r.Boxes[0].Text, std::string(sjis::kMsgTextNotSjis));
    QCOMPARE(r.Boxes[0].Caption, std::string(sjis::kWarningTitle));
    QCOMPARE(r.Beeps, 1);
    QVERIFY(r.StrSettings == strs);
    QVERIFY(r.IntSettings == ints);
    QCOMPARE(rig.Form2->ChangeFlags, 0);
  }

  // Untouched fields give back the bytes they were filled from, even bytes
  // that are not Shift-JIS; typed Japanese is stored as Shift-JIS.
  void shiftJisRoundTrip() {
    DialogRig rig;
    RigForm1& r = *rig.Form1;
    const std::string odd = "\x81\x41\xFF\x82";
    r.StrSettings[kHeadWord] = odd;
    r.StrSettings[kWallpaper2] = ToSjis("/本/壁.bmp");
    TForm2& d = *rig.Form2;
    d.FillDialog();
    QCOMPARE(d.Edit2->text(), U("/本/壁.bmp"));
    d.Edit4->setText(U("「（"));
    d.Button2Click();
    QCOMPARE(r.StrSettings[kHeadWord], odd);
    QCOMPARE(r.StrSettings[kWallpaper2], ToSjis("/本/壁.bmp"));
    QCOMPARE(r.StrSettings[kTailWord], std::string("\x81\x75\x81\x69"));
  }

  // The font chooser shows the family a stored face is drawn with, keeps
  // the stored name unless another family is picked, and takes the style.
  void fontChooser_data() {
    QTest::addColumn<QString>("pick");  // family to pick, empty: leave
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<QString>("name");  // FontDialog1's face afterwards
    QTest::addColumn<bool>("boldAfter");
    QTest::newRow("confirm unchanged, bold") << "" << true << true << U("ＭＳ ゴシック") << true;
    QTest::newRow("another family") << "IPAMincho" << false << true << "IPAMincho" << false;
    QTest::newRow("cancelled") << "IPAMincho" << true << false << U("ＭＳ ゴシック") << false;
  }
  void fontChooser() {
    QFETCH(QString, pick);
    QFETCH(bool, bold);
    QFETCH(bool, confirm);
    QFETCH(QString, name);
    QFETCH(bool, boldAfter);
    DialogRig rig;
    RigForm1& r = *rig.Form1;
    TForm2& d = *rig.Form2;
    d.FillDialog();
    QString shown;
    QStringList offered;
    QTimer::singleShot(0, &d, [&] {
      auto* chooser = qobject_cast<FontChooser*>(QApplication::activeModalWidget());
      QVERIFY(chooser);
      QCOMPARE(chooser->objectName(), QString("FontDialog1"));
      shown = chooser->FamilyList->currentItem() ? chooser->FamilyList->currentItem()->text()
                                                 : QString();
      for (int i = 0; i < chooser->FamilyList->count(); ++i)
        offered << chooser->FamilyList->item(i)->text();
      if (!pick.isEmpty())
        chooser->FamilyList->setCurrentItem(
            chooser->FamilyList->findItems(pick, Qt::MatchExactly).value(0));
      chooser->StyleList->setCurrentRow(bold ? 1 : 0);
      if (confirm)
        chooser->accept();
      else
        chooser->reject();
    });
    d.Button6->click();
    QCOMPARE(shown, QString("IPAGothic"));
    QVERIFY(offered.contains("IPAMincho"));
    QVERIFY(!offered.contains("IPAPGothic"));  // proportional
    QCOMPARE(FromSjis(d.FontDialog1.Name), name);
    QCOMPARE(d.FontDialog1.Bold, boldAfter);
    d.Button2Click();
    QCOMPARE(FromSjis(r.StrSettings[kFont]), name);
    QCOMPARE(r.IntSettings[kBold], boldAfter ? 1 : 0);
    QCOMPARE(FromSjis(r.GlyphFont.Name), name);
    QCOMPARE(r.GlyphFont.Bold, boldAfter);
  }

  // The browse buttons hand the file dialog its title, filter and starting
  // place; a confirmed choice replaces the edit's text, a cancelled one not.
  void browse_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<bool>("fromStartDir");
    QTest::newRow("Button4") << "Button4"
                             << "Edit1" << U("ビットマップを選択") << U("ビットマップ(*.bmp)|*.bmp")
                             << false;
    QTest::newRow("Button5") << "Button5"
                             << "Edit2" << U("ビットマップを選択") << U("ビットマップ(*.bmp)|*.bmp")
                             << false;
    QTest::newRow("Button7") << "Button7"
                             << "Edit8" << U("フォントデータを選択")
                             << U("フォントデータ(*.fdt)|*.fdt") << true;
  }
  void browse() {
    QFETCH(QString, button);
    QFETCH(QString, edit);
    QFETCH(QString, title);
    QFETCH(QString, filter);
    QFETCH(bool, fromStartDir);
    DialogRig rig;
    RigForm1& r = *rig.Form1;
    TForm2& d = *rig.Form2;
    d.FillDialog();
    auto* e = d.findChild<QLineEdit*>(edit);
    auto* b = d.findChild<QPushButton*>(button);
    e->setText(U("/壁紙/古い.bmp"));
    r.ChooseAnswer = [](FileDialogRequest& req) {
      req.Chosen = ToSjis("/新/選んだ.bmp");
      return true;
    };
    b->click();
    QCOMPARE(r.FileDialogs.size(), std::size_t(1));
    const FileDialogRequest& req = r.FileDialogs[0];
    QCOMPARE(FromSjis(req.Title), title);
    QCOMPARE(FromSjis(req.Filter), filter);
    QCOMPARE(req.InitialDir, fromStartDir ? r.StartDir : ToSjis("/壁紙"));
    QCOMPARE(req.FileName, fromStartDir ? std::string() : ToSjis("古い.bmp"));
    QCOMPARE(e->text(), U("/新/選んだ.bmp"));
    r.ChooseAnswer = nullptr;  // cancelled
    b->click();
    QCOMPARE(e->text(), U("/新/選んだ.bmp"));
  }

  // A run aborted with 中止 between rows: the dialog answers during the
  // run, the controls are locked as documented, the file holds the first
  // row and the trailer, and the end is reported.
  void fontDataAbortedAfterTheFirstRow() {
    DialogRig rig;
    RigForm1& r = *rig.Form1;
    QList<bool> during;  // enabled states at the first row
    bool closedDuringRun = true;
    bool endsRestored = false;
    QVERIFY(rig.RunDialog([&](TForm2& d) {
      d.PageControl1->setCurrentIndex(2);
      d.FontDialog2 = {"IPAGothic", false};
      QObject ctx;
      QObject::connect(d.ProgressBar1, &QProgressBar::valueChanged, &ctx, [&](int v) {
        if (v != 1) return;
        for (QWidget* w : std::initializer_list<QWidget*>{
                 d.Button2, d.Button3, d.Button6, d.Button7, d.Button8, d.Button10, d.TabSheet1,
                 d.TabSheet2, d.TabSheet3, d.Button9, d.Button1, d.Edit8, d.RadioButton2})
          during << w->isEnabled();
        d.close();  // the close box is refused while the run lives in the dialog
        closedDuringRun = !d.isVisible();
        // Pressed through the event queue: only works if the run lets it through.
        QTimer::singleShot(0, d.Button9, &QPushButton::click);
      });
      d.Button8->click();
      endsRestored = d.Button8->isEnabled() && d.Button2->isEnabled() && d.TabSheet1->isEnabled() &&
                     !d.Button9->isEnabled() && d.ProgressBar1->value() == 0;
      d.Button3->click();
    }));
    QCOMPARE(during, (QList<bool>{false, false, false, false, false, false, false, false, true,
                                  true, true, true, true}));
    QVERIFY(!closedDuringRun);
    QVERIFY(endsRestored);
    QCOMPARE(int(rig.Form2->AbortFlag), 1);
    QCOMPARE(rig.Files(), QStringList{"IPAGothic.fdt"});  // no temporary file left
    QFile f(rig.Path("IPAGothic.fdt"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QCOMPARE(bytes.size(), 108864 + 1728);
    QCOMPARE(bytes.mid(108864), bytes.left(1728));   // the trailer repeats the row's first slots
    QCOMPARE(bytes.left(576), QByteArray(576, 16));  // the full-width space has no ink
    QCOMPARE(r.Beeps, 2);
    QCOMPARE(r.Boxes.size(), std::size_t(2));
    QCOMPARE(r.Boxes[0].Kind, BoxKind::Confirmation);
    QCOMPARE(r.Boxes[0].Text, std::string(sjis::kMsgFontDataConfirm));
    QCOMPARE(r.Boxes[1].Kind, BoxKind::Information);
    QCOMPARE(r.Boxes[1].Text, std::string(sjis::kMsgFontDataAborted));
  }

  void fontDataNotConfirmed() {
    DialogRig rig;
    RigForm1& r = *rig.Form1;
    r.Answers = {BoxResult::Cancel};
    TForm2& d = *rig.Form2;
    d.Button8->click();
    QCOMPARE(r.Beeps, 1);
    QCOMPARE(r.Boxes.size(), std::size_t(1));
    QVERIFY(rig.Files().isEmpty());
    QVERIFY(d.Button8->isEnabled());
    QVERIFY(!d.Button9->isEnabled());
  }

  // A file that cannot be made is reported as such, never as made, and
  // leaves nothing behind.
  void fontDataCannotBeWritten() {
    DialogRig rig;
    RigForm1& r = *rig.Form1;
    r.StartDir = rig.SjisPath("gone");  // no such folder
    TForm2& d = *rig.Form2;
    d.FontDialog2 = {"IPAGothic", false};
    d.Button8->click();
    QCOMPARE(r.Boxes.size(), std::size_t(2));
    QCOMPARE(r.Boxes[1].Kind, BoxKind::Warning);
    QCOMPARE(r.Boxes[1].Text, std::string(sjis::kMsgFontDataFailed));
    QCOMPARE(r.Boxes[1].Caption, std::string(sjis::kWarningTitle));
    QCOMPARE(r.Beeps, 2);
    QVERIFY(rig.Files().isEmpty());
    QVERIFY(d.Button2->isEnabled());
    QVERIFY(!d.Button9->isEnabled());
    QCOMPARE(d.ProgressBar1->value(), 0);
  }
};

QTEST_MAIN(Form2Test)
#include "Form2Test.moc"
