#include "platform/TextEncoding.h"

#include <iconv.h>
#include <uchardet.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <initializer_list>
#include <new>
#include <optional>
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

// Characters that only guide layout and show nothing themselves: the soft
// hyphen, zero-width spaces and joiners, direction marks, variation
// selectors (♡ and its emoji form, a kanji's variant) and a byte-order mark
// within the text.
inline bool Invisible(std::uint32_t cp) {
  return cp == 0xAD || cp == 0x34F || (cp >= 0x200B && cp <= 0x200F) ||
         (cp >= 0x202A && cp <= 0x202E) || (cp >= 0x2060 && cp <= 0x206F) ||
         (cp >= 0xFE00 && cp <= 0xFE0F) || cp == 0xFEFF || (cp >= 0xE0000 && cp <= 0xE0FFF);
}

// The code of a character that may lack a Shift-JIS one (sjis 0): the
// text's own, given in order of appearance; nothing for an invisible one.
// C1 controls stay 〓.
inline std::uint16_t CodeOf(std::uint16_t sjis, std::uint32_t cp, UserChars* user) {
  if (sjis) return sjis;
  if (Invisible(cp)) return kNothing;
  if (user && cp >= 0xA0 && cp <= 0x10FFFF)
    if (const std::uint16_t code = user->Code(char32_t(cp))) return code;
  return kGeta;
}

// JIS X 0212 (EUC-JP's three-byte codes) to Unicode, asked of iconv once
// for the whole set on the first such code.
char32_t Jis0212ToUnicode(std::uint8_t b1, std::uint8_t b2) {
  static const std::unique_ptr<char32_t[]> table = [] {
    auto t = std::make_unique<char32_t[]>(94 * 94);
    iconv_t cd = iconv_open("UTF-32LE", "EUC-JP");
    if (cd == reinterpret_cast<iconv_t>(-1)) return t;
    for (int r = 0; r < 94; ++r)
      for (int c = 0; c < 94; ++c) {
        char in[3] = {char(0x8F), char(0xA1 + r), char(0xA1 + c)};
        char32_t out[2] = {};
        char* src = in;
        char* dst = reinterpret_cast<char*>(out);
        std::size_t srcLeft = 3, dstLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<std::size_t>(-1) &&
            dstLeft == sizeof out - 4)
          t[r * 94 + c] = out[0];
      }
    iconv_close(cd);
    return t;
  }();
  return table[(b1 - 0xA1) * 94 + (b2 - 0xA1)];
}

// The character of JIS X 0213 plane 1 at EUC bytes b1 b2 whose Shift-JIS
// code has no character; 0 for the rest. Asked of iconv once for the set.
char32_t Jis0213Only(std::uint8_t b1, std::uint8_t b2) {
  static const std::unique_ptr<char32_t[]> table = [] {
    auto t = std::make_unique<char32_t[]>(94 * 94);
    iconv_t from = iconv_open("UTF-32LE", "CP932");
    if (from == reinterpret_cast<iconv_t>(-1)) return t;
    for (int r = 0; r < 94; ++r)
      for (int c = 0; c < 94; ++c)
        if (!Decode932(from, JisToSjis(0x21 + r, 0x21 + c)))
          t[r * 94 + c] = Jis0213ToUnicode(1, r + 1, c + 1);
    iconv_close(from);
    return t;
  }();
  return table[(b1 - 0xA1) * 94 + (b2 - 0xA1)];
}

inline std::uint16_t Utf8Step(const std::uint8_t* p, std::size_t n, std::size_t& i,
                              const std::uint16_t* table, UserChars* user) {
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
      const std::uint16_t code = table[cp];
      return code ? code : CodeOf(0, cp, user);
    }
  }
  bool truncated = false;
  const long cp = NextUtf8(p, n, i, truncated);
  if (cp < 0) return kGeta;
  return CodeOf(cp < 0x10000 ? table[cp] : 0, std::uint32_t(cp), user);
}

