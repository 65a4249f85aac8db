#include "text/NamedChars.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view kKome = "\x81\xA6";               // ※
constexpr std::string_view kNoteStart = "\x81\x6D\x81\x94";  // ［＃
constexpr std::string_view kAccentOpen = "\x81\x6B";         // 〔
constexpr std::uint8_t kNoteClose = 0x6E;                    // ］ (lead 0x81)
constexpr std::uint8_t kAccentClose = 0x6C;                  // 〕
constexpr std::uint8_t kQuoteOpen = 0x75;                    // 「
constexpr std::uint8_t kQuoteClose = 0x76;                   // 」

// The letters and marks of the notation, each checked against the Unicode
// name of its letter (LATIN SMALL LETTER E WITH ACUTE for e'): grave `,
// acute ', circumflex ^, diaeresis :, tilde ~, ring above &, stroke /, and
// the ligatures and sharp s written with &.
constexpr struct {
  std::string_view Written;
  char32_t Letter;
} kAccents[] = {
    {"AE&", 0x00C6}, {"ae&", 0x00E6}, {"OE&", 0x0152}, {"oe&", 0x0153}, {"ss&", 0x00DF},
    {"A`", 0x00C0},  {"E`", 0x00C8},  {"I`", 0x00CC},  {"O`", 0x00D2},  {"U`", 0x00D9},
    {"a`", 0x00E0},  {"e`", 0x00E8},  {"i`", 0x00EC},  {"o`", 0x00F2},  {"u`", 0x00F9},
    {"A'", 0x00C1},  {"E'", 0x00C9},  {"I'", 0x00CD},  {"O'", 0x00D3},  {"U'", 0x00DA},
    {"Y'", 0x00DD},  {"a'", 0x00E1},  {"e'", 0x00E9},  {"i'", 0x00ED},  {"o'", 0x00F3},
    {"u'", 0x00FA},  {"y'", 0x00FD},  {"A^", 0x00C2},  {"E^", 0x00CA},  {"I^", 0x00CE},
    {"O^", 0x00D4},  {"U^", 0x00DB},  {"a^", 0x00E2},  {"e^", 0x00EA},  {"i^", 0x00EE},
    {"o^", 0x00F4},  {"u^", 0x00FB},  {"A:", 0x00C4},  {"E:", 0x00CB},  {"I:", 0x00CF},
    {"O:", 0x00D6},  {"U:", 0x00DC},  {"Y:", 0x0178},  {"a:", 0x00E4},  {"e:", 0x00EB},
    {"i:", 0x00EF},  {"o:", 0x00F6},  {"u:", 0x00FC},  {"y:", 0x00FF},  {"A~", 0x00C3},
    {"N~", 0x00D1},  {"O~", 0x00D5},  {"a~", 0x00E3},  {"n~", 0x00F1},  {"o~", 0x00F5},
    {"A&", 0x00C5},  {"a&", 0x00E5},  {"O/", 0x00D8},  {"o/", 0x00F8},
};

bool Is(const std::uint8_t* text, std::int64_t length, std::int64_t p, std::string_view s) {
  return p + std::int64_t(s.size()) <= length && std::memcmp(text + p, s.data(), s.size()) == 0;
}

// Longer than this, a note or a 〔…〕 is not looked into: a real one is a
// few dozen characters, and a line of brackets left open then costs no
// more than a pass over it.
constexpr std::int64_t kLongest = 4096;

// The ASCII a character of a note reads as where it may spell a name:
// itself, or the half-width form of a full-width digit or hyphen; a space
// for anything else.
char Plain(const std::uint8_t* c, int bytes) {
  if (bytes == 1) return char(c[0]);
  const unsigned code = unsigned(c[0]) << 8 | c[1];
  if (code >= 0x824F && code <= 0x8258) return char('0' + code - 0x824F);
  if (code == 0x817C || code == 0x815D) return '-';
  return ' ';
}

bool Digit(char c) { return c >= '0' && c <= '9'; }

