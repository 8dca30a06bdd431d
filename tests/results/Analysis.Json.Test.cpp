// The analysis object of a result file: its keys, its nulls, and reading it back.
#include "results/Analysis.Json.h"
#include "results/Run.Json.h"

#include <gtest/gtest.h>

#include <vector>

#include "analysis/Curve.Maker.h"

namespace {

using nlohmann::json;

TEST(AnalysisJson, KeysUnitsAndNulls) {
  TPassAnalysis Analysis;
  Analysis.WriteCount = 2560;
  Analysis.WrittenMiB = 20480;
  Analysis.WriteSeconds = 75.5;
  Analysis.CloseSeconds = 4.5;
  Analysis.Throughput = 256.0;
  TPassFigures& Figures = Analysis.Figures.emplace();
  Figures.Phases = {{0, 512, 0, 4096, 1446.5, 1502}, {512, 2048, 4096, 20480, 183.25, 200}};
  Figures.Cache = TCacheFigures{4096, 1446.5, 183.25};
  Figures.LastSpeed = 183.25;
  Figures.Speeds = {90, 150, 200, 1600};
  Figures.Slowest1s = TSlowestWindow{4.0, 4096.0};
  Figures.Stalls.Longest = {512, 4104, 2.0};
  Figures.Stalls.SlowWriteCount = 1;
  Figures.Stalls.FirstSlowWrite = TWritePosition{512, 4104, 2.0};
  Figures.Stalls.Times = {0.04, 0.0625, 2.0};
  Figures.Timeline = {{1446.5, 4.0}, {1446.5, 183.25}};
  const json Expected = json::parse(R"({
    "too_short": false, "write_count": 2560, "written_mib": 20480, "write_seconds": 75.5,
    "close_seconds": 4.5, "throughput_mib_s": 256.0, "buffered": false, "drive_mib_s": null,
    "cache_mib": 4096, "in_cache_mib_s": 1446.5, "post_cache_mib_s": 183.25,
    "memory_mib": null, "memory_mib_s": null, "after_memory_mib_s": null,
    "last_mib_s": 183.25,
    "phases": [
      {"first_write": 0, "write_count": 512, "from_mib": 0, "to_mib": 4096,
       "mean_mib_s": 1446.5, "median_mib_s": 1502.0},
      {"first_write": 512, "write_count": 2048, "from_mib": 4096, "to_mib": 20480,
       "mean_mib_s": 183.25, "median_mib_s": 200.0}],
    "speed_percentiles_mib_s": {"p1": 90, "p5": 150, "p50": 200, "p95": 1600},
    "slowest_1s": {"mib_s": 4.0, "from_mib": 4096.0},
    "slowest_10s": null,
    "longest_write": {"index": 512, "at_mib": 4104, "seconds": 2.0},
    "slow_writes": {"over_median_times": 10.0, "count": 1,
                    "first": {"index": 512, "at_mib": 4104, "seconds": 2.0}},
    "write_seconds_percentiles": {"p50": 0.04, "p99": 0.0625, "max": 2.0},
    "temperature_c": null,
    "throughput_per_second_mib_s": [1446.5, 4.0],
    "throughput_per_percent_mib_s": [1446.5, 183.25]
  })");
  EXPECT_EQ(AnalysisToJson(Analysis), Expected) << AnalysisToJson(Analysis).dump(2);
  EXPECT_EQ(AnalysisFromJson(Expected), Analysis);
}

TEST(AnalysisJson, RealAnalysisReadsBackToTheBitThroughText) {
  std::vector<TWriteRecord> Writes =
      TCurve(9).Steady(600, 1700, 0.35).Stall(1.7).Steady(1500, 140, 0.35).Steady(400, 90, 0.35);
  for (std::size_t Index = 0; Index < Writes.size(); ++Index) {
    Writes[Index].TemperatureInC = Index < 1000 ? 33.0F + 0.037F * Index : 70.25F;
  }
  const TPassAnalysis Analysis = AnalysePass(Writes);
  ASSERT_FALSE(Analysis.TooShort());
  ASSERT_TRUE(Analysis.Figures->Cache && Analysis.Figures->Heat && Analysis.Figures->Slowest10s);
  EXPECT_EQ(AnalysisFromJson(json::parse(AnalysisToJson(Analysis).dump())), Analysis);
}

TEST(AnalysisJson, PassTooShortToJudge) {
  const TPassAnalysis Analysis = AnalysePass(TCurve().Steady(5, 300).Writes());
  const json Object = AnalysisToJson(Analysis);
  EXPECT_EQ(Object["too_short"], true);
  EXPECT_EQ(Object["write_count"], 5);
  EXPECT_EQ(Object["phases"], json::array());
  for (const char* Key : {"cache_mib", "last_mib_s", "speed_percentiles_mib_s", "slowest_1s",
                          "longest_write", "temperature_c"}) {
    EXPECT_TRUE(Object.at(Key).is_null()) << Key;
  }
  EXPECT_EQ(AnalysisFromJson(Object), Analysis);
}

TEST(AnalysisJson, MissingKeyOrWrongTypeIsAnError) {
  const json Valid = AnalysisToJson(AnalysePass(TCurve().Steady(40, 300).Writes()));
  json Missing = Valid;
  Missing.erase("last_mib_s");
  EXPECT_THROW(AnalysisFromJson(Missing), json::exception);
  json Wrong = Valid;
  Wrong["phases"][0]["to_mib"] = "320";
  // A figure of the wrong kind is refused by its key, as one out of its range is.
  EXPECT_THROW(AnalysisFromJson(Wrong), TResultFileError);
  EXPECT_THROW(AnalysisFromJson(json::array()), json::exception);
}

}  // namespace
