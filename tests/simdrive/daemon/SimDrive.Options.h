#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "SimDrive.Config.h"

// The daemon's command line: the drive's record, and where the daemon mounts and reports.
namespace SimDrive {

struct TDaemonOptions {
  TConfig Drive;
  std::string MountPoint;
  std::string StatsFile;  // statistics both processes map; empty: none
  int ReadyFd = -1;       // "ready\n" is written here once mounted, then it is closed
  bool Debug = false;     // libfuse's request trace on stderr
};

struct TParsedCommandLine {
  std::optional<TDaemonOptions> Options;  // empty: exit with ExitCode after printing Message
  int ExitCode = 0;
  std::string Message;
};

TParsedCommandLine ParseCommandLine(int Argc, const char* const* Argv);

// The options that make the daemon build exactly this record (without the mount point).
std::vector<std::string> ToArguments(const TConfig& Drive);

// "4096", "64K", "512M", "2G", "1T" (binary units, also written KiB, MiB, GiB, TiB).
std::optional<std::uint64_t> ParseSize(std::string_view Text);

// Why the record cannot be a drive; empty when it can.
std::string Validate(const TConfig& Drive);

}  // namespace SimDrive
