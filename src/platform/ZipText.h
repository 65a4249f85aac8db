// A ZIP file opened as the text inside it. Aozora Bunko hands out each work
// as a ZIP holding one Shift-JIS text (and at times its pictures); the
// reader takes the text out in memory, never on disk, and from then on the
// text is what it reads, positions and all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// True when data begins as a ZIP does: a local file header, or the end
// record of an archive with nothing in it. The name of the file does not
// count, and no text begins with these control bytes.
bool IsZip(const std::uint8_t* data, std::size_t size);

enum class ZipMember {
  Ok,
  Damaged,      // not readable as a ZIP, or a member not as its headers say
  Encrypted,    // the text member needs a password
  Unsupported,  // packed with a method that cannot be undone here
  NoText,       // no ".txt", ".htm" or ".html" member
  TooLarge,     // the member would unpack to limit bytes or more
  NoMemory,
};

// Replaces the size bytes of a ZIP in data by those of its first ".txt"
// member, or, with none, of its first ".htm" or ".html" (in any case;
// folders and the "__MACOSX/" copies of a Mac left out), with room for
// extra bytes (at least one) after them, which the caller fills. A ZIP
// inside is not unpacked again: its bytes are the text.
//
// The sizes in the headers are not trusted: a member is refused before
// unpacking when its header says limit or more, and is read with a bound of
// one byte past what its header says, so a member that unpacks to more (a
// ZIP bomb) stops there and takes no more memory than it claimed. A member
// whose real size or checksum differs from its headers is Damaged. On
// anything but Ok, data and size are left as they were.
ZipMember TakeZipMember(std::unique_ptr<std::uint8_t[]>& data, std::size_t& size,
                        std::uint64_t limit, std::size_t extra);
