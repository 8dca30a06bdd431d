// What recording a write adds between two timed writes: the drive's temperature read as the
// worker reads it (from a sensor file kept open, at most every 250 ms), ApplyWriteTime, and
// ApplyProgress keeping the write for the pass's analysis and handing its point (and the
// temperature) to the GUI thread. Against ApplyProgress alone, as before writes were recorded.
// Each call is followed by a pause, as the writes give in the program, and only the calls are
// timed; the view's units run on another thread meanwhile.
//
// record 0: ApplyProgress alone; 1: the write recorded with its temperature; 2: the same with
// the sensor read at every write (no 250 ms gate), the cost of one reading.
// The counter pct_of_8MiB_write is the mean per write against an 8 MiB write at 2048 MiB/s
// (3.9 ms), a fast drive: slower drives' writes take longer, so the share is smaller.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>

#include "bench/Bench.Rig.h"
#include "device/Disk.Temperature.h"
#include "report/Tester.ToView.h"

namespace {

using BenchRig::MiB;
using TClock = std::chrono::steady_clock;

constexpr double WriteOf8MiBSeconds = 8.0 / 2048.0;
constexpr auto TemperatureInterval = std::chrono::milliseconds(250);

void BM_RecordWrite(benchmark::State& State) {
  const int Record = static_cast<int>(State.range(0));
  const std::chrono::microseconds Pause(State.range(1));
  // A sensor as hwmon offers it: one small file read from the start each time.
  const std::string SensorPath = "/tmp/varnell-bench-temp1_input";
  std::ofstream(SensorPath) << "41850\n";
  const TDiskTemperature Sensor(SensorPath);
  if (!Sensor.HasSensor()) {
    State.SkipWithError("no sensor file");
    return;
  }

  BenchRig::TNullView View;
  BenchRig::TGuiThread Gui;
  TSetting Setting;
  Setting.UnitSpeed = TUnitSpeed::ZeroPointOnePercent;
  const std::int64_t DiskByte = 4'000'000 * MiB;  // a 4 TB disk: a log line every few hundred
  {
    TTesterToView Presenter(
        Setting, View, Gui.MakeDispatcher(),
        [&](const std::string&) {
          return TDiskIdentity{"BENCH", DiskByte};
        },
        [] { return 45000.0; }, ".");
    const std::int32_t Target = 3'900'000;
    Presenter.PrintInitialSetting(1, DiskByte, DiskByte, Target);
    std::int32_t Written = 0;
    std::optional<float> Temperature;
    TClock::time_point LastRead{};
    bool Read = false;
    double Worst = 0;
    double Total = 0;
    for (auto _ : State) {
      Written += 8;
      const auto Start = TClock::now();
      if (Record != 0) {
        const auto Now = TClock::now();
        if (Record == 2 || !Read || Now - LastRead >= TemperatureInterval) {
          Read = true;
          LastRead = Now;
          const std::optional<double> Celsius = Sensor.ReadCelsius();
          Temperature = Celsius ? std::optional<float>(static_cast<float>(*Celsius)) : std::nullopt;
        }
        Presenter.ApplyWriteTime(WriteOf8MiBSeconds, Temperature);
      }
      Presenter.ApplyProgress(Written, Target, 2000 + (Written & 63));
      const auto End = TClock::now();
      const double Seconds = std::chrono::duration<double>(End - Start).count();
      State.SetIterationTime(Seconds);
      Worst = std::max(Worst, Seconds);
      Total += Seconds;
      // Spinning, not sleeping: the GUI thread runs the units meanwhile on the other core.
      while (TClock::now() - End < Pause) {
      }
    }
    const double Mean = Total / static_cast<double>(State.iterations());
    State.counters["pct_of_8MiB_write"] = Mean / WriteOf8MiBSeconds * 100.0;
    State.counters["worst_us"] = Worst * 1e6;
    Gui.Drain();
  }
  std::remove(SensorPath.c_str());
}
BENCHMARK(BM_RecordWrite)
    ->ArgNames({"record", "pause_us"})
    ->Args({0, 100})
    ->Args({1, 100})
    ->Args({2, 100})
    ->Iterations(50000)
    ->UseManualTime()
    ->Unit(benchmark::kNanosecond);

}  // namespace
