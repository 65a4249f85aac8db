// How the reading loop turns the bytes of a Shift-JIS text file into the
// stream of two-byte characters the composer lays out: tags are dropped,
// printable ASCII and half-width katakana become their full-width codes,
// double-byte codes pass as they are, a line feed becomes the line-break
// marker, the IBM extension codes (lead 0xFA..0xFC) become the same
// character's code that the font data holds, and every other byte (CR,
// TAB, control bytes, 0x7F, 0x80, 0xF0..0xFF) is dropped, but for the
// user-defined codes (lead 0xF0..0xF9) a converted text gave its own
// characters. Pure functions
// over a buffer that ends in one zero byte, so the walk can be tested and
// measured without a reader. HTML entities, an HTML page's markup and
// Aozora Bunko notation are filters the reader may switch on; off, the walk
// is the plain one.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "text/Aozora.h"
#include "text/Html.h"
#include "text/HtmlEntity.h"

// First byte of the line-break marker; its second byte is 0 or kHardBreak.
constexpr std::uint8_t kLineBreakMarker = 1;
// Second byte of a hard break: a line end honoured whatever NLineCut says.
constexpr std::uint8_t kHardBreak = 1;

enum class ByteClass : std::uint8_t {
  Drop,       // produces nothing
  LineFeed,   // the line-break marker
  Ascii,      // 0x20..0x7E: a full-width form (two spaces make one)
  Kana,       // 0xA0..0xDF: a full-width form
  Lead,       // 0x81..0x9F, 0xE0..0xEF: a double-byte code with the next byte
  Extension,  // 0xFA..0xFC: the same when the next byte makes an IBM extension code
};

constexpr ByteClass ClassifyByte(std::uint8_t b) {
  if (b == 0x0A) return ByteClass::LineFeed;
  if (b >= 0x20 && b <= 0x7E) return ByteClass::Ascii;
  if (b >= 0xA0 && b <= 0xDF) return ByteClass::Kana;
  // What is left of 0x81..0xEF once the half-width range is taken out are
  // exactly the lead bytes.
  if (b >= 0x81 && b <= 0xEF) return ByteClass::Lead;
  if (b >= 0xFA && b <= 0xFC) return ByteClass::Extension;
  return ByteClass::Drop;
}

// The 388 IBM extension codes, 0xFA40..0xFC4B (Windows writes 﨑, 髙, ⅰ
// and ＂ with them). Other bytes after 0xFA..0xFC make no character: the
// lead byte is dropped and the next byte read alone, as in 0xF0..0xF9.
constexpr bool ExtensionCode(std::uint8_t lead, std::uint8_t trail) {
  return lead >= 0xFA && lead <= 0xFC && trail >= 0x40 && trail != 0x7F &&
         trail <= (lead == 0xFC ? 0x4B : 0xFC);
}

// Where the user-defined code (lead, trail) stands among the 1,880 of
// lead 0xF0..0xF9 (in the order a text's characters are given them); past
// the last for any other code.
constexpr std::size_t UserCodeIndex(std::uint8_t lead, std::uint8_t trail) {
  return lead < 0xF0 || lead > 0xF9 || trail < 0x40 || trail == 0x7F || trail > 0xFC
             ? SIZE_MAX
             : std::size_t(lead - 0xF0) * 188 + trail - 0x40 - (trail > 0x7F);
}

// Bytes of the character that begins at p (p[1] is read for a lead byte):
// how every scan of the text steps, so that none reads a trail byte as the
// start of a character. userCodes: how many user-defined codes the text
// holds as characters (those its conversion gave; none in a text read as
// it is).
inline int CharBytes(const std::uint8_t* p, std::size_t userCodes = 0) {
  const ByteClass c = ClassifyByte(p[0]);
  return c == ByteClass::Lead || (c == ByteClass::Extension && ExtensionCode(p[0], p[1])) ||
                 (c == ByteClass::Drop && UserCodeIndex(p[0], p[1]) < userCodes)
             ? 2
             : 1;
}

// The code shown for an IBM extension code (lead 0xFA..0xFC); 0 for none.
using ExtensionMap = std::uint16_t (*)(std::uint16_t);

