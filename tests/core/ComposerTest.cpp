#include "TextRig.h"
#include "text/WordList.h"

namespace {

using textrig::P;
using textrig::Pause;
using textrig::Repeat;
using textrig::S;
using textrig::TextRig;
using Pauses = std::vector<Pause>;

// ---- word lists ----

struct ListCase {
  const char* Name;
  std::vector<std::uint8_t> List;  // exactly the list's bytes, nothing after
  std::uint8_t Ch[2];
  bool In;
};

class WordList : public testing::TestWithParam<ListCase> {};

TEST_P(WordList, Membership) {
  const ListCase& c = GetParam();
  // A copy on the heap of exactly its size: a read past the end shows under
  // the address sanitizer.
  auto* list = new std::uint8_t[c.List.size() + (c.List.empty() ? 1 : 0)];
  std::copy(c.List.begin(), c.List.end(), list);
  EXPECT_EQ(InWordList(list, c.List.size(), c.Ch), c.In);
  delete[] list;
  const std::string s(c.List.begin(), c.List.end());
  EXPECT_EQ(InWordList(s, c.Ch), c.In);
}

INSTANTIATE_TEST_SUITE_P(
    Composer, WordList,
    testing::Values(ListCase{"Empty", {}, {0x81, 0x42}, false},
                    ListCase{"First", {0x81, 0x42, 0x81, 0x49}, {0x81, 0x42}, true},
                    ListCase{"Last", {0x81, 0x42, 0x81, 0x49}, {0x81, 0x49}, true},
                    ListCase{"Absent", {0x81, 0x42, 0x81, 0x49}, {0x81, 0x48}, false},
                    // "あい" read in step: the trail of one and the lead of the next are
                    // not a character of the list.
                    ListCase{"OutOfStep", {0x82, 0xA0, 0x82, 0xA2}, {0xA0, 0x82}, false},
                    ListCase{"AsciiSteppedOver", {'a', 0x81, 0x42}, {0x81, 0x42}, true},
                    ListCase{"AsciiNeverMatches", {'a', 'b'}, {'a', 'b'}, false},
                    ListCase{"ZeroEnds", {0x00, 0x81, 0x42}, {0x81, 0x42}, false},
                    ListCase{"LineBreakInNoList", {0x01, 0x00}, {0x01, 0x00}, false},
                    ListCase{"LoneLeadAtEnd", {0x81, 0x42, 0x82}, {0x82, 0xA0}, false},
                    ListCase{"LoneLeadPairsWithEnd", {0x82}, {0x82, 0x00}, true}),
    [](const testing::TestParamInfo<ListCase>& info) { return std::string(info.param.Name); });

// ---- line composition ----

struct ComposeCase {
  const char* Name;
  std::string Text;  // Shift-JIS
  int NLineCut;
  std::string Lines;
  Pauses Expected;
};

class Compose : public testing::TestWithParam<ComposeCase> {};

TEST_P(Compose, LinesAndPauses) {
  TextRig rig;
  rig.R->IntSettings[kNLineCut] = GetParam().NLineCut;
  rig.Run(GetParam().Text);
  EXPECT_EQ(rig.Lines(), GetParam().Lines);
  EXPECT_EQ(rig.Pauses, GetParam().Expected);
}

const std::string A = S("あ");

INSTANTIATE_TEST_SUITE_P(
    Composer, Compose,
    testing::Values(
        // Kinsoku.
        ComposeCase{"HangingStop",
                    Repeat(A, 24) + S("。い"),
                    1,
                    Repeat(A, 24) + S("。|い"),
                    {P(0, 0, 25), P(1, 0, 1)}},
        ComposeCase{"HangingStopThenBracket",
                    Repeat(A, 24) + S("。」い"),
                    1,
                    Repeat(A, 24) + S("。|」い"),
                    {P(1, 0, 2)}},
        ComposeCase{"OpeningBracketMoves",
                    Repeat(A, 23) + S("「い」"),
                    1,
                    Repeat(A, 23) + S("|「い」"),
                    {P(1, 0, 3)}},
        ComposeCase{"FullLineThenLineFeed",
                    Repeat(A, 24) + S("\nい"),
                    1,
                    Repeat(A, 24) + S("|い"),
                    {P(1, 0, 1)}},
        ComposeCase{"FullLineThenHonouredLineFeed",
                    Repeat(A, 24) + S("\nい"),
                    0,
                    Repeat(A, 24) + S("|い"),
                    {P(0, 0, 24), P(1, 0, 1)}},
        // Wait characters.
        ComposeCase{"StopBeforeBracketNoPause", S("あ。」い"), 1, S("あ。」い"), {P(0, 0, 4)}},
        ComposeCase{
            "ExclaimQuestionOnePause", S("あ！？い"), 1, S("あ！？い"), {P(0, 0, 3), P(0, 3, 4)}},
        ComposeCase{"UnderlineFromLastPause",
                    Repeat(A, 9) + S("。") + Repeat(A, 9) + S("。い"),
                    1,
                    Repeat(A, 9) + S("。") + Repeat(A, 9) + S("。い"),
                    {P(0, 0, 10), P(0, 10, 20), P(0, 20, 21)}},
        ComposeCase{"StopBeforeLineFeed", S("あ。\nい"), 1, S("あ。い"), {P(0, 0, 2), P(0, 2, 3)}},
        // Line feeds.
        ComposeCase{"SingleLineFeedDropped", S("あ\nい"), 1, S("あい"), {P(0, 0, 2)}},
        ComposeCase{
            "LineFeedBeforeBracket", S("あ\n「い」"), 1, S("あ|「い」"), {P(0, 0, 1), P(1, 0, 3)}},
        ComposeCase{"TwoLineFeeds", S("あ\n\nい"), 1, S("あ|い"), {P(0, 0, 1), P(1, 0, 1)}},
        ComposeCase{"ThreeLineFeeds", S("あ\n\n\nい"), 1, S("あ||い"), {P(0, 0, 1), P(2, 0, 1)}},
        ComposeCase{"TwoLineFeedsKept", S("あ\n\nい"), 0, S("あ||い"), {P(0, 0, 1), P(2, 0, 1)}},
        ComposeCase{"LineFeedAtTopLeft", S("\n\nあ"), 0, S("あ"), {P(0, 0, 1)}},
        ComposeCase{"SpaceBeforeLineFeed", S("あ　\nい"), 0, S("あ|い"), {P(0, 0, 1), P(1, 0, 1)}},
        ComposeCase{"SpaceBeforeDroppedLineFeed", S("あ　\nい"), 1, S("あい"), {P(0, 0, 2)}},
        ComposeCase{"SpaceElsewhereDrawn", S("あ　い"), 1, S("あ　い"), {P(0, 0, 3)}}),
    [](const testing::TestParamInfo<ComposeCase>& info) { return std::string(info.param.Name); });

// Settings changed in the middle of a run apply from the next character.
TEST(Composer, ListsReadAtEachCharacter) {
  TextRig rig;
  rig.OnPause = [&](const Pause&) {
    rig.R->StrSettings[kWaitWord] = S("い");
    rig.Press(kVkReturn, 5);
  };
  rig.Run(S("あ。いう。え"));
  EXPECT_EQ(rig.Pauses, (Pauses{P(0, 0, 2), P(0, 2, 3), P(0, 3, 6)}));
}

// ---- pages ----

Colour WindowAt(const TextRig& rig, int column, int line) {
  return rig.Platform.Window.Pixel(20 + 24 * column + 12, 19 + 26 * line + 12);
}

TEST(Composer, PageTurn) {
  TextRig rig;
  const std::string first = Repeat(A, 17 * 24);
  std::size_t clearCopy = 0, firstGlyph = 0;
  rig.OnPause = [&](const Pause& p) {
    if (p.Row == 16) {
      // Still the full page, with the next page's start already stored.
      EXPECT_EQ(WindowAt(rig, 5, 10), kWhite);
      EXPECT_EQ(rig.R->PageStart, 816);
      clearCopy = rig.Platform.Copies.size();
    } else {
      // Cleared, bar redrawn for the new start, new page from the top-left.
      EXPECT_EQ(WindowAt(rig, 5, 10), kGrey);
      EXPECT_EQ(WindowAt(rig, 0, 0), kWhite);
      EXPECT_EQ(WindowAt(rig, 1, 0), kWhite);
      const int bar = 816 * 200 / 820;
      EXPECT_EQ(rig.Platform.Window.Pixel(20 + bar - 1, 470), kWhite);
      EXPECT_EQ(rig.Platform.Window.Pixel(20 + bar, 470), kDarkGrey);
      for (std::size_t i = clearCopy; i < rig.Platform.Copies.size(); ++i)
        if (rig.IsGlyphCopy(rig.Platform.Copies[i])) {
          firstGlyph = i;
          break;
        }
    }
    rig.Press(kVkReturn, 5);
  };
  rig.Run(first + S("いう"));
  ASSERT_EQ(rig.Pauses, (Pauses{P(16, 0, 24), P(0, 0, 2)}));
  EXPECT_EQ(rig.Pauses[1].PageStart, 816);
  const WindowCopy& g = rig.Platform.Copies[firstGlyph];
  EXPECT_EQ(g.Dx, 20);
  EXPECT_EQ(g.Dy, 19);
  EXPECT_EQ(rig.Lines(), S("いう"));
  for (int i = 0; i < 17; ++i) EXPECT_EQ(rig.R->PrevPageLines[i], Repeat(A, 24)) << i;
}

// A line break that turns the page stores its own position: resuming there
// starts with that (then harmless) line break.
TEST(Composer, PageTurnAtLineBreak) {
  TextRig rig;
  rig.R->IntSettings[kNLineCut] = 0;
  rig.Run(Repeat(S("あ\n"), 17) + S("い"));
  ASSERT_EQ(rig.Pauses.size(), 18u);
  EXPECT_EQ(rig.Pauses[16], P(16, 0, 1));
  EXPECT_EQ(rig.Pauses[16].PageStart, 0);
  EXPECT_EQ(rig.Pauses[17], P(0, 0, 1));
  EXPECT_EQ(rig.R->PageStart, 16 * 3 + 2);
  EXPECT_EQ(rig.Lines(), S("い"));

  TextRig again;
  again.R->IntSettings[kNLineCut] = 0;
  again.Run(Repeat(S("あ\n"), 17) + S("い"), 50);
  EXPECT_EQ(again.Lines(), S("い"));
  EXPECT_EQ(again.Pauses, (Pauses{P(0, 0, 1)}));
}

// ---- the pause ----

// The underline shows white over grey under the new text for the first
// 400 ms of every 800, counted from the start of the pause, and the clean
// background comes back where it was.
TEST(Composer, UnderlineBlinks) {
  TextRig rig;
  std::vector<Colour> visible, after;
  auto sample = [&] {
    return std::vector<Colour>{rig.Platform.Window.Pixel(20, 44), rig.Platform.Window.Pixel(91, 45),
                               rig.Platform.Window.Pixel(92, 44),
                               rig.Platform.Window.Pixel(21, 43)};
  };
  // The pause's first turn (1 ms after it began) drew the line at p.Time.
  rig.OnPause = [&](const Pause& p) {
    rig.Platform.At(p.Time + 100, [&] { visible = sample(); });
    rig.Platform.At(p.Time + 2499, [&] { rig.Press(kVkReturn, 5); });
    rig.Platform.At(p.Time + 2500, [&] { after = sample(); });
  };
  rig.Run(S("あいう"));
  std::vector<std::uint32_t> draws, erases;
  for (const WindowCopy& c : rig.Platform.Copies) {
    if (!rig.IsUnderlineDraw(c) && !rig.IsUnderlineErase(c)) continue;
    (rig.IsUnderlineDraw(c) ? draws : erases).push_back(c.Time);
    EXPECT_EQ(c.Sx, 20);
    EXPECT_EQ(c.W, 72);
    EXPECT_EQ(c.Dx, 20);
    EXPECT_EQ(c.Dy, 44);
  }
  ASSERT_EQ(rig.Pauses.size(), 1u);
  const std::uint32_t t0 = rig.Pauses[0].Time - 1;
  EXPECT_EQ(draws, (std::vector<std::uint32_t>{t0 + 1, t0 + 800, t0 + 1600, t0 + 2400}));
  // The last erase is the press ending the pause while the line is shown.
  EXPECT_EQ(erases, (std::vector<std::uint32_t>{t0 + 400, t0 + 1200, t0 + 2000, t0 + 2500}));
  // White over grey under the three cells; the shadow row above is black.
  EXPECT_EQ(visible, (std::vector<Colour>{kWhite, kGrey, kGrey, kBlack}));
  EXPECT_EQ(after, (std::vector<Colour>{kGrey, kGrey, kGrey, kBlack}));
}

// Space shows the previous page until the next press; the settings dialog
// is shut meanwhile; the pause then goes on.
TEST(Composer, PreviousPage) {
  TextRig rig;
  std::vector<std::string> seen;
  bool envDuringView = true;
  std::uint32_t back = 0, end = 0;
  auto page = [&] { return WindowAt(rig, 5, 10) == kWhite ? "previous" : "current"; };
  rig.OnPause = [&](const Pause& p) {
    if (rig.Pauses.size() != 2) {
      rig.Press(kVkReturn, 5);
      return;
    }
    // The second page has one line: look back at the full first one.
    rig.Press(kVkSpace, 10);
    back = p.Time + 200;
    end = p.Time + 3000;
    rig.Platform.At(p.Time + 100, [&] {
      seen.push_back(page());
      envDuringView = rig.R->MEnv1.Enabled;
      rig.Press(kVkReturn, 10);
    });
    rig.Platform.At(back, [&] {
      seen.push_back(page());
      EXPECT_TRUE(rig.R->MEnv1.Enabled);
    });
    rig.Platform.At(end, [&] { rig.Press(kVkReturn, 10); });
  };
  rig.Run(Repeat(A, 17 * 24) + S("い。う"));
  EXPECT_EQ(seen, (std::vector<std::string>{"previous", "current"}));
  EXPECT_FALSE(envDuringView);
  EXPECT_TRUE(rig.R->MEnv1.Enabled);
  // The pause went on blinking after the look back until the press.
  int blinks = 0;
  for (const WindowCopy& c : rig.Platform.Copies)
    blinks += rig.IsUnderlineDraw(c) && c.Time > back && c.Time < end;
  EXPECT_GT(blinks, 0);
  EXPECT_EQ(rig.Pauses, (Pauses{P(16, 0, 24), P(0, 0, 2), P(0, 2, 3)}));
}

TEST(Composer, PreviousPageEmptyOnFirstPage) {
  TextRig rig;
  Colour during = kBlack;
  rig.OnPause = [&](const Pause& p) {
    if (rig.Pauses.size() > 1) {
      rig.Press(kVkReturn, 5);
      return;
    }
    rig.Press(kVkSpace, 10);
    rig.Platform.At(p.Time + 50, [&] {
      during = WindowAt(rig, 0, 0);
      rig.Press(kVkReturn, 10);
    });
    rig.Platform.At(p.Time + 100, [&] { rig.Press(kVkReturn, 10); });
  };
  rig.Run(S("あ。い"));
  EXPECT_EQ(during, kGrey);
  EXPECT_EQ(rig.Pauses, (Pauses{P(0, 0, 2), P(0, 2, 3)}));
}

TEST(Composer, LeavingWhileLookingBack) {
  TextRig rig;
  rig.OnPause = [&](const Pause&) {
    rig.Press(kVkSpace, 10);
    rig.Platform.At(rig.Platform.Now + 50, [&] { rig.R->MTitle1Click(); });
  };
  rig.Run(S("あ。い"));
  EXPECT_EQ(rig.Pauses.size(), 1u);
  EXPECT_TRUE(rig.R->MEnv1.Enabled);
  EXPECT_EQ(rig.R->Records[0].Index, 0);
  EXPECT_EQ(rig.R->Mode, -1);
}

std::vector<std::uint32_t> GlyphTimes(const TextRig& rig) {
  std::vector<std::uint32_t> t;
  for (const WindowCopy& c : rig.Platform.Copies)
    if (rig.IsGlyphCopy(c)) t.push_back(c.Time);
  return t;
}

// Holding an arrow key runs through the pauses (the reveal delay still
// applies); once it is let go they come back. The mark did not move while
// running through, so the first underline after starts at column 0.
TEST(Composer, HeldArrowRunsThrough) {
  TextRig rig;
  rig.R->IntSettings[kMsgSpeed] = 10;
  rig.Use(Repeat(S("あ。"), 10));
  rig.R->InputState = 4;  // Down, held since before the run
  rig.EachPump = [&] {
    if (rig.R->InputState == 4 && rig.R->Column == 10) rig.R->FormKeyUp(kVkDown);
  };
  rig.R->ReadText(0);
  EXPECT_EQ(rig.Pauses, (Pauses{P(0, 0, 10), P(0, 10, 12), P(0, 12, 14), P(0, 14, 16), P(0, 16, 18),
                                P(0, 18, 20)}));
  const auto t = GlyphTimes(rig);
  ASSERT_EQ(t.size(), 20u);
  for (int i = 1; i < 10; ++i) EXPECT_EQ(t[i] - t[i - 1], 10u + (i % 2 == 0)) << i;
}

// A held Enter must be let go before a pause can end.
TEST(Composer, HeldEnterDoesNotRunOn) {
  TextRig rig;
  rig.Use(S("あ。い。う"));
  rig.R->InputState = 2;
  const std::uint32_t release = rig.Platform.Now + 500;
  rig.Platform.At(release, [&] { rig.R->FormKeyUp(kVkReturn); });
  rig.R->ReadText(0);
  ASSERT_EQ(rig.Pauses, (Pauses{P(0, 0, 2), P(0, 2, 4), P(0, 4, 5)}));
  EXPECT_GT(rig.Pauses[0].Time, release);
}

// ---- pace ----

TEST(Composer, RevealDelay) {
  for (int speed : {0, 1, 30}) {
    TextRig rig;
    rig.R->IntSettings[kMsgSpeed] = speed;
    rig.Run(S("あいう"));
    const auto t = GlyphTimes(rig);
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[1] - t[0], std::uint32_t(speed));
    EXPECT_EQ(t[2] - t[1], std::uint32_t(speed));
  }
}

