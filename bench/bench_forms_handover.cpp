// Per write, the worker's time outside the write call when the presenter's units go to the
// program's GUI thread through the Qt dispatcher: bench_write_overhead's measure with the
// window's hand-over instead of the terminal's. Writes block for a device's time per 8 MiB,
// so that the GUI thread idles between them as in the program.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <chrono>
#include <memory>

#include "bench/Bench.EventLoop.h"
#include "bench/Bench.Rig.h"
#include "bench/Bench.TimedWrites.h"
#include "engine/Tester.Thread.h"
#include "forms/Qt.Dispatcher.h"
#include "report/Tester.ToView.h"

namespace {

// range(0): microseconds per write (3906: 8 MiB at 2048 MiB/s); range(1): 1 with both log
// files and a log line at every write (the worst case), 0 without log files.
void WorkerHandOverToQt(benchmark::State& State) {
  const std::chrono::microseconds WriteTime(State.range(0));
  const bool WithLogs = State.range(1) != 0;
  constexpr std::int64_t Writes = 512;
  // Log files in the temporary folder; the writes go nowhere.
  const BenchRig::TWorstCasePass Pass("/nowhere/", Writes, false, WithLogs,
                                      "varnell-bench-handover");
  BenchRig::TOverheadTotals Totals;
  for (auto _ : State) {
    BenchRig::TNullView View;
    auto Timed = std::make_shared<BenchRig::TTimedWrites>(
        std::make_shared<BenchRig::TFreeVolume>(Writes, WriteTime), Writes);
    auto Presenter = std::make_unique<TTesterToView>(
        Pass.Setting(), View, std::make_unique<TQtDispatcher>(), Pass.DiskQuery());
    TTesterThread Worker(Pass.Setting(), std::move(Presenter), Timed);
    // This thread is the GUI thread: it runs the units in its event loop until the pass ends.
    BenchRig::RunEventsUntilFinished(Worker, 50);
    if (!Totals.AddPass(State, Worker, *Timed, Writes)) {
      break;
    }
  }
  Totals.Report(State);
}
BENCHMARK(WorkerHandOverToQt)
    ->ArgNames({"write_us", "logs"})
    ->Args({3906, 0})
    ->Args({3906, 1})
    ->Iterations(1)
    ->Repetitions(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

int main(int Argc, char** Argv) {
  QApplication Application(Argc, Argv);
  benchmark::Initialize(&Argc, Argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
