// Characters an Aozora Bunko text names instead of holding: a ※ with a
// note naming a character Shift-JIS lacks (※［＃「口＋世」、U+546D、…］,
// ※［＃「てへん＋劣」、第3水準1-84-77］), and Latin letters with accents
// written inside 〔…〕 as a letter and a mark (〔e'tiquette〕). Found in one
// pass over the whole text before it is read, so that each character gets
// the same code however far into the text reading starts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "text/TextWalk.h"

// What a note names: a JIS X 0213 plane (1 or 2), row and cell, or else a
// code point; all 0 when it names neither.
struct CharName {
  int Plane = 0, Row = 0, Cell = 0;
  char32_t CodePoint = 0;
};

// The name in the body of a note, text[from, to) (what lies between ［＃
// and ］): a plane-row-cell ("1-84-77", "第4水準2-12-11") before a code point
// ("U+546D", in either case). Digits and hyphens may be full-width; the
// quoted 「…」 describing the character counts for neither.
CharName ParseCharName(const std::uint8_t* text, std::int64_t from, std::int64_t to,
                       std::size_t userCodes = 0);

// The accented letter that the letter and mark at text[p] (two or three
// bytes, such as "e'" or "ae&") stand for inside 〔…〕, and their length in
// len; 0 when they are none.
char32_t AccentAt(const std::uint8_t* text, std::int64_t length, std::int64_t p, int& len);

// Every ※ with a note that names a character, and every 〔…〕 holding an
// accented letter (with its brackets, shown as nothing), in the order of
// the text. jis gives the character of a plane-row-cell (0 for none); code
// the code a character is shown with, given in the order asked (0 for
// none: the note keeps its ※, the letters stay as written). userCodes as
// for CharBytes; length under 2 GiB, as every text the reader reads.
std::vector<Substitution> FindNamedChars(const std::uint8_t* text, std::int64_t length,
                                         std::size_t userCodes,
                                         const std::function<char32_t(int, int, int)>& jis,
                                         const std::function<std::uint16_t(char32_t)>& code);
