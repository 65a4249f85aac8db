// The settings file, read and written through IniProfile. The file is read
// whole and written whole through a temporary file, so it is never left
// half written.
#include "settings/Settings.h"

#include <sys/stat.h>
#include <unistd.h>

#include <string_view>
#include <vector>

#include "platform/Files.h"
#include "platform/Sjis.h"
#include "settings/IniProfile.h"

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
  // Through a link, what counts is what it names: a link to nothing is a
  // file not made yet.
  struct stat st;
  return stat(NativePath(path).c_str(), &st) == 0 ? Existing::Unusable : Existing::Absent;
}

}  // namespace

bool ReadSettingsFile(const std::string& path,
                      const std::array<std::int32_t, kIntSettingCount>& intDefaults,
                      const std::array<std::string, kStrSettingCount>& strDefaults,
                      std::array<ReadRecord, kRecordCount>& records,
                      std::array<std::int32_t, kIntSettingCount>& ints,
                      std::array<std::string, kStrSettingCount>& strs) {
  // No file, or one that cannot be read, gives every default.
  IniProfile profile;
  const bool readable = ReadProfile(path, profile) != Existing::Unusable;

  for (int i = 0; i < static_cast<int>(records.size()); ++i) {
    const std::string section = RecordSection(i);
    records[i].Text = profile.ReadString(section, "Text", "");
    records[i].Index = profile.ReadInteger(section, "Index", 0);
    records[i].Length = profile.ReadInteger(section, "Length", 0);
  }
  for (const SettingEntry& e : kSettingTable) {
    if (e.Kind == SettingKind::String)
      strs[e.Slot] = profile.ReadString(kSystemSection, e.Key, strDefaults[e.Slot]);
    else
      ints[e.Slot] = profile.ReadInteger(kSystemSection, e.Key, intDefaults[e.Slot]);
  }
  return readable;
}

bool WriteSettingsFile(const std::string& path, const std::array<ReadRecord, kRecordCount>& records,
                       const std::array<std::int32_t, kIntSettingCount>& ints,
                       const std::array<std::string, kStrSettingCount>& strs) {
  // The new file starts from the old one so that lines this program does not
  // write survive. An old file that is there but cannot be read is left
  // alone: writing without it would throw its other lines away. A file
  // marked read-only is not replaced either: the user froze it.
  IniProfile profile;
  Existing old = ReadProfile(path, profile);
  if (old == Existing::Unusable) return false;
  if (old == Existing::Read && access(NativePath(path).c_str(), W_OK) != 0) return false;

  for (int i = 0; i < static_cast<int>(records.size()); ++i) {
    const std::string section = RecordSection(i);
    profile.WriteString(section, "Text", records[i].Text);
    profile.WriteInteger(section, "Index", records[i].Index);
    profile.WriteInteger(section, "Length", records[i].Length);
  }
  for (const SettingEntry& e : kSettingTable) {
    if (e.Added && ints[e.Slot] == e.IntDefault && !profile.HasKey(kSystemSection, e.Key)) continue;
    if (e.Kind == SettingKind::String)
      profile.WriteString(kSystemSection, e.Key, strs[e.Slot]);
    else
      profile.WriteInteger(kSystemSection, e.Key, ints[e.Slot]);
  }

  // Written whole beside the old file and renamed over it: a failure leaves
  // the old file as it was.
  return WriteFileAtomically(path, profile.Serialise());
}
