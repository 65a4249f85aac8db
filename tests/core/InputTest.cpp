// Keys, the pointer and the buttons; the cover's items; full screen.
#include "Rig.h"

namespace {

// On the cover a key sets InputState and moves the highlight without
// wrapping (from nothing, every key lands on the first item); Enter carries
// out only what is highlighted.
TEST(Input, KeysOnTheCover) {
  // clang-format off
  struct Case {
    int From;
    std::uint16_t Key;
    int State, To;
  } cases[] = {{-1, kVkDown, 4, 0}, {-1, kVkUp, 3, 0}, {-1, kVkLeft, 5, 0}, {-1, kVkRight, 6, 0},
               {-1, kVkSpace, 1, 0}, {-1, kVkReturn, 2, -1}, {3, kVkDown, 4, 3}, {3, kVkRight, 6, 3},
               {0, kVkUp, 3, 0}, {0, kVkLeft, 5, 0}, {1, kVkDown, 4, 2}, {2, kVkUp, 3, 1},
               {0, kVkRight, 6, 1}, {3, kVkLeft, 5, 2}, {2, kVkSpace, 1, 2}, {1, kVkA, 0, 1},
               {-1, kVkEscape, 0, -1}};
  // clang-format on
  for (const Case& c : cases) {
    Rig rig;
    rig.R->SelectTitleItem(c.From, false);
    rig.R->FormKeyDown(c.Key);
    EXPECT_EQ(std::pair(rig.R->InputState, rig.R->Mode), std::pair(c.State, c.To)) << c.Key;
    // While one key is held, other presses are ignored.
    if (c.State) rig.R->FormKeyDown(c.Key == kVkDown ? kVkUp : kVkDown);
    EXPECT_EQ(std::pair(rig.R->InputState, rig.R->Mode), std::pair(c.State, c.To)) << c.Key;
    rig.R->FormKeyUp(kVkA);  // any release clears
    EXPECT_EQ(rig.R->InputState + rig.P.Log.size(), 0u);
  }
}

// The pointer highlights the row under it and nothing off the box; a left
// click carries out the highlight wherever it is; buttons always overwrite
// the state.
TEST(Input, PointerAndButtons) {
  Rig rig;
  Reader& r = *rig.R;
  std::string modes;
  const int xs[] = {500, 456, 599, 600, 455, 500, 500, 500},
            ys[] = {328 + 56, 328, 439, 340, 340, 327, 440, 355};
  for (int i = 0; i < 8; ++i) {
    r.FormMouseMove(xs[i], ys[i]);
    modes += std::to_string(r.Mode) + " ";
  }
  EXPECT_EQ(modes, "2 0 3 -1 -1 -1 -1 0 ");
  r.FormMouseMove(5, 5);
  r.FormMouseDown(MouseButton::Left, 500, 360);  // nothing highlighted
  r.FormMouseUp(MouseButton::Left, 500, 360);
  r.FormKeyDown(kVkDown);
  r.FormMouseDown(MouseButton::Left, 5, 5);
  EXPECT_EQ(rig.P.Log, "! W:先に文章を選んでください。 ");
  std::string states;
  for (MouseButton b : {MouseButton::Right, MouseButton::Middle, MouseButton::Left}) {
    r.FormMouseDown(b, 0, 0);
    states += std::to_string(r.InputState);
  }
  r.FormMouseUp(MouseButton::Right, 0, 0);
  states += std::to_string(r.InputState);
  EXPECT_EQ(states, "1020");
}

// The cover's four items: warnings that change nothing (a text that is not
// a regular file cannot be read, and is never waited on), the two readings,
// the file dialog (its folder and filter kept either way), quitting.
TEST(Input, CoverItems) {
  struct Case {
    int Item;
    std::string Text, Resume, Log;
  } cases[] = {{0, "", "", "! W:先に文章を選んでください。 "},
               {1, "a.txt", "", "! W:中断した記録がありません。 "},
               {1, "a.txt", "gone.txt", "! W:ファイルが見つかりません。 "},
               {0, ".", "", "! W:ファイルを読み込めません。 "},  // a folder
               {0, "a.txt", "", "0.0-8 "},
               {1, "e.txt", "a.txt", "0.0-4 "}};
  for (const Case& c : cases) {
    Rig rig;
    Reader& r = *rig.R;
    rig.Write("a.txt", "ABCDEFGH");
    rig.Write("e.txt", "");
    if (!c.Text.empty()) r.StrSettings[kText] = rig.File(c.Text);
    if (!c.Resume.empty()) r.Records[0] = {rig.File(c.Resume), 4, 8};
    r.SelectTitleItem(c.Item, false);
    r.SelectTitleItem(-1, true);  // the index does not count, Mode does
    EXPECT_EQ(rig.P.Log, c.Log) << c.Item << c.Text;
    const bool read = c.Log.size() < 8;
    EXPECT_EQ(r.StrSettings[kText], c.Text.empty() ? "" : rig.File(read ? "a.txt" : c.Text));
    EXPECT_EQ(r.Mode, read ? -1 : c.Item);
  }
  Rig rig;
  std::string asked;
  rig.P.Choose = [&](FileDialogRequest& req) {
    asked += req.InitialDir + " " + req.FileName + " " + std::to_string(req.FilterIndex) + "|";
    req.FilterIndex = 2;
    req.Chosen = "/books/new/b.htm";
    return asked.size() > 20;
  };
  rig.R->StrSettings[kText] = "/books/old/a.txt";
  rig.R->OpenDialog1FilterIndex = 3;
  rig.R->SelectTitleItem(2, false);
  for (int i = 0; i < 2; ++i) rig.R->SelectTitleItem(2, true);  // cancelled, then chosen
  EXPECT_EQ(asked, "/books/old a.txt 3|/books/old a.txt 2|");
  EXPECT_EQ(std::tuple(rig.R->StrSettings[kText], rig.R->IntSettings[kFilterIndex],
                       rig.P.Captions.back()),
            std::tuple("/books/new/b.htm", 2, "b.htm - Pagelune"));
  rig.R->SelectTitleItem(3, false);
  rig.R->SelectTitleItem(3, true);
  EXPECT_TRUE(rig.R->Closing);
}

// Full screen: F5 both ways with the setting following it, re-centred when
// left; a set FullScreen enters at start; a 640-wide desktop is full screen
// for good. The menu bar follows the pointer on the top row only in full
// screen.
TEST(Input, FullScreen) {
  Rig rig("[System]\r\nFullScreen=5\r\n");
  Reader& r = *rig.R;
  EXPECT_TRUE(r.MDisp1.Checked && r.MDisp1.Enabled);
  r.FormMouseMove(100, 0);
  r.MDisp1Click();
  EXPECT_EQ(r.IntSettings[kFullScreen], 0);
  r.FormMouseMove(100, 0);
  r.MDisp1Click();
  EXPECT_EQ(r.IntSettings[kFullScreen] * r.SavedDisplayMode.PelsWidth, 1024u);
  r.FormMouseMove(100, 1);
  rig.P.Left = rig.P.Top = -1;
  r.MDisp1Click();
  EXPECT_EQ(rig.P.Frame,
            "full nobar menus menus menus bar window menus menus full nobar menus nobar window "
            "menus menus ");
  EXPECT_EQ(std::tuple(rig.P.Left, rig.P.Top, r.IntSettings[kFullScreen]), std::tuple(189, 121, 0));
  Rig small("", false);
  small.P.DesktopW = 640;
  small.R->FormCreate();
  EXPECT_TRUE(small.R->MDisp1.Checked && !small.R->MDisp1.Enabled);
  for (int y : {0, 0, 5, 0}) small.R->FormMouseMove(20, y);
  small.R->MDisp1Click();
  EXPECT_EQ(small.P.Frame, "full nobar menus menus menus bar menus bar nobar menus bar menus ");
}

}  // namespace
