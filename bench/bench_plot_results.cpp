// Saving the results of a 500,000-write pass (a 4 TB drive written 8 MiB at a time): its JSON
// result file, and its chart as SVG and PNG. Each must take well under a second, and none of it
// runs inside a timed write.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

#include "bench/Bench.RealisticPass.h"
#include "plot/Plot.Render.h"
#include "results/Run.Json.h"

namespace {

namespace fs = std::filesystem;

TRunResult RunOfOnePass(int Writes) {
  const std::vector<TWriteRecord> Records = RealisticPass(Writes);
  TRunResult Run;
  Run.Version = "bench";
  TPassResult Pass;
  Pass.Number = 1;
  Pass.Writes = Writes;
  Pass.WrittenMiB = 8LL * Writes;
  Pass.Analysis = AnalysePass(Records);
  for (const TWriteRecord& Record : Records) {
    Pass.WriteSeconds.push_back(Record.Seconds);
  }
  Run.Passes.push_back(std::move(Pass));
  return Run;
}

TPlotFigure FigureOfOnePass(int Writes) {
  const std::vector<TWriteRecord> Records = RealisticPass(Writes);
  TPlotFigure Figure;
  Figure.Title = "Varnell";
  Figure.XTitle = "free %";
  Figure.YTitle = "MiB/s";
  Figure.XFalls = true;
  TPlotCurve Curve;
  for (std::size_t Index = 0; Index < Records.size(); ++Index) {
    Curve.Points.push_back(
        {100.0 - 100.0 * Index / Records.size(), static_cast<double>(Records[Index].SpeedInMiB)});
  }
  Figure.Curves.push_back(std::move(Curve));
  return Figure;
}

// Build, dump and write the file, as saving at a pass's end does.
void BM_SaveResultJson(benchmark::State& State) {
  const TRunResult Run = RunOfOnePass(static_cast<int>(State.range(0)));
  const fs::path Path = fs::temp_directory_path() / "varnell-bench-result.json";
  for (auto _ : State) {
    std::ofstream(Path, std::ios::binary) << RunResultToJson(Run).dump(2);
  }
  State.counters["MiB"] = static_cast<double>(fs::file_size(Path)) / (1024 * 1024);
  fs::remove(Path);
}
BENCHMARK(BM_SaveResultJson)->Arg(500000)->Unit(benchmark::kMillisecond);

void BM_SavePlot(benchmark::State& State, const char* Extension) {
  const TPlotFigure Figure = FigureOfOnePass(static_cast<int>(State.range(0)));
  const fs::path Path =
      fs::temp_directory_path() / (std::string("varnell-bench-chart") + Extension);
  for (auto _ : State) {
    if (!SavePlot(Figure, Path.string()).empty()) {
      State.SkipWithError("the chart could not be saved");
      break;
    }
  }
  State.counters["KiB"] = static_cast<double>(fs::file_size(Path)) / 1024;
  fs::remove(Path);
}
BENCHMARK_CAPTURE(BM_SavePlot, svg, ".svg")->Arg(500000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SavePlot, png, ".png")->Arg(500000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int Argc, char** Argv) {
  EnsurePlotApplication();
  benchmark::Initialize(&Argc, Argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
