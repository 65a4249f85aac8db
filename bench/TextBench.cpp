// Text engine speed. "SkipThrough" reads a generated Shift-JIS novel of over
// 5 MB in skip mode from the first byte to the title screen, with glyphs from
// the atlas (FontType 1) or from a font through a trivial rasteriser
// (FontType 0), on a platform whose window copies do nothing: it measures
// the walk, the composer and the glyph drawing per character shown; the
// Aozora one reads the same novel written in Aozora Bunko notation. "Walk"
// measures the byte walk and conversion alone, per character produced.
// "Vertical" reads them in vertical columns, "Ruby" the Aozora one with its
// ruby set beside the base, in rows and in columns. "OpenLarge" measures a
// 100 MB text, Shift-JIS or UTF-8 (one with a tenth of its characters beyond
// Shift-JIS too), to its first character, also from a start past its end
// (its last page); "OpenZip" a 10 MB one in a ZIP; "OpenScriptPage"
// a 4 MiB web page that is nearly all script. "OpenNotation"
// walks one line of 4 MiB of notation left open (［＃ and 《 with no ］ or 》,
// or ｜ before them, or kanji before them), to its first character and to
// its end, with ruby dropped or set beside its base.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <zip.h>

#include <climits>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/Sjis.h"
#include "reader/Reader.h"
#include "text/SjisTexts.h"
#include "text/TextWalk.h"
#include "text/WordList.h"

namespace {

// Only what a reading run needs: a clock that moves on at every reading (so
// the wipes finish), skip mode switched on at every pump (a run clears it
// when it starts), and a count of the glyph cells copied to the window.
class BenchPlatform : public PlatformHooks {
 public:
  Reader* Owner = nullptr;
  long long Glyphs = 0;

  void ProcessMessages() override {
    if (Owner) Owner->Skipping = true;
  }
  std::uint32_t GetTickCount() override { return now_++; }
  void CopyToWindow(const Bitmap&, int, int, int w, int h, int, int) override {
    if (w == h && (w == 24 || w == 25)) ++Glyphs;
  }
  BoxResult MessageBox(BoxKind, const std::string&, const std::string&) override {
    return BoxResult::Ok;
  }
  bool RasterizeGlyph(std::uint8_t lead, std::uint8_t trail, const std::string&, bool,
                      int cellHeight, GlyphMask& out) override {
    // A block whose size depends on the code, so glyphs differ.
    out.Width = out.Height = cellHeight;
    out.Alpha.assign(std::size_t(cellHeight) * cellHeight, 0);
    const int size = cellHeight / 2 + (lead ^ trail) % (cellHeight / 3);
    for (int y = 4; y < size; ++y)
      for (int x = 4; x < size; ++x) out.Alpha[std::size_t(y) * cellHeight + x] = 255;
    return true;
  }

