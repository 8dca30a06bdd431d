#include "results/Compare.Table.h"

#include "report/Number.Text.h"
#include "report/Text.Table.h"

namespace {

const std::string Missing = "-";

std::string Whole(double Value) {
  return std::to_string(static_cast<long long>(RoundHalfEven(Value)));
}

// Whole MiB/s, one decimal below 10 MiB/s, as the analysis prints them.
std::string SpeedText(double MiBPerSecond) {
  return MiBPerSecond < 9.95 ? FormatFixed(MiBPerSecond, 1, ".") : Whole(MiBPerSecond);
}

std::string SizeText(double MiB) {
  return MiB < 1024.0 ? Whole(MiB) + "MiB" : FormatFixed(MiB / 1024.0, 1, ".") + "GiB";
}

std::string DriftText(const std::optional<double>& Percent) {
  if (!Percent) {
    return Missing;
  }
  const std::string Text = FormatFixed(*Percent, 1, ".");
  return (*Percent >= 0.0 && Text != "-0.0" ? "+" + Text : Text) + "%";
}

std::string DriveText(const TRunResult& Run) {
  if (!Run.Drive.Model.empty()) {
    return Run.Drive.Model;
  }
  return Run.Setting.DrivePath.empty() ? Missing : Run.Setting.DrivePath;
}

const TPassResult* PassNumbered(const TRunResult& Run, std::int32_t Number) {
  for (const TPassResult& Pass : Run.Passes) {
    if (Pass.Number == Number) {
      return &Pass;
    }
  }
  return nullptr;
}

}  // namespace

std::optional<double> DriftPercent(double Before, double Now) {
  if (!(Before > 0.0)) {
    return std::nullopt;
  }
  return (Now - Before) / Before * 100.0;
}

std::optional<double> CacheSizeMiB(const TPassResult& Pass) {
  const auto& Figures = Pass.Analysis.Figures;
  if (!Figures || !Figures->Cache) {
    return std::nullopt;
  }
  return static_cast<double>(Figures->Cache->SizeInMiB);
}

std::optional<double> PostCacheSpeed(const TPassResult& Pass) {
  const auto& Figures = Pass.Analysis.Figures;
  if (!Figures || !Figures->Cache) {
    return std::nullopt;
  }
  return Figures->Cache->PostCacheSpeed;
}

std::string CompareTable(const std::vector<TNamedRun>& Runs) {
  std::vector<std::vector<std::string>> Rows = {{"RUN", "DRIVE", "PASS", "THROUGHPUT MiB/s",
                                                 "MEAN MiB/s", "CACHE", "IN CACHE MiB/s",
                                                 "AFTER CACHE MiB/s", "LAST MiB/s", "SLOW %",
                                                 "SLOWEST 1s MiB/s", "END", "DRIFT", "VS RUN 1"}};
  for (const TNamedRun& Named : Runs) {
    const TRunResult& Run = Named.Run;
    for (const TPassResult& Pass : Run.Passes) {
      const auto& Figures = Pass.Analysis.Figures;
      const auto& Cache = Figures ? Figures->Cache : std::nullopt;
      const TPassResult* FirstOfRun = Run.Passes.empty() ? nullptr : &Run.Passes.front();
      const TPassResult* SameOfFirstRun =
          &Named == &Runs.front() ? nullptr : PassNumbered(Runs.front().Run, Pass.Number);
      // The drift follows the throughput: what the drive wrote over the time it took.
      const auto Mean = [](const TPassResult* Other) { return Other->Analysis.Throughput; };
      Rows.push_back(
          {Named.Name, DriveText(Run), std::to_string(Pass.Number),
           SpeedText(Pass.Analysis.Throughput), std::to_string(Pass.MeanSpeed),
           Figures ? (Cache ? SizeText(static_cast<double>(Cache->SizeInMiB)) : "none") : Missing,
           Cache ? SpeedText(Cache->InCacheSpeed) : Missing,
           Cache ? SpeedText(Cache->PostCacheSpeed) : Missing,
           Figures ? SpeedText(Figures->LastSpeed) : Missing,
           FormatFixed(Pass.SlowSharePct, 1, "."),
           Figures && Figures->Slowest1s ? SpeedText(Figures->Slowest1s->Speed) : Missing,
           PassEndKey(Pass.End),
           FirstOfRun == &Pass ? Missing : DriftText(DriftPercent(Mean(FirstOfRun), Mean(&Pass))),
           SameOfFirstRun ? DriftText(DriftPercent(Mean(SameOfFirstRun), Mean(&Pass))) : Missing});
    }
  }
  return AlignedColumns(Rows);
}

TPlotFigure CompareFigure(const std::vector<TNamedRun>& Runs) {
  TPlotFigure Figure;
  Figure.Title = "Varnell: write speed of " + std::to_string(Runs.size()) + " runs";
  Figure.XTitle = "MiB written";
  Figure.YTitle = "MiB/s";
  for (const TNamedRun& Named : Runs) {
    const TRunResult& Run = Named.Run;
    std::string Caption = Named.Name + ": " + DriveText(Run);
    if (!Run.Passes.empty() && !Run.Passes.front().StartTime.empty()) {
      Caption += ", " + Run.Passes.front().StartTime;
    }
    Figure.Caption.push_back(Caption);
    for (const TPassResult& Pass : Run.Passes) {
      if (Pass.WriteSeconds.empty()) {
        continue;
      }
      TPlotCurve Curve;
      Curve.Label = Named.Name + " pass " + std::to_string(Pass.Number);
      Curve.Points.reserve(Pass.WriteSeconds.size());
      double Written = 0.0;
      for (const double Seconds : Pass.WriteSeconds) {
        Written += 8.0;
        Curve.Points.push_back({Written, Seconds > 0.0 ? 8.0 / Seconds : 0.0});
      }
      Figure.Curves.push_back(std::move(Curve));
    }
  }
  return Figure;
}
