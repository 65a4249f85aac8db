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

enum class TextEncoding { ShiftJis, Utf8, Utf16Le, Utf16Be, EucJp, Iso2022Jp };

// A byte-order mark decides. Without one, strict checks of the first
// 64 KiB tell which readings are valid; where Shift-JIS is one of several,
// another reading wins only when the detector (uchardet) names it too and
// the text reads as Japanese in it. Shift-JIS whenever in doubt.
TextEncoding DetectEncoding(const std::uint8_t* text, std::size_t size);

// What ConvertToSjis did.
enum class Conversion {
  AsIs,       // the text is Shift-JIS: left as it was
  Converted,  // text and size hold the Shift-JIS form
  TooLarge,   // converted, but the result reaches the limit
  NoMemory,   // memory ran out halfway: text holds no usable text
};

// Converts the size bytes of text, in encoding enc, to Shift-JIS (a
// byte-order mark is left out), in place where the converted form fits,
// and ends it with a zero byte; text must hold size + 1 bytes. A character
// with no Shift-JIS form and a sequence that is not valid become "〓"
// (0x81AC): nothing is dropped and no text fails as a whole.
Conversion ConvertToSjis(std::unique_ptr<std::uint8_t[]>& text, std::size_t& size, TextEncoding enc,
                         std::uint64_t limit);

// The Shift-JIS code of a Unicode code point: one byte (0x01..0x7F,
// 0xA1..0xDF) or lead * 256 + trail, always with a lead byte the reading
// loop takes (0x81..0x9F, 0xE0..0xEF); 0 when it has none.
std::uint16_t UnicodeToSjis(std::uint32_t cp);
