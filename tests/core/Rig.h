// The reader on a scripted platform, shared by every core test: a fresh
// current folder (the reader's start folder), a virtual clock that a wait
// moves straight to its deadline or the next scripted input (a plain pump
// moves it one millisecond, and it creeps on while it is only read: the
// column wipe waits on it alone), input scheduled at virtual times, a
// 640 x 480 window, and a transcript of what the reader showed.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "../Golden.h"
#include "platform/Sjis.h"
#include "reader/Reader.h"
#include "text/SjisTexts.h"

// A check against a file of tests/golden/ (../Golden.h), failing the test
// with what it says.
#define EXPECT_GOLDEN(check) \
  if (const std::string said_ = (check); !said_.empty()) ADD_FAILURE() << said_

inline std::string S(const std::string& utf8) { return ToSjis(utf8); }
inline std::string Rep(const std::string& s, int n) {
  std::string out;
  for (; n > 0; --n) out += s;
  return out;
}

struct Copy {
  const Bitmap* Src;
  int Sx, Sy, W, H, Dx, Dy;
  std::uint32_t Time;
};

class Scripted : public PlatformHooks {
 public:
  Reader* R = nullptr;
  std::uint32_t Now = 100000;
  long long Pumps = 0;
  std::vector<std::pair<std::uint32_t, std::function<void()>>> Events;
  std::function<void()> OnPump;
  // Transcript: pauses ("row.from-to", with "#hash" of the window when
  // HashPauses), beeps ("!") and boxes ("W:text", kind letter WIQPEY).
  std::string Log;
  bool HashPauses = false;
  Bitmap Window{640, 480};
  std::vector<Copy> Copies;
  std::vector<BoxResult> Answers;  // in order; Ok once used up
  std::vector<std::string> Captions;
  int Rasterizations = 0;
  int DesktopW = 1024, DesktopH = 768, Left = 0, Top = 0;
  std::string Frame;  // full screen entered or left, menu bar shown or hidden, menus changed
  std::function<bool(FileDialogRequest&)> Choose;

  void At(std::uint32_t t, std::function<void()> f) { Events.emplace_back(t, std::move(f)); }
  void Press(std::uint16_t key, std::uint32_t hold) {
    R->FormKeyDown(key);
    At(Now + hold, [this, key] { R->FormKeyUp(key); });
  }

  void ProcessMessages() override {
    if (++Pumps > 20'000'000) throw std::runtime_error("the run does not end");
    ++Now;
    idle_ = 0;
    for (;;) {
      // The earliest event, by the difference of times, as the tick counter wraps.
      const auto due = std::min_element(Events.begin(), Events.end(), [](auto& a, auto& b) {
        return std::int32_t(a.first - b.first) < 0;
      });
      if (due == Events.end() || std::int32_t(Now - due->first) < 0) break;
      auto f = std::move(due->second);
      Events.erase(due);
      f();
    }
    Watch();
    if (OnPump) OnPump();
  }
  // A wait with a time limit or none moves the clock straight to its end or
  // to the next scripted event, whichever comes first; but right after a
  // draw, a plain pump lets OnPause and OnPump see it at its own time.
  void ProcessMessagesUntil(std::uint32_t until) override {
    Skip(static_cast<std::int32_t>(until - Now));
    ProcessMessages();
  }
  void WaitForMessages() override {
    if (!Events.empty()) Skip(INT32_MAX);
    ProcessMessages();
  }
  void RestUntil(std::uint32_t until) override {
    if (static_cast<std::int32_t>(until - Now) > 0) Now = until;
  }
  std::uint32_t GetTickCount() override { return ++idle_ > 8 ? ++Now : Now; }
  void CopyToWindow(const Bitmap& src, int sx, int sy, int w, int h, int dx, int dy) override {
    idle_ = 0;
    // A copy never reaches past its picture, even where the window would clip it.
    EXPECT_TRUE(sx >= 0 && sy >= 0 && sx + w <= src.Width() && sy + h <= src.Height());
    Copies.push_back({&src, sx, sy, w, h, dx, dy, Now});
    CopyRect(Window, dx, dy, src, sx, sy, w, h);
  }
  int Flushes = 0;
  void FlushWindow() override { ++Flushes; }
  void Beep() override { Log += "! "; }
  BoxResult MessageBox(BoxKind kind, const std::string& text, const std::string& caption) override {
    Log += std::string(1, "WIQPEY"[int(kind)]) + ":" + ToUtf8(text) + " ";
    EXPECT_TRUE(kind != BoxKind::Warning || caption == sjis::kWarningTitle);
    if (Answers.empty()) return BoxResult::Ok;
    const BoxResult a = Answers.front();
    Answers.erase(Answers.begin());
    return a;
  }
  void CaptionChanged(const std::string& c) override { Captions.push_back(ToUtf8(c)); }
  // A solid block over the top-left two thirds of the cell.
  bool RasterizeGlyph(std::uint8_t, std::uint8_t, const std::string&, bool, int cell,
                      GlyphMask& out) override {
    ++Rasterizations;
    out.Width = out.Height = cell;
    out.Alpha.assign(std::size_t(cell) * cell, 0);
    for (int y = 0; y < cell * 2 / 3; ++y)
      for (int x = 0; x < cell * 2 / 3; ++x) out.Alpha[std::size_t(y) * cell + x] = 255;
    return true;
  }
  // A file that starts with "B" reads as a 1 x 1 picture, any other as none.
  bool LoadBitmapFile(const std::string& path, Bitmap& out) override {
    return std::ifstream(path).get() == 'B' && (out = Bitmap(1, 1, 0x102030), true);
  }
  bool ChooseFile(FileDialogRequest& req) override { return Choose && Choose(req); }
  void CloseWindow() override { R->FormClose(); }
  void GetDesktop(int& w, int& h, int& bpp) override { w = DesktopW, h = DesktopH, bpp = 24; }
  // A 3-pixel frame, a 26-pixel caption and a 16-pixel menu bar.
  void GetWindowOuterSize(int& w, int& h) override { w = 6 + 640 * Zoom, h = 45 + 480 * Zoom; }
  int Zoom = 1;
  void SetZoom(int k) override { Zoom = k; }
  void SetFullScreen(bool on) override { Frame += on ? "full " : "window "; }
  void ShowMenuBar(bool on) override { Frame += on ? "bar " : "nobar "; }
  void MenuChanged() override { Frame += "menus "; }
  void MoveWindow(int left, int top) override { Left = left, Top = top; }

