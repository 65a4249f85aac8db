// Reading comfort: the wheel, the look back through the run's pages, auto
// mode and the window's zoom.
#include "Rig.h"
#include "render/Screen.h"

namespace {

constexpr int kAway = 120, kTowards = -120;  // a wheel notch either way

// On the cover the wheel moves the highlight as Up and Down do, a step each
// 120 units, finer turns added up; focus lost forgets a part turn.
TEST(Comfort, WheelOnTheCover) {
  Rig rig;
  const std::tuple<int, std::vector<int>, int> cases[] = {
      {-1, {-120}, 0}, {-1, {120}, 0},          {0, {-60, -59}, 0}, {0, {-60, -60}, 1},
      {1, {-60}, 1},   {1, {-60}, 1},           {1, {-240}, 3},     {2, {-240}, 3},
      {3, {360}, 0},   {2, {100, -100, 130}, 1}};
  for (auto [from, turns, to] : cases) {
    rig.R->InputState = 4;  // an arrow held
    rig.R->FormDeactivate();
    rig.R->SelectTitleItem(from, false);
    for (int t : turns) rig.R->FormMouseWheel(t);
    EXPECT_EQ(std::pair(rig.R->Mode, rig.R->InputState), std::pair(to, 0)) << from;
  }
}

// The look back, through the run's pages or (Space) the previous one:
// moves (wheel turns, keys, 0 for Ctrl+T) at a pause, and after each what
// is seen: the page shown (page k has k characters on its first line), the
// marker in the page bar's row or the caption, whether the settings dialog
// is shut, the line read, and the page a bookmark saved then keeps.
TEST(Pause, LookBackThroughPages) {
  const int up = kVkPageUp, down = kVkPageDown, esc = kVkEscape, space = kVkSpace;
  // clang-format off
  const std::unordered_map<int, std::string> names = {{kAway, "wheel away"}, {kTowards, "wheel towards"},
      {up, "PageUp"}, {down, "PageDown"}, {esc, "Escape"}, {space, "Space"}, {0, "Ctrl+T"},
      {kVkReturn, "Enter"}};
  const std::tuple<int, int, std::vector<int>> cases[] = {
      {1, 52, {kAway, kAway, kTowards, kVkReturn, kAway, kVkReturn}}, {1, 52, {kAway, 0}},
      {1, 52, {up, up, up, up, down, down, esc, esc}}, {1, 52, {kTowards}}, {1, 52, {space, 0}},
      {1, 52, {kAway, kTowards, space, kTowards, space}}, {0, 52, {kAway, up, kTowards, kTowards}},
      {1, 1, {kAway, up, space, kVkReturn}}};
  // clang-format on
  std::string got = "Moves at a pause (52: the first of page 4, 1: of page 1), what each shows\n";
  for (const auto& [bar, at, moves] : cases) {
    Rig rig;
    Reader& r = *rig.R;
    r.IntSettings[kNLineCut] = r.IntSettings[kMsgSpeed] = 0;
    r.IntSettings[kPageBar] = bar;
    got += "page bar " + std::to_string(bar) + ", pause " + std::to_string(at) + ", moves";
    for (const int& m : moves) got += " " + names.at(m) + (&m == &moves.back() ? ":\n" : ",");
    std::vector<std::size_t> starts;  // page k's bytes; it begins at the line feed before them
    auto look = [&](int m) {
      int n = 0;
      while (rig.P.Window.Pixel(24 + 24 * n, 23) == kWhite) ++n;
      const bool marker = rig.P.Window.Pixel(229, 464) == kDarkGrey;
      // A page looked back at has its second line too.
      EXPECT_TRUE(r.MEnv1.Enabled || !n ||
                  rig.P.Window.Pixel(24, 49) != r.BaseBitmap.Pixel(24, 49));
      r.MDataClick(0);
      int saved = 0;
      for (std::size_t s : starts) saved += s <= std::size_t(r.Records[1].Index) + 1;
      got += "  " + names.at(m) + ": " + (n ? "page " + std::to_string(n) : "empty page") +
             " shown" + (marker ? ", marker" : "") +
             (bar ? "" : ", caption \"" + rig.P.Captions.back() + "\"") +
             (r.MEnv1.Enabled ? "" : ", settings shut") + ", reading line " +
             std::to_string(r.Row) + ", a bookmark keeps page " + std::to_string(saved) + "\n";
    };
    int pauses = 0;
    rig.P.OnPause = [&] {
      if (++pauses != at) return rig.P.At(rig.P.Now + 60, [&] { rig.P.Press(kVkReturn, 5); });
      for (std::size_t i = 0; i <= moves.size(); ++i) {
        const int m = i < moves.size() ? moves[i] : kVkReturn;
        rig.P.At(rig.P.Now + 50 * i + 50, [&, m] {
          std::abs(m) == kAway ? r.FormMouseWheel(m) : m ? rig.P.Press(m, 5) : r.MTitle1Click();
        });
        if (i < moves.size()) rig.P.At(rig.P.Now + 50 * i + 75, [&, m] { look(m); });
      }
    };
    std::string text;
    for (int p = 1; p <= 4; ++p)
      starts.push_back(text.size()), text += Rep(S("あ"), p) + "\n" + Rep(S("い\n"), 16);
    rig.Run(text);
    EXPECT_TRUE(r.MEnv1.Enabled && r.Mode == -1 && r.PageHistory.empty());
  }
  EXPECT_GOLDEN(GoldenListing("look-back.txt", got));
  Rig many;  // the last 100 pages are kept
  std::size_t kept = 0;
  many.P.OnPause = [&] { kept = many.R->PageHistory.size(), many.P.Press(kVkReturn, 5); };
  many.R->IntSettings[kMsgSpeed] = 0;
  many.Run(Rep(S("あ"), 24 * 17 * 102 + 1));
  EXPECT_EQ(kept, 100u);
}

// The marker, "-10" in figures of 2 x 2 squares on a dark box (the picture
// from two pixels around it), nothing else changed; depth 0 gives the clean
// area back.
TEST(Render, LookBackMarker) {
  const Bitmap clean(640, 480, 0x102030);
  Bitmap b = clean;
  DrawLookBackMarker(b, clean, 10);
  const Rect m = screen::kLookBackMarker;
  EXPECT_GOLDEN(
      GoldenPicture("look-back-marker.png", b, {m.Left - 2, m.Top - 2, m.Right + 2, m.Bottom + 2}));
  EXPECT_TRUE(Except(clean, b, m) == b);
  DrawLookBackMarker(b, clean, 0);
  EXPECT_TRUE(b == clean);
}

// Auto mode (the A key here) ends every pause by itself AutoWait ms (out of
// range: 1500) and 50 ms a character shown since the last pause after the
// pump that starts it; leaving the run ends it. Skip mode and auto mode turn
// each other off; on the cover auto mode cannot be turned on.
TEST(Pause, AutoMode) {
  for (auto [setting, wait] : {std::pair{0u, 0u}, {2000u, 2000u}, {70000u, 1500u}}) {
    Rig rig;
    rig.R->IntSettings[kMsgSpeed] = 0;
    rig.R->IntSettings[kAutoWait] = setting;
    // A look back in the first pause, 3000 ms from its first underline and
    // let go 5 ms later (3007 ms after the last character), starts the wait
    // again.
    rig.P.OnPause = [&] {
      if (rig.P.GlyphTimes().size() > 4) return;
      rig.P.Press(kVkSpace, 5);
      rig.P.At(rig.P.Now + 3000, [&] { rig.P.Press(kVkSpace, 5); });
    };
    rig.P.OnPump = [&] {
      if (!rig.R->MAuto1.Checked && rig.R->Column == 4) rig.R->FormKeyDown(kVkA);
    };
    rig.Run(S("あいう。え。お"));
    const auto t = rig.P.GlyphTimes();
    EXPECT_EQ(std::pair(t[4] - t[3], t[6] - t[5]), std::pair(wait + 201 + 3007, wait + 101))
        << setting;
    EXPECT_FALSE(rig.R->MAuto1.Checked || rig.R->MAuto1.Enabled);
  }
  Rig rig;
  Reader& r = *rig.R;
  std::string states;
  for (int k : {0, 2, 1, 0, 1, 0, 0}) {
    r.MAuto1.Enabled |= k == 2;  // as on the reading screen
    k == 1 ? r.MSkip1Click() : r.MAuto1Click();
    states += std::to_string(r.Skipping) + std::to_string(r.MAuto1.Checked) + " ";
  }
  EXPECT_EQ(states, "00 01 10 01 10 01 00 ");
}

// The zoom after a choice: the factors whose window (its frame and menu bar
// do not grow) fits the screen's free area are offered, x1 always; the stored
// one, or the largest offered below it, is checked ("*") and shown; the
// window is centred, unless full screen; then the stored value.
TEST(Comfort, Zoom) {
  // clang-format off
  const std::tuple<int, int, std::string, int, std::string> cases[] = {
      {1024, 768, "", 2, "1*-- 1 189,121 1"},      {1366, 768, "Zoom=2", 0, "1*-- 1 360,121 2"},
      {1286, 1005, "Zoom=3", 4, "12*- 2 0,0 3"},   {1285, 1005, "Zoom=2", 1, "1*-- 1 319,240 1"},
      {1286, 1004, "Zoom=2", -1, "1*-- 1 320,239 2"}, {1926, 1485, "Zoom=7", 0, "1*23 1 640,480 7"},
      {1926, 1485, "Zoom=2", 3, "123* 3 0,0 3"},
      {1926, 1485, "Zoom=2\r\nFullScreen=1", 3, "123* 3 0,0 3"}};
  // clang-format on
  for (const auto& [w, h, ini, choice, seen] : cases) {
    Rig rig("[System]\r\n" + ini + "\r\n", false);
    Reader& r = *rig.R;
    rig.P.DesktopW = w;
    rig.P.DesktopH = h;
    r.FormCreate();
    r.MZoomClick(choice);
    std::string got;
    for (const MenuItem& m : r.ZoomItems)
      got += (m.Enabled ? std::to_string(m.Tag) : "-") + (m.Checked ? "*" : "");
    EXPECT_EQ(got + " " + std::to_string(r.WindowZoom) + " " + std::to_string(rig.P.Left) + "," +
                  std::to_string(rig.P.Top) + " " + std::to_string(r.IntSettings[kZoom]),
              seen);
  }
}

}  // namespace
