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
// True when anything is there: a regular file, a folder, a FIFO, a device.
bool PathExists(const std::string& sjisPath);
// The size of a regular file, or -1 when the path names none.
long long FileSize(const std::string& sjisPath);
// The current working directory, as Shift-JIS ("/" at the root, no trailing
// separator otherwise), or "." when it has no Shift-JIS form that leads back
// to it.
std::string CurrentDirectory();
// The Shift-JIS path under which a file chosen by its Linux path (absolute)
// is stored: its own Shift-JIS form, or, below a start folder that has none
// (CurrentDirectory() is "."), "./" and the path from there. False when
// neither leads back to the file.
bool PathToStore(const std::string& nativePath, std::string& sjisPath);

enum class ReadResult { Ok, CannotOpen, TooLarge };
// Reads a whole file. Files of limit bytes or more are refused, and so is
// anything that is not a regular file (a FIFO, a folder, a device), which is
// never opened in a way that could block.
ReadResult ReadWholeFile(const std::string& sjisPath, std::vector<std::uint8_t>& out,
                         std::uint64_t limit);
// The same into a buffer that is not zero-filled first (a large text would
// pay for clearing it), with room for extra bytes after the contents, which
// the caller fills. size is the count of bytes read.
ReadResult ReadWholeFile(const std::string& sjisPath, std::unique_ptr<std::uint8_t[]>& out,
                         std::size_t& size, std::uint64_t limit, std::size_t extra);
// Reads at most max bytes from the start of a regular file into dst;
// returns the count read, or -1 when the file cannot be opened or is not a
// regular file.
long long ReadFilePrefix(const std::string& sjisPath, std::uint8_t* dst, std::size_t max);

// Writes data to path through a ReplacingFile (below), so a crash or a full
// disk never leaves a half-written file. False when anything failed; the
// old file is then untouched.
bool WriteFileAtomically(const std::string& sjisPath, const std::string& data);

// Temporary files are named "<file>.<six letters or digits>.pagelune-tmp",
// a name no user gives a file, so that only they are ever cleaned up.
inline constexpr char kTempSuffix[] = ".pagelune-tmp";

// A file written whole under a temporary name beside the file it replaces,
// renamed over it only once everything is on disk, the rename put on disk
// with the folder. A path that is a symbolic link is written through: its
// target is replaced the same way and the link stays. Refused (never
// opened): a chain of links that does not end within 40 (a loop), and a
// target that is there but is no regular file (a folder, a FIFO, a device).
class ReplacingFile {
 public:
  explicit ReplacingFile(const std::string& nativePath);
  // The temporary file goes unless committed.
  ~ReplacingFile();
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  bool Opened() const { return fd_ >= 0; }
  bool Write(const void* data, std::size_t size);
  // Gives the file the mode of the file it replaces (a new one 0666 less the
  // umask), puts it on disk and renames it into place. False when anything
  // failed: the file under the name is then as it was.
  bool Commit();

 private:
  std::string target_, temp_;
  int fd_ = -1;
  int slot_ = -1;  // where a signal handler finds temp_
  bool committed_ = false;
};

// Removes the temporary files of the ReplacingFiles alive now: for a signal
// handler that ends the process, where it is safe (their names are read
// only once whole, whichever thread runs it).
void RemovePendingTemporaries();

// The calls through which temporary files are made (from a name ending in
// "XXXXXX" + kTempSuffix), filled and put on disk. Tests replace them to
// fake a read-only folder or a full disk, which permissions cannot do for
// root, and to see what is synced.
struct FileWriteCalls {
  int (*CreateTemp)(char* nameTemplate);
  ssize_t (*Write)(int fd, const void* data, std::size_t size);
  int (*Sync)(int fd);
};
extern FileWriteCalls FileWrites;

// Removes what writes that never finished (a kill, a power cut) left beside
// a file: its temporary files (above), beside a link's target for a link.
// Only regular files older than a minute go, since another reader may be
// writing a younger one; a link of that name is left alone. A "*" that
// begins the file name stands for any name ("folder/*.fdt").
void RemoveStaleTemporaries(const std::string& sjisPath);
// The same by Linux file name, for paths never stored as Shift-JIS.
void RemoveStaleTemporariesNative(const std::string& nativePath);
