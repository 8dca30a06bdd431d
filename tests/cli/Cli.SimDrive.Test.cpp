#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <vector>

#include "cli/Cli.Process.h"
#include "engine/Scratch.Volume.h"
#include "simdrive/Sim.Drive.h"

// A real pass of varnell-cli on the simulated flash drive, judged as a user would judge it:
// does the analysis find the cache the drive was built with, and the speeds in and after it?
// The speeds are low enough that neither FUSE's per-request cost nor a sanitizer's slowdown
// moves them: the drive paces every request by bytes written. On a busy machine the writing
// thread may wait a few milliseconds to be woken between the eight requests of a write; the
// drive counts gaps of up to 10 ms as its own time (not 3 ms as by default, which lost 10-14 %
// of the speed under AddressSanitizer with both cores busy), so that the waits do not slow it.
namespace {

using namespace SimDrive::Literals;
using nlohmann::json;

class CliOnSimulatedDrive : public ::testing::Test {
 protected:
  // Fills the drive in one pass, saving the writes with --csv, and returns the analysis of that
  // file as "varnell-cli analyze --json" gives it. Output receives what the pass printed.
  json AnalysePassOn(SimDrive::TConfig Config, std::string& Output,
                     const std::vector<std::string>& MoreArguments = {}) {
    Config.CarryUs = 10'000;
    SimDrive::TSimDrive Drive(Config);
    EXPECT_TRUE(Drive.Mounted()) << Drive.Error();
    if (!Drive.Mounted()) {
      return {};
    }
    const std::string Csv = Capture.Path().string() + "/writes.csv";
    std::vector<std::string> Arguments{"--quiet", "--csv", Csv};
    Arguments.insert(Arguments.end(), MoreArguments.begin(), MoreArguments.end());
    Arguments.push_back(Drive.DrivePath());
    const TProcessResult Run = RunCliProcess(Arguments, Capture.Path().string());
    EXPECT_EQ(Run.ExitCode, 0) << Run.Errors << Run.Output;
    Output = Run.Output;
    const TProcessResult Analysed =
        RunCliProcess({"analyze", "--json", Csv}, Capture.Path().string());
    EXPECT_EQ(Analysed.ExitCode, 0) << Analysed.Errors;
    const json Document = json::parse(Analysed.Output, nullptr, false);
    EXPECT_FALSE(Document.is_discarded()) << Analysed.Output;
    if (Document.is_discarded()) {
      return {};
    }
    const json& Passes = Document.at("files").at(0).at("passes");
    EXPECT_EQ(Passes.size(), 1U);
    const json& Analysis = Passes.at(0).at("analysis");
    EXPECT_FALSE(Analysis.at("too_short").get<bool>()) << Analysis.dump(2);
    return Analysis;
  }

  // Fills the drive in one pass with Arguments and returns that pass of the result file
  // (--json). Output receives what the pass printed.
  json ResultPassOn(SimDrive::TConfig Config, std::string& Output,
                    const std::vector<std::string>& MoreArguments = {}) {
    Config.CarryUs = 10'000;
    SimDrive::TSimDrive Drive(Config);
    EXPECT_TRUE(Drive.Mounted()) << Drive.Error();
    if (!Drive.Mounted()) {
      return {};
    }
    const std::string Result = Capture.Path().string() + "/result.json";
    std::vector<std::string> Arguments{"--quiet", "--json", Result};
    Arguments.insert(Arguments.end(), MoreArguments.begin(), MoreArguments.end());
    Arguments.push_back(Drive.DrivePath());
    const TProcessResult Run = RunCliProcess(Arguments, Capture.Path().string());
    EXPECT_EQ(Run.ExitCode, 0) << Run.Errors << Run.Output;
    Output = Run.Output;
    const json Document = json::parse(ReadWholeFile(Result), nullptr, false);
    EXPECT_FALSE(Document.is_discarded());
    if (Document.is_discarded() || Document.at("passes").size() != 1) {
      return {};
    }
    return Document.at("passes").at(0);
  }

