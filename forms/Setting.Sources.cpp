#include "forms/Setting.Sources.h"

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
  Sources.FreeBytes = [System = Platform::MakeTesterPlatform()](const std::string& Path) {
    const TVolumeSpace Space = System->VolumeSpace(Path);
    return Space.Error == 0 ? Space.FreeBytes : std::int64_t{-1};
  };
  return Sources;
}
