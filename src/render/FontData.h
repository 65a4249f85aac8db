// Font data: the glyph atlas stored as a file, and the algorithm that makes
// one from a font. The file has no header: 47 rows (lead bytes 0x81-0x9F,
// then 0xE0-0xEF) of 189 slots (trail bytes 0x40-0xFC, 0x7F included) of 24
// x 24 background weights, then a 1,728-byte trailer repeating the first
// three slots of the last row written. A weight is the number of background
// pixels in a 4 x 4 block of the character rendered at a 96-pixel cell.
//
// The rasteriser is a plugged-in function so that the algorithm runs
// headless; rows may be rendered on several threads, each with its own
// rasteriser, and the file is still written row by row in order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "render/GlyphMask.h"

// The glyph atlas in memory is laid out as the file.
constexpr int kAtlasSlotBytes = 576;
constexpr int kAtlasRowSlots = 189;
constexpr int kAtlasRows = 47;
constexpr int kAtlasBytes = 5118336;  // 8,886 slots: 47 rows of 189 and a three-slot trailer

// The atlas's memory: kAtlasBytes, zero until written. The zeros are pages
// the system has not handed out yet, so an atlas that is never loaded costs
// no memory.
class AtlasMemory {
 public:
  AtlasMemory();
  ~AtlasMemory();
  AtlasMemory(const AtlasMemory&) = delete;
  AtlasMemory& operator=(const AtlasMemory&) = delete;

  static constexpr std::size_t size() { return kAtlasBytes; }
  std::uint8_t* data() { return bytes_; }
  const std::uint8_t* data() const { return bytes_; }
  std::uint8_t* begin() { return bytes_; }
  std::uint8_t* end() { return bytes_ + kAtlasBytes; }
  std::uint8_t& operator[](std::size_t i) { return bytes_[i]; }
  std::uint8_t& back() { return bytes_[kAtlasBytes - 1]; }

 private:
  std::uint8_t* bytes_;
};

constexpr int kFontDataCell = 96;                                 // rendering cell height
constexpr int kAtlasRowBytes = kAtlasRowSlots * kAtlasSlotBytes;  // 108,864
constexpr int kFontDataTrailerBytes = 3 * kAtlasSlotBytes;        // 1,728

// Renders one double-byte code in white on black at cell height 96 into out
// (96 x 96, (0, 0) the top-left of the cell; 0 is background, anything else
// ink). False when nothing can be drawn: the slot is then blank.
using FontRasterFn = std::function<bool(std::uint8_t lead, std::uint8_t trail, GlyphMask& out)>;
// Makes a rasteriser. It is called on the calling thread, once per worker
// thread; each rasteriser it returns is then used by that worker alone, so a
// rasteriser need not be thread-safe.
using FontRasterFactory = std::function<FontRasterFn()>;
// Called on the calling thread after each row is written, with the number of
// rows written so far (1..47). The dialog moves its progress bar and lets its
// messages through here.
using FontRowFn = std::function<void(int rowsDone)>;
// Asked after each row's progress call; true ends the run after that row.
using FontAbortFn = std::function<bool()>;

enum class FontDataResult {
  Done,        // all 47 rows and the trailer: 5,118,336 bytes
  Aborted,     // stopped: a file under the name is left as it was, nothing else is left
  WriteFailed  // nothing was written under the file's name
};

// The lead byte of atlas row 0..46.
std::uint8_t AtlasRowLead(int row);

// The 576 weights of one glyph from its 96-pixel rendering. Pixels outside
// the mask count as background.
void EncodeGlyphSlot(const GlyphMask& mask, std::uint8_t* slot);

// The 108,864 bytes of atlas row 0..46, one rasterisation per trail byte.
void EncodeFontDataRow(int row, const FontRasterFn& rasterise, std::uint8_t* out);

// Makes the font data file at outPath (a Linux path, kept as it is) as a
// ReplacingFile (platform/Files.h): renamed over outPath only once whole, so
// a failed or aborted run never leaves a partial file under the real name,
// and written through a symbolic link as the settings file is. threads <= 1
// renders on the calling thread; more renders rows ahead on that many worker
// threads, with bytes identical to the serial run. An exception from a
// rasteriser ends the run (nothing is left) and is rethrown here.
FontDataResult CreateFontData(const std::string& outPath, const FontRasterFactory& makeRasteriser,
                              const FontRowFn& onRow, const FontAbortFn& aborted, int threads);
