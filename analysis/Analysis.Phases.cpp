// Phases by change-point detection on the log of the speed, in five steps:
//
// 1. Blocks. The writes are summed into at most 1,024 blocks of at least 4 writes, and each
//    block's value is the log of its throughput (its MiB over its time). A drive that alternates
//    80 and 1,500 MiB/s writes around 150 MiB/s thus shows 150 MiB/s in every block instead of
//    a jump at every write, and the noise between single writes shrinks with the block.
// 2. Isolated blocks. A block far outside its neighbours (a stall of a few seconds inside a
//    fast stretch, or right where the speed drops) is left out of the detection, so that a
//    stall cannot become a phase: slow stretches of up to two blocks are stalls, which the
//    stall figures report.
//    The phases' speeds still count every write.
// 3. Optimal partitioning of the blocks with the Gaussian cost of a change in mean and variance
//    of the log speed: each phase has its own noise, so a bursty throttled stretch is not cut
//    where a steady one beside it would be; a penalty that grows with the log of the block
//    count keeps noise of +-35 % between single writes in one phase.
// 4. Neighbours less than 10 % apart in speed become one phase (what the eye reads as one
//    level on the chart), and each cut moves to the write, within a block either side, that
//    best splits the time per MiB on its two sides.
// 5. A cut whose two sides' blocks do not differ clearly against the wider of their spreads
//    goes: the noise of a bursty stretch is wide and uneven, and a bunch of fast
//    writes in it is no phase of its own.
// 6. A cache shorter than the shortest phase (sticks and cards have caches of 32 to 128 MiB):
//    the first phase's first writes, from 32 MiB on, become a phase of their own where they
//    are at least 25 % faster than the rest of it and the single writes on either side of the
//    cut, but for one in ten, lie on their own side of the speed between.
#include "analysis/Analysis.Phases.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "analysis/Analysis.Percentiles.h"

