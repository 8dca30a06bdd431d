// The disk's temperature sensor: where the kernel hangs it, and what a reading gives.
#include "device/Disk.Temperature.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "Fixture.Tree.h"
#include "Run.Command.h"

namespace {

namespace fs = std::filesystem;

TEST(DiskTemperature, MillidegreesAsHwmonWritesThem) {
  struct TCase {
    std::string Text;
    std::optional<std::int32_t> Value;
  };
  const TCase Cases[] = {
      {"41850\n", 41850},          {"41850", 41850},  // no newline
      {"-5000\n", -5000},          {"0\n", 0},
      {"250000\n", 250000},        {"-100000\n", -100000},
      {"-273150\n", std::nullopt},  // 0 kelvin: the drive reports nothing
      {"250001\n", std::nullopt},  {"99999999999999999999\n", std::nullopt},
      {"41.8\n", std::nullopt},    {" 41850\n", std::nullopt},
      {"4185O\n", std::nullopt},   {"--5\n", std::nullopt},
      {"-\n", std::nullopt},       {"\n", std::nullopt},
      {"", std::nullopt},          {std::string("41\0850\n", 6), std::nullopt},
  };
  for (const TCase& Case : Cases) {
    EXPECT_EQ(ParseMillidegrees(Case.Text), Case.Value) << "'" << Case.Text << "'";
  }
}

// An NVMe disk of each kernel's layout, a multipath NVMe disk, a SATA disk with drivetemp, and
// disks without a sensor.
class TSensors : public ::testing::Test {
 protected:
  void SetUp() override {
    // Newer kernels: the hwmon device under the controller's class device.
    const std::string Nvme0 = "pci0000:00/0000:00:1d.0/0000:3d:00.0/nvme/nvme0";
    Tree.AddDiskAt(Nvme0 + "/nvme0n1", "nvme0n1", 259, 0, 100, Nvme0);
    Tree.WriteFile("sys/devices/" + Nvme0 + "/hwmon3/name", "nvme\n");
    Tree.WriteFile("sys/devices/" + Nvme0 + "/hwmon3/temp1_input", "38850\n");
    Tree.WriteFile("sys/devices/" + Nvme0 + "/hwmon3/temp2_input", "50850\n");
    // Older kernels: under the controller's PCI device, in a "hwmon" folder.
    const std::string Pci1 = "pci0000:00/0000:00:1c.0/0000:3e:00.0";
    const std::string Nvme1 = Pci1 + "/nvme/nvme1";
    Tree.AddDiskAt(Nvme1 + "/nvme1n1", "nvme1n1", 259, 2, 100, Nvme1);
    Tree.Link("sys/devices/" + Nvme1 + "/device", "../../../0000:3e:00.0");
    Tree.WriteFile("sys/devices/" + Pci1 + "/hwmon/hwmon1/temp1_input", "41000\n");
    // Native multipath: the namespace under the subsystem, the sensor under a controller.
    const std::string Nvme2 = "pci0000:00/0000:00:1b.0/0000:3f:00.0/nvme/nvme2";
    const std::string Subsystem = "virtual/nvme-subsystem/nvme-subsys2";
    Tree.AddDiskAt(Subsystem + "/nvme2n1", "nvme2n1", 259, 4, 100, Subsystem);
    Tree.Link("sys/devices/" + Subsystem + "/nvme2", "../../../" + Nvme2);
    Tree.WriteFile("sys/devices/" + Nvme2 + "/hwmon12/temp1_input", "45000\n");
    Tree.WriteFile("sys/devices/" + Nvme2 + "/hwmon2/temp1_input", "44000\n");
    // drivetemp: under the SCSI device, in a "hwmon" folder.
    const std::string Sata = "pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0";
    Tree.AddDiskAt(Sata + "/block/sda", "sda", 8, 0, 100, Sata);
    Tree.WriteFile("sys/devices/" + Sata + "/hwmon/hwmon4/name", "drivetemp\n");
    Tree.WriteFile("sys/devices/" + Sata + "/hwmon/hwmon4/temp1_input", "33000\n");
    // A SATA disk without drivetemp, a hwmon without a temperature, virtio, loop.
    const std::string Plain = "pci0000:00/0000:00:17.0/ata2/host1/target1:0:0/1:0:0:0";
    Tree.AddDiskAt(Plain + "/block/sdb", "sdb", 8, 16, 100, Plain);
    const std::string Fanless = "pci0000:00/0000:00:17.0/ata3/host2/target2:0:0/2:0:0:0";
    Tree.AddDiskAt(Fanless + "/block/sdc", "sdc", 8, 32, 100, Fanless);
    Tree.WriteFile("sys/devices/" + Fanless + "/hwmon/hwmon5/in0_input", "1200\n");
    const std::string Virtio = "pci0000:00/0000:00:02.0/virtio1";
    Tree.AddDiskAt(Virtio + "/block/vda", "vda", 254, 0, 100, Virtio);
    Tree.AddDiskAt("virtual/block/loop0", "loop0", 7, 0, 100);
  }

  std::string SensorOf(const std::string& Disk) {
    return FindTemperatureSensor(Disk, Tree.Roots());
  }

