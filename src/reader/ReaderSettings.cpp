// LoadSettings and SaveSettings: the settings file "Yomibon.ini" in
// StartDir, read once at startup and written once at close.
#include <string>
#include <string_view>

#include "platform/Files.h"
#include "reader/Reader.h"
#include "settings/SettingKeys.h"
#include "settings/Settings.h"
#include "text/SjisTexts.h"

bool Reader::LoadSettings() {
  StartDir = CurrentDirectory();
  // What saves and font data runs that were killed left behind.
  RemoveStaleTemporaries(SettingsPath());
  RemoveStaleTemporaries(StartDir + "/*.fdt");
  MakeSettingDefaults(StartDir, IntDefaults, StrDefaults);
  return ReadSettingsFile(SettingsPath(), IntDefaults, StrDefaults, Records, IntSettings,
                          StrSettings);
}

bool Reader::SaveSettings() {
  const std::string path = SettingsPath();
  if (WriteSettingsFile(path, Records, IntSettings, StrSettings)) return true;
  Hooks->MessageBox(BoxKind::Error, WithPath(sjis::kMsgCannotWriteFmt, path), kAppTitle);
  return false;
}
