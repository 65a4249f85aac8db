#include "render/Bitmap.h"

#include <algorithm>
#include <cstring>

void Bitmap::SetSize(int width, int height, Colour fill) {
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  stride_ = (static_cast<std::size_t>(width_) * 3 + 3) & ~static_cast<std::size_t>(3);
  data_.assign(stride_ * height_, 0);
  if (fill != kBlack) FillRect({0, 0, width_, height_}, fill);
}

Colour Bitmap::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return kBlack;
  const std::uint8_t* p = Row(y) + 3 * x;
  return Colour(p[2]) | Colour(p[1]) << 8 | Colour(p[0]) << 16;
}

void Bitmap::SetPixel(int x, int y, Colour c) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  std::uint8_t* p = Row(y) + 3 * x;
  p[0] = BlueOf(c);
  p[1] = GreenOf(c);
  p[2] = RedOf(c);
}

void Bitmap::FillRect(Rect r, Colour c) {
  const int l = std::max(r.Left, 0), t = std::max(r.Top, 0);
  const int rt = std::min(r.Right, width_), b = std::min(r.Bottom, height_);
  if (l >= rt || t >= b) return;
  const std::uint8_t px[3] = {BlueOf(c), GreenOf(c), RedOf(c)};
  for (int y = t; y < b; ++y) {
    std::uint8_t* p = Row(y) + 3 * l;
    for (int x = l; x < rt; ++x, p += 3) std::memcpy(p, px, 3);
  }
}

void Bitmap::HLine(int x0, int x1, int y, Colour c) {
  if (x1 < x0) std::swap(x0, x1);
  FillRect({x0, y, x1 + 1, y + 1}, c);
}

bool ClipCopy(int srcW, int srcH, int dstW, int dstH, int& sx, int& sy, int& dx, int& dy, int& w,
              int& h) {
  // Work in 64 bits: settings may put huge values into these coordinates.
  long long lsx = sx, lsy = sy, ldx = dx, ldy = dy, lw = w, lh = h;
  auto clipStart = [](long long& s, long long& d, long long& len) {
    if (s < 0) {
      d -= s;
      len += s;
      s = 0;
    }
    if (d < 0) {
      s -= d;
      len += d;
      d = 0;
    }
  };
  clipStart(lsx, ldx, lw);
  clipStart(lsy, ldy, lh);
  lw = std::min({lw, srcW - lsx, dstW - ldx});
  lh = std::min({lh, srcH - lsy, dstH - ldy});
  if (lw <= 0 || lh <= 0) return false;
  sx = int(lsx);
  sy = int(lsy);
  dx = int(ldx);
  dy = int(ldy);
  w = int(lw);
  h = int(lh);
  return true;
}

void CopyRect(Bitmap& dst, int dx, int dy, const Bitmap& src, int sx, int sy, int w, int h) {
  if (!ClipCopy(src.Width(), src.Height(), dst.Width(), dst.Height(), sx, sy, dx, dy, w, h)) return;
  for (int r = 0; r < h; ++r)
    std::memmove(dst.Row(dy + r) + 3 * dx, src.Row(sy + r) + 3 * sx,
                 3 * static_cast<std::size_t>(w));
}