  TFixtureTree Tree;
};

TEST_F(TSensors, FoundWhereTheKernelHangsThem) {
  struct TCase {
    const char* Disk;
    std::string SensorUnder;  // sys/devices/...; empty: none
    std::optional<double> Celsius;
  };
  const TCase Cases[] = {
      {"nvme0n1", "pci0000:00/0000:00:1d.0/0000:3d:00.0/nvme/nvme0/hwmon3/temp1_input", 38.85},
      {"nvme1n1", "pci0000:00/0000:00:1c.0/0000:3e:00.0/hwmon/hwmon1/temp1_input", 41.0},
      {"nvme2n1", "pci0000:00/0000:00:1b.0/0000:3f:00.0/nvme/nvme2/hwmon2/temp1_input", 44.0},
      {"sda", "pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0/hwmon/hwmon4/temp1_input",
       33.0},
      {"sdb", "", std::nullopt},
      {"sdc", "", std::nullopt},
      {"vda", "", std::nullopt},
      {"loop0", "", std::nullopt},
      {"sdz", "", std::nullopt},
      {"../sda", "", std::nullopt},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Disk);
    const std::string Sensor = SensorOf(Case.Disk);
    if (Case.SensorUnder.empty()) {
      EXPECT_EQ(Sensor, "");
    } else {
      EXPECT_EQ(fs::canonical(Sensor),
                fs::canonical(Tree.Top() / "sys/devices" / Case.SensorUnder));
    }
    const TDiskTemperature Temperature =
        Sensor.empty() ? TDiskTemperature() : TDiskTemperature(Sensor);
    EXPECT_EQ(Temperature.HasSensor(), !Sensor.empty());
    EXPECT_EQ(Temperature.ReadCelsius(), Case.Celsius);
  }
}

// The file stays open: each reading is the value the sensor holds now.
TEST_F(TSensors, EachReadingIsFreshAndGarbageIsNoTemperature) {
  const std::string Sensor = SensorOf("sda");
  const TDiskTemperature Temperature(Sensor);
  struct TStep {
    std::string Contents;
    std::optional<double> Celsius;
  };
  const TStep Steps[] = {
      {"34000\n", 34.0},
      {"garbage\n", std::nullopt},
      {std::string("\x01\xff\0\x80", 4), std::nullopt},
      {"", std::nullopt},
      {std::string(64, '1'), std::nullopt},  // longer than any temperature
      {"35500", 35.5},
  };
  for (const TStep& Step : Steps) {
    // Rewritten in place, as sysfs does: the open file sees the new contents.
    std::ofstream(Sensor, std::ios::binary | std::ios::trunc) << Step.Contents;
    EXPECT_EQ(Temperature.ReadCelsius(), Step.Celsius) << Step.Contents;
  }
}

TEST_F(TSensors, ASensorThatCannotBeReadIsNoTemperature) {
  EXPECT_EQ(TDiskTemperature().ReadCelsius(), std::nullopt);
  EXPECT_FALSE(TDiskTemperature().HasSensor());
  // A path that does not open, and one that opens but fails every read (a folder).
  const TDiskTemperature Missing((Tree.Top() / "nowhere/temp1_input").string());
  EXPECT_FALSE(Missing.HasSensor());
  EXPECT_EQ(Missing.ReadCelsius(), std::nullopt);
  const TDiskTemperature Folder(Tree.Top().string());
  EXPECT_TRUE(Folder.HasSensor());
  EXPECT_EQ(Folder.ReadCelsius(), std::nullopt);
}

TEST(DiskTemperature, AFolderOnAVirtualDiskHasNoSensor) {
  // This machine's own root, whatever its disk: a reading is a temperature or nothing.
  const TDiskTemperature Root = TDiskTemperature::OfFolder("/");
  const auto Celsius = Root.ReadCelsius();
  EXPECT_EQ(Celsius.has_value(), Root.HasSensor());
  EXPECT_FALSE(TDiskTemperature::OfFolder("/nonexistent/varnell").HasSensor());
}

// A real sysfs attribute whose device is removed while the file is open, as an unplugged
// drive's sensor is: the kernel fails the read, and the reading is nullopt.
TEST(DiskTemperature, AnAttributeWhoseDeviceVanishedReadsNothing) {
  if (geteuid() != 0) {
    GTEST_SKIP() << "adding and removing a zram device needs root";
  }
  std::string Added = RunCommand("cat /sys/class/zram-control/hot_add 2>/dev/null");
  while (!Added.empty() && Added.back() == '\n') {
    Added.pop_back();
  }
  if (Added.empty() || Added.find_first_not_of("0123456789") != std::string::npos) {
    GTEST_SKIP() << "no zram-control here (zram module not loaded)";
  }
  // disksize reads "0\n" on a fresh device: a number, as a sensor gives one.
  const TDiskTemperature Attribute("/sys/block/zram" + Added + "/disksize");
  EXPECT_EQ(Attribute.ReadCelsius(), 0.0);
  int Code = 0;
  RunCommand("echo " + Added + " > /sys/class/zram-control/hot_remove", &Code);
  ASSERT_EQ(Code, 0);
  EXPECT_EQ(Attribute.ReadCelsius(), std::nullopt);
}

}  // namespace
