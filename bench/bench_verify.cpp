// Verification's own work against the transfers it goes with: stamping the next write's 8 MiB
// block against writing it (must stay below 1 %), and checking a block read back against
// reading it (well under). The transfers go through the program's own file layer, as the
// worker's do: unbuffered on the machine's own filesystem (/var/tmp), and through the cache on
// a tmpfs (/dev/shm), the fastest target there is and so the worst case for the ratio.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "engine/Aligned.Buffer.h"
#include "engine/RandomBuffer.h"
#include "engine/Verify.Check.h"
#include "engine/Verify.Stamp.h"
#include "platform/Platform.Files.h"

namespace {

constexpr std::size_t BlockBytes = 8 << 20;
constexpr int Blocks = 32;  // a 256 MiB file, read and written again and again

struct TTarget {
  const char* Folder;
  bool Unbuffered;
};
const TTarget Targets[] = {{"/var/tmp", true}, {"/dev/shm", false}};

// The random block with the stamps of Randomfile7 at Offset: what a pass writes there.
struct TStampedBlock {
  TRandomBuffer Random{12345};
  TAlignedBuffer Data;
  TWrittenData Written;

  TStampedBlock() {
    Random.CreateBuffer(BlockBytes / 1024);
    Random.FillBuffer(100);
    Data.Allocate(BlockBytes);
    std::memcpy(Data.Data(), Random.GetRawBuffer(), BlockBytes);
    Written = {Random.GetRawBuffer(), BlockBytes, 0x1234567890abcdefULL, 1};
    StampBlock(Data.Data(), BlockBytes, Written.Run, Written.Pass, 7, 0);
  }
};

// A test file of Blocks blocks in a folder of its own under the target.
class TTargetFile {
 public:
  TTargetFile(const TTarget& Target, const std::byte* Data)
      : FSystem(Platform::MakeTesterPlatform()),
        FFolder(std::filesystem::path(Target.Folder) /
                ("varnell-bench-" + std::to_string(getpid()))) {
    std::filesystem::create_directory(FFolder);
    FHandle = FSystem->OpenFolder(FFolder.string() + "/").Handle;
    FFile = FSystem->CreateNewFile(FHandle, "Randomfile7", Target.Unbuffered).Handle;
    for (int Block = 0; Block < Blocks && FFile != NoFile; ++Block) {
      FSystem->WriteAll(FFile, Data, BlockBytes);
    }
  }
  ~TTargetFile() {
    if (FFile != NoFile) {
      FSystem->CloseFile(FFile);
    }
    if (FHandle != NoFolder) {
      FSystem->CloseFolder(FHandle);
    }
    std::error_code Ignored;
    std::filesystem::remove_all(FFolder, Ignored);
  }
  bool Ready() const { return FFile != NoFile; }
  TTesterPlatform& System() { return *FSystem; }
  TFolderHandle Folder() const { return FHandle; }
  TFileHandle File() const { return FFile; }

 private:
  std::shared_ptr<TTesterPlatform> FSystem;
  std::filesystem::path FFolder;
  TFolderHandle FHandle = NoFolder;
  TFileHandle FFile = NoFile;
};

void BM_StampBlock(benchmark::State& State) {
  TStampedBlock Block;
  std::int64_t Offset = 0;
  for (auto _ : State) {
    StampBlock(Block.Data.Data(), BlockBytes, Block.Written.Run, Block.Written.Pass, 7, Offset);
    Offset += BlockBytes;
    benchmark::ClobberMemory();
  }
  State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * BlockBytes));
}
BENCHMARK(BM_StampBlock)->Unit(benchmark::kMicrosecond);

