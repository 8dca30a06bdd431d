// The window while a fast pass runs: how long the GUI thread's event loop is ever kept waiting
// (an event posted every 2 ms from another thread, timed until it is handled), and how many
// units, and how much memory, wait in the queue at most. The real main window, presenter, Qt
// dispatcher and worker; writes into a tmpfs (root only), or writes that cost nothing, the
// worker then far ahead of the window all the time.
//
// The window can also start stalled (its thread asleep, as on a starved machine): the worker
// runs ahead until the queue's bound holds it, and the heap growth measured at the stall's end is
// what the queued units hold (with the worker's own few bytes per write, an upper bound).
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <thread>

#include "bench/Bench.EventLoop.h"
#include "bench/Bench.Rig.h"
#include "bench/Bench.TimedWrites.h"
#include "engine/Tester.Thread.h"
#include "forms/Forms.Main.h"
#include "forms/Qt.Dispatcher.h"
#include "forms/Varnell.Application.h"
#include "report/Tester.ToView.h"

namespace {

using TClock = std::chrono::steady_clock;

// A tmpfs of its own, so that nothing else writes where the pass does.
class TTmpfs {
 public:
  explicit TTmpfs(std::int64_t SizeMiB) {
    char Template[] = "/tmp/varnell-bench-latency-XXXXXX";
    if (mkdtemp(Template) == nullptr) {
      return;
    }
    FPath = Template;
    const std::string Options = "size=" + std::to_string(SizeMiB) + "m";
    FMounted = geteuid() == 0 && mount("tmpfs", Template, "tmpfs", 0, Options.c_str()) == 0;
  }
  ~TTmpfs() {
    if (FMounted) {
      umount(FPath.c_str());
    }
    if (!FPath.empty()) {
      rmdir(FPath.c_str());
    }
  }
  TTmpfs(const TTmpfs&) = delete;
  TTmpfs& operator=(const TTmpfs&) = delete;

  bool Mounted() const { return FMounted; }
  std::string DrivePath() const { return FPath + "/"; }

 private:
  std::string FPath;
  bool FMounted = false;
};

// Posted every 2 ms by the probing thread; the GUI thread notes how long each took to arrive.
class TProbe : public QObject {
 public:
  static inline const QEvent::Type ProbeType =
      static_cast<QEvent::Type>(QEvent::registerEventType());
  struct TEvent : QEvent {
    explicit TEvent(TClock::time_point Sent) : QEvent(ProbeType), Sent(Sent) {}
    TClock::time_point Sent;
  };

  TClock::time_point CountFrom = TClock::time_point::max();
  double WorstMs = 0;
  int Seen = 0;

  bool event(QEvent* Event) override {
    if (Event->type() != ProbeType) {
      return QObject::event(Event);
    }
    const auto Sent = static_cast<TEvent*>(Event)->Sent;
    if (Sent >= CountFrom) {
      WorstMs = std::max(WorstMs,
                         std::chrono::duration<double, std::milli>(TClock::now() - Sent).count());
      ++Seen;
    }
    return true;
  }
};

std::size_t HeapInUse() {
  return mallinfo2().uordblks;  // one arena for all threads: see main()
}

// range(0): 0 writes into a tmpfs, 1 writes that cost nothing; range(1): ms the window stalls
// at the start; range(2): 1 with both log files and a log line at every write.
void WindowDuringAFastPass(benchmark::State& State) {
  const bool FreeWrites = State.range(0) != 0;
  const std::chrono::milliseconds Stall(State.range(1));
  const bool WithLogs = State.range(2) != 0;
  const std::int64_t Writes = FreeWrites ? 50000 : 240;
  std::optional<TTmpfs> Volume;
  if (!FreeWrites) {
    Volume.emplace(Writes * 8 + 64);
  }
  if (Volume && !Volume->Mounted()) {
    State.SkipWithError("mounting a tmpfs needs root");
    return;
  }
  const BenchRig::TWorstCasePass Pass(Volume ? Volume->DrivePath() : "/nowhere/", Writes, true,
                                      WithLogs, "varnell-bench-latency");
  double WorstMs = 0;
  std::size_t PeakQueued = 0;
  double StallQueued = 0;
  double StallKiB = 0;
  double PassSeconds = 0;
  BenchRig::TOverheadTotals Totals;
  for (auto _ : State) {
    TfMain Window(TSettingSources{}, TTesterFactory{});
    QCoreApplication::removePostedEvents(&Window, WM_OPEN_SETTING);
    Window.show();
    QCoreApplication::processEvents();
    TProbe Probe;
    std::atomic<bool> Probing{true};
    std::thread Prober([&] {
      while (Probing) {
        QCoreApplication::postEvent(&Probe, new TProbe::TEvent(TClock::now()));
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
    });

    auto Dispatcher = std::make_unique<TQtDispatcher>();
    TQtDispatcher& Watched = *Dispatcher;
    auto Presenter = std::make_unique<TTesterToView>(Pass.Setting(), Window.View(),
                                                     std::move(Dispatcher), Pass.DiskQuery());
    std::shared_ptr<TTesterPlatform> Inner =
        FreeWrites
            ? std::shared_ptr<TTesterPlatform>(std::make_shared<BenchRig::TFreeVolume>(Writes))
            : Platform::MakeTesterPlatform();
    auto Timed = std::make_shared<BenchRig::TTimedWrites>(Inner, Writes);
    const std::size_t HeapBefore = HeapInUse();
    const auto Start = TClock::now();
    TTesterThread Worker(Pass.Setting(), std::move(Presenter), Timed);
    if (Stall.count() > 0) {
      std::this_thread::sleep_for(Stall);
      StallQueued = static_cast<double>(Watched.PendingCount());
      StallKiB = static_cast<double>(HeapInUse() - HeapBefore) / 1024.0;
    }
    Probe.CountFrom = TClock::now();
    BenchRig::RunEventsUntilFinished(Worker, 20);
    PassSeconds = std::chrono::duration<double>(TClock::now() - Start).count();
    PeakQueued = std::max(PeakQueued, Watched.PeakPendingCount());
    Probing = false;
    Prober.join();
    QCoreApplication::processEvents();
    WorstMs = std::max(WorstMs, Probe.WorstMs);
    if (!Totals.AddPass(State, Worker, *Timed, Writes)) {
      break;
    }
  }
  Totals.Report(State);
  State.counters["worst_latency_ms"] = WorstMs;
  State.counters["peak_queued"] = static_cast<double>(PeakQueued);
  State.counters["stall_queued"] = StallQueued;
  State.counters["stall_heap_KiB"] = StallKiB;
  State.counters["pass_s"] = PassSeconds;
}
BENCHMARK(WindowDuringAFastPass)
    ->ArgNames({"free", "stall_ms", "logs"})
    ->Args({0, 0, 0})
    ->Args({0, 0, 1})
    ->Args({0, 300, 1})
    ->Args({1, 0, 1})
    ->Args({1, 300, 1})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

int main(int Argc, char** Argv) {
  // One malloc arena for every thread, so that the heap figure sees what the worker allocates.
  mallopt(M_ARENA_MAX, 1);
  TVarnellApplication Application(Argc, Argv);
  benchmark::Initialize(&Argc, Argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
