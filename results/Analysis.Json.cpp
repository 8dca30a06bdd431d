#include "results/Analysis.Json.h"

#include <optional>

#include "results/Json.Figure.h"

using nlohmann::json;

namespace {

template <typename T, typename TWrite>
json OrNull(const std::optional<T>& Value, TWrite Write) {
  return Value ? Write(*Value) : json(nullptr);
}

template <typename T, typename TRead>
std::optional<T> Optional(const json& Value, TRead Read) {
  if (Value.is_null()) {
    return std::nullopt;
  }
  return Read(Value);
}

json PhaseToJson(const TPhase& Phase) {
  return {{"first_write", Phase.FirstWrite}, {"write_count", Phase.WriteCount},
          {"from_mib", Phase.FromMiB},       {"to_mib", Phase.ToMiB},
          {"mean_mib_s", Phase.Speed},       {"median_mib_s", Phase.MedianSpeed}};
}

TPhase PhaseFromJson(const json& Object) {
  TPhase Phase;
  Phase.FirstWrite = Figure<std::int32_t>(Object, "first_write");
  Phase.WriteCount = Figure<std::int32_t>(Object, "write_count");
  Phase.FromMiB = Figure<std::int64_t>(Object, "from_mib");
  Phase.ToMiB = Figure<std::int64_t>(Object, "to_mib");
  Phase.Speed = Figure<double>(Object, "mean_mib_s");
  Phase.MedianSpeed = Figure<double>(Object, "median_mib_s");
  return Phase;
}

json WindowToJson(const TSlowestWindow& Window) {
  return {{"mib_s", Window.Speed}, {"from_mib", Window.FromMiB}};
}

TSlowestWindow WindowFromJson(const json& Object) {
  return {Figure<double>(Object, "mib_s"), Figure<double>(Object, "from_mib")};
}

json WriteToJson(const TWritePosition& Write) {
  return {{"index", Write.Index}, {"at_mib", Write.AtMiB}, {"seconds", Write.Seconds}};
}

TWritePosition WriteFromJson(const json& Object) {
  return {Figure<std::int32_t>(Object, "index"), Figure<std::int32_t>(Object, "at_mib"),
          Figure<double>(Object, "seconds")};
}

json HeatToJson(const THeat& Heat) {
  return {
      {"start", Heat.StartInC},
      {"max", Heat.MaxInC},
      {"end", Heat.EndInC},
      {"max_at_mib", Heat.MaxAtMiB},
      {"throttle_at_mib", OrNull(Heat.ThrottleAtMiB, [](std::int64_t MiB) { return json(MiB); })}};
}

THeat HeatFromJson(const json& Object) {
  THeat Heat;
  Heat.StartInC = Figure<float>(Object, "start", -300.0f);
  Heat.MaxInC = Figure<float>(Object, "max", -300.0f);
  Heat.EndInC = Figure<float>(Object, "end", -300.0f);
  Heat.MaxAtMiB = Figure<std::int32_t>(Object, "max_at_mib");
  Heat.ThrottleAtMiB = Optional<std::int64_t>(Object.at("throttle_at_mib"), [](const json& MiB) {
    return FigureOf<std::int64_t>(MiB, "throttle_at_mib");
  });
  return Heat;
}

void FiguresToJson(const TPassFigures& Figures, json& Object) {
  const auto& Cache = Figures.Cache;
  Object["cache_mib"] = OrNull(Cache, [](const TCacheFigures& C) { return json(C.SizeInMiB); });
  Object["in_cache_mib_s"] =
      OrNull(Cache, [](const TCacheFigures& C) { return json(C.InCacheSpeed); });
  Object["post_cache_mib_s"] =
      OrNull(Cache, [](const TCacheFigures& C) { return json(C.PostCacheSpeed); });
  const auto& Memory = Figures.Memory;
  Object["memory_mib"] = OrNull(Memory, [](const TCacheFigures& C) { return json(C.SizeInMiB); });
  Object["memory_mib_s"] =
      OrNull(Memory, [](const TCacheFigures& C) { return json(C.InCacheSpeed); });
  Object["after_memory_mib_s"] =
      OrNull(Memory, [](const TCacheFigures& C) { return json(C.PostCacheSpeed); });
  Object["last_mib_s"] = Figures.LastSpeed;
  for (const TPhase& Phase : Figures.Phases) {
    Object["phases"].push_back(PhaseToJson(Phase));
  }
  const TSpeedPercentiles& Speeds = Figures.Speeds;
  Object["speed_percentiles_mib_s"] = {
      {"p1", Speeds.P1}, {"p5", Speeds.P5}, {"p50", Speeds.P50}, {"p95", Speeds.P95}};
  Object["slowest_1s"] = OrNull(Figures.Slowest1s, WindowToJson);
  Object["slowest_10s"] = OrNull(Figures.Slowest10s, WindowToJson);
  const TStalls& Stalls = Figures.Stalls;
  Object["longest_write"] = WriteToJson(Stalls.Longest);
  Object["slow_writes"] = {{"over_median_times", SlowWriteFactor},
                           {"count", Stalls.SlowWriteCount},
                           {"first", OrNull(Stalls.FirstSlowWrite, WriteToJson)}};
  Object["write_seconds_percentiles"] = {
      {"p50", Stalls.Times.P50}, {"p99", Stalls.Times.P99}, {"max", Stalls.Times.Max}};
  Object["temperature_c"] = OrNull(Figures.Heat, HeatToJson);
  Object["throughput_per_second_mib_s"] = Figures.Timeline.PerSecond;
  Object["throughput_per_percent_mib_s"] = Figures.Timeline.PerPercent;
}

TPassFigures FiguresFromJson(const json& Object) {
  TPassFigures Figures;
  for (const json& Phase : Object.at("phases")) {
    Figures.Phases.push_back(PhaseFromJson(Phase));
  }
  if (!Object.at("cache_mib").is_null()) {
    Figures.Cache = TCacheFigures{Figure<std::int64_t>(Object, "cache_mib"),
                                  Figure<double>(Object, "in_cache_mib_s"),
                                  Figure<double>(Object, "post_cache_mib_s")};
  }
  // Files from before buffered passes were told apart have no memory figures.
  if (Object.contains("memory_mib") && !Object.at("memory_mib").is_null()) {
    Figures.Memory = TCacheFigures{Figure<std::int64_t>(Object, "memory_mib"),
                                   Figure<double>(Object, "memory_mib_s"),
                                   Figure<double>(Object, "after_memory_mib_s")};
  }
  Figures.LastSpeed = Figure<double>(Object, "last_mib_s");
  const json& Speeds = Object.at("speed_percentiles_mib_s");
  Figures.Speeds = {Figure<std::int32_t>(Speeds, "p1"), Figure<std::int32_t>(Speeds, "p5"),
                    Figure<std::int32_t>(Speeds, "p50"), Figure<std::int32_t>(Speeds, "p95")};
  Figures.Slowest1s = Optional<TSlowestWindow>(Object.at("slowest_1s"), WindowFromJson);
  Figures.Slowest10s = Optional<TSlowestWindow>(Object.at("slowest_10s"), WindowFromJson);
  Figures.Stalls.Longest = WriteFromJson(Object.at("longest_write"));
  const json& Slow = Object.at("slow_writes");
  Figures.Stalls.SlowWriteCount = Figure<std::int32_t>(Slow, "count");
  Figures.Stalls.FirstSlowWrite = Optional<TWritePosition>(Slow.at("first"), WriteFromJson);
  const json& Times = Object.at("write_seconds_percentiles");
  Figures.Stalls.Times = {Figure<double>(Times, "p50"), Figure<double>(Times, "p99"),
                          Figure<double>(Times, "max")};
  Figures.Heat = Optional<THeat>(Object.at("temperature_c"), HeatFromJson);
  // Files from before the timeline was kept have none.
  Figures.Timeline.PerSecond = Object.value("throughput_per_second_mib_s", std::vector<double>{});
  Figures.Timeline.PerPercent = Object.value("throughput_per_percent_mib_s", std::vector<double>{});
  return Figures;
}

}  // namespace

