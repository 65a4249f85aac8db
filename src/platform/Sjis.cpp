#include "platform/Sjis.h"

#include <iconv.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <utility>
#include <vector>

namespace {

// One converter a direction and thread: iconv_open is far dearer than a
// conversion of a short string.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  bool Convert(const std::string& in, std::string& out) {
    out.clear();
    if (cd_ == reinterpret_cast<iconv_t>(-1)) return false;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    bool ok = true;
    char buf[1024];
    while (srcLeft > 0) {
      char* dst = buf;
      size_t dstLeft = sizeof buf;
      size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
      out.append(buf, dst - buf);
      if (r == static_cast<size_t>(-1)) {
        if (errno == E2BIG) continue;
        ok = false;  // EILSEQ or EINVAL: stop at the bad byte
        break;
      }
    }
    return ok;
  }

 private:
  iconv_t cd_;
};

Converter& FromSjis() {
  thread_local Converter c("UTF-8", "CP932");
  return c;
}
Converter& ToSjisConv() {
  thread_local Converter c("CP932", "UTF-8");
  return c;
}

}  // namespace

bool SjisToUtf8(const std::string& in, std::string& out) { return FromSjis().Convert(in, out); }
bool Utf8ToSjis(const std::string& in, std::string& out) { return ToSjisConv().Convert(in, out); }

std::string ToUtf8(const std::string& sjis) {
  std::string out;
  SjisToUtf8(sjis, out);
  return out;
}

std::string ToSjis(const std::string& utf8) {
  std::string out;
  Utf8ToSjis(utf8, out);
  return out;
}

namespace {

// Characters whose Shift-JIS code reads back as another character: the
// character a code reads back as, and the other one it stands for.
constexpr std::pair<const char*, const char*> kTwins[] = {{"\\", "\xC2\xA5"},
                                                          {"~", "\xE2\x80\xBE"},
                                                          {"\xE2\x80\x95", "\xE2\x80\x94"},
                                                          {"\xEF\xBD\x9E", "\xE3\x80\x9C"},
                                                          {"\xE2\x88\xA5", "\xE2\x80\x96"},
                                                          {"\xEF\xBC\x8D", "\xE2\x88\x92"},
                                                          {"\xEF\xBF\xA0", "\xC2\xA2"},
                                                          {"\xEF\xBF\xA1", "\xC2\xA3"},
                                                          {"\xEF\xBF\xA2", "\xC2\xAC"}};

bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

// The spelling of one path component (UTF-8, as the codes read back) that
// exists in folder, or the component as it reads back when none does.
std::string Spelling(const std::string& folder, const std::string& name) {
  std::vector<std::pair<std::size_t, int>> twins;  // byte offset, kTwins index
  for (std::size_t i = 0; i < name.size(); ++i)
    for (int t = 0; t < int(std::size(kTwins)); ++t)
      if (name.compare(i, std::char_traits<char>::length(kTwins[t].first), kTwins[t].first) == 0)
        twins.emplace_back(i, t);
  if (twins.empty() || Exists(folder + name)) return name;
  // Every mix of the two spellings, the one read back first; a name with
  // more than eight such characters tries only the first eight.
  const std::size_t n = std::min<std::size_t>(twins.size(), 8);
  for (unsigned mask = 1; mask < (1u << n); ++mask) {
    std::string s;
    std::size_t at = 0;
    for (std::size_t k = 0; k < n; ++k) {
      const auto [i, t] = twins[k];
      s.append(name, at, i - at);
      s += (mask >> k & 1) ? kTwins[t].second : kTwins[t].first;
      at = i + std::char_traits<char>::length(kTwins[t].first);
    }
    s.append(name, at, std::string::npos);
    if (Exists(folder + s)) return s;
  }
  return name;
}

}  // namespace

std::string NativePath(const std::string& sjisPath) {
  std::string plain;
  if (!SjisToUtf8(sjisPath, plain)) return sjisPath;
  // "/" is never part of a double-byte code, so the read-back path splits
  // where the Shift-JIS one does.
  std::string out;
  std::size_t start = 0;
  while (start <= plain.size()) {
    const std::size_t slash = std::min(plain.find('/', start), plain.size());
    out += Spelling(out, plain.substr(start, slash - start));
    if (slash < plain.size()) out += '/';
    start = slash + 1;
  }
  return out;
}

bool PathToSjis(const std::string& nativePath, std::string& sjisPath) {
  std::string sjis;
  if (!Utf8ToSjis(nativePath, sjis) || NativePath(sjis) != nativePath) return false;
  sjisPath = sjis;
  return true;
}