inline std::uint16_t Utf16Step(const std::uint8_t* p, std::size_t n, std::size_t& i, bool le,
                               const std::uint16_t* table, UserChars* user) {
  if (i + 1 == n) {  // an odd last byte
    ++i;
    return kGeta;
  }
  const unsigned u = le ? p[i] | p[i + 1] << 8 : p[i] << 8 | p[i + 1];
  i += 2;
  if (u < 0x80) return std::uint16_t(u);
  // A pair of surrogates is one character beyond the plane; a lone one is
  // none.
  if (u >= 0xD800 && u <= 0xDFFF) {
    const unsigned v =
        u <= 0xDBFF && i + 1 < n ? le ? p[i] | p[i + 1] << 8 : p[i] << 8 | p[i + 1] : 0;
    if (v < 0xDC00 || v > 0xDFFF) return kGeta;
    i += 2;
    return CodeOf(0, 0x10000 + ((u - 0xD800) << 10) + (v - 0xDC00), user);
  }
  return CodeOf(table[u], u, user);
}

inline std::uint16_t EucStep(const std::uint8_t* p, std::size_t n, std::size_t& i,
                             const std::uint16_t* table, UserChars* user) {
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
    // JIS X 0212: a few of its characters have a Shift-JIS form (the IBM
    // extensions), the rest a code of the text's own.
    const char32_t cp = Jis0212ToUnicode(c, p[i - 1]);
    return cp ? CodeOf(cp < 0x10000 ? table[cp] : 0, cp, user) : kGeta;
  }
  if (InRange(b, 0xA1, 0xFE) && InRange(c, 0xA1, 0xFE)) {
    i += 2;
    // A code Shift-JIS leaves empty is the character JIS X 0213 gives it
    // (an EUC-JIS-2004 text's é or kanji of level 3), as a code of the text.
    if (const char32_t cp = Jis0213Only(b, c))
      return CodeOf(cp < 0x10000 ? table[cp] : 0, cp, user);
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

// Whether p[0..n) reads as Shift-JIS. cut: the sample stops short of the
// text, so its last lead byte may have lost its trail byte to the cut.
bool ValidSjis(const std::uint8_t* p, std::size_t n, bool cut) {
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint8_t b = p[i];
    if (b < 0x80 || InRange(b, 0xA1, 0xDF)) continue;
    if (!InRange(b, 0x81, 0x9F) && !InRange(b, 0xE0, 0xFC)) return false;
    if (++i == n) return cut;
    if (p[i] < 0x40 || p[i] == 0x7F || p[i] > 0xFC) return false;
  }
  return true;
}

// The UTF-8 reading of p[0..n): its valid multi-byte sequences, those of
// them from U+0800 up (half-width katakana in Shift-JIS can pair up as two
// bytes of UTF-8, never as three), and the invalid sequences, each one 〓
// (one cut off by the end of a sample aside). With a table, also the
// characters from U+0800 to U+FFFF and how many of them have a Shift-JIS form.
struct Utf8Count {
  std::size_t Sequences = 0, Wide = 0, Bad = 0, Plane = 0, Shown = 0;
};
Utf8Count CountUtf8(const std::uint8_t* p, std::size_t n, bool cut,
                    const std::uint16_t* table = nullptr) {
  Utf8Count c;
  for (std::size_t i = 0; i < n;) {
    if (p[i] < 0x80) {
      ++i;
      continue;
    }
    bool truncated = false;
    const long cp = NextUtf8(p, n, i, truncated);
    if (cp < 0) {
      c.Bad += !truncated || !cut;
      continue;
    }
    ++c.Sequences;
    c.Wide += cp >= 0x800;
    if (table && cp >= 0x800 && cp < 0x10000) {
      ++c.Plane;
      c.Shown += table[cp] != 0;
    }
  }
  return c;
}

