#include "text/Html.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

#include "text/TextWalk.h"

namespace {

bool IsAlpha(std::uint8_t c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }
bool IsAlnum(std::uint8_t c) { return IsAlpha(c) || (c >= '0' && c <= '9'); }

std::string_view View(const std::uint8_t* text, std::int64_t from, std::int64_t to) {
  return {reinterpret_cast<const char*>(text) + from, std::size_t(to - from)};
}

// Whether s is word (lower case) in any case.
bool Is(std::string_view s, std::string_view word) {
  if (s.size() != word.size()) return false;
  for (std::size_t i = 0; i < s.size(); ++i)
    if ((s[i] >= 'A' && s[i] <= 'Z' ? char(s[i] | 0x20) : s[i]) != word[i]) return false;
  return true;
}

// Whether the bytes at p begin with word (lower case) in any case.
bool StartsWith(const std::uint8_t* text, std::int64_t length, std::int64_t p,
                std::string_view word) {
  return length - p >= std::int64_t(word.size()) &&
         Is(View(text, p, p + std::int64_t(word.size())), word);
}

bool OneOf(std::string_view name, std::initializer_list<std::string_view> words) {
  for (const std::string_view w : words)
    if (Is(name, w)) return true;
  return false;
}

// The index of the first '>' from p, or the last byte of the text.
std::int64_t Close(const std::uint8_t* text, std::int64_t length, std::int64_t p) {
  const void* gt = p < length ? std::memchr(text + p, '>', std::size_t(length - p)) : nullptr;
  return gt ? static_cast<const std::uint8_t*>(gt) - text : length - 1;
}

// The end of "<!-- ... -->", or of "<!...>" and "<?...>" that begin at p.
std::int64_t CommentEnd(const std::uint8_t* text, std::int64_t length, std::int64_t p) {
  if (!StartsWith(text, length, p, "<!--")) return Close(text, length, p);
  const std::size_t end = View(text, 0, length).find("-->", std::size_t(p + 2));
  return end == std::string_view::npos ? length - 1 : std::int64_t(end) + 2;
}

struct TagInfo {
  std::string_view Name;
  bool Closing = false;
  std::int64_t End = 0;  // its '>', or the last byte of the text
};

// The tag at p ('<' and a letter, "</" and a letter, or "<?"): its name and
// end, with attr(name, from, to) called for each attribute's value. A
// quoted value may hold '>'; one never closed runs to the end of the text.
template <class Attr>
TagInfo ParseTag(const std::uint8_t* text, std::int64_t length, std::int64_t p, Attr attr) {
  TagInfo t;
  std::int64_t i = p + 1;
  if (text[i] == '/' || text[i] == '?') t.Closing = text[i++] == '/';
  const std::int64_t name = i;
  while (i < length && (IsAlnum(text[i]) || text[i] == '-' || text[i] == ':')) ++i;
  t.Name = View(text, name, i);
  auto space = [&] {
    while (i < length && HtmlFilter::IsSpace(text[i])) ++i;
  };
  for (;;) {
    while (i < length && (HtmlFilter::IsSpace(text[i]) || text[i] == '/')) ++i;
    if (i >= length || text[i] == '>') break;
    const std::int64_t an = i++;  // a name may begin with '='
    while (i < length && !HtmlFilter::IsSpace(text[i]) && text[i] != '/' && text[i] != '>' &&
           text[i] != '=')
      ++i;
    const std::string_view attrName = View(text, an, i);
    space();
    if (i >= length || text[i] != '=') continue;
    ++i;
    space();
    std::int64_t from = i, to;
    if (i < length && (text[i] == '"' || text[i] == '\'')) {
      const void* q = std::memchr(text + i + 1, text[i], std::size_t(length - i - 1));
      from = i + 1;
      to = q ? static_cast<const std::uint8_t*>(q) - text : length;
      i = q ? to + 1 : length;
    } else {
      while (i < length && !HtmlFilter::IsSpace(text[i]) && text[i] != '>') ++i;
      to = i;
    }
    attr(attrName, from, to);
  }
  t.End = i < length ? i : length - 1;
  return t;
}

// Elements whose content is not shown, up to their end tag (a script may
// hold "<" and "&" of its own).
bool Hidden(std::string_view name) {
  return OneOf(name, {"script", "style", "noscript", "template"});
}

// The last byte of the end tag of the hidden element name whose content
// begins at p, or of the text when it has none.
std::int64_t HiddenEnd(const std::uint8_t* text, std::int64_t length, std::int64_t p,
                       std::string_view name) {
  const std::string_view all = View(text, 0, length);
  const std::int64_t n = std::int64_t(name.size());
  for (std::size_t at = all.find("</", std::size_t(p)); at != all.npos; at = all.find("</", at + 2))
    if (length - std::int64_t(at) - 2 >= n && Is(all.substr(at + 2, std::size_t(n)), name) &&
        !IsAlnum(text[std::int64_t(at) + 2 + n]))
      return Close(text, length, std::int64_t(at));
  return length - 1;
}

// The value of charset= in a Content-Type, or empty.
std::string_view ContentCharset(std::string_view content) {
  for (std::size_t at = 0; at + 7 <= content.size(); ++at) {
    if (!Is(content.substr(at, 7), "charset")) continue;
    std::size_t i = at + 7;
    while (i < content.size() && content[i] == ' ') ++i;
    if (i == content.size() || content[i] != '=') continue;
    ++i;
    while (i < content.size() && (content[i] == ' ' || content[i] == '"' || content[i] == '\''))
      ++i;
    std::size_t end = i;
    while (end < content.size() && content[end] != ';' && content[end] != ' ' &&
           content[end] != '"' && content[end] != '\'')
      ++end;
    return content.substr(i, end - i);
  }
  return {};
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && HtmlFilter::IsSpace(std::uint8_t(s.front()))) s.remove_prefix(1);
  while (!s.empty() && HtmlFilter::IsSpace(std::uint8_t(s.back()))) s.remove_suffix(1);
  return s;
}

