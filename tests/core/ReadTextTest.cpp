#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "TextRig.h"
#include "text/TextWalk.h"

namespace {

using textrig::P;
using textrig::Repeat;
using textrig::S;
using textrig::TextRig;

struct Tables {
  std::uint8_t Ascii[190], Kana[128];
  Tables() {
    std::memcpy(Ascii, sjis::kAsciiToFullLiteral, sizeof Ascii);
    std::memcpy(Kana, sjis::kKanaToFullLiteral, sizeof Kana);
  }
};

struct RowCase {
  std::uint8_t Byte;
  std::uint16_t Code;
};

// The telling rows of the two conversion tables, by their codes.
TEST(ConvertChar, TellingRows) {
  const RowCase rows[] = {
      {0x20, 0x8140}, {0x22, 0x8168}, {0x27, 0x8166}, {0x2D, 0x817C}, {0x5C, 0x818F},
      {0x60, 0x8165}, {0x7E, 0x8150}, {0xA0, 0x8145}, {0xA5, 0x8145}, {0xB0, 0x815B},
      {0xB1, 0x8341}, {0xDE, 0x814A}, {0xDF, 0x814B}, {0x41, 0x8260}, {0x7A, 0x829A},
  };
  Tables t;
  for (const RowCase& row : rows) {
    const std::uint8_t in[2] = {row.Byte, 0x41};
    std::uint8_t out[2] = {0xEE, 0xEE};
    EXPECT_EQ(ConvertChar(in, t.Ascii, t.Kana, out), 1) << int(row.Byte);
    EXPECT_EQ(out[0] << 8 | out[1], row.Code) << std::hex << int(row.Byte);
  }
}

TEST(ConvertChar, ByteClasses) {
  Tables t;
  for (int b = 0; b < 256; ++b) {
    std::uint8_t out[2] = {0xEE, 0xEE};
    const std::uint8_t in[2] = {std::uint8_t(b), 0x9F};
    const int n = ConvertChar(in, t.Ascii, t.Kana, out);
    const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xEF);
    const bool produced = b == 0x0A || (b >= 0x20 && b <= 0x7E) || (b >= 0xA0 && b <= 0xDF) || lead;
    EXPECT_EQ(out[0] != 0, produced) << b;
    EXPECT_EQ(n, lead ? 2 : 1) << b;
    if (lead) {
      EXPECT_TRUE(out[0] == b && out[1] == 0x9F) << b;
    }
    if (b == 0x0A) {
      EXPECT_EQ(out[0], kLineBreakMarker);
    }
  }
}

// The tag state is followed even while tags are shown, so switching tag
// removal on inside a tag drops the rest of that tag and nothing after it.
TEST(TextWalker, TagStateFollowedWhileTagsShown) {
  Tables t;
  const std::string text = "<b>x<i y>z";
  TextWalker w(reinterpret_cast<const std::uint8_t*>(text.c_str()), std::int64_t(text.size()),
               t.Ascii, t.Kana);
  std::int64_t pos = 0;
  std::uint8_t code[2];
  auto next = [&](bool tagCut) {
    if (!w.Next(pos, tagCut, code)) return std::string();
    ++pos;
    return std::string(reinterpret_cast<char*>(code), 2);
  };
  std::string shown = next(false);
  shown += next(false);
  shown += next(false);
  EXPECT_EQ(shown, S("＜ｂ＞"));
  EXPECT_FALSE(w.InTag());
  EXPECT_EQ(next(true), S("ｘ"));
  EXPECT_EQ(next(false), S("＜"));
  EXPECT_TRUE(w.InTag());
  EXPECT_EQ(next(true), S("ｚ"));
  EXPECT_FALSE(w.InTag());
  EXPECT_EQ(next(true), "");
  EXPECT_EQ(code[0], 0);
}

struct TextCase {
  const char* Name;
  std::string Bytes;
  bool TagCut;
  std::string Lines;  // Shift-JIS, lines joined by "|"
};

class Conversion : public testing::TestWithParam<TextCase> {};

