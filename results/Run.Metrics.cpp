#include "results/Run.Metrics.h"

#include <charconv>
#include <cmath>
#include <functional>

#include "results/Compare.Table.h"

namespace {

constexpr double BytesPerMiB = 1024.0 * 1024.0;

std::int64_t BytesOfMiB(double MiB) {
  return static_cast<std::int64_t>(std::llround(MiB * BytesPerMiB));
}

// The length of the well-formed UTF-8 sequence at Text[Index], 0 when there is none.
std::size_t Utf8SequenceAt(std::string_view Text, std::size_t Index) {
  const auto Byte = [&Text](std::size_t At) { return static_cast<unsigned char>(Text[At]); };
  const unsigned char Lead = Byte(Index);
  std::size_t Length = 0;
  unsigned char Low = 0x80;
  unsigned char High = 0xBF;
  if (Lead < 0x80) {
    return 1;
  } else if (Lead >= 0xC2 && Lead <= 0xDF) {
    Length = 2;
  } else if (Lead >= 0xE0 && Lead <= 0xEF) {
    Length = 3;
    Low = Lead == 0xE0 ? 0xA0 : 0x80;   // no overlong form
    High = Lead == 0xED ? 0x9F : 0xBF;  // no surrogate
  } else if (Lead >= 0xF0 && Lead <= 0xF4) {
    Length = 4;
    Low = Lead == 0xF0 ? 0x90 : 0x80;
    High = Lead == 0xF4 ? 0x8F : 0xBF;
  } else {
    return 0;
  }
  if (Index + Length > Text.size() || Byte(Index + 1) < Low || Byte(Index + 1) > High) {
    return 0;
  }
  for (std::size_t Next = Index + 2; Next < Index + Length; ++Next) {
    if ((Byte(Next) & 0xC0) != 0x80) {
      return 0;
    }
  }
  return Length;
}

struct TFamily {
  const char* Name;
  const char* Type;  // "gauge" or "counter"
  const char* Help;
  // The drive's sample, none when the drive has no value for it.
  std::function<std::optional<double>(const TDriveMetrics&)> Value;
};

std::optional<double> Whole(std::int64_t Value) {
  return static_cast<double>(Value);
}

const TEndedPassMetrics* Ended(const TDriveMetrics& Drive) {
  return Drive.LastEndedPass ? &*Drive.LastEndedPass : nullptr;
}

const TEndedPassMetrics* Judged(const TDriveMetrics& Drive) {
  const TEndedPassMetrics* Pass = Ended(Drive);
  return Pass && Pass->Judged ? Pass : nullptr;
}

const std::vector<TFamily>& Families() {
  static const std::vector<TFamily> List = {
      {"varnell_pass", "gauge", "Number of the current pass, from 1.",
       [](const TDriveMetrics& Drive) { return Whole(Drive.Pass); }},
      {"varnell_pass_written_bytes", "gauge", "Bytes written in the current pass.",
       [](const TDriveMetrics& Drive) { return Whole(Drive.PassWrittenBytes); }},
      {"varnell_pass_target_bytes", "gauge", "Bytes the current pass is to write.",
       [](const TDriveMetrics& Drive) { return Whole(Drive.PassTargetBytes); }},
      {"varnell_written_bytes_total", "counter", "Bytes written in every pass of the run.",
       [](const TDriveMetrics& Drive) { return Whole(Drive.WrittenBytesTotal); }},
      {"varnell_write_speed_bytes_per_second", "gauge",
       "Speed of the last write (8 MiB) in bytes per second.",
       [](const TDriveMetrics& Drive) { return Drive.LastWriteSpeed; }},
      {"varnell_temperature_celsius", "gauge", "Temperature of the drive as last read.",
       [](const TDriveMetrics& Drive) { return Drive.TemperatureC; }},
      {"varnell_last_pass", "gauge", "Number of the last pass that has ended.",
       [](const TDriveMetrics& Drive) -> std::optional<double> {
         const TEndedPassMetrics* Pass = Ended(Drive);
         return Pass ? Whole(Pass->Number) : std::nullopt;
       }},
      {"varnell_last_pass_written_bytes", "gauge", "Bytes written by the last pass that has ended.",
       [](const TDriveMetrics& Drive) -> std::optional<double> {
         const TEndedPassMetrics* Pass = Ended(Drive);
         return Pass ? Whole(Pass->WrittenBytes) : std::nullopt;
       }},
      {"varnell_last_pass_mean_speed_bytes_per_second", "gauge",
       "Mean of the write speeds of the last pass that has ended.",
       [](const TDriveMetrics& Drive) -> std::optional<double> {
         const TEndedPassMetrics* Pass = Ended(Drive);
         return Pass ? std::optional<double>(Pass->MeanSpeed) : std::nullopt;
       }},
      {"varnell_last_pass_cache_bytes", "gauge",
       "Bytes the last judged pass wrote before its speed dropped for good (0: no cache).",
       [](const TDriveMetrics& Drive) -> std::optional<double> {
         const TEndedPassMetrics* Pass = Judged(Drive);
         return Pass ? Whole(Pass->CacheBytes) : std::nullopt;
       }},
      {"varnell_last_pass_cache_speed_bytes_per_second", "gauge",
       "Write speed of the last judged pass while in its cache.",
       [](const TDriveMetrics& Drive) -> std::optional<double> {
         const TEndedPassMetrics* Pass = Judged(Drive);
         return Pass ? Pass->InCacheSpeed : std::nullopt;
       }},
      {"varnell_last_pass_after_cache_speed_bytes_per_second", "gauge",
       "Write speed of the last judged pass after its cache was full.",
       [](const TDriveMetrics& Drive) -> std::optional<double> {
         const TEndedPassMetrics* Pass = Judged(Drive);
         return Pass ? Pass->PostCacheSpeed : std::nullopt;
       }},
      {"varnell_last_pass_final_speed_bytes_per_second", "gauge",
       "Write speed of the last phase of the last judged pass.",
       [](const TDriveMetrics& Drive) -> std::optional<double> {
         const TEndedPassMetrics* Pass = Judged(Drive);
         return Pass ? std::optional<double>(Pass->FinalSpeed) : std::nullopt;
       }},
      {"varnell_last_pass_verified_bytes", "gauge",
       "Bytes the last pass that has ended read back and checked.",
       [](const TDriveMetrics& Drive) -> std::optional<double> {
         const TEndedPassMetrics* Pass = Ended(Drive);
         return Pass && Pass->VerifiedBytes ? Whole(*Pass->VerifiedBytes) : std::nullopt;
       }},
      {"varnell_last_pass_damaged_bytes", "gauge",
       "Bytes the last pass that has ended read back changed, overwritten or unreadable.",
       [](const TDriveMetrics& Drive) -> std::optional<double> {
         const TEndedPassMetrics* Pass = Ended(Drive);
         return Pass && Pass->DamagedBytes ? Whole(*Pass->DamagedBytes) : std::nullopt;
       }},
  };
  return List;
}

constexpr TDriveState AllStates[] = {TDriveState::Writing, TDriveState::Verifying,
                                     TDriveState::Paused,  TDriveState::Done,
                                     TDriveState::Failed,  TDriveState::Cancelled};

std::string DriveLabels(const TDriveMetrics& Drive) {
  return "label=\"" + EscapeMetricLabel(Drive.Label) + "\",device=\"" +
         EscapeMetricLabel(Drive.Device) + "\",model=\"" + EscapeMetricLabel(Drive.Model) +
         "\",serial=\"" + EscapeMetricLabel(Drive.Serial) + "\"";
}

void AddHeader(std::string& Out, const char* Name, const char* Type, const char* Help) {
  Out += std::string("# HELP ") + Name + " " + Help + "\n# TYPE " + Name + " " + Type + "\n";
}

}  // namespace

