// The reader object: the one object that holds the whole state of the
// reader (settings, records, off-screen bitmaps, glyph atlas, conversion
// tables, page lines, run flags) and the operations of every subsystem.
// Fields carry the names the rest of the program knows them by and are
// read and written directly; there are no accessors.
//
// It knows nothing of Qt. The window system is reached through
// PlatformHooks; the Qt window (TForm1) derives from this class and
// forwards its events to the handlers below.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/TextEncoding.h"
#include "reader/Platform.h"
#include "render/Bitmap.h"
#include "render/FontData.h"
#include "render/PageLayout.h"
#include "settings/SettingKeys.h"
#include "settings/Settings.h"
#include "text/Aozora.h"
#include "text/TextWalk.h"

// A menu item of the menu model. The Qt shell mirrors these onto its actions
// whenever the reader reports MenuChanged().
struct MenuItem {
  enum class Kind { Menu, Command, Separator };
  Kind Type = Kind::Command;
  std::string Caption;   // Shift-JIS, with "&" marking the access key
  std::string Shortcut;  // portable text such as "Ctrl+T", empty for none
  bool Enabled = true;
  bool Checked = false;
  int Tag = 0;
  bool AutoHotkeys = true;  // false: no access keys are added to children
  bool RadioItem = false;   // one of a group of which one is checked
  std::vector<MenuItem*> Items;
};

// The display mode recorded at startup: the members of the Windows record
// that the reader fills in (the rest of its 156 bytes stay zero).
struct DisplayModeRecord {
  std::uint16_t Size = 0;         // 156
  std::uint16_t DriverExtra = 0;  // 0
  std::uint32_t Fields = 0;       // 0x1C0000: bits per pixel, width, height
  std::uint32_t BitsPerPel = 0;
  std::uint32_t PelsWidth = 0;
  std::uint32_t PelsHeight = 0;
};

// The font of GlyphBitmap: face, style and the current text colour.
struct GlyphFontState {
  std::string Name;  // Shift-JIS face name
  bool Bold = false;
  Colour Color = kBlack;
};

// Virtual key codes the reader looks at.
enum : std::uint16_t {
  kVkReturn = 13,
  kVkEscape = 27,
  kVkSpace = 32,
  kVkPageUp = 33,
  kVkPageDown = 34,
  kVkLeft = 37,
  kVkUp = 38,
  kVkRight = 39,
  kVkDown = 40,
  kVkA = 65,
  kVkV = 86,
};
enum class MouseButton { Left, Right, Middle };

// Application title and settings file name.
inline constexpr const char* kAppTitle = "Pagelune";
inline constexpr const char* kSettingsFileName = "Yomibon.ini";
// Pages of the current run the look back keeps, besides the one on screen.
inline constexpr int kLookBackPages = 100;

class Reader {
 public:
  explicit Reader(PlatformHooks* hooks);
  virtual ~Reader();
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;

  PlatformHooks* Hooks;

  // ---- menu model ----
  MenuItem MFile1, MTitle1, MN1, MExit1;
  MenuItem MCreate1, MDisp1, MZoom1, MVert1, MN2, MEnv1;
  std::array<MenuItem, 3> ZoomItems;  // x1, x2, x3 under MZoom1; the tag is the factor
  MenuItem MSave1, MLoad1, MSkip1, MAuto1;
  MenuItem MHelp1, MAbout1;
  std::vector<MenuItem*> MainMenu1;  // the normal menu bar
  std::vector<MenuItem*> MainMenu2;  // no items: installing it removes the bar
  int InstalledMenu = 1;             // 1 or 2
  // Open-file dialog of the title menu: its filter index persists.
  std::string OpenDialog1Title;
  std::string OpenDialog1Filter;
  int OpenDialog1FilterIndex = 1;

