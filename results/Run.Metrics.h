#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "results/Run.Result.h"

// What a drive's run is doing, as the metrics' state set names it.
enum class TDriveState : std::uint8_t { Writing, Verifying, Paused, Done, Failed, Cancelled };

// "writing", "verifying", "paused", "done", "failed", "cancelled".
const char* DriveStateName(TDriveState State);

// The figures of a pass that has ended, for the metrics. Speeds in bytes per second.
struct TEndedPassMetrics {
  std::int32_t Number = 0;
  std::int64_t WrittenBytes = 0;
  double MeanSpeed = 0.0;                    // the summary's mean of the writes' speeds
  bool Judged = false;                       // long enough to judge: the figures below are known
  std::int64_t CacheBytes = 0;               // 0 when the pass showed no cache
  std::optional<double> InCacheSpeed;        // none without a cache
  std::optional<double> PostCacheSpeed;      // none without a cache
  double FinalSpeed = 0.0;                   // the last phase's: where the drive ends up
  std::optional<std::int64_t> DamagedBytes;  // none when the pass was not read back
  std::optional<std::int64_t> VerifiedBytes;

  bool operator==(const TEndedPassMetrics&) const = default;
};

// The ended pass's figures as the run's result has them.
TEndedPassMetrics EndedPassMetrics(const TPassResult& Pass);

// One drive of a run, as the metrics show it at one moment. Every series of the drive carries
// its four labels: label (what the user calls it), device (the disk's kernel name, as the node
// exporter's disk series name it, so the two can be joined), model and serial.
struct TDriveMetrics {
  std::string Label;
  std::string Device;
  std::string Model;
  std::string Serial;
  TDriveState State = TDriveState::Writing;
  std::int32_t Pass = 0;                 // the current pass, from 1
  std::int64_t PassWrittenBytes = 0;     // in the current pass
  std::int64_t PassTargetBytes = 0;      // what the current pass is to write
  std::int64_t WrittenBytesTotal = 0;    // in every pass of the run: a counter
  std::optional<double> LastWriteSpeed;  // bytes per second; none before the first write
  std::optional<double> TemperatureC;    // none without a sensor or a reading
  std::optional<TEndedPassMetrics> LastEndedPass;

  bool operator==(const TDriveMetrics&) const = default;
};

// The Prometheus text exposition format (version 0.0.4) of the drives: every metric family once,
// with its HELP and TYPE lines, one sample per drive (the state set one per state). Base units:
// bytes, seconds, degrees Celsius; counters end in _total. LF line ends.
std::string MetricsText(std::span<const TDriveMetrics> Drives);

// A label value as the format wants it between its quotes: backslash, double quote and line
// feed escaped. Bytes that are not valid UTF-8 become U+FFFD, which the format demands.
std::string EscapeMetricLabel(std::string_view Value);

// A sample's value: the shortest text that reads back to the same double; "NaN", "+Inf", "-Inf".
std::string MetricValue(double Value);
