// Glyph drawing: one full-width character in a 24 x 24 cell with a drop
// shadow, from the glyph atlas or from a font rasterised at three times the
// size. The reader picks the source at each call; the pieces below are the
// pixel work itself, free of the reader so they can be tested and measured
// alone.
//
// Every routine clips to its target: cell positions come from settings and
// may lie anywhere.
#pragma once

#include <cstdint>

#include "render/Bitmap.h"
#include "render/GlyphMask.h"
#include "render/PageLayout.h"

constexpr int kGlyphCell = 24;                            // cell width and height
constexpr int kGlyphScale = 3;                            // font-mode supersampling factor
constexpr int kGlyphWorkSize = kGlyphCell * kGlyphScale;  // 72: GlyphBitmap and mask cell height

// Index of the atlas slot of the code (lead, trail), or -1 when the code has
// none (lead outside 0x81-0x9F and 0xE0-0xEF, trail outside 0x40-0xFC).
int AtlasSlot(std::uint8_t lead, std::uint8_t trail);

// Blends one atlas slot (24 rows of 24 background weights, 16 = no ink) at
// (x, y): first its shadow one pixel right and down, darkened by the weight,
// then the glyph in colour over it. Changes at most (x, y)-(x + 25, y + 25).
// Weights above 16 only come from a damaged file and count as 16.
void DrawAtlasGlyph(Bitmap& target, int x, int y, const std::uint8_t* slot, Colour colour);

// Draws one character from its 72-pixel coverage mask at (x, y), as if the
// 24 x 24 cell were enlarged three times, the mask blended there in black at
// (1, 1) and in colour at (0, 0), each byte p becoming the nearest integer
// to the exact mix (p * (255 - a) + C * a) / 255, and each 3 x 3
// block averaged back (sum / 9, truncated). Only the cell changes; only the
// blocks the ink reaches are worked out.
void DrawMaskGlyph(Bitmap& target, int x, int y, const GlyphMask& mask, Colour colour);

// The slot's ink under the transform, into out (576 weights): where no ink
// moves in, background (16). A ruby form is averaged 2 x 2 into the top-left
// 12 x 12.
void TransformSlot(const std::uint8_t* slot, GlyphTransform t, std::uint8_t* out);

// The mask under the transform, within the 72-pixel cell: turned about the
// cell's centre, moved by three times (Dx, Dy). A ruby form's mask is one
// drawn for a 36-pixel cell, turned about that cell's centre and moved half
// as far, so that it draws 12 x 12 in the top-left of the cell.
GlyphMask TransformMask(const GlyphMask& mask, GlyphTransform t);
