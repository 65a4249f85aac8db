#include "text/Aozora.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "text/TextWalk.h"

namespace {

// The codes the notation is made of (all with lead byte 0x81).
constexpr std::uint8_t kRubyOpen = 0x73;                     // 《
constexpr std::uint8_t kRubyClose = 0x74;                    // 》
constexpr std::uint8_t kBaseMark = 0x62;                     // ｜
constexpr std::uint8_t kNoteOpen = 0x6D;                     // ［ (with ＃ after it)
constexpr std::uint8_t kNoteClose = 0x6E;                    // ］
constexpr std::uint8_t kParenOpen = 0x69;                    // （
constexpr std::uint8_t kParenClose = 0x6A;                   // ）
constexpr std::uint8_t kQuoteOpen = 0x75;                    // 「
constexpr std::uint8_t kQuoteClose = 0x76;                   // 」
constexpr std::string_view kNoteStart = "\x81\x6D\x81\x94";  // ［＃
// 【テキスト中に現れる記号について】
constexpr std::string_view kBlockHeading =
    "\x81\x79\x83\x65\x83\x4C\x83\x58\x83\x67\x92\x86\x82\xC9\x8C\xBB\x82\xEA\x82\xE9\x8B\x4C"
    "\x8D\x86\x82\xC9\x82\xC2\x82\xA2\x82\xC4\x81\x7A";
// 改ページ, 改丁, 改見開き, 改段: the page ends as if it were full.
constexpr std::string_view kPageBreaks[] = {"\x89\xFC\x83\x79\x81\x5B\x83\x57", "\x89\xFC\x92\x9A",
                                            "\x89\xFC\x8C\xA9\x8A\x4A\x82\xAB", "\x89\xFC\x92\x69"};

// A kanji, or a mark that stands for one (々〆〇ヶ): what a base without ｜
// is a run of. The trail byte is read only after a lead byte, and the zero
// after the text is no trail byte.
bool IsKanji(const std::uint8_t* c) {
  if (c[0] < 0x81 || c[1] < 0x40) return false;
  const unsigned code = unsigned(c[0]) << 8 | c[1];
  return (code >= 0x8158 && code <= 0x815A) || code == 0x8396 ||
         (code >= 0x889F && code <= 0x9FFC) || (code >= 0xE040 && code <= 0xEAA4) ||
         (code >= 0xED40 && code <= 0xEEFC);
}

// A code of the notation itself: none may stand in a base or a ruby.
bool IsNotation(const std::uint8_t* c) {
  return c[0] == 0x81 && (c[1] == kBaseMark || c[1] == kRubyOpen || c[1] == kRubyClose ||
                          (c[1] == kNoteOpen && c[2] == 0x81 && c[3] == 0x94));
}

std::string_view View(const std::uint8_t* text, std::int64_t from, std::int64_t to) {
  return {reinterpret_cast<const char*>(text) + from, std::size_t(to - from)};
}

// The index just past a line of ten or more hyphens that begins at p and its
// line end (or the end of the text); -1 when the line is anything else.
std::int64_t HyphenLineEnd(const std::uint8_t* text, std::int64_t length, std::int64_t p) {
  std::int64_t q = p;
  while (q < length && text[q] == '-') ++q;
  if (q - p < 10) return -1;
  if (q < length && text[q] == '\r') ++q;
  if (q == length) return q;
  return text[q] == '\n' ? q + 1 : -1;
}

// The index after the line end of the line holding p, or length.
std::int64_t NextLine(const std::uint8_t* text, std::int64_t length, std::int64_t p) {
  const void* lf = std::memchr(text + p, '\n', std::size_t(length - p));
  return lf ? static_cast<const std::uint8_t*>(lf) - text + 1 : length;
}

// Where needle next occurs at or after from, or npos. glibc's memmem, as
// these searches run over whole texts before the first page.
std::size_t FindFrom(std::string_view all, std::string_view needle, std::size_t from) {
  from = std::min(from, all.size());
  const void* p = memmem(all.data() + from, all.size() - from, needle.data(), needle.size());
  return p ? std::size_t(static_cast<const char*>(p) - all.data()) : all.npos;
}

}  // namespace

