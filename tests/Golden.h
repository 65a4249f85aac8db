// Expectations a person can read, kept as files under tests/golden/: a
// listing as text, a picture as a PNG. A result is compared with its file
// in full. When they differ, the check says how (a listing as `diff -u`
// shows it, a picture by the pixels that differ) and writes the result
// beside the file, NAME.actual or NAME.actual.png, to be looked at; with
// PAGELUNE_ACCEPT=1 the result becomes the file instead, to take a change
// that is meant. Each check returns what it has to say, empty when the
// result is as kept, so any test framework can report it.
#pragma once

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "render/Bitmap.h"

namespace golden {

inline std::string Path(const std::string& name) {
  return PAGELUNE_SOURCE_DIR "/tests/golden/" + name;
}

inline std::string ActualPath(const std::string& name) {
  return Path(name.ends_with(".png") ? name.substr(0, name.size() - 4) + ".actual.png"
                                     : name + ".actual");
}

// The end of a comparison: nothing to say when there is no difference,
// else the difference, where the result is and how to take it.
inline std::string Settle(const std::string& name, const std::string& difference,
                          const std::function<bool(const std::string&)>& write) {
  std::remove(ActualPath(name).c_str());
  if (difference.empty()) return "";
  const char* accept = std::getenv("PAGELUNE_ACCEPT");
  if (accept && std::string(accept) == "1") return write(Path(name)) ? "" : "cannot write " + name;
  write(ActualPath(name));
  return "tests/golden/" + name + " differs (" + difference + "); the result is in " +
         ActualPath(name) + ", and PAGELUNE_ACCEPT=1 takes it if it is meant.";
}

}  // namespace golden

inline std::string GoldenListing(const std::string& name, const std::string& listing) {
  std::ifstream in(golden::Path(name), std::ios::binary);
  const std::string kept{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::string said = golden::Settle(name,
                                    !in.is_open()     ? "no such file"
                                    : kept != listing ? "diff -u below"
                                                      : "",
                                    [&](const std::string& path) {
                                      return bool(std::ofstream(path, std::ios::binary) << listing);
                                    });
  const std::string diff =
      "diff -u --label kept --label now " + golden::Path(name) + " " + golden::ActualPath(name);
  if (in.is_open() && std::ifstream(golden::ActualPath(name)))
    if (FILE* p = popen(diff.c_str(), "r")) {
      said += '\n';
      for (int c; (c = std::fgetc(p)) != EOF;) said += char(c);
      pclose(p);
    }
  return said;
}

inline bool ReadPng(const std::string& path, Bitmap& out) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_BGR;
  out.SetSize(int(image.width), int(image.height));
  return png_image_finish_read(&image, nullptr, out.Bits(), int(out.Stride()), nullptr);
}

inline bool WritePng(const std::string& path, const Bitmap& b) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = b.Width();
  image.height = b.Height();
  image.format = PNG_FORMAT_BGR;
  return png_image_write_to_file(&image, path.c_str(), 0, b.Bits(), int(b.Stride()), nullptr);
}

// The w x h picture at (x, y) of b, black where it lies off b.
inline Bitmap Crop(const Bitmap& b, int x, int y, int w, int h) {
  Bitmap out(w, h);
  CopyRect(out, 0, 0, b, x, y, w, h);
  return out;
}

inline std::string GoldenPicture(const std::string& name, const Bitmap& picture) {
  Bitmap kept;
  char said[200] = "";
  if (!ReadPng(golden::Path(name), kept)) {
    std::snprintf(said, sizeof said, "no such picture");
  } else if (kept.Width() != picture.Width() || kept.Height() != picture.Height()) {
    std::snprintf(said, sizeof said, "%d x %d, kept %d x %d", picture.Width(), picture.Height(),
                  kept.Width(), kept.Height());
  } else {
    int n = 0, fx = 0, fy = 0;
    Rect box{kept.Width(), kept.Height(), 0, 0};
    for (int y = 0; y < kept.Height(); ++y)
      for (int x = 0; x < kept.Width(); ++x)
        if (kept.Pixel(x, y) != picture.Pixel(x, y)) {
          if (n++ == 0) fx = x, fy = y;
          box = {std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x + 1), y + 1};
        }
    if (n)
      std::snprintf(said, sizeof said,
                    "%d pixels in (%d, %d)-(%d, %d), the first (%d, %d) 0x%06X, kept 0x%06X, "
                    "colours 0xBBGGRR",
                    n, box.Left, box.Top, box.Right, box.Bottom, fx, fy, picture.Pixel(fx, fy),
                    kept.Pixel(fx, fy));
  }
  return golden::Settle(name, said, [&](const std::string& p) { return WritePng(p, picture); });
}
