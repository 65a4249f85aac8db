// Ruby beside its base: where its ink lies, lines and pages that keep a
// base with its ruby, the reveal, the look back and a resume inside a base.
#include "Rig.h"

namespace {

const std::string A = S("あ"), kRubyIni = "[System]\r\nRuby=2\r\nAozora=2\r\nMsgSpeed=0\r\n";

// The runs of white along row (or column) `at` of the window, as "from-to".
std::string Ink(const Bitmap& b, int at, bool vertical) {
  std::string out;
  for (int a = 0, from = -1; a <= 640; ++a) {
    const bool ink =
        a < (vertical ? 480 : 640) && b.Pixel(vertical ? at : a, vertical ? a : at) == kWhite;
    if (ink && from < 0) from = a;
    if (!ink && from >= 0) out += std::to_string(from) + "-" + std::to_string(a) + " ", from = -1;
  }
  return out;
}

// The first line (column) at the first pause, from the font (the rig's glyph:
// ink over the top-left two thirds of the cell it is drawn for) and from font
// data (the same) alike: the ruby's ink, then the base's, along the line;
// then across it at x 46 (y 57), where the pause marker shows too (white
// under the row, left of the column). A ruby 12 x 12 with 8 x 8 ink, centred on
// its base; a longer one reaching half a ruby character over each
// neighbour; over the start of a line or a base of its own nothing, over a
// character between two rubies half each; a ruby after one that a note hid
// from it moved clear of it; one whose base ends in a space not drawn at
// a line end still shown; longer still, the base spread over
// two cells; in a column the ー of a ruby turned.
TEST(Ruby, WhereItsInkLies) {
  // clang-format off
  const std::tuple<std::string, bool, std::string> cases[] = {
      {"あ｜本《ほん》い", false, "44-52 56-64 | 20-36 44-60 68-84 | 19-27 31-47 56-57 "},
      {"<html>あ<ruby>本<rp>(</rp><rt>ほ</rt><rt>ん</ruby>い", false, "44-52 56-64 | 20-36 44-60 68-84 | 19-27 31-47 56-57 "},
      {"あ本《ほんや》い", false, "38-46 50-58 62-70 | 20-36 44-60 68-84 | 31-47 56-57 "},
      {"本《ほんや》あ本《ほんや》", false,
       "20-28 32-40 44-52 62-70 74-82 86-94 | 20-36 44-60 68-84 | 19-27 31-47 56-57 "},
      {"あ本《ほんや》字《じ》", false, "32-40 44-52 56-64 74-82 | 20-36 44-60 68-84 | 19-27 31-47 56-57 "},
      {"<html>あ<ruby>本<rt>ほんや</ruby><ruby>字<rt>じ</ruby>", false, "32-40 44-52 56-64 74-82 | 20-36 44-60 68-84 | 19-27 31-47 56-57 "},
      {"あ本《ほんや》［＃注］字《じじ》", false,
       "38-46 50-58 62-70 74-82 86-94 | 20-36 44-60 68-84 | 31-47 56-57 "},
      {"あ｜本　《ほん》", false, "56-64 68-76 | 20-36 44-60 | 31-47 56-57 "},
      {"あ鸛《こうのとり》い", false, "38-46 50-58 62-70 74-82 86-94 | 20-36 56-72 92-108 | 56-57 "},
      {"あ本《ほー》い", true, "43-51 55-63 | 19-35 43-59 67-83 | 595-612 624-632 "},
      {"あ鸛《こうのとり》い", true, "37-45 49-57 61-69 73-81 85-93 | 19-35 55-71 91-107 | 595-612 "}};
  // clang-format on
  for (int atlas : {0, 1})
    for (const auto& [text, vertical, ink] : cases) {
      Rig rig(kRubyIni + (vertical ? "Vertical=1\r\n" : ""));
      Reader& r = *rig.R;
      for (std::size_t i = 0; i < r.FontAtlas.size(); ++i)
        r.FontAtlas[i] = i % 576 < 16 * 24 && i % 24 < 16 ? 0 : 16;
      r.AtlasComplete = true;
      r.IntSettings[kFontType] = atlas;
      std::string seen;
      rig.P.OnPause = [&] {
        if (seen.empty())
          seen = Ink(rig.P.Window, vertical ? 626 : 21, vertical) + "| " +
                 Ink(rig.P.Window, vertical ? 606 : 33, vertical) + "| " +
                 Ink(rig.P.Window, vertical ? 57 : 46, !vertical);
        rig.P.Press(kVkReturn, 5);
      };
      rig.Run(S(text));
      EXPECT_EQ(seen, ink) << text << atlas;
    }
}

// A base and its ruby stay on one line and one page: a group that does not
// fit the rest of a line begins the next (one that just fits stays), with
// the opening bracket before it; on the
// last line (column) the next page, which begins at its ｜, after 11 rows or
// 15 columns; a base longer than a line goes a line at a time. A ｜ whose
// base holds a note leaves its ruby in （…）, not over the kanji before it.
// Glyphs counts the last page's, ruby too. A resume inside the base (or its
// ruby) reads from its ｜. During the last pause Space shows page 1 as it
// was read, ruby and all ("RB": ruby and base ink of its first group).
TEST(Ruby, GroupsStayWhole) {
  const std::string group = S("｜本日《ほんじつ》");
  // clang-format off
  const std::tuple<bool, std::string, std::string, std::string, std::int32_t, std::size_t, std::string> cases[] = {
      {false, Rep(A, 23) + group + S("い"), "1.0-3 ", Rep(A, 23) + "|" + S("本日い"), 0, 30, ""},
      {false, Rep(A, 22) + group + S("い"), "1.0-1 ", Rep(A, 22) + S("本日|い"), 0, 29, ""},
      {true, Rep(A, 15) + S("「本日《ほんじつ》い"), "1.0-4 ", Rep(A, 15) + S("|「本日い"), 0, 23, ""},
      {false, S("｜本［＃注］日《ほんじつ》"), "0.0-8 ", S("本日（ほんじつ）"), 0, 8, ""},
      {false, S("｜雨《あめ》") + Rep(A, 262) + group, "10.0-23 0.0-2 ", S("本日"), 536, 6, "RB"},
      {true, S("｜雨《あめ》") + Rep(A, 253) + group, "14.0-16 0.0-2 ", S("本日"), 518, 6, "RB"},
      {false, S("｜") + Rep(S("本"), 30) + S("《") + Rep(S("ほ"), 30) + S("》"), "1.0-6 ",
       Rep(S("本"), 24) + "|" + Rep(S("本"), 6), 0, 60, ""}};
  // clang-format on
  for (const auto& [vertical, text, pauses, lines, start, glyphs, back] : cases) {
    for (std::int32_t resume : {0, start + 2, start + 4, start + 10}) {
      if (resume > 0 && start == 0) continue;
      Rig rig(kRubyIni + (vertical ? "Vertical=1\r\n" : ""));
      std::string seen;
      rig.P.OnPause = [&] {
        if (rig.R->PageHistory.empty()) return rig.P.Press(kVkReturn, 5);
        rig.P.Press(kVkSpace, 5);
        rig.P.At(rig.P.Now + 20, [&] {
          const Bitmap& w = rig.P.Window;
          seen = std::string(w.Pixel(vertical ? 622 : 21, 21) == kWhite ? "R" : "") +
                 (w.Pixel(vertical ? 598 : 21, vertical ? 21 : 33) == kWhite ? "B" : "");
          rig.P.Press(kVkReturn, 5);
        });
        rig.P.At(rig.P.Now + 60, [&] { rig.P.Press(kVkReturn, 5); });
      };
      const std::string log = rig.Run(text, resume);
      // A resumed run pauses and looks back as it pleases.
      EXPECT_EQ(resume == 0 ? log + seen : pauses + back, pauses + back) << ToUtf8(lines);
      EXPECT_EQ(std::tuple(rig.Lines(), rig.R->PageStart, rig.R->PageGlyphs.size()),
                std::tuple(lines, start, glyphs))
          << resume;
    }
  }
  // A character of the text's own stands in a base and in its ruby.
  Rig rig(kRubyIni + "Encoding=2\r\n");
  rig.Run("｜𠮷野《よ𠮷》い");
  EXPECT_EQ(std::tuple(rig.Lines(), rig.R->PageGlyphs.size()),
            std::tuple("\xF0\x40" + S("野い"), std::size_t(5)));
}

// The ruby shows with the last character of its base (r: its band copied to
// the window, g: a character's cell). Ruby set to 2 during a pause lays the
// page out again with the ruby beside (the glyphs a pause finds on the page:
// 5, then 9 as the pause goes on).
TEST(Ruby, RevealAndRelayout) {
  Rig rig(kRubyIni);
  std::string order;
  rig.Run(S("あ｜本日《ほんじつ》い。"));
  for (const Copy& c : rig.P.Copies)
    if (rig.P.IsGlyph(c) || (c.Src == &rig.R->BackBuffer && c.H == 13))
      order += c.H == 13 ? "r" : "g";
  Rig plain("[System]\r\nAozora=2\r\nMsgSpeed=0\r\n");
  plain.P.OnPause = [&] {
    order += " " + std::to_string(plain.R->PageGlyphs.size());
    if (order.size() == 8) plain.R->IntSettings[kRuby] = 2, plain.R->DirectionChanged();
    plain.P.Press(kVkReturn, 5);
  };
  plain.Run(S("あ｜本日《ほんじつ》い。う。"));
  EXPECT_EQ(order, "gggrgg 5 9 11");
}

}  // namespace
