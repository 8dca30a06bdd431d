// Cost of the device queries: the drive list is built on the GUI thread when the settings
// window opens, and machines with containers carry mount tables of thousands of lines.
#include <benchmark/benchmark.h>

#include <string>

#include "device/Mountinfo.h"
#include "device/uDiskFunctions.h"
#include "device/uSSDInfo.h"

namespace {

std::string SyntheticMountinfo(int Lines) {
  std::string Text;
  for (int Index = 0; Index < Lines; ++Index) {
    const std::string Id = std::to_string(Index + 100);
    Text += Id + " 28 0:" + Id + " / /var/lib/containers/overlay\\040" + Id +
            "/merged rw,relatime shared:" + Id +
            " - overlay overlay rw,lowerdir=/a:/b,upperdir=/c\n";
  }
  return Text;
}

void ParseLargeMountTable(benchmark::State& State) {
  const std::string Text = SyntheticMountinfo(static_cast<int>(State.range(0)));
  for (auto _ : State) {
    benchmark::DoNotOptimize(ParseMountinfo(Text));
  }
  State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * Text.size()));
}
BENCHMARK(ParseLargeMountTable)->Arg(50)->Arg(5000);

void DriveListOfThisMachine(benchmark::State& State) {
  for (auto _ : State) {
    TDriveLetters Drives;
    GetDriveLetters(Drives);
    benchmark::DoNotOptimize(Drives.LetterCount);
  }
}
BENCHMARK(DriveListOfThisMachine);

// What the report does per pass header: volume -> disk -> size -> model.
void DiskOfRootVolume(benchmark::State& State) {
  for (auto _ : State) {
    TVolumeDiskExtents Extents;
    GetVolumeExtents("/", Extents);
    const std::string Disk = Extents.NumberOfDiskExtents > 0 ? Extents.Extents[0].DiskName : "";
    benchmark::DoNotOptimize(GetDiskSize(Disk));
    TSSDInfo Info;
    Info.SetDeviceName(Disk);
    benchmark::DoNotOptimize(Info.Model);
  }
}
BENCHMARK(DiskOfRootVolume);

}  // namespace
