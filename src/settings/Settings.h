// The settings file: the resume record and the ten bookmarks, a section
// each, and the keys of section "System", moved between the file and plain
// blocks. The reader reads it once at startup and writes it once at close.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "settings/SettingKeys.h"

// One resume record or bookmark.
struct ReadRecord {
  std::string Text;         // full path of the text file; empty = not in use
  std::int32_t Index = 0;   // byte index at which reading resumes (a page start)
  std::int32_t Length = 0;  // the file's length when the record was made
};

// The resume record (0) and the ten bookmarks (1..10).
inline constexpr std::size_t kRecordCount = 11;

// Reads every record, and every System key into its slot of ints or strs.
// A key the file lacks, or a file that is absent or cannot be read, gives
// the default of its slot (records default to empty). False when something
// is there that cannot be read: no permission, far too large, or not a
// regular file (a FIFO, a folder, a device), which is never waited on.
bool ReadSettingsFile(const std::string& path,
                      const std::array<std::int32_t, kIntSettingCount>& intDefaults,
                      const std::array<std::string, kStrSettingCount>& strDefaults,
                      std::array<ReadRecord, kRecordCount>& records,
                      std::array<std::int32_t, kIntSettingCount>& ints,
                      std::array<std::string, kStrSettingCount>& strs);

// Writes every record and System key, keeping every other line of the old
// file. False, with the old file left as it was, when the old file is there
// but cannot be read or is marked read-only, or when the new one cannot be
// written whole.
bool WriteSettingsFile(const std::string& path, const std::array<ReadRecord, kRecordCount>& records,
                       const std::array<std::int32_t, kIntSettingCount>& ints,
                       const std::array<std::string, kStrSettingCount>& strs);
