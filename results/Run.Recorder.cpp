#include "results/Run.Recorder.h"

#include <utility>

void TRunRecorder::Add(TPassResult Pass) {
  FRun.Passes.push_back(std::move(Pass));
  // The pass that just fell out of the last few, unless it is the first.
  const std::size_t Count = FRun.Passes.size();
  if (Count > KeptCurves + 1) {
    TPassResult& Older = FRun.Passes[Count - KeptCurves - 1];
    if (&Older != &FRun.Passes.front()) {
      Older.WriteSeconds.clear();
      Older.WriteSeconds.shrink_to_fit();
      // The throughput second by second is a curve as long as the pass took, too.
      if (Older.Analysis.Figures) {
        std::vector<double>().swap(Older.Analysis.Figures->Timeline.PerSecond);
      }
    }
  }
}