 private:
  std::uint32_t now_ = 0;
};

// A deterministic novel: sentences of kana and kanji with commas and stops,
// quotations, a little ASCII and half-width katakana, single line feeds
// inside paragraphs and blank lines between them. With aozora the same
// novel carries Aozora Bunko notation (the explanatory block, ruby with and
// without ｜, a note after some paragraphs) that leaves what is shown as it
// was; minBytes counts the text without it.
std::string MakeNovel(std::size_t minBytes, bool aozora = false) {
  const char* pieces[] = {"今日",   "は", "朝",        "から", "雨",   "が",     "降って", "いた",
                          "。",     "私", "は",        "傘",   "を",   "持って", "駅",     "まで",
                          "歩いた", "、", "どこか",    "遠く", "で",   "電車",   "の",     "音",
                          "がする", "。", "窓",        "の",   "外",   "を",     "眺めて", "いる",
                          "！",     "？", "Pagelune ", "2002", "ｶﾀｶﾅ", "ﾃﾞｰﾀ",   "　"};
  std::vector<std::string> sjisPieces;
  for (const char* p : pieces) sjisPieces.push_back(ToSjis(p));
  const std::string open = ToSjis("「"), close = ToSjis("」。");

  // Ruby after some pieces, and a ｜ before one where its base begins.
  std::vector<std::string> before(std::size(pieces)), after(std::size(pieces));
  const char* ruby[][3] = {
      {"今日", "", "《きょう》"}, {"駅", "", "《えき》"}, {"電車", "｜", "《でんしゃ》"}};
  for (std::size_t k = 0; k < std::size(pieces) && aozora; ++k)
    for (const auto& r : ruby)
      if (std::string(pieces[k]) == r[0]) {
        before[k] = ToSjis(r[1]);
        after[k] = ToSjis(r[2]);
      }
  const std::string block = ToSjis(
      "-------------------------------------------------------\r\n"
      "【テキスト中に現れる記号について】\r\n\r\n《》：ルビ\r\n（例）駅《えき》\r\n\r\n"
      "［＃］：入力者注\r\n（例）［＃「雨」に傍点］\r\n"
      "-------------------------------------------------------\r\n");
  const std::string note = ToSjis("［＃「雨」に傍点］");

  std::string text;
  text.reserve(minBytes * 5 / 4 + 4096);
  if (aozora) text += block;
  std::size_t plainBytes = 0;
  std::uint32_t seed = 12345;
  auto next = [&seed](std::uint32_t n) {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) % n;
  };
  auto add = [&](const std::string& s) {
    text += s;
    plainBytes += s.size();
  };
  while (plainBytes < minBytes) {
    // A paragraph of a few lines.
    const int lines = 1 + int(next(5));
    if (next(4) == 0) add(open);
    for (int l = 0; l < lines; ++l) {
      const int words = 8 + int(next(12));
      for (int w = 0; w < words; ++w) {
        const std::size_t k = next(std::size(pieces));
        text += before[k];
        add(sjisPieces[k]);
        text += after[k];
      }
      if (aozora && l == lines - 1) text += note;
      add("\r\n");
    }
    if (next(4) == 0) add(close + "\r\n");
    add("\r\n");
  }
  return text;
}

