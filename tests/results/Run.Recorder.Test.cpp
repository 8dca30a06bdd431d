// An endless run keeps every pass's figures, but the curve only of pass 1 and the latest few.
#include "results/Run.Recorder.h"

#include <gtest/gtest.h>

namespace {

TEST(RunRecorder, KeepsTheCurvesOfPassOneAndTheLatestPasses) {
  TRunRecorder Recorder;
  const std::size_t Passes = TRunRecorder::KeptCurves + 4;
  for (std::size_t Number = 1; Number <= Passes; ++Number) {
    TPassResult Pass;
    Pass.Number = static_cast<std::int32_t>(Number);
    Pass.MeanSpeed = 100;
    Pass.WriteSeconds.assign(3, 0.1);
    Pass.Analysis.Figures.emplace().Timeline = {{80.0, 80.0}, std::vector<double>(100, 80.0)};
    Recorder.Add(Pass);
  }
  const std::vector<TPassResult>& Kept = Recorder.Run().Passes;
  ASSERT_EQ(Kept.size(), Passes);
  for (const TPassResult& Pass : Kept) {
    SCOPED_TRACE(Pass.Number);
    const bool Latest = static_cast<std::size_t>(Pass.Number) > Passes - TRunRecorder::KeptCurves;
    EXPECT_EQ(Pass.WriteSeconds.size(), Pass.Number == 1 || Latest ? 3u : 0u);
    EXPECT_EQ(Pass.Analysis.Figures->Timeline.PerSecond.size(),
              Pass.Number == 1 || Latest ? 2u : 0u);
    EXPECT_EQ(Pass.Analysis.Figures->Timeline.PerPercent.size(), 100u) << "a hundred figures stay";
    EXPECT_EQ(Pass.MeanSpeed, 100);
  }
}

}  // namespace
