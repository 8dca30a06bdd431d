#include "platform/Device.Backend.h"

#include <dirent.h>
#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <memory>

namespace Platform {

namespace {

// Closes the descriptor on every way out.
class TFileDescriptor {
 public:
  explicit TFileDescriptor(int Fd) : FFd(Fd) {}
  ~TFileDescriptor() {
    if (FFd >= 0) {
      close(FFd);
    }
  }
  TFileDescriptor(const TFileDescriptor&) = delete;
  TFileDescriptor& operator=(const TFileDescriptor&) = delete;
  int Get() const { return FFd; }

 private:
  int FFd;
};

constexpr unsigned PassThroughTimeoutMs = 2000;

TPassThroughAnswer SendToDevice(const std::string& DevicePath, std::uint8_t* Cdb,
                                std::uint8_t CdbLength, unsigned DataLength) {
  TPassThroughAnswer Answer;
  // Read-only is enough for SG_IO; O_NONBLOCK keeps a removable drive without medium or a
  // FIFO from blocking the open.
  const TFileDescriptor Device(open(DevicePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (Device.Get() < 0) {
    return Answer;
  }
  struct stat Status {};
  if (fstat(Device.Get(), &Status) != 0 || !(S_ISBLK(Status.st_mode) || S_ISCHR(Status.st_mode))) {
    return Answer;
  }
  Answer.Opened = true;

  sg_io_hdr_t Request{};
  Request.interface_id = 'S';
  Request.dxfer_direction = SG_DXFER_FROM_DEV;
  Request.cmd_len = CdbLength;
  Request.cmdp = Cdb;
  Request.mx_sb_len = static_cast<unsigned char>(Answer.Sense.size());
  Request.sbp = Answer.Sense.data();
  Request.dxfer_len = DataLength;
  Request.dxferp = Answer.Data.data();
  Request.timeout = PassThroughTimeoutMs;
  if (ioctl(Device.Get(), SG_IO, &Request) != 0) {
    return Answer;
  }
  Answer.Sent = true;
  Answer.ScsiStatus = Request.status;
  Answer.HostStatus = Request.host_status;
  Answer.DriverStatus = Request.driver_status;
  Answer.SenseLength = Request.sb_len_wr;
  return Answer;
}

}  // namespace

bool ReadSmallFile(const std::string& Path, std::string& Contents, std::size_t Limit) {
  Contents.clear();
  const TFileDescriptor File(open(Path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (File.Get() < 0) {
    return false;
  }
  // /proc and /sys report a size of 0 or 4096 whatever they hold: read until end of file.
  char Chunk[4096];
  for (;;) {
    const ssize_t Count = read(File.Get(), Chunk, sizeof(Chunk));
    if (Count < 0) {
      Contents.clear();
      return false;
    }
    if (Count == 0) {
      return true;
    }
    if (Contents.size() + static_cast<std::size_t>(Count) > Limit) {
      Contents.clear();
      return false;
    }
    Contents.append(Chunk, static_cast<std::size_t>(Count));
  }
}

bool DeviceOfPath(const std::string& Path, TDeviceNumber& Device) {
  struct stat Status {};
  if (Path.empty() || stat(Path.c_str(), &Status) != 0) {
    return false;
  }
  Device.Major = major(Status.st_dev);
  Device.Minor = minor(Status.st_dev);
  return true;
}

std::string CanonicalPath(const std::string& Path) {
  const std::unique_ptr<char, decltype(&std::free)> Resolved(realpath(Path.c_str(), nullptr),
                                                             &std::free);
  return Resolved ? std::string(Resolved.get()) : std::string();
}

bool PathExists(const std::string& Path) {
  struct stat Status {};
  return stat(Path.c_str(), &Status) == 0;
}

bool IsExistingNonFolder(const std::string& Path) {
  struct stat Status {};
  return stat(Path.c_str(), &Status) == 0 && !S_ISDIR(Status.st_mode);
}

std::vector<std::string> ListFolder(const std::string& Path) {
  std::vector<std::string> Names;
  struct TCloseFolder {
    void operator()(DIR* Folder) const { closedir(Folder); }
  };
  const std::unique_ptr<DIR, TCloseFolder> Folder(opendir(Path.c_str()));
  if (!Folder) {
    return Names;
  }
  while (const dirent* Entry = readdir(Folder.get())) {
    const std::string Name = Entry->d_name;
    if (Name != "." && Name != "..") {
      Names.push_back(Name);
    }
  }
  return Names;
}

TPassThroughAnswer AtaIdentifyDevice(const std::string& DevicePath) {
  std::uint8_t Cdb[16] = {};
  Cdb[0] = 0x85;                // ATA PASS-THROUGH(16)
  Cdb[1] = 4 << 1;              // protocol: PIO data-in
  Cdb[2] = 0x08 | 0x04 | 0x02;  // data from device, length in blocks, given in the count field
  Cdb[6] = 1;                   // one 512-byte block
  Cdb[14] = 0xEC;               // IDENTIFY DEVICE
  return SendToDevice(DevicePath, Cdb, sizeof(Cdb), 512);
}

TPassThroughAnswer ScsiInquiry(const std::string& DevicePath) {
  std::uint8_t Cdb[6] = {};
  Cdb[0] = 0x12;  // INQUIRY, standard data
  Cdb[4] = 96;    // allocation length
  return SendToDevice(DevicePath, Cdb, sizeof(Cdb), 96);
}

}  // namespace Platform
