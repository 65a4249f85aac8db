// HTML character references in a text read with tag removal: numeric ones
// (&#NNNN; &#xHHHH;) and named ones. A plain text knows the names a
// hand-written page uses (&amp; &lt; &gt; &quot; &apos; &nbsp;); an HTML
// page knows every name of HTML (data/html-entities.txt, embedded by the
// build), and the legacy ones without their ';' as HTML reads them.
// Anything else stays as written.
#pragma once

#include <cstdint>

// For the reference that begins at text[p] ('&'): its code point in cp and
// the index of its last byte (its ';', or the last letter of a legacy name
// written bare), or -1 when it is none (unknown or unterminated). all: the
// whole list of names. A number past U+10FFFF, and a name that stands for
// two code points, give 0x110000, which has no character.
std::int64_t ParseEntity(const std::uint8_t* text, std::int64_t length, std::int64_t p,
                         std::uint32_t& cp, bool all = false);
