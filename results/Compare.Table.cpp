#include "results/Compare.Table.h"

#include "text/Escape.Control.h"
#include "text/Number.Text.h"
#include "text/Text.Table.h"

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

std::vector<TCompareRow> CompareRows(const std::vector<TNamedRun>& Runs) {
  std::vector<TCompareRow> Rows;
  for (const TNamedRun& Named : Runs) {
    const TRunResult& Run = Named.Run;
    for (const TPassResult& Pass : Run.Passes) {
      const auto& Figures = Pass.Analysis.Figures;
      const auto& Cache = Figures ? Figures->Cache : std::nullopt;
      const TPassResult* FirstOfRun = &Run.Passes.front();
      const TPassResult* SameOfFirstRun =
          &Named == &Runs.front() ? nullptr : PassNumbered(Runs.front().Run, Pass.Number);
      // The drift follows the throughput: what the drive wrote over the time it took.
      const auto Mean = [](const TPassResult* Other) { return Other->Analysis.Throughput; };
      TCompareRow Row;
      // The names come from the files: a crafted one must not drive the terminal.
      Row.Run = EscapeControlCharacters(Named.Name);
      Row.Drive = EscapeControlCharacters(DriveText(Run));
      Row.Pass = Pass.Number;
      Row.Throughput = Pass.Analysis.Throughput;
      Row.MeanSpeed = Pass.MeanSpeed;
      Row.Judged = Figures.has_value();
      if (Cache) {
        Row.CacheMiB = static_cast<double>(Cache->SizeInMiB);
        Row.InCacheSpeed = Cache->InCacheSpeed;
        Row.PostCacheSpeed = Cache->PostCacheSpeed;
      }
      if (Figures) {
        Row.LastSpeed = Figures->LastSpeed;
        if (Figures->Slowest1s) {
          Row.Slowest1sSpeed = Figures->Slowest1s->Speed;
        }
      }
      Row.SlowSharePct = Pass.SlowSharePct;
      Row.End = PassEndKey(Pass.End);
      if (FirstOfRun != &Pass) {
        Row.DriftPct = DriftPercent(Mean(FirstOfRun), Mean(&Pass));
      }
      if (SameOfFirstRun) {
        Row.VsFirstRunPct = DriftPercent(Mean(SameOfFirstRun), Mean(&Pass));
      }
      Rows.push_back(std::move(Row));
    }
  }
  return Rows;
}

std::string CompareTable(const std::vector<TNamedRun>& Runs) {
  std::vector<std::vector<std::string>> Rows = {{"RUN", "DRIVE", "PASS", "THROUGHPUT MiB/s",
                                                 "MEAN MiB/s", "CACHE", "IN CACHE MiB/s",
                                                 "AFTER CACHE MiB/s", "LAST MiB/s", "SLOW %",
                                                 "SLOWEST 1s MiB/s", "END", "DRIFT", "VS RUN 1"}};
  const auto WholeOr = [](const std::optional<double>& Value) {
    return Value ? SpeedText(*Value) : Missing;
  };
  for (const TCompareRow& Row : CompareRows(Runs)) {
    Rows.push_back({Row.Run, Row.Drive, std::to_string(Row.Pass), SpeedText(Row.Throughput),
                    std::to_string(Row.MeanSpeed),
                    Row.Judged ? (Row.CacheMiB ? SizeText(*Row.CacheMiB) : "none") : Missing,
                    WholeOr(Row.InCacheSpeed), WholeOr(Row.PostCacheSpeed), WholeOr(Row.LastSpeed),
                    FormatFixed(Row.SlowSharePct, 1, "."), WholeOr(Row.Slowest1sSpeed), Row.End,
                    DriftText(Row.DriftPct), DriftText(Row.VsFirstRunPct)});
  }
  return AlignedColumns(Rows);
}

std::string CsvCell(const std::string& Text) {
  // A text that a spreadsheet would take for a formula (a drive can name itself "=cmd|...")
  // is kept as text by a leading apostrophe.
  std::string Cell = Text;
  if (!Cell.empty() && std::string_view("=+-@\t\r").find(Cell.front()) != std::string::npos) {
    Cell.insert(0, "'");
  }
  if (Cell.find_first_of(",\"\r\n") == std::string::npos) {
    return Cell;
  }
  std::string Quoted = "\"";
  for (const char Char : Cell) {
    Quoted += Char == '"' ? std::string("\"\"") : std::string(1, Char);
  }
  return Quoted + "\"";
}

std::string CompareCsv(const std::vector<TNamedRun>& Runs) {
  const auto Number = [](const std::optional<double>& Value) {
    return Value ? FormatFixed(*Value, 1, ".") : std::string();
  };
  std::string Out =
      "run,drive,pass,throughput_mib_s,mean_mib_s,cache_mib,in_cache_mib_s,after_cache_mib_s,last_"
      "mib_s,slow_pct,"
      "slowest_1s_mib_s,end,drift_pct,vs_run1_pct\r\n";
  for (const TCompareRow& Row : CompareRows(Runs)) {
    std::string CacheCell;
    if (Row.CacheMiB) {
      CacheCell = Whole(*Row.CacheMiB);
    } else if (Row.Judged) {
      CacheCell = "0";
    }
    const std::vector<std::string> Cells = {CsvCell(Row.Run),
                                            CsvCell(Row.Drive),
                                            std::to_string(Row.Pass),
                                            FormatFixed(Row.Throughput, 1, "."),
                                            std::to_string(Row.MeanSpeed),
                                            CacheCell,
                                            Number(Row.InCacheSpeed),
                                            Number(Row.PostCacheSpeed),
                                            Number(Row.LastSpeed),
                                            FormatFixed(Row.SlowSharePct, 1, "."),
                                            Number(Row.Slowest1sSpeed),
                                            Row.End,
                                            Number(Row.DriftPct),
                                            Number(Row.VsFirstRunPct)};
    for (std::size_t Index = 0; Index < Cells.size(); ++Index) {
      Out += (Index == 0 ? "" : ",") + Cells[Index];
    }
    Out += "\r\n";
  }
  return Out;
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