// A folder of its own as the current directory, so the reader finds no
// settings file but its defaults; the novel is written there.
class NovelFolder {
 public:
  explicit NovelFolder(std::size_t minBytes) : NovelFolder(MakeNovel(minBytes)) {}
  explicit NovelFolder(std::string text) {
    char buf[PATH_MAX];
    old_ = getcwd(buf, sizeof buf) ? buf : "/";
    std::string tmpl = (std::filesystem::temp_directory_path() / "pagelune-bench-XXXXXX").string();
    dir_ = mkdtemp(tmpl.data());
    if (chdir(dir_.c_str()) != 0) std::abort();
    Text = std::move(text);
    Path = dir_ + "/novel.txt";
    std::ofstream(Path, std::ios::binary) << Text;
  }
  ~NovelFolder() {
    if (chdir(old_.c_str()) != 0) std::abort();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  std::string Text, Path;

 private:
  std::string old_, dir_;
};

void SkipThrough(benchmark::State& state, int fontType, std::size_t bytes, bool aozora = false,
                 bool vertical = false, int ruby = 0) {
  NovelFolder folder(MakeNovel(bytes, aozora));
  BenchPlatform platform;
  auto reader = std::make_unique<Reader>(&platform);
  reader->FormCreate();
  platform.Owner = reader.get();
  reader->StrSettings[kText] = ToSjis(folder.Path);
  reader->IntSettings[kFontType] = fontType;
  reader->AtlasComplete = true;  // all zero: solid blocks, as many blends as any glyph
  reader->IntSettings[kMsgSpeed] = 15;
  reader->IntSettings[kVertical] = vertical ? 1 : 0;
  reader->IntSettings[kRuby] = ruby;
  long long glyphs = 0;
  for (auto _ : state) {
    platform.Glyphs = 0;
    reader->ReadText(0);
    glyphs += platform.Glyphs;
  }
  state.SetItemsProcessed(glyphs);
  state.counters["chars"] = benchmark::Counter(double(glyphs) / double(state.iterations()));
  state.counters["chars/s"] = benchmark::Counter(double(glyphs), benchmark::Counter::kIsRate);
  state.counters["ns/char"] = benchmark::Counter(
      double(glyphs) * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.SetLabel(std::to_string(folder.Text.size()) + " bytes; per character shown");
}

void BM_SkipThroughAtlas(benchmark::State& state) { SkipThrough(state, 1, 5u << 20); }
void BM_SkipThroughFont(benchmark::State& state) { SkipThrough(state, 0, 512u << 10); }
// The novel of BM_SkipThroughAtlas in Aozora Bunko notation: the same
// characters shown, through the notation filter.
void BM_SkipThroughAozora(benchmark::State& state) { SkipThrough(state, 1, 5u << 20, true); }
// The same novels in vertical columns: punctuation, brackets and small kana
// turned or moved, through the caches of transformed glyphs.
void BM_SkipThroughVertical(benchmark::State& state) {
  SkipThrough(state, 1, 5u << 20, false, true);
}
void BM_SkipThroughFontVertical(benchmark::State& state) {
  SkipThrough(state, 0, 512u << 10, false, true);
}
// The Aozora novel with its ruby beside the base (chars counts base
// characters shown, its ruby drawn besides), in rows and in columns.
void BM_SkipThroughRuby(benchmark::State& state) {
  SkipThrough(state, 1, 5u << 20, true, false, 2);
}
void BM_SkipThroughRubyVertical(benchmark::State& state) {
  SkipThrough(state, 1, 5u << 20, true, true, 2);
}

// From the start of a run on a 100 MB text to its first character on the
// window: the whole-file read, the run's preparation and the composed
// reading screen (the wipe runs on a clock that does not wait).
class FirstCharPlatform : public BenchPlatform {
 public:
  void CopyToWindow(const Bitmap& b, int sx, int sy, int w, int h, int dx, int dy) override {
    BenchPlatform::CopyToWindow(b, sx, sy, w, h, dx, dy);
    if (Glyphs > 0 && Owner) Owner->Closing = true;  // the first glyph ends the run
  }
  void ProcessMessages() override {}
};

// Runs from start to the first character of the text at path, timed.
void TimeFirstCharacter(benchmark::State& state, const std::string& path, std::int32_t start) {
  FirstCharPlatform platform;
  auto reader = std::make_unique<Reader>(&platform);
  reader->FormCreate();
  platform.Owner = reader.get();
  reader->StrSettings[kText] = ToSjis(path);
  reader->IntSettings[kFontType] = 1;
  reader->AtlasComplete = true;
  for (auto _ : state) {
    platform.Glyphs = 0;
    reader->Closing = false;
    reader->ReadText(start);
    if (platform.Glyphs != 1) state.SkipWithError("the first character was not shown");
  }
}
void OpenText(benchmark::State& state, std::string text, std::int32_t start = 0) {
  NovelFolder folder(std::move(text));
  TimeFirstCharacter(state, folder.Path, start);
  state.SetLabel(std::to_string(folder.Text.size()) +
                 " bytes; time = start of a run to its first character");
}
void OpenLargeText(benchmark::State& state, bool utf8, std::int32_t start = 0) {
  // A UTF-8 novel of 100 MB is converted to Shift-JIS before it is walked.
  OpenText(state, utf8 ? ToUtf8(MakeNovel(72u << 20)).substr(0, 100u << 20) : MakeNovel(100u << 20),
           start);
}
void BM_OpenLargeText(benchmark::State& state) { OpenLargeText(state, false); }
void BM_OpenLargeUtf8Text(benchmark::State& state) { OpenLargeText(state, true); }
// The same UTF-8 novel with every tenth character one Shift-JIS lacks,
// 3,000 of them in turn (so the last 1,120 show 〓): each is given its code
// as the text is converted.
void BM_OpenLargeUtf8Beyond(benchmark::State& state) {
  const std::string novel = ToUtf8(MakeNovel(64u << 20));
  std::string text;
  text.reserve(101u << 20);
  std::size_t chars = 0, beyond = 0;
  for (std::size_t i = 0; i < novel.size() && text.size() < (100u << 20); ++chars) {
    if (chars % 10 == 9) {
      const char32_t c = 0x20000 + beyond++ % 3000;  // CJK Extension B
      text += {char(0xF0), char(0x80 | (c >> 12 & 0x3F)), char(0x80 | (c >> 6 & 0x3F)),
               char(0x80 | (c & 0x3F))};
      continue;
    }
    const std::size_t n = (novel[i] & 0x80) == 0 ? 1 : (novel[i] & 0xE0) == 0xC0 ? 2 : 3;
    text.append(novel, i, n);
    i += n;
  }
  OpenText(state, text);
}
// A start in the middle is first taken back to where its character, tag or
// note begins; a start past the end reads the last page: the whole text is
// laid out first, by the composer drawing and waiting for nothing.
void BM_OpenLargeTextMiddle(benchmark::State& state) { OpenLargeText(state, false, 50 << 20); }
void BM_OpenLargeTextPastEnd(benchmark::State& state) { OpenLargeText(state, false, INT32_MAX); }

// A saved web page of 4 MiB that is nearly all one script in its head (with
// "<", "&", quotes and comments of its own) before its title, UTF-8 with its
// charset named after the script, as a site's page may be; to its first
// character (the title's), from
// the top or (range 1) from a start inside the script, which takes the
// walk back to the script's start.
void BM_OpenScriptPage(benchmark::State& state) {
  std::string script;
  for (int i = 0; script.size() < (4u << 20); ++i)
    script += "  if (a < " + std::to_string(i) + " && b > 0) { s += \"<p>&amp;</p>\"; } // \"\n";
  const std::string page = "<!DOCTYPE html>\n<html><head><script>\n" + script +
                           "</script>\n<meta charset=\"utf-8\">\n<title>題</title>\n" +
                           "</head><body><p>" + ToUtf8(MakeNovel(4096)) + "</p></body></html>\n";
  OpenText(state, page, state.range(0) ? 2 << 20 : 0);
}
BENCHMARK(BM_OpenScriptPage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_OpenLargeText)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_OpenLargeUtf8Text)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_OpenLargeUtf8Beyond)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_OpenLargeTextMiddle)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_OpenLargeTextPastEnd)->Unit(benchmark::kMillisecond)->Iterations(5);

