// Timing through the real Qt message pump and clock: the pace of the reveal
// at several MsgSpeed values (24 delays should take 24 x MsgSpeed ms, within
// 1 %), the blink of the underline in a pause (edges on their 400 ms marks,
// within 2 ms), and how soon an event that arrives during a pause is
// handled (within a millisecond or so).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <QCoreApplication>
#include <QEvent>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/Sjis.h"
#include "platform/qt/MessagePump.h"
#include "reader/Reader.h"

namespace {

double NowMs() {
  return std::chrono::duration<double, std::milli>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

class PacePlatform : public PlatformHooks {
 public:
  Reader* Owner = nullptr;
  std::vector<double> Glyphs, Underlines;  // times of the window copies, ms
  std::size_t StopAfterGlyphs = 0;         // then the run closes
  std::function<void()> OnUnderline;

  void ProcessMessages() override { pump_.Pump(); }
  void ProcessMessagesUntil(std::uint32_t until) override { pump_.PumpUntil(until); }
  void WaitForMessages() override { pump_.PumpWait(); }
  std::uint32_t GetTickCount() override { return MessagePump::Ticks(); }
  void RestUntil(std::uint32_t until) override { MessagePump::SleepUntil(until); }
  void CopyToWindow(const Bitmap& src, int, int sy, int w, int h, int, int dy) override {
    if (w == h && (w == 24 || w == 25)) {
      Glyphs.push_back(NowMs());
      if (Glyphs.size() == StopAfterGlyphs) Owner->Closing = true;
    }
    if (&src == &Owner->BaseBitmap && h == 2 && (sy == 480 || sy == dy)) {
      Underlines.push_back(NowMs());
      if (OnUnderline) OnUnderline();
    }
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

// A reader in a scratch folder, reading its text from there.
struct PaceRig {
  std::string Old, Dir;
  PacePlatform Platform;
  std::unique_ptr<Reader> R;

  explicit PaceRig(const std::string& utf8) {
    char buf[PATH_MAX];
    Old = getcwd(buf, sizeof buf) ? buf : "/";
    Dir = (std::filesystem::temp_directory_path() / "pagelune-pace-XXXXXX").string();
    if (!mkdtemp(Dir.data()) || chdir(Dir.c_str()) != 0) std::abort();
    std::ofstream(Dir + "/pace.txt", std::ios::binary) << ToSjis(utf8);
    R = std::make_unique<Reader>(&Platform);
    R->FormCreate();
    Platform.Owner = R.get();
    R->StrSettings[kText] = ToSjis(Dir + "/pace.txt");
  }
  ~PaceRig() {
    R.reset();
    if (chdir(Old.c_str()) != 0) std::abort();
    std::filesystem::remove_all(Dir);
  }
};

std::string Rep(const std::string& s, int n) {
  std::string out;
  while (n-- > 0) out += s;
  return out;
}

// range(0) is MsgSpeed. A line of 25 characters without a pause: the time
// from the first to the last is 24 delays.
void BM_RevealPace(benchmark::State& state) {
  const int speed = static_cast<int>(state.range(0));
  PaceRig rig(Rep("あ", 48));
  rig.R->IntSettings[kMsgSpeed] = speed;
  rig.Platform.StopAfterGlyphs = 25;
  double total = 0, worst = 0;
  for (auto _ : state) {
    std::vector<double>& g = rig.Platform.Glyphs;
    g.clear();
    rig.R->Closing = false;
    rig.R->ReadText(0);
    if (g.size() < 25) {
      state.SkipWithError("the line was not shown");
      break;
    }
    total += (g[24] - g[0]) / 24.0;
    for (int i = 1; i < 25; ++i) worst = std::max(worst, g[i] - g[i - 1]);
  }
  const double perChar = total / double(state.iterations());
  state.counters["ms/char"] = perChar;
  state.counters["off %"] = (perChar / speed - 1.0) * 100.0;
  state.counters["worst ms"] = worst;
  state.SetLabel("time = a whole run: the 1.08 s wipe and 25 characters");
}
BENCHMARK(BM_RevealPace)
    ->Arg(1)
    ->Arg(15)
    ->Arg(25)
    ->Arg(50)
    ->Arg(100)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// A pause of 4 s: each edge of the underline against its mark, 400 ms apart
// from the millisecond the pause began in.
void BM_BlinkEdges(benchmark::State& state) {
  PaceRig rig("あ。い");
  rig.R->IntSettings[kMsgSpeed] = 0;
  double worst = 0, sum = 0;
  int edges = 0;
  for (auto _ : state) {
    std::vector<double>& u = rig.Platform.Underlines;
    u.clear();
    rig.R->Closing = false;
    rig.Platform.OnUnderline = [&] {
      if (u.size() == 11) rig.R->Closing = true;
    };
    rig.R->ReadText(0);
    const double start = std::floor(u[0]);
    for (std::size_t k = 1; k < u.size() && k < 11; ++k) {
      const double off = std::abs(u[k] - start - 400.0 * double(k));
      worst = std::max(worst, off);
      sum += off;
      ++edges;
    }
  }
  state.counters["worst ms"] = worst;
  state.counters["mean ms"] = edges ? sum / edges : 0;
  state.SetLabel("10 edges of one pause");
}
BENCHMARK(BM_BlinkEdges)->Unit(benchmark::kMillisecond)->Iterations(2);

// Events posted from another thread at random moments of a pause, as the
// window system's input arrives: a press ends the pause, a release follows.
// Reported: how long each waited before the reader handled it.
class KeyEvent : public QEvent {
 public:
  KeyEvent(bool down, double sent) : QEvent(QEvent::User), Down(down), Sent(sent) {}
  bool Down;
  double Sent;
};

class KeyTarget : public QObject {
 public:
  Reader* R = nullptr;
  std::vector<double> Waits;
  bool InPause = false;
  std::atomic<int> Pauses{0};
  bool event(QEvent* e) override {
    if (e->type() != QEvent::User) return QObject::event(e);
    const auto* k = static_cast<KeyEvent*>(e);
    Waits.push_back(NowMs() - k->Sent);
    if (k->Down) InPause = false;
    k->Down ? R->FormKeyDown(kVkReturn) : R->FormKeyUp(kVkReturn);
    return true;
  }
};

void BM_InputInPause(benchmark::State& state) {
  constexpr int kPauses = 10;
  PaceRig rig(Rep("あ。", kPauses));
  rig.R->IntSettings[kMsgSpeed] = 15;
  KeyTarget target;
  target.R = rig.R.get();
  for (auto _ : state) {
    target.Pauses = 0;
    // The first draw of a pause's underline tells that the pause began.
    rig.Platform.OnUnderline = [&] {
      if (!target.InPause) ++target.Pauses;
      target.InPause = true;
    };
    std::thread input([&] {
      std::mt19937 random(7);
      for (int k = 1; k <= kPauses; ++k) {
        while (target.Pauses < k) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::this_thread::sleep_for(std::chrono::microseconds(20000 + random() % 500000));
        QCoreApplication::postEvent(&target, new KeyEvent(true, NowMs()));
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        QCoreApplication::postEvent(&target, new KeyEvent(false, NowMs()));
      }
    });
    rig.R->ReadText(0);
    input.join();
  }
  const std::vector<double>& w = target.Waits;
  state.counters["worst ms"] = w.empty() ? 0 : *std::max_element(w.begin(), w.end());
  state.counters["events"] = double(w.size());
  state.SetLabel("presses and releases during pauses");
}
BENCHMARK(BM_InputInPause)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
