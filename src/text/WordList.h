// Word lists: strings of Shift-JIS characters used as sets (the kinsoku,
// wait and line-feed lists of the settings). Only double-byte characters
// count: a byte 0x01..0x7F is stepped over by itself and every byte
// 0x80..0xFF begins a two-byte unit, so a list is always read in step with
// its own lead bytes and a trail byte never matches on its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// True when the double-byte character ch (two bytes, lead first) occurs in
// the n bytes at list. A zero byte ends the list. A lead byte in the last
// position pairs with the zero that would end it, as a lead byte at the end
// of a text does; nothing past list[n - 1] is read.
inline bool InWordList(const std::uint8_t* list, std::size_t n, const std::uint8_t* ch) {
  std::size_t i = 0;
  while (i < n) {
    const std::uint8_t b = list[i];
    if (b == 0) return false;
    if (b < 0x80) {
      ++i;
      continue;
    }
    const std::uint8_t trail = i + 1 < n ? list[i + 1] : 0;
    if (b == ch[0] && trail == ch[1]) return true;
    i += 2;
  }
  return false;
}

inline bool InWordList(const std::string& list, const std::uint8_t* ch) {
  return InWordList(reinterpret_cast<const std::uint8_t*>(list.data()), list.size(), ch);
}