  bool IsGlyph(const Copy& c) const {
    return c.Src == &R->BackBuffer && (c.W == 24 || c.W == 25) && c.W == c.H;
  }
  std::vector<std::uint32_t> GlyphTimes() const {
    std::vector<std::uint32_t> t;
    for (const Copy& c : Copies)
      if (IsGlyph(c)) t.push_back(c.Time);
    return t;
  }

 private:
  int idle_ = 0;
  std::size_t seen_ = 0;
  // Moves the clock on by up to ahead - 1 ms, short of the next event; the
  // pump that follows adds the last.
  void Skip(std::int32_t ahead) {
    if (seen_ < Copies.size()) return;
    for (const auto& e : Events) ahead = std::min(ahead, static_cast<std::int32_t>(e.first - Now));
    if (ahead > 1) Now += static_cast<std::uint32_t>(ahead - 1);
  }
  bool glyphSincePause_ = true;
  // A pause shows its underline (rows 480..481 of BaseBitmap) at its first
  // turn; later draws of the same pause are its blinking.
  void Watch() {
    for (; seen_ < Copies.size(); ++seen_) {
      const Copy c = Copies[seen_];
      if (IsGlyph(c)) glyphSincePause_ = true;
      // In vertical text: column.from-to, its marker from MarkerColumns.
      const bool v = c.Src == &R->MarkerColumns;
      if ((!v && (c.Src != &R->BaseBitmap || c.Sy != 480 || c.H != 2)) || !glyphSincePause_)
        continue;
      glyphSincePause_ = false;
      const std::string_view window((const char*)Window.Bits(), Window.Stride() * 480);
      const int from = v ? (c.Dy - 19) / 24 : (c.Dx - 20) / 24, to = from + (v ? c.H : c.W) / 24;
      const PageLayout& l = R->Layout;
      Log += std::to_string(v ? (l.BaseX(0, 0) - 2 - c.Dx) / l.Pitch()
                              : (c.Dy - l.BaseY(0, 0) - 25) / l.Pitch()) +
             "." + std::to_string(from) + "-" + std::to_string(to) +
             (HashPauses ? "#" + std::to_string(std::hash<std::string_view>()(window)) : "") + " ";
      if (OnPause) OnPause();
    }
  }

 public:
  // What a pause does; by default Enter, let go 5 ms later.
  std::function<void()> OnPause = [this] { Press(kVkReturn, 5); };
};

// A fresh folder that is the current one while the rig lives, a settings
// file in it if given, and a reader started there.
class Rig {
 public:
  std::string Dir;
  Scripted P;
  std::unique_ptr<Reader> R;

  explicit Rig(const std::string& ini = "", bool start = true) {
    old_ = std::filesystem::current_path();
    std::string tmpl = (std::filesystem::temp_directory_path() / "pagelune-XXXXXX").string();
    Dir = mkdtemp(tmpl.data());
    EXPECT_EQ(chdir(Dir.c_str()), 0);
    if (!ini.empty()) Write("Yomibon.ini", ini);
    R = std::make_unique<Reader>(&P);
    P.R = R.get();
    if (start) R->FormCreate();
  }
  ~Rig() {
    R.reset();
    EXPECT_EQ(chdir(old_.c_str()), 0);
    std::error_code ec;
    std::filesystem::permissions(Dir, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(Dir, ec);
  }

  std::string File(const std::string& name) const { return Dir + "/" + name; }
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(File(name), std::ios::binary) << bytes;
    return File(name);
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(File(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  // Makes bytes the chosen text and reads it from start; the transcript.
  std::string Run(const std::string& bytes, std::int32_t start = 0) {
    R->StrSettings[kText] = Write("a.txt", bytes);
    R->ReadText(start);
    return P.Log;
  }
  // The page's lines joined by "|", empty ones at the end left out.
  std::string Lines() const {
    std::string out;
    for (const std::string& l : R->PageLines) out += l + "|";
    while (!out.empty() && out.back() == '|') out.pop_back();
    return out;
  }

 private:
  std::string old_;
};
