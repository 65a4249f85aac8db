// The key table of section "System" of the settings file: the keys in the
// order they are read and written, the kind of each, and its default.
// Loading, saving, the settings dialog's Default button and the tests all
// walk this one table, so the order lives in one place.
//
// A string key fills the next slot of StrSettings, an integer key the next
// slot of IntSettings; Slot spells that slot out and is checked against the
// walk at compile time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// Integer settings, in the order of the key table.
enum IntSetting : int {
  kFullScreen,
  kFilterIndex,
  kBrightness1,
  kBrightness2,
  kMenuPosX,
  kMenuPosY,
  kMenuPosZ,
  kPageBar,
  kMsgSpeed,
  kNLineCut,
  kTagCut,
  kFontType,
  kBold,
  // Added after the first 22 keys; see SettingEntry::Added.
  kEncoding,  // 0 find the text's encoding, 1 Shift-JIS, 2 UTF-8, 3 EUC-JP, 4 UTF-16, 5 ISO-2022-JP
  kAozora,    // Aozora Bunko notation: 0 shown as written, 1 when the text uses it, 2 always
  kRuby,      // ruby: 0 dropped, 1 in full-width parentheses after its base, 2 beside its base
  kAutoWait,  // auto mode: ms a pause lasts, plus 50 ms a character shown
  kZoom,      // the window's page drawn at 1, 2 or 3 times
  kVertical,  // 1: the page is set in vertical columns from the right
  kIntSettingCount
};
// String settings, in the order of the key table.
enum StrSetting : int {
  kText,
  kWallpaper1,
  kWallpaper2,
  kHeadWord,
  kTailWord,
  kWaitWord,
  kNLineWord,
  kFont,
  kFontData,
  kStrSettingCount
};

enum class SettingKind { String, Integer };

struct SettingEntry {
  const char* Key;
  SettingKind Kind;
  int Slot;                 // index into IntSettings or StrSettings
  std::int32_t IntDefault;  // integer keys
  const char* StrDefault;   // string keys (Shift-JIS)
  bool UnderStartDir;       // the default is StartDir + "/" + StrDefault
  // Keys added later are written only once they differ from their default
  // or are in the file already, so a reader who never uses them keeps the
  // same file; a value outside Min..Max acts as the default.
  bool Added = false;
  std::int32_t Min = 0, Max = 0;
};

inline constexpr std::size_t kSettingCount = 28;

extern const std::array<SettingEntry, kSettingCount> kSettingTable;

// The table's key names and kinds, in table order.
extern const std::array<const char*, kSettingCount> SettingKeys;
extern const std::array<SettingKind, kSettingCount> SettingKinds;

// The value of an integer setting as it acts: an added key's value outside
// its range counts as its default.
std::int32_t SettingValue(const std::array<std::int32_t, kIntSettingCount>& ints, IntSetting k);

// Section of record i of Records: "Continue" for 0, "Data0".."Data9" for
// 1..10.
std::string RecordSection(int i);
inline constexpr const char* kSystemSection = "System";

// Fills both default blocks from the table; the wallpaper defaults lie in
// startDir.
void MakeSettingDefaults(const std::string& startDir,
                         std::array<std::int32_t, kIntSettingCount>& intDefaults,
                         std::array<std::string, kStrSettingCount>& strDefaults);
