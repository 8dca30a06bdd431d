// The worker's own cost per 8 MiB write (counter readings, progress call, pause and cancel
// checks, file bookkeeping) against the cost of the write call itself.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "engine/Tester.Thread.h"
#include "platform/Platform.Files.h"

namespace {

constexpr std::int64_t MiB = 1024 * 1024;

// Real clocks; the volume and its files are free of cost, so that only the loop is measured.
class TFreeVolume : public TTesterPlatform {
 public:
  explicit TFreeVolume(std::int64_t FreeBytes) : FFreeBytes(FreeBytes) {}
  TVolumeSpace VolumeSpace(const std::string&) override { return {FFreeBytes, FFreeBytes, 0}; }
  TCreatedFile CreateNewFile(const std::string&, bool) override { return {3, 0}; }
  int WriteAll(TFileHandle, const std::byte*, std::size_t) override { return 0; }
  void CloseFile(TFileHandle) override {}
  int DeleteFile(const std::string&) override { return 0; }
  bool FileExists(const std::string&) override { return false; }
  std::int64_t PerformanceCounter() override { return FReal->PerformanceCounter(); }
  std::int64_t PerformanceFrequency() override { return FReal->PerformanceFrequency(); }
  std::uint32_t TickCount() override { return FReal->TickCount(); }
  void SleepMs(std::uint32_t) override {}
  double Now() override { return 0.0; }

 private:
  std::int64_t FFreeBytes;
  std::shared_ptr<TTesterPlatform> FReal = Platform::MakeTesterPlatform();
};

class TSilentPresenter : public TTesterPresenter {
 public:
  void PrintInitialSetting(std::int32_t, std::int64_t, std::int64_t, std::int64_t) override {}
  void ApplyProgress(std::int32_t, std::int32_t, std::int32_t) override {}
  void StartIdle() override {}
  void EndIdle() override {}
  void EndTest(double, std::uint64_t) override {}
  void HideButtons() override {}
  void PrintError(const TTesterError&) override {}
};

// A whole run of N free writes. The run's fixed cost (thread start, buffer fill) is the
// time at N = 0; the loop's cost per write is the slope between the two sizes.
void BM_RunOfFreeWrites(benchmark::State& State) {
  const std::int64_t Writes = State.range(0);
  TSetting Setting;
  Setting.IsSet = true;
  Setting.DrivePath = "/nowhere/";
  Setting.ToLeftUnit = TLeftUnit::LeaveByMiB;
  Setting.NeedCache = true;
  for (auto _ : State) {
    TTesterThread Thread(Setting, std::make_unique<TSilentPresenter>(),
                         std::make_shared<TFreeVolume>((Writes * 8 + 1) * MiB));
    Thread.WaitFor(std::chrono::hours(1));
  }
  State.SetItemsProcessed(State.iterations() * Writes);
}
BENCHMARK(BM_RunOfFreeWrites)->Arg(0)->Arg(65536)->Unit(benchmark::kMillisecond)->UseRealTime();

// One real 8 MiB write into a fresh file in the temporary folder (through the page cache).
void BM_Write8MiB(benchmark::State& State) {
  const auto System = Platform::MakeTesterPlatform();
  const std::string Path =
      (std::filesystem::temp_directory_path() / "varnell-bench-write").string();
  System->DeleteFile(Path);
  TRandomBuffer Buffer(1);
  Buffer.CreateBuffer(8192);
  Buffer.FillBuffer(100);
  for (auto _ : State) {
    State.PauseTiming();
    const TCreatedFile File = System->CreateNewFile(Path, false);
    State.ResumeTiming();
    if (System->WriteAll(File.Handle, Buffer.GetRawBuffer(), 8 * MiB) != 0) {
      State.SkipWithError("write failed");
    }
    State.PauseTiming();
    System->CloseFile(File.Handle);
    System->DeleteFile(Path);
    State.ResumeTiming();
  }
}
BENCHMARK(BM_Write8MiB)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
