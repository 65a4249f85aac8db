// HTML character references in a text read with tag removal: the named
// ones a hand-written page uses (&amp; &lt; &gt; &quot; &apos; &nbsp;) and
// numeric ones (&#NNNN; &#xHHHH;). Anything else stays as written.
#pragma once

#include <cstdint>

// For the reference that begins at text[p] ('&'): its code point in cp and
// the index of its ';', or -1 when it is none (unknown or unterminated).
// A number past U+10FFFF gives 0x110000, which has no character.
std::int64_t ParseEntity(const std::uint8_t* text, std::int64_t length, std::int64_t p,
                         std::uint32_t& cp);
