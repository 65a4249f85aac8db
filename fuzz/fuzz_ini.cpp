// The INI profile on arbitrary file bytes. Checked on every input:
// - loading and serialising with no write gives the bytes back unchanged;
// - a read as an integer agrees with the read as a string;
// - after a series of writes (existing and new keys and sections, names in
//   other letter cases, quoted and blank-edged values, line breaks in
//   values, values longer than a read returns), the serialised file reloads
//   to the written values, rewriting them changes nothing, and every line
//   that no write could have touched is still there, in order, unchanged.
// Writes with arbitrary names (line breaks, "=", brackets) then run on a
// fresh copy, where only the surviving lines are checked.
//
// Input: a count byte (mod 9), that many 4-byte writes {kind, section,
// key, value} (each picks from tables and from names found in the file),
// then the file's bytes.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "FuzzPlatform.h"
#include "settings/IniProfile.h"

namespace {

bool Lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool Blank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && Blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && Blank(s.back())) s.remove_suffix(1);
  return s;
}

// Names match without regard to ASCII case; a double-byte character (whose
// trail byte may be a letter) matches exactly.
std::string Canon(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (Lead(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) {
      out += s[i];
      out += s[++i];
    } else {
      out += (s[i] >= 'A' && s[i] <= 'Z') ? static_cast<char>(s[i] + 32) : s[i];
    }
  }
  return out;
}

// A section name that the file can hold: one line, no blanks at its ends
// (they are trimmed off a header) and no lead byte without its trail byte
// at the end (it would swallow the closing bracket).
bool GoodSection(std::string_view s) {
  if (s.find_first_of("\r\n") != std::string_view::npos || Trim(s).size() != s.size()) return false;
  for (std::size_t i = 0; i < s.size(); ++i)
    if (Lead(static_cast<unsigned char>(s[i])) && ++i >= s.size()) return false;
  return true;
}
// A key name that the file can hold: one line, no "=", no blanks at its
// ends, and not read as a section header or a comment.
bool GoodKey(std::string_view s) {
  return s.find_first_of("\r\n=") == std::string_view::npos && Trim(s).size() == s.size() &&
         (s.empty() || (s.front() != '[' && s.front() != ';'));
}

struct Line {
  std::string Text, Eol;
};
std::vector<Line> Split(std::string_view bytes) {
  std::vector<Line> lines;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t lf = bytes.find('\n', pos);
    if (lf == std::string_view::npos) {
      lines.push_back({std::string(bytes.substr(pos)), ""});
      break;
    }
    std::size_t end = lf > pos && bytes[lf - 1] == '\r' ? lf - 1 : lf;
    lines.push_back(
        {std::string(bytes.substr(pos, end - pos)), std::string(bytes.substr(end, lf + 1 - end))});
    pos = lf + 1;
  }
  return lines;
}

// Every line of before that is not a "key = value" line of one of the
// written keys must appear in after, in order and unchanged (a last line
// without a line ending may have gained one).
void CheckSurvivors(std::string_view before, std::string_view after,
                    const std::vector<std::string>& writtenKeys) {
  const std::vector<Line> a = Split(before), b = Split(after);
  std::size_t j = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const std::size_t eq = a[i].Text.find('=');
    if (eq != std::string::npos) {
      const std::string key = Canon(Trim(std::string_view(a[i].Text).substr(0, eq)));
      // Headers and comments with that text before an "=" are skipped too:
      // a superset of the lines a write may replace is enough.
      if (std::find(writtenKeys.begin(), writtenKeys.end(), key) != writtenKeys.end()) continue;
    }
    const bool lastWithoutEol = i + 1 == a.size() && a[i].Eol.empty();
    while (j < b.size() && !(b[j].Text == a[i].Text && (lastWithoutEol || b[j].Eol == a[i].Eol)))
      ++j;
    FUZZ_CHECK(j < b.size(), "line %zu (\"%s\") was lost or changed", i, a[i].Text.c_str());
    ++j;
  }
}

void CheckIntegerRead(const IniProfile& p, std::string_view section, std::string_view key) {
  const std::string text = p.ReadString(section, key, "");
  std::int32_t parsed = 0;
  const bool ok = !text.empty() && ParseProfileInteger(text, parsed);
  const std::int32_t def = -77777;
  const std::int32_t got = p.ReadInteger(section, key, def);
  FUZZ_CHECK(got == (ok ? parsed : def), "ReadInteger %d, string \"%s\"", got, text.c_str());
}

