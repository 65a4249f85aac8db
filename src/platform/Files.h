// File access for the core, by Shift-JIS path (converted to the Linux file
// name at each call).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// True when the path names an existing regular file.
bool FileExists(const std::string& sjisPath);
// The size of a regular file, or -1 when the path names none.
long long FileSize(const std::string& sjisPath);
// The current working directory, as Shift-JIS ("/" at the root, no trailing
// separator otherwise).
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
// old file is then untouched.
bool WriteFileAtomically(const std::string& sjisPath, const std::string& data);