namespace {

constexpr std::size_t MaxBlocks = 1024;
constexpr std::size_t MinBlockWrites = 4;
constexpr std::int32_t MinPhaseWritesFloor = 16;
constexpr double MinPhaseShare = 0.0025;
// Speeds steadier than +-0.5 % between blocks count as +-0.5 %: a curve without noise (a RAM
// disk, a made-up curve) would otherwise have no variance, and every cut infinite weight.
constexpr double NoiseFloor = 0.005;
// A block is isolated when it lies more than this many robust standard deviations from the
// blocks on either side of it.
constexpr double IsolatedDeviations = 3.0;
// The penalty of one more phase: PenaltyBase + PenaltyPerLogBlock x the log of the block count.
// Chosen on made-up passes of 32 to 50,000 writes with +-35 % noise (300 seeds a size, 40 at
// 50,000): pure noise, an 80/1,500 MiB/s alternation and stalls stayed one phase in more than
// 99 % of them, and a 30 % step was found in every pass of 200 writes or more.
constexpr double PenaltyPerLogBlock = 6.0;
constexpr double PenaltyBase = 10.0;
// Neighbouring phases less than 10 % apart are one phase.
constexpr double SameSpeedRatio = 0.9;
// A cut stays only where the two phases' mean log speeds differ by at least this many
// standard errors of the difference, measured on their blocks.
constexpr double MinCutScore = 5.0;
// Step 6: the smallest cache (in MiB, not writes: a stick's cache is a size), the drop at its
// end, the writes after it that must stay slow (at least 8, and 4 for each write before), and
// the share of writes on the wrong side of the speed between that still makes a clear cut.
constexpr double MinCacheMiB = 32.0;
constexpr double CacheDropRatio = 0.75;
constexpr std::size_t MinWritesAfterCache = 8;
constexpr std::size_t CheckedWritesPerCacheWrite = 4;
constexpr double StrayShare = 0.1;

// Write indexes where blocks begin, Count + 1 of them; sizes differ by one at most.
std::vector<std::size_t> BlockStarts(std::size_t WriteCount) {
  const std::size_t Count =
      std::max<std::size_t>(1, std::min(MaxBlocks, WriteCount / MinBlockWrites));
  std::vector<std::size_t> Starts(Count + 1);
  for (std::size_t Block = 0; Block <= Count; ++Block) {
    Starts[Block] = Block * WriteCount / Count;
  }
  return Starts;
}

double Median(std::vector<double> Values) {
  return NearestRankPercentiles(std::move(Values), {50.0}).front();
}

// The noise of the log speed between neighbouring blocks, robustly: the median absolute
// difference of neighbours (a step or a stall moves one or two of them only), as a normal
// standard deviation.
double BlockNoise(const std::vector<double>& Values) {
  if (Values.size() < 2) {
    return NoiseFloor;
  }
  std::vector<double> Differences;
  Differences.reserve(Values.size() - 1);
  for (std::size_t Index = 1; Index < Values.size(); ++Index) {
    Differences.push_back(std::fabs(Values[Index] - Values[Index - 1]));
  }
  return std::max(NoiseFloor, 1.4826 * Median(std::move(Differences)) / std::sqrt(2.0));
}

// How far Value lies from the values [From, To), in robust standard deviations: from their
// median, over the larger of their own spread and the noise of the whole pass.
double DeviationsFrom(const std::vector<double>& Values, std::size_t From, std::size_t To,
                      double Value, double Noise) {
  std::vector<double> Side(Values.begin() + static_cast<std::ptrdiff_t>(From),
                           Values.begin() + static_cast<std::ptrdiff_t>(To));
  const double Centre = Median(Side);
  for (double& Other : Side) {
    Other = std::fabs(Other - Centre);
  }
  // 1.4826 x the median absolute deviation estimates a normal standard deviation.
  const double Spread = std::max(1.4826 * Median(std::move(Side)), Noise);
  return std::fabs(Value - Centre) / Spread;
}

// Marks the values far from the Side values on their left and from the Side values on their
// right alike (from the one side there is at the ends). Each side is judged alone, so that a
// stall right at a step, where the two sides differ, is still found; a block on a step is
// close to one side and kept. Marked values are left out of the cost, not replaced: a copy of a
// neighbour would make its stretch look steadier than it is.
std::vector<bool> IsolatedValues(const std::vector<double>& Values, std::size_t Side) {
  const double Noise = BlockNoise(Values);
  const std::size_t Count = Values.size();
  std::vector<bool> Isolated(Count, false);
  for (std::size_t Index = 0; Index < Count; ++Index) {
    const bool HasLeft = Index > 0;
    const bool HasRight = Index + 1 < Count;
    const bool FarLeft = !HasLeft || DeviationsFrom(Values, Index < Side ? 0 : Index - Side, Index,
                                                    Values[Index], Noise) > IsolatedDeviations;
    const bool FarRight =
        !HasRight || DeviationsFrom(Values, Index + 1, std::min(Count, Index + 1 + Side),
                                    Values[Index], Noise) > IsolatedDeviations;
    Isolated[Index] = (HasLeft || HasRight) && FarLeft && FarRight;
  }
  return Isolated;
}

// Minus twice the log-likelihood of normal values with their own mean and variance, up to
// constants, over the values [From, To) that are not left out.
class TSegmentCost {
 public:
  TSegmentCost(const std::vector<double>& Values, const std::vector<bool>& LeftOut)
      : FCount(1, 0.0), FSum(1, 0.0), FSquares(1, 0.0) {
    // Centred on the first value, so that the squares do not swamp a small variance.
    const double Offset = Values.empty() ? 0.0 : Values.front();
    for (std::size_t Index = 0; Index < Values.size(); ++Index) {
      const double Kept = LeftOut[Index] ? 0.0 : 1.0;
      const double Value = Kept * (Values[Index] - Offset);
      FCount.push_back(FCount.back() + Kept);
      FSum.push_back(FSum.back() + Value);
      FSquares.push_back(FSquares.back() + Value * Value);
    }
  }

  double operator()(std::size_t From, std::size_t To) const {
    const double Count = FCount[To] - FCount[From];
    if (Count == 0.0) {
      return 0.0;
    }
    const double Mean = (FSum[To] - FSum[From]) / Count;
    const double Variance = (FSquares[To] - FSquares[From]) / Count - Mean * Mean;
    return Count * std::log(std::max(Variance, NoiseFloor * NoiseFloor));
  }