// The EUC-JP reading of p[0..n): whether its bytes above 0x7F pair up as
// EUC-JP, its characters of two or three bytes, how many of them are kana
// or punctuation (rows 1, 4 and 5, or half-width, as in any Japanese
// prose), how many of them end in a byte a kana or punctuation row would
// begin with, whether one holds a byte from 0xE0 (ん, most kanji of level
// 2) and whether one is half-width or supplementary (0x8E, 0x8F).
struct EucCount {
  bool Valid = true, High = false, Single = false;
  std::size_t Pairs = 0, Kana = 0, Dots = 0;
};
EucCount CountEuc(const std::uint8_t* p, std::size_t n, bool cut) {
  EucCount c;
  auto kanaRow = [](std::uint8_t b) { return b == 0xA1 || b == 0xA4 || b == 0xA5; };
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint8_t b = p[i];
    if (b < 0x80) continue;
    const std::size_t len = b == 0x8F ? 3 : 2;
    if (i + len > n) {
      c.Valid = cut;
      break;
    }
    if (b == 0x8E ? !InRange(p[i + 1], 0xA1, 0xDF)
                  : (b != 0x8F && !InRange(b, 0xA1, 0xFE)) || !InRange(p[i + 1], 0xA1, 0xFE))
      c.Valid = false;
    if (b == 0x8F && !InRange(p[i + 2], 0xA1, 0xFE)) c.Valid = false;
    if (!c.Valid) break;
    ++c.Pairs;
    c.Kana += kanaRow(b) || b == 0x8E;
    c.Dots += len == 2 && (p[i + 1] == 0xA1 || p[i + 1] == 0xA5);
    c.Single = c.Single || b < 0xA1;
    c.High = c.High || b >= 0xE0 || p[i + 1] >= 0xE0;
    i += len - 1;
  }
  c.Valid = c.Valid && c.Pairs > 0;
  return c;
}

// Japanese UTF-16 without a byte-order mark, units of p[0..n): nearly all
// (15 in 16) ASCII, kana and punctuation, kanji or full-width. English read
// two bytes at a time is "kanji" too, and so is Shift-JIS kanji read out of
// step, but neither has kana: unless loose, kana or punctuation must be one
// in eight of the units beyond ASCII.
bool Utf16Reading(const std::uint8_t* p, std::size_t n, bool loose, TextEncoding& enc) {
  const std::size_t units = n / 2;
  if (units == 0) return false;
  for (const bool little : {true, false}) {
    std::size_t fit = 0, ascii = 0, kana = 0;
    for (std::size_t k = 0; k < units; ++k) {
      const unsigned u = little ? p[2 * k] | p[2 * k + 1] << 8 : p[2 * k] << 8 | p[2 * k + 1];
      const std::uint8_t hi = std::uint8_t(u >> 8);
      ascii += u != 0 && u < 0x80;
      kana += hi == 0x30;
      // Latin-1, Greek and Cyrillic, punctuation and symbols, kana, kanji,
      // full-width forms, and surrogates (a character beyond the plane).
      fit += (hi == 0 && u != 0) || hi == 0x03 || hi == 0x04 || InRange(hi, 0x20, 0x27) ||
             hi == 0x30 || InRange(hi, 0x4E, 0x9F) || hi == 0xFF || InRange(hi, 0xD8, 0xDF);
    }
    if (fit * 16 >= units * 15 && (loose || kana * 8 >= units - ascii)) {
      enc = little ? TextEncoding::Utf16Le : TextEncoding::Utf16Be;
      return true;
    }
  }
  return false;
}

