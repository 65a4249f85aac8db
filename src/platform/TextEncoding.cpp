#include "platform/TextEncoding.h"

#include <iconv.h>
#include <uchardet.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

namespace {

constexpr std::size_t kSampleBytes = 64 * 1024;
constexpr std::uint16_t kGeta = 0x81AC;  // 〓

// Unicode -> Shift-JIS for the whole Basic Multilingual Plane, asked of
// iconv once per code point, so that its choices (the wave dash, the
// yen sign, the NEC and IBM rows) hold for every text alike.
const std::uint16_t* SjisTable() {
  static const std::unique_ptr<std::uint16_t[]> table = [] {
    auto t = std::make_unique<std::uint16_t[]>(0x10000);
    iconv_t cd = iconv_open("CP932", "UTF-32LE");
    if (cd == reinterpret_cast<iconv_t>(-1)) return t;
    for (std::uint32_t cp = 0x80; cp < 0x10000; ++cp) {
      if (cp >= 0xD800 && cp < 0xE000) continue;
      char in[4] = {char(cp & 0xFF), char(cp >> 8), 0, 0};
      unsigned char buf[4];
      char* src = in;
      char* dst = reinterpret_cast<char*>(buf);
      std::size_t srcLeft = 4, dstLeft = sizeof buf;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1)) continue;
      const std::size_t n = sizeof buf - dstLeft;
      // A single byte other than ASCII or half-width katakana would be read
      // back as something else.
      if (n == 2) t[cp] = std::uint16_t(buf[0] << 8 | buf[1]);
      if (n == 1 && (buf[0] < 0x80 || (buf[0] >= 0xA1 && buf[0] <= 0xDF))) t[cp] = buf[0];
    }
    iconv_close(cd);
    for (std::uint32_t cp = 1; cp < 0x80; ++cp) t[cp] = std::uint16_t(cp);
    t[0xA0] = ' ';  // a no-break space (&nbsp;) has none, but is a space
    return t;
  }();
  return table.get();
}

// Appends a Shift-JIS code, 〓 for none.
inline void Put(std::uint8_t*& o, std::uint16_t code) {
  if (code == 0) code = kGeta;
  if (code < 0x100) {
    *o++ = std::uint8_t(code);
  } else {
    o[0] = std::uint8_t(code >> 8);
    o[1] = std::uint8_t(code);
    o += 2;
  }
}

// Decodes UTF-8 from p[i], advancing i; cp is the code point, or -1 for an
// invalid sequence (its longest valid-looking start is taken, so one bad
// sequence gives one 〓). truncated tells that the bytes ran out.
inline long NextUtf8(const std::uint8_t* p, std::size_t n, std::size_t& i, bool& truncated) {
  const std::uint8_t b = p[i++];
  if (b < 0x80) return b;
  int need;
  long cp;
  std::uint8_t lo = 0x80, hi = 0xBF;
  if (b >= 0xC2 && b <= 0xDF) {
    need = 1;
    cp = b & 0x1F;
  } else if (b >= 0xE0 && b <= 0xEF) {
    need = 2;
    cp = b & 0x0F;
    if (b == 0xE0) lo = 0xA0;  // no overlong forms
    if (b == 0xED) hi = 0x9F;  // no surrogates
  } else if (b >= 0xF0 && b <= 0xF4) {
    need = 3;
    cp = b & 0x07;
    if (b == 0xF0) lo = 0x90;
    if (b == 0xF4) hi = 0x8F;  // nothing past U+10FFFF
  } else {
    return -1;
  }
  for (; need > 0; --need) {
    if (i >= n) {
      truncated = true;
      return -1;
    }
    if (p[i] < lo || p[i] > hi) return -1;
    cp = cp << 6 | (p[i++] & 0x3F);
    lo = 0x80;
    hi = 0xBF;
  }
  return cp;
}

// JIS X 0208 row and cell (0x21..0x7E each) to Shift-JIS.
inline std::uint16_t JisToSjis(int j1, int j2) {
  const int lead = (j1 + 1) / 2 + (j1 <= 0x5E ? 0x70 : 0xB0);
  const int trail = j2 + (j1 % 2 ? (j2 >= 0x60 ? 0x20 : 0x1F) : 0x7E);
  return std::uint16_t(lead << 8 | trail);
}

inline bool InRange(std::uint8_t b, int lo, int hi) { return b >= lo && b <= hi; }

void FromUtf8(const std::uint8_t* p, std::size_t n, std::uint8_t*& o) {
  const std::uint16_t* table = SjisTable();
  bool truncated = false;
  for (std::size_t i = 0; i < n;) {
    if (p[i] < 0x80) {
      *o++ = p[i++];
      continue;
    }
    const long cp = NextUtf8(p, n, i, truncated);
    Put(o, cp >= 0 && cp < 0x10000 ? table[cp] : 0);
  }
}

