// The window-system-free half of the environment settings dialog: the menu
// position choices, what OK does to the reader once the controls have been
// read, and how the reader redraws after the dialog closes. The Qt dialog
// (TForm2) only moves values between its widgets and SettingsDialogFields,
// so everything that decides a setting or a redraw runs headless here.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "reader/Reader.h"

// Pixels of the three choices of each menu position list: horizontal
// (MenuPosX), vertical (MenuPosY), item alignment (MenuPosZ).
extern const std::array<std::int32_t, 9> MenuPosChoices;

// The list entry a stored menu position shows: below the middle choice the
// first, exactly the middle the second, above it the last. which: 0 for
// MenuPosX, 1 for MenuPosY, 2 for MenuPosZ.
int MenuPosChoiceIndex(int which, std::int32_t value);

// Bits of TForm2::ChangeFlags.
constexpr std::int32_t kCoverLookChanged = 1;  // cover wallpaper file or Brightness1
constexpr std::int32_t kBodyLookChanged = 2;   // body wallpaper file or Brightness2

// What the dialog's controls hold when OK is pressed. Strings are Shift-JIS.
struct SettingsDialogFields {
  std::string Edit1, Edit2, Edit3, Edit4, Edit5, Edit6, Edit8;
  std::string FontName;   // FontDialog1's face
  bool FontBold = false;  // FontDialog1's style (italic is never applied)
  int TrackBar1 = 0, TrackBar2 = 0, TrackBar3 = 0;
  int ComboBox1 = 0, ComboBox2 = 0, ComboBox3 = 0;  // selected choice 0..2
  bool CheckBox1 = false, CheckBox2 = false, CheckBox3 = false;
  bool RadioButton2 = false;
  // Text handling added later: encoding, Aozora notation, ruby, auto mode.
  int ComboBox4 = 0, ComboBox5 = 1;
  int ComboBox6 = 0;  // ルビ: dropped, in parentheses, beside the base
  int SpinEdit1 = 1500;
  bool CheckBox5 = false;  // 縦書き
};

// What OK refuses to store, before anything is stored: the edit (1..8,
// 0 for none) and the Shift-JIS message to show.
struct DialogRefusal {
  int Edit = 0;
  std::string Message;
};
// Refused: a changed wallpaper path naming a file that is there but does
// not read as a picture (stored, it would show grey at the next start), and
// font data chosen with a file that is there but is not whole or not a
// regular file.
DialogRefusal CheckSettingsDialog(Reader& r, const SettingsDialogFields& f);

// OK: fills dlgInt from the controls, loads what changed into the reader
// (wallpapers, font data), sets the glyph font and stores every setting.
// Returns the new ChangeFlags. dlgInt must hold the copy FillDialog made
// (FullScreen and FilterIndex are kept from it).
std::int32_t ApplySettingsDialog(Reader& r, std::array<std::int32_t, kIntSettingCount>& dlgInt,
                                 const SettingsDialogFields& f);

// The redraw after the dialog closes, whichever button closed it: the
// first case that applies of a cover wipe, a fresh reading screen, the
// cover without the wipe, or the page bar brought up to date.
void RefreshAfterSettings(Reader& r, std::int32_t changeFlags);
