// The side-by-side table of runs: the figures of each pass and the drifts of the mean speed.
#include "results/Compare.Table.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

TPassResult Pass(std::int32_t Number, std::int64_t Mean, std::optional<std::int64_t> CacheMiB,
                 TPassEnd End = TPassEnd::Completed) {
  TPassResult Result;
  Result.Number = Number;
  Result.MeanSpeed = Mean;
  // Half the mean of speeds, so that the table shows which of the two it leads with.
  Result.Analysis.Throughput = static_cast<double>(Mean) / 2.0;
  Result.SlowSharePct = 2.25;
  Result.End = End;
  TPassFigures& Figures = Result.Analysis.Figures.emplace();
  Figures.LastSpeed = 90.4;
  Figures.Slowest1s = TSlowestWindow{12.6, 100.0};
  if (CacheMiB) {
    Figures.Cache = TCacheFigures{*CacheMiB, 1400.5, 120.5};
  }
  return Result;
}

std::vector<std::string> Lines(const std::string& Text) {
  std::vector<std::string> Result;
  std::istringstream Stream(Text);
  for (std::string Line; std::getline(Stream, Line);) {
    Result.push_back(Line);
  }
  return Result;
}

// Cells split on runs of two spaces or more, as the columns are set apart.
std::vector<std::string> Cells(const std::string& Line) {
  std::vector<std::string> Result;
  std::size_t Start = 0;
  while (Start < Line.size()) {
    std::size_t End = Line.find("  ", Start);
    Result.push_back(Line.substr(Start, End - Start));
    if (End == std::string::npos) {
      break;
    }
    Start = Line.find_first_not_of(' ', End);
  }
  return Result;
}

TEST(CompareTable, EveryPassOfEveryRunWithItsDrifts) {
  TNamedRun Before{"before.json", {}};
  Before.Run.Drive.Model = "Flash Disk";
  Before.Run.Passes = {Pass(1, 400, 4096), Pass(2, 300, 800)};
  TNamedRun After{"after.json", {}};
  After.Run.Setting.DrivePath = "/mnt/usb/";  // no model known: the folder names it
  After.Run.Passes = {Pass(1, 500, std::nullopt, TPassEnd::Cancelled), Pass(3, 250, 512)};
  TPassResult TooShort;
  TooShort.Number = 4;
  TooShort.MeanSpeed = 0;
  TooShort.Analysis.Throughput = 3.46;  // a slow drive's, with one decimal
  After.Run.Passes.push_back(TooShort);

  const std::vector<std::string> Table = Lines(CompareTable({Before, After}));
  ASSERT_EQ(Table.size(), 6u);
  using TRow = std::vector<std::string>;
  EXPECT_EQ(Cells(Table[0]), (TRow{"RUN", "DRIVE", "PASS", "THROUGHPUT MiB/s", "MEAN MiB/s",
                                   "CACHE", "IN CACHE MiB/s", "AFTER CACHE MiB/s", "LAST MiB/s",
                                   "SLOW %", "SLOWEST 1s MiB/s", "END", "DRIFT", "VS RUN 1"}));
  // The drifts follow the throughput.
  EXPECT_EQ(Cells(Table[1]), (TRow{"before.json", "Flash Disk", "1", "200", "400", "4.0GiB", "1400",
                                   "120", "90", "2.3", "13", "completed", "-", "-"}));
  EXPECT_EQ(Cells(Table[2]), (TRow{"before.json", "Flash Disk", "2", "150", "300", "800MiB", "1400",
                                   "120", "90", "2.3", "13", "completed", "-25.0%", "-"}));
  EXPECT_EQ(Cells(Table[3]), (TRow{"after.json", "/mnt/usb/", "1", "250", "500", "none", "-", "-",
                                   "90", "2.3", "13", "cancelled", "-", "+25.0%"}));
  // Pass 3 has no pass 3 in the first run to compare with.
  EXPECT_EQ(Cells(Table[4]), (TRow{"after.json", "/mnt/usb/", "3", "125", "250", "512MiB", "1400",
                                   "120", "90", "2.3", "13", "completed", "-50.0%", "-"}));
  EXPECT_EQ(Cells(Table[5]), (TRow{"after.json", "/mnt/usb/", "4", "3.5", "0", "-", "-", "-", "-",
                                   "0.0", "-", "completed", "-98.6%", "-"}));
}

TEST(CompareTable, DriftNeedsABaseAboveZero) {
  EXPECT_EQ(DriftPercent(0.0, 100.0), std::nullopt);
  EXPECT_EQ(DriftPercent(200.0, 150.0), -25.0);
}

}  // namespace

namespace {

TEST(CompareFigure, OneCurveAPassAgainstMiBWritten) {
  TNamedRun Before{"before.json", {}};
  Before.Run.Drive.Model = "Flash Disk";
  Before.Run.Passes = {Pass(1, 400, 4096)};
  Before.Run.Passes[0].StartTime = "2026-12-10T12:13:05+09:00";
  Before.Run.Passes[0].WriteSeconds = {0.01, 0.02, 0.08};
  TNamedRun After{"after.json", {}};
  After.Run.Passes = {Pass(1, 500, 512), Pass(2, 500, 512)};
  After.Run.Passes[1].WriteSeconds = {0.04};  // pass 1 kept no write times: no curve

  const TPlotFigure Figure = CompareFigure({Before, After});
  ASSERT_EQ(Figure.Curves.size(), 2u);
  EXPECT_EQ(Figure.Curves[0].Label, "before.json pass 1");
  EXPECT_EQ(Figure.Curves[0].Points,
            (std::vector<TPlotPoint>{{8.0, 800.0}, {16.0, 400.0}, {24.0, 100.0}}));
  EXPECT_EQ(Figure.Curves[1].Label, "after.json pass 2");
  EXPECT_EQ(Figure.Caption,
            (std::vector<std::string>{"before.json: Flash Disk, 2026-12-10T12:13:05+09:00",
                                      "after.json: -"}));
}

}  // namespace
