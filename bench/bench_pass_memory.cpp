// Peak memory of one pass of 500,000 writes (about 3.8 TiB) against a file layer whose writes
// cost nothing: the worker, the real presenter with both log files, and a "GUI" thread serving
// its units. Reported beyond the memory in use before the pass; the 8 MiB buffer is in that
// figure and is shown on its own.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <memory>

#include "bench/Bench.Rig.h"
#include "engine/Tester.Thread.h"
#include "report/Tester.ToView.h"

namespace {

using BenchRig::MiB;

void BM_PassPeakMemory(benchmark::State& State) {
  const std::int64_t Writes = State.range(0);
  const bool Logs = State.range(1) != 0;
  TSetting Setting;
  Setting.IsSet = true;
  Setting.DrivePath = "/nowhere/";
  Setting.ToLeftUnit = TLeftUnit::LeaveByMiB;
  Setting.UnitSpeed = TUnitSpeed::ZeroPointOnePercent;
  const std::string Base = std::filesystem::temp_directory_path() / "varnell-bench-memory";
  if (Logs) {
    Setting.RecordPath = Base + "-log.txt";
    Setting.DetailedRecordPath = Base + "-detailed.txt";
  }
  const std::int64_t DiskBytes = (Writes * 8 + 1) * MiB;

  double BeyondMiB = 0;
  for (auto _ : State) {
    // A fresh process for each pass: memory that an earlier pass freed stays resident in this
    // one and would hide the next pass's peak.
    const double Measured = BenchRig::InChildProcess([&] {
      BenchRig::TNullView View;
      BenchRig::TGuiThread Gui;
      const std::int64_t Before = BenchRig::ResidentBytes();
      if (!BenchRig::ResetPeakResident()) {
        return -1.0;
      }
      {
        auto Presenter = std::make_unique<TTesterToView>(Setting, View, Gui.MakeDispatcher(),
                                                         [DiskBytes](const std::string&) {
                                                           return TDiskIdentity{"BENCH", DiskBytes};
                                                         });
        TTesterThread Worker(Setting, std::move(Presenter),
                             std::make_shared<BenchRig::TFreeVolume>(Writes));
        Worker.WaitFor(std::chrono::hours(1));
        if (Worker.Error()) {
          return -1.0;
        }
      }
      return static_cast<double>(BenchRig::PeakResidentBytes() - Before) / MiB;
    });
    if (Measured < 0) {
      State.SkipWithError("the pass or the measurement failed");
      break;
    }
    BeyondMiB = Measured;
  }
  std::filesystem::remove(Base + "-log.txt");
  std::filesystem::remove(Base + "-detailed.txt");
  State.counters["peak_beyond_MiB"] = BeyondMiB;
  State.counters["beyond_buffer_MiB"] = BeyondMiB - 8.0;
  State.counters["writes"] = static_cast<double>(Writes);
}
BENCHMARK(BM_PassPeakMemory)
    ->ArgNames({"writes", "logs"})
    ->Args({500000, 0})
    ->Args({500000, 1})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