// Bytes a <ruby> set beside its base may take, from its '<' to its
// </ruby>: the walk looks no further ahead, so a page of <ruby> never
// closed costs no more than one of plain text.
constexpr std::int64_t kRubyBytes = 1024;

// The <ruby> whose tag at `at` ends before `from`, when it is short and
// plain enough to set beside its base: characters the walk shows one each
// (in <rb> or not), then readings of two-byte characters in <rt>, joined,
// with <rp> between, up to </ruby>. base: where its base begins.
bool ScanRuby(const std::uint8_t* text, std::int64_t length, std::int64_t at, std::int64_t from,
              std::size_t userCodes, RubyGroup& g, std::int64_t& base) {
  const std::int64_t limit = std::min(length, at + kRubyBytes);
  std::int64_t q = from;
  auto tag = [&](std::string_view t) {
    if (!StartsWith(text, limit, q, t)) return false;
    q += std::int64_t(t.size());
    return true;
  };
  g = {};
  g.From = at;
  tag("<rb>");
  base = q;
  while (q < limit && g.Base <= kMaxRubyBase) {
    if (tag("</rb>") || tag("<rb>")) continue;
    const ByteClass c = ClassifyByte(text[q]);
    if (text[q] == '<') break;
    const int bytes = CharBytes(text + q, userCodes);
    if (bytes == 1 && c != ByteClass::Kana &&
        (c != ByteClass::Ascii || text[q] == '&' || text[q] == ' '))
      return false;
    q += bytes;
    ++g.Base;
  }
  if (g.Base == 0 || g.Base > kMaxRubyBase) return false;
  g.Open = q;
  bool reading = false;
  while (q < limit) {
    if (tag("</ruby>")) {
      g.To = q - 1;
      return !g.Text.empty();
    }
    if (tag("<rt>")) {
      reading = true;
    } else if (tag("</rt>")) {
      reading = false;
    } else if (tag("<rp>")) {
      reading = false;
      while (q < limit && text[q] != '<') ++q;
      if (!tag("</rp>")) return false;
    } else if (reading &&
               (ClassifyByte(text[q]) == ByteClass::Lead ||
                UserCodeIndex(text[q], text[q + 1]) < userCodes) &&
               g.Text.size() < 2 * kMaxRubyText) {
      g.Text.append(reinterpret_cast<const char*>(text + q), 2);
      q += 2;
    } else if (!reading && HtmlFilter::IsSpace(text[q])) {
      ++q;
    } else {
      return false;
    }
  }
  return false;
}

