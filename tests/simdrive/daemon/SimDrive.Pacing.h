#pragma once

#include <cstdint>
#include <optional>

#include "SimDrive.Config.h"

// How long each request takes, decided by bytes written and never by the wall clock, so that
// a test sees the same phases on an idle and on a loaded machine. Times are CLOCK_MONOTONIC
// nanoseconds, passed in so that the model can be tested without sleeping.
namespace SimDrive {

struct TWritePlan {
  std::int64_t DeadlineNs = 0;   // reply not before this
  std::uint64_t CacheBytes = 0;  // of the request, written at each phase's speed
  std::uint64_t SlowBytes = 0;
  std::uint64_t FoldBytes = 0;
  bool Stalled = false;
};

class TPacing {
 public:
  explicit TPacing(const TConfig& Drive);

  TWritePlan Write(std::int64_t NowNs, std::uint64_t Bytes);
  std::int64_t Read(std::int64_t NowNs, std::uint64_t Bytes);
  // The last request's work ended only at DoneNs, past its deadline: the drive was slower than
  // its speed, and the next request does not win that time back. (A reply that is late only
  // because the daemon woke late is still made up for.)
  void Overran(std::int64_t DoneNs);

  std::uint64_t CacheLevel() const { return FCacheLevel; }
  std::uint64_t Written() const { return FWritten; }

 private:
  // The drive is one device: a request starts when the previous one ended if it follows
  // within the carry window (so FUSE's own time between requests and a late wake-up are
  // taken out of the next request's time, and the long-run speed is the configured one);
  // after a longer gap the drive was idle and starts afresh.
  std::int64_t StartOf(std::int64_t NowNs) const;
  void Recover(std::int64_t NowNs);

  TConfig FDrive;
  std::int64_t FCarryNs;
  std::optional<std::int64_t> FBusyUntilNs;
  std::optional<std::int64_t> FLastWriteEndNs;
  std::uint64_t FWritten = 0;
  std::uint64_t FCacheLevel = 0;
  std::uint64_t FWrittenAfterCache = 0;  // bytes written at the speeds after the cache
};

}  // namespace SimDrive