// ISO-2022-JP: the escape to kanji within the first 64 KiB from where the
// text starts (h, the first byte above 0x7F), and fewer bytes above 0x7F
// (a "(c)" sign or a stray byte, each shown as 〓) than kanji after it. No
// other encoding writes the escape.
bool Iso2022Reading(const std::uint8_t* p, std::size_t size, std::size_t h) {
  const std::string_view head(reinterpret_cast<const char*>(p), std::min(size, h + kSampleBytes));
  const std::size_t escape = std::min(head.find("\x1B$B"), head.find("\x1B$@"));
  if (escape == head.npos) return false;
  const std::size_t end = std::min(size, escape + kSampleBytes);
  const std::size_t high =
      std::size_t(std::count_if(p, p + end, [](std::uint8_t b) { return b >= 0x80; }));
  std::size_t kanji = 0;
  JisMode mode = JisMode::Roman;
  for (std::size_t i = escape; i < end && kanji <= high;) {
    const std::uint16_t code = Iso2022Step(p, end, i, mode);
    kanji += code >= 0x100 && code != kNothing && code != kGeta;
  }
  return high == 0 || high < kanji;
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

// Fewer UTF-8 sequences than this in a text that reads as Shift-JIS too
// are taken for Shift-JIS kanji of level 2 ("燿。" is one).
constexpr std::size_t kFewSequences = 3;
// Fewer EUC-JP characters than this are too few for the detector.
constexpr std::size_t kShortEuc = 16;
// A text that is not Shift-JIS reads as UTF-8 with up to one invalid
// sequence in this many; one that is, only with fewer than one in a thousand.
constexpr std::size_t kStrayUtf8 = 100;

std::optional<TextEncoding> ByteOrderMark(const std::uint8_t* p, std::size_t size) {
  if (size >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) return TextEncoding::Utf8;
  if (size >= 2 && p[0] == 0xFF && p[1] == 0xFE) return TextEncoding::Utf16Le;
  if (size >= 2 && p[0] == 0xFE && p[1] == 0xFF) return TextEncoding::Utf16Be;
  return std::nullopt;
}

}  // namespace

std::uint16_t UnicodeToSjis(std::uint32_t cp) { return cp < 0x10000 ? SjisTable()[cp] : 0; }

std::uint16_t ExtensionToSjis(std::uint16_t code) {
  constexpr std::uint16_t kFirst = 0xFA40, kLast = 0xFC4B;
  // Each code read as iconv's CP932 reads it, then written as any
  // converted text writes that character.
  static const std::unique_ptr<std::uint16_t[]> table = [] {
    auto t = std::make_unique<std::uint16_t[]>(kLast - kFirst + 1);
    iconv_t from = iconv_open("UTF-32LE", "CP932");
    if (from != reinterpret_cast<iconv_t>(-1)) {
      for (std::uint16_t c = kFirst; c <= kLast; ++c) {
        const std::uint32_t cp = Decode932(from, c);
        const std::uint16_t sjis = cp < 0x10000 ? SjisTable()[cp] : 0;
        t[c - kFirst] = sjis >= 0x100 ? sjis : 0;
      }
      iconv_close(from);
    }
    return t;
  }();
  return code >= kFirst && code <= kLast ? table[code - kFirst] : 0;
}

