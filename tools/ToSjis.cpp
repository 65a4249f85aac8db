// Build tool: turns a UTF-8 sample into the Shift-JIS file the reader opens.
// A character with no Shift-JIS form fails the build with its line and code
// point, rather than leaving a sample that shows something else.
//
//   pagelune_tosjis IN.utf8 OUT
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/Sjis.h"

namespace {

// Length of the UTF-8 sequence that starts at in[i], or 0 when the bytes
// there are not a well-formed sequence.
std::size_t SequenceLength(const std::string& in, std::size_t i) {
  const auto b = static_cast<unsigned char>(in[i]);
  std::size_t n = b < 0x80                ? 1
                  : b >= 0xC2 && b < 0xE0 ? 2
                  : b >= 0xE0 && b < 0xF0 ? 3
                  : b >= 0xF0 && b < 0xF5 ? 4
                                          : 0;
  if (n == 0 || i + n > in.size()) return 0;
  for (std::size_t k = 1; k < n; ++k)
    if ((static_cast<unsigned char>(in[i + k]) & 0xC0) != 0x80) return 0;
  return n;
}

// Finds the first character that does not convert and says where it is.
void ReportFirstFailure(const std::string& in, const char* path) {
  int line = 1, column = 1;
  for (std::size_t i = 0; i < in.size();) {
    const std::size_t n = SequenceLength(in, i);
    if (n == 0) {
      std::fprintf(stderr, "%s:%d:%d: not UTF-8 (byte 0x%02X)\n", path, line, column,
                   static_cast<unsigned char>(in[i]));
      return;
    }
    const std::string ch = in.substr(i, n);
    std::string out;
    if (!Utf8ToSjis(ch, out)) {
      unsigned cp = static_cast<unsigned char>(ch[0]) & (0xFF >> (n + 1));
      for (std::size_t k = 1; k < n; ++k) cp = cp << 6 | (static_cast<unsigned char>(ch[k]) & 0x3F);
      std::fprintf(stderr, "%s:%d:%d: no Shift-JIS form for \"%s\" (U+%04X)\n", path, line, column,
                   ch.c_str(), n > 1 ? cp : static_cast<unsigned>(ch[0]));
      return;
    }
    if (ch == "\n") {
      ++line;
      column = 1;
    } else {
      ++column;
    }
    i += n;
  }
  std::fprintf(stderr, "%s: does not convert to Shift-JIS\n", path);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s IN.utf8 OUT\n", argv[0]);
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "%s: cannot open\n", argv[1]);
    return 1;
  }
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string sjis;
  if (!Utf8ToSjis(text, sjis)) {
    ReportFirstFailure(text, argv[1]);
    std::remove(argv[2]);  // no stale copy from an earlier build may pass for this one
    return 1;
  }
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out.write(sjis.data(), static_cast<std::streamsize>(sjis.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "%s: cannot write\n", argv[2]);
    std::remove(argv[2]);
    return 1;
  }
  return 0;
}