const char* DriveStateName(TDriveState State) {
  switch (State) {
    case TDriveState::Verifying:
      return "verifying";
    case TDriveState::Paused:
      return "paused";
    case TDriveState::Done:
      return "done";
    case TDriveState::Failed:
      return "failed";
    case TDriveState::Cancelled:
      return "cancelled";
    case TDriveState::Writing:
    default:
      return "writing";
  }
}

TEndedPassMetrics EndedPassMetrics(const TPassResult& Pass) {
  TEndedPassMetrics Ended;
  Ended.Number = Pass.Number;
  Ended.WrittenBytes = BytesOfMiB(static_cast<double>(Pass.WrittenMiB));
  Ended.MeanSpeed = static_cast<double>(Pass.MeanSpeed) * BytesPerMiB;
  if (const auto& Figures = Pass.Analysis.Figures) {
    Ended.Judged = true;
    Ended.FinalSpeed = Figures->LastSpeed * BytesPerMiB;
    if (const std::optional<double> Cache = CacheSizeMiB(Pass)) {
      Ended.CacheBytes = BytesOfMiB(*Cache);
      Ended.InCacheSpeed = Figures->Cache->InCacheSpeed * BytesPerMiB;
    }
    if (const std::optional<double> After = PostCacheSpeed(Pass)) {
      Ended.PostCacheSpeed = *After * BytesPerMiB;
    }
  }
  if (const auto& Verify = Pass.Verify) {
    Ended.VerifiedBytes = BytesOfMiB(Verify->ReadMiB);
    Ended.DamagedBytes =
        BytesOfMiB(Verify->ChangedMiB + Verify->OverwrittenMiB + Verify->UnreadableMiB);
  }
  return Ended;
}

