#include "platform/Sjis.h"

#include <iconv.h>

#include <cerrno>

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

std::string NativePath(const std::string& sjisPath) {
  std::string out;
  if (SjisToUtf8(sjisPath, out)) return out;
  return sjisPath;
}
