// Arbitrary bytes as the small values a disk's identity and temperature are read from: libata's
// IDENTIFY text, a hwmon reading, a sysfs path, and Windows' storage device descriptor.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "Fuzz.Checks.h"
#include "device/Disk.Temperature.h"
#include "device/Drive.Bus.h"
#include "device/Identify.Parse.h"
#include "device/Sysfs.AtaIdentify.h"
#include "device/windows/Windows.Identity.h"

namespace {

// The id attribute as libata prints it.
std::string AtaIdText(const std::array<std::uint8_t, 512>& Data) {
  std::string Text;
  for (std::size_t Word = 0; Word < 256; ++Word) {
    char Digits[8];
    std::snprintf(Digits, sizeof Digits, "%04x%c", Data[2 * Word] | Data[2 * Word + 1] << 8,
                  (Word + 1) % 8 != 0 ? ' ' : '\n');
    Text += Digits;
  }
  return Text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string_view Text(reinterpret_cast<const char*>(Data), Size);

  if (const auto Identify = ParseAtaIdentifyText(Text)) {
    Require(ParseAtaIdentifyText(AtaIdText(*Identify)) == Identify);
    const TIdentity Identity = ParseIdentifyDevice(*Identify);
    Require(IsTrimmed(Identity.Model) && IsLatin1AsUtf8(Identity.Model));
  }

  if (const auto Millidegrees = ParseMillidegrees(Text)) {
    Require(*Millidegrees >= -100'000 && *Millidegrees <= 250'000);
    Require(ParseMillidegrees(std::to_string(*Millidegrees) + "\n") == Millidegrees);
  }

  (void)BusOfDisk(Text, Text);

  if (const auto Description = ParseStorageDeviceDescriptor({Data, Data + Size})) {
    for (const std::string* Field : {&Description->Vendor, &Description->Product,
                                     &Description->Revision, &Description->Serial}) {
      Require(IsTrimmed(*Field) && IsLatin1AsUtf8(*Field) && Field->size() <= 2 * Size);
    }
  }
  (void)ParseIncursSeekPenalty({Data, Data + Size});
  return 0;
}