bool UsesAozoraNotation(const std::uint8_t* text, std::int64_t length, std::size_t userCodes) {
  // One pass, however many notes are left open: a ［＃ counts at the start
  // of a character (walked from its line start, never through a trail
  // byte), and a line whose first one finds no ］ after it is left at once,
  // as no later one on that line can.
  const std::string_view all = View(text, 0, length);
  std::int64_t c = 0;  // the start of a character, never past the candidate
  for (std::size_t at = FindFrom(all, kNoteStart, 0); at != all.npos;) {
    const std::int64_t a = std::int64_t(at);
    if (const void* lf = memrchr(text + c, '\n', std::size_t(a - c)))
      c = static_cast<const std::uint8_t*>(lf) - text + 1;
    while (c < a) c += CharBytes(text + c, userCodes);
    if (c == a) {
      for (c = a + std::int64_t(kNoteStart.size()); c < length && text[c] != '\n';
           c += CharBytes(text + c, userCodes))
        if (text[c] == 0x81 && text[c + 1] == kNoteClose) return true;
    }
    at = FindFrom(all, kNoteStart, std::size_t(std::max(c, a + 1)));
  }
  // The block: its heading opens the line after a line of hyphens.
  for (std::size_t at = FindFrom(all, kBlockHeading, 0); at != all.npos;
       at = FindFrom(all, kBlockHeading, at + 1)) {
    if (at < 2 || text[at - 1] != '\n') continue;
    const std::size_t prev = all.rfind('\n', at - 2) + 1;  // npos + 1: the first line
    if (HyphenLineEnd(text, length, std::int64_t(prev)) == std::int64_t(at)) return true;
  }
  return false;
}

bool AozoraFilter::SkipBlock(const std::uint8_t* text, std::int64_t length, std::int64_t& pos) {
  const std::int64_t heading = HyphenLineEnd(text, length, pos);
  if (heading < 0 || !View(text, heading, length).starts_with(kBlockHeading)) return false;
  // A block with no closing line is not one. (A later opening line would
  // close this block, so no line is searched twice.)
  for (std::int64_t q = NextLine(text, length, heading); q < length;
       q = NextLine(text, length, q)) {
    const std::int64_t end = HyphenLineEnd(text, length, q);
    if (end >= 0) {
      pos = end;
      return true;
    }
  }
  return false;
}

std::int64_t AozoraFilter::BlockAround(const std::uint8_t* text, std::int64_t length,
                                       std::int64_t p) {
  // Its heading is the last one that begins before p, on the line after a
  // line of hyphens.
  const std::int64_t heading = std::int64_t(kBlockHeading.size());
  const std::size_t at = View(text, 0, std::min(length, p + heading)).rfind(kBlockHeading);
  if (at == std::string_view::npos || at < 2 || text[at - 1] != '\n') return -1;
  const std::int64_t open = std::int64_t(View(text, 0, at - 1).rfind('\n') + 1);
  std::int64_t end = open;
  const bool inside = open <= p && HyphenLineEnd(text, length, open) == std::int64_t(at) &&
                      SkipBlock(text, length, end) && end > p;
  return inside ? open : -1;
}

std::int64_t AozoraFilter::Find(const std::uint8_t* text, std::int64_t length, std::int64_t p,
                                std::uint8_t trail, Search& last) {
  if (p >= last.From && p <= last.To) return last.At;
  std::int64_t q = p;
  while (q < length && text[q] != '\n') {
    if (text[q] == 0x81 && text[q + 1] == trail) {
      last = {p, q, q};
      return q;
    }
    q += CharBytes(text + q, UserCodes);
  }
  last = {p, q, -1};
  return -1;
}

