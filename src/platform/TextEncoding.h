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

// Converts the size bytes of text, in encoding enc, to Shift-JIS (a
// byte-order mark is left out), in place where the converted form fits,
// and ends it with a zero byte; text must hold size + 1 bytes. A character
// with no Shift-JIS form and a sequence that is not valid become "〓"
// (0x81AC): nothing is dropped and no text fails as a whole. False when
// memory runs out or the result reaches limit bytes.
bool ConvertToSjis(std::unique_ptr<std::uint8_t[]>& text, std::size_t& size, TextEncoding enc,
                   std::uint64_t limit);

// The Shift-JIS code of a Unicode code point: one byte (0x01..0x7F,
// 0xA1..0xDF) or lead * 256 + trail; 0 when it has none.
std::uint16_t UnicodeToSjis(std::uint32_t cp);
