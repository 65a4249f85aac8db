// The bundled sample texts, read through the real reader as the build
// turns them into Shift-JIS: the story must convert without loss, fill at
// least six pages and show the line-feed rules at work; the HTML sample
// must show its words without its tags.
#include <filesystem>
#include <fstream>
#include <iterator>

#include "TextRig.h"

namespace {

using textrig::S;
using textrig::TextRig;

std::string SampleUtf8(const std::string& name) {
  // The samples sit beside the tests in the source tree.
  const auto path = std::filesystem::path(__FILE__).parent_path() / "../../samples" / name;
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << path;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Converted as the build converts it; the way back must give the same text.
std::string SampleSjis(const std::string& name) {
  const std::string utf8 = SampleUtf8(name);
  std::string sjis, back;
  EXPECT_TRUE(Utf8ToSjis(utf8, sjis)) << name << " has a character with no Shift-JIS form";
  EXPECT_TRUE(SjisToUtf8(sjis, back));
  EXPECT_EQ(back, utf8);
  return sjis;
}

// Reads a text to its end, Enter at every pause, and keeps every page as it
// stood when it was turned (the line strings, in UTF-8).
struct Reading {
  std::vector<std::vector<std::string>> Pages;
  int Turns = 0;
  int Pauses = 0;

  std::vector<std::string> Lines() const {
    std::vector<std::string> all;
    for (const auto& page : Pages) all.insert(all.end(), page.begin(), page.end());
    return all;
  }
  std::string All() const {
    std::string s;
    for (const std::string& l : Lines()) s += l;
    return s;
  }
};

Reading Read(const std::string& sjis, int tagCut = 1) {
  TextRig rig;
  rig.R->IntSettings[kTagCut] = tagCut;
  Reading out;
  auto keep = [&](const std::array<std::string, 17>& lines) {
    std::vector<std::string> page;
    for (const std::string& l : lines) page.push_back(ToUtf8(l));
    out.Pages.push_back(page);
  };
  std::int32_t start = 0;
  rig.EachPump = [&] {
    if (rig.R->PageStart == start) return;
    start = rig.R->PageStart;
    ++out.Turns;
    // PageStart moves on before the page-end pause. When that pause
    // happened, the full page is still up (on its last line); when there
    // was nothing to pause for, the page was turned without a pump and is
    // now the previous page.
    const bool stillUp = rig.R->Row == 16 && !rig.R->PageLines[16].empty();
    keep(stillUp ? rig.R->PageLines : rig.R->PrevPageLines);
  };
  rig.Run(sjis);
  keep(rig.R->PageLines);
  out.Pauses = static_cast<int>(rig.Pauses.size());
  EXPECT_EQ(rig.R->Mode, -1) << "the run did not come back to the cover";
  return out;
}

int Cells(const std::string& utf8Line) { return static_cast<int>(S(utf8Line).size() / 2); }

bool StartsWithAny(const std::string& line, std::initializer_list<const char*> prefixes) {
  for (const char* p : prefixes)
    if (line.rfind(p, 0) == 0) return true;
  return false;
}

TEST(SampleTexts, StoryFillsSixPagesAndKeepsOnlyParagraphBreaks) {
  const Reading r = Read(SampleSjis("story.utf8.txt"));
  // Six full pages of 17 lines turned, and something after them.
  EXPECT_GE(r.Turns, 6);
  for (int p = 0; p < r.Turns; ++p) {
    int used = 0;
    for (const std::string& l : r.Pages[p]) used += !l.empty();
    EXPECT_GE(used, 15) << "page " << p + 1;
  }
  EXPECT_GT(r.Pauses, 100);  // wait characters and honoured breaks

  // A line ends short only where the text honoured a line break: before a
  // paragraph (ideographic space), a line of dialogue or a blank line. A
  // sentence wrapped in the file runs on.
  const std::vector<std::string> lines = r.Lines();
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
    if (lines[i].empty() || Cells(lines[i]) >= 23) continue;
    const std::string& next = lines[i + 1];
    EXPECT_TRUE(next.empty() || StartsWithAny(next, {"　", "「"}))
        << "line " << i << " ends short: " << lines[i] << "\nnext: " << next;
  }

  const std::string all = r.All();
  EXPECT_NE(all.find("その隅に誰かが鉛筆で"), std::string::npos);  // wrapped in the file
  // Half-width passages come out full-width, spaces as ideographic spaces,
  // voiced marks on their own.
  EXPECT_NE(all.find("ＦＭ　７９．５"), std::string::npos);
  EXPECT_NE(all.find("Ｎｏ．２８"), std::string::npos);
  bool telegram = false;
  for (const std::string& l : lines) telegram |= l == "「ツキカ゛　マルクナッタラ　カエル」";
  EXPECT_TRUE(telegram) << "the half-width katakana line is not a line of its own";
  std::string last;
  for (const std::string& l : lines)
    if (!l.empty()) last = l;
  EXPECT_EQ(last, "　　　　　　　　　　　　　　　　　　　　　おわり");  // right-aligned, 24 cells
}

TEST(SampleTexts, HtmlShowsTextWithoutTags) {
  const std::string sjis = SampleSjis("sample.utf8.html");
  const Reading cut = Read(sjis);
  const std::string all = cut.All();
  EXPECT_EQ(all.find("＜"), std::string::npos);
  EXPECT_EQ(all.find("＞"), std::string::npos);
  EXPECT_NE(all.find("窓辺の覚え書き"), std::string::npos);  // the title's text stays
  EXPECT_NE(all.find("Ｌｏｏｋ　ｕｐ　ｆｉｒｓｔ．"), std::string::npos);
  // Each <br> line that opens with an ideographic space keeps its break.
  int names = 0;
  for (const std::string& l : cut.Lines())
    names +=
        StartsWithAny(l, {"　十五夜", "　十六夜", "　立待月", "　居待月", "　寝待月", "　更待月"});
  EXPECT_EQ(names, 6);

  // Without TagCut the markup is text like any other.
  EXPECT_NE(Read(sjis, 0).All().find("＜ｐ＞"), std::string::npos);
}

}  // namespace
