// The reading loop and the composer on arbitrary text bytes: tags, line
// feeds, half-width kana, lead bytes at the end, stray bytes, with the
// switches and word lists taken from the input and every pause passed by
// skip mode or by scripted input.
//
// Input: a 10-byte header (missing bytes read as 0), the bytes of the word
// lists the header asks for, then the text.
//   0  bits 0-1 TagCut {0, 1, 7, -1}; 2-3 NLineCut {0, 1, 3, -1};
//      4-5 FontType {1, 0, 2, -1}; 6 PageBar; 7 start from bytes 2-3
//   1  HeadWord, TailWord, WaitWord, NLineWord, two bits each: 0 the
//      default, 1 empty, 2 from the input (a length byte, mod 24, then the
//      bytes), 3 a list with ASCII and a lead byte missing its trail byte
//   2-3 start, signed 16-bit little-endian
//   4  bit 1: scripted input instead of skip mode; bits 2-3 MsgSpeed
//      {0, 1, 3, -5}
//   5-6 scripted InputState: four 3-bit values (7 reads as 0), one per pump
//      in turn; bits 6-7 of byte 6: at pump 8 * byte 7 + 1, 1 go back to the
//      title, 2 close the window, 3 toggle skip mode
//   8  Brightness2 = 2 * (signed byte)
//   9  the title menu's place, as a hand-edited settings file may give it:
//      bits 0-2 MenuPosX, 3-5 MenuPosY, 6-7 MenuPosZ, each from kPlaces
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>

#include "FuzzFiles.h"
#include "FuzzPlatform.h"
#include "reader/Reader.h"
#include "text/SjisTexts.h"

