// The reading loop on arbitrary text bytes (tags, line feeds, half-width
// kana, lead bytes at the end, stray bytes; a ZIP holding them, damaged or
// not: the zip-* inputs of the corpus), with the switches and word lists
// taken from the input and every pause passed by skip mode or by scripted
// input.
//
// Input: a 7-byte header (missing bytes read as 0), the word list bytes it
// asks for, then the text.
//   0  bits 0-1 TagCut {0, 1, 7, -1}; 2-3 NLineCut {0, 1, 3, -1};
//      4-5 FontType {1, 0, 2, -1}; 6 PageBar; 7 scripted input, not skip
//   1  HeadWord, TailWord, WaitWord, NLineWord, two bits each: the default,
//      empty, from the input (a length byte, mod 24, then the bytes), or
//      ASCII and a lead byte without its trail byte
//   2  bits 0-1 MsgSpeed {0, 1, 150, -5}; 2-7 MenuPosX, Y, Z (the title
//      menu, as a hand-edited settings file may place it) from kPlaces
//   3  the scripted InputState, one a pump in turn: 0, bits 0-1, bits 2-3,
//      then {1, 2, 3}[bits 4-5 mod 3]; bits 6-7: at pump 8 * byte 4 + 1,
//      1 go back to the title, 2 close the window, 3 toggle skip mode and
//      the direction (rows, vertical columns)
//   5-6  where reading starts, signed 16-bit little-endian
//   7  bits 0 and 7 Encoding {0, 1, 3, 4}; 1-2 Aozora {0, 1, 2, 7}; 3 Ruby
//      (1 in parentheses, or 2 beside the base when the start is odd);
//      4-5 a byte-order mark put before the text {none, UTF-8, UTF-16 LE,
//      UTF-16 BE}; 6 read again from where the first run left the page
#include "Harness.h"
#include "platform/ZipText.h"

constexpr IntSetting kSwitched[3] = {kTagCut, kNLineCut, kFontType};
constexpr std::int32_t kSwitches[3][4] = {{0, 1, 7, -1}, {0, 1, 3, -1}, {1, 0, 2, -1}};
constexpr std::int32_t kSpeeds[4] = {0, 1, 150, -5};
constexpr std::int32_t kPlaces[4] = {24, 600, -100, INT32_MAX};
constexpr std::int32_t kNotations[4] = {0, 1, 2, 7};
constexpr std::int32_t kEncodings[4] = {0, 1, 3, 4};

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static auto [files, p, r] = Rig();
  const std::string_view in(reinterpret_cast<const char*>(data), size);
  std::uint8_t h[8] = {};
  std::size_t at = std::min(size, sizeof h);
  std::memcpy(h, data, at);

  for (int i = 0; i < 3; ++i) r.IntSettings[kSwitched[i]] = kSwitches[i][h[0] >> 2 * i & 3];
  r.IntSettings[kPageBar] = h[0] >> 6 & 1;
  r.IntSettings[kMsgSpeed] = kSpeeds[h[2] & 3];
  for (int i = 0; i < 3; ++i) r.IntSettings[kMenuPosX + i] = kPlaces[h[2] >> (2 + 2 * i) & 3];
  for (int i = 0; i < 4; ++i) {
    const StrSetting s = StrSetting(kHeadWord + i);
    const int pick = h[1] >> 2 * i & 3;
    const std::size_t n = pick == 2 && at < size ? data[at++] % 24 : 0;
    const std::string_view bytes = in.substr(at, n);
    r.StrSettings[s] = pick == 0 ? r.StrDefaults[s] : pick == 3 ? "A\x81\x42\x82" : bytes;
    at += bytes.size();
  }
  r.IntSettings[kEncoding] = kEncodings[(h[7] & 1) | (h[7] >> 6 & 2)];
  r.IntSettings[kAozora] = kNotations[h[7] >> 1 & 3];
  r.IntSettings[kRuby] = (h[7] >> 3 & 1) << (h[5] & 1);
  const std::string boms[4] = {"", "\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"};
  const std::string text = boms[h[7] >> 4 & 3] + std::string(in.substr(at));
  r.StrSettings[kText] = files.Write("text.txt", text.data(), text.size());
  const std::int32_t start = std::int16_t(h[5] | h[6] << 8), textBytes = std::int32_t(text.size());

  // The script always holds a release and a press, so every pause ends.
  const bool scripted = h[0] >> 7;
  const std::int32_t script[4] = {0, h[3] & 3, h[3] >> 2 & 3, 1 + (h[3] >> 4 & 3) % 3};
  int looksBack = 0;
  p.Pumps = 0;
  r.Closing = false;
  p.OnPump = [&] {
    // Each look at the previous page redraws two pages: a few cover it.
    const std::int32_t v = script[p.Pumps % 4];
    r.InputState = !scripted ? 0 : v == 1 && r.InputState != 1 && ++looksBack > 3 ? 2 : v;
    r.Skipping |= !scripted;
    const int endAction = p.Pumps == 8L * h[4] + 1 ? h[3] >> 6 : 0;
    r.ReturnToTitle |= endAction == 1;
    r.Closing |= endAction == 2;
    if (endAction == 3) r.MSkip1Click(), r.MVert1Click();
  };
  r.ReadText(start);
  if (h[7] >> 6 & 1 && !r.Closing) r.ReadText(r.PageStart);

  // A ZIP's length is its member's.
  const bool zip = IsZip(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  CHECK((r.TextLength == textBytes || r.IntSettings[kEncoding] != 1 || zip) && r.Row >= 0 &&
        r.Row <= 22 && r.Column >= 0 && r.Column <= 25 && r.MarkColumn >= 0 &&
        r.MarkColumn <= r.Column);
  for (const std::string& line : r.PageLines) CHECK(line.size() % 2 == 0 && line.size() <= 50);
  CHECK(r.TextLength == 0 || (r.PageStart >= 0 && r.PageStart <= r.TextLength));
  return 0;
}
