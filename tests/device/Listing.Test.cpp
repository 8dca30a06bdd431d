// What varnell-drives prints: the JSON shape, the table, and the program itself.
#include "device/Drive.Listing.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <set>
#include <string>

#include "Run.Command.h"
#include "device/Drive.Identity.Json.h"

namespace {

TDriveIdentity NvmeIdentity() {
  TDriveIdentity Identity;
  Identity.Folder = "/mnt/data";
  Identity.Device = "/dev/nvme0n1p2";
  Identity.Disk = "/dev/nvme0n1";
  Identity.DiskName = "nvme0n1";
  Identity.Disks = {"nvme0n1"};
  Identity.Model = "Samsung SSD 980 PRO 1TB";
  Identity.Serial = "S5GXNF0R123456";
  Identity.Firmware = "5B2QGXA7";
  Identity.Wwid = "eui.002538b111b2c3d4";
  Identity.Bus = TDriveBus::Nvme;
  Identity.Rotational = false;
  Identity.SizeInByte = 1000204886016;
  Identity.ReportModel = "Samsung SSD 980 PRO 1TB";
  return Identity;
}

std::set<std::string> Keys(const nlohmann::json& Object) {
  std::set<std::string> Names;
  for (const auto& Item : Object.items()) {
    Names.insert(Item.key());
  }
  return Names;
}

const std::set<std::string> IdentityKeys = {
    "folder",   "device", "disk", "disk_name",  "disks",     "vendor",     "model",       "serial",
    "firmware", "wwid",   "bus",  "rotational", "removable", "size_bytes", "report_model"};

TEST(DriveIdentityJson, EveryKeyAlwaysWithItsType) {
  const nlohmann::json Known = DriveIdentityToJson(NvmeIdentity());
  EXPECT_EQ(Keys(Known), IdentityKeys);
  EXPECT_EQ(Known, nlohmann::json::parse(R"({
    "folder": "/mnt/data", "device": "/dev/nvme0n1p2", "disk": "/dev/nvme0n1",
    "disk_name": "nvme0n1", "disks": ["nvme0n1"], "vendor": null,
    "model": "Samsung SSD 980 PRO 1TB", "serial": "S5GXNF0R123456", "firmware": "5B2QGXA7",
    "wwid": "eui.002538b111b2c3d4", "bus": "nvme", "rotational": false, "removable": false,
    "size_bytes": 1000204886016, "report_model": "Samsung SSD 980 PRO 1TB"})"));

  TDriveIdentity Nothing;
  Nothing.Folder = "/tmp";
  const nlohmann::json Unknown = DriveIdentityToJson(Nothing);
  EXPECT_EQ(Keys(Unknown), IdentityKeys);
  for (const char* Key : {"device", "disk", "disk_name", "vendor", "model", "serial", "firmware",
                          "wwid", "rotational", "report_model"}) {
    EXPECT_TRUE(Unknown[Key].is_null()) << Key;
  }
  EXPECT_EQ(Unknown["bus"], "unknown");
  EXPECT_EQ(Unknown["disks"], nlohmann::json::array());
  EXPECT_EQ(Unknown["size_bytes"], 0);
}

TEST(DriveListing, JsonListsEachDriveWithItsMountPointAndTemperature) {
  std::vector<TDriveListing> Drives(2);
  Drives[0] = {"/mnt/data", NvmeIdentity(), 38.85};
  Drives[1].MountPoint = "/";
  Drives[1].Identity.Folder = "/";
  const nlohmann::json Listing = DriveListingJson(Drives);
  ASSERT_EQ(Keys(Listing), std::set<std::string>{"drives"});
  ASSERT_EQ(Listing["drives"].size(), 2u);
  std::set<std::string> DriveKeys = IdentityKeys;
  DriveKeys.insert({"mount_point", "temperature_celsius"});
  for (const auto& Drive : Listing["drives"]) {
    EXPECT_EQ(Keys(Drive), DriveKeys);
  }
  EXPECT_EQ(Listing["drives"][0]["mount_point"], "/mnt/data");
  EXPECT_DOUBLE_EQ(Listing["drives"][0]["temperature_celsius"].get<double>(), 38.85);
  EXPECT_TRUE(Listing["drives"][1]["temperature_celsius"].is_null());
  EXPECT_EQ(DriveListingJson({}), nlohmann::json::parse(R"({"drives": []})"));
}

TEST(DriveListing, DisplayWidthCountsColumnsNotBytes) {
  const std::pair<std::string, std::size_t> Cases[] = {
      {"", 0},
      {"abc", 3},
      {"\xed\x95\x9c\xea\xb8\x80", 4},  // 한글
      {"Caf\xc3\xa9", 4},
      {"\xff\xfe", 2},  // bytes that start no character: one column each
      {"\xe3\x83", 2},  // a character cut short
  };
  for (const auto& [Text, Width] : Cases) {
    EXPECT_EQ(DisplayWidth(Text), Width) << Text;
  }
}

TEST(DriveListing, TableColumnsLineUpWhateverTheText) {
  std::vector<TDriveListing> Drives(3);
  Drives[0] = {"/mnt/\xed\x95\x9c\xea\xb8\x80", NvmeIdentity(), 38.85};  // /mnt/한글
  Drives[1] = {"/", {}, std::nullopt};
  Drives[1].Identity.Device = "/dev/vda";
  Drives[1].Identity.Model = "Bad\x01Name\x7f";
  Drives[1].Identity.Rotational = true;
  Drives[1].Identity.Bus = TDriveBus::Virtio;
  Drives[2] = {"/media/usb stick", {}, std::nullopt};
  const std::string Table = DriveListingTable(Drives);

  std::vector<std::string> Lines;
  for (std::size_t Start = 0; Start < Table.size();) {
    const auto End = Table.find('\n', Start);
    Lines.push_back(Table.substr(Start, End - Start));
    Start = End + 1;
  }
  ASSERT_EQ(Lines.size(), 4u);
  EXPECT_EQ(Lines[0].rfind("MOUNT POINT", 0), 0u);
  // Each line's second column starts at the same screen column as the title's.
  const std::size_t DeviceColumn = DisplayWidth(Lines[0].substr(0, Lines[0].find("DEVICE")));
  EXPECT_EQ(DisplayWidth(Lines[1].substr(0, Lines[1].find("/dev/nvme0n1p2"))), DeviceColumn);
  EXPECT_EQ(DisplayWidth(Lines[2].substr(0, Lines[2].find("/dev/vda"))), DeviceColumn);
  EXPECT_NE(Lines[1].find("NVMe"), std::string::npos);
  EXPECT_NE(Lines[1].find("1000204886016"), std::string::npos);
  EXPECT_NE(Lines[1].find("38.9"), std::string::npos);
  EXPECT_NE(Lines[2].find("Bad?Name?"), std::string::npos);
  EXPECT_NE(Lines[2].find("yes"), std::string::npos);
  // Nothing known of the third drive: a "-" in every column up to its bus.
  const std::string Unknown = Lines[3].substr(std::string("/media/usb stick").size());
  EXPECT_EQ(Unknown.substr(0, Unknown.find("unknown")).find_first_not_of(" -"), std::string::npos);
  EXPECT_NE(Unknown.find("unknown"), std::string::npos);

  EXPECT_NE(DriveListingTable({}).find("no writable fixed or removable drive"), std::string::npos);
}

// The drives of this machine: each one's identity names the disk the report's extents name.
TEST(DriveListing, ThisMachinesDrivesAgreeWithTheExtents) {
  for (const TDriveListing& Drive : ListDrives()) {
    SCOPED_TRACE(Drive.MountPoint);
    TVolumeDiskExtents Extents;
    GetVolumeExtents(Drive.MountPoint, Extents);
    EXPECT_EQ(Drive.Identity.Folder, Drive.MountPoint);
    EXPECT_EQ(Drive.Identity.DiskName,
              Extents.Extents.empty() ? "" : Extents.Extents.front().DiskName);
    if (!Drive.Identity.DiskName.empty()) {
      EXPECT_EQ(Drive.Identity.SizeInByte, GetDiskSize(Drive.Identity.DiskName));
      EXPECT_NE(Drive.Identity.Device, "");
    }
  }
}

#ifdef VARNELL_DRIVES_PATH
TEST(VarnellDrives, PrintsTheListingAsJsonOrAsATable) {
  int Code = -1;
  const std::string Json = RunCommand(std::string("'") + VARNELL_DRIVES_PATH + "' --json", &Code);
  ASSERT_EQ(Code, 0);
  const nlohmann::json Listing = nlohmann::json::parse(Json);
  std::set<std::string> Printed;
  for (const auto& Drive : Listing.at("drives")) {
    Printed.insert(Drive.at("mount_point").get<std::string>());
  }
  std::set<std::string> Listed;
  for (const TDriveListing& Drive : ListDrives()) {
    Listed.insert(Drive.MountPoint);
  }
  EXPECT_EQ(Printed, Listed);

  const std::string Table = RunCommand(std::string("'") + VARNELL_DRIVES_PATH + "'", &Code);
  EXPECT_EQ(Code, 0);
  EXPECT_EQ(Table.rfind("MOUNT POINT", 0), 0u);
  RunCommand(std::string("'") + VARNELL_DRIVES_PATH + "' --no-such-option 2>/dev/null", &Code);
  EXPECT_NE(Code, 0);
}
#endif

}  // namespace