// Every line feed is a line break here, so the lines show where they fell.
TEST_P(Conversion, PageLines) {
  TextRig rig;
  rig.R->IntSettings[kNLineCut] = 0;
  rig.R->IntSettings[kTagCut] = GetParam().TagCut;
  rig.Run(GetParam().Bytes);
  EXPECT_EQ(rig.Lines(), GetParam().Lines);
}

INSTANTIATE_TEST_SUITE_P(
    ReadText, Conversion,
    testing::Values(
        TextCase{"ALf", "A\nB", true, S("Ａ|Ｂ")}, TextCase{"CrLf", "A\r\nB", true, S("Ａ|Ｂ")},
        TextCase{"LoneCr", "A\rB", true, S("ＡＢ")}, TextCase{"OneSpace", "a b", true, S("ａ　ｂ")},
        TextCase{"TwoSpaces", "a  b", true, S("ａ　ｂ")},
        TextCase{"ThreeSpaces", "a   b", true, S("ａ　　ｂ")},
        TextCase{"FourSpaces", "a    b", true, S("ａ　　ｂ")},
        TextCase{"TagDropped", "a<br>b", true, S("ａｂ")},
        TextCase{"TagAcrossLineFeed", "a<p\nclass=x>b", true, S("ａｂ")},
        TextCase{"LoneClose", "a>b", true, S("ａ＞ｂ")},
        TextCase{"UnclosedTagDropsRest", "a<b\nc", true, S("ａ")},
        TextCase{"TagShown", "<b>", false, S("＜ｂ＞")},
        TextCase{"TagShownAcrossLineFeed", "<p\n>", false, S("＜ｐ|＞")},
        TextCase{"KanaAndVoicedMark", "\xB6\xDE", true, S("カ゛")},
        TextCase{"A0", "\xA0", true, S("・")}, TextCase{"F0Dropped", "\xF0\x41", true, S("Ａ")},
        TextCase{"ControlsDropped",
                 "\x7F\x80\x09\x1F\xFF"
                 "A",
                 true, S("Ａ")},
        TextCase{"DoubleByte", "\x88\x9F\x82\xA0", true, S("亜あ")},
        TextCase{"BadTrailPasses", std::string("\x81\x20x", 3), true,
                 std::string("\x81\x20") + S("ｘ")},
        TextCase{"LeadAtEnd", "a\x82", true, S("ａ") + std::string("\x82\0", 2)}),
    [](const testing::TestParamInfo<TextCase>& info) { return std::string(info.param.Name); });

TEST(ReadText, StartInsideText) {
  TextRig rig;
  rig.Run(S("あいう"), 2);
  EXPECT_EQ(rig.Lines(), S("いう"));
  EXPECT_EQ(rig.R->PageStart, 2);
}

// Only the final line break is composed, and with nothing shown it does not
// pause; the reading screen comes and goes.
TEST(ReadText, StartAtOrPastEnd) {
  for (std::int32_t start : {6, 7, 1000}) {
    TextRig rig;
    rig.Run(S("あいう"), start);
    EXPECT_EQ(rig.Lines(), "");
    EXPECT_TRUE(rig.Pauses.empty());
    EXPECT_EQ(rig.GlyphCopies(), 0);
    EXPECT_EQ(rig.R->Mode, -1);
    EXPECT_EQ(rig.R->PageStart, start);
    EXPECT_EQ(rig.R->Row, 0);
  }
}

// A negative index can only come from an edited settings file; it reads
// from the top instead of before the buffer.
TEST(ReadText, NegativeStartReadsFromTop) {
  TextRig rig;
  rig.Run(S("あい"), -4);
  EXPECT_EQ(rig.Lines(), S("あい"));
  EXPECT_EQ(rig.R->PageStart, 0);
}

