#include "text/HtmlEntity.h"

#include <string_view>

namespace {

struct Named {
  std::string_view Name;
  std::uint32_t Cp;
};
constexpr Named kNamed[] = {{"amp;", '&'},  {"lt;", '<'},    {"gt;", '>'},
                            {"quot;", '"'}, {"apos;", '\''}, {"nbsp;", 0xA0}};

int Digit(std::uint8_t c, int base) {
  if (c >= '0' && c <= '9') return c - '0';
  if (base == 16 && (c | 0x20) >= 'a' && (c | 0x20) <= 'f') return (c | 0x20) - 'a' + 10;
  return -1;
}

}  // namespace

std::int64_t ParseEntity(const std::uint8_t* text, std::int64_t length, std::int64_t p,
                         std::uint32_t& cp) {
  const std::string_view rest(reinterpret_cast<const char*>(text) + p + 1,
                              std::size_t(length - p - 1));
  for (const Named& n : kNamed)
    if (rest.starts_with(n.Name)) {
      cp = n.Cp;
      return p + std::int64_t(n.Name.size());
    }
  if (!rest.starts_with('#')) return -1;
  const bool hex = rest.size() > 1 && (rest[1] | 0x20) == 'x';
  const int base = hex ? 16 : 10;
  std::size_t i = hex ? 2 : 1;
  const std::size_t first = i;
  cp = 0;
  for (int d; i < rest.size() && (d = Digit(std::uint8_t(rest[i]), base)) >= 0; ++i)
    cp = cp > 0x10FFFF ? 0x110000 : cp * base + std::uint32_t(d);
  if (i == first || i == rest.size() || rest[i] != ';') return -1;
  if (cp > 0x10FFFF) cp = 0x110000;
  return p + 1 + std::int64_t(i);
}
