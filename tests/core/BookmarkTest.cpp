#include <cstdio>

#include "TextRig.h"

namespace {

using textrig::Pause;
using textrig::Repeat;
using textrig::S;
using textrig::TextRig;

// Two pages of 816 bytes and a short third line of text.
const std::string kTwoPages = Repeat(S("あ"), 17 * 24) + S("いう");

void ExpectBookmark(const TextRig& rig, int k, const std::string& caption, bool loadable) {
  EXPECT_EQ(rig.R->DataItems[k].Caption, caption) << k;
  EXPECT_EQ(rig.R->DataItems[10 + k].Caption, caption) << k;
  EXPECT_EQ(rig.R->DataItems[10 + k].Enabled, loadable) << k;
}

// Saved during a pause: the page's start, the text and its length. Saved
// on the first page it shows 0; saved again into the same slot it is
// replaced without asking.
TEST(Bookmark, SaveAndReplace) {
  TextRig rig;
  std::vector<std::string> captions;
  int menuChanges = 0;
  rig.OnPause = [&](const Pause&) {
    const int before = rig.Platform.MenuChanges;
    rig.R->MDataClick(3);
    menuChanges += rig.Platform.MenuChanges - before;
    captions.push_back(rig.R->DataItems[13].Caption);
    rig.Press(kVkReturn, 5);
  };
  const std::string path = rig.Use(S("あ。") + kTwoPages);
  rig.R->ReadText(0);
  // The page-end pause already belongs to the next page (816 * 100 / 824).
  EXPECT_EQ(captions,
            (std::vector<std::string>{S("a.txt　0 %"), S("a.txt　99 %"), S("a.txt　99 %")}));
  EXPECT_EQ(rig.R->Records[4].Text, path);
  EXPECT_EQ(rig.R->Records[4].Index, 816);
  EXPECT_EQ(rig.R->Records[4].Length, 824);
  EXPECT_EQ(menuChanges, 3);
  ExpectBookmark(rig, 3, S("a.txt　99 %"), true);
  for (int k : {0, 2, 4, 9}) ExpectBookmark(rig, k, sjis::kNotInUse, false);
}

// Loading sets the text, the caption, and reads from the stored page.
TEST(Bookmark, Load) {
  TextRig rig;
  const std::string path = rig.Use(kTwoPages, "story.txt");
  rig.R->Records[6] = {path, 816, 820};
  rig.R->SetBookmarkCaption(5);
  rig.R->StrSettings[kText] = rig.Dir.File("other.txt");
  rig.R->MDataClick(15);
  EXPECT_EQ(rig.R->StrSettings[kText], path);
  ASSERT_FALSE(rig.Platform.Captions.empty());
  EXPECT_EQ(rig.Platform.Captions.back(), "story.txt - Pagelune");
  EXPECT_EQ(rig.Pauses.size(), 1u);
  EXPECT_EQ(rig.Pauses[0].PageStart, 816);
  EXPECT_EQ(rig.Lines(), S("いう"));
  EXPECT_EQ(rig.R->Mode, -1);
  EXPECT_TRUE(rig.Platform.Boxes.empty());
}

// Loading a bookmark whose file is gone warns and frees the slot.
TEST(Bookmark, LoadDeletedFile) {
  TextRig rig;
  const std::string path = rig.Use(kTwoPages);
  rig.R->Records[3] = {path, 816, 820};
  rig.R->SetBookmarkCaption(2);
  ExpectBookmark(rig, 2, S("a.txt　99 %"), true);
  std::remove(path.c_str());
  const int menuChanges = rig.Platform.MenuChanges;
  rig.R->MDataClick(12);
  ASSERT_EQ(rig.Platform.Boxes.size(), 1u);
  EXPECT_EQ(rig.Platform.Boxes[0].Text, sjis::kMsgFileNotFound);
  EXPECT_EQ(rig.Platform.Boxes[0].Kind, BoxKind::Warning);
  EXPECT_EQ(rig.Platform.Beeps, 1);
  ExpectBookmark(rig, 2, sjis::kNotInUse, false);
  EXPECT_EQ(rig.R->Records[3].Text, "");
  EXPECT_EQ(rig.R->Records[3].Index, 0);
  EXPECT_EQ(rig.R->Records[3].Length, 0);
  EXPECT_GT(rig.Platform.MenuChanges, menuChanges);
  EXPECT_EQ(rig.R->StrSettings[kText], path);
  EXPECT_EQ(rig.R->Mode, -1);
  EXPECT_TRUE(rig.Pauses.empty());
}

// Back to the title during the page-end pause, then "continue": the run
// starts on the following page.
TEST(Bookmark, ContinueAfterLeavingAtPageEnd) {
  TextRig rig;
  rig.OnPause = [&](const Pause& p) {
    if (p.Row == 16)
      rig.R->MTitle1Click();
    else
      rig.Press(kVkReturn, 5);
  };
  const std::string path = rig.Use(kTwoPages);
  rig.R->ReadText(0);
  EXPECT_EQ(rig.R->Records[0].Index, 816);
  rig.Pauses.clear();
  rig.R->StrSettings[kText] = "";
  rig.R->SelectTitleItem(1, false);
  rig.R->SelectTitleItem(1, true);
  EXPECT_EQ(rig.R->StrSettings[kText], path);
  ASSERT_EQ(rig.Pauses.size(), 1u);
  EXPECT_EQ(rig.Pauses[0].PageStart, 816);
  EXPECT_EQ(rig.Lines(), S("いう"));
  // Read to its end this time: the record stays where it was.
  EXPECT_EQ(rig.R->Records[0].Index, 816);
}

}  // namespace