TEST(ReadText, EmptyFileWarns) {
  TextRig rig;
  rig.R->TextLength = 77;
  rig.R->GlyphFont.Color = kGrey;
  const int menuChanges = rig.Platform.MenuChanges;
  rig.Run("");
  ASSERT_EQ(rig.Platform.Boxes.size(), 1u);
  EXPECT_EQ(rig.Platform.Boxes[0].Kind, BoxKind::Warning);
  EXPECT_EQ(rig.Platform.Boxes[0].Text, sjis::kMsgEmptyFile);
  EXPECT_EQ(rig.Platform.Boxes[0].Caption, sjis::kWarningTitle);
  EXPECT_EQ(rig.Platform.Beeps, 1);
  EXPECT_EQ(rig.R->TextLength, 0);
  EXPECT_EQ(rig.R->GlyphFont.Color, kWhite);
  EXPECT_EQ(rig.R->Mode, -1);
  EXPECT_EQ(rig.Platform.MenuChanges, menuChanges);
}

// A file that cannot be read (or is too large for 32-bit positions) is
// refused with a warning; no run starts and the length stays.
TEST(ReadText, UnreadableFileWarns) {
  TextRig rig;
  std::vector<std::string> paths = {rig.Dir.Path(), rig.Dir.File("gone.txt")};

  // A sparse file of exactly 2 GiB takes no room on disk.
  const std::string big = rig.Dir.File("big.txt");
  int fd = open(big.c_str(), O_CREAT | O_WRONLY, 0644);
  ASSERT_GE(fd, 0);
  if (ftruncate(fd, off_t(1) << 31) == 0) paths.push_back(big);
  close(fd);

  if (geteuid() != 0) {
    rig.Dir.Write("locked.txt", "abc");
    chmod(rig.Dir.File("locked.txt").c_str(), 0);
    paths.push_back(rig.Dir.File("locked.txt"));
  }

  for (const std::string& path : paths) {
    rig.Platform.Boxes.clear();
    rig.R->TextLength = 5;
    rig.R->StrSettings[kText] = path;
    rig.R->ReadText(0);
    ASSERT_EQ(rig.Platform.Boxes.size(), 1u) << path;
    EXPECT_EQ(rig.Platform.Boxes[0].Text, sjis::kMsgCannotRead) << path;
    EXPECT_EQ(rig.R->TextLength, 5) << path;
    EXPECT_EQ(rig.R->Mode, -1) << path;
  }
}

// While a character is composed, CharEnd lies just after it.
TEST(ReadText, CharEndWhileComposing) {
  TextRig rig;
  rig.R->IntSettings[kNLineCut] = 0;
  rig.R->IntSettings[kMsgSpeed] = 1;
  std::vector<std::int32_t> ends;
  std::size_t shown = 0;
  rig.EachPump = [&] {
    std::size_t total = 0;
    for (const std::string& l : rig.R->PageLines) total += l.size();
    if (total != shown) {
      shown = total;
      ends.push_back(rig.R->CharEnd);
    }
  };
  rig.Run(S("あ") + "x\r\n" + S("い"));
  EXPECT_EQ(rig.R->TextLength, 7);
  EXPECT_EQ(ends, (std::vector<std::int32_t>{2, 3, 7}));
}

TEST(ReadText, FromResumedPageStartsFresh) {
  TextRig rig;
  const std::string text = Repeat(S("あ"), 17 * 24) + S("いう");
  rig.Run(text, 816);
  EXPECT_EQ(rig.Lines(), S("いう"));
  EXPECT_EQ(rig.Pauses, (std::vector<textrig::Pause>{P(0, 0, 2)}));
  EXPECT_EQ(rig.R->PageStart, 816);
}

// Reading to the end leaves the resume record as it was and shows the title.
TEST(ReadText, EndOfTextKeepsResumeRecord) {
  TextRig rig;
  rig.R->Records[0] = {"/elsewhere/b.txt", 12, 400};
  rig.Run(S("あ。い"));
  EXPECT_EQ(rig.R->Records[0].Text, "/elsewhere/b.txt");
  EXPECT_EQ(rig.R->Records[0].Index, 12);
  EXPECT_EQ(rig.R->Records[0].Length, 400);
  EXPECT_EQ(rig.R->Mode, -1);
  EXPECT_EQ(rig.Pauses, (std::vector<textrig::Pause>{P(0, 0, 2), P(0, 2, 3)}));
}