json AnalysisToJson(const TPassAnalysis& Analysis) {
  json Object = {{"too_short", Analysis.TooShort()},
                 {"write_count", Analysis.WriteCount},
                 {"written_mib", Analysis.WrittenMiB},
                 {"write_seconds", Analysis.WriteSeconds},
                 {"close_seconds", Analysis.CloseSeconds},
                 {"throughput_mib_s", Analysis.Throughput},
                 {"buffered", Analysis.Buffered},
                 {"drive_mib_s", OrNull(Analysis.DriveSpeed, [](double S) { return json(S); })},
                 {"phases", json::array()}};
  if (Analysis.Figures) {
    FiguresToJson(*Analysis.Figures, Object);
    return Object;
  }
  for (const char* Key :
       {"cache_mib", "in_cache_mib_s", "post_cache_mib_s", "memory_mib", "memory_mib_s",
        "after_memory_mib_s", "last_mib_s", "speed_percentiles_mib_s", "slowest_1s", "slowest_10s",
        "longest_write", "slow_writes", "write_seconds_percentiles", "temperature_c",
        "throughput_per_second_mib_s", "throughput_per_percent_mib_s"}) {
    Object[Key] = nullptr;
  }
  return Object;
}

TPassAnalysis AnalysisFromJson(const json& Object) {
  TPassAnalysis Analysis;
  Analysis.WriteCount = Figure<std::int32_t>(Object, "write_count");
  Analysis.WrittenMiB = Figure<std::int64_t>(Object, "written_mib");
  Analysis.WriteSeconds = Figure<double>(Object, "write_seconds");
  // A file from before the closes were timed: its writes' time is all there is.
  Analysis.CloseSeconds =
      Object.contains("close_seconds") ? Figure<double>(Object, "close_seconds") : 0.0;
  const double Seconds = Analysis.WriteSeconds + Analysis.CloseSeconds;
  Analysis.Throughput =
      Object.contains("throughput_mib_s")
          ? Figure<double>(Object, "throughput_mib_s")
          : (Seconds > 0.0 ? static_cast<double>(Analysis.WrittenMiB) / Seconds : 0.0);
  Analysis.Buffered = Object.value("buffered", false);
  Analysis.DriveSpeed = Optional<double>(Object.value("drive_mib_s", json()), [](const json& S) {
    return FigureOf<double>(S, "drive_mib_s");
  });
  if (!Object.at("too_short").get<bool>()) {
    Analysis.Figures = FiguresFromJson(Object);
  }
  return Analysis;
}
