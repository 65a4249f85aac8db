// A platform for headless tests: a virtual clock that moves on by a fixed
// step at each pump of the message queue, input events scheduled at virtual
// times, a 640 x 480 window surface, and a record of every window copy,
// message box and beep.
#pragma once

#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "reader/Platform.h"
#include "reader/Reader.h"

struct WindowCopy {
  const Bitmap* Source;
  int Sx, Sy, W, H, Dx, Dy;
  std::uint32_t Time;
};

struct ShownBox {
  BoxKind Kind;
  std::string Text;     // Shift-JIS
  std::string Caption;  // Shift-JIS
};

class ScriptedPlatform : public PlatformHooks {
 public:
  // ---- clock and message queue ----
  std::uint32_t Now = 0;
  std::uint32_t PumpStep = 1;  // ms the clock moves on at each pump
  long long Pumps = 0;
  long long PumpLimit = 50'000'000;  // a runaway loop fails the test
  struct Event {
    std::uint32_t Time;
    std::function<void()> Action;
  };
  std::vector<Event> Events;     // run in time order once the clock reaches them
  std::function<void()> OnPump;  // called at every pump after the events

  void At(std::uint32_t time, std::function<void()> action) {
    Events.push_back({time, std::move(action)});
  }

  void ProcessMessages() override {
    if (++Pumps > PumpLimit) throw std::runtime_error("message pump limit reached");
    Now += PumpStep;
    // Run due events in order; an action may schedule more.
    for (;;) {
      std::size_t best = Events.size();
      for (std::size_t i = 0; i < Events.size(); ++i)
        if (Events[i].Time <= Now && (best == Events.size() || Events[i].Time < Events[best].Time))
          best = i;
      if (best == Events.size()) break;
      auto action = std::move(Events[best].Action);
      Events.erase(Events.begin() + best);
      action();
    }
    if (OnPump) OnPump();
  }
  // Reading the clock without pumping also lets time pass (the wipe waits
  // on the clock alone).
  std::uint32_t TickStep = 0;
  std::uint32_t GetTickCount() override {
    std::uint32_t t = Now;
    Now += TickStep;
    return t;
  }

  // ---- window ----
  Bitmap Window{640, 480};
  std::vector<WindowCopy> Copies;
  int Flushes = 0;
  void CopyToWindow(const Bitmap& src, int sx, int sy, int w, int h, int dx, int dy) override {
    Copies.push_back({&src, sx, sy, w, h, dx, dy, Now});
    CopyRect(Window, dx, dy, src, sx, sy, w, h);
  }
  void FlushWindow() override { ++Flushes; }

  // ---- boxes and sounds ----
  int Beeps = 0;
  std::vector<ShownBox> Boxes;
  std::vector<BoxResult> BoxAnswers;  // answers in order; Ok when exhausted
  void Beep() override { ++Beeps; }
  BoxResult MessageBox(BoxKind kind, const std::string& text, const std::string& caption) override {
    Boxes.push_back({kind, text, caption});
    if (BoxAnswers.empty()) return BoxResult::Ok;
    BoxResult r = BoxAnswers.front();
    BoxAnswers.erase(BoxAnswers.begin());
    return r;
  }

  // ---- menu and caption ----
  int MenuChanges = 0;
  std::vector<std::string> Captions;
  void MenuChanged() override { ++MenuChanges; }
  void CaptionChanged(const std::string& caption) override { Captions.push_back(caption); }

  // ---- text rasteriser: by default a solid block in the cell's top-left
  // two thirds, so font-mode tests have ink to look at ----
  std::function<bool(std::uint8_t, std::uint8_t, const std::string&, bool, int, GlyphMask&)>
      Rasterize;
  int Rasterizations = 0;
  bool RasterizeGlyph(std::uint8_t lead, std::uint8_t trail, const std::string& face, bool bold,
                      int cellHeight, GlyphMask& out) override {
    ++Rasterizations;
    if (Rasterize) return Rasterize(lead, trail, face, bold, cellHeight, out);
    out.Width = out.Height = cellHeight;
    out.Alpha.assign(std::size_t(cellHeight) * cellHeight, 0);
    for (int y = 0; y < cellHeight * 2 / 3; ++y)
      for (int x = 0; x < cellHeight * 2 / 3; ++x) out.Alpha[std::size_t(y) * cellHeight + x] = 255;
    return true;
  }

  // ---- files and dialogs ----
  std::map<std::string, Bitmap> BitmapFiles;  // path -> picture
  bool LoadBitmapFile(const std::string& path, Bitmap& out) override {
    auto it = BitmapFiles.find(path);
    if (it == BitmapFiles.end()) return false;
    out = it->second;
    return true;
  }
  std::vector<FileDialogRequest> FileDialogs;  // what each dialog was given
  std::function<bool(FileDialogRequest&)> ChooseFileAnswer;
  bool ChooseFile(FileDialogRequest& req) override {
    FileDialogs.push_back(req);
    bool ok = ChooseFileAnswer ? ChooseFileAnswer(req) : false;
    return ok;
  }

  // ---- window frame and desktop ----
  Reader* Owner = nullptr;  // set to have CloseWindow run FormClose
  bool CloseRequested = false;
  void CloseWindow() override {
    CloseRequested = true;
    if (Owner) Owner->FormClose();
  }
  int DesktopWidth = 1024, DesktopHeight = 768, DesktopBpp = 24;
  int OuterWidth = 646, OuterHeight = 525;
  int Left = 0, Top = 0;
  std::vector<bool> FullScreenCalls;
  std::vector<bool> MenuBarCalls;
  void GetDesktop(int& w, int& h, int& bpp) override {
    w = DesktopWidth;
    h = DesktopHeight;
    bpp = DesktopBpp;
  }
  void GetWindowOuterSize(int& w, int& h) override {
    w = OuterWidth;
    h = OuterHeight;
  }
  void MoveWindow(int left, int top) override {
    Left = left;
    Top = top;
  }
  void SetFullScreen(bool on) override { FullScreenCalls.push_back(on); }
  void ShowMenuBar(bool visible) override { MenuBarCalls.push_back(visible); }
};
