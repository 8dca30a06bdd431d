#include "device/Mountinfo.h"

#include <gtest/gtest.h>

namespace {

TEST(Mountinfo, ReadsFieldsAroundOptionalOnes) {
  const auto Entries = ParseMountinfo(
      "36 35 98:0 /mnt1 /mnt2 rw,noatime master:1 shared:7 - ext3 /dev/root rw,errors=continue\n"
      "22 28 0:21 / /proc rw,relatime - proc proc rw\n");
  ASSERT_EQ(Entries.size(), 2u);
  EXPECT_EQ(Entries[0].Device.Major, 98u);
  EXPECT_EQ(Entries[0].Device.Minor, 0u);
  EXPECT_EQ(Entries[0].Root, "/mnt1");
  EXPECT_EQ(Entries[0].MountPoint, "/mnt2");
  EXPECT_EQ(Entries[0].FsType, "ext3");
  EXPECT_EQ(Entries[0].Source, "/dev/root");
  EXPECT_EQ(Entries[0].SuperOptions, "rw,errors=continue");
  EXPECT_FALSE(Entries[0].ReadOnly());
  EXPECT_EQ(Entries[1].MountPoint, "/proc");
}

TEST(Mountinfo, UnescapesNamesWithSpacesTabsBackslashesAndNonAscii) {
  struct TCase {
    const char* Escaped;
    std::string Plain;
  };
  const TCase Cases[] = {
      {"/mnt/my\\040disk", "/mnt/my disk"},
      {"/mnt/tab\\011here", "/mnt/tab\there"},
      {"/mnt/new\\012line", "/mnt/new\nline"},
      {"/mnt/back\\134slash", "/mnt/back\\slash"},
      {"/mnt/\xed\x95\x9c\xea\xb8\x80", "/mnt/\xed\x95\x9c\xea\xb8\x80"},  // UTF-8 passes as is
      {"/mnt/\\303\\251t\\303\\251", "/mnt/\xc3\xa9t\xc3\xa9"},
      {"/mnt/odd\\9x\\04", "/mnt/odd\\9x\\04"},  // not an escape: kept
      {"/mnt/end\\", "/mnt/end\\"},
  };
  for (const auto& Case : Cases) {
    const std::string Line = std::string("1 1 8:1 / ") + Case.Escaped + " rw - ext4 /dev/sda1 rw";
    const auto Entries = ParseMountinfo(Line);
    ASSERT_EQ(Entries.size(), 1u) << Case.Escaped;
    EXPECT_EQ(Entries[0].MountPoint, Case.Plain) << Case.Escaped;
  }
}

TEST(Mountinfo, SkipsMalformedLinesAndKeepsTheGoodOnes) {
  const char* Bad[] = {
      "",
      "garbage",
      "1 1 8:1 / /mnt rw ext4 /dev/sda1 rw",    // no separator
      "1 1 8:1 / /mnt rw master:1 - ext4",      // truncated after the type
      "1 1 8-1 / /mnt rw - ext4 /dev/sda1 rw",  // device number without colon
      "1 1 8:x / /mnt rw - ext4 /dev/sda1 rw",
      "1 1 :1 / /mnt rw - ext4 /dev/sda1 rw",
      "1 1 99999999999:1 / /mnt rw - ext4 /dev/sda1 rw",  // beyond 32 bits
      "1 1 8:1 /  rw - ext4 /dev/sda1 rw",                // empty mount point
      "1 1 8:1 / /mnt",
  };
  for (const char* Line : Bad) {
    const std::string Text = std::string(Line) + "\n1 1 8:2 / /ok rw - ext4 /dev/sda2 rw\n";
    const auto Entries = ParseMountinfo(Text);
    ASSERT_EQ(Entries.size(), 1u) << Line;
    EXPECT_EQ(Entries[0].MountPoint, "/ok") << Line;
  }
}

TEST(Mountinfo, EmptySourceStaysAFieldAndReadOnlyComesFromEitherOptionList) {
  const auto Entries = ParseMountinfo(
      "1 1 0:40 / /a rw - tmpfs  rw\n"
      "2 1 8:1 / /b ro,relatime - ext4 /dev/sda1 rw\n"
      "3 1 8:1 / /c rw,relatime - ext4 /dev/sda1 ro\n"
      "4 1 8:1 / /d rw,rootcontext=ro - ext4 /dev/sda1 rw,errors=ro\n");
  ASSERT_EQ(Entries.size(), 4u);
  EXPECT_EQ(Entries[0].Source, "");
  EXPECT_EQ(Entries[0].SuperOptions, "rw");
  EXPECT_TRUE(Entries[1].ReadOnly());
  EXPECT_TRUE(Entries[2].ReadOnly());
  EXPECT_FALSE(Entries[3].ReadOnly());  // "ro" inside another option's value is not "ro"
}

}  // namespace
