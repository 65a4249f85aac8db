#include "platform/Files.h"
#include "reader/Reader.h"
#include "text/SjisTexts.h"

std::string Reader::BookmarkCaption(const ReadRecord& r) {
  if (r.Text.empty()) return sjis::kNotInUse;
  std::string c = FileNamePart(r.Text) + sjis::kIdeographicSpace;
  // A length of 0 or less only comes from a hand-edited file: show the name
  // with "?" rather than divide by it. The product is taken in 64 bits so a
  // text of more than 21 MB still shows its true share.
  if (r.Length <= 0) return c + "? %";
  long long percent = static_cast<long long>(r.Index) * 100 / r.Length;
  return c + std::to_string(percent) + " %";
}

void Reader::SetBookmarkCaption(int k) {
  const ReadRecord& r = Records[1 + k];
  DataItems[k].Caption = BookmarkCaption(r);
  DataItems[10 + k].Caption = DataItems[k].Caption;
  DataItems[10 + k].Enabled = !r.Text.empty();
}

// Items 0..9 save the page on screen into bookmark k (while looking back,
// the page looked at), items 10..19 load it. A save runs nested inside a
// reading run and only copies fields; a load starts a run from the title
// screen and returns when it ends.
void Reader::MDataClick(int tag) {
  if (tag < 0 || tag >= 20 || Quiet) return;  // Quiet: a resume's last page is looked for
  if (tag < 10) {
    const int k = tag;
    Records[1 + k] = {StrSettings[kText], LookBackStart >= 0 ? LookBackStart : PageStart,
                      TextLength};
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
  // Something that is not a regular file (a FIFO, a folder) is there: it
  // is never read, and the bookmark is not for clearing.
  if (PathExists(Records[1 + k].Text)) return Warn(sjis::kMsgCannotRead);
  Warn(sjis::kMsgFileNotFound);
  // The text may come back (a drive not mounted, a folder renamed): the
  // bookmark is cleared only when the reader says so.
  if (Hooks->MessageBox(BoxKind::YesNo, sjis::kMsgClearBookmark, sjis::kConfirmTitle) !=
      BoxResult::Ok)
    return;
  Records[1 + k] = ReadRecord{};
  SetBookmarkCaption(k);
  Hooks->MenuChanged();
}