// Converts the character that begins at p into out[0..1] (out[0] stays 0
// when the byte is dropped) and returns how many bytes it took, 1 or 2
// (CharBytes(p)). p[1] is read for a space or a lead byte: the text buffer
// ends in a zero byte, so a lead byte at the very end pairs with that zero.
inline int ConvertChar(const std::uint8_t* p, const std::uint8_t* asciiToFull,
                       const std::uint8_t* kanaToFull, std::uint8_t* out,
                       ExtensionMap extensions = nullptr, std::size_t userCodes = 0) {
  const std::uint8_t b = p[0];
  switch (ClassifyByte(b)) {
    case ByteClass::LineFeed:
      out[0] = kLineBreakMarker;
      out[1] = 0;
      return 1;
    case ByteClass::Ascii:
      if (b == 0x20 && p[1] == 0x20) {
        // Two spaces are one ideographic space: half-width text indents
        // with pairs.
        out[0] = 0x81;
        out[1] = 0x40;
        return 2;
      }
      out[0] = asciiToFull[2 * (b - 0x20)];
      out[1] = asciiToFull[2 * (b - 0x20) + 1];
      return 1;
    case ByteClass::Kana:
      out[0] = kanaToFull[2 * (b - 0xA0)];
      out[1] = kanaToFull[2 * (b - 0xA0) + 1];
      return 1;
    case ByteClass::Lead:
      // Taken as it is, even with a trail byte outside 0x40..0xFC: the
      // glyph drawing shows such a code as a blank cell.
      out[0] = b;
      out[1] = p[1];
      return 2;
    case ByteClass::Extension:
      if (ExtensionCode(b, p[1])) {
        // The font data has no rows for these lead bytes; 〓 if no code is known.
        const std::uint16_t code = extensions ? extensions(std::uint16_t(b << 8 | p[1])) : 0;
        out[0] = code ? std::uint8_t(code >> 8) : 0x81;
        out[1] = code ? std::uint8_t(code) : 0xAC;
        return 2;
      }
      break;
    case ByteClass::Drop:
      if (UserCodeIndex(b, p[1]) < userCodes) {
        out[0] = b;
        out[1] = p[1];
        return 2;
      }
      break;
  }
  out[0] = 0;
  return 1;
}

// A stretch of the text shown as one other character, or as nothing (Code
// 0): a note that names a character, with the ※ before it; a letter with
// an accent written as two or three letters; the brackets around those.
// Eight bytes each, as a text of 〔e'〕 over and over holds one for every
// two of its bytes: a text is under 2 GiB, a note under 64 KiB.
struct Substitution {
  std::int32_t At;  // its bytes, [At, End())
  std::uint16_t Length;
  std::uint16_t Code;
  std::int64_t End() const { return std::int64_t(At) + Length; }
};

// True for both markers: as a lookahead a page break ends the line too.
inline bool EndsLine(const std::uint8_t* c) {
  return c[0] == kLineBreakMarker || c[0] == kPageBreakMarker;
}

// The reading loop's walk over a whole text, with its tag state. The tag
// state is kept even while tags are shown, so that switching tag removal on
// in the middle of a run acts on the tag the walk is in.
class TextWalker {
 public:
  // text holds length bytes followed by a zero byte.
  TextWalker(const std::uint8_t* text, std::int64_t length, const std::uint8_t* asciiToFull,
             const std::uint8_t* kanaToFull)
      : text_(text), length_(length), ascii_(asciiToFull), kana_(kanaToFull) {}

  // The filters; all off unless set.
  AozoraFilter Aozora;  // Aozora Bunko notation, when Aozora.Use is not Off
  HtmlFilter Html;      // an HTML page's markup, with tag removal, when Html.On
  int Ruby = 0;         // ruby: 0 dropped, 1 shown in （…）, 2 beside its base
  // With Ruby 2: the character Next found begins the base of Group.
  bool Grouped = false;
  RubyGroup Group;
  // With tag removal: HTML entities become the Shift-JIS code this gives
  // for their code point (0 for none, shown as 〓).
  std::function<std::uint16_t(std::uint32_t)> Entities;
  // The codes the IBM extension characters show as (〓 without it).
  ExtensionMap Extensions = nullptr;
  // The user-defined codes the text holds as characters (see CharBytes).
  std::size_t UserCodes = 0;
  // Under the notation: stretches shown as another character, by At.
  const std::vector<Substitution>* Named = nullptr;