// A ZIP holding a 10 MB Shift-JIS novel, as Aozora Bunko hands works out:
// the archive read, the member unpacked in memory, then the run as above.
void BM_OpenZip(benchmark::State& state) {
  NovelFolder folder(10u << 20);
  const std::string path = folder.Path + ".zip";
  zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, nullptr);
  zip_source_t* member =
      z ? zip_source_buffer(z, folder.Text.data(), folder.Text.size(), 0) : nullptr;
  if (!member || zip_file_add(z, "novel.txt", member, 0) < 0 || zip_close(z) != 0)
    return state.SkipWithError("the ZIP could not be written");
  TimeFirstCharacter(state, path, 0);
  state.SetLabel(std::to_string(folder.Text.size()) + " bytes in a ZIP of " +
                 std::to_string(std::filesystem::file_size(path)) +
                 "; time = start of a run to its first character");
}
BENCHMARK(BM_OpenZip)->Unit(benchmark::kMillisecond)->Iterations(10);

void Walk(benchmark::State& state, bool aozora) {
  const std::string text = MakeNovel(5u << 20, aozora);
  std::vector<std::uint8_t> buf(text.begin(), text.end());
  buf.push_back(0);
  std::uint8_t ascii[190], kana[128];
  std::copy_n(sjis::kAsciiToFullLiteral, 190, ascii);
  std::copy_n(sjis::kKanaToFullLiteral, 128, kana);
  const std::string waitWord = sjis::kDefaultWaitWord;
  long long chars = 0;
  for (auto _ : state) {
    TextWalker walker(buf.data(), std::int64_t(text.size()), ascii, kana);
    const bool used = aozora && UsesAozoraNotation(buf.data(), std::int64_t(text.size()));
    walker.Aozora.Use = used ? Notation::On : Notation::Off;
    std::int64_t pos = 0;
    std::uint8_t code[2];
    while (walker.Next(pos, true, code)) {
      // The composer's list tests of each character, for a fair per-character cost.
      benchmark::DoNotOptimize(InWordList(waitWord, code));
      ++chars;
      ++pos;
    }
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
  state.counters["chars/s"] = benchmark::Counter(double(chars), benchmark::Counter::kIsRate);
  state.SetLabel("per character produced");
}
void BM_Walk(benchmark::State& state) { Walk(state, false); }
// The same characters from the novel in Aozora Bunko notation.
void BM_WalkAozora(benchmark::State& state) { Walk(state, true); }

// One line of 4 MiB of notation never closed, walked with the notation
// left to the text (its check included: one closed note elsewhere makes it
// apply) or always on; to the first character, or through the whole line.
void BM_OpenNotation(benchmark::State& state) {
  const char* units[] = {"［＃《", "｜《［＃｜", "本《｜日月《"};
  const std::string unit = ToSjis(units[state.range(0)]);
  std::string text;
  while (text.size() < (4u << 20)) text += unit;
  if (state.range(1) == 1) text += ToSjis("\n［＃注］");
  std::vector<std::uint8_t> buf(text.begin(), text.end());
  buf.push_back(0);
  std::uint8_t ascii[190], kana[128];
  std::copy_n(sjis::kAsciiToFullLiteral, 190, ascii);
  std::copy_n(sjis::kKanaToFullLiteral, 128, kana);
  const bool whole = state.range(2) == 1;
  long long chars = 0;
  for (auto _ : state) {
    TextWalker walker(buf.data(), std::int64_t(text.size()), ascii, kana);
    const bool used =
        state.range(1) == 2 || UsesAozoraNotation(buf.data(), std::int64_t(text.size()));
    walker.Aozora.Use = used ? Notation::On : Notation::Off;
    walker.Ruby = int(state.range(3));
    std::int64_t pos = 0;
    std::uint8_t code[2];
    while (walker.Next(pos, true, code)) {
      ++chars;
      ++pos;
      if (!whole) break;
    }
  }
  state.counters["chars"] = benchmark::Counter(double(chars) / double(state.iterations()));
  state.SetLabel(std::string(whole ? "the whole line" : "to the first character") +
                 (state.range(1) == 2 ? ", notation on" : ", notation if used") +
                 (state.range(1) == 1 ? " (it is)" : ""));
}
BENCHMARK(BM_OpenNotation)
    ->ArgsProduct({{0, 1}, {0, 1, 2}, {0, 1}, {0}})
    ->ArgsProduct({{0, 1, 2}, {2}, {1}, {2}})
    ->ArgNames({"shape", "aozora", "whole", "ruby"})
    ->Unit(benchmark::kMillisecond);

// A web page whose one line of 4 MiB is a <ruby> left open over and over
// (range 0: each with its base and a reading never closed; 1: bare tags;
// 2: a base too long to set beside it), walked whole with the ruby setting
// range 1, and then primed from its middle.
void BM_OpenRubyPage(benchmark::State& state) {
  const char* units[] = {"<ruby>本<rp>(<rt>ほ", "<ruby>", "<ruby><rb>本日本日本日本日本日"};
  std::string text = "<html>";
  while (text.size() < (4u << 20)) text += ToSjis(units[state.range(0)]);
  std::vector<std::uint8_t> buf(text.begin(), text.end());
  buf.push_back(0);
  std::uint8_t ascii[190], kana[128];
  std::copy_n(sjis::kAsciiToFullLiteral, 190, ascii);
  std::copy_n(sjis::kKanaToFullLiteral, 128, kana);
  long long chars = 0;
  for (auto _ : state) {
    TextWalker walker(buf.data(), std::int64_t(text.size()), ascii, kana);
    walker.Html.On = true;
    walker.Ruby = int(state.range(1));
    std::int64_t pos = 0;
    std::uint8_t code[2];
    while (walker.Next(pos, true, code)) ++chars, ++pos;
    benchmark::DoNotOptimize(walker.Prime(std::int64_t(text.size() / 2), true));
  }
  state.counters["chars"] = benchmark::Counter(double(chars) / double(state.iterations()));
}
BENCHMARK(BM_OpenRubyPage)
    ->ArgsProduct({{0, 1, 2}, {0, 1, 2}})
    ->ArgNames({"shape", "ruby"})
    ->Unit(benchmark::kMillisecond);

// A text in the notation whose one line of 4 MiB is ※［＃ (range 0) or 〔e'
// (range 1) over and over, never closed: start of a run to its first
// character, the pass for the characters a text names included.
void BM_OpenNamedUnclosed(benchmark::State& state) {
  const std::string unit = ToSjis(state.range(0) == 0 ? "※［＃" : "〔e'");
  std::string text = ToSjis("※［＃「口＋世」、U+546D］\n");
  while (text.size() < (4u << 20)) text += unit;
  OpenText(state, text);
}
BENCHMARK(BM_OpenNamedUnclosed)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK(BM_SkipThroughAtlas)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SkipThroughFont)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SkipThroughAozora)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SkipThroughVertical)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SkipThroughFontVertical)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SkipThroughRuby)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SkipThroughRubyVertical)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Walk)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WalkAozora)->Unit(benchmark::kMillisecond);