// The same stamping as the worker meets it: right after the block went through a write, which
// pushed most of it out of the processor's caches. Only the stamping is timed.
void BM_StampBlockAfterWrite(benchmark::State& State) {
  const TTarget& Target = Targets[State.range(0)];
  State.SetLabel(std::string(Target.Folder) + (Target.Unbuffered ? " unbuffered" : " cached"));
  TStampedBlock Block;
  TTargetFile File(Target, Block.Data.Data());
  if (!File.Ready()) {
    State.SkipWithError("cannot create the test file");
    return;
  }
  std::int64_t Offset = 0;
  for (auto _ : State) {
    if (Offset % (Blocks * static_cast<std::int64_t>(BlockBytes)) == 0) {
      ftruncate(static_cast<int>(File.File()), 0);
      lseek(static_cast<int>(File.File()), 0, SEEK_SET);
    }
    File.System().WriteAll(File.File(), Block.Data.Data(), BlockBytes);
    const auto Start = std::chrono::steady_clock::now();
    StampBlock(Block.Data.Data(), BlockBytes, Block.Written.Run, Block.Written.Pass, 7, Offset);
    benchmark::ClobberMemory();
    State.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count());
    Offset += BlockBytes;
  }
}
// A fixed count: the stamping alone is timed, and the writes between must not run on for as many
// iterations as microseconds of stamping would fill.
BENCHMARK(BM_StampBlockAfterWrite)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond)
    ->UseManualTime()
    ->Iterations(256);

// One write of the block, appended as the worker appends (the file starts anew every Blocks).
void BM_WriteBlock(benchmark::State& State) {
  const TTarget& Target = Targets[State.range(0)];
  State.SetLabel(std::string(Target.Folder) + (Target.Unbuffered ? " unbuffered" : " cached"));
  TStampedBlock Block;
  TTargetFile File(Target, Block.Data.Data());
  if (!File.Ready()) {
    State.SkipWithError("cannot create the test file");
    return;
  }
  int Written = 0;
  for (auto _ : State) {
    if (++Written % Blocks == 0) {
      State.PauseTiming();
      ftruncate(static_cast<int>(File.File()), 0);
      lseek(static_cast<int>(File.File()), 0, SEEK_SET);
      State.ResumeTiming();
    }
    if (File.System().WriteAll(File.File(), Block.Data.Data(), BlockBytes) != 0) {
      State.SkipWithError("write failed");
      return;
    }
  }
  State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * BlockBytes));
}
BENCHMARK(BM_WriteBlock)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_CheckBlock(benchmark::State& State) {
  TStampedBlock Block;
  for (auto _ : State) {
    TVerifyTally Tally;
    CheckSectors(Block.Data.Data(), BlockBytes, Block.Written, 7, 0, 0, Tally);
    benchmark::DoNotOptimize(Tally.IntactSectors);
  }
  State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * BlockBytes));
}
BENCHMARK(BM_CheckBlock)->Unit(benchmark::kMicrosecond);

// One read of a block as the read-back does it: opened as the worker opens it (unbuffered, or
// with the cached pages dropped first).
void BM_ReadBlock(benchmark::State& State) {
  const TTarget& Target = Targets[State.range(0)];
  State.SetLabel(std::string(Target.Folder) + (Target.Unbuffered ? " unbuffered" : " cached"));
  TStampedBlock Block;
  TTargetFile File(Target, Block.Data.Data());
  const TOpenedForRead Reader =
      File.Ready() ? File.System().OpenForRead(File.Folder(), "Randomfile7", Target.Unbuffered)
                   : TOpenedForRead{};
  if (Reader.Handle == NoFile) {
    State.SkipWithError("cannot open the test file");
    return;
  }
  TAlignedBuffer Into;
  Into.Allocate(BlockBytes);
  std::int64_t Read = 0;
  for (auto _ : State) {
    const std::int64_t Offset = Read++ % Blocks * static_cast<std::int64_t>(BlockBytes);
    if (File.System().ReadAt(Reader.Handle, Offset, Into.Data(), BlockBytes).Count != BlockBytes) {
      State.SkipWithError("read failed");
      break;
    }
  }
  File.System().CloseFile(Reader.Handle);
  State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * BlockBytes));
}
BENCHMARK(BM_ReadBlock)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