  // ---- fields ----
  std::array<MenuItem, 20> DataItems;
  std::array<ReadRecord, kRecordCount> Records;
  std::int32_t ScreenWidth = 0;
  std::int32_t ScreenHeight = 0;
  std::int32_t Mode = 0;
  std::int32_t Column = 0;
  std::int32_t Row = 0;
  std::int32_t MarkColumn = 0;
  std::int32_t TextLength = 0;
  std::int32_t ReadPos = 0;
  std::int32_t CharEnd = 0;
  std::int32_t PrevCharEnd = 0;
  std::int32_t PageStart = 0;
  std::int32_t InputState = 0;
  std::array<std::uint8_t, 190> AsciiToFull{};
  std::array<std::uint8_t, 128> KanaToFull{};
  std::array<std::uint8_t, 3> CurChar{};
  std::array<std::uint8_t, 3> NextChar{};
  bool ReturnToTitle = false;
  bool Closing = false;
  bool Skipping = false;
  bool LineBreakPending = false;
  bool WaitArmed = false;
  bool BreakTurned = false;  // a page break began the page, on which nothing is shown yet
  // The composer lays pages out without drawing or waiting (to find where a
  // page begins); only the composer's place and PageStart change. The cover
  // stays on screen meanwhile and takes no command but a close.
  bool Quiet = false;
  // The direction changed while reading: the run goes back to the start of
  // the page being read and lays it out again in the new direction.
  bool Relayout = false;
  // The composer lays out again what the reader has already seen: drawn at
  // once into BackBuffer, with no delay and no pause.
  bool Redrawing = false;
  Bitmap BackBuffer;
  Bitmap BaseBitmap;
  // The pause marker of vertical text, BaseBitmap's two rows turned: a grey
  // column and a white one, as tall as the window, copied from the rows the
  // marker spans.
  Bitmap MarkerColumns;
  // Ruby beside its base: the groups the lookahead and the character being
  // composed begin (Base 0 for none), and the base being placed: a group
  // takes whole cells of one line, its base spread over them when its ruby
  // needs the room.
  RubyGroup NextGroup, CurGroup;
  struct RubyPlacement {
    int Left = 0;       // base characters still to place
    int Count = 0;      // base characters in all
    int Column = 0;     // its first cell
    int Cells = 0;      // cells it takes
    int RubyAlong = 0;  // where its ruby begins, pixels along the line
    std::string Text;   // the ruby, shown with the last base character
    RubyGroup Rest;     // what a base longer than a line leaves for the next
  } Placing;
  int RubyReach = 0;  // where the ruby shown on the current line ends, pixels along it
  // The page being read: its grid, its lines, and its glyphs as drawn.
  PageLayout Layout;
  std::array<std::string, kMaxPageLines> PageLines;
  std::vector<PlacedGlyph> PageGlyphs;
  // The characters of the text being read that Shift-JIS lacks, by the
  // user-defined codes they are shown with: first those its conversion
  // gave (TextUserCodes of them, held in the text itself), then those its
  // notes and entities name. NamedChars: the stretches shown as one.
  UserChars TextChars;
  std::size_t TextUserCodes = 0;
  bool TextNotation = false;  // it holds Aozora Bunko notation (UsesAozoraNotation)
  std::vector<Substitution> NamedChars;
  std::array<std::string, kMaxPageLines> PrevPageLines;
  DisplayModeRecord SavedDisplayMode;
  std::array<std::int32_t, kIntSettingCount> IntSettings{};
  std::array<std::int32_t, kIntSettingCount> IntDefaults{};
  std::string StartDir;
  std::array<std::string, kStrSettingCount> StrSettings;
  std::array<std::string, kStrSettingCount> StrDefaults;
  AtlasMemory FontAtlas;  // costs memory only once font data is read into it
  // FontAtlas holds a whole font data file: only then does FontType draw
  // from it (a file cut short would draw blocks).
  bool AtlasComplete = false;
  Bitmap GlyphBitmap;
  GlyphFontState GlyphFont;
  Bitmap CoverWallpaper;
  Bitmap BodyWallpaper;
  // The comfort of reading: the window's zoom, the wheel, the look back
  // through the run's pages and what auto mode counts. Auto mode is the
  // check mark of MAuto1.
  std::int32_t WindowZoom = 1;       // the factor the window shows the page at
  std::int32_t WheelAngle = 0;       // wheel turn not yet a whole step (120)
  std::int32_t PauseSteps = 0;       // wheel or PageUp/PageDown steps, < 0 back; a pause
                                     // counts those made during it
  std::int32_t LookBackDepth = 0;    // how many pages back the look back shows; 0 none
  std::int32_t LookBackStart = -1;   // where the page looked back at begins; -1 none
  std::int32_t CharsSincePause = 0;  // characters shown since the last pause
  std::uint32_t RevealDue = 0;       // tick the last reveal delay ended on
  bool RevealDueSet = false;
  // A page as it was read, to be shown again as it was, in its direction.
  struct KeptPage {
    std::int32_t Start = 0;  // its PageStart, which a bookmark saved while it is shown keeps
    PageLayout Layout;
    std::vector<PlacedGlyph> Glyphs;
  };
  std::deque<KeptPage> PageHistory;  // oldest first; the last one is PrevPageLines

  // ---- startup, shutdown, painting ----
  void FormCreate();
  void FormClose();
  void FormPaint();
  void UpdateCaption();
  std::string Caption() const { return caption_; }
  std::string SettingsPath() const;

  // ---- settings file ----
  // False when a settings file is there that cannot be read (the defaults
  // are then in force).
  bool LoadSettings();
  // False when the file could not be written (already reported to the user).
  bool SaveSettings();