// Skip mode: no delay and no underline; pauses only pump the queue, so
// pages fill and turn by themselves. Switched off, the pauses come back.
TEST(Composer, SkipMode) {
  TextRig rig;
  rig.R->IntSettings[kMsgSpeed] = 20;
  rig.Use(Repeat(S("あいう。"), 17 * 6 + 3) + S("え。お"));
  bool switched = false;
  rig.EachPump = [&] {
    // ReadText clears the flag when it starts; switch it on at its first pump.
    if (!switched) {
      switched = true;
      rig.R->MSkip1Click();
    }
    if (rig.R->Skipping && rig.R->PageStart > 0 && rig.R->Column == 12) rig.R->MSkip1Click();
  };
  rig.R->ReadText(0);
  EXPECT_EQ(rig.Pauses, (Pauses{P(0, 8, 12), P(0, 12, 14), P(0, 14, 15)}));
  EXPECT_EQ(rig.Pauses[0].PageStart, 816);
  const auto t = GlyphTimes(rig);
  ASSERT_EQ(t.size(), 408u + 15u);
  // Two pumps at each skipped pause, nothing else.
  for (int i = 1; i < 408; ++i) EXPECT_EQ(t[i] - t[i - 1], i % 4 == 0 ? 2u : 0u) << i;
  EXPECT_EQ(t[421] - t[420], 20u);
}

}  // namespace
