#include "platform/Files.h"
#include "reader/Reader.h"
#include "text/SjisTexts.h"

// Items 0..9 save the page on screen into bookmark k, items 10..19 load it.
// A save runs nested inside a reading run and only copies fields; a load
// starts a run from the title screen and returns when it ends.
void Reader::MDataClick(int tag) {
  if (tag < 0 || tag >= 20) return;
  if (tag < 10) {
    const int k = tag;
    Records[1 + k] = {StrSettings[kText], PageStart, TextLength};
    SetBookmarkCaption(k);
    Hooks->MenuChanged();
    return;
  }
  const int k = tag - 10;
  if (FileExists(Records[1 + k].Text)) {
    StrSettings[kText] = Records[1 + k].Text;
    UpdateCaption();
    ReadText(Records[1 + k].Index);
    return;
  }
  Warn(sjis::kMsgFileNotFound);
  Records[1 + k] = ReadRecord{};
  SetBookmarkCaption(k);
  Hooks->MenuChanged();
}