void FromUtf16(const std::uint8_t* p, std::size_t n, bool le, std::uint8_t*& o) {
  const std::uint16_t* table = SjisTable();
  std::size_t i = 0;
  for (; i + 1 < n; i += 2) {
    const unsigned u = le ? p[i] | p[i + 1] << 8 : p[i] << 8 | p[i + 1];
    if (u < 0x80) {
      *o++ = std::uint8_t(u);
      continue;
    }
    // A pair of surrogates is one character beyond the plane: one 〓.
    if (u >= 0xD800 && u <= 0xDBFF && i + 3 < n) {
      const unsigned v = le ? p[i + 2] | p[i + 3] << 8 : p[i + 2] << 8 | p[i + 3];
      if (v >= 0xDC00 && v <= 0xDFFF) i += 2;
    }
    Put(o, table[u]);
  }
  if (i < n) Put(o, 0);  // an odd last byte
}

void FromEucJp(const std::uint8_t* p, std::size_t n, std::uint8_t*& o) {
  for (std::size_t i = 0; i < n;) {
    const std::uint8_t b = p[i];
    const std::uint8_t c = i + 1 < n ? p[i + 1] : 0;
    if (b < 0x80) {
      *o++ = b;
      ++i;
    } else if (b == 0x8E && InRange(c, 0xA1, 0xDF)) {
      *o++ = c;  // half-width katakana
      i += 2;
    } else if (b == 0x8F && InRange(c, 0xA1, 0xFE) && i + 2 < n && InRange(p[i + 2], 0xA1, 0xFE)) {
      Put(o, 0);  // JIS X 0212 has no Shift-JIS form
      i += 3;
    } else if (InRange(b, 0xA1, 0xFE) && InRange(c, 0xA1, 0xFE)) {
      Put(o, JisToSjis(b - 0x80, c - 0x80));
      i += 2;
    } else {
      Put(o, 0);
      ++i;
    }
  }
}

void FromIso2022Jp(const std::uint8_t* p, std::size_t n, std::uint8_t*& o) {
  enum { Roman, Kanji, Kana, Supplement } mode = Roman;
  auto is = [&](std::size_t i, const char* s) {
    const std::size_t k = std::strlen(s);
    return i + k <= n && std::memcmp(p + i, s, k) == 0;
  };
  for (std::size_t i = 0; i < n;) {
    const std::uint8_t b = p[i];
    if (b == 0x1B) {
      if (is(i, "\x1B$@") || is(i, "\x1B$B")) {
        mode = Kanji;
        i += 3;
      } else if (is(i, "\x1B(B") || is(i, "\x1B(J")) {
        mode = Roman;
        i += 3;
      } else if (is(i, "\x1B(I")) {
        mode = Kana;
        i += 3;
      } else if (is(i, "\x1B$(D")) {
        mode = Supplement;
        i += 4;
      } else {
        *o++ = p[i++];  // a control byte the walk drops
      }
      continue;
    }
    // Line ends and spaces pass in every mode; eight-bit bytes never belong.
    if (b <= 0x20 || b == 0x7F || b >= 0x80 || mode == Roman) {
      if (b >= 0x80)
        Put(o, 0);
      else
        *o++ = b;
      ++i;
    } else if (mode == Kana) {
      Put(o, b <= 0x5F ? b + 0x80 : 0);
      ++i;
    } else if (i + 1 < n && InRange(p[i + 1], 0x21, 0x7E)) {
      Put(o, mode == Kanji ? JisToSjis(b, p[i + 1]) : 0);
      i += 2;
    } else {
      Put(o, 0);
      ++i;
    }
  }
}

// ---- detection ----

bool ValidSjis(const std::uint8_t* p, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint8_t b = p[i];
    if (b < 0x80 || InRange(b, 0xA1, 0xDF)) continue;
    if (!InRange(b, 0x81, 0x9F) && !InRange(b, 0xE0, 0xFC)) return false;
    if (++i == n) break;  // a lead byte cut off at the end of the sample
    if (p[i] < 0x40 || p[i] == 0x7F || p[i] > 0xFC) return false;
  }
  return true;
}

// Valid UTF-8 (a sequence cut off at the end aside) with at least one
// character beyond U+07FF: half-width katakana in Shift-JIS can pair up as
// two-byte UTF-8, never as three.
bool Utf8Reading(const std::uint8_t* p, std::size_t n) {
  bool truncated = false, wide = false;
  for (std::size_t i = 0; i < n && !truncated;) {
    const long cp = NextUtf8(p, n, i, truncated);
    if (cp < 0 && !truncated) return false;
    wide = wide || cp >= 0x800;
  }
  return wide;
}