// The number at s[i] (digits only), moving i past it; -1 for none.
int Number(std::string_view s, std::size_t& i) {
  if (i >= s.size() || !Digit(s[i])) return -1;
  long n = 0;
  for (; i < s.size() && Digit(s[i]); ++i) n = std::min(n * 10 + (s[i] - '0'), 100000L);
  return int(n);
}

int Hex(char c) {
  if (Digit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

CharName ParseCharName(const std::uint8_t* text, std::int64_t from, std::int64_t to,
                       std::size_t userCodes) {
  std::string s;
  int quoted = 0;
  for (std::int64_t c = from; c < to;) {
    const int bytes = CharBytes(text + c, userCodes);
    if (bytes == 2 && text[c] == 0x81 && text[c + 1] == kQuoteOpen) ++quoted;
    if (bytes == 2 && text[c] == 0x81 && text[c + 1] == kQuoteClose && quoted > 0) --quoted;
    s += quoted > 0 ? ' ' : Plain(text + c, bytes);
    c += bytes;
  }
  CharName name;
  // Three numbers joined by hyphens, none of them part of a longer run.
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (!Digit(s[i]) || (i > 0 && (Digit(s[i - 1]) || s[i - 1] == '-'))) continue;
    std::size_t j = i;
    const int plane = Number(s, j);
    if (j >= s.size() || s[j] != '-') continue;
    const int row = Number(s, ++j);
    if (j >= s.size() || s[j] != '-') continue;
    const int cell = Number(s, ++j);
    if (cell < 0 || (j < s.size() && s[j] == '-')) continue;
    if (plane == 1 || plane == 2) return {plane, row, cell, 0};
  }
  // U+ and four to six hex digits.
  for (std::size_t i = 0; i + 2 < s.size(); ++i) {
    if ((s[i] != 'U' && s[i] != 'u') || s[i + 1] != '+') continue;
    std::size_t j = i + 2;
    char32_t cp = 0;
    for (; j < s.size() && Hex(s[j]) >= 0; ++j)
      cp = std::min(cp * 16 + char32_t(Hex(s[j])), 0x110000u);
    if (j - i >= 6 && j - i <= 8) {
      name.CodePoint = cp;
      return name;
    }
  }
  return name;
}

char32_t AccentAt(const std::uint8_t* text, std::int64_t length, std::int64_t p, int& len) {
  for (const auto& a : kAccents)
    if (Is(text, length, p, a.Written)) {
      len = int(a.Written.size());
      return a.Letter;
    }
  return 0;
}

namespace {

// The closing brackets of the line a scan is on, found in one pass however
// many brackets are left open: each candidate asks from where it begins,
// and the scan only moves on. A note's ］ is the one that matches its ［＃
// (notes it quotes counted); a 〔's 〕 the first after it.
class Closers {
 public:
  Closers(const std::uint8_t* text, std::int64_t length, std::size_t userCodes)
      : text_(text), length_(length), userCodes_(userCodes) {}

  // The close of the bracket at `at` (the start of a character, never
  // before an earlier question's), within kLongest bytes on its line; -1
  // for none.
  std::int64_t Close(std::int64_t at, bool note) {
    if (q_ <= at) {  // a new line, or past all that was scanned
      q_ = at;
      opens_.clear();
      noteCloses_.clear();
      accentCloses_.clear();
    }
    const std::int64_t end = std::min(length_, at + kLongest);
    for (; q_ < end && text_[q_] != '\n'; q_ += CharBytes(text_ + q_, userCodes_)) {
      if (text_[q_] != 0x81) continue;
      if (Is(text_, length_, q_, kNoteStart)) {
        // One that would close this far on shows as written anyway.
        while (!opens_.empty() && opens_.front() + kLongest <= q_) opens_.pop_front();
        opens_.push_back(q_);
      } else if (text_[q_ + 1] == kNoteClose && !opens_.empty()) {
        noteCloses_.emplace(opens_.back(), q_);
        opens_.pop_back();
      } else if (text_[q_ + 1] == kAccentClose) {
        accentCloses_.push_back(q_);
      }
    }
    if (note) {
      noteCloses_.erase(noteCloses_.begin(), noteCloses_.lower_bound(at));
      const auto it = noteCloses_.find(at);
      return it != noteCloses_.end() && it->second < end ? it->second : -1;
    }
    while (!accentCloses_.empty() && accentCloses_.front() < at) accentCloses_.pop_front();
    return !accentCloses_.empty() && accentCloses_.front() < end ? accentCloses_.front() : -1;
  }

 private:
  const std::uint8_t* text_;
  std::int64_t length_;
  std::size_t userCodes_;
  std::int64_t q_ = 0;              // where the scan goes on, the start of a character
  std::deque<std::int64_t> opens_;  // ［＃ not closed yet, in order
  std::map<std::int64_t, std::int64_t> noteCloses_;  // ［＃ to its ］
  std::deque<std::int64_t> accentCloses_;            // 〕 in order
};

Substitution Piece(std::int64_t at, std::int64_t end, std::uint16_t code) {
  return {std::int32_t(at), std::uint16_t(end - at), code};
}

}  // namespace

std::vector<Substitution> FindNamedChars(const std::uint8_t* text, std::int64_t length,
                                         std::size_t userCodes,
                                         const std::function<char32_t(int, int, int)>& jis,
                                         const std::function<std::uint16_t(char32_t)>& code) {
  // Where a note or an opening 〔 may begin, in the order of the text (the
  // nearer of the next of each); each is checked to begin a character
  // (walked from its line start, never through a trail byte) as it is
  // reached.
  const char* all = reinterpret_cast<const char*>(text);
  const auto next = [&](std::string_view needle, std::int64_t from) -> std::int64_t {
    const void* p =
        from < length ? memmem(all + from, std::size_t(length - from), needle.data(), needle.size())
                      : nullptr;
    return p ? static_cast<const char*>(p) - all : length;
  };
  std::int64_t nextNote = next(kNoteStart, 0), nextAccent = next(kAccentOpen, 0);

  std::vector<Substitution> found;
  Closers closers(text, length, userCodes);
  std::int64_t c = 0;  // the start of a character, never past the candidate
  while (std::min(nextNote, nextAccent) < length) {
    const bool note = nextNote < nextAccent;
    const std::int64_t at = note ? nextNote : nextAccent;
    if (note)
      nextNote = next(kNoteStart, at + 1);
    else
      nextAccent = next(kAccentOpen, at + 1);
    const std::int64_t start = note ? at - 2 : at;  // a note counts after a ※
    if (start < c) continue;
    if (const void* lf = memrchr(text + c, '\n', std::size_t(start - c)))
      c = static_cast<const std::uint8_t*>(lf) - text + 1;
    while (c < start) c += CharBytes(text + c, userCodes);
    if (c != start || (note && !Is(text, length, start, kKome))) continue;
    const std::int64_t close = closers.Close(at, note);
    if (close < 0) continue;
    if (note) {
      const CharName name = ParseCharName(text, at + 4, close, userCodes);
      const char32_t ch = name.Plane ? jis(name.Plane, name.Row, name.Cell) : name.CodePoint;
      if (const std::uint16_t shown = ch ? code(ch) : 0)
        found.push_back(Piece(start, close + 2, shown));
      c = close + 2;
      continue;
    }
    const std::size_t bracket = found.size();
    found.push_back(Piece(at, at + 2, 0));
    for (std::int64_t q = at + 2; q < close;) {
      int len = 0;
      const char32_t letter = AccentAt(text, close, q, len);
      const std::uint16_t shown = letter ? code(letter) : 0;
      if (shown) {
        found.push_back(Piece(q, q + len, shown));
        q += len;
      } else {
        q += CharBytes(text + q, userCodes);
      }
    }
    if (found.size() == bracket + 1)
      found.pop_back();  // no accent: the brackets are shown as written
    else
      found.push_back(Piece(close, close + 2, 0));
    c = close + 2;
  }
  return found;
}