// Leaving in the middle of a line: the run ends once the character being
// composed is done and keeps the page's start.
TEST(ReadText, BackToTitleMidPage) {
  TextRig rig;
  rig.R->IntSettings[kMsgSpeed] = 10;
  const std::string text = Repeat(S("あ"), 17 * 24) + Repeat(S("い"), 30);
  rig.OnPause = [&](const textrig::Pause&) { rig.Press(kVkReturn, 5); };
  bool sent = false;
  rig.EachPump = [&] {
    if (!sent && rig.R->PageStart == 816 && rig.R->Row == 0 && rig.R->Column == 5) {
      sent = true;
      rig.R->MTitle1Click();
    }
  };
  const std::string path = rig.Use(text);
  rig.R->ReadText(0);
  EXPECT_EQ(rig.Lines(), Repeat(S("い"), 5));
  EXPECT_EQ(rig.R->Records[0].Text, path);
  EXPECT_EQ(rig.R->Records[0].Index, 816);
  EXPECT_EQ(rig.R->Records[0].Length, 816 + 60);
  EXPECT_EQ(rig.R->Mode, -1);
  EXPECT_FALSE(rig.R->MTitle1.Enabled);
}

// During the pause at the end of a full page the next page's start is
// already stored: a reader who leaves then resumes on the next page.
TEST(ReadText, LeavingDuringPageEndPause) {
  for (bool close : {false, true}) {
    TextRig rig;
    const std::string text = Repeat(S("あ"), 17 * 24) + S("いう");
    rig.OnPause = [&](const textrig::Pause& p) {
      if (p.Row == 16) {
        if (close)
          rig.R->MExit1Click();
        else
          rig.R->MTitle1Click();
      }
    };
    const std::string path = rig.Use(text);
    rig.R->ReadText(0);
    ASSERT_EQ(rig.Pauses.size(), 1u);
    EXPECT_EQ(rig.Pauses[0], P(16, 0, 24));
    EXPECT_EQ(rig.Pauses[0].PageStart, 816);
    EXPECT_EQ(rig.R->Records[0].Text, path);
    EXPECT_EQ(rig.R->Records[0].Index, 816);
    EXPECT_EQ(rig.R->Records[0].Length, 820);
    // The page was not cleared.
    EXPECT_EQ(rig.R->PageLines[16], Repeat(S("あ"), 24));
    EXPECT_EQ(rig.R->Mode, close ? 4 : -1);
  }
}

// Closing: the resume record is stored, nothing more is drawn and the
// underline is left as it is (the window is going).
TEST(ReadText, ClosingDuringPause) {
  TextRig rig;
  const std::string path = rig.Use(S("あい。うえお"));
  std::size_t copiesAtClose = 0;
  rig.OnPause = [&](const textrig::Pause&) {
    rig.R->FormClose();
    copiesAtClose = rig.Platform.Copies.size();
  };
  rig.R->ReadText(0);
  EXPECT_TRUE(rig.R->Closing);
  EXPECT_EQ(rig.R->Records[0].Text, path);
  EXPECT_EQ(rig.R->Records[0].Index, 0);
  EXPECT_EQ(rig.R->Records[0].Length, 12);
  EXPECT_EQ(rig.R->Mode, 4);
  EXPECT_EQ(rig.Platform.Copies.size(), copiesAtClose);
  EXPECT_EQ(rig.Lines(), S("あい。"));
}

TEST(ReadText, ClosingDuringRevealDelay) {
  TextRig rig;
  rig.R->IntSettings[kMsgSpeed] = 50;
  rig.Use(S("あいうえお"));
  rig.EachPump = [&] {
    if (rig.R->Column == 2 && !rig.R->Closing) rig.R->Closing = true;
  };
  const long long pumps = rig.Platform.Pumps;
  rig.R->ReadText(0);
  EXPECT_EQ(rig.Lines(), S("あい"));
  EXPECT_EQ(rig.R->Records[0].Index, 0);
  // The delay of "い" ends at once: 50 pumps for "あ", then one.
  EXPECT_LT(rig.Platform.Pumps - pumps, 60);
}

}  // namespace
