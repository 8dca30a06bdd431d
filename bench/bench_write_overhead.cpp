// Per write, the time the worker spends outside the write call (progress, statistics, detailed
// log line, hand-over of the units to the GUI side, pause and cancel checks, opening the next
// file) against the write call's own time. The real presenter with both log files runs with a
// "GUI" thread serving its units, and a log line falls due at every write (the worst case).
//
// Free/<us>: a file layer whose writes block for <us> microseconds, as a device of that speed
//            would (0: writes cost nothing, the worker's bare cost with the GUI thread racing).
// Real/<cache>: real 8 MiB writes into files in /var/tmp, unbuffered (0) or buffered (1).
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <memory>

#include "bench/Bench.Rig.h"
#include "bench/Bench.TimedWrites.h"
#include "engine/Tester.Thread.h"
#include "report/Tester.ToView.h"

namespace {

using BenchRig::TSilentPresenter;
using BenchRig::TTimedWrites;

struct TRunOptions {
  bool NeedCache = false;
  bool WithLogs = true;
  bool RealPresenter = true;
};

void RunAndReport(benchmark::State& State, const std::string& Folder,
                  const std::shared_ptr<TTesterPlatform>& Inner, std::int64_t Writes,
                  const TRunOptions& Options) {
  const BenchRig::TWorstCasePass Pass(Folder, Writes, Options.NeedCache, Options.WithLogs,
                                      "varnell-bench-overhead");
  BenchRig::TOverheadTotals Totals;
  for (auto _ : State) {
    BenchRig::TNullView View;
    BenchRig::TGuiThread Gui;
    auto Timed = std::make_shared<TTimedWrites>(Inner, Writes);
    std::unique_ptr<TTesterPresenter> Presenter;
    if (Options.RealPresenter) {
      Presenter = std::make_unique<TTesterToView>(Pass.Setting(), View, Gui.MakeDispatcher(),
                                                  Pass.DiskQuery());
    } else {
      Presenter = std::make_unique<TSilentPresenter>();
    }
    TTesterThread Worker(Pass.Setting(), std::move(Presenter), Timed);
    if (!Totals.AddPass(State, Worker, *Timed, Writes)) {
      break;
    }
  }
  Totals.Report(State);
}

void BM_OverheadFreeWrites(benchmark::State& State) {
  const std::chrono::microseconds WriteTime(State.range(0));
  const std::int64_t Writes = WriteTime.count() == 0 ? 65536 : 512;
  TRunOptions Options;
  Options.RealPresenter = State.range(1) != 0;
  Options.WithLogs = State.range(2) != 0;
  RunAndReport(State, "/nowhere/", std::make_shared<BenchRig::TFreeVolume>(Writes, WriteTime),
               Writes, Options);
}
// write_us 0: free; 3906: 8 MiB at 2048 MiB/s; 1953: at 4096 MiB/s. presenter 0: none (the
// loop alone), 1: the real one; logs 1: with both log files.
BENCHMARK(BM_OverheadFreeWrites)
    ->ArgNames({"write_us", "presenter", "logs"})
    ->Args({0, 1, 1})
    ->Args({1953, 1, 1})
    ->Args({3906, 0, 0})
    ->Args({3906, 1, 0})
    ->Args({3906, 1, 1})
    ->Iterations(1)
    ->Repetitions(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_OverheadRealWrites(benchmark::State& State) {
  const bool NeedCache = State.range(0) != 0;
  const std::filesystem::path Folder = "/var/tmp/varnell-bench-overhead";
  std::filesystem::create_directories(Folder);
  TRunOptions Options;
  Options.NeedCache = NeedCache;
  Options.WithLogs = State.range(1) != 0;
  RunAndReport(State, Folder.string() + "/", Platform::MakeTesterPlatform(), 256, Options);
  std::filesystem::remove_all(Folder);
}
BENCHMARK(BM_OverheadRealWrites)
    ->ArgNames({"cache", "logs"})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({1, 0})
    ->Iterations(1)
    ->Repetitions(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