  // Finds the next character at or after pos. True with its code in
  // out[0..1] and pos at its last byte; false, with out[0] = 0, when the
  // text ends first, or when the walk reaches the limit of PauseAt (pos
  // then where it goes on, short of the end).
  bool Next(std::int64_t& pos, bool tagCut, std::uint8_t* out) {
    out[0] = 0;
    Grouped = false;
    // A page's tags are read as a browser reads them; a tag begun before
    // tag removal was switched on is dropped to its '>' as in any text.
    const bool html = Html.On && tagCut;
    while (pos < length_ && pos < stop_) {
      const std::int64_t at = unit_ = pos;
      const std::uint8_t b = text_[pos];
      bool taken = html && !inTag_ && Html.Take(text_, length_, pos, out, Ruby);
      if (!taken) {
        if (!html && b == '<') inTag_ = true;
        if (tagCut && inTag_) {
          if (b == '>') inTag_ = false;
          ++pos;
          continue;
        }
        taken = b == '&' && tagCut && Entities && Entity(pos, out, html);
      }
      if (!taken) {
        // The explanatory block begins with a line of hyphens.
        if (Aozora.Use != Notation::Off && b == '-' && (pos == 0 || text_[pos - 1] == '\n') &&
            Aozora.SkipBlock(text_, length_, pos))
          continue;
        if (const Substitution* s = Aozora.Use != Notation::Off ? NamedAt(pos) : nullptr) {
          pos = s->End() - 1;
          if (s->Code == 0) {
            ++pos;
            continue;
          }
          out[0] = std::uint8_t(s->Code >> 8);
          out[1] = std::uint8_t(s->Code);
        } else {
          pos += ConvertChar(text_ + pos, ascii_, kana_, out, Extensions, UserCodes) - 1;
        }
        if (b == '>') inTag_ = false;
      }
      if (out[0] != 0) {
        if (Aozora.Use == Notation::Off || Aozora.Pass(text_, length_, at, pos, out, Ruby)) {
          if (html) Html.Shown(out);
          if (Ruby == 2)
            Grouped = (html && Html.GroupAt(at, Group)) ||
                      (Aozora.Use != Notation::Off && Aozora.GroupAt(text_, length_, at, Group));
          return true;
        }
        out[0] = 0;
      }
      ++pos;
    }
    return false;
  }

  // Where a walk from start may begin: start itself, or the beginning of
  // the character, entity, tag, note, ruby or explanatory block that start
  // lies inside (a position kept under other settings, or edited by hand),
  // so that none is shown from its middle. Walks from the line start, which no trail byte
  // can hide, and takes up the notation where the line left it (a ruby
  // being shown). The tag state stays outside, as at any start. An HTML
  // page is walked from its first byte, since its scripts, styles and
  // comments span lines, and the walk goes on in the state it reached
  // (in an alt text, in <pre>).
  std::int64_t Prime(std::int64_t start, bool tagCut) {
    inTag_ = false;
    Html.Reset();
    if (start <= 0 || start >= length_) return start;
    const bool html = Html.On && tagCut;
    const std::int64_t tag = tagCut && !html ? TagOpen(start) : -1;
    if (tag >= 0) start = tag;
    // The explanatory block spans lines: it is found from its heading.
    const std::int64_t block =
        Aozora.Use == Notation::Off ? -1 : Aozora.BlockAround(text_, length_, start);
    if (block >= 0) start = block;
    std::int64_t line = html ? 0 : start;
    while (line > 0 && text_[line - 1] != '\n') --line;
    std::uint8_t out[2];
    // The walk begins no piece at or past start; when it still ends past
    // start, the last piece begun holds start, and a second walk ends there.
    for (;;) {
      inTag_ = tagCut && !html && TagOpen(line) >= 0;
      Aozora.Reset(true);
      Html.Reset();
      stop_ = start;
      std::int64_t p = line;
      while (p < start && Next(p, tagCut, out)) ++p;
      if (p <= start) {
        // A ruby's base and its ruby are one piece too; a page's <ruby>
        // read whole is one from its tag.
        const std::int64_t ruby = html ? Html.RubyAround() : -1;
        if (ruby >= 0 && ruby < start) {
          start = ruby;
          continue;
        }
        const RubyGroup& g = Aozora.LastGroup();
        if (g.From < 0 || g.From >= start || start > g.To) break;
        start = g.From;
        continue;
      }
      start = unit_;
    }
    stop_ = INT64_MAX;
    inTag_ = false;
    return start;
  }

