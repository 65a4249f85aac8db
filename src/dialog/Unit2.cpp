#include "dialog/Unit2.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>

#include "dialog/SettingsDialog.h"
#include "platform/qt/FontDataMaker.h"
#include "platform/qt/FontMapping.h"
#include "platform/Sjis.h"
#include "text/SjisTexts.h"

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// The dialog's own face, "ＭＳ Ｐゴシック" at 12 pixels, as drawn here.
QFont DialogFont() {
  QFont f(MapFaceName(U("ＭＳ Ｐゴシック")));
  f.setPixelSize(12);
  return f;
}

template <typename W>
W* Named(W* w, const char* name) {
  w->setObjectName(QString::fromLatin1(name));
  return w;
}

// A label sizes itself to its text from its top-left corner.
QLabel* MakeLabel(QWidget* parent, const char* name, const char* text, int left, int top) {
  QLabel* l = Named(new QLabel(U(text), parent), name);
  l->move(left, top);
  l->adjustSize();
  return l;
}

// A check box or radio button keeps its bounds unless its caption needs
// more room with the fonts of this machine.
template <typename W>
W* MakeToggle(QWidget* parent, const char* name, const char* text, int left, int top, int width,
              int height) {
  W* w = Named(new W(U(text), parent), name);
  w->setGeometry(left, top, std::max(width, w->sizeHint().width()), height);
  return w;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* text, int left, int top,
                        int width, int height) {
  QPushButton* b = Named(new QPushButton(U(text), parent), name);
  b->setGeometry(left, top, width, height);
  b->setAutoDefault(false);
  b->setDefault(false);
  return b;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, int left, int top) {
  QLineEdit* e = Named(new QLineEdit(parent), name);
  e->setGeometry(left, top, 160, 20);
  return e;
}

QSlider* MakeSlider(QWidget* parent, const char* name, int tag, int left, int top) {
  QSlider* s = Named(new QSlider(Qt::Horizontal, parent), name);
  s->setGeometry(left, top, 160, 20);
  s->setRange(0, 100);
  s->setSingleStep(1);
  s->setPageStep(5);
  s->setTickInterval(1);
  s->setTickPosition(QSlider::NoTicks);
  s->setProperty("Tag", tag);
  return s;
}

QComboBox* MakeList(QWidget* parent, const char* name, std::initializer_list<const char*> items,
                    int left, int top) {
  QComboBox* c = Named(new QComboBox(parent), name);
  for (const char* item : items) c->addItem(U(item));
  c->setGeometry(left, top, std::max(72, c->sizeHint().width()), 20);
  return c;
}

// The pages hold one row more than the 227 pixels their first controls
// need: the 文字処理 page's auto wait and, framed, its reading settings.
constexpr int kExtraHeight = 36;

// A tab page filled by one caption-less group box.
QWidget* MakePage(QTabWidget* tabs, const char* name, const char* caption, const char* groupName,
                  QGroupBox*& group) {
  QWidget* page = Named(new QWidget(tabs), name);
  group = Named(new QGroupBox(page), groupName);
  group->setGeometry(0, 0, 332, 227 + kExtraHeight);
  tabs->addTab(page, U(caption));
  return page;
}

}  // namespace

// ---------------------------------------------------------------- FontChooser

const QStringList& FontChooser::Families() {
  static const QStringList families = [] {
    QStringList out;
    std::string sjis;
    for (const QString& f : JapaneseFixedPitchFamilies())
      if (Utf8ToSjis(f.toStdString(), sjis)) out << f;
    return out;
  }();
  return families;
}

