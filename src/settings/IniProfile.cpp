#include "settings/IniProfile.h"

#include <string>

namespace {

constexpr std::size_t npos = std::string::npos;

// A Shift-JIS lead byte: it and the byte after it form one character. The
// trail byte may look like ASCII ("]", letters), so a byte scan must step
// over whole characters.
bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimLeft(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && IsBlank(s[i])) ++i;
  return s.substr(i);
}

std::string_view Trim(std::string_view s) {
  s = TrimLeft(s);
  std::size_t n = s.size();
  while (n > 0 && IsBlank(s[n - 1])) --n;
  return s.substr(0, n);
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Case-insensitive for ASCII letters only; a double-byte character compares
// exactly, so its trail byte is never folded as if it were a letter.
bool NamesEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
    } else if (AsciiLower(a[i]) != AsciiLower(b[i])) {
      return false;
    }
  }
  return true;
}

// A section header is a line whose first non-blank byte is "["; the name
// runs to the last "]" on the line (or to its end when there is none).
bool SectionName(std::string_view line, std::string_view& name) {
  std::string_view t = TrimLeft(line);
  if (t.empty() || t.front() != '[') return false;
  std::string_view body = t.substr(1);
  std::size_t close = npos;
  for (std::size_t i = 0; i < body.size(); ++i) {
    if (body[i] == ']')
      close = i;
    else if (IsLeadByte(static_cast<unsigned char>(body[i])))
      ++i;
  }
  name = Trim(close == npos ? body : body.substr(0, close));
  return true;
}

// A key line holds "=" and is neither a section header nor a comment.
bool KeyLine(std::string_view line, std::string_view& key, std::string_view& raw) {
  std::string_view t = TrimLeft(line);
  if (t.empty() || t.front() == '[' || t.front() == ';') return false;
  std::size_t eq = t.find('=');
  if (eq == npos) return false;
  key = Trim(t.substr(0, eq));
  raw = t.substr(eq + 1);
  return true;
}

// The value as a read returns it from the text after "=".
std::string ValueFromRaw(std::string_view raw) {
  std::string_view v = Trim(raw);
  if (v.size() >= 2 && v.front() == v.back() && (v.front() == '"' || v.front() == '\''))
    v = v.substr(1, v.size() - 2);
  std::size_t cut = 0;
  while (cut < v.size()) {
    std::size_t width = IsLeadByte(static_cast<unsigned char>(v[cut])) ? 2 : 1;
    if (cut + width > kMaxProfileValue) break;
    cut += width;
  }
  return std::string(v.substr(0, cut < v.size() ? cut : v.size()));
}

// The text written after "=". A line break would end the line and turn the
// rest of the value into a line of its own, so the value stops before it.
// Blanks at either end, or a pair of enclosing quotes, would be lost by the
// read; enclosing the value in double quotes keeps it as it is for any
// reader that follows the profile rules.
std::string StoredValue(std::string_view value) {
  std::string v(value.substr(0, value.find_first_of("\r\n")));
  bool quote =
      !v.empty() &&
      (IsBlank(v.front()) || IsBlank(v.back()) ||
       (v.size() >= 2 && v.front() == v.back() && (v.front() == '"' || v.front() == '\'')));
  return quote ? '"' + v + '"' : v;
}

}  // namespace

void IniProfile::Load(std::string_view bytes) {
  lines_.clear();
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t lf = bytes.find('\n', pos);
    if (lf == npos) {
      lines_.push_back({std::string(bytes.substr(pos)), ""});
      break;
    }
    std::size_t end = lf;
    if (end > pos && bytes[end - 1] == '\r') --end;
    lines_.push_back(
        {std::string(bytes.substr(pos, end - pos)), std::string(bytes.substr(end, lf + 1 - end))});
    pos = lf + 1;
  }
}

std::string IniProfile::Serialise() const {
  std::string out;
  for (const Line& l : lines_) {
    out += l.Text;
    out += l.Eol;
  }
  return out;
}

std::size_t IniProfile::FindSection(std::string_view section) const {
  std::string_view name;
  for (std::size_t i = 0; i < lines_.size(); ++i)
    if (SectionName(lines_[i].Text, name) && NamesEqual(name, section)) return i;
  return npos;
}

