// A repeating run's earlier passes stay on the chart, faint, the last few, each in the legend.
#include "forms/Chart.EarlierPasses.h"

#include <gtest/gtest.h>

#include <QLegendMarker>
#include <QLineSeries>
#include <QValueAxis>

#include "forms/Chart.Overlay.h"
#include "forms/Speed.Chart.h"

namespace {

TEST(ChartEarlierPasses, TheLastFewPassesStayBehindTheRunningOneThinnedAndNamed) {
  TSpeedChart Chart(nullptr, ".");
  // Pass N: 10,000 writes at 100 x N MiB/s, the last pass slowest on the screen.
  for (int Pass = 1; Pass <= 5; ++Pass) {
    KeepAsEarlierPass(Chart, Pass - 1);
    Chart.Clear();
    for (int Index = 0; Index < 10000; ++Index) {
      Chart.AddPoint(100.0 - Index / 100.0, Pass == 5 ? 50.0 : 100.0 * Pass);
    }
    Chart.RefreshHorizontalLine(true, 25.0);
  }
  ASSERT_EQ(EarlierPassCount(Chart), 3);

  QStringList Names;
  for (QAbstractSeries* Series : Chart.chart()->series()) {
    if (Series->property("varnellEarlierPass").toBool()) {
      const auto* Line = static_cast<QLineSeries*>(Series);
      Names << Line->name();
      EXPECT_LE(Line->count(), 4000) << "an earlier pass is thinned to the screen's columns";
      EXPECT_LT(Line->pen().color().alpha(), 255) << "and drawn faint";
      EXPECT_EQ(Chart.chart()->legend()->markers(Series).size(), 1);
    }
  }
  EXPECT_EQ(Names, (QStringList{QStringLiteral("2회차"), QStringLiteral("3회차"),
                                QStringLiteral("4회차")}));
  // The speed axis reaches the fastest earlier pass, though the running one is slower.
  EXPECT_GE(Chart.AxisY->max(), 400.0);
  // Removing loaded results keeps the earlier passes and their reach.
  ClearOverlays(Chart);
  EXPECT_EQ(EarlierPassCount(Chart), 3);
  EXPECT_GE(Chart.AxisY->max(), 400.0);
  // A pass without points leaves nothing behind.
  Chart.Clear();
  KeepAsEarlierPass(Chart, 5);
  EXPECT_EQ(EarlierPassCount(Chart), 3);
}

}  // namespace
