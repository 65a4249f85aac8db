// What the fuzz targets share: a check that aborts (the fuzzer reports it
// as a crash, with the input), scratch files, and a headless platform.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

#include "reader/Reader.h"

#define CHECK(cond) \
  ((cond) ? void() : (std::fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #cond), std::abort()))

// A private folder, removed at exit: each input is written to a file there
// and read back through the product's own file access. In TMPDIR when set,
// else in memory: rewriting a file on a disk waits for the disk.
struct Scratch {
  std::string Dir = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/dev/shm") +
                    "/pagelune-fuzz-XXXXXX";
  Scratch() { CHECK(mkdtemp(Dir.data())); }
  ~Scratch() { std::filesystem::remove_all(Dir); }
  std::string Write(const char* name, const void* data, std::size_t size) const {
    const std::string path = Dir + "/" + name;
    CHECK(
        std::ofstream(path, std::ios::binary).write(static_cast<const char*>(data), size).flush());
    return path;
  }
};

// The clock jumps 100 ms at every read, so a blink or a wipe is over after
// a few reads and a reveal delay under 100 ms costs nothing. OnPump stands
// in for the reader's input; a run that pumps far more often than any input
// could need is a hang.
struct FuzzPlatform : PlatformHooks {
  std::uint32_t Now = 0;
  long Pumps = 0;
  std::function<void()> OnPump = [] {};

  void ProcessMessages() override {
    CHECK(++Pumps < 100000);
    OnPump();
  }
  std::uint32_t GetTickCount() override { return Now += 100; }
  // Only the clipping: copying pixels to a window would test nothing more.
  void CopyToWindow(const Bitmap& src, int sx, int sy, int w, int h, int dx, int dy) override {
    if (!ClipCopy(src.Width(), src.Height(), 640, 480, sx, sy, dx, dy, w, h)) return;
    CHECK(sx >= 0 && sy >= 0 && dx >= 0 && dy >= 0 && w > 0 && h > 0 && sx + w <= src.Width() &&
          sy + h <= src.Height() && dx + w <= 640 && dy + h <= 480);
  }
  BoxResult MessageBox(BoxKind, const std::string&, const std::string&) override {
    return BoxResult::Ok;
  }
  // Most codes draw nothing (the reading loop draws thousands); the rest
  // masks that vary with the code: blank, wider or taller than the cell,
  // one row.
  bool RasterizeGlyph(std::uint8_t lead, std::uint8_t trail, const std::string&, bool, int cell,
                      GlyphMask& out) override {
    const int k = (lead * 31 + trail) % 64;
    if (k > 4) return false;
    out.Width = k == 2 ? cell + 17 : k == 3 ? 5 : 9;
    out.Height = k == 3 ? 2 * cell : k == 4 ? 1 : 9;
    out.Alpha.assign(std::size_t(out.Width) * out.Height, k == 1 ? 0 : trail);
    return true;
  }
};

// A reader as at startup, made once per process (it holds a 5 MB atlas).
// FormCreate reads the settings file of the current folder: the empty
// scratch folder gives every default.
struct Rig {
  Scratch Files;
  FuzzPlatform P;
  Reader R{&P};
  Rig() {
    const auto old = std::filesystem::current_path();
    std::filesystem::current_path(Files.Dir);
    R.FormCreate();
    std::filesystem::current_path(old);
  }
};