std::int64_t AozoraFilter::NoteClose(const std::uint8_t* text, std::int64_t length,
                                     std::int64_t at) {
  if (at < lineFrom_ || at >= lineTo_) {
    // Inside a note, its ［＃…］, 「…」 and 《…》 nest; a closing bracket
    // counts only for the innermost one still open, so 「中］外」 quotes a
    // ］ and a note quoting ［＃…］ ends at its own ］. Characters are walked
    // from the line start, so no trail byte is taken for a bracket. Nesting
    // deeper than any real note goes uncounted, so a line of openers costs
    // no memory.
    constexpr std::size_t kDeepest = 32;
    const void* lf = memrchr(text, '\n', std::size_t(at));
    lineFrom_ = lf ? static_cast<const std::uint8_t*>(lf) - text + 1 : 0;
    lineTo_ = NextLine(text, length, at);
    notes_.clear();
    nesting_.clear();
    for (std::int64_t c = lineFrom_; c < lineTo_; c += CharBytes(text + c, UserCodes)) {
      if (text[c] != 0x81) continue;
      const std::uint8_t t = text[c + 1];
      const bool note = t == kNoteOpen && text[c + 2] == 0x81 && text[c + 3] == 0x94;
      if (note || (!nesting_.empty() && (t == kQuoteOpen || t == kRubyOpen))) {
        if (nesting_.size() < kDeepest) nesting_.push_back({c, t});
      } else if (nesting_.empty()) {
        continue;
      } else if (t == kNoteClose && nesting_.back().Kind == kNoteOpen) {
        notes_.push_back({nesting_.back().At, c});
        nesting_.pop_back();
      } else if ((t == kQuoteClose && nesting_.back().Kind == kQuoteOpen) ||
                 (t == kRubyClose && nesting_.back().Kind == kRubyOpen)) {
        nesting_.pop_back();
      }
    }
    // A note whose quote leaves a 「 or 《 open (「本当に「まさか」, or a 」
    // that comes after the note) ends where counting notes alone ends it.
    std::vector<std::int64_t> open;  // by position
    for (const Bracket& b : nesting_)
      if (b.Kind == kNoteOpen) open.push_back(b.At);
    nesting_.clear();
    for (std::int64_t c = lineFrom_; !open.empty() && c < lineTo_; c += CharBytes(text + c)) {
      if (text[c] != 0x81) continue;
      if (text[c + 1] == kNoteOpen && text[c + 2] == 0x81 && text[c + 3] == 0x94) {
        if (nesting_.size() < kDeepest) nesting_.push_back({c, kNoteOpen});
      } else if (text[c + 1] == kNoteClose && !nesting_.empty()) {
        if (std::binary_search(open.begin(), open.end(), nesting_.back().At))
          notes_.push_back({nesting_.back().At, c});
        nesting_.pop_back();
      }
    }
    // Inner notes close first. (The walk may ask for one: a ruby it drops
    // may hide the ［＃ of the note around it.)
    std::sort(notes_.begin(), notes_.end(),
              [](const Note& a, const Note& b) { return a.Open < b.Open; });
  }
  const auto n = std::lower_bound(notes_.begin(), notes_.end(), at,
                                  [](const Note& a, std::int64_t p) { return a.Open < p; });
  return n != notes_.end() && n->Open == at ? n->Close : -1;
}

