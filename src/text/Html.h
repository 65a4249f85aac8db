// Web pages as they are saved, read with tag removal: the page's markup
// decides what shows, as in a browser. Scripts, styles and comments are not
// shown, so of the head only the title is; line breaks and the starts and
// ends of blocks end lines, which the composer honours whatever NLineCut
// says; the line feeds and indentation of the source are white space; an
// image shows its alt text. A <ruby> shows its reading as the ruby setting
// says, the page's own <rp> never. A filter on the byte walk, like Aozora
// notation: positions stay those of the text, and what is not shown is
// stepped over, never removed. Every byte of markup is ASCII below 0x40,
// which no Shift-JIS trail byte is, so a page is scanned byte by byte.
#pragma once

#include <cstdint>
#include <string_view>

#include "text/Aozora.h"

// True when the text opens as an HTML page: after white space, an XML
// declaration and comments, "<html", "<!DOCTYPE html" or "<meta", in any
// case. A text without one is walked as plain text. (A byte-order mark
// decides the encoding before this is asked, and is gone once converted.)
bool LooksLikeHtml(const std::uint8_t* text, std::int64_t length);

// The character encoding the page names in its head (<meta charset>,
// <meta http-equiv="Content-Type" content="...; charset=...">, or the XML
// declaration's encoding), as written; empty when it names none.
std::string_view DeclaredCharset(const std::uint8_t* text, std::int64_t length);

class HtmlFilter {
 public:
  bool On = false;            // the text is an HTML page
  std::size_t UserCodes = 0;  // as for CharBytes

  // At pos, where a piece of the page begins: takes the piece when the
  // markup decides it (a tag, comment, script or style, a run of white
  // space, the rest of an image tag after its alt text), with pos at its
  // last byte and out[0..1] the character it gives (a hard line break, a
  // space, a bracket around a reading) or out[0] = 0. False for a
  // character of the text, which the walk converts as usual. ruby: 0
  // dropped, 1 in （…）, 2 beside its base where GroupAt tells it.
  bool Take(const std::uint8_t* text, std::int64_t length, std::int64_t& pos, std::uint8_t* out,
            int ruby) {
    const std::uint8_t b = text[pos];
    if (altEnd_ < 0 && !hide_ && b != '<' && (pre_ || !IsSpace(b))) return false;
    return TakeMarkup(text, length, pos, out, ruby);
  }
  // True when the character shown from the bytes at `at` begins the base
  // of a ruby set beside it, with the group in g.
  bool GroupAt(std::int64_t at, RubyGroup& g) {
    if (at != baseAt_) return false;
    baseAt_ = -1;
    grouped_ = true;  // its readings show with it, not after it
    g = group_;
    return true;
  }
  // Where the <ruby> the walk is inside begins, when the element is short
  // enough to be read whole; else -1.
  std::int64_t RubyAround() const { return inRuby_ ? rubyFrom_ : -1; }
  // The walk produced a character that shows.
  void Shown(const std::uint8_t* out) {
    if (out[0] == 1) return;  // a line break
    bare_ = false;
    breaks_ = 0;
    spaced_ = out[0] == 0x81 && out[1] == 0x40;
  }
  // The state at the start of the text.
  void Reset() {
    const bool on = On;
    *this = HtmlFilter();
    On = on;
  }

  static bool IsSpace(std::uint8_t b) {
    return b == ' ' || b == '\n' || b == '\r' || b == '\t' || b == '\f';
  }

 private:
  bool TakeMarkup(const std::uint8_t* text, std::int64_t length, std::int64_t& pos,
                  std::uint8_t* out, int ruby);
  // What a tag from '<' to its '>' does; its piece may end past it.
  void Tag(const std::uint8_t* text, std::int64_t length, std::int64_t& pos, std::uint8_t* out,
           int ruby);
  // What a tag of <ruby> or of its parts does; false for any other tag.
  bool RubyTag(const std::uint8_t* text, std::int64_t length, std::int64_t at,
               std::string_view name, bool closing, std::int64_t end, std::uint8_t* out, int ruby);
  // A close bracket in out when a reading is open in one.
  void CloseReading(std::uint8_t* out);
  // A hard line break in out, when always (<br>) or the line holds something.
  void Break(std::uint8_t* out, bool always);

  bool pre_ = false;          // in <pre>: white space as written
  bool bare_ = true;          // nothing shown since the last hard break
  bool spaced_ = false;       // the last character shown is a space
  int breaks_ = 0;            // hard breaks since something was shown
  std::int64_t altEnd_ = -1;  // where the alt text being shown ends
  std::int64_t tagEnd_ = -1;  // the '>' of its image tag
  // In a <ruby>: its '<' (-1 when not read whole); whether its text shows
  // nothing now (an <rp>, a reading dropped or set beside the base) and
  // whether a reading is open in （; the group set beside its base, and
  // where the base's first character begins until it is announced.
  bool inRuby_ = false, hide_ = false, paren_ = false, grouped_ = false;
  std::int64_t rubyFrom_ = -1, baseAt_ = -1;
  RubyGroup group_;
};
