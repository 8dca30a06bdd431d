// Lists the drives Varnell offers, with the disk under each, its size and its model, so that a
// user can check what the program will see on their machine.
#include <cstdio>
#include <string>

#include "device/uDiskFunctions.h"
#include "device/uSSDInfo.h"

int main() {
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
