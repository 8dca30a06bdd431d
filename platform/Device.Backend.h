#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Raw answers about block devices: file contents, device numbers, directory listings and
// pass-through command buffers. No interpretation happens here; device/ does that.
namespace Platform {

struct TDeviceNumber {
  unsigned Major = 0;
  unsigned Minor = 0;
};

// Whole contents of a small file (sysfs attribute, mountinfo). False when it cannot be opened
// or read, or when it is larger than Limit (a sysfs attribute never is; garbage may be).
bool ReadSmallFile(const std::string& Path, std::string& Contents,
                   std::size_t Limit = 16 * 1024 * 1024);

// st_dev of whatever holds Path: the filesystem's device.
bool DeviceOfPath(const std::string& Path, TDeviceNumber& Device);

// Path with every symbolic link resolved; empty when it does not exist.
std::string CanonicalPath(const std::string& Path);

bool PathExists(const std::string& Path);

// True when Path exists and is something other than a folder (a file bind-mounted onto a file).
bool IsExistingNonFolder(const std::string& Path);

// Names in a folder without "." and "..", in the order the system lists them; empty on failure.
std::vector<std::string> ListFolder(const std::string& Path);

// What one SG_IO request gave. Data and Sense are zero-filled before the request, so a short
// or missing answer leaves zeros behind.
struct TPassThroughAnswer {
  bool Opened = false;  // the device could be opened
  bool Sent = false;    // the ioctl itself succeeded
  std::uint8_t ScsiStatus = 0;
  std::uint16_t HostStatus = 0;
  std::uint16_t DriverStatus = 0;
  std::uint8_t SenseLength = 0;
  std::array<std::uint8_t, 32> Sense{};
  std::array<std::uint8_t, 512> Data{};
};

// IDENTIFY DEVICE (0xEC) wrapped in ATA PASS-THROUGH(16), 512 bytes in, 2 s timeout.
TPassThroughAnswer AtaIdentifyDevice(const std::string& DevicePath);

// Standard INQUIRY (0x12), 96 bytes allocation length, 2 s timeout.
TPassThroughAnswer ScsiInquiry(const std::string& DevicePath);

}  // namespace Platform