  TScratchFolder Capture;
};

// Through the system's cache (the kernel keeps dirty pages and writes them back), the writes
// return at memory speed and the close waits for the rest: the drive's 40 MiB/s shows only in
// the throughput, which counts that wait. About 7 s.
TEST_F(CliOnSimulatedDrive, ABufferedFillGivesTheDrivesSpeedThroughTheFlushes) {
  SIMDRIVE_SKIP_IF_UNAVAILABLE();
  SimDrive::TConfig Config;
  Config.Speed = 40;
  Config.Capacity = 288_MiB;
  Config.WritebackCache = true;
  std::string Output;
  const json Pass = ResultPassOn(Config, Output, {"--cache"});
  ASSERT_TRUE(Pass.is_object());
  SCOPED_TRACE(Pass.dump(2));
  const json& Analysis = Pass.at("analysis");
  EXPECT_TRUE(Analysis.at("buffered").get<bool>());
  EXPECT_TRUE(Analysis.at("cache_mib").is_null()) << "the memory is no cache of the drive's";
  ASSERT_TRUE(Analysis.at("drive_mib_s").is_number());
  EXPECT_NEAR(Analysis.at("drive_mib_s").get<double>(), 40.0, 40.0 * 0.15);
  EXPECT_EQ(Pass.at("throughput_mib_s"), Analysis.at("throughput_mib_s"));
  // One file, one close, and its wait is the analysis's.
  ASSERT_EQ(Pass.at("close_times").size(), 1U);
  EXPECT_EQ(Pass.at("close_times").at(0).at("seconds"), Analysis.at("close_seconds"));
  EXPECT_NE(Output.find("- 캐시 사용 모드 : 빠른 구간은 드라이브의 캐시가 아니라 시스템 "
                        "메모리입니다 -"),
            std::string::npos)
      << Output;
  EXPECT_NE(Output.find("플러시까지 잰 드라이브 속도 : "), std::string::npos) << Output;
}

TEST_F(CliOnSimulatedDrive, FindsTheCacheAndTheSpeedsInAndAfterIt) {
  SIMDRIVE_SKIP_IF_UNAVAILABLE();
  SimDrive::TConfig Config;
  Config.CacheSize = 512_MiB;
  Config.CacheSpeed = 100;
  Config.Speed = 40;
  Config.Capacity = Config.CacheSize + 256_MiB;  // 32 writes after the cache: about 13 s in all
  std::string Output;
  const std::string Image = Capture.Path().string() + "/chart.svg";
#ifdef VARNELL_CLI_DRAWS_CHARTS
  const json Analysis = AnalysePassOn(Config, Output, {"--plot", Image});
#else
  const json Analysis = AnalysePassOn(Config, Output);
#endif
  ASSERT_TRUE(Analysis.is_object());
  SCOPED_TRACE(Analysis.dump(2));

  ASSERT_FALSE(Analysis.at("cache_mib").is_null());
  const auto CacheMiB = Analysis.at("cache_mib").get<double>();
  EXPECT_NEAR(CacheMiB, 512.0, 512.0 * 0.05);
  EXPECT_NEAR(Analysis.at("in_cache_mib_s").get<double>(), 100.0, 100.0 * 0.10);
  EXPECT_NEAR(Analysis.at("post_cache_mib_s").get<double>(), 40.0, 40.0 * 0.10);
  EXPECT_NEAR(Analysis.at("last_mib_s").get<double>(), 40.0, 40.0 * 0.10);
  // The pass itself said the same after its summary.
  EXPECT_NE(Output.find("캐시 크기 : " + std::to_string(static_cast<long long>(CacheMiB)) + "MiB"),
            std::string::npos)
      << Output;
#ifdef VARNELL_CLI_DRAWS_CHARTS
  // The picture labels a step at each phase's speed.
  const std::string Svg = ReadWholeFile(Image);
  std::vector<double> Labelled;
  const std::regex Label(R"(>(\d+) MiB/s<)");
  for (auto It = std::sregex_iterator(Svg.begin(), Svg.end(), Label); It != std::sregex_iterator();
       ++It) {
    Labelled.push_back(std::stod((*It)[1]));
  }
  ASSERT_EQ(Labelled.size(), Analysis.at("phases").size()) << Svg.substr(0, 2000);
  EXPECT_NEAR(Labelled.front(), 100.0, 10.0);
  EXPECT_NEAR(Labelled.back(), 40.0, 4.0);
#endif
}

// Sticks and cards: caches of a few writes, and a slow drive's speeds with their decimal.
// About 4 s and 21 s (13 writes, the fewest that are judged).
TEST_F(CliOnSimulatedDrive, FindsSmallCachesAndSlowSpeeds) {
  SIMDRIVE_SKIP_IF_UNAVAILABLE();
  const struct {
    std::uint64_t CacheSize;
    double CacheSpeed, Speed;
    std::uint64_t After;
    const char* PostCacheLine;
  } Cases[] = {
      {64_MiB, 200, 60, 200_MiB, nullptr},
      {40_MiB, 18, 3.5, 72_MiB, "캐시 이후 속도 : 3.5MiB/s"},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(std::to_string(Case.CacheSize / SimDrive::MiB) + " MiB cache");
    SimDrive::TConfig Config;
    Config.CacheSize = Case.CacheSize;
    Config.CacheSpeed = Case.CacheSpeed;
    Config.Speed = Case.Speed;
    Config.Capacity = Case.CacheSize + Case.After;
    std::string Output;
    const json Analysis = AnalysePassOn(Config, Output);
    ASSERT_TRUE(Analysis.is_object());
    SCOPED_TRACE(Analysis.dump(2));
    ASSERT_FALSE(Analysis.at("cache_mib").is_null());
    const double Size = static_cast<double>(Case.CacheSize / SimDrive::MiB);
    EXPECT_NEAR(Analysis.at("cache_mib").get<double>(), Size, Size * 0.10);
    EXPECT_NEAR(Analysis.at("in_cache_mib_s").get<double>(), Case.CacheSpeed,
                Case.CacheSpeed * 0.15);
    EXPECT_NEAR(Analysis.at("post_cache_mib_s").get<double>(), Case.Speed, Case.Speed * 0.10);
    if (Case.PostCacheLine) {
      EXPECT_NE(Output.find(Case.PostCacheLine), std::string::npos) << Output;
    }
  }
}

// A bursty device: after its cache of 400 MiB/s, three writes in four return at 200 MiB/s and
// every fourth blocks for 0.8 s more, so its true rate is 32 MiB in 0.96 s while the mean of
// the writes' speeds stays near 150. The analysis gives the true rate and the longest stall.
// About 9 s.
TEST_F(CliOnSimulatedDrive, ABurstyDrivesSpeedAfterItsCacheIsItsTrueRate) {
  SIMDRIVE_SKIP_IF_UNAVAILABLE();
  SimDrive::TConfig Config;
  Config.CacheSize = 160_MiB;
  Config.CacheSpeed = 400;
  Config.Speed = 200;
  Config.StallEvery = 32_MiB;
  Config.StallMs = 800;
  Config.StallAfterCache = true;
  Config.Capacity = Config.CacheSize + 264_MiB;
  std::string Output;
  const json Pass = ResultPassOn(Config, Output);
  ASSERT_TRUE(Pass.is_object());
  SCOPED_TRACE(Pass.dump(2));
  const json& Analysis = Pass.at("analysis");
  const double TrueRate = 32.0 / (32.0 / 200 + 0.8);
  ASSERT_FALSE(Analysis.at("cache_mib").is_null());
  // The cut may fall at the first stall, three writes after the cache's end.
  EXPECT_GE(Analysis.at("cache_mib").get<double>(), 152.0);
  EXPECT_LE(Analysis.at("cache_mib").get<double>(), 192.0);
  EXPECT_NEAR(Analysis.at("post_cache_mib_s").get<double>(), TrueRate, TrueRate * 0.15);
  const double Longest = Analysis.at("longest_write").at("seconds").get<double>();
  EXPECT_GE(Longest, 0.8);
  EXPECT_LT(Longest, 1.6);
  EXPECT_GT(Pass.at("mean_mib_s").get<double>(), 3 * TrueRate) << "the mean of speeds misleads";
  EXPECT_NE(Output.find("최장 지연 : "), std::string::npos) << Output;
}

TEST_F(CliOnSimulatedDrive, FindsNoCacheOnADriveOfOneSteadySpeed) {
  SIMDRIVE_SKIP_IF_UNAVAILABLE();
  SimDrive::TConfig Config;
  Config.Speed = 80;
  Config.Capacity = 384_MiB;  // 48 writes, enough to judge: about 5 s
  std::string Output;
  const json Analysis = AnalysePassOn(Config, Output);
  ASSERT_TRUE(Analysis.is_object());
  SCOPED_TRACE(Analysis.dump(2));

  EXPECT_TRUE(Analysis.at("cache_mib").is_null());
  EXPECT_NEAR(Analysis.at("last_mib_s").get<double>(), 80.0, 80.0 * 0.10);
  EXPECT_NE(Output.find("캐시 크기 : 없음"), std::string::npos) << Output;
}

}  // namespace
