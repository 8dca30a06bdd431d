// Lists the drives Varnell offers, with the disk under each, its size and its model, so that a
// user can check what the program will see on their machine.
#include <cstdio>
#include <string>

#include "app/Program.Answers.h"
#include "device/uDiskFunctions.h"
#include "device/uSSDInfo.h"

namespace {

constexpr const char* Usage =
    "Usage: varnell-drives\n"
    "Lists the drives Varnell offers (writable, fixed or removable), each with its mount point,\n"
    "the disk under it, the disk's size in bytes and its model.\n"
    "\n"
    "  -h, --help     this text\n"
    "      --version  the program's version\n";

}  // namespace

int main(int Argc, char** Argv) {
  if (const auto ExitCode = AnswerHelpOrVersion(Argc, Argv, "varnell-drives", Usage, stdout)) {
    return *ExitCode;
  }
  if (Argc > 1) {
    std::fprintf(stderr, "varnell-drives: unknown argument \"%s\" (see varnell-drives --help)\n",
                 Argv[1]);
    return 2;
  }
  TDriveLetters Drives;
  GetDriveLetters(Drives);
  std::printf("%-30s %-12s %16s  %s\n", "MOUNT POINT", "DISK", "SIZE (BYTES)", "MODEL");
  for (std::size_t Index = 0; Index < Drives.LetterCount; ++Index) {
    const std::string& MountPoint = Drives.Letters[Index];
    TVolumeDiskExtents Extents;
    GetVolumeExtents(MountPoint == "/" ? MountPoint : MountPoint + "/", Extents);
    std::string Disk = "-";
    std::int64_t Size = 0;
    std::string Model;
    if (Extents.NumberOfDiskExtents > 0) {
      Disk = Extents.Extents[0].DiskName;
      Size = GetDiskSize(Disk);
      TSSDInfo Info;
      Info.SetDeviceName(Disk);
      Model = Info.Model;
    }
    std::printf("%-30s %-12s %16lld  %s\n", MountPoint.c_str(), Disk.c_str(),
                static_cast<long long>(Size), Model.c_str());
  }
  if (Drives.LetterCount == 0) {
    std::printf("(no writable fixed or removable drive found)\n");
  }
  return 0;
}
