// The encoding of a text file and its conversion, once, in memory, to the
// Shift-JIS (code page 932) form the reading loop walks. Texts saved from
// the web are mostly UTF-8; older ones EUC-JP or ISO-2022-JP. Positions
// the reader stores (resume point, bookmarks, page bar) are positions in
// the converted form, so nothing past this point knows the file was
// anything but Shift-JIS.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

enum class TextEncoding { ShiftJis, Utf8, Utf16Le, Utf16Be, EucJp, Iso2022Jp };

// A byte-order mark decides. Without one: the zero bytes of Japanese
// UTF-16 in the first 64 KiB; the escape to kanji of ISO-2022-JP, with
// fewer bytes above 0x7F than kanji; then 64 KiB from the first byte above
// 0x7F (what comes before is ASCII in every encoding) checked as
// Shift-JIS, UTF-8 and EUC-JP. A reading that alone holds wins (UTF-8
// holds with a stray byte in a hundred sequences). Where Shift-JIS is one
// of several, another wins only with enough text to tell (a stray byte in
// a thousand sequences of UTF-8 at most): the detector (uchardet) naming
// it too, or a reading as Shift-JIS that no Japanese text would give. When
// none holds, UTF-16 that has no zero bytes. Shift-JIS whenever in doubt.
TextEncoding DetectEncoding(const std::uint8_t* text, std::size_t size);

// The encoding of an HTML page that names one (charset, as the page writes
// it): a byte-order mark decides; then the named encoding (Shift_JIS,
// Windows-31J, UTF-8, EUC-JP, ISO-2022-JP and their aliases, any case) when
// the text reads as valid in it, as DetectEncoding samples it. A name the
// reader does not know, or one the bytes belie, leaves it to
// DetectEncoding, so a mislabelled Shift-JIS page reads as Shift-JIS; and a
// page named Shift-JIS that DetectEncoding finds to be UTF-8 (saved again
// as UTF-8, its head left as it was) reads as UTF-8.
TextEncoding PageEncoding(std::string_view charset, const std::uint8_t* text, std::size_t size);

// The encoding 文字コード (setting Encoding) chooses: 0 detected, 1 Shift-JIS,
// 2 UTF-8, 3 EUC-JP, 4 UTF-16 (little-endian unless a byte-order mark says
// otherwise), 5 ISO-2022-JP; any other value as 0.
TextEncoding ChosenEncoding(std::int32_t choice, const std::uint8_t* text, std::size_t size);

// What ConvertToSjis did.
enum class Conversion {
  AsIs,       // the text is Shift-JIS: left as it was
  Converted,  // text and size hold the Shift-JIS form
  TooLarge,   // converted, but the result reaches the limit
  NoMemory,   // memory ran out halfway: text holds no usable text
};

// The characters of one text that Shift-JIS lacks, each given a code of
// the user-defined area (lead 0xF0..0xF9, trail 0x40..0x7E and
// 0x80..0xFC: 1,880 codes) in the order they are first asked for, so that
// the same text always gets the same codes.
constexpr std::size_t kUserCodes = 1880;
class UserChars {
 public:
  // The code of ch, given now if it has none; 0 once every code is taken.
  std::uint16_t Code(char32_t ch);
  // Its code if it has one, else 0.
  std::uint16_t Find(char32_t ch) const;
  // The character a code stands for; 0 for a code not given.
  char32_t Char(std::uint8_t lead, std::uint8_t trail) const;
  std::size_t Size() const { return chars_.size(); }

 private:
  std::vector<char32_t> chars_;
  std::unordered_map<char32_t, std::uint16_t> codes_;
};

// Converts the size bytes of text, in encoding enc, to Shift-JIS (a
// byte-order mark is left out), in place where the converted form fits,
// and ends it with a zero byte; text must hold size + 1 bytes. A character
// with no Shift-JIS form takes a code of user (〓 without it, or once its
// codes run out); a sequence that is not valid becomes "〓" (0x81AC):
// nothing is dropped and no text fails as a whole.
Conversion ConvertToSjis(std::unique_ptr<std::uint8_t[]>& text, std::size_t& size, TextEncoding enc,
                         std::uint64_t limit, UserChars* user = nullptr);

// The character JIS X 0213 gives plane 1 or 2, row and cell (1..94 each),
// as glibc's EUC-JISX0213 reads it; 0 for none, or for one written as two
// code points.
char32_t Jis0213ToUnicode(int plane, int row, int cell);

// The Shift-JIS code of a Unicode code point: one byte (0x01..0x7F,
// 0xA1..0xDF) or lead * 256 + trail, always with a lead byte the reading
// loop takes (0x81..0x9F, 0xE0..0xEF); 0 when it has none.
std::uint16_t UnicodeToSjis(std::uint32_t cp);

// The code a Shift-JIS text's IBM extension code (0xFA40..0xFC4B) shows as:
// the same character by UnicodeToSjis, with lead byte 0xED or 0xEE, or in
// the NEC row 13 or the symbols (Ⅰ, ￢, ∵); 0 for any other code.
std::uint16_t ExtensionToSjis(std::uint16_t code);
