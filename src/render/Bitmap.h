// A 24-bit device-independent bitmap: rows from the top, three bytes a
// pixel in the order blue, green, red, each row padded to four bytes as a
// Windows DIB row is (so a QImage::Format_BGR888 can wrap it unchanged).
//
// Every operation clips to the bitmaps it touches: coordinates come from
// the settings file unchecked, and nothing may write or read outside.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// 0x00BBGGRR, red in the low byte, as the settings and the drawing code use.
using Colour = std::uint32_t;

constexpr Colour kBlack = 0x000000;
constexpr Colour kWhite = 0xFFFFFF;
constexpr Colour kGrey = 0x808080;
constexpr Colour kDarkGrey = 0x404040;

constexpr std::uint8_t RedOf(Colour c) { return c & 0xFF; }
constexpr std::uint8_t GreenOf(Colour c) { return (c >> 8) & 0xFF; }
constexpr std::uint8_t BlueOf(Colour c) { return (c >> 16) & 0xFF; }

// Right and bottom edges excluded, as the Windows RECT is.
struct Rect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
};

class Bitmap {
 public:
  Bitmap() = default;
  Bitmap(int width, int height, Colour fill = kBlack) { SetSize(width, height, fill); }

  // Resizes and fills the whole picture with fill (a new bitmap's brush).
  void SetSize(int width, int height, Colour fill = kBlack);

  int Width() const { return width_; }
  int Height() const { return height_; }
  std::size_t Stride() const { return stride_; }
  bool Empty() const { return width_ <= 0 || height_ <= 0; }

  std::uint8_t* Row(int y) { return data_.data() + static_cast<std::size_t>(y) * stride_; }
  const std::uint8_t* Row(int y) const {
    return data_.data() + static_cast<std::size_t>(y) * stride_;
  }
  std::uint8_t* Bits() { return data_.data(); }
  const std::uint8_t* Bits() const { return data_.data(); }

  // Colour of one pixel (0x00BBGGRR); out-of-range reads give black.
  Colour Pixel(int x, int y) const;
  void SetPixel(int x, int y, Colour c);

  void FillRect(Rect r, Colour c);
  // A one-pixel horizontal line from x0 to x1, both ends included.
  void HLine(int x0, int x1, int y, Colour c);

  bool operator==(const Bitmap& o) const {
    return width_ == o.width_ && height_ == o.height_ && data_ == o.data_;
  }

 private:
  int width_ = 0;
  int height_ = 0;
  std::size_t stride_ = 0;
  std::vector<std::uint8_t> data_;
};

// Copies the w x h rectangle at (sx, sy) of src to (dx, dy) of dst, clipped
// to both bitmaps (src and dst may be the same bitmap if the areas do not
// overlap).
void CopyRect(Bitmap& dst, int dx, int dy, const Bitmap& src, int sx, int sy, int w, int h);

// Clips a copy of w x h from (sx, sy) in a src of srcW x srcH to (dx, dy) in
// a dst of dstW x dstH. Returns false when nothing is left to copy.
bool ClipCopy(int srcW, int srcH, int dstW, int dstH, int& sx, int& sy, int& dx, int& dy, int& w,
              int& h);
