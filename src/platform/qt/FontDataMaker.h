// Font data from an installed font, as the settings dialog and the
// pagelune-fdt tool both make it: the same rasteriser, cell and thread
// count, so the two write byte-identical files for the same face and style.
#pragma once

#include <string>

#include "render/FontData.h"

// How many rendering threads a run uses on this machine.
int FontDataThreads();

// Makes the font data file path (a Linux path) from the face faceSjis (a Shift-JIS
// face name, matched to an installed family as for drawing), bold or not.
// Must be called on a thread with a Qt GUI application; onRow and aborted
// are called on that thread.
FontDataResult MakeFontDataFile(const std::string& path, const std::string& faceSjis, bool bold,
                                const FontRowFn& onRow, const FontAbortFn& aborted);