  // ---- bookmarks and the resume record ----
  static std::string BookmarkCaption(const ReadRecord& r);
  void SetBookmarkCaption(int k);
  void MDataClick(int tag);

  // ---- title screen ----
  void DrawTitleScreen(bool withWipe);
  void SelectTitleItem(int index, bool activate);
  int TitleHitTest(int x, int y) const;

  // ---- input and menu commands ----
  void FormKeyDown(std::uint16_t key);
  void FormKeyUp(std::uint16_t key);
  void FormMouseDown(MouseButton button, int x, int y);
  void FormMouseUp(MouseButton button, int x, int y);
  void FormMouseMove(int x, int y);
  // delta: the wheel's turn in eighths of a degree (120 a notch), positive
  // away from the reader.
  void FormMouseWheel(int delta);
  // The window lost the keyboard: no key or button counts as held.
  void FormDeactivate();
  void MTitle1Click();
  void MExit1Click();
  void MDisp1Click();
  void MSkip1Click();
  void MAuto1Click();
  void MAbout1Click();
  void MZoomClick(int factor);
  // 縦書き: turns the setting Vertical over.
  void MVert1Click();
  // The setting Vertical was set: the menu's check mark follows, and the
  // page being read is laid out again in the new direction.
  void DirectionChanged();

  // ---- display mode and window ----
  void SetDisplayMode(int op);
  // Centres the window on the desktop by its outer size.
  void CentreWindow();
  // Offers the zoom factors whose window fits the screen's free area and
  // shows the page at the chosen one, or the largest offered below it.
  void ApplyZoom();

  // ---- text engine ----
  void ReadText(std::int32_t start);
  void ComposeChar();
  void NewLine();
  void WaitForReader();

  // ---- renderer ----
  void DrawGlyphString(Bitmap& target, int x, int y, const std::string& text);
  void ShowGlyph(int x, int y, const std::uint8_t* code, GlyphTransform form = {});
  // One glyph of a page in the current text colour, no window copy.
  void DrawPlacedGlyph(Bitmap& target, const PlacedGlyph& g);
  void ShowTextScreen();
  void ColumnWipe();
  void DrawPageBar(bool show);
  // Reads a font data file into FontAtlas, a shorter one into its first
  // slots, and sets AtlasComplete; false (atlas untouched) when it cannot be
  // opened.
  bool LoadFontData(const std::string& path);
  // FontType is a switch (any non-zero value), and only whole font data is
  // drawn from.
  bool UsesAtlas() const { return IntSettings[kFontType] != 0 && AtlasComplete; }
  // Loads font data to be drawn from: only a whole file is read. True when
  // FontAtlas then holds it.
  bool UseFontData(const std::string& path);
  // Loads a wallpaper as at startup: a grey 16 x 16 tile, replaced by the
  // file's picture when the file exists and reads.
  void LoadWallpaper(Bitmap& wallpaper, const std::string& path, bool resetToGrey);

  // A beep and a modal warning box titled "警告" (Shift-JIS message).
  void Warn(const std::string& message);

 protected:
  // Glyph masks of the current face at the 72-pixel cell, kept until the
  // face or style changes (rasterising costs far more than blending).
  // Transformed glyphs are kept beside the upright ones, keyed by code and
  // transform; atlas slots too, until another atlas is read.
  struct GlyphCacheState {
    std::string Face;
    bool Bold = false;
    std::unordered_map<std::uint64_t, GlyphMask> Masks;
    std::unordered_map<std::uint64_t, std::array<std::uint8_t, kAtlasSlotBytes>> Slots;
  };
  GlyphCacheState GlyphCache;
  // A code of TextChars: drawn from the font in either mode.
  bool UserCode(std::uint8_t lead, std::uint8_t trail) const {
    return UserCodeIndex(lead, trail) < TextChars.Size();
  }
  // Null when the platform draws nothing for the character.
  // A code's glyph from the font at the given cell size.
  bool RasterizeCode(std::uint8_t lead, std::uint8_t trail, int cell, GlyphMask& out);
  const GlyphMask* CachedMask(std::uint8_t lead, std::uint8_t trail, GlyphTransform form = {});
  // The atlas slot under the transform; null when the code has no slot.
  const std::uint8_t* AtlasGlyph(int slot, GlyphTransform form);

 private:
  std::string caption_;
};

// Shift-JIS helpers shared by the core.
// A message with its one "%s" replaced by path, put in as bytes.
std::string WithPath(std::string_view fmt, const std::string& path);
// The path, and below it that the file cannot be read: for a file the
// reader did not just choose, so the box says which one.
std::string CannotReadMessage(const std::string& path);
// The file-name part of a path: what follows its last "/".
std::string FileNamePart(const std::string& path);
// The folder part: what precedes its last "/" (empty when there is none).
std::string FolderPart(const std::string& path);
