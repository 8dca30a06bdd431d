// The worker's own cost per 8 MiB write (counter readings, progress call, pause and cancel
// checks, file bookkeeping) against the cost of the write call itself.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <filesystem>

#include "bench/Bench.Rig.h"
#include "engine/Tester.Thread.h"
#include "platform/Platform.Files.h"

namespace {

using BenchRig::MiB;
using BenchRig::TFreeVolume;
using BenchRig::TSilentPresenter;

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
                         std::make_shared<TFreeVolume>(Writes));
    Thread.WaitFor(std::chrono::hours(1));
  }
  State.SetItemsProcessed(State.iterations() * Writes);
}
BENCHMARK(BM_RunOfFreeWrites)->Arg(0)->Arg(65536)->Unit(benchmark::kMillisecond)->UseRealTime();

// One real 8 MiB write into a fresh file in a folder of its own in the temporary folder
// (through the page cache).
void BM_Write8MiB(benchmark::State& State) {
  const auto System = Platform::MakeTesterPlatform();
  std::string FolderPath =
      (std::filesystem::temp_directory_path() / "varnell-bench-write-XXXXXX").string();
  if (mkdtemp(FolderPath.data()) == nullptr) {
    State.SkipWithError("no folder for the file");
    return;
  }
  const TOpenedFolder Folder = System->OpenFolder(FolderPath);
  if (Folder.Handle == NoFolder) {
    std::filesystem::remove(FolderPath);
    State.SkipWithError("the folder could not be opened");
    return;
  }
  TRandomBuffer Buffer(1);
  Buffer.CreateBuffer(8192);
  Buffer.FillBuffer(100);
  for (auto _ : State) {
    State.PauseTiming();
    const TCreatedFile File = System->CreateNewFile(Folder.Handle, "Randomfile0", false);
    State.ResumeTiming();
    if (System->WriteAll(File.Handle, Buffer.GetRawBuffer(), 8 * MiB) != 0) {
      State.SkipWithError("write failed");
    }
    State.PauseTiming();
    System->CloseFile(File.Handle);
    System->DeleteOwnFile(Folder.Handle, "Randomfile0", File.Identity);
    State.ResumeTiming();
  }
  System->CloseFolder(Folder.Handle);
  std::filesystem::remove(FolderPath);
}
BENCHMARK(BM_Write8MiB)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