namespace {

struct Rig {
  FuzzPlatform Platform;
  FuzzReader R{&Platform};
  std::string TextPath;
  Rig() {
    // FormCreate records the current folder and looks for the settings file
    // there: an empty scratch folder gives every default. The fuzzer reads
    // its corpus by relative paths, so the old folder comes back after.
    const std::string old = std::filesystem::current_path().string();
    if (chdir(ScratchDir().c_str()) != 0) std::abort();
    R.FormCreate();
    if (chdir(old.c_str()) != 0) std::abort();
    TextPath = ScratchFile("text.txt");
  }
};

constexpr std::int32_t kSwitch[3][4] = {
    {0, 1, 7, -1},  // TagCut
    {0, 1, 3, -1},  // NLineCut
    {1, 0, 2, -1},  // FontType
};
// A delay long enough to matter would only make runs slow, not different.
constexpr std::int32_t kSpeeds[4] = {0, 1, 3, -5};
constexpr std::int32_t kPlaces[3][8] = {
    {456, 40, 0, 600, -100000, INT32_MAX, INT32_MIN, 639},
    {328, 184, 0, 470, -100000, INT32_MAX, INT32_MIN, 479},
    {24, 0, -1000000, INT32_MAX},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Rig* rig = new Rig;
  FuzzReader& r = rig->R;
  FuzzPlatform& p = rig->Platform;

  std::uint8_t h[10] = {};
  std::memcpy(h, data, std::min(size, sizeof h));
  std::size_t at = std::min(size, sizeof h);

  r.IntSettings[kTagCut] = kSwitch[0][h[0] & 3];
  r.IntSettings[kNLineCut] = kSwitch[1][(h[0] >> 2) & 3];
  r.IntSettings[kFontType] = kSwitch[2][(h[0] >> 4) & 3];
  r.IntSettings[kPageBar] = (h[0] >> 6) & 1;
  const std::int32_t start = (h[0] & 0x80) ? static_cast<std::int16_t>(h[2] | h[3] << 8) : 0;
  const bool scripted = (h[4] & 2) != 0;
  r.IntSettings[kMsgSpeed] = kSpeeds[(h[4] >> 2) & 3];
  r.IntSettings[kBrightness2] = 2 * static_cast<std::int8_t>(h[8]);
  r.IntSettings[kMenuPosX] = kPlaces[0][h[9] & 7];
  r.IntSettings[kMenuPosY] = kPlaces[1][(h[9] >> 3) & 7];
  r.IntSettings[kMenuPosZ] = kPlaces[2][(h[9] >> 6) & 3];

  static const char* const kDefaults[4] = {sjis::kDefaultHeadWord, sjis::kDefaultTailWord,
                                           sjis::kDefaultWaitWord, sjis::kDefaultNLineWord};
  const StrSetting lists[4] = {kHeadWord, kTailWord, kWaitWord, kNLineWord};
  for (int i = 0; i < 4; ++i) {
    std::string& list = r.StrSettings[lists[i]];
    switch ((h[1] >> (2 * i)) & 3) {
      case 0:
        list = kDefaults[i];
        break;
      case 1:
        list.clear();
        break;
      case 2: {
        std::size_t n = at < size ? data[at++] % 24 : 0;
        n = std::min(n, size - at);
        list.assign(reinterpret_cast<const char*>(data + at), n);
        at += n;
        break;
      }
      default:
        list = "A\x81\x42\x82";
        break;
    }
  }

  // Every pause must end: the script holds a release (0) and a press.
  std::array<std::int32_t, 4> script;
  for (int i = 0; i < 4; ++i) {
    const int v = ((i < 2 ? h[5] : h[6]) >> (3 * (i % 2))) & 7;
    script[i] = v == 7 ? 0 : v;
  }
  if (std::find(script.begin(), script.end(), 0) == script.end()) script[0] = 0;
  if (std::count(script.begin(), script.end(), 0) == 4) script[1] = 2;
  const int endAction = h[6] >> 6;
  const long long endAt = 8LL * h[7] + 1;

  WriteScratch(rig->TextPath, data + at, size - at);
  const std::int32_t textBytes = static_cast<std::int32_t>(size - at);
  r.StrSettings[kText] = rig->TextPath;

  r.Closing = false;
  r.InputState = 0;
  long long pumps = 0;
  p.Pumps = 0;
  int looksBack = 0;
  p.OnPump = [&] {
    ++pumps;
    if (scripted) {
      // Each look at the previous page redraws two pages: a few per run
      // cover it, more would only slow the fuzzer down.
      std::int32_t v = script[pumps % 4];
      if (v == 1 && r.InputState != 1 && ++looksBack > 3) v = 2;
      r.InputState = v;
    } else {
      r.Skipping = true;
    }
    if (endAction != 0 && pumps == endAt) {
      if (endAction == 1)
        r.ReturnToTitle = true;
      else if (endAction == 2)
        r.Closing = true;
      else
        r.MSkip1Click();
    }
  };

  r.ReadText(start);
  p.OnPump = nullptr;

  FUZZ_CHECK(r.TextLength == textBytes, "TextLength %d for %d bytes", r.TextLength, textBytes);
  FUZZ_CHECK(r.Row >= 0 && r.Row <= 16, "Row %d", r.Row);
  FUZZ_CHECK(r.Column >= 0 && r.Column <= 25, "Column %d", r.Column);
  FUZZ_CHECK(r.MarkColumn >= 0 && r.MarkColumn <= r.Column, "MarkColumn %d, Column %d",
             r.MarkColumn, r.Column);
  for (const std::string& line : r.PageLines)
    FUZZ_CHECK(line.size() % 2 == 0 && line.size() <= 50, "a page line of %zu bytes", line.size());
  if (textBytes > 0) {
    FUZZ_CHECK(r.PageStart >= 0 && r.PageStart <= std::max(start, textBytes),
               "PageStart %d of %d bytes, start %d", r.PageStart, textBytes, start);
  }

  // Give back what this input made the reader hold, so that libFuzzer's
  // leak check sees a run that frees all it allocates.
  for (std::string& line : r.PageLines) std::string().swap(line);
  for (std::string& line : r.PrevPageLines) std::string().swap(line);
  for (StrSetting s : lists) std::string().swap(r.StrSettings[s]);
  std::string().swap(r.StrSettings[kText]);
  r.Records[0] = ReadRecord{};
  r.ForgetGlyphs();
  return 0;
}
