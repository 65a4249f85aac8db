#include "reader/Reader.h"

#include <cstring>

#include "platform/Files.h"
#include "text/SjisTexts.h"

namespace {
MenuItem MakeItem(MenuItem::Kind kind, const char* caption, const char* shortcut = "") {
  MenuItem m;
  m.Type = kind;
  m.Caption = caption;
  m.Shortcut = shortcut;
  return m;
}

// オート(&A)
constexpr char kCapAuto[] = "\x83\x49\x81\x5B\x83\x67\x28\x26\x41\x29";
// 表示倍率
constexpr char kCapZoom[] = "\x95\x5C\x8E\xA6\x94\x7B\x97\xA6";
// ×1, ×2, ×3
constexpr const char* kCapZoomItems[3] = {"\x81\x7E\x31", "\x81\x7E\x32", "\x81\x7E\x33"};
// 縦書き(&V)
constexpr char kCapVert[] = "\x8F\x63\x8F\x91\x82\xAB\x28\x26\x56\x29";
}  // namespace

Reader::Reader(PlatformHooks* hooks) : Hooks(hooks) {
  using K = MenuItem::Kind;
  MFile1 = MakeItem(K::Menu, sjis::kCapFile);
  MTitle1 = MakeItem(K::Command, sjis::kCapTitle, "Ctrl+T");
  MN1 = MakeItem(K::Separator, "-");
  MExit1 = MakeItem(K::Command, sjis::kCapExit, "Alt+F4");
  MCreate1 = MakeItem(K::Menu, sjis::kCapCreate);
  MDisp1 = MakeItem(K::Command, sjis::kCapDisp, "F5");
  MZoom1 = MakeItem(K::Menu, kCapZoom);
  for (int k = 0; k < 3; ++k) {
    ZoomItems[k] = MakeItem(K::Command, kCapZoomItems[k]);
    ZoomItems[k].Tag = k + 1;
    ZoomItems[k].RadioItem = true;
    MZoom1.Items.push_back(&ZoomItems[k]);
  }
  MVert1 = MakeItem(K::Command, kCapVert);
  MN2 = MakeItem(K::Separator, "-");
  MEnv1 = MakeItem(K::Command, sjis::kCapEnv, "Ctrl+E");
  MSave1 = MakeItem(K::Menu, sjis::kCapSave);
  MSave1.AutoHotkeys = false;
  MLoad1 = MakeItem(K::Menu, sjis::kCapLoad);
  MLoad1.AutoHotkeys = false;
  MSkip1 = MakeItem(K::Command, sjis::kCapSkip);
  MAuto1 = MakeItem(K::Command, kCapAuto);
  MHelp1 = MakeItem(K::Menu, sjis::kCapHelp);
  MAbout1 = MakeItem(K::Command, sjis::kCapAbout);

  MFile1.Items = {&MTitle1, &MN1, &MExit1};
  MCreate1.Items = {&MDisp1, &MZoom1, &MVert1, &MN2, &MEnv1};
  MHelp1.Items = {&MAbout1};
  MainMenu1 = {&MFile1, &MCreate1, &MSave1, &MLoad1, &MSkip1, &MAuto1, &MHelp1};

  OpenDialog1Title = sjis::kOpenDialog1Title;
  OpenDialog1Filter = sjis::kOpenDialog1Filter;
}

Reader::~Reader() = default;

std::string Reader::SettingsPath() const { return StartDir + "/" + kSettingsFileName; }

