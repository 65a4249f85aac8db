#include "platform/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <new>
#include <string_view>

#include "platform/Sjis.h"

bool FileExists(const std::string& sjisPath) {
  if (sjisPath.empty()) return false;
  struct stat st;
  return stat(NativePath(sjisPath).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool PathExists(const std::string& sjisPath) {
  struct stat st;
  return !sjisPath.empty() && stat(NativePath(sjisPath).c_str(), &st) == 0;
}

long long FileSize(const std::string& sjisPath) {
  struct stat st;
  if (sjisPath.empty() || stat(NativePath(sjisPath).c_str(), &st) != 0 || !S_ISREG(st.st_mode))
    return -1;
  return st.st_size;
}

namespace {
// The working folder's Linux name; empty when it cannot be told.
std::string WorkingFolder() {
  std::string buf(PATH_MAX, '\0');
  if (!getcwd(buf.data(), buf.size())) return std::string();
  buf.resize(std::char_traits<char>::length(buf.c_str()));
  return buf;
}
}  // namespace

std::string CurrentDirectory() {
  const std::string here = WorkingFolder();
  std::string sjis;
  if (!here.empty() && PathToSjis(here, sjis)) return sjis;
  // A folder with no Shift-JIS form (é, a byte that is not UTF-8) is named
  // relatively: the reader never changes its folder, so "." stays this one,
  // and paths under it survive a trip through the settings file.
  return ".";
}

bool PathToStore(const std::string& nativePath, std::string& sjisPath) {
  if (PathToSjis(nativePath, sjisPath)) return true;
  // Below a start folder that the settings call "." (it has no Shift-JIS
  // form), a file is named from there, as the default wallpapers are.
  const std::string here = WorkingFolder() + "/";
  if (here.size() < 2 || nativePath.compare(0, here.size(), here) != 0) return false;
  return PathToSjis("./" + nativePath.substr(here.size()), sjisPath);
}

namespace {
struct Fd {
  int fd;
  ~Fd() {
    if (fd >= 0) close(fd);
  }
};

bool ReadFully(int fd, std::uint8_t* dst, std::size_t n, std::size_t& got) {
  got = 0;
  while (got < n) {
    ssize_t r = read(fd, dst + got, n - got);
    if (r < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (r == 0) break;
    got += static_cast<std::size_t>(r);
  }
  return true;
}
}  // namespace

namespace {
// Opens a file for reading, refusing anything but a regular file. A FIFO
// would block the open (and every read) until a writer came, a device could
// be read for ever: non-blocking, then looked at before any read.
bool OpenRegular(const std::string& sjisPath, Fd& f, struct stat& st) {
  f.fd = open(NativePath(sjisPath).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  return f.fd >= 0 && fstat(f.fd, &st) == 0 && S_ISREG(st.st_mode);
}

// Opens a regular file for a whole read and tells its size, refusing one of
// limit bytes or more.
ReadResult OpenWhole(const std::string& sjisPath, std::uint64_t limit, Fd& f, std::size_t& size) {
  struct stat st;
  if (!OpenRegular(sjisPath, f, st)) return ReadResult::CannotOpen;
  if (static_cast<std::uint64_t>(st.st_size) >= limit) return ReadResult::TooLarge;
  size = static_cast<std::size_t>(st.st_size);
  return ReadResult::Ok;
}
}  // namespace

ReadResult ReadWholeFile(const std::string& sjisPath, std::vector<std::uint8_t>& out,
                         std::uint64_t limit) {
  Fd f{-1};
  std::size_t want = 0;
  if (ReadResult r = OpenWhole(sjisPath, limit, f, want); r != ReadResult::Ok) return r;
  out.resize(want);
  std::size_t got = 0;
  if (!ReadFully(f.fd, out.data(), out.size(), got)) return ReadResult::CannotOpen;
  out.resize(got);
  return ReadResult::Ok;
}

ReadResult ReadWholeFile(const std::string& sjisPath, std::unique_ptr<std::uint8_t[]>& out,
                         std::size_t& size, std::uint64_t limit, std::size_t extra) {
  Fd f{-1};
  std::size_t want = 0;
  if (ReadResult r = OpenWhole(sjisPath, limit, f, want); r != ReadResult::Ok) return r;
  out.reset(new (std::nothrow) std::uint8_t[want + extra]);
  if (!out) return ReadResult::TooLarge;
  if (!ReadFully(f.fd, out.get(), want, size)) {
    out.reset();
    return ReadResult::CannotOpen;
  }
  return ReadResult::Ok;
}

long long ReadFilePrefix(const std::string& sjisPath, std::uint8_t* dst, std::size_t max) {
  Fd f{-1};
  struct stat st;
  if (!OpenRegular(sjisPath, f, st)) return -1;
  std::size_t got = 0;
  if (!ReadFully(f.fd, dst, max, got)) return -1;
  return static_cast<long long>(got);
}

FileWriteCalls FileWrites = {
    [](char* name) { return mkostemps(name, sizeof kTempSuffix - 1, O_CLOEXEC); }, ::write,
    ::fsync};

namespace {

// Puts on disk the folder entry a rename made or replaced at nativePath.
void SyncFolderOf(const std::string& nativePath) {
  const std::size_t slash = nativePath.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : nativePath.substr(0, slash + 1);
  // Without it a power cut soon after the rename may bring back the old
  // file, or none. A folder that cannot be synced changes nothing: the
  // file itself is on disk.
  Fd dir{open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
  if (dir.fd >= 0) FileWrites.Sync(dir.fd);
}

// The file a native path names once symbolic links are followed (a link to
// nothing gives the path of the file it would name). False for a chain that
// does not end within 40 links, where the system gives up too (a loop), or
// a link that cannot be read: writing there would replace the link.
bool FollowLinks(std::string& path) {
  for (int hop = 0;; ++hop) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
    std::string target(PATH_MAX, '\0');
    const ssize_t n = readlink(path.c_str(), target.data(), target.size());
    if (hop == 40 || n <= 0 || static_cast<std::size_t>(n) >= target.size()) return false;
    target.resize(static_cast<std::size_t>(n));
    const std::size_t slash = path.rfind('/');
    if (target[0] != '/' && slash != std::string::npos) target = path.substr(0, slash + 1) + target;
    path = target;
  }
}

// The names of the temporary files being written, where a signal handler
// reads them: each published only once whole (the handler may run on
// another thread), and given up only once its file is renamed or removed.
// Two at a time at most: a save of the settings during a font data run.
struct PendingName {
  std::atomic<bool> Taken{false};
  std::atomic<bool> Set{false};
  char Name[4096];
};
PendingName gPending[2];
static_assert(std::atomic<bool>::is_always_lock_free);

// The signals that end the process, held back on this thread for a scope.
class EndingSignalsHeld {
 public:
  EndingSignalsHeld() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGALRM}) sigaddset(&set, s);
    pthread_sigmask(SIG_BLOCK, &set, &old_);
  }
  ~EndingSignalsHeld() { pthread_sigmask(SIG_SETMASK, &old_, nullptr); }

 private:
  sigset_t old_;
};

}  // namespace

ReplacingFile::ReplacingFile(const std::string& nativePath) : target_(nativePath) {
  struct stat st;
  if (!FollowLinks(target_) || (stat(target_.c_str(), &st) == 0 && !S_ISREG(st.st_mode))) return;
  // A handler that ends the process removes the file by its name: it must
  // not come between the file's making and the copy of its name.
  const EndingSignalsHeld held;
  std::string name = target_ + ".XXXXXX" + kTempSuffix;
  fd_ = FileWrites.CreateTemp(name.data());
  if (fd_ < 0) return;
  temp_ = name;
  for (int i = 0; i < 2 && slot_ < 0 && temp_.size() < sizeof gPending[i].Name; ++i) {
    if (gPending[i].Taken.exchange(true)) continue;
    std::memcpy(gPending[i].Name, temp_.c_str(), temp_.size() + 1);
    gPending[i].Set.store(true);
    slot_ = i;
  }
}

ReplacingFile::~ReplacingFile() {
  if (fd_ >= 0) close(fd_);
  if (!temp_.empty() && !committed_) unlink(temp_.c_str());
  // Given up after the file has gone: a handler meanwhile finds no file.
  if (slot_ >= 0) {
    gPending[slot_].Set.store(false);
    gPending[slot_].Taken.store(false);
  }
}

bool ReplacingFile::Write(const void* data, std::size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t w = FileWrites.Write(fd_, p, size);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    p += w;
    size -= static_cast<std::size_t>(w);
  }
  return true;
}

