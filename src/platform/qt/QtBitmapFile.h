// Reading a Windows bitmap file (a wallpaper) into a 24-bit Bitmap with Qt's
// image reader.
//
// The file is opened by the bytes of its Linux name, so a Shift-JIS path
// from a hand-edited settings file still reaches the file it names. Only
// BMP is read, as the settings promise, and pictures larger than any screen
// could want are refused before they are decoded, so a hostile or broken
// file cannot exhaust memory.
#pragma once

#include <string>

#include "render/Bitmap.h"

// Largest accepted side and area, in pixels.
constexpr int kMaxBitmapSide = 16384;
constexpr long long kMaxBitmapPixels = 64LL * 1024 * 1024;

// True when the file at the Shift-JIS path is a readable BMP within the
// limits; out then holds it, 24-bit, rows from the top. False leaves out
// untouched.
bool LoadBitmapFile(const std::string& sjisPath, Bitmap& out);
