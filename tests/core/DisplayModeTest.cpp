// The full-screen state table: windowed, full screen on a larger desktop,
// the fixed full screen of a 640-wide desktop; F5 both ways, the setting
// after each, and closing in each state.
#include <gtest/gtest.h>

#include <memory>

#include "reader/Reader.h"
#include "ScriptedPlatform.h"
#include "TempDir.h"

namespace {

struct Rig {
  TempDir dir;
  ScriptedPlatform p;
  std::unique_ptr<Reader> r;
  explicit Rig(int desktopWidth, int fullScreenSetting = 0, int desktopHeight = 768) {
    p.DesktopWidth = desktopWidth;
    p.DesktopHeight = desktopHeight;
    if (fullScreenSetting)
      dir.Write("Yomibon.ini",
                "[System]\r\nFullScreen=" + std::to_string(fullScreenSetting) + "\r\n");
    r = std::make_unique<Reader>(&p);
    p.Owner = r.get();
    r->FormCreate();
  }
  std::string SavedFullScreen() {
    std::string ini = dir.Read("Yomibon.ini");
    std::size_t at = ini.find("FullScreen=");
    return at == std::string::npos ? "" : ini.substr(at + 11, ini.find('\r', at) - at - 11);
  }
};

TEST(DisplayMode, WindowedStartAndF5BothWays) {
  Rig g(1024);
  EXPECT_FALSE(g.r->MDisp1.Checked);
  EXPECT_TRUE(g.p.FullScreenCalls.empty());
  EXPECT_EQ(g.p.Left, (1024 - g.p.OuterWidth) / 2);

  g.r->MDisp1Click();  // F5: in
  EXPECT_TRUE(g.r->MDisp1.Checked);
  EXPECT_TRUE(g.r->MDisp1.Enabled);
  EXPECT_EQ(g.r->IntSettings[kFullScreen], 1);
  ASSERT_EQ(g.p.FullScreenCalls.size(), 1u);
  EXPECT_TRUE(g.p.FullScreenCalls.back());
  ASSERT_FALSE(g.p.MenuBarCalls.empty());
  EXPECT_FALSE(g.p.MenuBarCalls.back());  // the bar starts hidden

  g.p.Left = g.p.Top = -1;
  g.r->MDisp1Click();  // F5: out, centred again
  EXPECT_FALSE(g.r->MDisp1.Checked);
  EXPECT_EQ(g.r->IntSettings[kFullScreen], 0);
  EXPECT_FALSE(g.p.FullScreenCalls.back());
  EXPECT_EQ(g.p.Left, (1024 - g.p.OuterWidth) / 2);
  EXPECT_EQ(g.p.Top, (768 - g.p.OuterHeight) / 2);

  g.r->FormClose();
  EXPECT_EQ(g.SavedFullScreen(), "0");
}

TEST(DisplayMode, FullScreenSettingEntersAtStartAndSurvivesClose) {
  Rig g(1024, 1);
  EXPECT_TRUE(g.r->MDisp1.Checked);
  EXPECT_TRUE(g.r->MDisp1.Enabled);
  ASSERT_EQ(g.p.FullScreenCalls.size(), 1u);
  g.r->FormClose();
  // Closing leaves full screen but the setting keeps what F5 last said.
  EXPECT_FALSE(g.p.FullScreenCalls.back());
  EXPECT_FALSE(g.r->MDisp1.Checked);
  EXPECT_EQ(g.SavedFullScreen(), "1");
}

TEST(DisplayMode, AnyNonZeroSettingCountsAndIsWrittenBackAsRead) {
  Rig g(1024, 5);
  EXPECT_TRUE(g.r->MDisp1.Checked);
  g.r->FormClose();
  EXPECT_EQ(g.SavedFullScreen(), "5");
}

TEST(DisplayMode, A640WideDesktopIsFixedFullScreen) {
  Rig g(640, 0, 480);
  EXPECT_TRUE(g.r->MDisp1.Checked);
  EXPECT_FALSE(g.r->MDisp1.Enabled);  // cannot be left
  EXPECT_EQ(g.r->InstalledMenu, 2);
  ASSERT_EQ(g.p.FullScreenCalls.size(), 1u);

  // The pointer at the top row brings the bar, below it takes it away.
  g.r->FormMouseMove(100, 0);
  EXPECT_EQ(g.r->InstalledMenu, 1);
  g.r->FormMouseMove(100, 1);
  EXPECT_EQ(g.r->InstalledMenu, 2);

  g.r->FormClose();
  // Nothing is restored at close and the setting is written back unchanged.
  EXPECT_EQ(g.p.FullScreenCalls.size(), 1u);
  EXPECT_EQ(g.SavedFullScreen(), "0");
}

TEST(DisplayMode, PointerRuleOnALargerDesktop) {
  Rig g(1920, 1, 1080);
  g.p.MenuBarCalls.clear();
  g.r->FormMouseMove(300, 0);
  ASSERT_FALSE(g.p.MenuBarCalls.empty());
  EXPECT_TRUE(g.p.MenuBarCalls.back());
  g.r->FormMouseMove(300, 40);
  EXPECT_FALSE(g.p.MenuBarCalls.back());
  // Windowed, the pointer rule does nothing.
  g.r->MDisp1Click();
  g.p.MenuBarCalls.clear();
  g.r->FormMouseMove(300, 0);
  EXPECT_TRUE(g.p.MenuBarCalls.empty());
}

TEST(DisplayMode, RecordAndUnknownOperations) {
  Rig g(1280, 0, 1024);
  EXPECT_EQ(g.r->SavedDisplayMode.PelsWidth, 1280u);
  EXPECT_EQ(g.r->SavedDisplayMode.PelsHeight, 1024u);
  const auto calls = g.p.FullScreenCalls.size();
  g.r->SetDisplayMode(3);
  g.r->SetDisplayMode(-1);
  EXPECT_EQ(g.p.FullScreenCalls.size(), calls);
  EXPECT_FALSE(g.r->MDisp1.Checked);
}

}  // namespace
