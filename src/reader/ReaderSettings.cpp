// LoadSettings and SaveSettings: the settings file "Yomibon.ini" in
// StartDir, read once at startup and written once at close.
#include <string>
#include <string_view>

#include "platform/Files.h"
#include "reader/Reader.h"
#include "settings/SettingKeys.h"
#include "settings/Settings.h"
#include "text/SjisTexts.h"

void Reader::LoadSettings() {
  StartDir = CurrentDirectory();
  MakeSettingDefaults(StartDir, IntDefaults, StrDefaults);
  ReadSettingsFile(SettingsPath(), IntDefaults, StrDefaults, Records, IntSettings, StrSettings);
}

bool Reader::SaveSettings() {
  const std::string path = SettingsPath();
  if (WriteSettingsFile(path, Records, IntSettings, StrSettings)) return true;
  // The message's one "%s" is the path, put in as bytes, never as a format.
  const std::string_view fmt = sjis::kMsgCannotWriteFmt;
  const std::size_t at = fmt.find("%s");
  std::string text(fmt.substr(0, at));
  if (at != std::string_view::npos) text.append(path).append(fmt.substr(at + 2));
  Hooks->MessageBox(BoxKind::Error, text, kAppTitle);
  return false;
}
