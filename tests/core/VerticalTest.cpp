// Vertical text: columns from the right, their pauses and page turns, the
// glyphs that turn or move, and a change of direction while reading.
#include "Rig.h"

namespace {

const std::string A = S("あ"), I = S("い");

const std::string kVerticalIni = "[System]\r\nVertical=1\r\nMsgSpeed=0\r\n";

// Columns of 17 (one more may hang), the pauses marked as column.from-to,
// 23 columns a page, a resume point.
TEST(Vertical, ColumnsAndPauses) {
  // clang-format off
  const std::tuple<std::string, std::int32_t, std::string, std::string> cases[] = {
      {Rep(A, 17) + S("。い"), 0, Rep(A, 17) + S("。|い"), "0.0-18 1.0-1 "},
      {Rep(A, 17) + S("。」い"), 0, Rep(A, 17) + S("。|」い"), "1.0-2 "},
      {Rep(A, 16) + S("「い」"), 0, Rep(A, 16) + S("|「い」"), "1.0-3 "},
      {S("あ\n「い」"), 0, S("あ|「い」"), "0.0-1 1.0-3 "},
      {Rep(A, 17 * 23) + I, 0, I, "22.0-17 0.0-1 "}, {Rep(A, 17 * 23) + I + I, 782, I + I, "0.0-2 "}};
  // clang-format on
  for (const auto& [text, start, lines, pauses] : cases) {
    Rig rig(kVerticalIni);
    EXPECT_EQ(rig.Run(text, start), pauses) << ToUtf8(text);
    EXPECT_EQ(std::pair(rig.Lines(), rig.R->PageStart),
              std::pair(lines, text.size() > 700 ? 782 : 0));
  }
}

// Where each class of character has its ink in its cell of column 0, from
// the font (the rig's glyph: ink over the top-left two thirds) and from font
// data (the same in every slot) alike: upright; turned a quarter clockwise
// to the top right; 。 moved half a cell right and up; small kana an eighth.
TEST(Vertical, GlyphForms) {
  for (int atlas : {0, 1}) {
    Rig rig(kVerticalIni);
    Reader& r = *rig.R;
    for (std::size_t i = 0; i < r.FontAtlas.size(); ++i)
      r.FontAtlas[i] = i % 576 < 16 * 24 && i % 24 < 16 ? 0 : 16;
    r.AtlasComplete = true;
    r.IntSettings[kFontType] = atlas;
    Bitmap seen;
    rig.P.OnPause = [&] { seen = rig.P.Window, rig.P.Press(kVkReturn, 5); };
    rig.Run(S("Ａあ「ー→。ぁッ"));
    std::vector<std::array<int, 4>> boxes(8, {24, 24, 0, 0});  // left, top, right, bottom
    for (int i = 0; i < 8 * 576; ++i)
      if (auto& b = boxes[i / 576]; seen.Pixel(608 + i % 24, 19 + i / 24) == kWhite)
        b = {std::min(b[0], i % 24), std::min(b[1], i / 24 % 24), std::max(b[2], i % 24 + 1),
             i / 24 % 24 + 1};
    // clang-format off
    EXPECT_EQ(boxes, (std::vector<std::array<int, 4>>{{0, 0, 16, 16}, {0, 0, 16, 16}, {8, 0, 24, 16},
        {8, 0, 24, 16}, {8, 0, 24, 16}, {12, 0, 24, 4}, {3, 0, 19, 13}, {3, 0, 19, 13}})) << atlas;
    // clang-format on
  }
}

// V while reading, at the end of page 1 and in page 2: the page from its
// start again in the new direction, what was seen at once (h: the window
// shows rows, v: columns; the count of glyphs revealed does not grow), its
// pause going on, the pages after as they
// fall; the look back (Space) shows page 1 in the rows it was read in, with
// V shut meanwhile.
TEST(Vertical, ChangeWhileReading) {
  Rig rig(kVerticalIni);
  Reader& r = *rig.R;
  int pauses = 0;
  std::string seen;
  auto look = [&] {
    seen += std::to_string(rig.P.GlyphTimes().size()) + ":" + std::to_string(r.PageStart) +
            rig.Lines().substr(0, 4) + (rig.P.Window.Pixel(24, 23) == kWhite ? "h" : "") +
            (rig.P.Window.Pixel(612, 23) == kWhite ? "v" : "") + (r.MVert1.Enabled ? " " : "- ");
  };
  rig.P.OnPause = [&] {
    look();
    if (++pauses == 1 || pauses == 3) return r.FormKeyDown(kVkV);
    if (pauses == 4) {
      rig.P.Press(kVkSpace, 5);
      rig.P.At(rig.P.Now + 20, [&] { look(), r.FormKeyDown(kVkV); });
      rig.P.At(rig.P.Now + 40, [&] { rig.P.Press(kVkReturn, 5); });
    }
    rig.P.At(rig.P.Now + 60, [&] { rig.P.Press(kVkReturn, 5); });
  };
  EXPECT_EQ(rig.Run(Rep(A, 17 * 23) + Rep(I, 20) + S("。う。")),
            "22.0-17 16.0-24 0.0-4 0.0-4 0.4-6 ");
  EXPECT_EQ(ToUtf8(seen),
            "391:782ああv 408:816ああh 412:816いいh 413:816いいv 413:816いいh- 415:816いいv ");
  EXPECT_TRUE(r.MVert1.Checked && r.MVert1.Enabled && r.IntSettings[kVertical] == 1);
}
}  // namespace