// Valid EUC-JP of some length in which at least a quarter of the
// characters are kana or punctuation (rows 1, 4 and 5, or half-width), as
// in any Japanese prose. Shift-JIS half-width katakana can read as EUC-JP,
// but never holds a byte from 0xE0 (ん, を, most kanji of level 2) or a
// half-width or supplementary character of EUC-JP (0x8E, 0x8F).
bool EucReading(const std::uint8_t* p, std::size_t n) {
  std::size_t pairs = 0, kana = 0;
  bool sign = false;
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint8_t b = p[i];
    if (b < 0x80) continue;
    const std::size_t len = b == 0x8F ? 3 : 2;
    if (i + len > n) break;  // cut off at the end of the sample
    if (b == 0x8E ? !InRange(p[i + 1], 0xA1, 0xDF)
                  : (b != 0x8F && !InRange(b, 0xA1, 0xFE)) || !InRange(p[i + 1], 0xA1, 0xFE))
      return false;
    if (b == 0x8F && !InRange(p[i + 2], 0xA1, 0xFE)) return false;
    ++pairs;
    if (b == 0xA1 || b == 0xA4 || b == 0xA5 || b == 0x8E) ++kana;
    sign = sign || b < 0xA1 || b >= 0xE0 || p[i + 1] >= 0xE0;
    i += len - 1;
  }
  return sign && pairs >= 16 && kana * 4 >= pairs;
}

std::string Guess(const std::uint8_t* p, std::size_t n) {
  uchardet_t ud = uchardet_new();
  if (!ud) return "";
  std::string name;
  if (uchardet_handle_data(ud, reinterpret_cast<const char*>(p), n) == 0) {
    uchardet_data_end(ud);
    name = uchardet_get_charset(ud);
  }
  uchardet_delete(ud);
  for (char& c : name) c = char(std::toupper(static_cast<unsigned char>(c)));
  return name;
}

}  // namespace

std::uint16_t UnicodeToSjis(std::uint32_t cp) { return cp < 0x10000 ? SjisTable()[cp] : 0; }

TextEncoding DetectEncoding(const std::uint8_t* p, std::size_t size) {
  if (size >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) return TextEncoding::Utf8;
  if (size >= 2 && p[0] == 0xFF && p[1] == 0xFE) return TextEncoding::Utf16Le;
  if (size >= 2 && p[0] == 0xFE && p[1] == 0xFF) return TextEncoding::Utf16Be;
  const std::size_t n = std::min(size, kSampleBytes);
  if (std::all_of(p, p + n, [](std::uint8_t b) { return b < 0x80; })) {
    // Seven bits read the same in Shift-JIS unless they switch to kanji.
    const std::string_view s(reinterpret_cast<const char*>(p), n);
    const bool kanji = s.find("\x1B$B") != s.npos || s.find("\x1B$@") != s.npos;
    return kanji ? TextEncoding::Iso2022Jp : TextEncoding::ShiftJis;
  }
  const bool utf8 = Utf8Reading(p, n);
  const bool euc = EucReading(p, n);
  if (!utf8 && !euc) return TextEncoding::ShiftJis;
  const bool sjis = ValidSjis(p, n);
  const std::string guess = sjis ? Guess(p, n) : "";
  if (utf8 && (!sjis || guess == "UTF-8")) return TextEncoding::Utf8;
  if (euc && (!sjis || guess == "EUC-JP")) return TextEncoding::EucJp;
  return TextEncoding::ShiftJis;
}

bool ConvertToSjis(const std::uint8_t* text, std::size_t size, TextEncoding enc,
                   std::unique_ptr<std::uint8_t[]>& out, std::size_t& outSize,
                   std::uint64_t limit) {
  std::size_t skip = 0;
  if (enc == TextEncoding::Utf8 && size >= 3 && text[0] == 0xEF && text[1] == 0xBB &&
      text[2] == 0xBF)
    skip = 3;
  if (enc == TextEncoding::Utf16Le && size >= 2 && text[0] == 0xFF && text[1] == 0xFE) skip = 2;
  if (enc == TextEncoding::Utf16Be && size >= 2 && text[0] == 0xFE && text[1] == 0xFF) skip = 2;
  const std::uint8_t* p = text + skip;
  const std::size_t n = size - skip;
  // Every byte gives at most two.
  out.reset(new (std::nothrow) std::uint8_t[2 * n + 1]);
  if (!out) return false;
  std::uint8_t* o = out.get();
  switch (enc) {
    case TextEncoding::Utf8:
      FromUtf8(p, n, o);
      break;
    case TextEncoding::Utf16Le:
    case TextEncoding::Utf16Be:
      FromUtf16(p, n, enc == TextEncoding::Utf16Le, o);
      break;
    case TextEncoding::EucJp:
      FromEucJp(p, n, o);
      break;
    case TextEncoding::Iso2022Jp:
      FromIso2022Jp(p, n, o);
      break;
    case TextEncoding::ShiftJis:
      std::memcpy(o, p, n);
      o += n;
      break;
  }
  outSize = std::size_t(o - out.get());
  *o = 0;
  if (outSize >= limit) {
    out.reset();
    return false;
  }
  return true;
}
