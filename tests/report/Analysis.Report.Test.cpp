// The analysis's report lines, word for word, from figures made by hand.
#include "report/Analysis.Report.h"

#include "text/Text.Catalogue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string Rule(39, '*');

TPhase Phase(std::int64_t FromMiB, std::int64_t ToMiB, double Speed) {
  TPhase Result;
  Result.FromMiB = FromMiB;
  Result.ToMiB = ToMiB;
  Result.Speed = Speed;
  Result.MedianSpeed = Speed;
  return Result;
}

// A 20 GiB pass: 4 GiB of cache, a drop to 183 MiB/s, then 112 MiB/s from 16 GiB.
TPassAnalysis PassWithCache() {
  TPassAnalysis Analysis;
  Analysis.WriteCount = 2560;
  Analysis.WrittenMiB = 20480;
  Analysis.WriteSeconds = 71.0;
  Analysis.CloseSeconds = 4.5;
  Analysis.Throughput = 20480 / 75.5;
  TPassFigures& Figures = Analysis.Figures.emplace();
  Figures.Phases = {Phase(0, 4096, 1446.7), Phase(4096, 16392, 183.4), Phase(16392, 20480, 112.5)};
  Figures.Cache = TCacheFigures{4096, 1446.7, 183.4};
  Figures.LastSpeed = 112.5;
  Figures.Slowest1s = TSlowestWindow{4.0, 4096.0};
  Figures.Slowest10s = TSlowestWindow{97.49, 16300.2};
  Figures.Stalls.Longest = {512, 4104, 2.0};
  Figures.Stalls.SlowWriteCount = 3;
  Figures.Stalls.FirstSlowWrite = TWritePosition{512, 4104, 2.0};
  Figures.Heat = THeat{35.0F, 72.4F, 71.6F, 16392, std::int64_t{16392}};
  return Analysis;
}

TEST(AnalysisReport, PassWithACacheAndHeat) {
  const std::vector<std::string> Expected = {
      "- 쓰기 분석 -",
      "처리량 : 271MiB/s",
      "닫을 때 기다린 시간 : 4.50초",
      "캐시 크기 : 4.0GiB",
      "캐시 내 속도 : 1447MiB/s",
      "캐시 이후 속도 : 183MiB/s",
      "최종 속도 : 112MiB/s",                         // 112.5 rounds to the even neighbour
      "최저 1초 평균 속도 : 4.0MiB/s (4.0GiB 지점)",  // one decimal below 10 MiB/s
      "최저 10초 평균 속도 : 97MiB/s (15.9GiB 지점)",
      "최장 지연 : 2.00초 (4.0GiB 지점)",
      "느린 쓰기 (중앙값의 10배 초과) : 3회 (처음 4.0GiB 지점)",
      "온도 : 시작 35°C, 최고 72°C, 종료 72°C",
      "- 최고 온도에서 속도가 떨어졌습니다 (16.0GiB 지점) : 발열로 인한 속도 제한으로 보입니다 -",
      Rule,
  };
  EXPECT_EQ(AnalysisReportLines(PassWithCache(), "."), Expected);
}

TEST(AnalysisReport, PassWithACacheAndHeatInEnglish) {
  ASSERT_TRUE(SetTextLanguage("en"));
  const std::vector<std::string> Expected = {
      "- Write analysis -",
      "Throughput : 271MiB/s",
      "Waited at close : 4.50s",
      "Cache size : 4.0GiB",
      "Speed in the cache : 1447MiB/s",
      "Speed after the cache : 183MiB/s",
      "Final speed : 112MiB/s",
      "Slowest 1s average speed : 4.0MiB/s (at 4.0GiB)",
      "Slowest 10s average speed : 97MiB/s (at 15.9GiB)",
      "Longest stall : 2.00s (at 4.0GiB)",
      "Slow writes (over 10 times the median) : 3 (first at 4.0GiB)",
      "Temperature : start 35°C, highest 72°C, end 72°C",
      "- The speed dropped at the highest temperature (at 16.0GiB) : it looks like thermal "
      "throttling -",
      Rule,
  };
  const std::vector<std::string> Lines = AnalysisReportLines(PassWithCache(), ".");
  TPassAnalysis Short;
  Short.WriteCount = 3;
  const std::vector<std::string> ShortLines = AnalysisReportLines(Short, ".");
  SetTextLanguage("ko");
  EXPECT_EQ(Lines, Expected);
  EXPECT_EQ(ShortLines, std::vector<std::string>{"- Too short a pass to judge (3 writes) -"});
}

TEST(AnalysisReport, DecimalsTakeTheLocalesSeparator) {
  const std::vector<std::string> Lines = AnalysisReportLines(PassWithCache(), ",");
  EXPECT_EQ(Lines[2], "닫을 때 기다린 시간 : 4,50초");
  EXPECT_EQ(Lines[3], "캐시 크기 : 4,0GiB");
  EXPECT_EQ(Lines[7], "최저 1초 평균 속도 : 4,0MiB/s (4,0GiB 지점)");
  EXPECT_EQ(Lines[9], "최장 지연 : 2,00초 (4,0GiB 지점)");
}

