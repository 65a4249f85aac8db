// A reader on the title screen for the title-menu and input tests: started
// in a fresh folder (no settings file, no wallpapers), then given a known
// menu position, a patterned cover wallpaper and a hand-made glyph atlas so
// that every pixel of the menu can be predicted.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "ScriptedPlatform.h"
#include "reader/Reader.h"

class TitleFixture : public ::testing::Test {
 protected:
  ScriptedPlatform platform;
  std::unique_ptr<Reader> r;
  std::string dir;  // fresh folder, also the reader's start folder

  void SetUp() override {
    char tmpl[] = "/tmp/pagelune-title-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
    char old[PATH_MAX];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(chdir(dir.c_str()), 0);
    // The wipe waits on the clock alone; let reading it move time on.
    platform.TickStep = 1;
    r = std::make_unique<Reader>(&platform);
    r->FormCreate();
    ASSERT_EQ(chdir(old), 0);

    r->IntSettings[kFontType] = 1;
    r->IntSettings[kBrightness1] = 50;
    r->IntSettings[kMenuPosX] = 456;
    r->IntSettings[kMenuPosY] = 328;
    r->IntSettings[kMenuPosZ] = 24;
    r->StrSettings[kText].clear();
    r->Records[0] = ReadRecord{};
    r->OpenDialog1FilterIndex = 1;
    r->IntSettings[kFilterIndex] = 1;
    r->CoverWallpaper = Wallpaper();
    FillAtlas(r->FontAtlas);
    Redraw();
  }

  void TearDown() override {
    r.reset();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }

  // Draws the cover again and forgets what the platform has recorded so far.
  void Redraw() {
    r->DrawTitleScreen(false);
    Forget();
  }
  void Forget() {
    platform.Copies.clear();
    platform.Boxes.clear();
    platform.Beeps = 0;
    platform.MenuChanges = 0;
    platform.FileDialogs.clear();
  }

  std::string MakeFile(const std::string& name, const std::string& bytes) {
    std::string path = dir + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  // A 7 x 5 tile with a different colour at every pixel, so a background
  // taken from the wrong place shows.
  static Bitmap Wallpaper() {
    Bitmap w(7, 5);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 7; ++x)
        w.SetPixel(
            x, y,
            Colour(30 * x + 10) | Colour(40 * y + 20) << 8 | Colour(200 - 9 * x - 7 * y) << 16);
    return w;
  }

  // Every slot holds a different mix of background weights 0..16.
  static void FillAtlas(std::vector<std::uint8_t>& atlas) {
    for (std::size_t i = 0; i < atlas.size(); ++i) {
      const std::size_t slot = i / kAtlasSlotBytes, rc = i % kAtlasSlotBytes;
      atlas[i] = static_cast<std::uint8_t>((slot + (rc / 24) * 5 + (rc % 24) * 3) % 17);
    }
  }
};
