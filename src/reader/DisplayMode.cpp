#include "reader/Reader.h"

// Linux has no safe way to switch the display to 640 x 480, so full screen
// is emulated: the window becomes borderless full screen with the page
// scaled into it, and the desktop is left as it is. What the reader sees of
// the menu item, the setting and the menu bar stays as it was.
void Reader::SetDisplayMode(int op) {
  switch (op) {
    case 0: {
      int w = 0, h = 0, bpp = 0;
      Hooks->GetDesktop(w, h, bpp);
      SavedDisplayMode = DisplayModeRecord{};
      SavedDisplayMode.Size = 156;
      SavedDisplayMode.DriverExtra = 0;
      SavedDisplayMode.PelsWidth = static_cast<std::uint32_t>(w);
      SavedDisplayMode.PelsHeight = static_cast<std::uint32_t>(h);
      SavedDisplayMode.BitsPerPel = static_cast<std::uint32_t>(bpp);
      SavedDisplayMode.Fields = 0x1C0000;
      break;
    }
    case 1: {
      Hooks->SetFullScreen(false);
      InstalledMenu = 1;
      MDisp1.Checked = false;
      ApplyZoom();
      CentreWindow();
      Hooks->MenuChanged();
      break;
    }
    case 2: {
      MDisp1.Checked = true;
      if (ScreenWidth == 640) {
        // Nothing to switch back to: full screen lasts for the whole run.
        InstalledMenu = 2;
        MDisp1.Enabled = false;
      }
      Hooks->SetFullScreen(true);
      Hooks->ShowMenuBar(false);
      Hooks->MenuChanged();
      break;
    }
    default:
      break;
  }
}

void Reader::CentreWindow() {
  int outerW{}, outerH{};
  Hooks->GetWindowOuterSize(outerW, outerH);
  Hooks->MoveWindow((ScreenWidth - outerW) / 2, (ScreenHeight - outerH) / 2);
}

void Reader::ApplyZoom() {
  // The frame and the menu bar keep their size at every factor. Full screen
  // has neither to measure: what was offered before stays offered.
  if (!MDisp1.Checked) {
    int outerW{}, outerH{}, areaW{}, areaH{};
    Hooks->GetWindowOuterSize(outerW, outerH);
    Hooks->GetWorkArea(areaW, areaH);
    const int extraW = outerW - 640 * WindowZoom, extraH = outerH - 480 * WindowZoom;
    for (MenuItem& m : ZoomItems)
      if (m.Tag > 1) m.Enabled = 640 * m.Tag + extraW <= areaW && 480 * m.Tag + extraH <= areaH;
  }
  // The stored choice is kept as it is, so a larger screen brings it back.
  int k = SettingValue(IntSettings, kZoom);
  while (!ZoomItems[k - 1].Enabled) --k;
  for (MenuItem& m : ZoomItems) m.Checked = m.Tag == k;
  if (k != WindowZoom) {
    WindowZoom = k;
    Hooks->SetZoom(k);
  }
  Hooks->MenuChanged();
}