std::size_t IniProfile::SectionEnd(std::size_t s) const {
  std::string_view name;
  for (std::size_t i = s + 1; i < lines_.size(); ++i)
    if (SectionName(lines_[i].Text, name)) return i;
  return lines_.size();
}

std::size_t IniProfile::FindKey(std::size_t s, std::string_view key) const {
  std::string_view k, raw;
  std::size_t end = SectionEnd(s);
  for (std::size_t i = s + 1; i < end; ++i)
    if (KeyLine(lines_[i].Text, k, raw) && NamesEqual(k, key)) return i;
  return npos;
}

std::string IniProfile::ReadString(std::string_view section, std::string_view key,
                                   const std::string& def) const {
  std::size_t s = FindSection(section);
  if (s == npos) return def;
  std::size_t k = FindKey(s, key);
  if (k == npos) return def;
  std::string_view name, raw;
  KeyLine(lines_[k].Text, name, raw);
  return ValueFromRaw(raw);
}

bool IniProfile::HasKey(std::string_view section, std::string_view key) const {
  const std::size_t s = FindSection(section);
  return s != npos && FindKey(s, key) != npos;
}

std::int32_t IniProfile::ReadInteger(std::string_view section, std::string_view key,
                                     std::int32_t def) const {
  std::string text = ReadString(section, key, "");
  std::int32_t value = def;
  if (text.empty() || !ParseProfileInteger(text, value)) return def;
  return value;
}

void IniProfile::InsertLine(std::size_t at, std::string text) {
  // A last line without a line ending gets one, or the new line would run on
  // from it.
  if (at > 0 && lines_[at - 1].Eol.empty()) lines_[at - 1].Eol = "\r\n";
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), Line{std::move(text), "\r\n"});
}

void IniProfile::WriteString(std::string_view section, std::string_view key,
                             std::string_view value) {
  std::string stored = StoredValue(value);
  std::size_t s = FindSection(section);
  if (s == npos) {
    InsertLine(lines_.size(), "[" + std::string(section) + "]");
    InsertLine(lines_.size(), std::string(key) + "=" + stored);
    return;
  }
  std::size_t k = FindKey(s, key);
  if (k != npos) {
    std::string_view name, raw;
    KeyLine(lines_[k].Text, name, raw);
    // A line that already reads as the new value stays as it is: a hand-typed
    // " 5" or a value longer than a read returns is not rewritten for nothing.
    if (ValueFromRaw(raw) == ValueFromRaw(stored)) return;
    lines_[k] = {std::string(name) + "=" + stored, "\r\n"};
    return;
  }
  // After the section's last key line: blank lines and comments that end a
  // section usually introduce the next one, so they stay below the new key.
  std::size_t at = s + 1;
  std::string_view k2, raw;
  std::size_t end = SectionEnd(s);
  for (std::size_t i = s + 1; i < end; ++i)
    if (KeyLine(lines_[i].Text, k2, raw)) at = i + 1;
  InsertLine(at, std::string(key) + "=" + stored);
}

void IniProfile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) {
  WriteString(section, key, std::to_string(value));
}

bool ParseProfileInteger(std::string_view text, std::int32_t& out) {
  std::size_t i = 0, n = text.size();
  while (i < n && text[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  bool hex = false;
  if (i < n && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i == n) return false;
  // Hexadecimal takes any 32-bit pattern; decimal must fit the signed range.
  const std::uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
  std::uint64_t v = 0;
  for (; i < n; ++i) {
    char c = text[i];
    unsigned digit;
    if (c >= '0' && c <= '9')
      digit = static_cast<unsigned>(c - '0');
    else if (hex && c >= 'a' && c <= 'f')
      digit = static_cast<unsigned>(c - 'a' + 10);
    else if (hex && c >= 'A' && c <= 'F')
      digit = static_cast<unsigned>(c - 'A' + 10);
    else
      return false;
    v = v * (hex ? 16 : 10) + digit;
    if (v > limit) return false;
  }
  std::uint32_t bits = static_cast<std::uint32_t>(v);
  if (negative) bits = 0u - bits;
  out = static_cast<std::int32_t>(bits);
  return true;
}
