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

// The Shift-JIS code of one character as iconv's CP932 gives it; 0 for none.
std::uint16_t Encode932(iconv_t cd, std::uint32_t cp) {
  char in[4] = {char(cp & 0xFF), char(cp >> 8), 0, 0};
  unsigned char buf[4];
  char* src = in;
  char* dst = reinterpret_cast<char*>(buf);
  std::size_t srcLeft = 4, dstLeft = sizeof buf;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1)) return 0;
  const std::size_t n = sizeof buf - dstLeft;
  // A single byte other than ASCII or half-width katakana would be read
  // back as something else.
  if (n == 2) return std::uint16_t(buf[0] << 8 | buf[1]);
  if (n == 1 && (buf[0] < 0x80 || (buf[0] >= 0xA1 && buf[0] <= 0xDF))) return buf[0];
  return 0;
}

// The code point of a double-byte Shift-JIS code as iconv's CP932 reads it;
// 0 for none.
std::uint32_t Decode932(iconv_t cd, std::uint16_t code) {
  char in[2] = {char(code >> 8), char(code & 0xFF)};
  std::uint32_t cp = 0;
  char* src = in;
  char* dst = reinterpret_cast<char*>(&cp);
  std::size_t srcLeft = 2, dstLeft = sizeof cp;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1)) return 0;
  return cp;
}

// Lead bytes the walk takes and the font data holds.
inline bool Drawable(std::uint16_t code) {
  const int lead = code >> 8;
  return code < 0x100 || (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xEF);
}

