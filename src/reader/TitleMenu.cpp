#include <algorithm>

#include "platform/Files.h"
#include "reader/Reader.h"
#include "render/Screen.h"
#include "text/SjisTexts.h"

namespace {

constexpr int kBoxWidth = 144;
constexpr int kBoxHeight = 112;
constexpr int kRowHeight = 28;
// The normal (grey) image sits right of the highlighted one in BaseBitmap.
constexpr int kNormalImageX = kBoxWidth;

const char* const kCaptions[4] = {sjis::kTitleItem0, sjis::kTitleItem1, sjis::kTitleItem2,
                                  sjis::kTitleItem3};

// Menu positions come from the settings file unchecked. Anything this far
// out is off every bitmap and the window anyway; pulling it in keeps the
// coordinate sums below from overflowing.
int Tame(std::int32_t v) { return std::clamp<std::int32_t>(v, -(1 << 20), 1 << 20); }

}  // namespace

void Reader::DrawTitleScreen(bool withWipe) {
  Hooks->ProcessMessages();
  Mode = -1;
  MTitle1.Enabled = false;
  MSave1.Enabled = false;
  MLoad1.Enabled = true;
  // The run is left: auto mode ends, and its pages are no longer kept.
  MAuto1.Enabled = MAuto1.Checked = false;
  PageHistory.clear();
  CharsSincePause = 0;
  Hooks->MenuChanged();

  ApplyWallpaper(CoverWallpaper, BackBuffer, IntSettings[kBrightness1]);

  // Both menu images start from the wallpaper under the box, so the text
  // can be blended over the real background.
  const int boxX = Tame(IntSettings[kMenuPosX]);
  const int boxY = Tame(IntSettings[kMenuPosY]);
  const int indent = Tame(IntSettings[kMenuPosZ]);
  CopyRect(BaseBitmap, 0, 0, BackBuffer, boxX, boxY, kBoxWidth, kBoxHeight);
  CopyRect(BaseBitmap, kNormalImageX, 0, BackBuffer, boxX, boxY, kBoxWidth, kBoxHeight);

  // Items 2 and 3 are indented by one and two steps.
  const int originX[4] = {0, 0, indent, 2 * indent};
  GlyphFont.Color = kWhite;
  for (int i = 0; i < 4; ++i) DrawGlyphString(BaseBitmap, originX[i], kRowHeight * i, kCaptions[i]);
  GlyphFont.Color = kGrey;
  for (int i = 0; i < 4; ++i)
    DrawGlyphString(BaseBitmap, kNormalImageX + originX[i], kRowHeight * i, kCaptions[i]);

  // The underline marks the highlighted image only; it spans the whole row.
  for (int i = 0; i < 4; ++i) {
    BaseBitmap.HLine(0, kBoxWidth - 1, kRowHeight * i + 25, kWhite);
    BaseBitmap.HLine(0, kBoxWidth - 1, kRowHeight * i + 26, kGrey);
  }

  // The screen itself always carries the normal image; a highlight lives
  // on the window only.
  CopyRect(BackBuffer, boxX, boxY, BaseBitmap, kNormalImageX, 0, kBoxWidth, kBoxHeight);

  if (withWipe)
    ColumnWipe();
  else
    FormPaint();
}

void Reader::SelectTitleItem(int index, bool activate) {
  if (!activate) {
    if (index == Mode) return;
    const int boxX = Tame(IntSettings[kMenuPosX]);
    const int boxY = Tame(IntSettings[kMenuPosY]);
    // Window-only copies: BackBuffer keeps the normal image, so a repaint
    // drops the highlight while Mode still names the item.
    if (Mode != -1)
      Hooks->CopyToWindow(BaseBitmap, kNormalImageX, kRowHeight * Mode, kBoxWidth, kRowHeight, boxX,
                          boxY + kRowHeight * Mode);
    Mode = index;
    if (index != -1)
      Hooks->CopyToWindow(BaseBitmap, 0, kRowHeight * index, kBoxWidth, kRowHeight, boxX,
                          boxY + kRowHeight * index);
    return;
  }
  // The last page of a resume is being looked for: the cover starts
  // nothing else meanwhile.
  if (Quiet) return;

  switch (Mode) {
    case 0: {
      const std::string& text = StrSettings[kText];
      if (FileExists(text))
        ReadText(0);
      else
        Warn(text.empty()       ? sjis::kMsgChooseTextFirst
             : PathExists(text) ? sjis::kMsgCannotRead
                                : sjis::kMsgFileNotFound);
      break;
    }
    case 1: {
      const ReadRecord resume = Records[0];
      if (FileExists(resume.Text)) {
        StrSettings[kText] = resume.Text;
        UpdateCaption();
        ReadText(resume.Index);
      } else {
        Warn(resume.Text.empty()       ? sjis::kMsgNoResumeRecord
             : PathExists(resume.Text) ? sjis::kMsgCannotRead
                                       : sjis::kMsgFileNotFound);
      }
      break;
    }
    case 2: {
      FileDialogRequest req;
      req.Title = OpenDialog1Title;
      req.Filter = OpenDialog1Filter;
      req.FilterIndex = OpenDialog1FilterIndex;
      req.InitialDir = FolderPart(StrSettings[kText]);
      req.FileName = FileNamePart(StrSettings[kText]);
      const bool chosen = Hooks->ChooseFile(req);
      if (chosen && !req.Chosen.empty()) {
        StrSettings[kText] = req.Chosen;
        UpdateCaption();
      }
      // The reader's choice of filter is kept even when the dialog is
      // cancelled.
      OpenDialog1FilterIndex = req.FilterIndex;
      IntSettings[kFilterIndex] = req.FilterIndex;
      break;
    }
    case 3:
      Hooks->CloseWindow();
      break;
    default:
      break;
  }
}

int Reader::TitleHitTest(int x, int y) const {
  // 64-bit sums: the box corner comes from the settings file unchecked.
  const long long left = IntSettings[kMenuPosX], top = IntSettings[kMenuPosY];
  if (x < left || x >= left + kBoxWidth || y < top || y >= top + kBoxHeight) return -1;
  return static_cast<int>((y - top) / kRowHeight);
}
