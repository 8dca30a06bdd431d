#include "SimDrive.Pacing.h"

#include <algorithm>
#include <cmath>

namespace SimDrive {

namespace {

std::int64_t Nanoseconds(std::uint64_t Bytes, double MiBPerSecond) {
  if (MiBPerSecond == 0 || Bytes == 0) {
    return 0;
  }
  return std::llround(static_cast<double>(Bytes) / (MiBPerSecond * static_cast<double>(MiB)) * 1e9);
}

}  // namespace

TPacing::TPacing(const TConfig& Drive)
    : FDrive(Drive), FCarryNs(static_cast<std::int64_t>(Drive.CarryUs) * 1000) {}

std::int64_t TPacing::StartOf(std::int64_t NowNs) const {
  if (FBusyUntilNs && NowNs <= *FBusyUntilNs + FCarryNs) {
    return *FBusyUntilNs;
  }
  return NowNs;
}

void TPacing::Recover(std::int64_t NowNs) {
  if (FDrive.CacheRecovery == 0 || !FLastWriteEndNs || NowNs <= *FLastWriteEndNs + FCarryNs) {
    return;
  }
  // Nanoseconds times bytes per second first, seconds last: whole MiB rates over whole
  // milliseconds come out exact.
  const double Regained = static_cast<double>(NowNs - *FLastWriteEndNs) * FDrive.CacheRecovery *
                          static_cast<double>(MiB) / 1e9;
  FCacheLevel = Regained >= static_cast<double>(FCacheLevel)
                    ? 0
                    : FCacheLevel - static_cast<std::uint64_t>(std::llround(Regained));
}

TWritePlan TPacing::Write(std::int64_t NowNs, std::uint64_t Bytes) {
  Recover(NowNs);
  TWritePlan Plan;
  const std::uint64_t Room = FDrive.CacheSize > FCacheLevel ? FDrive.CacheSize - FCacheLevel : 0;
  Plan.CacheBytes = std::min(Bytes, Room);
  const std::uint64_t Rest = Bytes - Plan.CacheBytes;
  const std::uint64_t RestStartsAt = FWritten + Plan.CacheBytes;
  if (FDrive.FoldAfter) {
    Plan.SlowBytes =
        RestStartsAt >= *FDrive.FoldAfter ? 0 : std::min(Rest, *FDrive.FoldAfter - RestStartsAt);
  } else {
    Plan.SlowBytes = Rest;
  }
  Plan.FoldBytes = Rest - Plan.SlowBytes;

  std::int64_t Duration = Nanoseconds(Plan.CacheBytes, FDrive.CacheSpeed) +
                          Nanoseconds(Plan.SlowBytes, FDrive.Speed) +
                          Nanoseconds(Plan.FoldBytes, FDrive.FoldSpeed);
  const std::uint64_t Counted = FDrive.StallAfterCache ? FWrittenAfterCache : FWritten;
  const std::uint64_t Adding = FDrive.StallAfterCache ? Rest : Bytes;
  FWrittenAfterCache += Rest;
  if (FDrive.StallEvery != 0 &&
      (Counted + Adding) / FDrive.StallEvery > Counted / FDrive.StallEvery) {
    Plan.Stalled = true;
    Duration += static_cast<std::int64_t>(FDrive.StallMs) * 1'000'000;
  }
  FCacheLevel += Plan.CacheBytes;
  FWritten += Bytes;
  Plan.DeadlineNs = StartOf(NowNs) + Duration;
  FBusyUntilNs = Plan.DeadlineNs;
  FLastWriteEndNs = Plan.DeadlineNs;
  return Plan;
}

void TPacing::Overran(std::int64_t DoneNs) {
  if (FBusyUntilNs && DoneNs > *FBusyUntilNs) {
    if (FLastWriteEndNs == FBusyUntilNs) {
      FLastWriteEndNs = DoneNs;
    }
    FBusyUntilNs = DoneNs;
  }
}

std::int64_t TPacing::Read(std::int64_t NowNs, std::uint64_t Bytes) {
  const std::int64_t Deadline = StartOf(NowNs) + Nanoseconds(Bytes, FDrive.ReadSpeed);
  FBusyUntilNs = Deadline;
  return Deadline;
}

}  // namespace SimDrive