bool ReplacingFile::Commit() {
  if (fd_ < 0) return false;
  struct stat st;
  mode_t mode;
  if (stat(target_.c_str(), &st) == 0) {
    // Made a FIFO or a folder meanwhile: not a file to replace.
    if (!S_ISREG(st.st_mode)) return false;
    mode = st.st_mode & 07777;
  } else {
    // A new file gets the usual 0666 less the umask, not mkstemp's 0600.
    const mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }
  bool ok = fchmod(fd_, mode) == 0 && FileWrites.Sync(fd_) == 0;
  if (close(fd_) != 0) ok = false;
  fd_ = -1;
  committed_ = ok && rename(temp_.c_str(), target_.c_str()) == 0;
  if (committed_) SyncFolderOf(target_);
  return committed_;
}

void RemovePendingTemporaries() {
  for (const PendingName& p : gPending)
    if (p.Set.load()) unlink(p.Name);
}

void RemoveStaleTemporaries(const std::string& sjisPath) {
  RemoveStaleTemporariesNative(NativePath(sjisPath));
}

void RemoveStaleTemporariesNative(const std::string& nativePath) {
  std::string path = nativePath;
  if (!FollowLinks(path)) return;
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const bool anyName = !name.empty() && name[0] == '*';
  const int dfd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd < 0) return;
  DIR* dir = fdopendir(dfd);
  if (!dir) {
    close(dfd);
    return;
  }
  const time_t oneMinuteAgo = time(nullptr) - 60;
  constexpr std::string_view suffix = kTempSuffix;
  while (const dirent* e = readdir(dir)) {
    std::string_view n = e->d_name;
    // name + "." + six letters or digits + the suffix, and nothing else.
    if (!n.ends_with(suffix)) continue;
    n.remove_suffix(suffix.size());
    if (n.size() < 8 || n[n.size() - 7] != '.') continue;
    const std::string_view stem = n.substr(0, n.size() - 7), tail = n.substr(n.size() - 6);
    const bool ours =
        anyName ? stem.size() >= name.size() && stem.ends_with(name.substr(1)) : stem == name;
    if (!ours || !std::all_of(tail.begin(), tail.end(), [](char c) {
          return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        }))
      continue;
    // Looked at and removed inside the folder already open, never through
    // a link: a link of that name stays, and so does what it names.
    struct stat st;
    if (fstatat(dfd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
        st.st_mtime < oneMinuteAgo)
      unlinkat(dfd, e->d_name, 0);
  }
  closedir(dir);
}

bool WriteFileAtomically(const std::string& sjisPath, const std::string& data) {
  ReplacingFile file(NativePath(sjisPath));
  return file.Opened() && file.Write(data.data(), data.size()) && file.Commit();
}
