// The analysis of a pass and the per-write CSV: a 500,000-write pass (a 4 TB drive written
// 8 MiB at a time) analysed at its end, and the CSV line the presenter appends after each write.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "analysis/Analysis.Pass.h"
#include "bench/Bench.RealisticPass.h"
#include "results/Writes.Csv.h"
#include "results/Writes.CsvFile.h"

namespace {

void BM_AnalysePass(benchmark::State& State) {
  const std::vector<TWriteRecord> Writes = RealisticPass(static_cast<int>(State.range(0)));
  for (auto _ : State) {
    TPassAnalysis Analysis = AnalysePass(Writes);
    benchmark::DoNotOptimize(Analysis);
  }
  const TPassAnalysis Analysis = AnalysePass(Writes);
  State.counters["phases"] = static_cast<double>(Analysis.Figures->Phases.size());
  State.counters["cache_MiB"] =
      Analysis.Figures->Cache ? static_cast<double>(Analysis.Figures->Cache->SizeInMiB) : -1;
}
BENCHMARK(BM_AnalysePass)->Arg(5000)->Arg(50000)->Arg(500000)->Unit(benchmark::kMillisecond);

// The phases alone, the costliest figure.
void BM_FindPhases(benchmark::State& State) {
  const std::vector<TWriteRecord> Writes = RealisticPass(static_cast<int>(State.range(0)));
  for (auto _ : State) {
    const TWriteTimeline Timeline(Writes);
    benchmark::DoNotOptimize(FindPhases(Writes, Timeline));
  }
}
BENCHMARK(BM_FindPhases)->Arg(500000)->Unit(benchmark::kMillisecond);

// One CSV line formatted into a buffer with room, as TWritesCsvFile::Append does.
void BM_CsvLine(benchmark::State& State) {
  const std::vector<TWriteRecord> Writes = RealisticPass(4096);
  std::string Buffer;
  Buffer.reserve(64 * 1024);
  std::size_t Index = 0;
  for (auto _ : State) {
    if (Buffer.size() + WritesCsvMaxLine > Buffer.capacity()) {
      Buffer.clear();
    }
    AppendWritesCsvLine(Buffer, 1, static_cast<std::int32_t>(Index + 1), Writes[Index % 4096]);
    ++Index;
  }
  benchmark::DoNotOptimize(Buffer.data());
}
BENCHMARK(BM_CsvLine);

// Append into a real file in the temporary folder, the 64 KiB write-outs included.
void BM_CsvFileAppend(benchmark::State& State) {
  const std::vector<TWriteRecord> Writes = RealisticPass(4096);
  const std::string Path = std::filesystem::temp_directory_path() / "varnell-bench-writes.csv";
  {
    TWritesCsvFile File(Path);
    std::size_t Index = 0;
    for (auto _ : State) {
      benchmark::DoNotOptimize(File.Append(1, Writes[Index++ % 4096]));
    }
  }
  std::filesystem::remove(Path);
}
BENCHMARK(BM_CsvFileAppend);

// Reading back a 500,000-line CSV, as varnell-cli analyze will.
void BM_ParseWritesCsv(benchmark::State& State) {
  const std::vector<TWriteRecord> Writes = RealisticPass(500000);
  std::string Text = std::string(WritesCsvHeader) + "\n";
  for (std::size_t Index = 0; Index < Writes.size(); ++Index) {
    AppendWritesCsvLine(Text, 1, static_cast<std::int32_t>(Index + 1), Writes[Index]);
  }
  for (auto _ : State) {
    benchmark::DoNotOptimize(ParseWritesCsv(Text));
  }
  State.counters["MiB"] = static_cast<double>(Text.size()) / (1024 * 1024);
}
BENCHMARK(BM_ParseWritesCsv)->Unit(benchmark::kMillisecond);

}  // namespace
