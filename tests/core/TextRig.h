// A reader on a scripted platform for the text engine tests: texts written
// into a fresh current folder, a virtual clock that moves only when the
// message queue is pumped (so delays and blink phases come out exact), and
// a record of every pause, seen through the underline it draws.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ScriptedPlatform.h"
#include "TempDir.h"
#include "platform/Sjis.h"
#include "reader/Reader.h"
#include "text/SjisTexts.h"

namespace textrig {

// Shift-JIS bytes of a UTF-8 literal.
inline std::string S(const std::string& utf8) { return ToSjis(utf8); }
inline std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

// The clock moves one step per pump. Reading it leaves it alone, except in
// a run of reads with neither a pump nor a window copy in between (the
// column wipe waits that way between its steps), where it creeps on so the
// wipe can finish.
class TextPlatform : public ScriptedPlatform {
 public:
  void ProcessMessages() override {
    idleReads_ = 0;
    ScriptedPlatform::ProcessMessages();
  }
  void CopyToWindow(const Bitmap& src, int sx, int sy, int w, int h, int dx, int dy) override {
    idleReads_ = 0;
    ScriptedPlatform::CopyToWindow(src, sx, sy, w, h, dx, dy);
  }
  std::uint32_t GetTickCount() override {
    if (++idleReads_ > 8) ++Now;
    return Now;
  }

 private:
  int idleReads_ = 0;
};

// One pause, as its underline showed it when it first appeared.
struct Pause {
  int Row, From, To;  // underline under columns From..To-1 of line Row
  std::int32_t PageStart;
  std::uint32_t Time;
  bool operator==(const Pause& o) const { return Row == o.Row && From == o.From && To == o.To; }
};
inline std::ostream& operator<<(std::ostream& os, const Pause& p) {
  return os << "{row " << p.Row << ", " << p.From << ".." << p.To << "}";
}
inline Pause P(int row, int from, int to) { return {row, from, to, 0, 0}; }

class TextRig {
 public:
  TempDir Dir;
  TextPlatform Platform;
  std::unique_ptr<Reader> R;
  std::vector<Pause> Pauses;
  // What happens when a pause begins; by default Enter is pressed and let
  // go 5 ms later.
  std::function<void(const Pause&)> OnPause;
  // Called at every pump after the pause watch.
  std::function<void()> EachPump;

  TextRig() {
    Platform.Now = 100000;
    Platform.PumpLimit = 3'000'000;
    R = std::make_unique<Reader>(&Platform);
    Platform.Owner = R.get();
    R->FormCreate();
    R->IntSettings[kMsgSpeed] = 0;
    R->IntSettings[kNLineCut] = 1;
    R->IntSettings[kTagCut] = 1;
    R->IntSettings[kPageBar] = 1;
    R->IntSettings[kFontType] = 1;  // the atlas, all zero: every glyph a solid square
    R->IntSettings[kBrightness2] = 100;
    R->StrSettings[kHeadWord] = sjis::kDefaultHeadWord;
    R->StrSettings[kTailWord] = sjis::kDefaultTailWord;
    R->StrSettings[kWaitWord] = sjis::kDefaultWaitWord;
    R->StrSettings[kNLineWord] = sjis::kDefaultNLineWord;
    OnPause = [this](const Pause&) { Press(kVkReturn, 5); };
    Platform.OnPump = [this] { Watch(); };
  }

  // Writes a text and makes it the chosen one.
  std::string Use(const std::string& bytes, const std::string& name = "a.txt") {
    Dir.Write(name, bytes);
    R->StrSettings[kText] = Dir.File(name);
    return Dir.File(name);
  }
  void Run(const std::string& bytes, std::int32_t start = 0) {
    Use(bytes);
    R->ReadText(start);
  }

  // A key pressed now and let go after holdMs.
  void Press(std::uint16_t key, std::uint32_t holdMs) {
    R->FormKeyDown(key);
    Platform.At(Platform.Now + holdMs, [this, key] { R->FormKeyUp(key); });
  }

  // The lines of the page, joined by "|", without the empty ones at the end.
  std::string Lines() const {
    std::string out;
    for (const std::string& l : R->PageLines) out += l + "|";
    while (!out.empty() && out.back() == '|') out.pop_back();
    return out;
  }

  bool IsUnderlineDraw(const WindowCopy& c) const {
    return c.Source == &R->BaseBitmap && c.Sy == 480 && c.H == 2;
  }
  bool IsUnderlineErase(const WindowCopy& c) const {
    return c.Source == &R->BaseBitmap && c.Sy != 480 && c.H == 2 && c.Sy == c.Dy;
  }
  bool IsGlyphCopy(const WindowCopy& c) const {
    return c.Source == &R->BackBuffer && (c.W == 24 || c.W == 25) && c.W == c.H;
  }
  int GlyphCopies() const {
    int n = 0;
    for (const WindowCopy& c : Platform.Copies) n += IsGlyphCopy(c);
    return n;
  }

 private:
  std::size_t seen_ = 0;
  bool glyphSinceDraw_ = true;

  // A pause shows its underline at its first turn; later draws of the same
  // pause are its blinking. Every pause follows a newly drawn glyph.
  void Watch() {
    while (seen_ < Platform.Copies.size()) {
      const WindowCopy c = Platform.Copies[seen_++];
      if (IsGlyphCopy(c)) glyphSinceDraw_ = true;
      if (IsUnderlineDraw(c) && glyphSinceDraw_) {
        glyphSinceDraw_ = false;
        Pause p{(c.Dy - 44) / 26, (c.Dx - 20) / 24, (c.Dx + c.W - 20) / 24, R->PageStart, c.Time};
        Pauses.push_back(p);
        if (OnPause) OnPause(p);
      }
    }
    if (EachPump) EachPump();
  }
};

}  // namespace textrig
