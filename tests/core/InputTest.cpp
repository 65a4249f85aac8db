// Keys, the pointer and the menu commands; the cover's items; full screen;
// what the settings dialog's OK does and the redraw after it.
#include "Rig.h"
#include "dialog/SettingsDialog.h"

namespace {

// On the cover a key sets InputState and moves the highlight without
// wrapping (from nothing, every key lands on the first item); Enter carries
// out only what is highlighted.
TEST(Input, KeysOnTheCover) {
  struct Case {
    int From;
    std::uint16_t Key;
    int State, To;
  } cases[] = {{-1, kVkDown, 4, 0},  {-1, kVkUp, 3, 0},     {-1, kVkLeft, 5, 0},
               {-1, kVkRight, 6, 0}, {-1, kVkSpace, 1, 0},  {-1, kVkReturn, 2, -1},
               {3, kVkDown, 4, 3},   {3, kVkRight, 6, 3},   {0, kVkUp, 3, 0},
               {0, kVkLeft, 5, 0},   {1, kVkDown, 4, 2},    {2, kVkUp, 3, 1},
               {0, kVkRight, 6, 1},  {3, kVkLeft, 5, 2},    {2, kVkSpace, 1, 2},
               {1, kVkA, 0, 1},      {-1, kVkEscape, 0, -1}};
  for (const Case& c : cases) {
    Rig rig;
    rig.R->SelectTitleItem(c.From, false);
    rig.R->FormKeyDown(c.Key);
    EXPECT_EQ(std::pair(rig.R->InputState, rig.R->Mode), std::pair(c.State, c.To)) << c.Key;
    // While one key is held, other presses are ignored.
    if (c.State) rig.R->FormKeyDown(c.Key == kVkDown ? kVkUp : kVkDown);
    EXPECT_EQ(std::pair(rig.R->InputState, rig.R->Mode), std::pair(c.State, c.To)) << c.Key;
    rig.R->FormKeyUp(kVkA);  // any release clears
    EXPECT_EQ(rig.R->InputState, 0);
    EXPECT_EQ(rig.P.Log, "");
  }
}

// The pointer highlights the row under it and nothing off the box; a left
// click carries out the highlight wherever it is; buttons always overwrite
// the state. On the reading screen keys and buttons only set the state.
TEST(Input, PointerAndButtons) {
  Rig rig;
  Reader& r = *rig.R;
  const std::pair<int, int> moves[] = {{500, 328 + 56}, {456, 328}, {599, 439}, {600, 340},
                                       {455, 340},      {500, 327}, {500, 440}, {500, 355}};
  std::string modes;
  for (auto [x, y] : moves) {
    r.FormMouseMove(x, y);
    modes += std::to_string(r.Mode) + " ";
  }
  EXPECT_EQ(modes, "2 0 3 -1 -1 -1 -1 0 ");
  r.FormMouseMove(5, 5);
  r.FormMouseDown(MouseButton::Left, 500, 360);  // nothing highlighted
  EXPECT_EQ(rig.P.Log, "");
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
  EXPECT_EQ(states + std::to_string(r.InputState), "1020");
  r.Mode = 4;
  rig.P.Copies.clear();
  rig.P.Log.clear();
  for (auto [key, state] : {std::pair{kVkReturn, 2},
                            {kVkSpace, 1},
                            {kVkUp, 3},
                            {kVkDown, 4},
                            {kVkLeft, 5},
                            {kVkRight, 6}}) {
    r.FormKeyDown(key);
    EXPECT_EQ(r.InputState, state);
    r.FormKeyUp(key);
  }
  r.FormMouseMove(500, 340);
  r.FormMouseDown(MouseButton::Left, 500, 340);
  EXPECT_EQ(r.Mode, 4);
  EXPECT_TRUE(rig.P.Copies.empty());
  EXPECT_EQ(rig.P.Log, "");
}

// The cover's four items: warnings that change nothing, the two readings,
// the file dialog (its filter kept either way), quitting.
TEST(Input, CoverItems) {
  struct Case {
    int Item;
    std::string Text, Resume, Log;
  } cases[] = {{0, "", "", "! W:先に文章を選んでください。 "},
               {0, "gone.txt", "", "! W:ファイルが見つかりません。 "},
               {1, "a.txt", "", "! W:中断した記録がありません。 "},
               {1, "a.txt", "gone.txt", "! W:ファイルが見つかりません。 "},
               {0, "e.txt", "", "! W:空のファイルは読めません。 "},
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
    EXPECT_EQ(r.StrSettings[kText], c.Log.size() < 8 ? rig.File("a.txt")
                                    : c.Text.empty() ? ""
                                                     : rig.File(c.Text));
    EXPECT_EQ(r.Mode, c.Log.size() < 8 ? -1 : c.Item);
  }
  Rig rig;
  Reader& r = *rig.R;
  int answer = 0;
  rig.P.Choose = [&](FileDialogRequest& req) {
    req.FilterIndex = 2 + answer;
    req.Chosen = "/books/new/" + std::to_string(answer) + ".htm";
    return answer++ == 1;
  };
  r.StrSettings[kText] = "/books/old/a.txt";
  r.OpenDialog1FilterIndex = 3;
  r.SelectTitleItem(2, false);
  r.SelectTitleItem(2, true);  // cancelled
  r.SelectTitleItem(2, true);  // confirmed
  ASSERT_EQ(rig.P.Dialogs.size(), 2u);
  const FileDialogRequest& q = rig.P.Dialogs[0];
  EXPECT_EQ(std::vector<std::string>({q.Title, q.Filter, q.InitialDir, q.FileName}),
            std::vector<std::string>(
                {sjis::kOpenDialog1Title, sjis::kOpenDialog1Filter, "/books/old", "a.txt"}));
  EXPECT_EQ(q.FilterIndex, 3);
  EXPECT_EQ(rig.P.Dialogs[1].FilterIndex, 2);
  EXPECT_EQ(rig.P.Dialogs[1].InitialDir, "/books/old");
  EXPECT_EQ(r.StrSettings[kText], "/books/new/1.htm");
  EXPECT_EQ(std::pair(r.IntSettings[kFilterIndex], r.OpenDialog1FilterIndex), std::pair(3, 3));
  EXPECT_EQ(rig.P.Captions.back(), "1.htm - Pagelune");
  EXPECT_EQ(r.Mode, 2);
  r.SelectTitleItem(3, false);
  r.SelectTitleItem(3, true);
  EXPECT_TRUE(r.Closing);
}

// The menu bar as the cover shows it, then the commands.
TEST(Input, MenusAndCommands) {
  Rig rig;
  Reader& r = *rig.R;
  std::string bar;
  for (const MenuItem* m : r.MainMenu1) {
    bar += ToUtf8(m->Caption) + (m->Enabled ? "" : "-") + "[";
    for (const MenuItem* i : m->Items)
      if (m != &r.MSave1 && m != &r.MLoad1) {
        bar += ToUtf8(i->Caption) + i->Shortcut + (i->Enabled ? "," : "-,");
        for (const MenuItem* j : i->Items) bar += ToUtf8(j->Caption) + (j->Checked ? "*," : ",");
      }
    if (m == &r.MSave1 || m == &r.MLoad1) bar += std::to_string(m->Items.size());
    bar += "]";
  }
  EXPECT_EQ(bar,
            "ファイル(&F)[表紙へ戻る(&T)Ctrl+T-,-,終了(&X)Alt+F4,]設定(&C)[全画面表示(&D)F5,"
            "表示倍率,×1*,×2,×3,-,環境設定(&E)Ctrl+E,]セーブ(&S)-[10]ロード(&L)[10]スキップ(&K)[]"
            "オート(&A)-[]ヘルプ(&H)[バージョン情報(&A),]");
  r.MAbout1Click();
  EXPECT_EQ(rig.P.Log, "P:       Pagelune\n\n    Version 2.04 [2002/04/22] ");
  r.MTitle1Click();
  r.MSkip1Click();
  EXPECT_TRUE(r.ReturnToTitle && r.Skipping && !r.MSkip1.Checked);
  r.MSkip1Click();
  EXPECT_FALSE(r.Skipping);
  r.MExit1Click();
  EXPECT_TRUE(r.Closing);
}

// Full screen: F5 both ways with the setting following it, re-centred when
// left; a set FullScreen enters at start and leaves at close but is kept; a
// 640-wide desktop is full screen for good. The menu bar follows the
// pointer on the top row only in full screen.
TEST(Input, FullScreen) {
  Rig rig;
  Reader& r = *rig.R;
  r.FormMouseMove(100, 0);
  r.MDisp1Click();
  r.FormMouseMove(100, 0);
  r.FormMouseMove(100, 1);
  rig.P.Left = rig.P.Top = -1;
  r.MDisp1Click();
  EXPECT_EQ(rig.P.Frame, "F1M0M1M0F0");
  EXPECT_EQ(std::pair(rig.P.Left, rig.P.Top), std::pair(189, 121));
  EXPECT_EQ(r.IntSettings[kFullScreen], 0);
  EXPECT_EQ(r.SavedDisplayMode.PelsWidth, 1024u);
  r.SetDisplayMode(3);
  EXPECT_EQ(rig.P.Frame, "F1M0M1M0F0");

  Rig on("[System]\r\nFullScreen=5\r\n");
  EXPECT_TRUE(on.R->MDisp1.Checked && on.R->MDisp1.Enabled);
  on.R->FormClose();
  EXPECT_EQ(on.P.Frame, "F1M0F0");
  EXPECT_NE(on.Read("Yomibon.ini").find("FullScreen=5\r\n"), std::string::npos);

  Rig small("", false);
  small.P.DesktopW = 640;
  small.R->FormCreate();
  EXPECT_TRUE(small.R->MDisp1.Checked && !small.R->MDisp1.Enabled);
  std::string menus;
  for (int y : {0, 0, 5, 0}) {
    small.R->FormMouseMove(20, y);
    menus += std::to_string(small.R->InstalledMenu);
  }
  small.R->MDisp1Click();
  small.R->FormClose();
  EXPECT_EQ(menus, "1121");
  EXPECT_EQ(small.P.Frame, "F1M0M1M1M0M1");
  EXPECT_NE(small.Read("Yomibon.ini").find("FullScreen=0\r\n"), std::string::npos);
}

// OK: the integers from the controls (menu choices in pixels, font data
// only with a file), pictures and font data read again only for a changed
// path, the change flags; then the first redraw that applies.
TEST(SettingsDialog, OkAndRedraw) {
  Rig rig;
  Reader& r = *rig.R;
  const std::string pic = rig.Write("p.bmp", "x"),
                    fdt = rig.Write("f.fdt", std::string(kAtlasBytes, 3));
  rig.P.Pictures[pic] = Bitmap(2, 2, 0x0000FF);
  std::array<std::int32_t, kIntSettingCount> dlg = r.IntSettings;
  // clang-format off
  SettingsDialogFields f{r.StrSettings[kWallpaper1], pic, "a", "b", "c", "d", fdt, "F", true,
                         100, 55, 30, 0, 1, 2, false, true, false, true, 1, 2, true, 700};
  // clang-format on
  EXPECT_EQ(ApplySettingsDialog(r, dlg, f), kBodyLookChanged);
  EXPECT_EQ(r.IntSettings, (std::array<std::int32_t, kIntSettingCount>{
                               0, 1, 100, 55, 40, 184, 24, 0, 30, 1, 0, 1, 1, 1, 2, 1, 700, 1}));
  EXPECT_EQ(r.BodyWallpaper.Pixel(1, 1), 0x0000FFu);
  EXPECT_EQ(r.FontAtlas[599], 3);
  EXPECT_EQ(std::pair(r.GlyphFont.Name, r.GlyphFont.Bold), std::pair(std::string("F"), true));
  EXPECT_EQ(CheckSettingsDialog(r, f).Edit, 0);
  f.Edit1 = rig.Write("q.bmp", "not a picture");
  EXPECT_EQ(ToUtf8(CheckSettingsDialog(r, f).Message), f.Edit1 + " は画像として読み込めません。");
  f.Edit1 = r.StrSettings[kWallpaper1];
  f.Edit8 = rig.File("none.fdt");
  f.TrackBar1 = 99;
  EXPECT_EQ(ApplySettingsDialog(r, dlg, f), kCoverLookChanged);
  EXPECT_EQ(r.IntSettings[kFontType], 0);
  EXPECT_EQ(r.StrSettings[kFontData], f.Edit8);
  for (int i = 0; i < 9; ++i)
    EXPECT_EQ(MenuPosChoiceIndex(i / 3, (std::array{247, 248, 249, 183, 184, 185, 11, 12, 13})[i]),
              i % 3);
  struct Case {
    int Mode, Flags;
    bool Wipe;
  } cases[] = {{-1, 1, true}, {2, 3, true}, {2, 2, false}, {0, 0, false},
               {4, 2, true},  {4, 3, true}, {4, 1, false}, {4, 0, false}};
  for (const Case& c : cases) {
    r.Mode = c.Mode;
    r.IntSettings[kPageBar] = c.Mode == 4 && c.Flags == 0;
    r.PageStart = 50;
    r.TextLength = 100;
    r.BackBuffer.FillRect({0, 0, 640, 480}, 0x123456);
    r.BaseBitmap.FillRect({0, 0, 640, 480}, 0x654321);
    rig.P.Flushes = 0;
    RefreshAfterSettings(r, c.Flags);
    EXPECT_EQ(rig.P.Flushes, c.Wipe ? 55 : 0) << c.Mode << c.Flags;
    EXPECT_EQ(r.Mode, c.Mode == 4 ? 4 : -1);
    EXPECT_EQ(rig.P.Window.Pixel(200, 470), r.BackBuffer.Pixel(200, 470));
    if (c.Mode == 4 && !c.Wipe) {
      EXPECT_EQ(r.BackBuffer.Pixel(200, 470), c.Flags ? 0x654321u : kDarkGrey);
    }
  }
}

}  // namespace