bool OpensMarkup(const std::uint8_t* text, std::int64_t p) {
  const std::uint8_t c = text[p + 1];
  return c == '!' || c == '?' || IsAlpha(c) || (c == '/' && IsAlpha(text[p + 2]));
}

}  // namespace

bool LooksLikeHtml(const std::uint8_t* text, std::int64_t length) {
  std::int64_t p = 0;
  for (;;) {
    while (p < length && HtmlFilter::IsSpace(text[p])) ++p;
    if (!StartsWith(text, length, p, "<?") && !StartsWith(text, length, p, "<!--")) break;
    p = CommentEnd(text, length, p) + 1;
  }
  for (const std::string_view word : {"<html", "<!doctype html", "<meta"})
    if (StartsWith(text, length, p, word) && !IsAlnum(text[p + std::int64_t(word.size())]))
      return true;
  return false;
}

std::string_view DeclaredCharset(const std::uint8_t* text, std::int64_t length) {
  for (std::int64_t p = 0; p < length; ++p) {
    const void* lt = std::memchr(text + p, '<', std::size_t(length - p));
    if (!lt) break;
    p = static_cast<const std::uint8_t*>(lt) - text;
    if (!OpensMarkup(text, p)) continue;
    if (text[p + 1] == '!') {
      p = CommentEnd(text, length, p);
      continue;
    }
    std::string_view charset, equiv, content, encoding;
    const TagInfo t = ParseTag(text, length, p, [&](std::string_view name, auto from, auto to) {
      const std::string_view value = Trim(View(text, from, to));
      if (Is(name, "charset")) charset = value;
      if (Is(name, "http-equiv")) equiv = value;
      if (Is(name, "content")) content = value;
      if (Is(name, "encoding")) encoding = value;
    });
    if (text[p + 1] == '?' && Is(t.Name, "xml") && !encoding.empty()) return encoding;
    if (!t.Closing && Is(t.Name, "meta")) {
      if (!charset.empty()) return charset;
      if (Is(equiv, "content-type") && !ContentCharset(content).empty())
        return ContentCharset(content);
    }
    // The declaration belongs in the head.
    if (t.Closing ? Is(t.Name, "head") : Is(t.Name, "body")) break;
    p = !t.Closing && Hidden(t.Name) ? HiddenEnd(text, length, t.End + 1, t.Name) : t.End;
  }
  return {};
}

void HtmlFilter::Break(std::uint8_t* out, bool always) {
  // A second <br> gives an empty line, a third nothing more: pages space
  // their text with runs of them, and close several blocks at once.
  if (always ? breaks_ >= 2 : bare_) return;
  out[0] = kLineBreakMarker;
  out[1] = kHardBreak;
  ++breaks_;
  bare_ = true;
}

void HtmlFilter::CloseReading(std::uint8_t* out) {
  if (!paren_) return;
  paren_ = false;
  out[0] = 0x81;  // ）
  out[1] = 0x6A;
}

bool HtmlFilter::RubyTag(const std::uint8_t* text, std::int64_t length, std::int64_t at,
                         std::string_view name, bool closing, std::int64_t end, std::uint8_t* out,
                         int ruby) {
  if (Is(name, "ruby")) {
    CloseReading(out);
    inRuby_ = !closing;
    hide_ = grouped_ = false;
    rubyFrom_ = baseAt_ = -1;
    if (closing) return true;
    std::int64_t base;
    if (!ScanRuby(text, length, at, end + 1, UserCodes, group_, base)) return true;
    rubyFrom_ = at;
    if (ruby == 2) {
      baseAt_ = base;
      RubyGroup next;
      const std::int64_t after = group_.To + 1;
      group_.Followed = StartsWith(text, length, after, "<ruby>") &&
                        ScanRuby(text, length, after, after + 6, UserCodes, next, base);
    }
    return true;
  }
  if (!inRuby_ || !OneOf(name, {"rt", "rp", "rb"})) return false;
  if (Is(name, "rt") && !closing) {
    // Readings of several <rt> in a row are one.
    hide_ = grouped_ || ruby == 0;
    if (!hide_ && !paren_) {
      out[0] = 0x81;  // （
      out[1] = 0x69;
      paren_ = true;
    }
  } else if (!Is(name, "rb")) {
    // The page's own brackets never show: the reading has its own.
    CloseReading(out);
    hide_ = grouped_ || (Is(name, "rp") && !closing);
  }
  return true;
}

