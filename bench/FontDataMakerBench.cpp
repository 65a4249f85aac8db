// A whole font data file from IPAGothic the way the settings dialog and
// pagelune-fdt make it: the shared maker with its thread count, and the
// dialog's message processing between rows.
#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/qt/FontDataMaker.h"

namespace {

void BM_MakeFontDataFile(benchmark::State& state) {
  const std::string path = "/tmp/pagelune-maker-bench-" + std::to_string(getpid()) + ".fdt";
  for (auto _ : state) {
    const FontDataResult result = MakeFontDataFile(
        path, "IPAGothic", false, [](int) { QCoreApplication::processEvents(); }, nullptr);
    if (result != FontDataResult::Done) state.SkipWithError("font data was not written");
  }
  std::remove(path.c_str());
  state.counters["threads"] = FontDataThreads();
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("time = per 5,118,336-byte file, as the dialog makes it");
}

}  // namespace

BENCHMARK(BM_MakeFontDataFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
