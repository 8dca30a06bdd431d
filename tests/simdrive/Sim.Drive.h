#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "daemon/SimDrive.Config.h"
#include "daemon/SimDrive.Stats.h"

// A simulated flash drive (the varnell-simdrive daemon, FUSE) mounted on a fresh temporary
// folder for the life of one object. Needs root and /dev/fuse: start a test with
// SIMDRIVE_SKIP_IF_UNAVAILABLE(), then ASSERT_TRUE(Drive.Mounted()) << Drive.Error().
//
//   using namespace SimDrive::Literals;
//   SimDrive::TConfig Config;
//   Config.Capacity = 2_GiB;
//   Config.CacheSize = 512_MiB;
//   Config.CacheSpeed = 1000;
//   Config.Speed = 100;
//   SimDrive::TSimDrive Drive(Config);
//   ... write into Drive.DrivePath() ...
namespace SimDrive {

class TSimDrive {
 public:
  explicit TSimDrive(const TConfig& Config = {});
  // Stops the daemon, unmounts (lazily, so open files cannot keep it) and removes the folder.
  // Bounded in time whatever state the daemon is in.
  ~TSimDrive();
  TSimDrive(const TSimDrive&) = delete;
  TSimDrive& operator=(const TSimDrive&) = delete;

  // Why no drive can be mounted on this machine at all; empty when one can.
  static std::string Unavailable();
  // The daemon program, for starting a drive by other means.
  static std::string DaemonPath();

  bool Mounted() const { return FMounted; }
  const std::string& Error() const { return FError; }
  const std::filesystem::path& Path() const { return FMountPoint; }
  std::string DrivePath() const { return FMountPoint.string() + "/"; }

  // The daemon's counters now; still readable after it has died.
  TStats Stats() const;
  // The drive goes away now, as if pulled out: the daemon is killed, the mount stays, and
  // every access to it fails (ENOTCONN) until this object is destroyed.
  void Unplug();
  // Whether the daemon still runs (it exits by itself with Config.UnplugAfter).
  bool DaemonRunning();
  // Waits for the daemon to exit by itself; false if it still runs after Timeout.
  bool WaitForDaemonExit(std::chrono::milliseconds Timeout);
  // What the daemon printed (its errors, and its counters when it stopped).
  std::string DaemonLog() const;

 private:
  bool Start(const TConfig& Config);
  bool WaitUntilReady(int ReadyFd);
  void StopDaemon();
  void Unmount();

  std::filesystem::path FFolder;
  std::filesystem::path FMountPoint;
  pid_t FDaemon = -1;
  bool FMounted = false;
  std::string FError;
};

// A fake stick as the verification meets one: it reports 64 MiB, holds 16 and wraps around, so
// that a full pass leaves 16 MiB intact and 40 MiB overwritten by later data.
inline TConfig FakeStick() {
  TConfig Config;
  Config.Capacity = 64 * MiB;
  Config.RealCapacity = 16 * MiB;
  return Config;
}

}  // namespace SimDrive

#define SIMDRIVE_SKIP_IF_UNAVAILABLE()                                              \
  do {                                                                              \
    if (const std::string Why = SimDrive::TSimDrive::Unavailable(); !Why.empty()) { \
      GTEST_SKIP() << "no simulated drive here: " << Why;                           \
    }                                                                               \
  } while (false)
