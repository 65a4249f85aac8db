// The reading run: bytes to characters, lines and pages, pauses, input
// during a pause, the resume record and bookmarks.
#include <fcntl.h>

#include "Rig.h"
#include "render/Screen.h"
#include "text/WordList.h"

namespace {

const std::string A = S("あ");

TEST(WordList, OnlyWholeDoubleByteCharactersCount) {
  // clang-format off
  const std::pair<std::string, std::string> cases[] = {
      {"", "\x81\x42"}, {"\x81\x42\x81\x49", "\x81\x49"}, {"\x81\x42\x81\x49", "\x81\x48"},
      {"\x82\xA0\x82\xA2", "\xA0\x82"}, {"a\x81\x42", "\x81\x42"}, {"ab", "ab"},
      {std::string("\0\x81\x42", 3), "\x81\x42"}, {"\x81\x42\x82", "\x82\xA0"},
      {"\x82", std::string("\x82\0", 2)}};
  // clang-format on
  std::string in;
  for (const auto& [words, ch] : cases) {
    // A heap copy of exactly the list's size: a read past it shows under ASan.
    std::vector<std::uint8_t> list(words.begin(), words.end());
    in += InWordList(list.data(), list.size(), (const std::uint8_t*)ch.data()) ? '1' : '0';
  }
  EXPECT_EQ(in, "010010001");
}

// Text bytes to page lines and pauses: conversion, tags, line feeds, kinsoku.
TEST(Reading, LinesAndPauses) {
  // clang-format off
  const std::tuple<std::string, int, int, std::string, std::string> cases[] = {
      {"A\r\nB", 0, 1, S("Ａ|Ｂ"), "0.0-1 1.0-1 "}, {"a<b\nc", 1, 1, S("ａ"), "0.0-1 "},
      {"PK\x05\x04" "a\r\t\x01\x7F\x80\xF0\x62", 1, 1, S("ＰＫａｂ"), "0.0-4 "},
      {"a b  c   d    e", 1, 1, S("ａ　ｂ　ｃ　　ｄ　　ｅ"), "0.0-11 "},
      {"\"'-\\`~", 1, 1, S("”’－￥‘￣"), "0.0-6 "}, {"<p\n>", 0, 0, S("＜ｐ|＞"), "0.0-2 1.0-1 "},
      {"a<br>b<p\nq>c>d", 1, 1, S("ａｂｃ＞ｄ"), "0.0-5 "}, {S("ｶﾞ") + "\xA0", 1, 1, S("カ゛・"), "0.0-3 "},
      {Rep(A, 30) + "\x81\x20x\x82", 1, 1,
       Rep(A, 24) + "|" + Rep(A, 6) + "\x81\x20" + S("ｘ") + std::string("\x82\0", 2), "1.0-9 "},
      {Rep(A, 24) + S("。い"), 1, 1, Rep(A, 24) + S("。|い"), "0.0-25 1.0-1 "},
      {Rep(A, 24) + S("。」い"), 1, 1, Rep(A, 24) + S("。|」い"), "1.0-2 "},
      {Rep(A, 23) + S("「い」"), 1, 1, Rep(A, 23) + S("|「い」"), "1.0-3 "},
      {Rep(A, 24) + S("\nい"), 1, 1, Rep(A, 24) + S("|い"), "1.0-1 "},
      {Rep(A, 24) + S("\nい"), 0, 1, Rep(A, 24) + S("|い"), "0.0-24 1.0-1 "},
      {S("あ。」い"), 1, 1, S("あ。」い"), "0.0-4 "}, {S("あ！？い"), 1, 1, S("あ！？い"), "0.0-3 0.3-4 "},
      {Rep(Rep(A, 9) + S("。"), 2) + S("い"), 1, 1, Rep(Rep(A, 9) + S("。"), 2) + S("い"),
       "0.0-10 0.10-20 0.20-21 "},
      {S("あ。\nい"), 1, 1, S("あ。い"), "0.0-2 0.2-3 "}, {S("あ\nい"), 1, 1, S("あい"), "0.0-2 "},
      {S("あ\n「い」"), 1, 1, S("あ|「い」"), "0.0-1 1.0-3 "}, {S("\n\nあ"), 0, 1, S("あ"), "0.0-1 "},
      {S("あ　い"), 1, 1, S("あ　い"), "0.0-3 "}, {S("あ\n\nい"), 1, 1, S("あ|い"), "0.0-1 1.0-1 "},
      {S("あ\n\nい"), 0, 1, S("あ||い"), "0.0-1 2.0-1 "},
      {S("あ\n\n\nい"), 1, 1, S("あ||い"), "0.0-1 2.0-1 "},
      {S("あ　\nい"), 0, 1, S("あ|い"), "0.0-1 1.0-1 "}, {S("あ　\nい"), 1, 1, S("あい"), "0.0-2 "}};
  // clang-format on
  for (const auto& [text, nLineCut, tagCut, lines, pauses] : cases) {
    Rig rig;
    rig.R->IntSettings[kNLineCut] = nLineCut, rig.R->IntSettings[kTagCut] = tagCut;
    { std::vector<char> stale(text.size() + 1, 'b'); }  // bytes the text's memory may hold
    rig.R->ReturnToTitle = rig.R->LineBreakPending = rig.R->WaitArmed = rig.R->Skipping = true;
    EXPECT_EQ(rig.Run(text), pauses) << ToUtf8(text);
    EXPECT_EQ(std::pair(rig.Lines(), rig.R->TextLength), std::pair(lines, int(text.size())))
        << ToUtf8(text);
  }
}

// Where a run starts and what it stores: inside the text; inside a
// character, entity, tag (begun on the line before), note, ruby, the
// explanatory block, or a page's script, comment or <ruby>, where that begins;
// inside an alt text, there; before the text (an edited file); at or past its end, the
// last page that shows a character, never an empty one.
TEST(Reading, StartPositions) {
  // clang-format off
  const std::string full = Rep(A, 17 * 24) + S("いう"), line = S("　") + Rep(A, 19),
      tags = "<i>x</i>yz<p\nclass=w>v", notes = S("あ［＃２字下げ］い漢字《かんじ》です"),
      block = S("題\n----------\n【テキスト中に現れる記号について】\n《》：ルビ\n----------\n本文"),
      page = S("<html><title>題</title><script>\nx<y\n</script>本<!--\nc -->文<img alt='※字'>。<br>終"),
      ruby = S("<html>あ<ruby>漢<rp>（</rp><rt>かん</rt><rp>）</rp></ruby>字");
  const std::tuple<std::string, std::int32_t, std::int32_t, std::string, std::string> cases[] = {
      {full, 816, 816, S("いう"), "0.0-2 "}, {full, 817, 816, S("いう"), "0.0-2 "},
      {full, 820, 816, S("いう"), "0.0-2 "}, {full, 9999, 816, S("いう"), "0.0-2 "},
      {full, -4, 816, S("いう"), "16.0-24 0.0-2 "}, {full + Rep("\n", 40), 9999, 836, "", "0.0-2 "},
      {Rep(line + "\n", 20), INT32_MAX, 696, Rep(line + "|", 2) + line, "0.0-20 1.0-20 2.0-20 "},
      {"a&amp;b", 3, 1, S("＆ｂ"), "0.0-2 "}, {"a  b", 2, 1, S("　ｂ"), "0.0-2 "},
      {tags, 14, 10, S("ｖ"), "0.0-1 "}, {tags, 9, 9, S("ｚｖ"), "0.0-2 "},
      {notes, 8, 2, S("い漢字です"), "0.0-5 "}, {notes, 28, 22, S("です"), "0.0-2 "},
      {block, 40, 3, S("本文"), "0.0-2 "}, {page, 33, 23, S("本文※字。|終"), "0.0-5 1.0-1 "},
      {page, 53, 47, S("文※字。|終"), "0.0-4 1.0-1 "}, {page, 71, 71, S("字。|終"), "0.0-2 1.0-1 "},
      {page, 74, 73, S("。|終"), "0.0-1 1.0-1 "}, {ruby, 32, 8, S("漢字"), "0.0-2 "}};
  // clang-format on
  for (const auto& [text, start, pageStart, lines, pauses] : cases) {
    Rig rig;
    // A page's <ruby> is read as one only when set beside its base.
    rig.R->IntSettings[kRuby] = text.find("<ruby>") != text.npos ? 2 : 0;
    EXPECT_EQ(rig.Run(text, start), pauses) << start;
    EXPECT_EQ(std::tuple(rig.Lines(), rig.R->PageStart, rig.R->Mode),
              std::tuple(lines, pageStart, -1))
        << start;
  }
}

// Files that give no run: a warning, the cover stays, the length is kept
// for an unreadable file (a folder, a missing file) and for one of 2 GiB or
// more, which says so. A text that shows nothing at all is as empty.
TEST(Reading, RefusedFiles) {
  Rig rig;
  rig.R->TextLength = 5;
  EXPECT_EQ(rig.Run(""), "! W:空のファイルは読めません。 ");
  EXPECT_EQ(rig.R->TextLength, 0);
  EXPECT_EQ(rig.Run(std::string(3 << 20, '\0')), Rep("! W:空のファイルは読めません。 ", 2));
  std::vector<std::string> paths = {rig.Dir, rig.File("gone.txt"), rig.File("big.txt")};
  const int fd = open(paths[2].c_str(), O_CREAT | O_WRONLY, 0644);
  if (ftruncate(fd, off_t(1) << 31) != 0) paths.pop_back();  // a sparse 2 GiB file
  close(fd);
  for (const std::string& path : paths) {
    rig.P.Log.clear();
    rig.R->TextLength = 5;
    rig.R->StrSettings[kText] = path;
    rig.R->ReadText(0);
    EXPECT_EQ(rig.P.Log, path.ends_with("big.txt") ? "! W:ファイルが大きすぎます。 "
                                                   : "! W:ファイルを読み込めません。 ")
        << path;
    EXPECT_EQ(rig.R->TextLength, 5);
    EXPECT_EQ(rig.R->Mode, -1);
  }
}

// A whole page in atlas mode, in rows and in columns: the picture at each
// pause (in columns the marker is a grey column and a white one left of the
// new text), the page turn (cleared area, the right column's shadow too;
// bar for the new start, first cell first), the previous lines.
TEST(Reading, PageTurnPictures) {
  for (int v : {0, 1}) {
    Rig rig;
    for (std::size_t i = 0; i < rig.R->FontAtlas.size(); ++i)
      rig.R->FontAtlas[i] = std::uint8_t((i * 7 + i / 576) % 17);
    rig.R->AtlasComplete = true;
    rig.R->IntSettings[kFontType] = 1;
    rig.R->IntSettings[kMsgSpeed] = 0;
    rig.R->IntSettings[kVertical] = v;
    rig.R->BodyWallpaper.SetSize(3, 2, 0x3070A0);
    rig.R->BodyWallpaper.SetPixel(1, 1, 0xF0E0D0);
    const int cells = v ? 17 : 24, lines = v ? 23 : 17;
    std::vector<std::int32_t> starts;
    rig.P.OnPause = [&] {
      starts.push_back(rig.R->PageStart);
      const std::string name = v ? "vertical-page-" : "page-turn-";
      EXPECT_GOLDEN(GoldenPicture(name + std::to_string(starts.size()) + ".png", rig.P.Window));
      // Once turned, only the new text, its marker and the bar are not clean.
      Bitmap clean(640, 480);
      CopyRect(clean, 0, 0, rig.R->BaseBitmap, 0, 0, 640, 480);
      clean = Except(clean, rig.P.Window, v ? Rect{580, 19, 633, 140} : Rect{20, 19, 140, 46});
      EXPECT_TRUE(starts.size() < 2 ||
                  Except(clean, rig.P.Window, screen::kPageBar) == rig.P.Window);
      rig.P.Press(kVkReturn, 5);
    };
    EXPECT_EQ(rig.Run(Rep(A, cells * lines - 1) + S(v ? "「い。ぁー" : "「い。う")),
              v ? "22.0-16 0.0-3 0.3-5 " : "16.0-23 0.0-3 0.3-4 ");
    EXPECT_EQ(starts, std::vector<std::int32_t>(3, 2 * cells * lines - 2));
    EXPECT_EQ(rig.Lines(), S(v ? "「い。ぁー" : "「い。う"));
    for (int i = 0; i < lines; ++i)
      EXPECT_EQ(rig.R->PrevPageLines[i], Rep(A, cells - (i == lines - 1)));
  }
}

// The underline under the new text (its colours show in the pictures of
// the page-turn test) the first 400 ms of every 800 from the start of the
// pause, the background back after; input between edges changes nothing.
TEST(Pause, UnderlineBlinks) {
  Rig rig;
  rig.P.OnPause = [&] {
    rig.P.At(rig.P.Now + 350, [] {});
    rig.P.At(rig.P.Now + 2498, [&] { rig.P.Press(kVkReturn, 5); });
  };
  rig.Run(S("あいう"));
  std::string blinks;
  std::uint32_t t0 = 0;
  for (const Copy& c : rig.P.Copies)
    if (c.Src == &rig.R->BaseBitmap && c.H == 2 && c.Dx == 20 && c.W == 72 && c.Dy == 44) {
      if (!t0) t0 = c.Time;
      blinks += (c.Sy == 480 ? "+" : "-") + std::to_string(c.Time - t0);
    }
  EXPECT_EQ(blinks, "+0-399+799-1199+1599-1999+2399-2499");
  EXPECT_LT(rig.P.Pumps, 100);  // the pause names its blink's edges: no pump a millisecond
}

// Held keys: an arrow runs through pauses (the reveal delay still counts)
// and they come back once it is let go; a held Enter must be let go first.
TEST(Pause, HeldKeys) {
  Rig arrow;
  arrow.R->IntSettings[kMsgSpeed] = 10;
  arrow.R->InputState = 4;
  arrow.P.OnPump = [&] {
    if (arrow.R->InputState == 4 && arrow.R->Column == 10) arrow.R->FormKeyUp(kVkDown);
  };
  EXPECT_EQ(arrow.Run(Rep(S("あ。"), 7)), "0.0-10 0.10-12 0.12-14 ");
  const auto t = arrow.P.GlyphTimes();
  for (int i = 1; i < 10; ++i) EXPECT_EQ(t[i] - t[i - 1], 10u + (i % 2 == 0)) << i;

  Rig enter;  // a held Enter must be let go before a pause ends
  enter.R->InputState = 2;
  enter.P.At(enter.P.Now + 2000, [&] { enter.R->FormKeyUp(kVkReturn); });
  EXPECT_EQ(enter.Run(S("あ。い")), "0.0-2 0.2-3 ");
  EXPECT_GT(enter.P.GlyphTimes()[2], 102001u);
}

// The reveal delay is MsgSpeed ms a character, also while the tick counter
// wraps; skip mode has none and ends every pause at once, turning pages by
// itself until it is switched off.
TEST(Pause, RevealDelayAndSkipMode) {
  for (auto [speed, clock] :
       {std::pair{0, 100000u}, {1, 100000u}, {30, 100000u}, {30, 0xFFFFF900u}}) {
    Rig rig;
    rig.R->IntSettings[kMsgSpeed] = speed;
    rig.P.Now = clock;
    rig.Run(Rep(S("あ"), 40));
    const auto t = rig.P.GlyphTimes();
    for (int i = 1; i < 40; ++i) EXPECT_EQ(t[i] - t[i - 1], speed + 0u) << i << " " << clock;
    EXPECT_LT(rig.P.Pumps, 90);  // the delay names its end: no pump a millisecond
  }
  Rig late;  // a wake-up 3 ms late is made up at the next character
  late.R->IntSettings[kMsgSpeed] = 10;
  late.P.OnPump = [&] {
    late.P.Now += late.P.GlyphTimes().size() == 2 && late.P.Pumps < 9 ? 3 : 0;
  };
  late.Run(S("あいうえ"));
  const auto l = late.P.GlyphTimes();
  EXPECT_EQ(std::tuple(l[1] - l[0], l[2] - l[1], l[3] - l[2]), std::tuple(10u, 13u, 7u));
  Rig rig;
  rig.R->IntSettings[kMsgSpeed] = 20;
  rig.P.OnPump = [&] {
    if (!rig.R->Skipping && rig.R->PageStart == 0 && rig.R->Column == 0) rig.R->MSkip1Click();
    if (rig.R->Skipping && rig.R->PageStart > 0 && rig.R->Column == 12) rig.R->MSkip1Click();
  };
  EXPECT_EQ(rig.Run(Rep(S("あいう。"), 17 * 6 + 3) + S("え。お")), "0.8-12 0.12-14 0.14-15 ");
  const auto t = rig.P.GlyphTimes();
  ASSERT_EQ(t.size(), 423u);
  for (int i = 1; i < 408; ++i) EXPECT_EQ(t[i] - t[i - 1], i % 4 == 0 ? 2u : 0u) << i;
  EXPECT_EQ(t[421] - t[420], 20u);
}

// The three ends of a run and the resume record: the end of the text keeps
// it; back to the cover or closing store the page's start, also during the
// pause at the end of a full page (the next page's start).
TEST(Reading, Ends) {
  const std::string text = Rep(A, 17 * 24) + Rep(S("い"), 30);
  // Leave at this pause, or at this column of page 2; by closing or not.
  for (auto [pause, column, close] :
       {std::tuple{1, -1, false}, {1, -1, true}, {0, 5, false}, {0, 5, true}, {0, -1, false}}) {
    Rig rig;
    rig.R->IntSettings[kMsgSpeed] = 10;
    rig.R->Records[0] = {"/elsewhere/b.txt", 12, 400};
    auto leave = [&] { close ? rig.R->MExit1Click() : rig.R->MTitle1Click(); };
    int n = 0;
    rig.P.OnPause = [&] { ++n == pause ? leave() : rig.P.Press(kVkReturn, 5); };
    rig.P.OnPump = [&] {
      if (rig.R->PageStart == 816 && rig.R->Column == column && !rig.R->Closing &&
          !rig.R->ReturnToTitle)
        leave();
    };
    rig.Run(text);
    const bool kept = pause == 0 && column < 0;
    const ReadRecord& rec = rig.R->Records[0];
    using Want = std::tuple<std::string, std::int32_t, std::int32_t>;
    EXPECT_EQ(std::tuple(rec.Text, rec.Index, rec.Length),
              kept ? Want("/elsewhere/b.txt", 12, 400) : Want(rig.File("a.txt"), 816, 876));
    EXPECT_TRUE(kept || rig.R->PageLines[pause ? 16 : 0] == (pause ? Rep(A, 24) : Rep(S("い"), 5)));
    EXPECT_EQ(std::pair(rig.R->Mode, rig.R->Closing), std::pair(close ? 4 : -1, close));
    EXPECT_EQ(rig.Read("Yomibon.ini").find("Index=816\r\nLength=876") != std::string::npos, close);
  }
}

// Long runs handle messages now and then: through bytes that show nothing
// (after "あ"), and while a resume past the end looks for the last page, the
// cover taking no click, nor V (which reading takes). A close there ends
// the run at once, the record sound.
TEST(Reading, LongRuns) {
  for (auto [text, start] : {std::pair{S("あ") + std::string(3 << 20, '\r') + S("い。"), 0},
                             {Rep(S("あ。\n"), 300000), INT32_MAX}}) {
    Rig rig;
    rig.R->Records[0] = {rig.File("a.txt"), start, 7};
    rig.R->Mode = 1;  // the cover's resume item, lit
    bool acted = false;
    rig.P.OnPump = [&] {
      if (acted || !(rig.R->Quiet || (rig.R->CharEnd == 2 && rig.R->Column == 0))) return;
      acted = true;
      rig.R->FormMouseDown(MouseButton::Left, 0, 0);
      rig.R->FormKeyDown(kVkV);
      rig.R->MExit1Click();
    };
    EXPECT_EQ(rig.Run(text, start), "");
    const std::string ini = rig.Read("Yomibon.ini");
    EXPECT_EQ(ini.substr(0, ini.find("\r\nLength")),
              "[Continue]\r\nText=" + rig.File("a.txt") + "\r\nIndex=" + std::to_string(start));
    EXPECT_EQ(ini.find("Vertical=1") == std::string::npos, start != 0);  // V while reading only
  }
}

// Bookmarks: a save takes the page on screen and replaces what was there;
// both items show "name　percent %"; a load reads from the saved place. A
// bookmark whose file is gone is cleared only when the reader says so; one
// whose name is now a folder says it cannot be read.
TEST(Bookmarks, SaveLoadAndMissingFile) {
  Rig rig;
  int n = 0;
  rig.P.OnPause = [&] {
    if (++n <= 2) rig.R->MDataClick(3);
    rig.P.Press(kVkReturn, 5);
  };
  rig.Run(Rep(A, 17 * 24) + Rep(S("い"), 100));
  EXPECT_EQ(rig.R->Records[4].Index, 816);
  EXPECT_EQ(ToUtf8(rig.R->DataItems[3].Caption + rig.R->DataItems[13].Caption),
            "a.txt　80 %a.txt　80 %");
  rig.P.Log.clear();
  rig.R->MDataClick(13);
  EXPECT_EQ(rig.P.Log, "4.0-4 ");
  EXPECT_EQ(rig.P.Captions.back(), "a.txt - Pagelune");
  std::filesystem::remove(rig.File("a.txt"));
  std::filesystem::create_directory(rig.File("a.txt"));  // never read, and not for clearing
  rig.R->MDataClick(13);
  EXPECT_EQ(rig.P.Log, "4.0-4 ! W:ファイルを読み込めません。 ");
  std::filesystem::remove(rig.File("a.txt"));
  for (BoxResult answer : {BoxResult::Cancel, BoxResult::Ok}) {
    rig.P.Log.clear();
    rig.P.Answers = {BoxResult::Ok, answer};
    rig.R->MDataClick(13);
    EXPECT_EQ(rig.P.Log, "! W:ファイルが見つかりません。 Y:このセーブデータを削除しますか？ ");
    const bool cleared = answer == BoxResult::Ok;
    EXPECT_EQ(std::pair(rig.R->Records[4].Text.empty(), rig.R->DataItems[13].Enabled),
              std::pair(cleared, !cleared));
    EXPECT_EQ(ToUtf8(rig.R->DataItems[3].Caption), cleared ? "-未使用-" : "a.txt　80 %");
  }
}

}  // namespace
