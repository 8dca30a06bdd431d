#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Recorded.Volumes.h"
#include "device/windows/Windows.DiskFunctions.h"

namespace {

using namespace std::string_literals;

constexpr std::uint32_t NoRootDir = 1, Removable = 2, Fixed = 3, Remote = 4, CdRom = 5, RamDisk = 6;

std::vector<std::string> Listed(const TDriveLetters& Drives) {
  return {Drives.Letters.begin(), Drives.Letters.begin() + Drives.LetterCount};
}

TEST(WindowsDriveList, OnlyFixedAndRemovableDrivesInTheSystemsOrder) {
  TRecordedVolumes System;
  System.DriveStrings = "A:\\\0C:\\\0D:\\\0E:\\\0R:\\\0X:\\\0Z:\\\0"s;
  System.Types = {{"A:\\", Removable}, {"C:\\", Fixed},     {"D:\\", CdRom}, {"E:\\", Fixed},
                  {"R:\\", RamDisk},   {"X:\\", NoRootDir}, {"Z:\\", Remote}};
  TDriveLetters Drives;
  ListDriveLetters(System, Drives);
  EXPECT_EQ(Listed(Drives), (std::vector<std::string>{"A:", "C:", "E:"}));
  // Each root is asked about once, with its backslash.
  EXPECT_EQ(System.Asked,
            (std::vector<std::string>{"drives", "type A:\\", "type C:\\", "type D:\\", "type E:\\",
                                      "type R:\\", "type X:\\", "type Z:\\"}));
}

TEST(WindowsDriveList, ARootWithoutBackslashStaysAsItIs) {
  TRecordedVolumes System;
  System.DriveStrings = "C:\0\\\\?\\Volume{1}\\\0"s;
  System.Types = {{"C:", Fixed}, {"\\\\?\\Volume{1}\\", Fixed}};
  TDriveLetters Drives;
  ListDriveLetters(System, Drives);
  EXPECT_EQ(Listed(Drives), (std::vector<std::string>{"C:", "\\\\?\\Volume{1}"}));
}

TEST(WindowsDriveList, NoDrivesLeavesNothingFromAnEarlierCall) {
  TRecordedVolumes System;
  System.DriveStrings = "C:\\\0"s;
  System.Types = {{"C:\\", Fixed}};
  TDriveLetters Drives;
  ListDriveLetters(System, Drives);
  ASSERT_EQ(Drives.LetterCount, 1);

  System.DriveStrings.clear();  // the call failed or found nothing
  ListDriveLetters(System, Drives);
  EXPECT_EQ(Drives.LetterCount, 0);
  EXPECT_EQ(Drives.Letters[0], "");
}

}  // namespace
