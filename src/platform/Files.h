// File access for the core, by Shift-JIS path (converted to the Linux file
// name at each call).
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// True when the path names an existing regular file.
bool FileExists(const std::string& sjisPath);
// The size of a regular file, or -1 when the path names none.
long long FileSize(const std::string& sjisPath);
// The current working directory, as Shift-JIS ("/" at the root, no trailing
// separator otherwise), or "." when it has no Shift-JIS form that leads back
// to it.
std::string CurrentDirectory();

enum class ReadResult { Ok, CannotOpen, TooLarge };
// Reads a whole file. Files of limit bytes or more are refused.
ReadResult ReadWholeFile(const std::string& sjisPath, std::vector<std::uint8_t>& out,
                         std::uint64_t limit);
// The same into a buffer that is not zero-filled first (a large text would
// pay for clearing it), with room for extra bytes after the contents, which
// the caller fills. size is the count of bytes read.
ReadResult ReadWholeFile(const std::string& sjisPath, std::unique_ptr<std::uint8_t[]>& out,
                         std::size_t& size, std::uint64_t limit, std::size_t extra);
// Reads at most max bytes from the start of a file into dst; returns the
// count read, or -1 when the file cannot be opened.
long long ReadFilePrefix(const std::string& sjisPath, std::uint8_t* dst, std::size_t max);

// Writes data to path through a temporary file in the same folder, renamed
// over the old file only once everything is on disk, so a crash or a full
// disk never leaves a half-written file. False when anything failed; the
// old file is then untouched. A path that is a symbolic link is written
// through: its target is replaced the same way and the link stays.
bool WriteFileAtomically(const std::string& sjisPath, const std::string& data);

// The calls through which WriteFileAtomically makes its temporary file
// (from a name ending in "XXXXXX") and fills it. Tests replace them to fake
// a read-only folder or a full disk, which permissions cannot do for root.
struct FileWriteCalls {
  int (*CreateTemp)(char* nameTemplate);
  ssize_t (*Write)(int fd, const void* data, std::size_t size);
};
extern FileWriteCalls FileWrites;

// Removes what writes that never finished (a kill, a power cut) left beside
// a file: path + "." + six letters or digits, the names WriteFileAtomically
// and font data creation give their temporary files, beside a link's
// target for a link. Only files older than a minute go, since another
// reader may be writing a younger one. A "*" that begins the file name
// stands for any name ("folder/*.fdt").
void RemoveStaleTemporaries(const std::string& sjisPath);
// The same by Linux file name, for paths never stored as Shift-JIS.
void RemoveStaleTemporariesNative(const std::string& nativePath);