TEST(AnalysisReport, VariantsOfEachLine) {
  TPassAnalysis Analysis = PassWithCache();
  TPassFigures& Figures = *Analysis.Figures;
  // The drive ends in the phase right after its cache: no separate last speed. The drop at the
  // cache began at the hottest point.
  Figures.Phases.pop_back();
  Figures.Heat->ThrottleAtMiB = 4096;
  // Below a GiB sizes are whole MiB; below a second times are milliseconds.
  Figures.Slowest1s->FromMiB = 1000.4;
  Figures.Stalls.Longest = {20, 168, 0.04325};
  Figures.Stalls.SlowWriteCount = 0;
  Figures.Stalls.FirstSlowWrite.reset();
  Figures.Slowest10s.reset();
  // A slow drive's throughput with one decimal; a close that waited under a second.
  Analysis.Throughput = 3.46;
  Analysis.CloseSeconds = 0.25;
  const std::vector<std::string> Expected = {
      "- 쓰기 분석 -",
      "처리량 : 3.5MiB/s",
      "닫을 때 기다린 시간 : 250.0ms",
      "캐시 크기 : 4.0GiB",
      "캐시 내 속도 : 1447MiB/s",
      "캐시 이후 속도 : 183MiB/s",
      "최저 1초 평균 속도 : 4.0MiB/s (1000MiB 지점)",
      "최저 10초 평균 속도 : 없음 (쓰기 시간 10초 미만)",
      "최장 지연 : 43.3ms (168MiB 지점)",
      "느린 쓰기 (중앙값의 10배 초과) : 0회",
      "온도 : 시작 35°C, 최고 72°C, 종료 72°C",
      "- 캐시 이후의 속도 하락이 최고 온도에서 시작되었습니다 (4.0GiB 지점) : 캐시 소진이 아니라 "
      "발열 제한일 수 있습니다 -",
      Rule,
  };
  EXPECT_EQ(AnalysisReportLines(Analysis, "."), Expected);

  // No cache, no temperature: the speed where the drive ends up, and no heat lines.
  Figures.Cache.reset();
  Figures.Heat.reset();
  const std::vector<std::string> Lines = AnalysisReportLines(Analysis, ".");
  ASSERT_EQ(Lines.size(), 10U);
  EXPECT_EQ(Lines[3], "캐시 크기 : 없음");
  EXPECT_EQ(Lines[4], "최종 속도 : 112MiB/s");
  EXPECT_EQ(Lines[5], "최저 1초 평균 속도 : 4.0MiB/s (1000MiB 지점)");
  EXPECT_EQ(Lines.back(), Rule);
}

// Through the system's cache the drop on the curve is the memory's, not the drive's: no cache
// lines, and the drive's speed as the flushes measured it; 9.96 MiB/s is whole, 9.94 is not.
TEST(AnalysisReport, BufferedPassNamesTheMemoryAndTheDrivesSpeed) {
  TPassAnalysis Analysis = PassWithCache();
  Analysis.Buffered = true;
  Analysis.Throughput = 9.96;
  Analysis.DriveSpeed = 9.96;
  Analysis.CloseSeconds = 32.0;
  Analysis.Figures->Memory = Analysis.Figures->Cache;
  Analysis.Figures->Cache.reset();
  std::vector<std::string> Lines = AnalysisReportLines(Analysis, ".");
  ASSERT_GE(Lines.size(), 7U);
  EXPECT_EQ(
      std::vector<std::string>(Lines.begin(), Lines.begin() + 7),
      (std::vector<std::string>{
          "- 쓰기 분석 -", "처리량 : 10MiB/s", "닫을 때 기다린 시간 : 32.00초",
          "- 캐시 사용 모드 : 빠른 구간은 드라이브의 캐시가 아니라 시스템 메모리입니다 -",
          "시스템 메모리가 받은 양 : 4.0GiB (1447MiB/s)", "플러시까지 잰 드라이브 속도 : 10MiB/s",
          "최저 1초 평균 속도 : 4.0MiB/s (4.0GiB 지점)"}));
  Analysis.DriveSpeed = 9.94;
  Analysis.Figures->Memory.reset();
  Lines = AnalysisReportLines(Analysis, ".");
  EXPECT_EQ(Lines[4], "플러시까지 잰 드라이브 속도 : 9.9MiB/s");
}

TEST(AnalysisReport, PassTooShortToJudgeIsOneLine) {
  TPassAnalysis Analysis;
  Analysis.WriteCount = 12;
  Analysis.WrittenMiB = 96;
  EXPECT_EQ(AnalysisReportLines(Analysis, "."),
            std::vector<std::string>{"- 판단하기에 너무 짧은 회차입니다 (쓰기 12회) -"});
}

}  // namespace