void Reader::FormCreate() {
  // 1. Settings (the conversion tables are independent of the file). A file
  // that cannot be read (a FIFO, a folder, no permission) gives the
  // defaults; the reader is told once the cover shows, and the close will
  // not replace it.
  const bool settingsRead = LoadSettings();
  // 2. Conversion tables from their constant literals.
  std::memcpy(AsciiToFull.data(), sjis::kAsciiToFullLiteral, AsciiToFull.size());
  std::memcpy(KanaToFull.data(), sjis::kKanaToFullLiteral, KanaToFull.size());

  // 3. The bookmark items: ten under MSave1, then ten under MLoad1.
  MSave1.Items.clear();
  MLoad1.Items.clear();
  for (int k = 0; k < 20; ++k) {
    DataItems[k] = MenuItem{};
    DataItems[k].Type = MenuItem::Kind::Command;
    DataItems[k].Tag = k;
    (k < 10 ? MSave1 : MLoad1).Items.push_back(&DataItems[k]);
  }

  // 4.-5. The back buffer and the clean background with its two marker rows.
  BackBuffer.SetSize(640, 480);
  BaseBitmap.SetSize(640, 482);
  BaseBitmap.HLine(0, 639, 480, kWhite);
  BaseBitmap.HLine(0, 639, 481, kGrey);
  MarkerColumns.SetSize(2, 480, kGrey);
  for (int y = 0; y < 480; ++y) MarkerColumns.SetPixel(1, y, kWhite);

  // 6. The glyph work bitmap and its font.
  GlyphBitmap.SetSize(72, 72);
  GlyphFont.Name = StrSettings[kFont];
  GlyphFont.Bold = IntSettings[kBold] != 0;

  // 7. Wallpapers: a grey tile unless the file is there.
  LoadWallpaper(CoverWallpaper, StrSettings[kWallpaper1], true);
  LoadWallpaper(BodyWallpaper, StrSettings[kWallpaper2], true);

  // 8. Font data, read only to be drawn from, and only a whole file; else
  // the font draws and the reader is told once the cover shows. FontType
  // stays as stored.
  const bool noFontData = IntSettings[kFontType] != 0 && !UseFontData(StrSettings[kFontData]);

  MVert1.Checked = SettingValue(IntSettings, kVertical) != 0;

  // 9. Bookmark captions.
  for (int k = 0; k < 10; ++k) SetBookmarkCaption(k);

  // 10. The page at its zoom, the window centred on the desktop by its
  // outer size, unless it goes full screen at once: leaving full screen
  // does both then (the outer size loads the menu bar's font).
  int bpp = 0;
  Hooks->GetDesktop(ScreenWidth, ScreenHeight, bpp);
  const bool fullScreen = ScreenWidth == 640 || IntSettings[kFullScreen] != 0;
  if (!fullScreen) {
    ApplyZoom();
    CentreWindow();
  }

  // 11. Record the display mode; full screen when asked or forced.
  SetDisplayMode(0);
  if (fullScreen) SetDisplayMode(2);

  // 12. The file dialog starts on the stored filter.
  OpenDialog1FilterIndex = IntSettings[kFilterIndex];

  // 13. Caption.
  if (!StrSettings[kText].empty())
    UpdateCaption();
  else {
    caption_ = kAppTitle;
    Hooks->CaptionChanged(caption_);
  }
  Hooks->MenuChanged();

  // 14. The cover, without the wipe.
  DrawTitleScreen(false);
  if (!settingsRead) Warn(CannotReadMessage(SettingsPath()));
  if (noFontData) {
    const std::string& path = StrSettings[kFontData];
    Warn(PathExists(path) && !FileExists(path) ? CannotReadMessage(path)
                                               : WithPath(sjis::kMsgFontDataIncompleteFmt, path));
  }
}

void Reader::FormClose() {
  Closing = true;
  if (Mode == 4) Records[0] = {StrSettings[kText], PageStart, TextLength};
  if (MDisp1.Checked && ScreenWidth != 640) SetDisplayMode(1);
  SaveSettings();
  Hooks->ProcessMessages();
  // The bitmaps are kept until the object goes: a reading run may still be
  // on the stack below this handler and draws nothing more, but it must
  // never find a released bitmap.
}

void Reader::FormPaint() { Hooks->CopyToWindow(BackBuffer, 0, 0, 640, 480, 0, 0); }

void Reader::UpdateCaption() {
  caption_ = FileNamePart(StrSettings[kText]) + " - " + kAppTitle;
  Hooks->CaptionChanged(caption_);
}

void Reader::Warn(const std::string& message) {
  Hooks->Beep();
  Hooks->MessageBox(BoxKind::Warning, message, sjis::kWarningTitle);
}

std::string WithPath(std::string_view fmt, const std::string& path) {
  const std::size_t at = fmt.find("%s");
  std::string text(fmt.substr(0, at));
  if (at != std::string_view::npos) text.append(path).append(fmt.substr(at + 2));
  return text;
}

std::string CannotReadMessage(const std::string& path) {
  return path + "\n" + sjis::kMsgCannotRead;
}

std::string FileNamePart(const std::string& path) {
  // "/" (0x2F) is never a Shift-JIS trail byte, so a plain search is safe.
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderPart(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return std::string();
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}