// Unicode -> Shift-JIS for the whole Basic Multilingual Plane, asked of
// iconv once per code point, so that its choices (the wave dash, the
// yen sign, the NEC rows) hold for every text alike. iconv gives the IBM
// extension characters (﨑, 髙, ⅰ, ＂) codes with lead 0xFA..0xFC, which the
// walk drops; the same characters have codes with lead 0xED and 0xEE, found
// by reading those codes back. The user-defined area (lead 0xF0..0xF9) is
// left to a text's own characters: none here.
const std::uint16_t* SjisTable() {
  static const std::unique_ptr<std::uint16_t[]> table = [] {
    auto t = std::make_unique<std::uint16_t[]>(0x10000);
    iconv_t to = iconv_open("CP932", "UTF-32LE");
    iconv_t from = iconv_open("UTF-32LE", "CP932");
    if (to != reinterpret_cast<iconv_t>(-1)) {
      for (std::uint32_t cp = 0x80; cp < 0x10000; ++cp)
        if (cp < 0xD800 || cp >= 0xE000) t[cp] = Encode932(to, cp);
      iconv_close(to);
    }
    if (from != reinterpret_cast<iconv_t>(-1)) {
      for (std::uint16_t code = 0xED40; code <= 0xEEFC; ++code) {
        const std::uint32_t cp = Decode932(from, code);
        if (cp > 0 && cp < 0x10000 && !Drawable(t[cp])) t[cp] = code;
      }
      iconv_close(from);
    }
    for (std::uint32_t cp = 0x80; cp < 0x10000; ++cp)
      if (!Drawable(t[cp])) t[cp] = 0;
    for (std::uint32_t cp = 1; cp < 0x80; ++cp) t[cp] = std::uint16_t(cp);
    t[0xA0] = ' ';  // a no-break space (&nbsp;) has none, but is a space
    return t;
  }();
  return table.get();
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

// Each step reads one character at p[i], moves i past it and gives its
// Shift-JIS code: a byte below 0x100, two bytes above, kNothing for an
// escape sequence that only switches a mode.
constexpr std::uint16_t kNothing = 0xFFFF;

inline std::uint16_t OrGeta(std::uint16_t code) { return code ? code : kGeta; }

inline std::uint16_t Utf8Step(const std::uint8_t* p, std::size_t n, std::size_t& i,
                              const std::uint16_t* table) {
  const std::uint8_t b = p[i];
  if (b < 0x80) {
    ++i;
    return b;
  }
  // Kana and kanji take three bytes: decoded here at once, and the rare
  // rest (and every invalid sequence) by NextUtf8.
  if ((b & 0xF0) == 0xE0 && i + 2 < n && (p[i + 1] & 0xC0) == 0x80 && (p[i + 2] & 0xC0) == 0x80) {
    const unsigned cp = (b & 0x0Fu) << 12 | (p[i + 1] & 0x3Fu) << 6 | (p[i + 2] & 0x3Fu);
    if (cp >= 0x800 && (cp < 0xD800 || cp > 0xDFFF)) {
      i += 3;
      return OrGeta(table[cp]);
    }
  }
  bool truncated = false;
  const long cp = NextUtf8(p, n, i, truncated);
  return cp >= 0 && cp < 0x10000 ? OrGeta(table[cp]) : kGeta;
}

inline std::uint16_t Utf16Step(const std::uint8_t* p, std::size_t n, std::size_t& i, bool le,
                               const std::uint16_t* table) {
  if (i + 1 == n) {  // an odd last byte
    ++i;
    return kGeta;
  }
  const unsigned u = le ? p[i] | p[i + 1] << 8 : p[i] << 8 | p[i + 1];
  i += 2;
  if (u < 0x80) return std::uint16_t(u);
  // A pair of surrogates is one character beyond the plane: one 〓.
  if (u >= 0xD800 && u <= 0xDBFF && i + 1 < n) {
    const unsigned v = le ? p[i] | p[i + 1] << 8 : p[i] << 8 | p[i + 1];
    if (v >= 0xDC00 && v <= 0xDFFF) i += 2;
  }
  return OrGeta(table[u]);
}

inline std::uint16_t EucStep(const std::uint8_t* p, std::size_t n, std::size_t& i) {
  const std::uint8_t b = p[i];
  const std::uint8_t c = i + 1 < n ? p[i + 1] : 0;
  if (b < 0x80) {
    ++i;
    return b;
  }
  if (b == 0x8E && InRange(c, 0xA1, 0xDF)) {
    i += 2;
    return c;  // half-width katakana
  }
  if (b == 0x8F && InRange(c, 0xA1, 0xFE) && i + 2 < n && InRange(p[i + 2], 0xA1, 0xFE)) {
    i += 3;
    return kGeta;  // JIS X 0212 has no Shift-JIS form
  }
  if (InRange(b, 0xA1, 0xFE) && InRange(c, 0xA1, 0xFE)) {
    i += 2;
    return JisToSjis(b - 0x80, c - 0x80);
  }
  ++i;
  return kGeta;
}

enum class JisMode { Roman, Kanji, Kana, Supplement };

inline std::uint16_t Iso2022Step(const std::uint8_t* p, std::size_t n, std::size_t& i,
                                 JisMode& mode) {
  const std::uint8_t b = p[i];
  if (b == 0x1B) {
    const std::string_view rest(reinterpret_cast<const char*>(p) + i, n - i);
    const struct {
      const char* Seq;
      JisMode Mode;
    } escapes[] = {{"\x1B$@", JisMode::Kanji}, {"\x1B$B", JisMode::Kanji},
                   {"\x1B(B", JisMode::Roman}, {"\x1B(J", JisMode::Roman},
                   {"\x1B(I", JisMode::Kana},  {"\x1B$(D", JisMode::Supplement}};
    for (const auto& e : escapes)
      if (rest.starts_with(e.Seq)) {
        mode = e.Mode;
        i += std::strlen(e.Seq);
        return kNothing;
      }
  }
  ++i;
  // Line ends and spaces pass in every mode; eight-bit bytes never belong.
  if (b >= 0x80) return kGeta;
  if (b <= 0x20 || b == 0x7F || mode == JisMode::Roman) return b;
  if (mode == JisMode::Kana) return b <= 0x5F ? b + 0x80 : kGeta;
  if (i == n || !InRange(p[i], 0x21, 0x7E)) return kGeta;
  ++i;
  return mode == JisMode::Kanji ? JisToSjis(b, p[i - 1]) : kGeta;
}

// Runs step from p[i] and writes the codes from out on. In place (out in
// the same buffer as p), it stops before a character whose code would
// overwrite bytes not yet read, and returns where it stopped; n when done.
template <typename Step>
std::size_t Convert(Step step, const std::uint8_t* p, std::size_t n, std::size_t i,
                    std::uint8_t*& out, bool inPlace) {
  // A local pointer: one kept in memory and written through as a byte
  // pointer could alias everything, reloaded at every byte.
  std::uint8_t* o = out;
  while (i < n) {
    std::size_t next = i;
    const std::uint16_t code = step(next);
    const int k = code == kNothing ? 0 : code < 0x100 ? 1 : 2;
    if (inPlace && o + k > p + next) break;
    if (k == 1) *o = std::uint8_t(code);
    if (k == 2) {
      o[0] = std::uint8_t(code >> 8);
      o[1] = std::uint8_t(code);
    }
    o += k;
    i = next;
  }
  out = o;
  return i;
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

Conversion ConvertToSjis(std::unique_ptr<std::uint8_t[]>& text, std::size_t& size, TextEncoding enc,
                         std::uint64_t limit) {
  if (enc == TextEncoding::ShiftJis) {
    text[size] = 0;
    return Conversion::AsIs;
  }
  const std::uint8_t* p = text.get();
  std::size_t start = 0;
  if (enc == TextEncoding::Utf8 && size >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF)
    start = 3;
  if (enc == TextEncoding::Utf16Le && size >= 2 && p[0] == 0xFF && p[1] == 0xFE) start = 2;
  if (enc == TextEncoding::Utf16Be && size >= 2 && p[0] == 0xFE && p[1] == 0xFF) start = 2;
  const std::uint16_t* table = SjisTable();
  JisMode mode = JisMode::Roman;
  const std::size_t n = size;
  auto run = [&](std::size_t i, std::uint8_t*& o, bool inPlace) -> std::size_t {
    switch (enc) {
      case TextEncoding::Utf8:
        return Convert([&](std::size_t& j) { return Utf8Step(p, n, j, table); }, p, n, i, o,
                       inPlace);
      case TextEncoding::Utf16Le:
      case TextEncoding::Utf16Be: {
        const bool le = enc == TextEncoding::Utf16Le;
        return Convert([&](std::size_t& j) { return Utf16Step(p, n, j, le, table); }, p, n, i, o,
                       inPlace);
      }
      case TextEncoding::EucJp:
        return Convert([&](std::size_t& j) { return EucStep(p, n, j); }, p, n, i, o, inPlace);
      case TextEncoding::Iso2022Jp:
        return Convert([&](std::size_t& j) { return Iso2022Step(p, n, j, mode); }, p, n, i, o,
                       inPlace);
      case TextEncoding::ShiftJis:
        break;
    }
    return n;
  };
  // Converted forms are mostly shorter (three bytes of UTF-8 make two), so
  // the text is converted where it lies: no second buffer to fill.
  std::uint8_t* o = text.get();
  const std::size_t stop = run(start, o, true);
  std::size_t length = std::size_t(o - text.get());
  if (stop < n) {
    // Invalid bytes (one 〓 of two bytes each) would overtake the reading:
    // the rest goes to a buffer of its own, where every byte may give two.
    std::unique_ptr<std::uint8_t[]> grown(new (std::nothrow)
                                              std::uint8_t[length + 2 * (n - stop) + 1]);
    if (!grown) return Conversion::NoMemory;
    std::memcpy(grown.get(), text.get(), length);
    o = grown.get() + length;
    run(stop, o, false);
    length = std::size_t(o - grown.get());
    text = std::move(grown);
  }
  text[length] = 0;
  size = length;
  return length < limit ? Conversion::Converted : Conversion::TooLarge;
}