TextEncoding DetectEncoding(const std::uint8_t* p, std::size_t size) {
  if (const auto marked = ByteOrderMark(p, size)) return *marked;
  // The zero bytes of ASCII and line ends in UTF-16; no other text has them.
  const std::size_t head = std::min(size, kSampleBytes);
  const bool zeros = std::memchr(p, 0, head) != nullptr;
  TextEncoding wide;
  if (zeros && Utf16Reading(p, head, false, wide)) return wide;
  // The sample starts where the text does: markup, style sheets or an
  // English preface before it read alike in every encoding.
  const std::size_t h =
      std::size_t(std::find_if(p, p + size, [](std::uint8_t b) { return b >= 0x80; }) - p);
  if (Iso2022Reading(p, size, h)) return TextEncoding::Iso2022Jp;
  if (h == size) return TextEncoding::ShiftJis;

  const std::uint8_t* s = p + h;
  const std::size_t n = std::min(size - h, kSampleBytes);
  const bool cut = h + n < size;
  const bool sjis = ValidSjis(s, n, cut);
  std::optional<std::string> guess;  // the detector's, asked once if needed
  auto guessed = [&]() -> const std::string& {
    if (!guess) guess = Guess(s, n);
    return *guess;
  };
  // UTF-8 throughout, or but for a stray byte (a Windows-1252 quote), each
  // shown as 〓.
  const Utf8Count u = CountUtf8(s, n, cut);
  if (u.Wide > 0 && !sjis && u.Bad * kStrayUtf8 <= u.Sequences) return TextEncoding::Utf8;
  if (u.Wide > 0 && sjis && (u.Bad == 0 || u.Bad * 1000 < u.Sequences)) {
    // Both readings hold: a few sequences, or characters that Shift-JIS
    // has no form for, are Shift-JIS kanji of level 2 that happen to pair
    // up as UTF-8.
    const Utf8Count shown = CountUtf8(s, n, cut, SjisTable());
    if (u.Sequences >= kFewSequences && shown.Shown * 4 >= shown.Plane * 3 && guessed() == "UTF-8")
      return TextEncoding::Utf8;
  }
  const EucCount euc = CountEuc(s, n, cut);
  if (euc.Valid && !sjis) return TextEncoding::EucJp;
  if (euc.Valid && euc.Kana * 4 >= euc.Pairs) {
    // Both hold, and a quarter of the characters are kana or punctuation,
    // as in any Japanese prose. Shift-JIS read so is half-width katakana,
    // and from lead 0xE0 on kanji of level 2 or codes of no character,
    // with no kana, punctuation or kanji of level 1: no Japanese text.
    if (euc.High && !euc.Single && euc.Pairs < kShortEuc) return TextEncoding::EucJp;
    // Nothing but half-width katakana as Shift-JIS, with ､, ･ or ｡ before
    // most of the pairs: EUC-JP hiragana, katakana and punctuation begin
    // with 0xA4, 0xA5 and 0xA1. Half-width text has them every other
    // character only in an ellipsis ("ｿｳ････"), whose dots also end pairs;
    // and a single such pair tells nothing.
    if (!euc.High && !euc.Single && euc.Kana >= 2 && euc.Kana > 2 * euc.Dots &&
        euc.Kana * 2 > euc.Pairs)
      return TextEncoding::EucJp;
    if (euc.Pairs >= kShortEuc && (euc.High || euc.Single) && guessed() == "EUC-JP")
      return TextEncoding::EucJp;
  }
  // No reading holds: UTF-16 with no ASCII at all ("こんにちは"), or with
  // zero bytes and no kana (all kanji). A text that is UTF-8 but for its
  // Latin letters keeps the kana rule, as English would read as kanji.
  if (!sjis && Utf16Reading(p, head, zeros && u.Bad > 0, wide)) return wide;
  // Nor any reading but UTF-8 with a few stray bytes, as a short note with
  // "caf\xE9" in it is: it shows the rest as written, where Shift-JIS would
  // garble every character. Shift-JIS or EUC-JP with a stray byte read as
  // UTF-8 are nearly all stray bytes.
  if (!sjis && !euc.Valid && u.Wide > 0 && u.Bad * 4 <= u.Wide) return TextEncoding::Utf8;
  return TextEncoding::ShiftJis;
}

