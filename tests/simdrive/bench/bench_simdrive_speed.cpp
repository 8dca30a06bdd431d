// What speed the simulated drive honours on this machine, and what one request costs.
//
// Each write is timed around the write call, as Varnell times its writes. The drive is fresh for
// each benchmark and holds 4 GiB; files are 4096 MiB at most and deleted when the drive fills
// (outside the timing). The data is one random 8 MiB block written over and over, as Varnell's.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <random>
#include <string>

#include "simdrive/Drive.Io.h"
#include "simdrive/Sim.Drive.h"

namespace {

using namespace SimDrive;
using namespace SimDrive::Literals;
using namespace DriveIo;

constexpr std::uint64_t Capacity = 4_GiB;

void FillRandom(TBuffer& Buffer) {
  std::mt19937_64 Generator(20261210);
  for (std::size_t Offset = 0; Offset < Buffer.Size(); Offset += 8) {
    const std::uint64_t Value = Generator();
    std::memcpy(Buffer.Data() + Offset, &Value, 8);
  }
}

// Writes of WriteSize from an 8 MiB random block into Randomfile files, each timed.
class TWriter {
 public:
  TWriter(const TSimDrive& Drive, bool Direct, std::size_t WriteSize)
      : FDrive(Drive), FDirect(Direct), FWriteSize(WriteSize) {
    FillRandom(FData);
  }

  // Seconds of one write; negative with errno set when it failed.
  double Write() {
    if (!FFile.Valid() || FFileBytes + FWriteSize > 4096_MiB) {
      NextFile();
    }
    const TWrite Done = TimedWrite(FFile.Get(), FData.Data(), FWriteSize);
    if (Done.Error == ENOSPC) {
      Restart();
      return Write();
    }
    if (Done.Error != 0) {
      errno = Done.Error;
      return -1;
    }
    FFileBytes += FWriteSize;
    return Done.Seconds;
  }

  // The flush Varnell makes when it closes a file it wrote through the cache.
  double Close() {
    const auto Start = std::chrono::steady_clock::now();
    if (FFile.Valid() && !FDirect) {
      fsync(FFile.Get());
    }
    FFile.Reset();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
  }

  double FsyncSeconds() const { return FFsyncSeconds; }

 private:
  void NextFile() {
    FFsyncSeconds += Close();
    FFile = CreateNew(FDrive.DrivePath() + "Randomfile" + std::to_string(FFiles++), FDirect);
    FFileBytes = 0;
  }
  void Restart() {
    FFsyncSeconds += Close();
    for (int Number = 0; Number < FFiles; ++Number) {
      unlink((FDrive.DrivePath() + "Randomfile" + std::to_string(Number)).c_str());
    }
    FFiles = 0;
    NextFile();
  }

  const TSimDrive& FDrive;
  bool FDirect;
  std::size_t FWriteSize;
  TBuffer FData;
  TFd FFile;
  int FFiles = 0;
  std::uint64_t FFileBytes = 0;
  double FFsyncSeconds = 0;
};

void WriteAtSpeed(benchmark::State& State, double Speed, bool Direct, std::size_t WriteSize) {
  if (const std::string Why = TSimDrive::Unavailable(); !Why.empty()) {
    State.SkipWithError(Why.c_str());
    return;
  }
  TConfig Config;
  Config.Capacity = Capacity;
  Config.Speed = Speed;
  TSimDrive Drive(Config);
  if (!Drive.Mounted()) {
    State.SkipWithError(Drive.Error().c_str());
    return;
  }
  TWriter Writer(Drive, Direct, WriteSize);
  double Seconds = 0;
  for (auto _ : State) {
    const double Took = Writer.Write();
    if (Took < 0) {
      State.SkipWithError(std::strerror(errno));
      return;
    }
    State.SetIterationTime(Took);
    Seconds += Took;
  }
  const double Fsync = Writer.FsyncSeconds() + Writer.Close();
  const double MiBWritten = static_cast<double>(State.iterations() * WriteSize) / MiB;
  const TStats Stats = Drive.Stats();
  State.counters["configured_MiBps"] = Speed;
  State.counters["achieved_MiBps"] = MiBWritten / Seconds;
  if (Speed > 0) {
    State.counters["achieved_per_configured"] = MiBWritten / Seconds / Speed;
  }
  if (!Direct) {
    State.counters["with_fsync_MiBps"] = MiBWritten / (Seconds + Fsync);
  }
  State.counters["us_per_request"] = Seconds / static_cast<double>(Stats.WriteRequests) * 1e6;
  State.counters["late_us_per_request"] =
      static_cast<double>(Stats.LateNs) / static_cast<double>(Stats.WriteRequests) / 1e3;
  State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * WriteSize));
}

// Iterations chosen for about one to two seconds a case.
void Register(const char* Mode, bool Direct) {
  for (const auto& [Speed, Writes] :
       {std::pair{100.0, 24}, std::pair{400.0, 64}, std::pair{1000.0, 160}, std::pair{3000.0, 384},
        std::pair{0.0, 384}}) {
    const std::string Name = std::string("Write8MiB/") + Mode + "/" +
                             (Speed > 0 ? std::to_string(static_cast<int>(Speed)) : "unlimited");
    benchmark::RegisterBenchmark(Name.c_str(), WriteAtSpeed, Speed, Direct, WriteBytes)
        ->UseManualTime()
        ->Iterations(Writes)
        ->Unit(benchmark::kMillisecond);
  }
}

}  // namespace

int main(int Argc, char** Argv) {
  Register("direct", true);
  Register("buffered", false);
  // One request's round trip: 4 KiB unbuffered writes, one request each, no pacing.
  benchmark::RegisterBenchmark("Write4KiB/direct/unlimited", WriteAtSpeed, 0.0, true, 4_KiB)
      ->UseManualTime()
      ->Iterations(20000)
      ->Unit(benchmark::kMicrosecond);
  benchmark::Initialize(&Argc, Argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