bool AozoraFilter::GroupFrom(const std::uint8_t* text, std::int64_t length, std::int64_t p,
                             RubyGroup& g) {
  if (p == memo_.At) {
    g = memo_.Group;
    return memo_.Found;
  }
  RubyGroup found;
  std::int64_t base = p, open = -1, close = -1;
  if (p + 1 < length && text[p] == 0x81 && text[p + 1] == kBaseMark) {
    base = p + 2;
    open = Find(text, length, base, kRubyOpen, open_);
  } else if (IsKanji(text + p)) {
    // Each run is read once: the walk asks again only at a run's start.
    for (open = p; open + 1 < length && IsKanji(text + open);) open += 2;
    runEnd_ = std::max(runEnd_, open);
    if (text[open] != 0x81 || text[open + 1] != kRubyOpen || open == markedOpen_) open = -1;
  }
  if (open > base && open - base <= 2 * kMaxRubyBase)
    close = Find(text, length, open + 2, kRubyClose, close_);
  bool ok = close > open + 2 && close - open - 2 <= 2 * kMaxRubyText;
  // Plain characters only, each one the walk shows as one: a tag, an
  // entity, a note or spaces (two make one) leave the ruby in （…）.
  // A character of the text's own (a user-defined code) counts as a lead.
  const auto twoBytes = [&](std::int64_t q) {
    return ClassifyByte(text[q]) == ByteClass::Lead ||
           UserCodeIndex(text[q], text[q + 1]) < UserCodes;
  };
  for (std::int64_t q = base; ok && q < open; ++found.Base) {
    const ByteClass c = ClassifyByte(text[q]);
    const bool two = CharBytes(text + q, UserCodes) == 2;  // IBM extension codes too
    ok = !IsNotation(text + q) &&
         (two || c == ByteClass::Kana ||
          (c == ByteClass::Ascii && text[q] != '<' && text[q] != '&' && text[q] != ' '));
    q += two ? 2 : 1;
  }
  for (std::int64_t q = open + 2; ok && q < close; q += 2) {
    ok = twoBytes(q) && !IsNotation(text + q);
    found.Text.append(reinterpret_cast<const char*>(text + q), 2);
  }
  found.From = p;
  found.To = close + 1;
  found.Open = open;
  memo_ = {p, ok, found};
  if (ok) g = std::move(found);
  return ok;
}

bool AozoraFilter::GroupAt(const std::uint8_t* text, std::int64_t length, std::int64_t at,
                           RubyGroup& g) {
  if (at != baseAt_) {
    // Inside a base announced, or a run of kanji read, nothing begins.
    if (at < groupEnd_ || !IsKanji(text + at) || (at < runEnd_ && at != memo_.At) ||
        !GroupFrom(text, length, at, marked_))
      return false;
  }
  baseAt_ = -1;
  groupEnd_ = groupOpen_ = marked_.Open;
  runEnd_ = std::max(runEnd_, marked_.Open);
  RubyGroup next;
  marked_.Followed = GroupFrom(text, length, marked_.To + 1, next);
  g = shownGroup_ = marked_;
  return true;
}

bool AozoraFilter::PassMarked(const std::uint8_t* text, std::int64_t length, std::int64_t at,
                              std::int64_t& pos, std::uint8_t* out, int ruby) {
  switch (out[1]) {
    case kRubyOpen: {
      const std::int64_t close = Find(text, length, pos + 1, kRubyClose, close_);
      if (close < 0) break;
      // Beside its base, the ruby goes with the group that announced it.
      if (ruby == 0 || (ruby == 2 && at == groupOpen_)) {
        pos = close + 1;
        return false;
      }
      out[1] = kParenOpen;
      rubyClose_ = close;
      break;
    }
    case kRubyClose:
      if (at == rubyClose_) out[1] = kParenClose;
      break;
    case kBaseMark: {
      if (ruby == 2 && at >= groupEnd_ && GroupFrom(text, length, at, marked_)) {
        baseAt_ = pos + 1;
        shownGroup_ = marked_;  // a walk that stops here stops inside the construct
        return false;
      }
      // Dropped when a ruby closed on this line follows.
      const std::int64_t open = Find(text, length, pos + 1, kRubyOpen, open_);
      if (open >= 0 && Find(text, length, open + 2, kRubyClose, close_) >= 0) {
        markedOpen_ = open;
        return false;
      }
      break;
    }
    case kNoteOpen: {
      if (!View(text, at, length).starts_with(kNoteStart)) break;
      const std::int64_t close = NoteClose(text, length, at);
      if (close < 0) break;
      bool pageBreak = false;
      for (std::string_view b : kPageBreaks)
        pageBreak = pageBreak || View(text, at + 4, close) == b;
      pos = close + 1;
      // A line of nothing but notes goes with its line end, so it leaves no
      // empty line behind.
      if (lineBare_) {
        const std::string_view rest = View(text, pos + 1, length);
        pos += rest.starts_with("\r\n") ? 2 : rest.starts_with("\n") ? 1 : 0;
      }
      if (!pageBreak) return false;
      out[0] = kPageBreakMarker;
      out[1] = 0;
      return true;
    }
  }
  lineBare_ = false;
  return true;
}
