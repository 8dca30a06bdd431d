#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Recorded.Volumes.h"
#include "device/windows/Windows.DiskFunctions.h"

namespace {

Platform::TVolumeExtentsAnswer Answered(std::vector<Platform::TDiskExtentAnswer> Extents) {
  return {true, true, std::move(Extents)};
}

TRecordedVolumes SystemWithDiskC() {
  TRecordedVolumes System;
  System.Targets = {{"C:", "\\Device\\HarddiskVolume3"}};
  System.Extents = {{"\\\\.\\C:", Answered({{2, 1048576, 500107862016}})}};
  return System;
}

TEST(WindowsExtents, TheVolumeOfADrivePathNamesItsDisk) {
  for (const std::string Drive : {"C:", "C:\\", "C:\\tests\\run 1\\", "c:/x/"}) {
    SCOPED_TRACE(Drive);
    TRecordedVolumes System = SystemWithDiskC();
    System.Targets["c:"] = System.Targets["C:"];
    System.Extents["\\\\.\\c:"] = System.Extents["\\\\.\\C:"];
    TVolumeDiskExtents Extents;
    QueryVolumeExtents(System, Drive, Extents);
    ASSERT_EQ(Extents.NumberOfDiskExtents, 1u);
    ASSERT_EQ(Extents.Extents.size(), 1u);
    EXPECT_EQ(Extents.Extents[0].DiskName, "PhysicalDrive2");
    EXPECT_EQ(Extents.Extents[0].StartingOffset, 1048576);
    EXPECT_EQ(Extents.Extents[0].ExtentLength, 500107862016);
    const std::string Volume = Drive.substr(0, 2);
    EXPECT_EQ(System.Asked,
              (std::vector<std::string>{"target " + Volume, "extents \\\\.\\" + Volume}));
  }
}

TEST(WindowsExtents, AVolumeOverTwoDisksListsBothInOrder) {
  TRecordedVolumes System;
  System.Extents = {{"\\\\.\\D:", Answered({{3, 0, 100}, {1, 0, 200}})}};
  TVolumeDiskExtents Extents;
  QueryVolumeExtents(System, "D:", Extents);
  ASSERT_EQ(Extents.NumberOfDiskExtents, 2u);
  EXPECT_EQ(Extents.Extents[0].DiskName, "PhysicalDrive3");
  EXPECT_EQ(Extents.Extents[1].DiskName, "PhysicalDrive1");
}

TEST(WindowsExtents, ARamDriveInAnyCaseIsOnNoDiskAndIsNotAsked) {
  for (const std::string Target :
       {"\\Device\\Ramdrive0", "\\DEVICE\\RAMDRIVE", "\\device\\rAmDrIvX"}) {
    SCOPED_TRACE(Target);
    TRecordedVolumes System = SystemWithDiskC();
    System.Targets["C:"] = Target;
    TVolumeDiskExtents Extents;
    Extents.NumberOfDiskExtents = 7;  // what an earlier call left
    QueryVolumeExtents(System, "C:", Extents);
    EXPECT_EQ(Extents.NumberOfDiskExtents, 0u);
    EXPECT_TRUE(Extents.Extents.empty());
    EXPECT_EQ(System.Asked, (std::vector<std::string>{"target C:"}));
  }
}

TEST(WindowsExtents, FailuresGiveNoExtents) {
  struct TCase {
    const char* Name;
    std::string Drive;
    Platform::TVolumeExtentsAnswer Answer;
  };
  const TCase Cases[] = {
      {"volume cannot be opened", "C:", {}},
      {"request refused (or more than 51 extents)", "C:", {true, false, {}}},
      {"opened but no disk under it", "C:", {true, true, {}}},
      {"a drive letter that does not exist", "Q:", Answered({{0, 0, 1}})},
      {"a path without a drive letter", "tests\\", Answered({{0, 0, 1}})},
      {"a UNC path", "\\\\server\\share\\", Answered({{0, 0, 1}})},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    TRecordedVolumes System;
    System.Extents = {{"\\\\.\\C:", Case.Answer}};
    TVolumeDiskExtents Extents;
    QueryVolumeExtents(System, Case.Drive, Extents);
    EXPECT_EQ(Extents.NumberOfDiskExtents, 0u);
    EXPECT_TRUE(Extents.Extents.empty());
  }
}

TEST(WindowsDiskSize, ANumberOrADiskNameOpensThatPhysicalDrive) {
  TRecordedVolumes System;
  System.Geometries = {{"\\\\.\\PhysicalDrive0", {true, true, 512, 256060514304}},
                       {"\\\\.\\PhysicalDrive12", {true, true, 4096, 8001563222016}}};
  TDiskGeometryEx Geometry;
  QueryDiskGeometry(System, "0", Geometry);
  EXPECT_EQ(Geometry.DiskSize, 256060514304);
  EXPECT_EQ(Geometry.BytesPerSector, 512u);
  QueryDiskGeometry(System, "PhysicalDrive12", Geometry);
  EXPECT_EQ(Geometry.DiskSize, 8001563222016);
  EXPECT_EQ(Geometry.BytesPerSector, 4096u);
  EXPECT_EQ(System.Asked, (std::vector<std::string>{"geometry \\\\.\\PhysicalDrive0",
                                                    "geometry \\\\.\\PhysicalDrive12"}));
}

TEST(WindowsDiskSize, AnythingButADiskNumberOpensNothing) {
  for (const std::string Disk : {"", "-1", "01", "1 ", "PhysicalDrive", "PhysicalDrive1\\..\\C:",
                                 "..\\..\\C:", "C:", "12345678901", "physicaldrive1"}) {
    SCOPED_TRACE(Disk);
    TRecordedVolumes System;
    TDiskGeometryEx Geometry;
    Geometry.DiskSize = 99;
    QueryDiskGeometry(System, Disk, Geometry);
    EXPECT_EQ(Geometry.DiskSize, 0);
    EXPECT_TRUE(System.Asked.empty());
  }
}

TEST(WindowsDiskSize, AMissingOrSilentDiskHasSizeZero) {
  TRecordedVolumes System;
  System.Geometries = {{"\\\\.\\PhysicalDrive1", {true, false, 512, 1000}},
                       {"\\\\.\\PhysicalDrive2", {true, true, 512, -4096}}};
  for (const std::string Disk : {"1", "2", "7"}) {
    SCOPED_TRACE(Disk);
    TDiskGeometryEx Geometry;
    QueryDiskGeometry(System, Disk, Geometry);
    EXPECT_EQ(Geometry.DiskSize, 0);
  }
}

}  // namespace
