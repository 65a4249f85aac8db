#include "reader/Reader.h"

void Reader::SetDisplayMode(int op) {
  if (op == 0) {
    int w = 0, h = 0, bpp = 0;
    Hooks->GetDesktop(w, h, bpp);
    SavedDisplayMode.Size = 156;
    SavedDisplayMode.DriverExtra = 0;
    SavedDisplayMode.PelsWidth = static_cast<std::uint32_t>(w);
    SavedDisplayMode.PelsHeight = static_cast<std::uint32_t>(h);
    SavedDisplayMode.BitsPerPel = static_cast<std::uint32_t>(bpp);
    SavedDisplayMode.Fields = 0x1C0000;
  }
}
