// The detailed log's one required file write per timed write, right after a pause as long as
// the write before it: the floor under the worker's time between two writes. On a virtual
// machine a core that sleeps for milliseconds comes back with cold caches, and the same system
// call then costs many times what it costs back to back.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "report/Tester.Logger.h"

namespace {

// range(0): microseconds slept before each timed line (0: back to back); range(1): 0 for a
// file in /tmp, 1 for one in /dev/shm (memory only).
void LogLineAfterPause(benchmark::State& State) {
  const std::chrono::microseconds Pause(State.range(0));
  const std::string Path =
      State.range(1) == 0 ? "/tmp/varnell-bench-pause.txt" : "/dev/shm/varnell-bench-pause.txt";
  {
    TTesterLogger Logger(Path);
    using TClock = std::chrono::steady_clock;
    for (auto _ : State) {
      if (Pause.count() > 0) {
        std::this_thread::sleep_for(Pause);
      }
      const auto Start = TClock::now();
      Logger.Add("87.4996185302734,512");
      State.SetIterationTime(std::chrono::duration<double>(TClock::now() - Start).count());
    }
  }
  std::remove(Path.c_str());
}
BENCHMARK(LogLineAfterPause)
    ->ArgNames({"pause_us", "shm"})
    ->Args({0, 0})
    ->Args({100, 0})
    ->Args({3906, 0})
    ->Args({0, 1})
    ->Args({3906, 1})
    ->Iterations(1000)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace
