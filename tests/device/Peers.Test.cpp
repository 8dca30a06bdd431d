// The drive list, disks and sizes checked against util-linux on this machine.
#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Run.Command.h"
#include "device/uDiskFunctions.h"

namespace {

// findmnt -r writes unsafe characters as \xNN.
std::string UnescapeHex(const std::string& Text) {
  std::string Plain;
  for (std::size_t Index = 0; Index < Text.size(); ++Index) {
    if (Text[Index] == '\\' && Index + 3 < Text.size() && Text[Index + 1] == 'x' &&
        std::isxdigit(static_cast<unsigned char>(Text[Index + 2])) &&
        std::isxdigit(static_cast<unsigned char>(Text[Index + 3]))) {
      Plain.push_back(static_cast<char>(std::stoi(Text.substr(Index + 2, 2), nullptr, 16)));
      Index += 3;
    } else {
      Plain.push_back(Text[Index]);
    }
  }
  return Plain;
}

std::vector<std::string> Words(const std::string& Line) {
  std::istringstream Stream(Line);
  std::vector<std::string> Result;
  for (std::string Word; Stream >> Word;) {
    Result.push_back(UnescapeHex(Word));
  }
  return Result;
}

bool HasOption(const std::string& Options, const std::string& Wanted) {
  return ("," + Options + ",").find("," + Wanted + ",") != std::string::npos;
}

// Read-write filesystems on block devices that are neither optical nor memory, one mount per
// device (its whole-filesystem mount when there is one), as findmnt sees them.
std::vector<std::string> FindmntDrives() {
  const std::string Output =
      RunCommand("findmnt -rn -v -o TARGET,SOURCE,FSTYPE,OPTIONS,MAJ:MIN,FSROOT 2>/dev/null");
  std::vector<std::string> Targets;
  std::vector<std::pair<std::string, bool>> Seen;  // device number, whole filesystem listed
  std::istringstream Lines(Output);
  for (std::string Line; std::getline(Lines, Line);) {
    const auto Fields = Words(Line);
    if (Fields.size() != 6 || Fields[1].rfind("/dev/", 0) != 0 || HasOption(Fields[3], "ro") ||
        Fields[2] == "iso9660" || Fields[2] == "udf") {
      continue;
    }
    std::error_code NoError;
    if (std::filesystem::exists(Fields[0], NoError) &&
        !std::filesystem::is_directory(Fields[0], NoError)) {
      continue;  // a file mounted onto a file
    }
    const std::string Device = Fields[1].substr(5);
    if (Device.rfind("zram", 0) == 0 || Device.rfind("ram", 0) == 0 || Device.rfind("sr", 0) == 0) {
      continue;
    }
    bool Known = false;
    for (std::size_t Index = 0; Index < Seen.size(); ++Index) {
      if (Seen[Index].first == Fields[4]) {
        Known = true;
        if (!Seen[Index].second && Fields[5] == "/") {
          Targets[Index] = Fields[0];
          Seen[Index].second = true;
        }
      }
    }
    if (!Known) {
      Targets.push_back(Fields[0]);
      Seen.emplace_back(Fields[4], Fields[5] == "/");
    }
  }
  return Targets;
}

std::vector<std::string> OurDrives() {
  TDriveLetters Drives;
  GetDriveLetters(Drives);
  return {Drives.Letters.begin(), Drives.Letters.begin() + Drives.LetterCount};
}

TEST(Peers, DriveListEqualsFindmnt) {
  if (!HasTool("findmnt")) {
    GTEST_SKIP() << "findmnt (util-linux) is not installed";
  }
  // Other tests mount and unmount meanwhile: compare snapshots until two agree.
  std::vector<std::string> Ours, Theirs;
  for (int Attempt = 0; Attempt < 10; ++Attempt) {
    Ours = OurDrives();
    Theirs = FindmntDrives();
    if (Ours == Theirs) {
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  EXPECT_EQ(Ours, Theirs);
  if (Theirs.empty()) {
    // A chroot or a container whose root is no mount of its own shows no drive to compare.
    GTEST_SKIP() << "findmnt shows no read-write block-device filesystem here";
  }
}

TEST(Peers, DiskAndSizeEqualLsblk) {
  if (!HasTool("findmnt") || !HasTool("lsblk")) {
    GTEST_SKIP() << "findmnt or lsblk (util-linux) is not installed";
  }
  int Checked = 0;
  for (const std::string& Drive : OurDrives()) {
    TVolumeDiskExtents Extents;
    GetVolumeExtents(Drive == "/" ? Drive : Drive + "/", Extents);
    int Code = 0;
    const auto Source =
        Words(RunCommand("findmnt -rn -v -o SOURCE --mountpoint '" + Drive + "'", &Code));
    if (Code != 0 || Source.empty()) {
      continue;  // unmounted meanwhile
    }
    // lsblk -s lists the device and then everything under it; the disks are the leaves.
    std::set<std::pair<std::string, std::int64_t>> PeerDisks;
    std::istringstream Lines(RunCommand("lsblk -b -r -n -s -o NAME,TYPE,SIZE '" + Source[0] + "'"));
    for (std::string Line; std::getline(Lines, Line);) {
      const auto Fields = Words(Line);
      if (Fields.size() == 3 && (Fields[1] == "disk" || Fields[1] == "loop")) {
        PeerDisks.emplace(Fields[0], std::stoll(Fields[2]));
      }
    }
    if (PeerDisks.empty()) {
      continue;
    }
    ASSERT_GE(Extents.NumberOfDiskExtents, 1u) << Drive;
    const std::string Disk = Extents.Extents[0].DiskName;
    EXPECT_TRUE(PeerDisks.contains({Disk, GetDiskSize(Disk)}))
        << Drive << " on " << Disk << " of " << GetDiskSize(Disk) << " bytes";
    ++Checked;
  }
  if (Checked == 0) {
    GTEST_SKIP() << "no drive here that lsblk traces to a disk";
  }
}

}  // namespace
