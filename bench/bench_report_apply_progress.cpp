// ApplyProgress as the worker calls it after every write, with the view's work run on another
// thread (the "GUI" thread serving the queue), as in the program.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "bench/Bench.Rig.h"
#include "report/Gui.QueueDispatcher.h"
#include "report/Tester.Logger.h"
#include "report/Tester.ToView.h"

namespace {

using BenchRig::MiB;
using BenchRig::TNullView;

// range(0): 1 writes the detailed log file too (one file write per call).
// range(1): 0 calls back to back, so that the GUI thread races the worker for the queue (the
// worst case); otherwise a pause of that many microseconds follows each call, as the writes
// give in the program, and only the call itself is timed.
void BM_ApplyProgress(benchmark::State& State) {
  const bool Detailed = State.range(0) != 0;
  const std::chrono::microseconds Pause(State.range(1));
  const std::string DetailedPath = "/tmp/varnell-bench-detailed.txt";

  TNullView View;
  std::atomic<TQueueDispatcher*> Shared{nullptr};
  std::atomic<bool> Stop{false};
  std::thread Gui([&] {
    while (Shared.load() == nullptr) {
      std::this_thread::yield();
    }
    while (!Stop) {
      Shared.load()->WaitAndRunPending(std::chrono::milliseconds(1));
    }
  });
  auto Dispatcher = std::make_unique<TQueueDispatcher>(Gui.get_id());
  Shared = Dispatcher.get();

  TSetting Setting;
  Setting.UnitSpeed = TUnitSpeed::ZeroPointOnePercent;
  if (Detailed) {
    Setting.DetailedRecordPath = DetailedPath;
  }
  {
    // A 4 TB disk, all free: a sample every few hundred writes, as on a real large drive.
    const std::int64_t DiskByte = 4'000'000 * MiB;
    TTesterToView Presenter(
        Setting, View, std::move(Dispatcher),
        [&](const std::string&) {
          return TDiskIdentity{"BENCH", DiskByte};
        },
        [] { return 45000.0; }, ".");
    const std::int32_t Target = 3'900'000;
    Presenter.PrintInitialSetting(1, DiskByte, DiskByte, Target);
    std::int32_t Written = 0;
    using TClock = std::chrono::steady_clock;
    for (auto _ : State) {
      Written = Written >= Target ? 8 : Written + 8;
      if (Pause.count() == 0) {
        Presenter.ApplyProgress(Written, Target, 500 + (Written & 63));
        continue;
      }
      const auto Start = TClock::now();
      Presenter.ApplyProgress(Written, Target, 500 + (Written & 63));
      const auto End = TClock::now();
      State.SetIterationTime(std::chrono::duration<double>(End - Start).count());
      // Spinning, not sleeping: the GUI thread runs the units meanwhile on the other core.
      while (TClock::now() - End < Pause) {
      }
    }
    State.SetItemsProcessed(State.iterations());
    Stop = true;
    Gui.join();
  }
  std::remove(DetailedPath.c_str());
}
BENCHMARK(BM_ApplyProgress)
    ->ArgNames({"detailed", "pause_us"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Unit(benchmark::kNanosecond);
BENCHMARK(BM_ApplyProgress)
    ->ArgNames({"detailed", "pause_us"})
    ->Args({0, 100})
    ->Args({1, 100})
    ->Iterations(20000)
    ->UseManualTime()
    ->Unit(benchmark::kNanosecond);

// The floor under range(0) = 1: the detailed log line alone, written through to its file as
// every line must be, on the same folder.
void BM_DetailedLineAlone(benchmark::State& State) {
  const std::string DetailedPath = "/tmp/varnell-bench-detailed-alone.txt";
  {
    TTesterLogger Logger(DetailedPath);
    for (auto _ : State) {
      Logger.Add("87.4996185302734,512");
    }
  }
  std::remove(DetailedPath.c_str());
}
BENCHMARK(BM_DetailedLineAlone)->Unit(benchmark::kNanosecond);

}  // namespace
