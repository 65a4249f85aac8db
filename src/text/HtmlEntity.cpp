#include "text/HtmlEntity.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace {

constexpr std::uint32_t kNone = 0x110000;

struct Named {
  std::string_view Name;
  std::uint32_t Cp;
  bool operator<(const Named& o) const { return Name < o.Name; }
};
constexpr Named kCommon[] = {{"amp;", '&'},  {"lt;", '<'},    {"gt;", '>'},
                             {"quot;", '"'}, {"apos;", '\''}, {"nbsp;", 0xA0}};

// The list of HTML, sorted by name; read once from the embedded data:
// lines of a name and its code points in hex, '#' lines aside.
const std::vector<Named>& AllNames() {
  static const std::vector<Named> names = [] {
    constexpr std::string_view data =
#include "HtmlEntities.inc"
        ;
    std::vector<Named> v;
    for (std::size_t at = 0; at < data.size();) {
      std::size_t end = data.find('\n', at);
      if (end == data.npos) end = data.size();
      const std::string_view line = data.substr(at, end - at);
      at = end + 1;
      const std::size_t space = line.find(' ');
      if (line.empty() || line[0] == '#' || space == line.npos) continue;
      std::uint32_t cp = 0;
      for (const char c : line.substr(space + 1)) {
        if (c == ' ') {  // a second code point: no one character
          cp = kNone;
          break;
        }
        cp = cp * 16 + std::uint32_t(c <= '9' ? c - '0' : c - 'A' + 10);
      }
      v.push_back({line.substr(0, space), cp});
    }
    std::sort(v.begin(), v.end());
    return v;
  }();
  return names;
}

const Named* Find(std::string_view name) {
  const std::vector<Named>& all = AllNames();
  const auto it = std::lower_bound(all.begin(), all.end(), Named{name, 0});
  return it != all.end() && it->Name == name ? &*it : nullptr;
}

bool IsAlnum(char c) { return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z'); }

int Digit(std::uint8_t c, int base) {
  if (c >= '0' && c <= '9') return c - '0';
  if (base == 16 && (c | 0x20) >= 'a' && (c | 0x20) <= 'f') return (c | 0x20) - 'a' + 10;
  return -1;
}

}  // namespace

std::int64_t ParseEntity(const std::uint8_t* text, std::int64_t length, std::int64_t p,
                         std::uint32_t& cp, bool all) {
  const std::string_view rest(reinterpret_cast<const char*>(text) + p + 1,
                              std::size_t(length - p - 1));
  if (all) {
    // The longest name is 31 letters and its ';'.
    std::size_t n = 0;
    while (n < rest.size() && n < 32 && IsAlnum(rest[n])) ++n;
    if (n < rest.size() && rest[n] == ';')
      if (const Named* e = Find(rest.substr(0, n + 1))) {
        cp = e->Cp;
        return p + 1 + std::int64_t(n);
      }
    // A legacy name without its ';' ends where the longest one does: "&notit;" is ¬ and "it;".
    for (; n > 1; --n)
      if (const Named* e = Find(rest.substr(0, n))) {
        cp = e->Cp;
        return p + std::int64_t(n);
      }
  } else {
    for (const Named& e : kCommon)
      if (rest.starts_with(e.Name)) {
        cp = e.Cp;
        return p + std::int64_t(e.Name.size());
      }
  }
  if (!rest.starts_with('#')) return -1;
  const bool hex = rest.size() > 1 && (rest[1] | 0x20) == 'x';
  const int base = hex ? 16 : 10;
  std::size_t i = hex ? 2 : 1;
  const std::size_t first = i;
  cp = 0;
  for (int d; i < rest.size() && (d = Digit(std::uint8_t(rest[i]), base)) >= 0; ++i)
    cp = cp > 0x10FFFF ? kNone : cp * base + std::uint32_t(d);
  if (i == first || i == rest.size() || rest[i] != ';') return -1;
  if (cp > 0x10FFFF) cp = kNone;
  // A page means by &#128; to &#159; what Windows-1252 puts there (&#150;
  // is a dash, &#133; an ellipsis), as HTML reads them; five are controls.
  static constexpr std::uint16_t kWindows1252[32] = {
      0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
  if (all && cp >= 0x80 && cp <= 0x9F) cp = kWindows1252[cp - 0x80];
  return p + 1 + std::int64_t(i);
}
