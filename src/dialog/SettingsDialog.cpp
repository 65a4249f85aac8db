#include "dialog/SettingsDialog.h"

#include <algorithm>

#include "platform/Files.h"
#include "text/SjisTexts.h"

namespace {
std::int32_t Choice(int which, int index) {
  return MenuPosChoices[3 * which + std::clamp(index, 0, 2)];
}
}  // namespace

const std::array<std::int32_t, 9> MenuPosChoices = {40, 248, 456, 40, 184, 328, 0, 12, 24};

int MenuPosChoiceIndex(int which, std::int32_t value) {
  const std::int32_t middle = MenuPosChoices[3 * which + 1];
  return value < middle ? 0 : value == middle ? 1 : 2;
}

DialogRefusal CheckSettingsDialog(Reader& r, const SettingsDialogFields& f) {
  const std::pair<int, const std::string*> walls[] = {{1, &f.Edit1}, {2, &f.Edit2}};
  for (auto [edit, path] : walls) {
    Bitmap picture;
    if (*path == r.StrSettings[edit == 1 ? kWallpaper1 : kWallpaper2] || !FileExists(*path) ||
        r.Hooks->LoadBitmapFile(*path, picture))
      continue;
    return {edit, WithPath(sjis::kMsgNotAPictureFmt, *path)};
  }
  if (f.RadioButton2 && PathExists(f.Edit8) && !FileExists(f.Edit8))
    return {8, CannotReadMessage(f.Edit8)};  // a FIFO, a folder: never waited on
  if (f.RadioButton2 && FileExists(f.Edit8) && FileSize(f.Edit8) < kAtlasBytes)
    return {8, WithPath(sjis::kMsgFontDataIncompleteFmt, f.Edit8)};
  return {};
}

std::int32_t ApplySettingsDialog(Reader& r, std::array<std::int32_t, kIntSettingCount>& dlgInt,
                                 const SettingsDialogFields& f) {
  // 1. The integers, from the controls.
  dlgInt[kBrightness1] = f.TrackBar1;
  dlgInt[kBrightness2] = f.TrackBar2;
  dlgInt[kMenuPosX] = Choice(0, f.ComboBox1);
  dlgInt[kMenuPosY] = Choice(1, f.ComboBox2);
  dlgInt[kMenuPosZ] = Choice(2, f.ComboBox3);
  dlgInt[kPageBar] = f.CheckBox1 ? 1 : 0;
  dlgInt[kMsgSpeed] = f.TrackBar3;
  dlgInt[kNLineCut] = f.CheckBox2 ? 1 : 0;
  dlgInt[kTagCut] = f.CheckBox3 ? 1 : 0;
  // Font data is only ever selected with a file to draw from.
  dlgInt[kFontType] = f.RadioButton2 && FileExists(f.Edit8) ? 1 : 0;
  dlgInt[kBold] = f.FontBold ? 1 : 0;
  dlgInt[kEncoding] = f.ComboBox4;
  dlgInt[kAozora] = f.ComboBox5;
  dlgInt[kRuby] = f.ComboBox6;
  dlgInt[kAutoWait] = f.SpinEdit1;
  dlgInt[kVertical] = f.CheckBox5 ? 1 : 0;

  // 2.-4. A wallpaper is read again only when its path changed: the same
  // path keeps the picture in memory even if the file changed on disk.
  std::int32_t flags = 0;
  if (f.Edit1 != r.StrSettings[kWallpaper1] && FileExists(f.Edit1)) {
    flags |= kCoverLookChanged;
    r.LoadWallpaper(r.CoverWallpaper, f.Edit1, false);
  }
  if (f.Edit2 != r.StrSettings[kWallpaper2] && FileExists(f.Edit2)) {
    flags |= kBodyLookChanged;
    r.LoadWallpaper(r.BodyWallpaper, f.Edit2, false);
  }
  // 5. The atlas is read only to be drawn from: when font data comes into
  // use, or another file while it is. The file the atlas holds is not read
  // again, and a switch to the font keeps it (switching back needs no read).
  if (dlgInt[kFontType] != 0 && (f.Edit8 != r.StrSettings[kFontData] || !r.AtlasComplete))
    r.UseFontData(f.Edit8);
  // 6. Brightness changes.
  if (r.IntSettings[kBrightness1] != dlgInt[kBrightness1]) flags |= kCoverLookChanged;
  if (r.IntSettings[kBrightness2] != dlgInt[kBrightness2]) flags |= kBodyLookChanged;
  // 7. The glyph font; the next character drawn uses it.
  r.GlyphFont.Name = f.FontName;
  r.GlyphFont.Bold = dlgInt[kBold] == 1;
  // 8. Strings, paths as typed whether or not the file is there.
  r.StrSettings[kWallpaper1] = f.Edit1;
  r.StrSettings[kWallpaper2] = f.Edit2;
  r.StrSettings[kHeadWord] = f.Edit3;
  r.StrSettings[kTailWord] = f.Edit4;
  r.StrSettings[kWaitWord] = f.Edit5;
  r.StrSettings[kNLineWord] = f.Edit6;
  r.StrSettings[kFont] = f.FontName;
  r.StrSettings[kFontData] = f.Edit8;
  // 9. All integers at once; a new direction lays out the page being read.
  r.IntSettings = dlgInt;
  r.DirectionChanged();
  return flags;
}

void RefreshAfterSettings(Reader& r, std::int32_t changeFlags) {
  const bool reading = r.Mode == 4;
  if (!reading && (changeFlags & kCoverLookChanged)) {
    r.DrawTitleScreen(true);
  } else if (reading && (changeFlags & kBodyLookChanged)) {
    r.ShowTextScreen();
  } else if (!reading) {
    // The new menu position and alignment show at once.
    r.DrawTitleScreen(false);
  } else {
    r.DrawPageBar(r.IntSettings[kPageBar] != 0);
    r.FormPaint();
  }
}