const char* const kSections[] = {
    "System",
    "system",
    "SYSTEM",
    "Continue",
    "Data0",
    "data9",
    "New",
    "new section",
    "",
    "a]b",
    "\x83\x41" /* ア */,
    "\x83\x61" /* ヲ: ア with its trail byte folded */,
    "Zz",
};
const char* const kKeys[] = {
    "Text", "text", "Index", "MsgSpeed", "HeadWord", "NewKey",   "newkey",
    "",     "k y",  "a[b",   "x;y",      "\x83\x41", "\x83\x61", "Q\x81",
};
const char* const kValues[] = {
    "",
    "0",
    "-1",
    "2147483647",
    "-2147483648",
    "0x1E",
    "$FFFFFFFF",
    " 30",
    "30 ",
    "abc",
    "12a",
    "\"q\"",
    "'s'",
    "\"",
    "\"a \"",
    " lead",
    "trail ",
    "\t",
    "  ",
    "a=b",
    "[not a section]",
    ";not a comment",
    "\x82\xA0\x82\xA2",
    "\x81",
    " \x81",
    "x\r\ny",
    "line\nbreak",
    "cr\ronly",
    "C:\\path\\to\\file.txt",
    "/home/user/\x96\x7B.txt",
};
constexpr int kCount(const auto& a) { return static_cast<int>(sizeof a / sizeof a[0]); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const int ops = std::min<std::size_t>(data[0] % 9, (size - 1) / 4);
  const std::uint8_t* op = data + 1;
  const std::string file(reinterpret_cast<const char*>(data + 1 + 4 * ops), size - 1 - 4 * ops);

  IniProfile profile(file);
  FUZZ_CHECK(profile.Serialise() == file, "loading and serialising changed the file");

  // Names the file already has, for writes that replace existing lines.
  std::vector<std::string> sections(std::begin(kSections), std::end(kSections));
  std::vector<std::string> keys(std::begin(kKeys), std::end(kKeys));
  for (const Line& l : Split(file)) {
    std::string_view t = Trim(l.Text);
    if (!t.empty() && t.front() == '[' && sections.size() < 32) {
      const std::size_t close = t.rfind(']');
      std::string_view name = Trim(t.substr(1, close == t.npos ? t.npos : close - 1));
      if (GoodSection(name)) sections.emplace_back(name);
    } else if (std::size_t eq = t.find('='); eq != t.npos && keys.size() < 32) {
      std::string_view name = Trim(t.substr(0, eq));
      if (GoodKey(name)) keys.emplace_back(name);
    }
  }
  for (std::size_t i = 0; i < std::max(sections.size(), keys.size()); ++i)
    CheckIntegerRead(profile, sections[i % sections.size()], keys[i * 7 % keys.size()]);

  // The writes, and what each key must read back as.
  struct Expected {
    std::string Section, Key, Value;
    bool IsInteger = false;
    std::int32_t Integer = 0;
  };
  std::map<std::pair<std::string, std::string>, Expected> expected;
  std::vector<std::string> writtenKeys;
  for (int i = 0; i < ops; ++i, op += 4) {
    const std::string& section = sections[op[1] % sections.size()];
    const std::string& key = keys[op[2] % keys.size()];
    Expected e{section, key, "", false, 0};
    if (op[0] & 1) {
      e.IsInteger = true;
      e.Integer =
          static_cast<std::int32_t>(0x9E3779B9u * (op[3] + 1u) * (op[0] | 1u)) >> (op[0] >> 3 & 31);
      profile.WriteInteger(section, key, e.Integer);
      e.Value = std::to_string(e.Integer);
    } else {
      std::string value;
      const int pick = op[3] % (kCount(kValues) + 4);
      if (pick < kCount(kValues)) {
        value = kValues[pick];
      } else if (pick == kCount(kValues)) {
        value.assign(1000 + 1047u * (op[0] >> 1 & 3), 'A');  // 1000 .. 4141 bytes
      } else if (!file.empty()) {
        const std::size_t from = (op[3] * 131u + op[0]) % file.size();
        value = file.substr(from, (op[0] >> 1) % 80);
      }
      profile.WriteString(section, key, value);
      // A value ends at a line break; a read returns at most its first
      // kMaxProfileValue bytes (only ASCII values are that long here).
      e.Value = value.substr(0, value.find_first_of("\r\n"));
      if (e.Value.size() > kMaxProfileValue) e.Value.resize(kMaxProfileValue);
    }
    expected[{Canon(section), Canon(key)}] = e;
    writtenKeys.push_back(Canon(key));
  }

  const std::string written = profile.Serialise();
  CheckSurvivors(file, written, writtenKeys);

  IniProfile reloaded(written);
  FUZZ_CHECK(reloaded.Serialise() == written, "reloading changed the written file");
  for (const auto& [names, e] : expected) {
    const std::string got = reloaded.ReadString(e.Section, e.Key, "\x01missing");
    FUZZ_CHECK(got == e.Value, "[%s] %s reads \"%s\", wrote \"%s\"", e.Section.c_str(),
               e.Key.c_str(), got.c_str(), e.Value.c_str());
    if (e.IsInteger) {
      const std::int32_t n = reloaded.ReadInteger(e.Section, e.Key, e.Integer ^ 1);
      FUZZ_CHECK(n == e.Integer, "[%s] %s reads %d, wrote %d", e.Section.c_str(), e.Key.c_str(), n,
                 e.Integer);
    }
    CheckIntegerRead(reloaded, e.Section, e.Key);
  }
  // Writing what is already there leaves every byte alone.
  for (const auto& [names, e] : expected) {
    if (e.IsInteger)
      reloaded.WriteInteger(e.Section, e.Key, e.Integer);
    else
      reloaded.WriteString(e.Section, e.Key, e.Value);
  }
  FUZZ_CHECK(reloaded.Serialise() == written, "rewriting the same values changed the file");

  // Arbitrary names taken from the file's bytes: nothing is promised about
  // reading them back, but lines no write could touch still survive.
  if (!file.empty()) {
    IniProfile raw(file);
    std::vector<std::string> rawKeys;
    op = data + 1;
    for (int i = 0; i < ops; ++i, op += 4) {
      const std::string section = file.substr(op[1] * 7u % file.size(), op[1] % 12);
      const std::string key = file.substr(op[2] * 11u % file.size(), op[2] % 12);
      const std::string value = file.substr(op[3] * 13u % file.size(), op[3] % 24);
      raw.WriteString(section, key, value);
      rawKeys.push_back(Canon(key));
    }
    const std::string out = raw.Serialise();
    CheckSurvivors(file, out, rawKeys);
    IniProfile again(out);
    for (const std::string& s : sections) CheckIntegerRead(again, s, "Text");
  }
  return 0;
}
