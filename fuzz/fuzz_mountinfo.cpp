// Arbitrary bytes as /proc/self/mountinfo.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "Fuzz.Checks.h"
#include "device/Mountinfo.h"
#include "device/Sysfs.Text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string_view Text(reinterpret_cast<const char*>(Data), Size);
  const auto Entries = ParseMountinfo(Text);
  std::size_t Lines = 1;
  for (const char Character : Text) {
    Lines += Character == '\n' ? 1 : 0;
  }
  Require(Entries.size() <= Lines);
  for (const TMountEntry& Entry : Entries) {
    Require(!Entry.MountPoint.empty());
    Require(Entry.MountPoint.size() <= Size && Entry.Source.size() <= Size);
    (void)Entry.ReadOnly();
  }
  // The same bytes as a sysfs number and as a path.
  std::uint64_t Value = 0;
  (void)ParseDecimal(Text, Value);
  (void)BaseName(Text);
  (void)ParentPath(Text);
  return 0;
}
