// Expectations a person can read, kept as files under tests/golden/: a
// listing as text, a picture as a PNG. A result is compared with its file
// in full. When they differ, the check says how (a listing as `diff -u`
// shows it, a picture by the pixels that differ) and writes the result
// beside the file, NAME.actual or NAME.actual.png, to be looked at; with
// PAGELUNE_ACCEPT=1 the result becomes the file instead, to take a change
// that is meant. Each check returns what it has to say, empty when the
// result is as kept, so that any test framework can report it.
#pragma once

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "render/Bitmap.h"

// The end of a check: nothing to say when the result is the same as the
// kept file or is taken, else the difference (for a listing, what diff says)
// and where the result, which write writes to a path, now is.
inline std::string Settle(const std::string& name, bool same, std::string difference, auto write) {
  const std::string kept = PAGELUNE_SOURCE_DIR "/tests/golden/" + name;
  const std::string now =
      kept.ends_with(".png") ? kept.substr(0, kept.size() - 4) + ".actual.png" : kept + ".actual";
  std::remove(now.c_str());
  const char* accept = std::getenv("PAGELUNE_ACCEPT");
  if (same || (accept && std::string(accept) == "1" && write(kept))) return "";
  write(now);
  const std::string diff = "diff -u --label kept --label now " + kept + " " + now + " 2>&1";
  if (FILE* p = difference.empty() ? popen(diff.c_str(), "r") : nullptr) {
    for (int c; (c = std::fgetc(p)) != EOF;) difference += char(c);
    pclose(p);
  }
  return "tests/golden/" + name + " differs; the result is in " + now +
         ", and PAGELUNE_ACCEPT=1 takes it if it is meant:\n" + difference;
}

inline std::string GoldenListing(const std::string& name, const std::string& listing) {
  std::ifstream in(PAGELUNE_SOURCE_DIR "/tests/golden/" + name, std::ios::binary);
  const std::string kept{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  return Settle(name, in.is_open() && kept == listing, "", [&](const std::string& path) {
    return bool(std::ofstream(path, std::ios::binary) << listing);
  });
}

// b with the rectangle r of became: what became may be, apart from r.
inline Bitmap Except(Bitmap b, const Bitmap& became, Rect r) {
  CopyRect(b, r.Left, r.Top, became, r.Left, r.Top, r.Width(), r.Height());
  return b;
}

// The picture is whole, or the part r of it, black where r lies off it.
inline std::string GoldenPicture(const std::string& name, const Bitmap& whole, Rect r = {}) {
  Bitmap picture = r.Width() > 0 ? Bitmap(r.Width(), r.Height()) : whole;
  CopyRect(picture, 0, 0, whole, r.Left, r.Top, r.Width(), r.Height());
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  Bitmap kept;
  if (png_image_begin_read_from_file(&png, (PAGELUNE_SOURCE_DIR "/tests/golden/" + name).c_str())) {
    png.format = PNG_FORMAT_BGR;
    kept.SetSize(int(png.width), int(png.height));
    png_image_finish_read(&png, nullptr, kept.Bits(), int(kept.Stride()), nullptr);
  }
  char said[120];
  std::snprintf(said, sizeof said, "%d x %d, kept %d x %d", picture.Width(), picture.Height(),
                kept.Width(), kept.Height());
  int n = 0;
  for (int y = 0; y < kept.Height() && kept.Width() == picture.Width(); ++y)
    for (int x = 0; x < kept.Width() && y < picture.Height(); ++x)
      if (kept.Pixel(x, y) != picture.Pixel(x, y) && n++ == 0)
        std::snprintf(said, sizeof said, "(%d, %d) is 0x%06X, kept 0x%06X (0xBBGGRR)", x, y,
                      picture.Pixel(x, y), kept.Pixel(x, y));
  png.format = PNG_FORMAT_BGR;
  png.width = png_uint_32(picture.Width()), png.height = png_uint_32(picture.Height());
  return Settle(name, kept == picture, said + (", differing pixels: " + std::to_string(n)),
                [&](const std::string& path) {
                  return png_image_write_to_file(&png, path.c_str(), 0, picture.Bits(),
                                                 int(picture.Stride()), nullptr);
                });
}