FontChooser::FontChooser(QWidget* parent, const ChosenFont& current)
    : QDialog(parent), current_(current) {
  setWindowTitle(U("フォント"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setFont(DialogFont());

  FamilyList = Named(new QListWidget(this), "FamilyList");
  FamilyList->addItems(Families());
  StyleList = Named(new QListWidget(this), "StyleList");
  StyleList->addItems({U("標準"), U("太字")});
  Sample = Named(new QLabel(U("Aaあぁアァ亜宇"), this), "Sample");
  Sample->setAlignment(Qt::AlignCenter);
  Sample->setMinimumHeight(48);
  Sample->setFrameShape(QFrame::StyledPanel);
  Buttons =
      Named(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this), "Buttons");
  Buttons->button(QDialogButtonBox::Ok)->setText("OK");
  Buttons->button(QDialogButtonBox::Cancel)->setText(U("キャンセル"));
  connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* lists = new QHBoxLayout;
  auto* familyColumn = new QVBoxLayout;
  familyColumn->addWidget(new QLabel(U("フォント名"), this));
  familyColumn->addWidget(FamilyList);
  auto* styleColumn = new QVBoxLayout;
  styleColumn->addWidget(new QLabel(U("スタイル"), this));
  styleColumn->addWidget(StyleList);
  lists->addLayout(familyColumn, 3);
  lists->addLayout(styleColumn, 1);
  auto* all = new QVBoxLayout(this);
  all->addLayout(lists);
  all->addWidget(Sample);
  all->addWidget(Buttons);
  resize(360, 300);

  // A stored Windows face shows as the family it is drawn with.
  initialFamily_ = MapFaceNameSjis(current.Name);
  const QList<QListWidgetItem*> found = FamilyList->findItems(initialFamily_, Qt::MatchExactly);
  if (!found.isEmpty()) FamilyList->setCurrentItem(found.first());
  StyleList->setCurrentRow(current.Bold ? 1 : 0);
  connect(FamilyList, &QListWidget::itemSelectionChanged, this, &FontChooser::UpdateSample);
  connect(StyleList, &QListWidget::currentRowChanged, this, &FontChooser::UpdateSample);
  UpdateSample();
}

void FontChooser::UpdateSample() {
  const QList<QListWidgetItem*> picked = FamilyList->selectedItems();
  QFont f(picked.isEmpty() ? initialFamily_ : picked.first()->text());
  f.setPixelSize(24);
  f.setBold(StyleList->currentRow() == 1);
  Sample->setFont(f);
}

ChosenFont FontChooser::Result() const {
  ChosenFont out = current_;
  out.Bold = StyleList->currentRow() == 1;
  // The stored name stays unless the reader picked another family
  // ("ＭＳ ゴシック" is shown as IPAGothic but is not replaced by it). A
  // picked family is selected; the list alone only moves its current item
  // (to the first family when it takes the focus with none current).
  const QList<QListWidgetItem*> picked = FamilyList->selectedItems();
  if (!picked.isEmpty() && picked.first()->text() != initialFamily_)
    Utf8ToSjis(picked.first()->text().toStdString(), out.Name);
  return out;
}

// ---------------------------------------------------------------- TForm2

TForm2::TForm2(SettingsDialogOwner* owner)
    : QDialog(owner ? owner->DialogWindow() : nullptr),
      owner_(owner),
      reader_(owner ? &owner->DialogReader() : nullptr) {
  setObjectName("Form2");
  setWindowTitle(U("環境設定"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setModal(true);
  setFont(DialogFont());
  FontDialog1.Name = ToSjis("ＭＳ Ｐゴシック");
  FontDialog2.Name = sjis::kDefaultFont;
  BuildControls();
  setFixedSize(348, 292 + kExtraHeight);
  if (owner_) owner_->Form2 = this;
}

TForm2::~TForm2() {
  if (owner_ && owner_->Form2 == this) owner_->Form2 = nullptr;
}

void TForm2::BuildControls() {
  PageControl1 = Named(new QTabWidget(this), "PageControl1");
  PageControl1->setGeometry(4, 4, 340, 254 + kExtraHeight);

  // 一般
  TabSheet1 = MakePage(PageControl1, "TabSheet1", "一般", "GroupBox1", GroupBox1);
  QWidget* g = GroupBox1;
  Label1 = MakeLabel(g, "Label1", "表紙の背景", 12, 20);
  Edit1 = MakeEdit(g, "Edit1", 80, 16);
  Button4 = MakeButton(g, "Button4", "参照", 248, 16, 50, 21);
  Button4->setProperty("Tag", 0);
  Label2 = MakeLabel(g, "Label2", "本文の背景", 12, 50);
  Edit2 = MakeEdit(g, "Edit2", 80, 46);
  Button5 = MakeButton(g, "Button5", "参照", 248, 46, 50, 21);
  Button5->setProperty("Tag", 1);
  Label3 = MakeLabel(g, "Label3", "表紙の明るさ", 12, 80);
  TrackBar1 = MakeSlider(g, "TrackBar1", 0, 92, 76);
  Label11 = MakeLabel(g, "Label11", "0%", 256, 80);
  Label4 = MakeLabel(g, "Label4", "本文の明るさ", 12, 110);
  TrackBar2 = MakeSlider(g, "TrackBar2", 1, 92, 106);
  Label12 = MakeLabel(g, "Label12", "0%", 256, 110);
  Label5 = MakeLabel(g, "Label5", "メニュー位置", 12, 140);
  ComboBox1 = MakeList(g, "ComboBox1", {"左", "中央", "右"}, 88, 136);
  ComboBox2 = MakeList(g, "ComboBox2", {"上", "中央", "下"}, 168, 136);
  ComboBox3 = MakeList(g, "ComboBox3", {"左揃え", "中央揃え", "右揃え"}, 248, 136);
  CheckBox1 = MakeToggle<QCheckBox>(g, "CheckBox1", "ページバーを表示する", 12, 170, 141, 17);

  // 文字処理
  TabSheet2 = MakePage(PageControl1, "TabSheet2", "文字処理", "GroupBox2", GroupBox2);
  g = GroupBox2;
  Label6 = MakeLabel(g, "Label6", "行頭禁則文字", 12, 20);
  Edit3 = MakeEdit(g, "Edit3", 92, 16);
  Label7 = MakeLabel(g, "Label7", "行末禁則文字", 12, 50);
  Edit4 = MakeEdit(g, "Edit4", 92, 46);
  Label8 = MakeLabel(g, "Label8", "入力待ち文字", 12, 80);
  Edit5 = MakeEdit(g, "Edit5", 92, 76);
  Label9 = MakeLabel(g, "Label9", "改行有効文字", 12, 110);
  Edit6 = MakeEdit(g, "Edit6", 92, 106);
  Label10 = MakeLabel(g, "Label10", "文字の表示速度", 12, 140);
  TrackBar3 = MakeSlider(g, "TrackBar3", 2, 104, 136);
  Label13 = MakeLabel(g, "Label13", "0ms", 268, 140);
  CheckBox2 = MakeToggle<QCheckBox>(g, "CheckBox2", "不要な改行を削除する", 12, 170, 141, 17);
  CheckBox3 = MakeToggle<QCheckBox>(g, "CheckBox3", "タグを削除する", 12, 200, 101, 17);
  // Added controls: the auto wait in a row of its own below the switches,
  // with its unit as the reveal speed has; beside them, framed, how a text
  // is read (its encoding, notation and ruby) and set (縦書き, right of the
  // ruby choice). Rows line up with the switches' rows.
  Label17 = MakeLabel(g, "Label17", "オート待ち", 12, 230);
  SpinEdit1 = Named(new QSpinBox(g), "SpinEdit1");
  SpinEdit1->setRange(0, 60000);
  SpinEdit1->setSingleStep(100);
  SpinEdit1->setGeometry(72, 226, 56, 20);
  Label18 = MakeLabel(g, "Label18", "ms", 132, 230);
  GroupBox5 = Named(new QGroupBox(g), "GroupBox5");
  GroupBox5->setGeometry(154, 158, 172, 98);
  g = GroupBox5;
  Label15 = MakeLabel(g, "Label15", "文字コード", 6, 12);
  ComboBox4 = MakeList(
      g, "ComboBox4", {"自動判別", "Shift-JIS", "UTF-8", "EUC-JP", "UTF-16", "ISO-2022-JP"}, 66, 8);
  Label16 = MakeLabel(g, "Label16", "青空文庫", 6, 42);
  ComboBox5 = MakeList(g, "ComboBox5", {"使わない", "注記があれば", "常に使う"}, 66, 38);
  // The ruby choice takes the place of the old switch: its items say what
  // each does, so it needs no label, and 縦書き keeps its place.
  ComboBox6 = MakeList(g, "ComboBox6", {"ルビなし", "（ルビ）", "ルビを振る"}, 6, 68);
  ComboBox6->resize(80, 20);
  CheckBox5 = MakeToggle<QCheckBox>(g, "CheckBox5", "縦書き", 90, 72, 66, 17);

  // フォント
  TabSheet3 = MakePage(PageControl1, "TabSheet3", "フォント", "GroupBox3", GroupBox3);
  g = GroupBox3;
  RadioButton1 =
      MakeToggle<QRadioButton>(g, "RadioButton1", "Windowsのフォントを使用する", 12, 20, 173, 17);
  Button6 = MakeButton(g, "Button6", "フォント選択", 30, 46, 81, 21);
  Label14 = MakeLabel(g, "Label14", "（斜体は反映されません）", 124, 50);
  RadioButton2 = MakeToggle<QRadioButton>(g, "RadioButton2", "作成したフォントデータを使用する", 12,
                                          80, 197, 17);
  Edit8 = MakeEdit(g, "Edit8", 30, 106);
  Button7 = MakeButton(g, "Button7", "参照", 208, 106, 50, 21);
  GroupBox4 = Named(new QGroupBox(U("フォントデータを作成する"), g), "GroupBox4");
  GroupBox4->setGeometry(12, 140, 202, 81);
  Button8 = MakeButton(GroupBox4, "Button8", "開始", 12, 24, 50, 21);
  Button9 = MakeButton(GroupBox4, "Button9", "中止", 76, 24, 50, 21);
  Button9->setEnabled(false);
  Button10 = MakeButton(GroupBox4, "Button10", "選択", 140, 24, 50, 21);
  ProgressBar1 = Named(new QProgressBar(GroupBox4), "ProgressBar1");
  ProgressBar1->setGeometry(12, 56, 178, 16);
  ProgressBar1->setRange(0, kAtlasRows);
  ProgressBar1->setValue(0);
  ProgressBar1->setTextVisible(false);
  RadioButton1->setChecked(true);

  PageControl1->setCurrentIndex(0);
  // The フォント page is read top to bottom: the two choices, then what
  // each needs.
  for (auto [a, b] : {std::pair<QWidget*, QWidget*>{RadioButton1, RadioButton2},
                      {RadioButton2, Button6},
                      {Button6, Edit8},
                      {Edit8, Button7},
                      {Button7, Button8},
                      {Button8, Button9},
                      {Button9, Button10}})
    setTabOrder(a, b);

  Button1 = MakeButton(this, "Button1", "デフォルト", 4, 265 + kExtraHeight, 75, 21);
  Button2 = MakeButton(this, "Button2", "OK", 177, 265 + kExtraHeight, 75, 21);
  Button3 = MakeButton(this, "Button3", "キャンセル", 269, 265 + kExtraHeight, 75, 21);

  for (QSlider* s : {TrackBar1, TrackBar2, TrackBar3})
    connect(s, &QSlider::valueChanged, this, [this, s] { TrackBarChange(s); });
  connect(Button1, &QPushButton::clicked, this, &TForm2::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm2::Button2Click);
  connect(Button3, &QPushButton::clicked, this, &TForm2::reject);
  connect(Button4, &QPushButton::clicked, this, [this] { Button4Click(Button4); });
  connect(Button5, &QPushButton::clicked, this, [this] { Button4Click(Button5); });
  connect(Button6, &QPushButton::clicked, this, &TForm2::Button6Click);
  connect(Button7, &QPushButton::clicked, this, &TForm2::Button7Click);
  connect(Button8, &QPushButton::clicked, this, &TForm2::Button8Click);
  connect(Button9, &QPushButton::clicked, this, &TForm2::Button9Click);
  connect(Button10, &QPushButton::clicked, this, &TForm2::Button10Click);
}

// ---- Shift-JIS behind the edits ----

void TForm2::SetEditSjis(QLineEdit* e, const std::string& sjis) {
  std::string utf8;
  SjisToUtf8(sjis, utf8);  // bytes that are not Shift-JIS show as far as they convert
  const QString shown = QString::fromStdString(utf8);
  e->setText(shown);
  e->setCursorPosition(0);
  filled_[e] = {e->text(), sjis};
}

bool TForm2::EditSjis(const QLineEdit* e, std::string& out) const {
  auto it = filled_.find(e);
  if (it != filled_.end() && it->second.first == e->text()) {
    out = it->second.second;
    return true;
  }
  return Utf8ToSjis(e->text().toStdString(), out);
}

// ---- filling and the sliders ----

void TForm2::FillDialog() {
  const Reader& r = *reader_;
  // 1. Centred on the reader's window, whatever its size (a zoomed page,
  // full screen), and on its screen.
  const QWidget* over = owner_->DialogWindow();
  QRect box = frameGeometry();
  // Until it was first shown, the dialog's frame is taken to be the
  // window's.
  if (box == geometry()) {
    const QRect f = over->frameGeometry(), in = over->geometry();
    box.adjust(f.left() - in.left(), f.top() - in.top(), f.right() - in.right(),
               f.bottom() - in.bottom());
  }
  box.moveCenter(over->frameGeometry().center());
  if (const QScreen* screen = over->screen()) {
    const QRect area = screen->availableGeometry();
    box.moveLeft(std::max(area.left(), std::min(box.left(), area.right() - box.width() + 1)));
    box.moveTop(std::max(area.top(), std::min(box.top(), area.bottom() - box.height() + 1)));
  }
  move(box.topLeft());
  // 2.-3. The working copy, with the menu positions as choice indices.
  DlgIntSettings = r.IntSettings;
  DlgIntSettings[kMenuPosX] = MenuPosChoiceIndex(0, r.IntSettings[kMenuPosX]);
  DlgIntSettings[kMenuPosY] = MenuPosChoiceIndex(1, r.IntSettings[kMenuPosY]);
  DlgIntSettings[kMenuPosZ] = MenuPosChoiceIndex(2, r.IntSettings[kMenuPosZ]);
  // 4. Texts and the font name.
  SetEditSjis(Edit1, r.StrSettings[kWallpaper1]);
  SetEditSjis(Edit2, r.StrSettings[kWallpaper2]);
  SetEditSjis(Edit3, r.StrSettings[kHeadWord]);
  SetEditSjis(Edit4, r.StrSettings[kTailWord]);
  SetEditSjis(Edit5, r.StrSettings[kWaitWord]);
  SetEditSjis(Edit6, r.StrSettings[kNLineWord]);
  FontDialog1.Name = r.StrSettings[kFont];
  SetEditSjis(Edit8, r.StrSettings[kFontData]);
  // 5. The sliders hold their value within 0..100.
  TrackBar1->setValue(r.IntSettings[kBrightness1]);
  TrackBar2->setValue(r.IntSettings[kBrightness2]);
  // 6.
  ComboBox1->setCurrentIndex(DlgIntSettings[kMenuPosX]);
  ComboBox2->setCurrentIndex(DlgIntSettings[kMenuPosY]);
  ComboBox3->setCurrentIndex(DlgIntSettings[kMenuPosZ]);
  // 7.
  CheckBox1->setChecked(r.IntSettings[kPageBar] != 0);
  TrackBar3->setValue(r.IntSettings[kMsgSpeed]);
  CheckBox2->setChecked(r.IntSettings[kNLineCut] != 0);
  CheckBox3->setChecked(r.IntSettings[kTagCut] != 0);
  ComboBox4->setCurrentIndex(SettingValue(r.IntSettings, kEncoding));
  ComboBox5->setCurrentIndex(SettingValue(r.IntSettings, kAozora));
  ComboBox6->setCurrentIndex(SettingValue(r.IntSettings, kRuby));
  SpinEdit1->setValue(SettingValue(r.IntSettings, kAutoWait));
  CheckBox5->setChecked(SettingValue(r.IntSettings, kVertical) != 0);
  // 8.
  (r.IntSettings[kFontType] != 0 ? RadioButton2 : RadioButton1)->setChecked(true);
  // 9.
  FontDialog1.Bold = r.IntSettings[kBold] != 0;
}

void TForm2::TrackBarChange(QSlider* sender) {
  const QString value = QString::number(sender->value());
  QLabel* label = nullptr;
  switch (sender->property("Tag").toInt()) {
    case 0:
      label = Label11;
      label->setText(value + "%");
      break;
    case 1:
      label = Label12;
      label->setText(value + "%");
      break;
    case 2:
      label = Label13;
      label->setText(value + "ms");
      break;
    default:
      return;
  }
  label->adjustSize();
}

// ---- Default, OK, Cancel ----

void TForm2::Button1Click() {
  const Reader& r = *reader_;
  const QWidget* page = PageControl1->currentWidget();
  if (page == TabSheet1) {
    SetEditSjis(Edit1, r.StrDefaults[kWallpaper1]);
    SetEditSjis(Edit2, r.StrDefaults[kWallpaper2]);
    TrackBar1->setValue(r.IntDefaults[kBrightness1]);
    TrackBar2->setValue(r.IntDefaults[kBrightness2]);
    ComboBox1->setCurrentIndex(2);
    ComboBox2->setCurrentIndex(2);
    ComboBox3->setCurrentIndex(2);
    CheckBox1->setChecked(r.IntDefaults[kPageBar] != 0);
  } else if (page == TabSheet2) {
    SetEditSjis(Edit3, r.StrDefaults[kHeadWord]);
    SetEditSjis(Edit4, r.StrDefaults[kTailWord]);
    SetEditSjis(Edit5, r.StrDefaults[kWaitWord]);
    SetEditSjis(Edit6, r.StrDefaults[kNLineWord]);
    TrackBar3->setValue(r.IntDefaults[kMsgSpeed]);
    CheckBox2->setChecked(r.IntDefaults[kNLineCut] != 0);
    CheckBox3->setChecked(r.IntDefaults[kTagCut] != 0);
    ComboBox4->setCurrentIndex(r.IntDefaults[kEncoding]);
    ComboBox5->setCurrentIndex(r.IntDefaults[kAozora]);
    ComboBox6->setCurrentIndex(r.IntDefaults[kRuby]);
    SpinEdit1->setValue(r.IntDefaults[kAutoWait]);
    CheckBox5->setChecked(r.IntDefaults[kVertical] != 0);
  } else if (page == TabSheet3) {
    FontDialog1.Name = r.StrDefaults[kFont];
    SetEditSjis(Edit8, r.StrDefaults[kFontData]);
    RadioButton1->setChecked(true);
    FontDialog1.Bold = false;
  }
}

void TForm2::Button2Click() {
  SettingsDialogFields f;
  const std::pair<QLineEdit*, std::string*> edits[] = {
      {Edit1, &f.Edit1}, {Edit2, &f.Edit2}, {Edit3, &f.Edit3}, {Edit4, &f.Edit4},
      {Edit5, &f.Edit5}, {Edit6, &f.Edit6}, {Edit8, &f.Edit8}};
  // Nothing is stored when a field is refused; the dialog stays open on it.
  auto refuse = [this](QLineEdit* edit, const std::string& message) {
    reader_->Warn(message);
    for (QWidget* p = edit->parentWidget(); p; p = p->parentWidget())
      if (PageControl1->indexOf(p) >= 0) PageControl1->setCurrentWidget(p);
    edit->setFocus();
    edit->selectAll();
  };
  for (const auto& [edit, out] : edits) {
    // Stored mangled it would be a different text or path.
    if (!EditSjis(edit, *out)) return refuse(edit, sjis::kMsgTextNotSjis);
  }
  f.FontName = FontDialog1.Name;
  f.FontBold = FontDialog1.Bold;
  f.TrackBar1 = TrackBar1->value();
  f.TrackBar2 = TrackBar2->value();
  f.TrackBar3 = TrackBar3->value();
  f.ComboBox1 = ComboBox1->currentIndex();
  f.ComboBox2 = ComboBox2->currentIndex();
  f.ComboBox3 = ComboBox3->currentIndex();
  f.CheckBox1 = CheckBox1->isChecked();
  f.CheckBox2 = CheckBox2->isChecked();
  f.CheckBox3 = CheckBox3->isChecked();
  f.RadioButton2 = RadioButton2->isChecked();
  f.ComboBox4 = ComboBox4->currentIndex();
  f.ComboBox5 = ComboBox5->currentIndex();
  f.ComboBox6 = ComboBox6->currentIndex();
  f.SpinEdit1 = SpinEdit1->value();
  f.CheckBox5 = CheckBox5->isChecked();
  const DialogRefusal refusal = CheckSettingsDialog(*reader_, f);
  if (refusal.Edit != 0)
    return refuse(refusal.Edit == 1 ? Edit1 : refusal.Edit == 2 ? Edit2 : Edit8, refusal.Message);
  ChangeFlags = ApplySettingsDialog(*reader_, DlgIntSettings, f);
  accept();
}

void TForm2::reject() {
  if (creating_) return;
  QDialog::reject();
}

void TForm2::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    e->accept();
    return;
  }
  QDialog::keyPressEvent(e);
}

// ---- choosers ----

void TForm2::Button4Click(QPushButton* sender) {
  QLineEdit* edit = sender->property("Tag").toInt() == 0 ? Edit1 : Edit2;
  std::string current;
  if (!EditSjis(edit, current)) current.clear();
  FileDialogRequest req;
  req.Title = sjis::kOpenBitmapTitle;
  req.Filter = sjis::kOpenBitmapFilter;
  req.InitialDir = FolderPart(current);
  req.FileName = FileNamePart(current);
  if (reader_->Hooks->ChooseFile(req)) SetEditSjis(edit, req.Chosen);
}

void TForm2::Button7Click() {
  FileDialogRequest req;
  req.Title = sjis::kOpenFontDataTitle;
  req.Filter = sjis::kOpenFontDataFilter;
  req.InitialDir = reader_->StartDir;
  if (reader_->Hooks->ChooseFile(req)) SetEditSjis(Edit8, req.Chosen);
}

bool TForm2::RunFontChooser(ChosenFont& font, const char* name) {
  FontChooser chooser(this, font);
  chooser.setObjectName(QString::fromLatin1(name));
  if (chooser.exec() != QDialog::Accepted) return false;
  font = chooser.Result();
  return true;
}

void TForm2::Button6Click() { RunFontChooser(FontDialog1, "FontDialog1"); }

void TForm2::Button10Click() { RunFontChooser(FontDialog2, "FontDialog2"); }

void TForm2::Button9Click() { AbortFlag = 1; }

// ---- font data ----

std::string TForm2::FontDataPath() const {
  return reader_->StartDir + "/" + FontDialog2.Name + ".fdt";
}

void TForm2::SetCreating(bool on) {
  creating_ = on;
  for (QWidget* w :
       {static_cast<QWidget*>(Button2), static_cast<QWidget*>(Button3),
        static_cast<QWidget*>(Button6), static_cast<QWidget*>(Button7),
        static_cast<QWidget*>(Button8), static_cast<QWidget*>(Button10), TabSheet1, TabSheet2})
    w->setEnabled(!on);
  Button9->setEnabled(on);
}

void TForm2::Button8Click() {
  PlatformHooks* hooks = reader_->Hooks;
  hooks->Beep();
  if (hooks->MessageBox(BoxKind::Confirmation, sjis::kMsgFontDataConfirm, sjis::kConfirmTitle) !=
      BoxResult::Ok)
    return;
  AbortFlag = 0;
  SetCreating(true);
  ProgressBar1->setValue(1);
  ProgressBar1->repaint();
  FontDataResult result = FontDataResult::WriteFailed;
  try {
    result = MakeFontDataFile(
        NativePath(FontDataPath()), FontDialog2.Name, FontDialog2.Bold,
        [this](int rowsDone) {
          // The bar shows the row being made: row k shows k + 1.
          ProgressBar1->setValue(std::min(rowsDone + 1, int(kAtlasRows)));
          // Between rows the dialog answers, so 中止 can be pressed.
          QCoreApplication::processEvents();
        },
        [this] { return AbortFlag != 0; });
  } catch (const std::exception&) {
    result = FontDataResult::WriteFailed;  // nothing was left under the name
  }
  hooks->Beep();
  if (result == FontDataResult::WriteFailed)
    hooks->MessageBox(BoxKind::Warning, sjis::kMsgFontDataFailed, sjis::kWarningTitle);
  else
    hooks->MessageBox(
        BoxKind::Information,
        result == FontDataResult::Aborted ? sjis::kMsgFontDataAborted : sjis::kMsgFontDataDone,
        sjis::kInformationTitle);
  ProgressBar1->setValue(0);
  SetCreating(false);
  owner_->FontDataRunEnded();
}