 private:
  std::vector<double> FCount;
  std::vector<double> FSum;
  std::vector<double> FSquares;
};

// The segmentation of Values into segments of at least MinLength values with the least total
// cost plus Penalty per segment (optimal partitioning, exact). Returns the segments' ends.
std::vector<std::size_t> OptimalSegmentEnds(const std::vector<double>& Values,
                                            const std::vector<bool>& LeftOut, std::size_t MinLength,
                                            double Penalty) {
  const std::size_t Count = Values.size();
  if (Count < 2 * MinLength) {
    return {Count};
  }
  const TSegmentCost Cost(Values, LeftOut);
  constexpr double Unreachable = std::numeric_limits<double>::infinity();
  std::vector<double> Best(Count + 1, Unreachable);
  std::vector<std::size_t> LastStart(Count + 1, 0);
  Best[0] = 0.0;
  for (std::size_t End = MinLength; End <= Count; ++End) {
    for (std::size_t Start = 0; Start + MinLength <= End; ++Start) {
      if (Best[Start] == Unreachable) {
        continue;
      }
      const double Total = Best[Start] + Cost(Start, End) + Penalty;
      if (Total < Best[End]) {
        Best[End] = Total;
        LastStart[End] = Start;
      }
    }
  }
  std::vector<std::size_t> Ends;
  for (std::size_t End = Count; End > 0; End = LastStart[End]) {
    Ends.push_back(End);
  }
  std::reverse(Ends.begin(), Ends.end());
  return Ends;
}

// Bounds: write indexes where phases begin, then the write count.
void MergeSameSpeed(std::vector<std::size_t>& Bounds, const TWriteTimeline& Timeline) {
  while (Bounds.size() > 2) {
    std::size_t Closest = 0;
    double ClosestRatio = 0.0;
    for (std::size_t Cut = 1; Cut + 1 < Bounds.size(); ++Cut) {
      const double Left = Timeline.Throughput(Bounds[Cut - 1], Bounds[Cut]);
      const double Right = Timeline.Throughput(Bounds[Cut], Bounds[Cut + 1]);
      const double Ratio = std::min(Left, Right) / std::max(Left, Right);
      if (Ratio > ClosestRatio) {
        ClosestRatio = Ratio;
        Closest = Cut;
      }
    }
    if (ClosestRatio < SameSpeedRatio) {
      return;
    }
    Bounds.erase(Bounds.begin() + static_cast<std::ptrdiff_t>(Closest));
  }
}

// Minus the log-likelihood, up to constants, of times per MiB with one scale over [From, To):
// it depends on the stretch's throughput alone, as the blocks' values do.
double TimePerMiBCost(const TWriteTimeline& Timeline, std::size_t From, std::size_t To) {
  return static_cast<double>(To - From) * -std::log(Timeline.Throughput(From, To));
}

void RefineCuts(std::vector<std::size_t>& Bounds, std::size_t Reach,
                const TWriteTimeline& Timeline) {
  for (std::size_t Cut = 1; Cut + 1 < Bounds.size(); ++Cut) {
    const std::size_t Left = Bounds[Cut - 1];
    const std::size_t Right = Bounds[Cut + 1];
    const std::size_t From = std::max(Left + 1, Bounds[Cut] > Reach ? Bounds[Cut] - Reach : 0);
    const std::size_t To = std::min(Right - 1, Bounds[Cut] + Reach);
    double BestCost = std::numeric_limits<double>::infinity();
    for (std::size_t Candidate = From; Candidate <= To; ++Candidate) {
      const double Cost =
          TimePerMiBCost(Timeline, Left, Candidate) + TimePerMiBCost(Timeline, Candidate, Right);
      if (Cost < BestCost) {
        BestCost = Cost;
        Bounds[Cut] = Candidate;
      }
    }
  }
}

// The blocks that the detection used, for judging its cuts afterwards.
struct TBlocks {
  std::vector<std::size_t> Starts;  // write indexes, one more than there are blocks
  std::vector<double> LogSpeeds;
  std::vector<bool> LeftOut;  // stalls
};

// How clearly the blocks on either side of each cut differ: the difference of the two phases'
// mean log speeds over its standard error, from the blocks wholly inside each phase, stalls
// left out, with the wider of the two spreads. A bursty phase spreads widely from block to block,
// so a stretch of it where fast writes happened to bunch up scores low; a step between steady
// phases scores in the tens.
class TCutScores {
 public:
  TCutScores(const TBlocks& Blocks, const std::vector<std::size_t>& Bounds) : FBlocks(Blocks) {
    for (std::size_t Phase = 0; Phase + 1 < Bounds.size(); ++Phase) {
      FPhases.push_back(Statistics(Bounds[Phase], Bounds[Phase + 1]));
    }
  }

