// Texts that are not plain Shift-JIS: other encodings, Aozora Bunko
// notation, HTML entities; and what detection must never get wrong.
#include <iconv.h>
#include <zip.h>

#include <cstring>
#include <numeric>

#include "Rig.h"
#include "platform/TextEncoding.h"

namespace {

using E = TextEncoding;
using namespace std::string_literals;

// The reference encoder for the tests' own texts; empty when a character
// has no form in that encoding.
std::string Encode(const std::string& utf8, const char* to, const char* from = "UTF-8") {
  iconv_t cd = iconv_open(to, from);
  std::string out(utf8.size() * 4 + 16, '\0');
  char *src = const_cast<char*>(utf8.data()), *dst = out.data();
  std::size_t srcLeft = utf8.size(), dstLeft = out.size();
  const bool ok = iconv(cd, &src, &srcLeft, &dst, &dstLeft) != std::size_t(-1) &&
                  iconv(cd, nullptr, nullptr, &dst, &dstLeft) != std::size_t(-1);
  iconv_close(cd);
  out.resize(out.size() - dstLeft);
  return ok ? out : "";
}

// The page's lines in UTF-8, a code of the text's own as the character it
// stands for.
std::string Shown(const Rig& rig) {
  std::string out;
  const std::string l = rig.Lines();
  for (std::size_t i = 0; i < l.size(); ++i) {
    const std::uint8_t b = std::uint8_t(l[i]);
    const char32_t c = rig.R->TextChars.Char(b, std::uint8_t(l[i + 1]));
    const bool pair = c || (b >= 0x81 && (b < 0xA0 || b >= 0xE0));
    out += c ? Encode(std::string(reinterpret_cast<const char*>(&c), 4), "UTF-8", "UTF-32LE")
             : ToUtf8(l.substr(i, pair ? 2 : 1));
    i += pair;
  }
  return out;
}

std::string Story() {
  std::ifstream in(PAGELUNE_SOURCE_DIR "/samples/story.utf8.txt", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every encoding of a text reads as its Shift-JIS form: the same pauses,
// the same window at each, the same lines and positions.
TEST(Encoding, ReadsAsTheShiftJisText) {
  const std::string texts[] = {Story(), "ｱｲｳｴｵ ｶﾞｷﾞｸﾞ｡\n「ﾃｽﾄ」です。ｺﾝﾆﾁﾊ",
                               "〜－￥①、ＡＢＣ。\r\n  次の行"};
  // clang-format off
  const std::pair<const char*, std::string> encodings[] = {
      {"UTF-8", ""}, {"UTF-8", "\xEF\xBB\xBF"}, {"UTF-16LE", "\xFF\xFE"}, {"UTF-16BE", "\xFE\xFF"},
      {"UTF-16LE", ""}, {"UTF-16BE", ""}, {"EUC-JP", ""}, {"ISO-2022-JP", ""}};
  // clang-format on
  for (const std::string& text : texts) {
    Rig sjis;
    sjis.P.HashPauses = text.size() < 200;
    const std::string pauses = sjis.Run(S(text));
    for (const auto& [name, bom] : encodings) {
      const std::string bytes = Encode(text, name);
      if (bytes.empty()) continue;  // not every text has a form in EUC-JP or ISO-2022-JP
      Rig rig;
      rig.P.HashPauses = sjis.P.HashPauses;
      EXPECT_EQ(rig.Run(bom + bytes), pauses) << name << " " << text.substr(0, 30);
      EXPECT_EQ(rig.Lines(), sjis.Lines()) << name;
      EXPECT_EQ(rig.R->TextLength, sjis.R->TextLength) << name;
    }
    Rig asIs;  // Encoding=1: the bytes as they are, as before
    asIs.R->IntSettings[kEncoding] = 1;
    asIs.Run(Encode(text, "UTF-8"));
    EXPECT_EQ(asIs.R->TextLength, int(text.size()));
  }
}

// Shift-JIS is never taken for anything else: half-width katakana (which
// pairs up as valid UTF-8 and EUC-JP, with ､ and ･ where text has them),
// level-2 kanji that pair up as a few UTF-8 sequences (so two characters
// that read both ways stay Shift-JIS), a stray zero byte, a kanji escape
// among more kanji of its own; a 64 KiB sample may cut a character in two.
// The others are found where their text starts, however much ASCII comes
// first: UTF-8 with a stray byte in over a thousand sequences, or in a
// hundred where Shift-JIS cannot read it, or in a short text nothing reads; short or kanji-only
// EUC-JP; UTF-16 of kanji or kana alone; ISO-2022-JP with a stray 8-bit byte.
TEST(Encoding, Detection) {
  const std::string ascii(70000, 'a'), kanji = "東京都新宿区西新宿二丁目八番一号";
  const std::string hello = "こんにちは、世界。", u8 = Encode(Rep("あ", 999), "UTF-8");
  // clang-format off
  const std::pair<E, std::vector<std::string>> cases[] = {
      {E::ShiftJis,
       {S(Story()), S("ﾃｽ"), "abc\xE2\x80\x94\x64\x65\x66", S("ｺﾝﾆﾁﾊ､ｹﾞﾝｷﾃﾞｽｶ｡ｿｳﾃﾞｽﾈ｡ﾃｽﾄ"), S("ｿｳ････"),
        S("ｲﾙ､ｷ､ﾍﾟﾝ"), S("､ﾈ"), "plain \x1B(Btext", Encode("あいう", "UTF-8").substr(0, 5) + "a",
        "\xEF\xBB", S("燿。"), S("Haruka (遙。) walked home."), S("燿。燿。燿。燿。"),
        Encode("あい", "UTF-8"), S("社 熙"), u8 + "\xE9", S("あい\n") + std::string(4, '\0'),
        "one stray zero byte in a plain text"s + '\0' + "written in English",
        "voil\xC3\xA0 one stray zero"s + '\0' + " in English", "\x1B$B$3$s\x1B(B" + S("あいう")}},
      {E::Utf8,
       {"abc\xE3\x80\x80\x64\x65\x66", "aa" + Encode(Rep("あ", 30000), "UTF-8"),
        Encode("あいう", "UTF-8"), Encode("あ", "UTF-8"), "\xEF\xBB\xBF",
        ascii + Encode(hello, "UTF-8"), u8 + "caf\xE9 " + Encode("いう", "UTF-8"),
        "caf\xE9 " + Encode(Rep("日本語の文章。", 15), "UTF-8"), Encode("あい", "UTF-8") + "\x93" + Encode("うえ", "UTF-8"),
        Encode("「あいう」", "UTF-8") + "caf\xE9"}},
      {E::EucJp,
       {Encode(Story(), "EUC-JP") + "\x8F\xA1\xA1\xA4\xF3" + "a",
        "a" + Encode("あいうえおかきくけこさしすせそたん", "EUC-JP"),
        "a" + Encode(Rep("ん", 40000), "EUC-JP"), Encode(hello, "EUC-JP"),
        ascii + Encode(hello, "EUC-JP"), Encode(Rep("ん", 15), "EUC-JP") + "a",
        Encode("東京\n", "EUC-JP"), Encode(kanji, "EUC-JP"), Encode("猫で笑った？", "EUC-JP"),
        Encode("はい。", "EUC-JP"), Encode("いいえ。", "EUC-JP")}},
      {E::Iso2022Jp,
       {"\x1B$B$3$s\x1B(B", "\x1B$@$3$s\x1B(B", ascii + "\x1B$B$3$s\x1B(B",
        "\x1B$B$3$s\x1B(B" + ascii + "\xE9", "(c) 2020 \xA9\n\x1B$B$3$s$K\x1B(B"}},
      {E::Utf16Le, {"\xFF\xFE", Encode("こんにちは\n", "UTF-16LE"), Encode("abc", "UTF-16LE"),
                    Encode(kanji + "\n", "UTF-16LE"), Encode("こんにちは", "UTF-16LE")}},
      {E::Utf16Be, {"\xFE\xFF", Encode("<p>\n　一こんにちは</p>", "UTF-16BE"), Encode("ab　", "UTF-16BE"),
                    Encode("こんにちは", "UTF-16BE")}}};
  // clang-format on
  for (const auto& [want, texts] : cases)
    for (const std::string& bytes : texts)
      EXPECT_EQ(DetectEncoding((const std::uint8_t*)bytes.data(), bytes.size()), want)
          << ToUtf8(bytes.substr(0, 40));
}

// Bad input converts whole: 〓 for every invalid sequence and for what
// has no Shift-JIS form, nothing dropped.
TEST(Encoding, BadInputBecomesGeta) {
  const std::string g = "\x81\xAC";
  const std::tuple<E, std::string, std::string> cases[] = {
      {E::Utf8, "a\xC3(\xE3\x81\x62\xF5\xC1\x80", "a" + g + "(" + g + "b" + g + g + g},
      {E::Utf8, "\xE0\x80\xE0\xA0\x80\xED\xA0\xED\x9F\xBF", g + g + g + g + g + g},
      {E::Utf8, "\xF0\x8F\xF0\x90\x80\x80\x80\xF4\x90\xF4\x8F\xBF\xBF\xEF\xBD\xB1\xC2\xA5",
       g + g + g + g + g + g + g + "\xB1\\"},
      {E::EucJp, "\xEF\xBB\xBF", "\xE8\x5A" + g},
      {E::Utf16Le, "\xFF\xFE\x41\0\x3D\xD8\x00\xDE\x00\xD8\x42\0\x00\xDC\x71\xFF\x80\0\x43"s,
       "A" + g + g + "B" + g + "\xB1" + g + g},
      {E::Utf16Be, "\xFE\xFF\x30\x42\xD8\x3D", "\x82\xA0" + g},
      {E::EucJp,
       "\xA4\xA2\x8E\xB1\x8F\xA1\xA1\x8E\x41\xA1\xC1\xFF\xF4\xA6\xA1\xDF\xA1\xE0\xDE\xA1\xDF\xA1",
       "\x82\xA0\xB1" + g + g + "A\x81\x60" + g + "\xEA\xA4\x81\x7E\x81\x80\x9F\x9F\xE0\x40"},
      {E::EucJp, "\x8E\xDF\x8E\xE0\x8F\xA1\xA1\x8F\xA1", "\xDF" + g + g + g + g + g},
      {E::Iso2022Jp, "\x1B$B$\"\x1B(I1\x60\x1B$(D01\x1B(J\\\x1B$@!!\n\x1B(B\x80\x1B%",
       "\x82\xA0\xB1" + g + g + "\\\x81\x40\n" + g + "\x1B%"},
  };
  auto convert = [](E enc, const std::string& in, std::size_t limit) {
    auto text = std::make_unique<std::uint8_t[]>(in.size() + 1);
    std::copy(in.begin(), in.end(), text.get());
    std::size_t n = in.size();
    const Conversion done = ConvertToSjis(text, n, enc, limit);
    EXPECT_EQ(text[n], 0);
    const std::string out((const char*)text.get(), n);
    return done == Conversion::AsIs ? "as is " + out : done == Conversion::TooLarge ? "large" : out;
  };
  for (const auto& [enc, in, want] : cases) EXPECT_EQ(convert(enc, in, 99), want) << in;
  EXPECT_EQ(convert(E::Utf8, "\xFF", 2), "large");
  EXPECT_EQ(convert(E::Utf8, "\xFF", 3), g);
  EXPECT_EQ(convert(E::ShiftJis, "\x82\xA0\xFF", 2), "as is \x82\xA0\xFF");
}

// Characters Shift-JIS lacks take codes of the user-defined area in order
// of first appearance, one per character, from every encoding; past the
// 1,880th, 〓. Those a text names (notes, accented letters, entities) come
// after its own, numbered the same wherever reading starts.
TEST(Encoding, CodesOfTheTextsOwn) {
  std::string many;
  for (char32_t c = 0x20000; c <= 0x20000 + 1880; ++c)
    many += Encode(std::string((const char*)&c, 4), "UTF-8", "UTF-32LE");
  const std::tuple<E, std::string, std::string> cases[] = {
      {E::Utf8, Encode("é𠮷あé♡", "UTF-8"), "\xF0\x40\xF0\x41\x82\xA0\xF0\x40\xF0\x42"},
      {E::Utf16Be, Encode("‼𠮷\xC2\x85", "UTF-16BE"), "\xF0\x40\xF0\x41\x81\xAC"},
      // Invisible ones (a variation selector, a zero-width space, an
      // ideographic variation selector, a byte-order mark) show nothing.
      {E::Utf16Le, Encode("♡\uFE0F\u200B葛\U000E0100\uFEFF\u00AD\u2060♡", "UTF-16LE"),
       "\xF0\x40\x8A\x8B\xF0\x40"},
      {E::EucJp, "\x8F\xB0\xA1\x8F\xA2\xB7", "\xF0\x40\x81\x60"},          // 丂, ～
      {E::EucJp, "\xA9\xDF\xA4\xA2\xAE\xA2", "\xF0\x40\x82\xA0\xF0\x41"},  // é, あ, 𠀋
      {E::Utf8, many + many.substr(1879 * 4), ""}};
  for (const auto& [enc, in, want] : cases) {
    auto text = std::make_unique<std::uint8_t[]>(in.size() + 1);
    std::copy(in.begin(), in.end(), text.get());
    std::size_t n = in.size();
    UserChars chars;
    ConvertToSjis(text, n, enc, 1 << 20, &chars);
    const std::string out((const char*)text.get(), n);
    if (!want.empty()) {
      EXPECT_EQ(out, want);
      continue;
    }
    for (const auto& [index, code] : {std::pair{62, "\xF0\x7E\xF0\x80"},
                                      {187, "\xF0\xFC\xF1\x40"},
                                      {1879, "\xF9\xFC\x81\xAC\xF9\xFC\x81\xAC"}})
      EXPECT_EQ(out.substr(2 * index, std::strlen(code)), code) << index;
    EXPECT_EQ(chars.Char(0xF9, 0xFC), char32_t(0x20000 + 1879));
    EXPECT_EQ(chars.Char(0xF0, 0x7F), 0u);
    Rig rig;  // one a note names past the last is 〓 too
    rig.Run(in + "※［＃「口＋世」、U+546D］〔e'〕");
    EXPECT_EQ(rig.Lines().substr(rig.Lines().size() - 6), "\x81\xAC\x81\xAC\x81\xAC");
  }
  const std::string text = "é※［＃「口＋世」、U+546D］\n〔a:〕&#x2661;‼";
  const std::int32_t line2 = 2 + int(S("※［＃「口＋世」、U+546D］\n").size());
  for (const auto& [start, codes, shown] :
       {std::tuple{0, "\xF0\x40\xF0\x42|\xF0\x43\xF0\x44\xF0\x41", "é呭|ä♡‼"},
        {line2, "\xF0\x43\xF0\x44\xF0\x41", "ä♡‼"}}) {
    Rig rig;
    rig.R->IntSettings[kTagCut] = 1;
    rig.Run(Encode(text, "UTF-8"), start);
    EXPECT_EQ(rig.Lines(), codes);
    EXPECT_EQ(Shown(rig), shown);
  }
}

// What a text in another encoding shows, by 文字コード (0: detected).
// Characters whose usual Shift-JIS code (lead 0xFA..0xFC) the font data
// has no row for show by their codes with lead 0xED or 0xEE (or in row 13
// or the symbols), in converted texts, entities and Shift-JIS texts, all
// of them, each read back as itself; the user-defined area shows 〓, or
// is dropped in a Shift-JIS text, as is 0xFA..0xFC before a byte that
// makes no code with it.
TEST(Encoding, WhatIsShown) {
  const std::tuple<int, std::string, std::string> cases[] = {
      {0, Encode("山﨑さんと髙橋さん、ⅰ＂＇", "UTF-8"),
       "\x8E\x52\xED\x95\x82\xB3\x82\xF1\x82\xC6\xEE\xE0\x8B\xB4\x82\xB3\x82\xF1\x81\x41\xEE\xEF"
       "\xEE\xFC\xEE\xFB"},
      {0, "&#xFA11;&#x9AD9;&#xE000;&#xFFE4;", "\xED\x95\xEE\xE0\xF0\x40\xEE\xFA"},
      {2, Encode("あい", "UTF-8"), S("あい")},
      {3, Encode("こにちは", "EUC-JP"), S("こにちは")},
      {4, Encode("こんにちは", "UTF-16LE"), S("こんにちは")},
      {4, "\xFE\xFF" + Encode("こんにちは", "UTF-16BE"), S("こんにちは")},
      {5, "\xA9\xA9\xA9\x1B$B$3$s\x1B(B", S("〓〓〓こん")},
      {1, "\xFA\xB1\xFA\x4A\xFA\x54\xFA\x5B\xFC\x4B\xFC\x4C\xFA\x30\xF0\x40\xFA\x7F",
       "\xED\x95\x87\x54\x81\xCA\x81\xE6\xEE\xEC\x82\x6B\x82\x4F\x81\x97"},
      {1, "\xF0\x40\xF0" + S("※［＃二の字点、1-2-22］"), "\x81\x97\xF0\x40"}};
  for (const auto& [encoding, text, shown] : cases) {
    Rig rig;
    rig.R->IntSettings[kEncoding] = encoding;
    rig.Run(text);
    EXPECT_EQ(rig.R->PageLines[0], shown) << encoding;
  }
  std::string all, codes, read;  // 373 characters in UTF-8; 388 codes, and how CP932 reads them
  for (int code = 0xFA40; code <= 0xFCFC; ++code) {
    const std::string sjis = {char(code >> 8), char(code)}, utf8 = Encode(sjis, "UTF-8", "CP932");
    if (!utf8.empty() && Encode(utf8, "CP932") == sjis) all += utf8;
    if (!utf8.empty()) codes += sjis, read += utf8;
  }
  for (const auto& [text, size, want] : {std::tuple{all, 373u, all}, {codes, 388u, read}}) {
    Rig rig;
    std::string shown;  // the page at the last pause, before the end turns it
    rig.P.OnPause = [&] {
      shown = std::accumulate(rig.R->PageLines.begin(), rig.R->PageLines.end(), std::string());
      rig.P.Press(kVkReturn, 5);
    };
    rig.Run(text);
    EXPECT_EQ(shown.size(), 2 * size);
    for (std::size_t i = 0; i < shown.size(); i += 2)  // leads the font data has rows for
      EXPECT_NE(std::string_view("\x81\x87\xED\xEE").find(shown[i]), std::string_view::npos);
    EXPECT_EQ(ToUtf8(shown), want);
  }
}

// Marked-up lines, each read alone: what is shown by the settings Aozora,
// Ruby and TagCut; "=" shows it as written (Aozora 0), line ends kept as the
// notation keeps them. Aozora Bunko notation (notes inside notes), then HTML
// entities (with tag removal only; anything else after '&' stays as written).
TEST(Markup, WhatIsShown) {
  const std::string open = "-------------------\r\n",
                    heading = "【テキスト中に現れる記号について】\n", close = "----------\r\n",
                    block = open + heading + "：ルビ\r\n" + close;
  // clang-format off
  const std::tuple<std::string, int, int, int, std::string> cases[] = {
      {"｜本《ほん》と月《つき》。", 2, 0, 1, "本と月。"},
      {"｜本《ほん》と月《つき》。", 2, 1, 1, "本（ほん）と月（つき）。"},
      {"月《つき》", 1, 0, 1, "="}, {"月《つき》［＃注］", 0, 1, 1, "="},
      {"月《つき》［＃注］", 7, 1, 1, "月（つき）"},
      {"《つき\n［＃注\nか｜き", 2, 1, 1, "《つき|［＃注|か｜き"},
      {"｜本《ほ\n》", 2, 0, 1, "｜本《ほ|》"}, {"》あ", 2, 1, 1, "》あ"},
      {"題\n作\n\n本\nう［＃注］", 1, 0, 1, "題|作||本|う"}, {"題\n作\n\n本\nう", 1, 0, 1, "題作|本う"},
      {"か［＃「か※［＃「ぬ」、1-2-3］」は太字］き中［＃「中］外」は縦中横］外《あ［＃《》［＃注］］", 2, 0, 1,
       "かき中外］"},
      {"あ［＃《］》「う」に］い［＃」Ｖ》［］］う［＃「え［＃注］］お］", 2, 0, 1, "あい］うお］"},
      {"「まさか［＃「「まさか」に傍点］」《［＃「《」は太字］", 2, 0, 1, "「まさか」《"},
      {"※［＃「てへん＋劣」、第3水準1-84-77］ね※［＃「口＋世」、U+546D、ページ数-行数］※［＃二の字点、1-2-22］", 1, 0, 1,
       "挘ね呭〻"},
      {"※［＃「土へん＋竒」、第4水準2-5-2］※［＃「1-2-3」、u+20b9f］※［＃２－１２－１１］※［＃「口＋世」、U+54］※［＃2-95-1］", 2, 0, 1,
       "堧𠮟𢌞※※"},
      {"※［＃２‐９０‐９］※［＃1-94-94］※［＃11-2-22、1-2-22-5、U+1234567、U+546D］※［＃3-1-1］※［＃「U+546D」］", 2, 0, 1,
       "邶繫呭※※"},
      {"〔e'te AE&ss&a:〕〔abc〕〔e'\n〕", 2, 0, 1, "éｔｅ　Æßä〔ａｂｃ〕〔ｅ’|〕"},
      {"※［＃※［＃U+546D］〔〔a:〕［＃〔o/［＃注］〕］※［＃「※［＃U+546D］」、U+3042］〔e'〕", 2, 0, 1, "※［＃呭〔äあé"},
      {"〔e'〕※［＃U+546D］", 0, 0, 1, "="},
      {"あ。\n［＃ここから２字下げ］\r\n　い", 2, 0, 1, "あ。|　い"},
      {"あ。\n［＃ここから］［＃２字下げ］\n\n　い", 2, 0, 1, "あ。||　い"},
      {"あ［＃注］\n\n　い", 2, 0, 1, "あ||　い"}, {block + "月《つき》", 1, 0, 1, "月"},
      {"ー\n" + block + block + "月《つき》", 1, 0, 1, "ー|月"},
      {"x" + open + heading + close + "月《つき》", 1, 0, 1, "="},
      {open.substr(10) + heading + close + "あ", 2, 0, 1, "="},
      {open + heading + close.substr(1) + "-- \n" + close + "あ", 2, 0, 1, "あ"},
      {open + heading + "----------", 2, 0, 1, ""},
      {"&nbsp;&amp;&lt;b&gt;&quot;&apos;", 0, 0, 1, "　＆＜ｂ＞”’"},
      {"&#12354;&#x30a2;&#X30A2;&#65393;&#x10000;", 0, 0, 1, "あアアア𐀀"},
      {"&#1114112;&#99999999999;&#x10FFFF;", 0, 0, 1, "〓〓〓"}, {"＝m＃］月《つき》", 1, 0, 1, "="},
      {"&unknown;&amp &#;", 0, 0, 1, "＆ｕｎｋｎｏｗｎ；＆ａｍｐ　＆＃；"},
      {"&#x;&#12a;&#1", 0, 0, 1, "＆＃ｘ；＆＃１２ａ；＆＃１"}, {"冝m＃注］月《つき》", 1, 0, 1, "="},
      {"月《冝t》", 2, 0, 1, "月"},
      {"あ&#10;&#0;&#10;&#9;&#1;&#127;&#x85;い", 0, 0, 1, "あ|い"}, {"&amp;", 0, 0, 0, "＆ａｍｐ；"},
  };
  // clang-format on
  for (const auto& [text, aozora, ruby, tagCut, want] : cases) {
    Rig plain, rig;
    for (auto [r, a, b] : {std::tuple{&plain, 0, 0}, {&rig, aozora, ruby}}) {
      r->R->IntSettings[kNLineCut] = r == &rig || aozora != 2;
      r->R->IntSettings[kAozora] = a;
      r->R->IntSettings[kRuby] = b;
      r->R->IntSettings[kTagCut] = tagCut;
      r->Run(S(text));
    }
    EXPECT_EQ(Shown(rig), want == "=" ? Shown(plain) : want) << text << aozora << ruby;
  }
}

// A saved web page with tag removal: what shows, line by line ("|"). The
// head but its title, scripts, styles and comments are hidden; <br> and the
// ends of blocks end lines, whatever NLineCut says, with at most one empty
// line; the source's line feeds are white space; alt text shows; every
// HTML entity. Without the page's marker at its start, or with TagCut 0,
// the walk is the plain one.
TEST(Html, WhatIsShown) {
  const std::string head =
      "<!DOCTYPE html>\n<HTML><head><meta charset=x><Title>\n 題&amp;名 </title>"
      "<style>p:before{content:\"<br>\"}</style><link rel=a><script type=a>if (a<b) "
      "s=\"</p>&copy;</scripts>\";</SCRIPT ></head>\n";
  const std::string
      ruby =
          "<html><ruby>漢<rp>（</rp><rt>かん</rt><rp>）</rp></ruby>字<RUBY><rb>本</rb><rp>(</"
          "rp>\n<rt>ほ</RUBY>"
          "<ruby><rb>a</rb><rt>い</rt></ruby>",
      loose =
          "<html><ruby>漢<rt>かん</rt>字<rt>じ</ruby>、<ruby>a&amp;b<rp> (&amp;< </rp><rt>え</ruby>"
          "<ruby>c<rp>(</rp> d<rt>お</ruby><ruby>月<rt>つき<p>x";
  // clang-format off
  const std::tuple<std::string, int, int, std::string> cases[] = {
      {head + "<body><!-- <br>い --><p>\n  本　<b>文</b>\n  だ  <br>x</p>", 1, 0, "題＆名|本　文だ|ｘ"},
      {"<html>あ<br><br><br><br>い</p></div><li>う<div></div></p><hr>え", 1, 0, "あ||い|う|え"},
      {"<html><p>あ</p>\n<p><br></p>\n<p>い</p><br><p>う", 1, 0, "あ||い||う"},
      {"<html><head><title>t</title>shown<img alt=\"a>&lt;\">.", 1, 0, "ｔ|ｓｈｏｗｎａ＞＜．"},
      {"<html>字<img src=x.png alt=\"※(「てへん＋劣」)\" class=gaiji />だ<img alt=''><img src=b alt>。<img alt=&#x41;>",
       1, 0, "字※（「てへん＋劣」）だ。Ａ"},
      {"<html>&hellip;&copy;&mdash;&nbsp;&Aacute;&amp&notit;&lt3&fjlig;&shy;&ZeroWidthSpace;&NotANamE;",
       1, 0, "…©―　Á＆￢ｉｔ；＜３〓＆ＮｏｔＡＮａｍＥ；"},
      {"<html>&#147;&#133;&#x94;&#128;&#129;&#159;", 1, 0, "“…”€Ÿ"},
      {"<html>a < b <3 <a title=\"x>y\">z</a><pre>  p\nq</pre>r", 1, 0, "ａ　＜　ｂ　＜３　ｚ|　ｐｑ|ｒ"},
      {"<html><table><tr><td>1</td> <td>2</td>\n<TD>3<tr><th>4<th>&nbsp;<td>5", 1, 0, "１　２　３|４　　５"},
      {" <?xml version=\"1.0\"?>\n<!-- c --><!DOCTYPE HTML PUBLIC \"x\">a<br>b", 1, 0, "ａ|ｂ"},
      {"<meta charset=utf-8>a<script>b", 1, 0, "ａ"}, {"<html>a<!-->b<!-- c", 1, 0, "ａｂ"},
      {"<htmlx>a<br>&hellip;b", 1, 0, "ａ＆ｈｅｌｌｉｐ；ｂ"},
      {"x<html><head>t</head>a\nb<br>&hellip;&amp;", 1, 0, "ｘｔａｂ＆ｈｅｌｌｉｐ；＆"},
      {"<html>t<br>&amp;", 0, 0, "＜ｈｔｍｌ＞ｔ＜ｂｒ＞＆ａｍｐ；"},
      {ruby, 1, 1, "漢（かん）字本（ほａい"}, {ruby, 1, 2, "漢字本ａ"},
      {loose, 1, 2, "漢（かん）字（じ）、ａ＆ｂ（え）ｃ　ｄ（お）月|（つき）|ｘ"},
      {"<html><ruby>髙<rt>たか</rt></ruby>", 1, 2, "髙"}, {loose, 1, 0, "漢かん字じ、ａ＆ｂ　（＆＜　えｃ（　ｄお月つき|ｘ"},
      {"<html><ruby>本<rt>" + Rep("あ", 35) + "</rt></ruby>", 1, 2, "本（" + Rep("あ", 22) + "|" + Rep("あ", 13) + "）"},
  };
  // clang-format on
  for (const auto& [text, tagCut, ruby, want] : cases) {
    Rig rig;
    rig.R->IntSettings[kTagCut] = tagCut;
    rig.R->IntSettings[kRuby] = ruby;
    rig.R->IntSettings[kEncoding] = 1;
    rig.Run(S(text));
    EXPECT_EQ(Shown(rig), want) << text;
  }
}

// The encoding a page names decides, when 文字コード leaves it to the text and
// tags are removed, unless a byte-order mark decides or the bytes belie it
// (then detection decides, and a Shift-JIS page stays readable); a name in
// a script does not count.
TEST(Html, DeclaredEncoding) {
  const std::string utf8 = Encode("あい", "UTF-8"), euc = Encode("漢字", "EUC-JP"),
                    hello = "こんにちは、世界。", sjis = S(hello),
                    rain = "私は傘を持って駅まで歩いた、電車の音がする。";
  // clang-format off
  const std::tuple<std::string, int, int, std::string> cases[] = {
      {"<meta charset=\"UTF-8\">" + utf8, 0, 1, "あい"},
      {"<html><head><meta http-equiv=Content-Type content=\"text/html; charset=euc-jp\">" + euc, 0, 1,
       "漢字"},
      {"<?xml version=\"1.0\" encoding='EUC-JP'?><html>" + euc, 0, 1, "漢字"},
      {"<html><script>s='<meta charset=utf-8>'</script><!--<br><meta charset=utf-8>-->"
       "<meta charset=euc-jp>" + euc, 0, 1, "漢字"},
      {"<html><body><meta charset=utf-8>" + utf8, 0, 1, ToUtf8(utf8)},
      {"<meta charset=utf-8>" + sjis, 0, 1, hello}, {"<meta charset=x-mac-japanese>" + sjis, 0, 1, hello},
      {"<meta charset=euc-jp>" + sjis, 0, 1, hello}, {"<meta charset=iso-2022-jp>" + sjis, 0, 1, hello},
      {"<meta charset=Shift_JIS>" + Encode(rain, "EUC-JP"), 0, 1, rain},
      {"<meta charset=Shift_JIS>aa" + Encode(Rep("あ", 30), "UTF-8"), 0, 1, "ａａ" + Rep("あ", 22)},
      {"\xEF\xBB\xBF<meta charset=euc-jp>" + utf8, 0, 1, "あい"},
      {"<meta charset=utf-8>" + utf8, 1, 1, ToUtf8(utf8)},
      {"<meta charset=utf-8>" + utf8, 0, 0, "＜ｍｅｔａ　ｃｈａｒｓｅｔ＝ｕｔｆ－８＞" + ToUtf8(utf8)}};
  // clang-format on
  for (const auto& [text, encoding, tagCut, shown] : cases) {
    Rig rig;
    rig.R->IntSettings[kEncoding] = encoding;
    rig.R->IntSettings[kTagCut] = tagCut;
    rig.Run(text);
    EXPECT_EQ(ToUtf8(rig.R->PageLines[0]), shown) << ToUtf8(text);
  }
}

// 改ページ ends the page: its pause, then a clean page that starts after the
// note, where a resumed reading starts too; so does a page that turns in
// the middle of a ruby shown in parentheses. A second break in a row leaves
// one blank page, paused on (">" and PageStart), however many follow; none at
// the start or after a full page. A reading resumed at a blank page (or past
// the end) shows the next page (or the last one with text).
TEST(Aozora, PageBreaksAndResume) {
  const std::string pb = "［＃改ページ］\n";
  const std::tuple<std::string, int, std::string, std::string, std::int32_t, std::int32_t> cases[] =
      {{"あ。\n［＃改ページ］\r\nい\n［＃改丁］［＃改段］\nう［＃改見開き］", 0,
        "0.0-2 0.0-1 >45 0.0-1 ", "う", 34, 34},
       {Rep("あ", 405) + "本《ほん》", 1, "16.0-24 0.0-2 ", "ん）", 816, 816},
       {"あ\n" + Rep(pb, 10000) + "い", 0, "0.0-1 >33 0.0-1 ", "い", 999999, 33},
       {Rep(pb, 2) + "あ", 0, "0.0-1 ", "あ", 0, 0},
       {Rep("あ", 408) + Rep(pb, 2) + "い", 0, "16.0-24 0.0-1 ", "い", 999999, 830},
       {"あ\n" + pb + Rep("あ", 408) + "\n" + pb + "い", 0, "0.0-1 16.0-24 0.0-1 ", "い", 999999,
        834}};
  for (const auto& [text, ruby, pauses, last, resume, resumed] : cases) {
    Rig rig;
    rig.R->IntSettings[kAozora] = 2;
    rig.R->IntSettings[kRuby] = ruby;
    rig.P.OnPump = [&] {  // pumps right after a page is cleared: a blank page's pause
      const Copy& c = rig.P.Copies.back();
      if (rig.R->Mode != 4 || c.W != 640 || c.H != 480 || !rig.P.Events.empty()) return;
      rig.P.Log += ">" + std::to_string(rig.R->PageStart) + " ";
      rig.P.At(rig.P.Now + 1, [&] { rig.P.Press(kVkReturn, 5); });
    };
    EXPECT_EQ(rig.Run(S(text)), pauses);
    EXPECT_EQ(rig.Lines(), S(last));
    rig.P.Log.clear();
    EXPECT_EQ(rig.Run(S(text), resume), pauses.substr(pauses.rfind(' ', pauses.size() - 2) + 1));
    EXPECT_EQ(std::pair(rig.Lines(), rig.R->PageStart), std::pair(S(last), resumed));
  }
}

// A ZIP written by libzip: members by name ("!" first encrypts it) and
// bytes; with none, the end record alone.
using Members = std::vector<std::pair<std::string, std::string>>;
std::string Zip(const Rig& rig, const Members& members) {
  if (members.empty()) return "PK\x05\x06" + std::string(18, '\0');
  zip_t* z = zip_open(rig.File("z").c_str(), ZIP_CREATE | ZIP_TRUNCATE, nullptr);
  for (const auto& [name, bytes] : members) {
    const char* n = name.c_str() + (name[0] == '!');
    const auto i = zip_file_add(z, n, zip_source_buffer(z, bytes.data(), bytes.size(), 0), 0);
    if (n != name.c_str()) zip_file_set_encryption(z, zip_uint64_t(i), ZIP_EM_AES_256, "pw");
  }
  EXPECT_EQ(zip_close(z), 0);
  return rig.Read("z");
}

// A ZIP, told by its bytes whatever its name, reads as its first ".txt"
// member (else its first ".htm(l)"), past pictures, folders and a Mac's
// copies, in any encoding: the same pages at the same positions as that
// text alone. Refused, the cover staying: one cut short, a member longer or
// shorter than its headers say, encrypted, packed by a method not known,
// none to read, or one declaring 2 GiB.
TEST(Encoding, ZipFiles) {
  const std::string story = S(Story()), html = "<p>" + S("あいう") + "</p>",
                    bad = "ZIPファイルが壊れています。", none = "ZIPファイルに文章がありません。";
  const Members abc = {{"a.txt", "abc"}};
  // Each ZIP patched: {offset in the central header (less 2 in the local
  // one), value}, or cut to value bytes (offset -1).
  // clang-format off
  const std::tuple<Members, int, std::uint32_t, std::string> cases[] = {
      {{{"a.txt", Encode(Story(), "UTF-8")}}, 0, 0, story}, {{{"a.txt", story}}, -1, 100, bad},
      {{{"p.png", "\x89PNG"}, {"d.txt/", ""}, {"a.Html", "x"}, {"__MACOSX/._b.txt", "m"},
        {"b.TXT", story}}, 0, 0, story},
      {{{"a.htm", html}, {"p.jpg", "j"}, {"b.HTM", "y"}}, 0, 0, html},
      {abc, 24, 4, bad}, {abc, 24, 2, bad}, {abc, 24, 1u << 31, "ZIPファイルの中の文章が大きすぎます。"},
      {abc, 10, 9, "この圧縮方式のZIPファイルは読めません。"},
      {{{"!a.txt", "abc"}}, 0, 0, "暗号化されたZIPファイルは読めません。"},
      {{{"p.png", "abc"}, {"d/", ""}}, 0, 0, none}, {{}, 0, 0, none}};
  // clang-format on
  for (const auto& [members, at, value, want] : cases) {
    Rig rig, plain;
    rig.P.HashPauses = plain.P.HashPauses = true;
    std::string bytes = Zip(rig, members);
    if (at < 0) bytes.resize(value);
    for (std::size_t p : {bytes.find("PK\x01\x02") + at, std::size_t(at - 2)})
      for (int k = 0; at > 0 && k < (at == 10 ? 2 : 4); ++k) bytes[p + k] = char(value >> 8 * k);
    const bool refused = want.ends_with("。");
    EXPECT_EQ(rig.Run(bytes), refused ? "! W:" + want + " " : plain.Run(want)) << want;
    EXPECT_EQ(std::pair(rig.Lines(), rig.R->TextLength),
              std::pair(plain.Lines(), plain.R->TextLength));
  }
}

}  // namespace
