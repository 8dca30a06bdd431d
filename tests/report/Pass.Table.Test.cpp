// The per-pass table of an endurance run: each pass's key figures and their drift since pass 1.
#include "report/Pass.Table.h"

#include <gtest/gtest.h>

#include "text/Text.Catalogue.h"

namespace {

TPassResult Pass(std::int32_t Number, std::int64_t Mean, std::optional<std::int64_t> CacheMiB,
                 double PostCache, double SlowShare) {
  TPassResult Result;
  Result.Number = Number;
  Result.MeanSpeed = Mean;
  Result.SlowSharePct = SlowShare;
  TPassFigures& Figures = Result.Analysis.Figures.emplace();
  if (CacheMiB) {
    Figures.Cache = TCacheFigures{*CacheMiB, 1400.0, PostCache};
  }
  return Result;
}

TEST(PassTable, EveryPassWithItsDriftSincePassOne) {
  TPassResult TooShort;
  TooShort.Number = 4;
  TooShort.MeanSpeed = 200;
  const std::vector<TPassResult> Passes = {Pass(1, 400, 4096, 180.0, 2.5),
                                           Pass(2, 390, 3994, 171.0, 3.0),
                                           Pass(3, 500, std::nullopt, 0.0, 0.0), TooShort};
  EXPECT_EQ(PassTableLines(Passes, ","),
            (std::vector<std::string>{
                "- 회차별 요약 -",
                "1회차 : 평균 400MiB/s, 캐시 4,0GiB, 캐시 이후 180MiB/s, 평균 속도 50% 미만 2,5%",
                "2회차 : 평균 390MiB/s (-2,5%), 캐시 3,9GiB (-2,5%), 캐시 이후 171MiB/s (-5,0%), "
                "평균 속도 50% 미만 3,0%",
                "3회차 : 평균 500MiB/s (+25,0%), 캐시 없음, 평균 속도 50% 미만 0,0%",
                "4회차 : 평균 200MiB/s (-50,0%), 캐시 판단 불가, 평균 속도 50% 미만 0,0%",
                std::string(39, '*')}));
  EXPECT_TRUE(PassTableLines({}, ".").empty());
}

TEST(PassTable, APassOneWithoutCacheGivesLaterCachesNoDrift) {
  const std::vector<TPassResult> Passes = {Pass(1, 400, std::nullopt, 0.0, 0.0),
                                           Pass(2, 0, 2048, 150.0, 1.0)};
  const std::vector<std::string> Lines = PassTableLines(Passes, ".");
  ASSERT_EQ(Lines.size(), 4u);
  EXPECT_EQ(Lines[2],
            "2회차 : 평균 0MiB/s (-100.0%), 캐시 2.0GiB, 캐시 이후 150MiB/s, 평균 속도 50% 미만 "
            "1.0%");
}

TEST(PassTable, BeyondItsRowsKeepsPassOneAndTheLatest) {
  std::vector<TPassResult> Passes;
  for (std::int32_t Number = 1; Number <= 6; ++Number) {
    Passes.push_back(Pass(Number, 100 * Number, std::nullopt, 0.0, 0.0));
  }
  std::vector<std::string> Lines = PassTableLines(Passes, ".", 3);
  ASSERT_EQ(Lines.size(), 6u);
  EXPECT_EQ(Lines[1], "1회차 : 평균 100MiB/s, 캐시 없음, 평균 속도 50% 미만 0.0%");
  EXPECT_EQ(Lines[2], "(2회차 ~ 4회차 생략)");
  EXPECT_EQ(Lines[3], "5회차 : 평균 500MiB/s (+400.0%), 캐시 없음, 평균 속도 50% 미만 0.0%");
  EXPECT_EQ(Lines[4].rfind("6회차 : 평균 600MiB/s", 0), 0u);
  // A pass that ended early says so, in either language.
  Passes[4].End = TPassEnd::Cancelled;
  Passes[5].End = TPassEnd::Failed;
  Lines = PassTableLines(Passes, ".", 3);
  EXPECT_EQ(
      Lines[3],
      "5회차 : 평균 500MiB/s (+400.0%), 캐시 없음, 평균 속도 50% 미만 0.0%, 도중 취소 (일부만 "
      "측정)");
  EXPECT_NE(Lines[4].find(", 오류로 중단 (일부만 측정)"), std::string::npos);
  ASSERT_TRUE(SetTextLanguage("en"));
  Lines = PassTableLines(Passes, ".", 3);
  SetTextLanguage("ko");
  EXPECT_NE(Lines[3].find(", cancelled part-way (part of the drive only)"), std::string::npos);
  // Exactly as many passes as rows: nothing left out.
  Passes.resize(3);
  EXPECT_EQ(PassTableLines(Passes, ".", 3).size(), 5u);
}

}  // namespace
