// The chart's refresh at the size of a large pass, and the GUI thread's work per write.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineSeries>
#include <memory>

#include "forms/Forms.Main.h"
#include "forms/Qt.Dispatcher.h"
#include "forms/Speed.Chart.h"
#include "forms/Varnell.Application.h"
#include "report/Tester.ToView.h"

namespace {

// A 4 TB volume written 8 MiB at a time: about half a million points, X falling.
void FillPass(TSpeedChart& Chart, int Count) {
  for (int Index = 0; Index < Count; ++Index) {
    Chart.AddPoint(87.5 - 80.0 * Index / Count, 400 + (Index * 7919) % 300);
  }
}

// One timer refresh: thin to the pixel columns, replace the series, repaint.
void ChartRefresh(benchmark::State& State) {
  TSpeedChart Chart(nullptr);
  Chart.resize(1023, 299);
  Chart.show();
  FillPass(Chart, static_cast<int>(State.range(0)));
  for (auto _ : State) {
    Chart.Refresh();
    Chart.repaint();
  }
  State.counters["shown"] = Chart.FSpeedSeries->count();
}
BENCHMARK(ChartRefresh)->Arg(500000)->Unit(benchmark::kMillisecond);

// For comparison: what the series itself costs with every raw point.
void RawSeriesReplace(benchmark::State& State) {
  TSpeedChart Chart(nullptr);
  Chart.resize(1023, 299);
  Chart.show();
  FillPass(Chart, static_cast<int>(State.range(0)));
  const QList<QPointF> Raw(Chart.Points().begin(), Chart.Points().end());
  for (auto _ : State) {
    Chart.FSpeedSeries->replace(Raw);
    Chart.repaint();
  }
}
BENCHMARK(RawSeriesReplace)->Arg(500000)->Unit(benchmark::kMillisecond)->Iterations(3);

// Everything one write costs the GUI thread: the presenter's units for progress, labels,
// chart point and line (and a speed sample line now and then) run on the real window. On the
// GUI thread the dispatcher runs them at once, so the loop measures exactly that work.
void GuiWorkPerWrite(benchmark::State& State) {
  TfMain Window(TSettingSources{}, TTesterFactory{});
  QCoreApplication::removePostedEvents(&Window, WM_OPEN_SETTING);
  Window.show();
  TSetting Setting;
  Setting.IsSet = true;
  Setting.DrivePath = "/tmp/";
  TTesterToView Presenter(Setting, Window.View(), std::make_unique<TQtDispatcher>(),
                          [](const std::string&) {
                            return TDiskIdentity{"", 4000787030016};
                          });
  constexpr std::int32_t Target = 3'800'000;  // MiB
  Presenter.PrintInitialSetting(1, 3'900'000LL << 20, 3'900'000LL << 20, Target);
  std::int32_t Written = 0;
  for (auto _ : State) {
    Written = Written + 8 > Target ? 8 : Written + 8;
    Presenter.ApplyProgress(Written, Target, 450 + Written % 100);
  }
  State.counters["points"] = static_cast<double>(Window.cLog->Points().size());
}
BENCHMARK(GuiWorkPerWrite)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int Argc, char** Argv) {
  TVarnellApplication Application(Argc, Argv);
  benchmark::Initialize(&Argc, Argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