  // Score of the cut that begins phase Cut (from 1). A phase without two whole blocks of its
  // own is too short to tell from its neighbour: 0.
  double operator()(std::size_t Cut) const {
    const TMoments& Left = FPhases[Cut - 1];
    const TMoments& Right = FPhases[Cut];
    if (Left.Count < 2.0 || Right.Count < 2.0) {
      return 0.0;
    }
    // The wider spread of the two for both: a short stretch that happens to look steady must
    // not make its own difference look certain.
    const double Spread = std::max(Left.Variance, Right.Variance);
    const double Error = std::sqrt(Spread / Left.Count + Spread / Right.Count);
    const double Difference = std::fabs(Left.Mean - Right.Mean);
    return Difference / std::max(Error, NoiseFloor / std::sqrt(Left.Count + Right.Count));
  }

  // Phase Cut joins the phase before it; Bounds already lacks the cut.
  void Merge(std::size_t Cut, const std::vector<std::size_t>& Bounds) {
    FPhases.erase(FPhases.begin() + static_cast<std::ptrdiff_t>(Cut));
    FPhases[Cut - 1] = Statistics(Bounds[Cut - 1], Bounds[Cut]);
  }

 private:
  struct TMoments {
    double Count = 0.0;
    double Mean = 0.0;
    double Variance = 0.0;
  };

  // Over the blocks wholly within the writes [From, To).
  TMoments Statistics(std::size_t From, std::size_t To) const {
    TMoments Moments;
    double Squares = 0.0;
    for (std::size_t Block = 0; Block + 1 < FBlocks.Starts.size(); ++Block) {
      if (FBlocks.Starts[Block] < From || FBlocks.Starts[Block + 1] > To ||
          FBlocks.LeftOut[Block]) {
        continue;
      }
      const double Value = FBlocks.LogSpeeds[Block];
      Moments.Count += 1.0;
      const double Step = Value - Moments.Mean;
      Moments.Mean += Step / Moments.Count;
      Squares += Step * (Value - Moments.Mean);
    }
    Moments.Variance = Moments.Count > 1.0 ? Squares / (Moments.Count - 1.0) : 0.0;
    return Moments;
  }

  const TBlocks& FBlocks;
  std::vector<TMoments> FPhases;
};

// Removes the weakest cut while it scores below MinCutScore.
void MergeUnclearCuts(std::vector<std::size_t>& Bounds, const TBlocks& Blocks) {
  TCutScores Scores(Blocks, Bounds);
  while (Bounds.size() > 2) {
    std::size_t Weakest = 1;
    for (std::size_t Cut = 2; Cut + 1 < Bounds.size(); ++Cut) {
      if (Scores(Cut) < Scores(Weakest)) {
        Weakest = Cut;
      }
    }
    if (Scores(Weakest) >= MinCutScore) {
      return;
    }
    Bounds.erase(Bounds.begin() + static_cast<std::ptrdiff_t>(Weakest));
    Scores.Merge(Weakest, Bounds);
  }
}

// Writes among [From, To) slower (Faster false) or faster (Faster true) than Speed.
std::size_t CountBeyond(const TWriteTimeline& Timeline, std::size_t From, std::size_t To,
                        double Speed, bool Faster) {
  std::size_t Count = 0;
  for (std::size_t Index = From; Index < To; ++Index) {
    const double Own = Timeline.MiB(Index) / Timeline.Seconds(Index);
    Count += Faster ? Own > Speed : Own < Speed;
  }
  return Count;
}

// Step 6: where the short fast stretch at the start of the first phase [0, End) ends, or 0
// for none; it is shorter than MaxWrites.
std::size_t SmallCacheEnd(const TWriteTimeline& Timeline, std::size_t End, std::size_t MaxWrites) {
  std::size_t Best = 0;
  double BestCost = std::numeric_limits<double>::infinity();
  const std::size_t Last =
      End >= MinWritesAfterCache ? std::min(MaxWrites, End - MinWritesAfterCache) : 0;
  for (std::size_t Length = 1; Length <= Last; ++Length) {
    if (Timeline.MiBBefore(Length) < MinCacheMiB) {
      continue;
    }
    const double Fast = Timeline.Throughput(0, Length);
    const double Slow = Timeline.Throughput(Length, End);
    if (!(Slow <= CacheDropRatio * Fast)) {
      continue;
    }
    const double Between = std::sqrt(Fast * Slow);
    const std::size_t CheckEnd =
        std::min(End, Length + std::max(MinWritesAfterCache, CheckedWritesPerCacheWrite * Length));
    const auto Strays = [](std::size_t Count) {
      return static_cast<std::size_t>(StrayShare * static_cast<double>(Count));
    };
    if (CountBeyond(Timeline, 0, Length, Between, false) > Strays(Length) ||
        CountBeyond(Timeline, Length, CheckEnd, Between, true) > Strays(CheckEnd - Length)) {
      continue;
    }
    const double Cost = TimePerMiBCost(Timeline, 0, Length) + TimePerMiBCost(Timeline, Length, End);
    if (Cost < BestCost) {
      BestCost = Cost;
      Best = Length;
    }
  }
  return Best;
}

TPhase MakePhase(std::span<const TWriteRecord> Writes, const TWriteTimeline& Timeline,
                 std::size_t From, std::size_t To) {
  std::vector<std::int32_t> Speeds;
  Speeds.reserve(To - From);
  for (std::size_t Index = From; Index < To; ++Index) {
    Speeds.push_back(Writes[Index].SpeedInMiB);
  }
  TPhase Phase;
  Phase.FirstWrite = static_cast<std::int32_t>(From);
  Phase.WriteCount = static_cast<std::int32_t>(To - From);
  Phase.FromMiB = static_cast<std::int64_t>(Timeline.MiBBefore(From));
  Phase.ToMiB = static_cast<std::int64_t>(Timeline.MiBBefore(To));
  Phase.Speed = Timeline.Throughput(From, To);
  Phase.MedianSpeed = NearestRankPercentiles(std::move(Speeds), {50.0}).front();
  return Phase;
}

}  // namespace

