// LoadSettings and SaveSettings: the settings file "Yomibon.ini" in
// StartDir, read once at startup and written once at close.
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/Files.h"
#include "platform/Sjis.h"
#include "reader/Reader.h"
#include "settings/IniProfile.h"
#include "settings/SettingKeys.h"
#include "text/SjisTexts.h"

namespace {

// Far beyond any real settings file; a bigger file is not read at all.
constexpr std::uint64_t kMaxSettingsFileBytes = 16u << 20;

enum class Existing { Absent, Read, Unusable };

// Loads the file at path into profile. Unusable: something is there but it
// cannot be read (no permission, a folder, far too large).
Existing ReadProfile(const std::string& path, IniProfile& profile) {
  std::vector<std::uint8_t> bytes;
  if (ReadWholeFile(path, bytes, kMaxSettingsFileBytes) == ReadResult::Ok) {
    profile.Load(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    return Existing::Read;
  }
  struct stat st;
  return lstat(NativePath(path).c_str(), &st) == 0 ? Existing::Unusable : Existing::Absent;
}

}  // namespace

void Reader::LoadSettings() {
  StartDir = CurrentDirectory();
  MakeSettingDefaults(StartDir, IntDefaults, StrDefaults);

  // No file, or one that cannot be read, gives every default.
  IniProfile profile;
  ReadProfile(SettingsPath(), profile);

  for (int i = 0; i < static_cast<int>(Records.size()); ++i) {
    const std::string section = RecordSection(i);
    Records[i].Text = profile.ReadString(section, "Text", "");
    Records[i].Index = profile.ReadInteger(section, "Index", 0);
    Records[i].Length = profile.ReadInteger(section, "Length", 0);
  }
  for (const SettingEntry& e : kSettingTable) {
    if (e.Kind == SettingKind::String)
      StrSettings[e.Slot] = profile.ReadString(kSystemSection, e.Key, StrDefaults[e.Slot]);
    else
      IntSettings[e.Slot] = profile.ReadInteger(kSystemSection, e.Key, IntDefaults[e.Slot]);
  }
}

bool Reader::SaveSettings() {
  const std::string path = SettingsPath();
  auto fail = [&] {
    // The message's one "%s" is the path, put in as bytes, never as a format.
    const std::string_view fmt = sjis::kMsgCannotWriteFmt;
    const std::size_t at = fmt.find("%s");
    std::string text(fmt.substr(0, at));
    if (at != std::string_view::npos) text.append(path).append(fmt.substr(at + 2));
    Hooks->MessageBox(BoxKind::Error, text, kAppTitle);
    return false;
  };

  // The new file starts from the old one so that lines this program does not
  // write survive. An old file that is there but cannot be read is left
  // alone: writing without it would throw its other lines away. A file
  // marked read-only is not replaced either: the user froze it.
  IniProfile profile;
  Existing old = ReadProfile(path, profile);
  if (old == Existing::Unusable) return fail();
  if (old == Existing::Read && access(NativePath(path).c_str(), W_OK) != 0) return fail();

  for (int i = 0; i < static_cast<int>(Records.size()); ++i) {
    const std::string section = RecordSection(i);
    profile.WriteString(section, "Text", Records[i].Text);
    profile.WriteInteger(section, "Index", Records[i].Index);
    profile.WriteInteger(section, "Length", Records[i].Length);
  }
  for (const SettingEntry& e : kSettingTable) {
    if (e.Kind == SettingKind::String)
      profile.WriteString(kSystemSection, e.Key, StrSettings[e.Slot]);
    else
      profile.WriteInteger(kSystemSection, e.Key, IntSettings[e.Slot]);
  }

  // Written whole beside the old file and renamed over it: a failure leaves
  // the old file as it was.
  if (!WriteFileAtomically(path, profile.Serialise())) return fail();
  return true;
}
