// The pace of the reveal through the real Qt message pump and clock: a line
// of 24 characters at MsgSpeed 15 should take 24 x 15 ms, within 5 %.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "platform/Sjis.h"
#include "platform/qt/MessagePump.h"
#include "reader/Reader.h"

namespace {

class PacePlatform : public PlatformHooks {
 public:
  Reader* Owner = nullptr;
  int Glyphs = 0;
  std::uint32_t First = 0, Last = 0;

  void ProcessMessages() override { pump_.Pump(); }
  std::uint32_t GetTickCount() override { return MessagePump::Ticks(); }
  void Rest() override { MessagePump::Rest(); }
  void CopyToWindow(const Bitmap&, int, int, int w, int h, int, int) override {
    pump_.Touch();  // as the window does
    if (w != h || (w != 24 && w != 25)) return;
    const std::uint32_t now = MessagePump::Ticks();
    if (++Glyphs == 1) First = now;
    Last = now;
    if (Glyphs == 25 && Owner) Owner->Closing = true;  // 24 delays measured
  }
  BoxResult MessageBox(BoxKind, const std::string&, const std::string&) override {
    return BoxResult::Ok;
  }
  bool RasterizeGlyph(std::uint8_t, std::uint8_t, const std::string&, bool, int,
                      GlyphMask&) override {
    return false;
  }

 private:
  MessagePump pump_;
};

void BM_RevealPace(benchmark::State& state) {
  char buf[PATH_MAX];
  const std::string old = getcwd(buf, sizeof buf) ? buf : "/";
  std::string dir = (std::filesystem::temp_directory_path() / "pagelune-pace-XXXXXX").string();
  if (!mkdtemp(dir.data()) || chdir(dir.c_str()) != 0) std::abort();
  std::string line;
  for (int i = 0; i < 48; ++i) line += "\xE3\x81\x82";  // あ, no wait character
  std::ofstream(dir + "/pace.txt", std::ios::binary) << ToSjis(line);

  PacePlatform platform;
  auto reader = std::make_unique<Reader>(&platform);
  reader->FormCreate();
  platform.Owner = reader.get();
  reader->StrSettings[kText] = ToSjis(dir + "/pace.txt");
  reader->IntSettings[kFontType] = 1;
  reader->IntSettings[kMsgSpeed] = 15;
  double total = 0;
  for (auto _ : state) {
    platform.Glyphs = 0;
    reader->Closing = false;
    reader->ReadText(0);
    total += double(platform.Last - platform.First) / 24.0;
  }
  const double perChar = total / double(state.iterations());
  state.counters["ms/char"] = perChar;
  state.counters["off %"] = (perChar / 15.0 - 1.0) * 100.0;
  state.SetLabel("MsgSpeed 15; time = a whole run incl. the 1.08 s wipe");
  if (chdir(old.c_str()) != 0) std::abort();
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_RevealPace)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