void HtmlFilter::Tag(const std::uint8_t* text, std::int64_t length, std::int64_t& pos,
                     std::uint8_t* out, int ruby) {
  const std::int64_t at = pos;
  std::int64_t altFrom = -1, altTo = -1;
  const TagInfo t = ParseTag(text, length, pos, [&](std::string_view name, auto from, auto to) {
    if (Is(name, "alt")) altFrom = from, altTo = to;
  });
  const std::string_view name = t.Name;
  pos = t.End;
  if (!t.Closing && Hidden(name)) {
    pos = HiddenEnd(text, length, t.End + 1, name);
    return;
  }
  // Only ruby set beside its base reads a <ruby>: otherwise its parts show
  // as the page writes them, as they always have.
  if (ruby == 2 && RubyTag(text, length, at, name, t.Closing, t.End, out, ruby)) return;
  if (Is(name, "pre")) pre_ = !t.Closing;
  const bool block = OneOf(
      name, {"p",  "div",   "li",      "h1",         "h2",     "h3",     "h4",  "h5",    "h6",
             "tr", "title", "pre",     "blockquote", "dt",     "dd",     "hr",  "table", "ul",
             "ol", "dl",    "section", "article",    "header", "footer", "nav", "aside", "center"});
  if (inRuby_ && (block || Is(name, "br"))) {
    // A line end ends a <ruby> left open; the bracket of its reading
    // stands for it.
    RubyTag(text, length, at, "ruby", true, t.End, out, ruby);
    if (out[0] != 0) {
      pos = at - 1;  // the tag is read again for its line end
      return;
    }
  }
  if (Is(name, "br")) {
    Break(out, true);
  } else if (block) {
    // A block begins or ends: a line that holds something ends; a title
    // only at its end.
    if (!Is(name, "title") || t.Closing) Break(out, false);
  } else if (!t.Closing && OneOf(name, {"td", "th"}) && !bare_ && !spaced_) {
    // The cells of a row stand apart, as a browser sets them.
    out[0] = 0x81;
    out[1] = 0x40;
  } else if (!t.Closing && Is(name, "img") && altTo > altFrom && !hide_) {
    // Its alt text shows, character by character, then the rest of the tag
    // is stepped over.
    altEnd_ = altTo;
    tagEnd_ = t.End;
    pos = altFrom - 1;
  }
}

bool HtmlFilter::TakeMarkup(const std::uint8_t* text, std::int64_t length, std::int64_t& pos,
                            std::uint8_t* out, int ruby) {
  out[0] = 0;
  if (altEnd_ >= 0) {
    if (pos >= altEnd_) {
      altEnd_ = -1;
      if (pos > tagEnd_) return false;
      pos = tagEnd_;
      return true;
    }
  } else if (text[pos] == '<' && OpensMarkup(text, pos)) {
    if (text[pos + 1] == '!' || text[pos + 1] == '?')
      pos = CommentEnd(text, length, pos);
    else
      Tag(text, length, pos, out, ruby);
    return true;
  } else if (hide_) {
    // Text the <ruby> does not show, up to its next tag.
    const void* lt = pos + 1 < length
                         ? std::memchr(text + pos + 1, '<', std::size_t(length - pos - 1))
                         : nullptr;
    pos = lt ? static_cast<const std::uint8_t*>(lt) - text - 1 : length - 1;
    return true;
  }
  if (pre_ || !IsSpace(text[pos])) return false;
  // A run of white space is one space, and none at all where a line feed
  // of the source is in it (as for a line feed that NLineCut drops) or
  // where the line holds nothing yet.
  const std::int64_t limit = altEnd_ >= 0 ? altEnd_ : length;
  bool lineFeed = false;
  for (; pos < limit && IsSpace(text[pos]); ++pos)
    lineFeed |= text[pos] == '\n' || text[pos] == '\r';
  --pos;
  if (!lineFeed && !bare_) {
    out[0] = 0x81;  // the ideographic space, as the walk makes of a space
    out[1] = 0x40;
  }
  return true;
}
