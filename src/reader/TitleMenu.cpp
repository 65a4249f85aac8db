#include "reader/Reader.h"

// Minimal cover until the title menu is built: the wallpaper and nothing else.
void Reader::DrawTitleScreen(bool withWipe) {
  Hooks->ProcessMessages();
  Mode = -1;
  MTitle1.Enabled = false;
  MSave1.Enabled = false;
  MLoad1.Enabled = true;
  Hooks->MenuChanged();
  if (withWipe) ColumnWipe();
  else FormPaint();
}

void Reader::SelectTitleItem(int index, bool activate) {
  (void)activate;
  Mode = index;
}

int Reader::TitleHitTest(int x, int y) const {
  (void)x;
  (void)y;
  return -1;
}
