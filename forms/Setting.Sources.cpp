#include "forms/Setting.Sources.h"

#include "device/System.Drive.h"
#include "device/uDiskFunctions.h"
#include "platform/Platform.Files.h"

TSettingSources SystemSettingSources() {
  TSettingSources Sources;
  Sources.Drives = [] {
    TDriveLetters Letters;
    GetDriveLetters(Letters);
    return std::vector<std::string>(Letters.Letters.begin(),
                                    Letters.Letters.begin() + Letters.LetterCount);
  };
  std::shared_ptr<TTesterPlatform> System = Platform::MakeTesterPlatform();
  Sources.FreeBytes = [System](const std::string& Path) {
    const TVolumeSpace Space = System->VolumeSpace(Path);
    return Space.Error == 0 ? Space.FreeBytes : std::int64_t{-1};
  };
  Sources.TotalBytes = [System](const std::string& Path) {
    const TVolumeSpace Space = System->VolumeSpace(Path);
    return Space.Error == 0 ? Space.TotalBytes : std::int64_t{-1};
  };
  Sources.HoldsSystem = [](const std::string& Path) { return HoldsRunningSystem(Path); };
  return Sources;
}