  bool InTag() const { return inTag_; }

  // Next begins no piece at or past limit until the next PauseAt or Prime:
  // a long stretch that shows nothing is walked in bounded steps, between
  // which the reader handles its messages.
  void PauseAt(std::int64_t limit) { stop_ = limit; }

 private:
  // The entity at pos, if it is one: its character in out and pos at its
  // last byte. A control character (&#0; &#1; &#x85;) shows nothing, as its
  // byte in the text would: the walk drops control bytes, and a line feed
  // is a line break either way. In a page, neither do the invisible ones
  // (&shy; &zwj; &lrm; ...), which only guide a browser's layout.
  bool Entity(std::int64_t& pos, std::uint8_t* out, bool html) {
    std::uint32_t cp;
    const std::int64_t end = ParseEntity(text_, length_, pos, cp, html);
    if (end < 0) return false;
    pos = end;
    if (html && (cp == 0xAD || (cp >= 0x200B && cp <= 0x200F) || (cp >= 0x2060 && cp <= 0x2064))) {
      out[0] = 0;
      return true;
    }
    const std::uint16_t code = cp < 0x80 ? std::uint16_t(cp) : Entities(cp);
    const std::uint8_t one[2] = {std::uint8_t(code), 0};
    if (code == 0 && cp >= 0xA0) {
      out[0] = 0x81;  // 〓
      out[1] = 0xAC;
    } else if (code < 0x100) {
      // As the walk takes the byte: a control (a C1 one, with no code, as 0)
      // is dropped.
      ConvertChar(one, ascii_, kana_, out);
    } else {
      out[0] = std::uint8_t(code >> 8);
      out[1] = std::uint8_t(code);
    }
    return true;
  }

  // The substitution that begins at pos, if one does. Walks mostly go
  // forward: the next one is kept, and looked up afresh after a step back.
  const Substitution* NamedAt(std::int64_t pos) {
    if (!Named || Named->empty()) return nullptr;
    const std::vector<Substitution>& n = *Named;
    if (named_ > n.size() || (named_ > 0 && n[named_ - 1].At >= pos))
      named_ = std::size_t(
          std::lower_bound(n.begin(), n.end(), pos,
                           [](const Substitution& s, std::int64_t p) { return s.At < p; }) -
          n.begin());
    while (named_ < n.size() && n[named_].At < pos) ++named_;
    return named_ < n.size() && n[named_].At == pos ? &n[named_] : nullptr;
  }

  // The '<' that opens the tag p lies in, or -1: a '<' after the last '>'
  // before p. Neither byte can be a trail byte.
  std::int64_t TagOpen(std::int64_t p) const {
    const void* close = memrchr(text_, '>', std::size_t(p));
    const std::int64_t from = close ? static_cast<const std::uint8_t*>(close) - text_ + 1 : 0;
    const void* open = std::memchr(text_ + from, '<', std::size_t(p - from));
    return open ? static_cast<const std::uint8_t*>(open) - text_ : -1;
  }

  const std::uint8_t* text_;
  std::int64_t length_;
  std::int64_t stop_ = INT64_MAX;  // Next begins no piece at or past it
  std::int64_t unit_ = 0;          // where the last piece Next began starts
  const std::uint8_t* ascii_;
  const std::uint8_t* kana_;
  bool inTag_ = false;
  std::size_t named_ = 0;  // the first of Named not behind the walk
};
