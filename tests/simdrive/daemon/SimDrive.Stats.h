#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

// The daemon's counters, kept in a small file that the daemon and the test map together: the
// test reads them at any moment, and still after the daemon has died.
namespace SimDrive {

struct TStats {
  std::uint64_t Magic = 0;
  std::uint64_t DaemonPid = 0;
  std::uint64_t Mounted = 0;       // 1 once the mount is live
  std::uint64_t Unplugged = 0;     // 1 when --unplug-after made the daemon vanish
  std::uint64_t BytesWritten = 0;  // accepted by successful write requests
  std::uint64_t WriteRequests = 0;
  std::uint64_t DirectWriteRequests = 0;  // of a file whose flags held O_DIRECT
  std::uint64_t CacheWriteRequests = 0;   // the kernel writing back dirty pages
  std::uint64_t LargestWrite = 0;         // bytes of the largest write request
  std::uint64_t BytesRead = 0;
  std::uint64_t ReadRequests = 0;
  std::uint64_t DirectReadRequests = 0;
  std::uint64_t LargestRead = 0;
  std::uint64_t CacheSpeedBytes = 0;  // of BytesWritten, written at each phase's speed
  std::uint64_t SlowSpeedBytes = 0;
  std::uint64_t FoldSpeedBytes = 0;
  std::uint64_t CacheLevel = 0;  // bytes in the fast cache after the last write
  std::uint64_t Stalls = 0;
  std::uint64_t WriteErrors = 0;  // EIO given to writes
  std::uint64_t ReadErrors = 0;   // EIO given to reads
  std::uint64_t NoSpaceErrors = 0;
  std::uint64_t Creates = 0;
  std::uint64_t Opens = 0;
  std::uint64_t Fsyncs = 0;
  std::uint64_t Flushes = 0;
  std::uint64_t Unlinks = 0;
  std::uint64_t UsedBlocks = 0;    // 4 KiB blocks the filesystem has allocated
  std::uint64_t StoredBlocks = 0;  // distinct 4 KiB contents held in memory
  std::uint64_t SleptNs = 0;       // time spent waiting for deadlines
  std::uint64_t LateNs = 0;        // time replies came after their deadlines
};

using TStatsField = std::uint64_t TStats::*;

// Every counter with its name, in the order of the record, for printing.
const std::array<std::pair<const char*, TStatsField>, 29>& StatsFields();

// The daemon's side. Without a path the counters live in the daemon's memory only.
class TStatsFile {
 public:
  static std::unique_ptr<TStatsFile> Create(const std::string& Path, std::string& Error);
  ~TStatsFile();
  TStatsFile(const TStatsFile&) = delete;
  TStatsFile& operator=(const TStatsFile&) = delete;

  void Add(TStatsField Field, std::uint64_t Count);
  void Set(TStatsField Field, std::uint64_t Value);
  void Raise(TStatsField Field, std::uint64_t Value);  // keeps the larger
  TStats Snapshot() const;

  // The test's side: a copy of the counters, or nothing when the file holds none yet.
  static std::optional<TStats> Read(const std::string& Path);

 private:
  TStatsFile(TStats* Record, bool Mapped);
  TStats* FRecord;
  bool FMapped;
};

std::string StatsText(const TStats& Stats);

}  // namespace SimDrive
