// The environment settings dialog. Created once after the reader window and
// shown again at each use, so its active page and its fields persist. It
// moves values between its widgets and the reader (Shift-JIS on the reader's
// side, Unicode in the widgets); what the values do to the reader is decided
// in dialog/SettingsDialog.h.
#pragma once

#include <QDialog>

#include <array>
#include <cstdint>
#include <map>
#include <string>

#include "reader/Reader.h"

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QTabWidget;
class TForm2;

// What the settings dialog needs of the window it belongs to; the reader
// window provides it, so the dialog does not depend on that window.
class SettingsDialogOwner {
 public:
  virtual ~SettingsDialogOwner() = default;
  // The reader whose settings the dialog shows and changes; its hooks
  // answer the dialog's file choosers and boxes.
  virtual Reader& DialogReader() = 0;
  // The window the dialog opens over and is placed by.
  virtual QWidget* DialogWindow() = 0;
  // A font data run has ended and its result was shown.
  virtual void FontDataRunEnded() {}
  // The dialog registers itself here for as long as it lives.
  TForm2* Form2 = nullptr;
};

// The font a font chooser holds: only the face and the style matter.
struct ChosenFont {
  std::string Name;  // Shift-JIS face name, as stored in the settings
  bool Bold = false;
};

// The font chooser of FontDialog1 and FontDialog2: the installed Japanese
// fixed-pitch families and the styles regular and bold. A Windows face name
// shows selected as the family it is drawn with, and is kept as it is
// unless another family is picked.
class FontChooser : public QDialog {
  Q_OBJECT
 public:
  FontChooser(QWidget* parent, const ChosenFont& current);
  ChosenFont Result() const;

  QListWidget* FamilyList = nullptr;
  QListWidget* StyleList = nullptr;
  QLabel* Sample = nullptr;
  QDialogButtonBox* Buttons = nullptr;

  // The families offered: JapaneseFixedPitchFamilies() whose names have a
  // Shift-JIS form (a name that cannot be stored cannot be chosen).
  static const QStringList& Families();

 private:
  void UpdateSample();
  ChosenFont current_;
  QString initialFamily_;
};

class TForm2 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm2(SettingsDialogOwner* owner);
  ~TForm2() override;

  // ---- fields ----
  std::array<std::int32_t, kIntSettingCount> DlgIntSettings{};
  std::uint8_t AbortFlag = 0;
  std::int32_t ChangeFlags = 0;
  ChosenFont FontDialog1;  // Font and Bold
  ChosenFont FontDialog2;  // the font that font data is made from

  // ---- controls, by the names the rest of the program uses ----
  QTabWidget* PageControl1 = nullptr;
  QWidget *TabSheet1 = nullptr, *TabSheet2 = nullptr, *TabSheet3 = nullptr;
  QGroupBox *GroupBox1 = nullptr, *GroupBox2 = nullptr, *GroupBox3 = nullptr, *GroupBox4 = nullptr,
            *GroupBox5 = nullptr;
  QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr,
         *Label5 = nullptr, *Label6 = nullptr, *Label7 = nullptr, *Label8 = nullptr,
         *Label9 = nullptr, *Label10 = nullptr, *Label11 = nullptr, *Label12 = nullptr,
         *Label13 = nullptr, *Label14 = nullptr, *Label15 = nullptr, *Label16 = nullptr,
         *Label17 = nullptr, *Label18 = nullptr;
  QLineEdit *Edit1 = nullptr, *Edit2 = nullptr, *Edit3 = nullptr, *Edit4 = nullptr,
            *Edit5 = nullptr, *Edit6 = nullptr, *Edit8 = nullptr;
  QPushButton *Button1 = nullptr, *Button2 = nullptr, *Button3 = nullptr, *Button4 = nullptr,
              *Button5 = nullptr, *Button6 = nullptr, *Button7 = nullptr, *Button8 = nullptr,
              *Button9 = nullptr, *Button10 = nullptr;
  QSlider *TrackBar1 = nullptr, *TrackBar2 = nullptr, *TrackBar3 = nullptr;
  QComboBox *ComboBox1 = nullptr, *ComboBox2 = nullptr, *ComboBox3 = nullptr, *ComboBox4 = nullptr,
            *ComboBox5 = nullptr, *ComboBox6 = nullptr;
  QCheckBox *CheckBox1 = nullptr, *CheckBox2 = nullptr, *CheckBox3 = nullptr, *CheckBox5 = nullptr;
  QSpinBox* SpinEdit1 = nullptr;
  QRadioButton *RadioButton1 = nullptr, *RadioButton2 = nullptr;
  QProgressBar* ProgressBar1 = nullptr;

  // ---- handlers ----
  void FillDialog();
  void TrackBarChange(QSlider* sender);
  void Button1Click();                     // Default: the active page only
  void Button2Click();                     // OK
  void Button4Click(QPushButton* sender);  // browse for a wallpaper (Button4, Button5)
  void Button6Click();
  void Button7Click();
  void Button8Click();  // make font data
  void Button9Click();
  void Button10Click();

  // The path font data is written to: StartDir/<FontDialog2's face>.fdt.
  std::string FontDataPath() const;
  bool Creating() const { return creating_; }

 public slots:
  // Cancel and the close box; refused while font data is being made (the
  // run lives inside this dialog's handler).
  void reject() override;

 protected:
  // Neither OK nor Cancel is the keyboard's default or cancel button.
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void BuildControls();
  bool RunFontChooser(ChosenFont& font, const char* name);
  void SetCreating(bool on);
  // An edit's text and the Shift-JIS bytes it was filled from: an untouched
  // edit gives those bytes back exactly, even ones that are not valid
  // Shift-JIS and so show only in part.
  void SetEditSjis(QLineEdit* e, const std::string& sjis);
  bool EditSjis(const QLineEdit* e, std::string& out) const;

  SettingsDialogOwner* owner_;
  Reader* reader_;  // the owner's reader
  std::map<const QLineEdit*, std::pair<QString, std::string>> filled_;
  bool creating_ = false;
};
