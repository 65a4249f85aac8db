#include "settings/SettingKeys.h"

#include "text/SjisTexts.h"

namespace {

using K = SettingKind;

constexpr std::array<SettingEntry, kSettingCount> kTable = {{
    {"Text", K::String, kText, 0, "", false},
    {"FullScreen", K::Integer, kFullScreen, 0, nullptr, false},
    {"FilterIndex", K::Integer, kFilterIndex, 1, nullptr, false},
    {"Wallpaper1", K::String, kWallpaper1, 0, "wall1.bmp", true},
    {"Wallpaper2", K::String, kWallpaper2, 0, "wall2.bmp", true},
    {"Brightness1", K::Integer, kBrightness1, 100, nullptr, false},
    {"Brightness2", K::Integer, kBrightness2, 70, nullptr, false},
    {"MenuPosX", K::Integer, kMenuPosX, 456, nullptr, false},
    {"MenuPosY", K::Integer, kMenuPosY, 328, nullptr, false},
    {"MenuPosZ", K::Integer, kMenuPosZ, 24, nullptr, false},
    {"PageBar", K::Integer, kPageBar, 1, nullptr, false},
    {"HeadWord", K::String, kHeadWord, 0, sjis::kDefaultHeadWord, false},
    {"TailWord", K::String, kTailWord, 0, sjis::kDefaultTailWord, false},
    {"WaitWord", K::String, kWaitWord, 0, sjis::kDefaultWaitWord, false},
    {"NLineWord", K::String, kNLineWord, 0, sjis::kDefaultNLineWord, false},
    {"MsgSpeed", K::Integer, kMsgSpeed, 15, nullptr, false},
    {"NLineCut", K::Integer, kNLineCut, 1, nullptr, false},
    {"TagCut", K::Integer, kTagCut, 1, nullptr, false},
    {"FontType", K::Integer, kFontType, 0, nullptr, false},
    {"Font", K::String, kFont, 0, sjis::kDefaultFont, false},
    {"Bold", K::Integer, kBold, 0, nullptr, false},
    {"FontData", K::String, kFontData, 0, "", false},
    {"Encoding", K::Integer, kEncoding, 0, nullptr, false, true, 0, 5},
    {"Aozora", K::Integer, kAozora, 1, nullptr, false, true, 0, 2},
    {"Ruby", K::Integer, kRuby, 0, nullptr, false, true, 0, 2},
    {"AutoWait", K::Integer, kAutoWait, 1500, nullptr, false, true, 0, 60000},
    {"Zoom", K::Integer, kZoom, 1, nullptr, false, true, 1, 3},
    {"Vertical", K::Integer, kVertical, 0, nullptr, false, true, 0, 1},
}};

// Reading and writing hand each key the next slot of its block; the slots
// named in the table must be exactly that walk, and fill both blocks.
constexpr bool SlotsFollowTheWalk() {
  int nextInt = 0, nextStr = 0;
  for (const SettingEntry& e : kTable) {
    int& next = e.Kind == K::Integer ? nextInt : nextStr;
    if (e.Slot != next++) return false;
  }
  return nextInt == kIntSettingCount && nextStr == kStrSettingCount;
}
static_assert(SlotsFollowTheWalk());

template <typename T, typename F>
constexpr std::array<T, kSettingCount> Column(F field) {
  std::array<T, kSettingCount> a{};
  for (std::size_t i = 0; i < kSettingCount; ++i) a[i] = field(kTable[i]);
  return a;
}

}  // namespace

constinit const std::array<SettingEntry, kSettingCount> kSettingTable = kTable;
constinit const std::array<const char*, kSettingCount> SettingKeys =
    Column<const char*>([](const SettingEntry& e) { return e.Key; });
constinit const std::array<SettingKind, kSettingCount> SettingKinds =
    Column<SettingKind>([](const SettingEntry& e) { return e.Kind; });

std::int32_t SettingValue(const std::array<std::int32_t, kIntSettingCount>& ints, IntSetting k) {
  for (const SettingEntry& e : kTable)
    if (e.Kind == K::Integer && e.Slot == k)
      return e.Added && (ints[k] < e.Min || ints[k] > e.Max) ? e.IntDefault : ints[k];
  return ints[k];
}

std::string RecordSection(int i) { return i == 0 ? "Continue" : "Data" + std::to_string(i - 1); }

void MakeSettingDefaults(const std::string& startDir,
                         std::array<std::int32_t, kIntSettingCount>& intDefaults,
                         std::array<std::string, kStrSettingCount>& strDefaults) {
  for (const SettingEntry& e : kTable) {
    if (e.Kind == K::Integer)
      intDefaults[e.Slot] = e.IntDefault;
    else
      strDefaults[e.Slot] = e.UnderStartDir ? startDir + "/" + e.StrDefault : e.StrDefault;
  }
}