std::string EscapeMetricLabel(std::string_view Value) {
  std::string Out;
  Out.reserve(Value.size());
  for (std::size_t Index = 0; Index < Value.size();) {
    const std::size_t Length = Utf8SequenceAt(Value, Index);
    if (Length == 0) {
      Out += "\xEF\xBF\xBD";
      ++Index;
      continue;
    }
    const char Char = Value[Index];
    if (Char == '\\') {
      Out += "\\\\";
    } else if (Char == '"') {
      Out += "\\\"";
    } else if (Char == '\n') {
      Out += "\\n";
    } else {
      Out.append(Value.substr(Index, Length));
    }
    Index += Length;
  }
  return Out;
}

std::string MetricValue(double Value) {
  if (std::isnan(Value)) {
    return "NaN";
  }
  if (std::isinf(Value)) {
    return Value > 0 ? "+Inf" : "-Inf";
  }
  char Text[32];
  const auto Result = std::to_chars(Text, Text + sizeof Text, Value);
  return std::string(Text, Result.ptr);
}

std::string MetricsText(std::span<const TDriveMetrics> Drives) {
  std::string Out;
  AddHeader(Out, "varnell_state", "gauge",
            "What the run on the drive is doing: 1 for the state it is in, 0 for the others.");
  for (const TDriveMetrics& Drive : Drives) {
    const std::string Labels = DriveLabels(Drive);
    for (const TDriveState State : AllStates) {
      Out += "varnell_state{" + Labels + ",state=\"" + DriveStateName(State) + "\"} " +
             (State == Drive.State ? "1" : "0") + "\n";
    }
  }
  for (const TFamily& Family : Families()) {
    std::string Samples;
    for (const TDriveMetrics& Drive : Drives) {
      if (const std::optional<double> Value = Family.Value(Drive)) {
        Samples +=
            std::string(Family.Name) + "{" + DriveLabels(Drive) + "} " + MetricValue(*Value) + "\n";
      }
    }
    // A family without a sample is left out whole: a HELP without samples tells nothing.
    if (!Samples.empty()) {
      AddHeader(Out, Family.Name, Family.Type, Family.Help);
      Out += Samples;
    }
  }
  return Out;
}
