// Draws one Shift-JIS double-byte character as a coverage mask the way a
// Windows TextOut with a positive font height would: the face's ascent plus
// descent (OS/2 usWinAscent + usWinDescent) fill the character cell, the
// baseline sits at the ascent, the pen starts at the cell's left edge.
//
// Glyphs come from QRawFont's alpha maps, which is some twenty times faster
// than painting text into an image. A face without a bold style is
// emboldened by smearing its coverage, as Windows does for such faces.
//
// Threads: an instance is created, used and destroyed on one thread (Qt's
// font engines and FreeType faces are per thread). Several threads may each
// have their own instance at once.
#pragma once

#include <QRawFont>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "render/GlyphMask.h"

class QtGlyphRasterizer {
 public:
  // faceSjis: the face name as the settings hold it (Shift-JIS); it is
  // matched to an installed family by MapFaceNameSjis. cellHeight: the
  // character cell height in pixels (72 for glyph drawing, 96 for font data).
  QtGlyphRasterizer(const std::string& faceSjis, bool bold, int cellHeight);
  ~QtGlyphRasterizer();
  QtGlyphRasterizer(const QtGlyphRasterizer&) = delete;
  QtGlyphRasterizer& operator=(const QtGlyphRasterizer&) = delete;

  // Fills out with a cellHeight x cellHeight mask of the character (lead,
  // trail). False, with out empty, when the code is not Shift-JIS or no
  // installed font has a glyph for it. A blank glyph (the full-width space)
  // gives true and a mask without ink. Not const: the font engine caches.
  bool Rasterize(std::uint8_t lead, std::uint8_t trail, GlyphMask& out);
  // The same for any character by its code point, a narrow one centred in
  // the cell. One the chosen and the default faces lack comes from the
  // installed face fontconfig's fallback finds for it; false when none has
  // it.
  bool RasterizeChar(char32_t ch, GlyphMask& out);

  const std::string& FaceSjis() const { return faceSjis_; }
  bool Bold() const { return bold_; }
  int CellHeight() const { return cellHeight_; }
  bool IsValid() const { return face_.font.isValid(); }

  // What the face resolved to, for tests, the benchmarks and the chooser.
  QString Family() const { return face_.family; }
  int PixelSize() const { return face_.pixelSize; }
  int Baseline() const { return face_.baseline; }
  bool SyntheticBold() const { return face_.boldX > 0; }
  const QRawFont& RawFont() const { return face_.font; }

  // The em size in whole pixels that makes winAscent + winDescent (font
  // units, unitsPerEm to the em) fill cellHeight pixels.
  static int PixelSizeForCell(int cellHeight, int winAscent, int winDescent, int unitsPerEm);

 private:
  struct Face {
    QString family;
    QRawFont font;
    int pixelSize = 0;
    int baseline = 0;
    int boldX = 0;  // synthetic emboldening, pixels to the right...
    int boldY = 0;  // ...and upwards
  };
  static Face Open(const QString& family, bool bold, int cellHeight);
  // dx: pixels to the right of the cell's left edge the pen starts at.
  void Draw(const Face& face, quint32 glyph, GlyphMask& out, int dx = 0) const;
  // The face with a glyph for text (one character) and that glyph: the
  // chosen face, the default Japanese one, and with anyFace any installed
  // one; null when none has it.
  const Face* FaceFor(const QString& text, bool anyFace, quint32& glyph);

  std::string faceSjis_;
  bool bold_;
  int cellHeight_;
  Face face_;
  // For characters the chosen face lacks: the default Japanese family,
  // opened on first need.
  std::unique_ptr<Face> fallback_;
  bool fallbackTried_ = false;
  // Faces found for characters both lack, by family (null: no such face).
  std::vector<std::pair<QString, std::unique_ptr<Face>>> others_;
};

// A rasteriser function that builds its QtGlyphRasterizer on its first
// call, on the thread making that call, and frees it with the function: the
// shape font data creation wants when it makes one function per worker on
// the GUI thread and hands each to its worker. Copies share one rasteriser,
// so each function (and its copies) must stay on one thread.
std::function<bool(std::uint8_t lead, std::uint8_t trail, GlyphMask& out)> MakeLazyRasterizer(
    const std::string& faceSjis, bool bold, int cellHeight);

// The platform hook's rasteriser for one thread: keeps the rasterisers of
// the last two (face, bold, cell height) combinations, so drawing at 72 and
// making font data at 96 do not rebuild each other's fonts.
class GlyphRasterizerCache {
 public:
  bool Rasterize(std::uint8_t lead, std::uint8_t trail, const std::string& faceSjis, bool bold,
                 int cellHeight, GlyphMask& out);
  bool RasterizeChar(char32_t ch, const std::string& faceSjis, bool bold, int cellHeight,
                     GlyphMask& out);

 private:
  QtGlyphRasterizer& For(const std::string& faceSjis, bool bold, int cellHeight);
  std::unique_ptr<QtGlyphRasterizer> recent_[2];  // [0] most recently used
};
