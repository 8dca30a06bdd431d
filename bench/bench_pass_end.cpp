// The end of a 500,000-write pass in the presenter, as the worker runs it after the pass's last
// timed write: the analysis, the pass's result, the per-pass table of a repeating run, the
// summary handed to the GUI thread, and the result file (--json) saved anew. In a repeating run
// the file holds the write times of pass 1 and of the last four passes: the third iteration
// saves three.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>

#include "bench/Bench.RealisticPass.h"
#include "bench/Bench.Rig.h"
#include "report/Tester.ToView.h"

namespace {

using BenchRig::MiB;

// range(0): 1 saves the result file, 0 keeps the result in memory only (the window's case).
void BM_PassEnd(benchmark::State& State) {
  const bool SaveFile = State.range(0) != 0;
  const std::vector<TWriteRecord> Writes = RealisticPass(500000);
  const std::string Path =
      (std::filesystem::temp_directory_path() / "varnell-bench-pass-end.json").string();
  BenchRig::TNullView View;
  BenchRig::TGuiThread Gui;
  TSetting Setting;
  Setting.DrivePath = "/mnt/bench/";
  Setting.InfiniteRepetition = true;
  if (SaveFile) {
    Setting.ResultJsonPath = Path;
  }
  TTesterToView Presenter(
      Setting, View, Gui.MakeDispatcher(),
      [](const std::string&) {
        return TDiskIdentity{"BENCH", 5000000 * MiB};
      },
      [] { return 45000.5; }, ".",
      [](const std::string& Folder) {
        TDriveIdentity Identity;
        Identity.Folder = Folder;
        return Identity;
      });
  std::int32_t Pass = 0;
  for (auto _ : State) {
    State.PauseTiming();
    const auto Target = static_cast<std::int32_t>(Writes.size() * 8);
    Presenter.PrintInitialSetting(++Pass, 4500000 * MiB, 5000000 * MiB, Target);
    for (const TWriteRecord& Write : Writes) {
      Presenter.ApplyWriteTime(Write.Seconds, Write.TemperatureInC);
      Presenter.ApplyProgress(Write.WrittenInMiB, Target, Write.SpeedInMiB);
    }
    Gui.Drain();
    State.ResumeTiming();
    Presenter.EndTest(45000.5, static_cast<std::uint64_t>(Target) * Pass);
  }
  if (SaveFile) {
    State.counters["MiB"] = static_cast<double>(std::filesystem::file_size(Path)) / (1024 * 1024);
    std::filesystem::remove(Path);
  }
}
BENCHMARK(BM_PassEnd)->Arg(0)->Arg(1)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