TextEncoding PageEncoding(std::string_view charset, const std::uint8_t* p, std::size_t size) {
  if (const auto marked = ByteOrderMark(p, size)) return *marked;
  std::string name(charset);
  for (char& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
  const auto is = [&](std::initializer_list<std::string_view> names) {
    return std::find(names.begin(), names.end(), name) != names.end();
  };
  // As detection samples: from the first byte above 0x7F on.
  const std::size_t h =
      std::size_t(std::find_if(p, p + size, [](std::uint8_t b) { return b >= 0x80; }) - p);
  const std::uint8_t* s = p + h;
  const std::size_t n = std::min(size - h, kSampleBytes);
  const bool cut = h + n < size;
  const TextEncoding detected = DetectEncoding(p, size);
  if (is({"shift_jis", "shift-jis", "sjis", "x-sjis", "ms_kanji", "csshiftjis", "windows-31j",
          "cswindows31j", "cp932", "ms932", "x-ms-cp932"}))
    return ValidSjis(s, n, cut) && detected != TextEncoding::Utf8 ? TextEncoding::ShiftJis
                                                                  : detected;
  // UTF-16 named in bytes that read as ASCII is not UTF-16: a browser reads
  // such a page as UTF-8, and so does the reader.
  if (is({"utf-8", "utf8", "unicode-1-1-utf-8", "utf-16", "utf-16le", "utf-16be"})) {
    const Utf8Count u = CountUtf8(s, n, cut);
    return u.Bad == 0 || u.Bad * 1000 < u.Sequences ? TextEncoding::Utf8 : detected;
  }
  if (is({"euc-jp", "x-euc-jp", "eucjp", "cseucpkdfmtjapanese"}))
    return CountEuc(s, n, cut).Valid ? TextEncoding::EucJp : detected;
  if (is({"iso-2022-jp", "csiso2022jp"})) return h == size ? TextEncoding::Iso2022Jp : detected;
  return detected;
}

TextEncoding ChosenEncoding(std::int32_t choice, const std::uint8_t* text, std::size_t size) {
  switch (choice) {
    case 1:
      return TextEncoding::ShiftJis;
    case 2:
      return TextEncoding::Utf8;
    case 3:
      return TextEncoding::EucJp;
    case 4:
      return size >= 2 && text[0] == 0xFE && text[1] == 0xFF ? TextEncoding::Utf16Be
                                                             : TextEncoding::Utf16Le;
    case 5:
      return TextEncoding::Iso2022Jp;
  }
  return DetectEncoding(text, size);
}

Conversion ConvertToSjis(std::unique_ptr<std::uint8_t[]>& text, std::size_t& size, TextEncoding enc,
                         std::uint64_t limit, UserChars* user) {
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
        return Convert([&](std::size_t& j) { return Utf8Step(p, n, j, table, user); }, p, n, i, o,
                       inPlace);
      case TextEncoding::Utf16Le:
      case TextEncoding::Utf16Be: {
        const bool le = enc == TextEncoding::Utf16Le;
        return Convert([&](std::size_t& j) { return Utf16Step(p, n, j, le, table, user); }, p, n, i,
                       o, inPlace);
      }
      case TextEncoding::EucJp:
        return Convert([&](std::size_t& j) { return EucStep(p, n, j, table, user); }, p, n, i, o,
                       inPlace);
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

std::uint16_t UserChars::Code(char32_t ch) {
  if (const std::uint16_t code = Find(ch)) return code;
  const std::size_t k = chars_.size();
  // Surrogates and noncharacters stand for nothing a font could draw.
  if (k >= kUserCodes || ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF) ||
      (ch >= 0xFDD0 && ch <= 0xFDEF) || (ch & 0xFFFE) == 0xFFFE)
    return 0;
  const std::size_t t = k % 188;
  const std::uint16_t code = std::uint16_t((0xF0 + k / 188) << 8 | (0x40 + t + (t >= 0x3F)));
  chars_.push_back(ch);
  codes_.emplace(ch, code);
  return code;
}

std::uint16_t UserChars::Find(char32_t ch) const {
  const auto it = codes_.find(ch);
  return it == codes_.end() ? 0 : it->second;
}

char32_t UserChars::Char(std::uint8_t lead, std::uint8_t trail) const {
  if (lead < 0xF0 || lead > 0xF9 || trail < 0x40 || trail == 0x7F || trail > 0xFC) return 0;
  const std::size_t k = std::size_t(lead - 0xF0) * 188 + trail - 0x40 - (trail > 0x7F);
  return k < chars_.size() ? chars_[k] : 0;
}

char32_t Jis0213ToUnicode(int plane, int row, int cell) {
  if (plane < 1 || plane > 2 || row < 1 || row > 94 || cell < 1 || cell > 94) return 0;
  iconv_t cd = iconv_open("UTF-32LE", "EUC-JISX0213");
  if (cd == reinterpret_cast<iconv_t>(-1)) return 0;
  char in[3];
  std::size_t srcLeft = 0;
  if (plane == 2) in[srcLeft++] = char(0x8F);
  in[srcLeft++] = char(0xA0 + row);
  in[srcLeft++] = char(0xA0 + cell);
  char32_t out[3] = {};
  char* src = in;
  char* dst = reinterpret_cast<char*>(out);
  std::size_t dstLeft = sizeof out;
  const bool ok = iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<std::size_t>(-1) &&
                  iconv(cd, nullptr, nullptr, &dst, &dstLeft) != static_cast<std::size_t>(-1);
  iconv_close(cd);
  // A character written as a base and a combining mark has no one code.
  return ok && dstLeft == sizeof out - 4 ? out[0] : 0;
}