std::int32_t MinPhaseWrites(std::size_t WriteCount) {
  const auto Share =
      static_cast<std::int32_t>(std::ceil(MinPhaseShare * static_cast<double>(WriteCount)));
  return std::max(MinPhaseWritesFloor, Share);
}

std::vector<TPhase> FindPhases(std::span<const TWriteRecord> Writes,
                               const TWriteTimeline& Timeline) {
  const std::size_t WriteCount = Timeline.Count();
  if (WriteCount == 0) {
    return {};
  }
  TBlocks Blocks;
  Blocks.Starts = BlockStarts(WriteCount);
  const std::size_t BlockCount = Blocks.Starts.size() - 1;
  const std::size_t BlockWrites = (WriteCount + BlockCount - 1) / BlockCount;
  Blocks.LogSpeeds.reserve(BlockCount);
  for (std::size_t Block = 0; Block < BlockCount; ++Block) {
    Blocks.LogSpeeds.push_back(
        std::log(Timeline.Throughput(Blocks.Starts[Block], Blocks.Starts[Block + 1])));
  }

  const auto MinWrites = static_cast<std::size_t>(MinPhaseWrites(WriteCount));
  const std::size_t MinBlocks =
      std::max<std::size_t>(2, (MinWrites + BlockWrites - 1) / BlockWrites);
  // Three blocks or half a phase a side: a stall of up to two blocks is outvoted on both.
  Blocks.LeftOut = IsolatedValues(Blocks.LogSpeeds, std::max<std::size_t>(3, MinBlocks / 2));
  const double Penalty =
      PenaltyPerLogBlock * std::log(static_cast<double>(BlockCount)) + PenaltyBase;

  std::vector<std::size_t> Bounds{0};
  for (const std::size_t End :
       OptimalSegmentEnds(Blocks.LogSpeeds, Blocks.LeftOut, MinBlocks, Penalty)) {
    Bounds.push_back(Blocks.Starts[End]);
  }
  MergeSameSpeed(Bounds, Timeline);
  RefineCuts(Bounds, BlockWrites, Timeline);
  MergeUnclearCuts(Bounds, Blocks);
  // Up to two of the shortest phases: a longer cache is the detection's to find.
  if (const std::size_t CacheEnd = SmallCacheEnd(Timeline, Bounds[1], 2 * MinWrites)) {
    Bounds.insert(Bounds.begin() + 1, CacheEnd);
  }

  std::vector<TPhase> Phases;
  for (std::size_t Phase = 0; Phase + 1 < Bounds.size(); ++Phase) {
    Phases.push_back(MakePhase(Writes, Timeline, Bounds[Phase], Bounds[Phase + 1]));
  }
  return Phases;
}
