// Per write, the time the worker spends outside the write call (progress, statistics, detailed
// log line, hand-over of the units to the GUI side, pause and cancel checks, opening the next
// file) against the write call's own time. The real presenter with both log files runs with a
// "GUI" thread serving its units, and a log line falls due at every write (the worst case).
//
// Free/<us>: a file layer whose writes block for <us> microseconds, as a device of that speed
//            would (0: writes cost nothing, the worker's bare cost with the GUI thread racing).
// Real/<cache>: real 8 MiB writes into files in /var/tmp, unbuffered (0) or buffered (1).
#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>

#include "bench/Bench.Rig.h"
#include "engine/Tester.Thread.h"
#include "report/Tester.ToView.h"

namespace {

using BenchRig::MiB;
using TClock = std::chrono::steady_clock;

// Passes everything on and times each write call and each gap between two write calls.
class TTimedWrites final : public TTesterPlatform {
 public:
  TTimedWrites(std::shared_ptr<TTesterPlatform> Inner, std::int64_t Writes)
      : FInner(std::move(Inner)), FFreeBytes((Writes * 8 + 1) * MiB) {}

  // Exactly the free space for the writes asked for, whatever the real volume holds.
  TVolumeSpace VolumeSpace(const std::string&) override { return {FFreeBytes, FFreeBytes, 0}; }
  TCreatedFile CreateNewFile(const std::string& Path, bool Unbuffered) override {
    return FInner->CreateNewFile(Path, Unbuffered);
  }
  int WriteAll(TFileHandle File, const std::byte* Data, std::size_t Length) override {
    const auto Start = TClock::now();
    const double CpuStart = ThreadCpuSeconds();
    if (FWrites > 0) {
      FOutsideCpu += CpuStart - FLastEndCpu;
      const auto Gap = Start - FLastEnd;
      FOutside += Gap;
      FMaxOutside = std::max(FMaxOutside, Gap);
    }
    const int Code = FInner->WriteAll(File, Data, Length);
    FLastEnd = TClock::now();
    FLastEndCpu = ThreadCpuSeconds();
    FInside += FLastEnd - Start;
    ++FWrites;
    return Code;
  }
  void CloseFile(TFileHandle File) override { FInner->CloseFile(File); }
  int DeleteFile(const std::string& Path) override { return FInner->DeleteFile(Path); }
  bool FileExists(const std::string& Path) override { return FInner->FileExists(Path); }
  std::int64_t PerformanceCounter() override { return FInner->PerformanceCounter(); }
  std::int64_t PerformanceFrequency() override { return FInner->PerformanceFrequency(); }
  std::uint32_t TickCount() override { return FInner->TickCount(); }
  void SleepMs(std::uint32_t Milliseconds) override { FInner->SleepMs(Milliseconds); }
  double Now() override { return FInner->Now(); }

  std::int64_t FWrites = 0;
  TClock::duration FInside{};
  TClock::duration FOutside{};  // over FWrites - 1 gaps
  TClock::duration FMaxOutside{};
  double FOutsideCpu = 0;  // seconds the worker was on a core during the gaps

 private:
  std::shared_ptr<TTesterPlatform> FInner;
  std::int64_t FFreeBytes;
  TClock::time_point FLastEnd;
  double FLastEndCpu = 0;

  static double ThreadCpuSeconds() {
    timespec Now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &Now);
    return static_cast<double>(Now.tv_sec) + static_cast<double>(Now.tv_nsec) * 1e-9;
  }
};

using BenchRig::TSilentPresenter;

struct TRunOptions {
  bool NeedCache = false;
  bool WithLogs = true;
  bool RealPresenter = true;
};

void RunAndReport(benchmark::State& State, const std::string& Folder,
                  const std::shared_ptr<TTesterPlatform>& Inner, std::int64_t Writes,
                  const TRunOptions& Options) {
  const bool NeedCache = Options.NeedCache;
  const bool WithLogs = Options.WithLogs;
  TSetting Setting;
  Setting.IsSet = true;
  Setting.DrivePath = Folder;
  Setting.ToLeftUnit = TLeftUnit::LeaveByMiB;
  Setting.UnitSpeed = TUnitSpeed::ZeroPointOnePercent;
  Setting.NeedCache = NeedCache;
  Setting.NeedDelete = true;
  const std::string Logs = std::filesystem::temp_directory_path() / "varnell-bench-overhead";
  if (WithLogs) {
    Setting.RecordPath = Logs + "-log.txt";
    Setting.DetailedRecordPath = Logs + "-detailed.txt";
  }
  // The disk is the volume: with a few hundred writes every write crosses a 0.1 % step, so
  // every write also queues a log line.
  const std::int64_t DiskBytes = (Writes * 8 + 1) * MiB;

  double Inside = 0;
  double Outside = 0;
  double MaxOutside = 0;
  double OutsideCpu = 0;
  std::int64_t Gaps = 0;
  std::int64_t WritesDone = 0;
  for (auto _ : State) {
    BenchRig::TNullView View;
    BenchRig::TGuiThread Gui;
    auto Timed = std::make_shared<TTimedWrites>(Inner, Writes);
    std::unique_ptr<TTesterPresenter> Presenter;
    if (Options.RealPresenter) {
      Presenter = std::make_unique<TTesterToView>(Setting, View, Gui.MakeDispatcher(),
                                                  [DiskBytes](const std::string&) {
                                                    return TDiskIdentity{"BENCH", DiskBytes};
                                                  });
    } else {
      Presenter = std::make_unique<TSilentPresenter>();
    }
    TTesterThread Worker(Setting, std::move(Presenter), Timed);
    Worker.WaitFor(std::chrono::hours(1));
    if (Worker.Error() || Timed->FWrites != Writes) {
      State.SkipWithError("the pass did not write what it was asked to");
      break;
    }
    using TSeconds = std::chrono::duration<double>;
    Inside += TSeconds(Timed->FInside).count();
    Outside += TSeconds(Timed->FOutside).count();
    MaxOutside = std::max(MaxOutside, TSeconds(Timed->FMaxOutside).count());
    OutsideCpu += Timed->FOutsideCpu;
    Gaps += Timed->FWrites - 1;
    WritesDone += Timed->FWrites;
  }
  std::filesystem::remove(Logs + "-log.txt");
  std::filesystem::remove(Logs + "-detailed.txt");
  if (WritesDone == 0 || Gaps == 0) {
    return;
  }
  const double InsideUs = Inside / static_cast<double>(WritesDone) * 1e6;
  const double OutsideUs = Outside / static_cast<double>(Gaps) * 1e6;
  State.counters["inside_us"] = InsideUs;
  State.counters["outside_us"] = OutsideUs;
  State.counters["outside_cpu_us"] = OutsideCpu / static_cast<double>(Gaps) * 1e6;
  State.counters["outside_max_us"] = MaxOutside * 1e6;
  State.counters["outside_pct"] = InsideUs > 0 ? OutsideUs / InsideUs * 100.0 : 0.0;
  State.counters["write_MiBps"] = InsideUs > 0 ? 8.0 / (InsideUs / 1e6) : 0.0;
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
