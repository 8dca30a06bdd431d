#pragma once

// Times, per write of the worker, the write call itself and the gap before the next one (the
// worker's own work between two writes), and reports both as benchmark counters.

#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "engine/Setting.h"
#include "engine/Tester.Thread.h"
#include "platform/Platform.Files.h"
#include "report/Tester.DiskQuery.h"
#include "tests/fakes/Forwarding.TesterPlatform.h"

namespace BenchRig {

// Passes everything on and times each write call and each gap between two write calls.
class TTimedWrites final : public TForwardingTesterPlatform {
 public:
  using TClock = std::chrono::steady_clock;

  TTimedWrites(std::shared_ptr<TTesterPlatform> Inner, std::int64_t Writes)
      : TForwardingTesterPlatform(std::move(Inner)), FFreeBytes((Writes * 8 + 1) * 1024 * 1024) {}

  // Exactly the free space for the writes asked for, whatever the real volume holds.
  TVolumeSpace VolumeSpace(const std::string&) override { return {FFreeBytes, FFreeBytes, 0}; }
  // The thread's CPU time is read by a system call, which after a blocking write costs
  // microseconds of its own: it is read inside the timed write, never inside the gap.
  int WriteAll(TFileHandle File, const std::byte* Data, std::size_t Length) override {
    const auto Start = TClock::now();
    const double CpuStart = ThreadCpuSeconds();
    if (FWrites > 0) {
      FOutsideCpu += CpuStart - FLastEndCpu;
      const auto Gap = Start - FLastEnd;
      FOutside += Gap;
      FMaxOutside = std::max(FMaxOutside, Gap);
    }
    const int Code = FReal->WriteAll(File, Data, Length);
    FLastEndCpu = ThreadCpuSeconds();
    FLastEnd = TClock::now();
    FInside += FLastEnd - Start;
    ++FWrites;
    return Code;
  }

  std::int64_t FWrites = 0;
  TClock::duration FInside{};
  TClock::duration FOutside{};  // over FWrites - 1 gaps
  TClock::duration FMaxOutside{};
  double FOutsideCpu = 0;  // seconds the worker was on a core during the gaps (and in the reads)

 private:
  std::int64_t FFreeBytes;
  TClock::time_point FLastEnd;
  double FLastEndCpu = 0;

  static double ThreadCpuSeconds() {
    timespec Now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &Now);
    return static_cast<double>(Now.tv_sec) + static_cast<double>(Now.tv_nsec) * 1e-9;
  }
};

// A pass of Writes writes into Folder with a log line at every write (the worst case: with
// the disk as small as the pass, every write crosses a 0.1 % step), and both log files beside
// LogsBase when WithLogs. The log files go when it does.
class TWorstCasePass {
 public:
  TWorstCasePass(const std::string& Folder, std::int64_t Writes, bool NeedCache, bool WithLogs,
                 const std::string& LogsName)
      : FLogs(std::filesystem::temp_directory_path() / LogsName),
        FDiskBytes((Writes * 8 + 1) * 1024 * 1024) {
    FSetting.IsSet = true;
    FSetting.DrivePath = Folder;
    FSetting.ToLeftUnit = TLeftUnit::LeaveByMiB;
    FSetting.UnitSpeed = TUnitSpeed::ZeroPointOnePercent;
    FSetting.NeedCache = NeedCache;
    FSetting.NeedDelete = true;
    if (WithLogs) {
      FSetting.RecordPath = FLogs + "-log.txt";
      FSetting.DetailedRecordPath = FLogs + "-detailed.txt";
    }
  }
  ~TWorstCasePass() {
    std::error_code Ignored;
    std::filesystem::remove(FLogs + "-log.txt", Ignored);
    std::filesystem::remove(FLogs + "-detailed.txt", Ignored);
  }
  TWorstCasePass(const TWorstCasePass&) = delete;
  TWorstCasePass& operator=(const TWorstCasePass&) = delete;

  const TSetting& Setting() const { return FSetting; }
  // The disk's identity for the presenter: the disk is the volume.
  TDiskQuery DiskQuery() const {
    return [Bytes = FDiskBytes](const std::string&) { return TDiskIdentity{"BENCH", Bytes}; };
  }

 private:
  std::string FLogs;
  std::int64_t FDiskBytes;
  TSetting FSetting;
};

// The sums over the passes of one benchmark, reported per write and per gap.
struct TOverheadTotals {
  double Inside = 0;
  double Outside = 0;
  double MaxOutside = 0;
  double OutsideCpu = 0;
  std::int64_t Gaps = 0;
  std::int64_t Writes = 0;

  // Waits for the pass to end and adds it; skips the benchmark with an error instead when the
  // pass failed or wrote less than it was asked to.
  bool AddPass(benchmark::State& State, TTesterThread& Worker, const TTimedWrites& Timed,
               std::int64_t Writes) {
    Worker.WaitFor(std::chrono::hours(1));
    if (Worker.Error() || Timed.FWrites != Writes) {
      State.SkipWithError("the pass did not write what it was asked to");
      return false;
    }
    Add(Timed);
    return true;
  }

  void Add(const TTimedWrites& Timed) {
    using TSeconds = std::chrono::duration<double>;
    Inside += TSeconds(Timed.FInside).count();
    Outside += TSeconds(Timed.FOutside).count();
    MaxOutside = std::max(MaxOutside, TSeconds(Timed.FMaxOutside).count());
    OutsideCpu += Timed.FOutsideCpu;
    Gaps += Timed.FWrites - 1;
    Writes += Timed.FWrites;
  }

  void Report(benchmark::State& State) const {
    if (Writes == 0 || Gaps == 0) {
      return;
    }
    const double InsideUs = Inside / static_cast<double>(Writes) * 1e6;
    const double OutsideUs = Outside / static_cast<double>(Gaps) * 1e6;
    State.counters["inside_us"] = InsideUs;
    State.counters["outside_us"] = OutsideUs;
    State.counters["outside_cpu_us"] = OutsideCpu / static_cast<double>(Gaps) * 1e6;
    State.counters["outside_max_us"] = MaxOutside * 1e6;
    State.counters["outside_pct"] = InsideUs > 0 ? OutsideUs / InsideUs * 100.0 : 0.0;
    State.counters["write_MiBps"] = InsideUs > 0 ? 8.0 / (InsideUs / 1e6) : 0.0;
  }
};

}  // namespace BenchRig
