#include <gtest/gtest.h>

#include <QCategoryAxis>
#include <QChart>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QScatterSeries>
#include <QTest>
#include <QValueAxis>
#include <QWheelEvent>
#include <algorithm>

#include "forms/Axis.Ticks.h"
#include "forms/Speed.Chart.h"
#include "tests/forms/Forms.Fixtures.h"

namespace {

bool SortedByX(const QList<QPointF>& Points) {
  return std::is_sorted(Points.begin(), Points.end(),
                        [](const QPointF& A, const QPointF& B) { return A.x() < B.x(); });
}

TEST(ThinToColumns, FewPointsAreAllKeptInAscendingOrder) {
  // As a pass delivers them: falling X, repeated X values.
  const std::vector<QPointF> Points{{90, 5}, {80, 7}, {80, 3}, {70, 9}, {60, 1}};
  QList<QPointF> Thinned;
  double MaxY = 0;
  ThinToColumns(Points, 60, 90, 100, Thinned, MaxY);
  EXPECT_EQ(Thinned, (QList<QPointF>{{60, 1}, {70, 9}, {80, 7}, {80, 3}, {90, 5}}));
  EXPECT_EQ(MaxY, 9);
  ThinToColumns(Points, 65, 85, 100, Thinned, MaxY);  // only the visible range
  EXPECT_EQ(Thinned, (QList<QPointF>{{70, 9}, {80, 7}, {80, 3}}));
}

TEST(ThinToColumns, ManyPointsKeepEachColumnsLowestAndHighest) {
  std::vector<QPointF> Points;
  for (int Index = 0; Index < 100000; ++Index) {
    Points.emplace_back(100.0 - Index * 0.001, 100 + (Index * 7919) % 400);
  }
  Points[54321].setY(3);     // a dip
  Points[12345].setY(9000);  // a peak
  QList<QPointF> Thinned;
  double MaxY = 0;
  ThinToColumns(Points, 0, 100, 500, Thinned, MaxY);
  EXPECT_LE(Thinned.size(), 1000);
  EXPECT_GE(Thinned.size(), 900);
  EXPECT_TRUE(SortedByX(Thinned));
  EXPECT_TRUE(Thinned.contains(Points[54321]));
  EXPECT_TRUE(Thinned.contains(Points[12345]));
  EXPECT_EQ(MaxY, 9000);
  // Every column shows its own extremes: no column's band is lost.
  for (int Column = 0; Column < 500; Column += 50) {
    const double Left = Column * 0.2;
    double Low = 1e9, High = -1e9;
    for (const QPointF& Point : Points) {
      if (Point.x() >= Left && Point.x() < Left + 0.2) {
        Low = std::min(Low, Point.y());
        High = std::max(High, Point.y());
      }
    }
    EXPECT_TRUE(std::any_of(Thinned.begin(), Thinned.end(),
                            [&](const QPointF& P) { return P.x() >= Left && P.y() == Low; }));
    EXPECT_TRUE(std::any_of(Thinned.begin(), Thinned.end(),
                            [&](const QPointF& P) { return P.x() >= Left && P.y() == High; }));
  }
}

TEST(RoundTicks, StepsOfOneTwoOrFiveTimesAPowerOfTen) {
  const struct {
    double Min, Max;
    int MaxCount;
    double Step;
    std::vector<double> Values;
    int Decimals;
  } Cases[] = {
      {12.25, 87.5, 10, 10, {20, 30, 40, 50, 60, 70, 80}, 0},
      {83.3, 89.9, 5, 2, {84, 86, 88}, 0},
      {0, 100, 5, 50, {0, 50, 100}, 0},  // 20 would give six ticks
      {10, 90, 8, 20, {20, 40, 60, 80}, 0},
      {49.63, 50.41, 4, 0.2, {49.8, 50, 50.2, 50.4}, 1},
      {12.25, 12.3, 10, 0.01, {12.25, 12.26, 12.27, 12.28, 12.29, 12.3}, 2},  // the finest step
      {7, 7, 10, 0, {}, 0},  // an empty range has no ticks
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(testing::Message() << Case.Min << " .. " << Case.Max);
    const TAxisTicks Ticks = RoundTicks(Case.Min, Case.Max, Case.MaxCount, 0.01);
    EXPECT_DOUBLE_EQ(Ticks.Step, Case.Step);
    EXPECT_EQ(Ticks.Decimals, Case.Decimals);
    ASSERT_EQ(Ticks.Count, static_cast<int>(Case.Values.size()));
    for (int Index = 0; Index < Ticks.Count; ++Index) {
      EXPECT_NEAR(Ticks.Value(Index), Case.Values[static_cast<std::size_t>(Index)], 1e-9);
    }
  }
}

struct TSpeedChartTest : testing::Test {
  TSpeedChart Chart{nullptr, ","};

  void SetUp() override {
    Chart.resize(800, 300);
    Chart.show();
    QCoreApplication::processEvents();
  }
  void AddPass(double From, double To, int Count) {
    for (int Index = 0; Index < Count; ++Index) {
      Chart.AddPoint(From - (From - To) * Index / (Count - 1), 100 + Index % 50);
    }
  }
  // The labels the horizontal axis shows, left to right.
  QStringList LabelsX() {
    QCoreApplication::processEvents();
    const QRectF Plot = Chart.chart()->plotArea();
    std::vector<std::pair<double, QString>> Shown;
    for (QGraphicsItem* Item : Chart.scene()->items()) {
      auto* Text = dynamic_cast<QGraphicsTextItem*>(Item);
      const QRectF Box = Item->sceneBoundingRect();
      if (Text != nullptr && Text->isVisible() && Box.top() >= Plot.bottom() &&
          Text->toPlainText() != Chart.AxisX->titleText()) {
        Shown.emplace_back(Box.center().x(), Text->toPlainText());
      }
    }
    std::sort(Shown.begin(), Shown.end());
    QStringList Labels;
    for (const auto& Each : Shown) {
      Labels << Each.second;
    }
    return Labels;
  }
  QPointF ValueAt(QPoint Pixel) const {
    return Chart.chart()->mapToValue(Chart.chart()->mapFromScene(Chart.mapToScene(Pixel)),
                                     Chart.FSpeedSeries);
  }
};

TEST_F(TSpeedChartTest, IsConfiguredAsTheWindowShowsIt) {
  EXPECT_EQ(Chart.chart()->series().first(), Chart.FSpeedSeries);
  EXPECT_EQ(Chart.chart()->series().last(), Chart.FHorizontalLine);
  EXPECT_EQ(Chart.FSpeedSeries->color(), QColor(68, 102, 163));
  EXPECT_EQ(Chart.FHorizontalLine->color(), QColor(Qt::red));
  EXPECT_FALSE(Chart.FHorizontalLine->isVisible());
  EXPECT_EQ(Chart.FHorizontalLine->at(0).y(), 25);
  EXPECT_TRUE(Chart.AxisX->isReverse());
  EXPECT_EQ(Chart.AxisX->titleText(), QStringLiteral("남은 용량 (%)"));
  EXPECT_EQ(Chart.AxisY->titleText(), QStringLiteral("속도 (MiB/s)"));
  EXPECT_TRUE(Chart.chart()->title().isEmpty());
  EXPECT_TRUE(Chart.chart()->legend()->isVisible());
}

TEST_F(TSpeedChartTest, TimerShowsNewPointsThinnedWithTheAxesFollowingTheData) {
  AddPass(87.5, 12.25, 20000);
  EXPECT_EQ(Chart.FSpeedSeries->count(), 0);  // not yet: the timer refreshes
  ASSERT_TRUE(WaitUntil([&] { return Chart.FSpeedSeries->count() > 0; }));
  EXPECT_LE(Chart.FSpeedSeries->count(), 2 * 800);
  EXPECT_TRUE(SortedByX(Chart.FSpeedSeries->points()));
  EXPECT_DOUBLE_EQ(Chart.AxisX->min(), 12.25);
  EXPECT_DOUBLE_EQ(Chart.AxisX->max(), 87.5);
  EXPECT_EQ(Chart.AxisY->min(), 0);
  EXPECT_EQ(Chart.AxisY->max(), 150);
  EXPECT_EQ(Chart.Points().size(), 20000u);
  Chart.AddPoint(50, 2865);
  Chart.Refresh();
  EXPECT_EQ(Chart.AxisY->min(), 0);
  EXPECT_EQ(Chart.AxisY->max(), 3000);  // round ticks above the largest value
  EXPECT_EQ(Chart.AxisY->tickCount(), 4);

  Chart.Clear();
  EXPECT_EQ(Chart.FSpeedSeries->count(), 0);
  EXPECT_TRUE(Chart.Points().empty());
}

TEST_F(TSpeedChartTest, HalfAverageLineSpansTheAxisAndStaysAcrossClear) {
  Chart.AddPoint(80, 100);
  Chart.AddPoint(60, 200);
  Chart.RefreshHorizontalLine(false, 75);  // the axis still starts at 0: fitted first
  EXPECT_TRUE(Chart.FHorizontalLine->isVisible());
  EXPECT_EQ(Chart.FHorizontalLine->points(), (QList<QPointF>{{60, 75}, {80, 75}}));
  Chart.Clear();
  EXPECT_TRUE(Chart.FHorizontalLine->isVisible());
  Chart.AddPoint(50, 10);
  Chart.RefreshHorizontalLine(true, 5);
  EXPECT_EQ(Chart.FHorizontalLine->at(0).y(), 5);
  EXPECT_EQ(Chart.FSpeedSeries->count(), 1);  // the end of a pass refreshes at once
}

// The reads of a verification are a series of their own over the same axis, thinned as the
// writes are; it and its legend entry show only while it has points.
TEST_F(TSpeedChartTest, ReadSeriesShowsOnlyWithReadsAndSharesTheAxes) {
  const auto ReadMarker = [this] {
    return Chart.chart()->legend()->markers(Chart.FReadSeries).first()->isVisible();
  };
  EXPECT_FALSE(Chart.FReadSeries->isVisible());
  EXPECT_FALSE(ReadMarker());
  AddPass(87.5, 12.25, 20000);
  for (int Index = 0; Index < 20000; ++Index) {
    Chart.AddReadPoint(87.5 - (87.5 - 12.25) * Index / 19999, 3000 + Index % 7);
  }
  EXPECT_TRUE(Chart.FReadSeries->isVisible());
  EXPECT_TRUE(ReadMarker());
  Chart.Refresh();
  EXPECT_GT(Chart.FReadSeries->count(), 0);
  EXPECT_LE(Chart.FReadSeries->count(), 2 * 800);
  EXPECT_TRUE(SortedByX(Chart.FReadSeries->points()));
  EXPECT_EQ(Chart.AxisY->max(), 4000) << "the axis takes in the faster reads";
  EXPECT_EQ(Chart.ReadPoints().size(), 20000U);

  Chart.Clear();
  EXPECT_TRUE(Chart.ReadPoints().empty());
  EXPECT_EQ(Chart.FReadSeries->count(), 0);
  EXPECT_FALSE(Chart.FReadSeries->isVisible());
  EXPECT_FALSE(ReadMarker());
}

// As the range grows between two refreshes, or changes by zooming, the line follows the axis
// from end to end, not only at the end of a pass.
TEST_F(TSpeedChartTest, HalfAverageLineSpansTheAxisAtEveryRefresh) {
  Chart.AddPoint(80, 100);
  Chart.AddPoint(60, 200);
  Chart.RefreshHorizontalLine(false, 75);
  AddPass(59, 20, 40);
  Chart.RefreshHorizontalLine(false, 74);  // the axis still shows the old range
  ASSERT_TRUE(WaitUntil([&] { return Chart.FSpeedSeries->count() == 42; }));  // by the timer
  EXPECT_DOUBLE_EQ(Chart.AxisX->min(), 20);
  EXPECT_EQ(Chart.FHorizontalLine->points(), (QList<QPointF>{{20, 74}, {80, 74}}));
  Chart.ZoomAt(50, 0.5);
  EXPECT_EQ(Chart.FHorizontalLine->points(),
            (QList<QPointF>{{Chart.AxisX->min(), 74}, {Chart.AxisX->max(), 74}}));
}

// Round ticks whatever the data's range, also after zooming, with the report's separator.
TEST_F(TSpeedChartTest, HorizontalTicksFallOnRoundValuesWithTheReportsSeparator) {
  AddPass(87.5, 12.25, 2000);
  Chart.Refresh();
  EXPECT_EQ(LabelsX(), (QStringList{"80", "70", "60", "50", "40", "30", "20"}));  // reversed axis

  const QPoint Cursor(400, 150);
  QWheelEvent Wheel(Cursor, Chart.mapToGlobal(Cursor), {}, {0, 1200}, Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(Chart.viewport(), &Wheel);  // ten steps in: a range of about 8
  const QStringList Zoomed = LabelsX();
  ASSERT_GE(Zoomed.size(), 3);
  const double Min = Chart.AxisX->min();
  const double Max = Chart.AxisX->max();
  for (const QString& Label : Zoomed) {
    bool Number = false;
    const double Value = QString(Label).replace(',', '.').toDouble(&Number);
    EXPECT_TRUE(Number) << Label.toStdString();
    EXPECT_TRUE(Value >= Min - 1e-9 && Value <= Max + 1e-9) << Label.toStdString();
    EXPECT_NEAR(Value, std::round(Value), 1e-9) << Label.toStdString();  // whole: a step of 1 or 2
  }

  Chart.ZoomAt((Min + Max) / 2, 0.05);  // a range of about 0.4: steps of 0.05 or 0.1
  const QStringList Fine = LabelsX();
  ASSERT_GE(Fine.size(), 2);
  for (const QString& Label : Fine) {
    EXPECT_TRUE(Label.contains(',')) << Label.toStdString();
    EXPECT_FALSE(Label.contains('.')) << Label.toStdString();
  }
}

TEST_F(TSpeedChartTest, WheelZoomKeepsThePointUnderTheCursorAndStaysOnTheData) {
  AddPass(90, 10, 5000);
  Chart.Refresh();
  const QPoint Cursor(300, 150);
  const double Before = ValueAt(Cursor).x();
  QWheelEvent Wheel(Cursor, Chart.mapToGlobal(Cursor), {}, {0, 240}, Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(Chart.viewport(), &Wheel);
  EXPECT_TRUE(Chart.IsZoomed());
  EXPECT_LT(Chart.AxisX->max() - Chart.AxisX->min(), 80 * 0.7);
  EXPECT_NEAR(ValueAt(Cursor).x(), Before, 0.05);
  EXPECT_LE(Chart.FSpeedSeries->count(), 2 * 800);
  EXPECT_GE(Chart.AxisX->min(), 10);

  // A range that would leave the data is moved back inside it, keeping its width.
  Chart.ZoomAt(50, 100);
  Chart.ZoomAt(12, 0.25);
  EXPECT_DOUBLE_EQ(Chart.AxisX->min(), 11.5);
  EXPECT_DOUBLE_EQ(Chart.AxisX->max(), 31.5);
  Chart.ZoomAt(20, 2.5);
  EXPECT_DOUBLE_EQ(Chart.AxisX->min(), 10);
  EXPECT_DOUBLE_EQ(Chart.AxisX->max(), 60);
  EXPECT_TRUE(Chart.IsZoomed());
  // Zooming out past the data shows all of it, not more.
  Chart.ZoomAt(50, 100);
  EXPECT_FALSE(Chart.IsZoomed());
  EXPECT_DOUBLE_EQ(Chart.AxisX->min(), 10);
  EXPECT_DOUBLE_EQ(Chart.AxisX->max(), 90);
}

}  // namespace

namespace {

// The series a chart draws, in its order.
QList<QAbstractSeries*> SeriesOf(const TSpeedChart& Chart) {
  return Chart.chart()->series();
}

bool InLegend(const TSpeedChart& Chart, QAbstractSeries* Series) {
  QCoreApplication::processEvents();  // the legend lays its markers out in a later turn
  const auto Markers = Chart.chart()->legend()->markers(Series);
  return !Markers.isEmpty() && Markers.first()->isVisible();
}

}  // namespace

TEST_F(TSpeedChartTest, PhasesShowAMarkerWhereEachLaterOneBeginsAndALabelledStepUntilClear) {
  AddPass(87.5, 12.25, 200);
  Chart.Refresh();
  const double Top = Chart.AxisY->max();
  // A cache to 50 % at 412.4 MiB/s, a slower stretch to 30 %, then the rest.
  const std::vector<TChartPhase> Phases{{87.5, 50, 412.4}, {50, 30, 101.6}, {30, 12.25, 60}};
  Chart.ShowPhases(Phases);
  EXPECT_EQ(Chart.Phases(), Phases);  // for the saved picture

  ASSERT_NE(Chart.FPhaseSteps, nullptr);
  EXPECT_EQ(Chart.FPhaseSteps->points(),
            (QList<QPointF>{
                {87.5, 412.4}, {50, 412.4}, {50, 101.6}, {30, 101.6}, {30, 60}, {12.25, 60}}));
  ASSERT_EQ(Chart.FPhaseMarkers.size(), 2u);
  EXPECT_EQ(Chart.FPhaseMarkers[0]->points(), (QList<QPointF>{{50, 0}, {50, Top}}));
  EXPECT_EQ(Chart.FPhaseMarkers[1]->points(), (QList<QPointF>{{30, 0}, {30, Top}}));
  // One label per step, over its middle, in whole MiB/s.
  ASSERT_NE(Chart.FPhaseLabels, nullptr);
  EXPECT_EQ(Chart.FPhaseLabels->points(), (QList<QPointF>{{68.75, 412}, {40, 102}, {21.125, 60}}));
  EXPECT_TRUE(Chart.FPhaseLabels->pointLabelsVisible());
  EXPECT_EQ(Chart.FPhaseLabels->pointLabelsFormat(), QStringLiteral("@yPoint MiB/s"));
  // The steps have a legend entry; markers and labels do not.
  EXPECT_TRUE(InLegend(Chart, Chart.FPhaseSteps));
  EXPECT_FALSE(InLegend(Chart, Chart.FPhaseMarkers[0]));
  EXPECT_FALSE(InLegend(Chart, Chart.FPhaseLabels));
  // The markers follow the speed axis when a later point raises it.
  Chart.AddPoint(40, 2865);
  Chart.Refresh();
  EXPECT_EQ(Chart.FPhaseMarkers[0]->at(1).y(), 3000);

  // Phases shown again replace the earlier ones.
  Chart.ShowPhases({{87.5, 12.25, 100}});
  EXPECT_TRUE(Chart.FPhaseMarkers.empty());
  EXPECT_EQ(SeriesOf(Chart).size(), 5);  // speed, read, half-average line, step, labels

  Chart.Clear();  // a new pass
  EXPECT_TRUE(Chart.Phases().empty());
  EXPECT_EQ(Chart.FPhaseSteps, nullptr);
  EXPECT_EQ(Chart.FPhaseLabels, nullptr);
  EXPECT_EQ(SeriesOf(Chart), (QList<QAbstractSeries*>{Chart.FSpeedSeries, Chart.FReadSeries,
                                                      Chart.FHorizontalLine}));
}

TEST_F(TSpeedChartTest, TemperatureHasItsOwnRightAxisOnlyWhenOneWasRead) {
  AddPass(87.5, 12.25, 200);
  Chart.Refresh();
  EXPECT_EQ(Chart.AxisTemperature, nullptr);
  EXPECT_TRUE(Chart.chart()->axes(Qt::Vertical).size() == 1);

  Chart.AddTemperature(80, 41);
  Chart.AddTemperature(40, 58);
  ASSERT_TRUE(WaitUntil([&] { return Chart.FTemperatureSeries->count() == 2; }));
  ASSERT_NE(Chart.AxisTemperature, nullptr);
  EXPECT_EQ(Chart.AxisTemperature->alignment(), Qt::AlignRight);
  EXPECT_TRUE(Chart.AxisTemperature->isVisible());
  EXPECT_EQ(Chart.AxisTemperature->titleText(), QStringLiteral("온도 (°C)"));
  EXPECT_EQ(Chart.FTemperatureSeries->attachedAxes(),
            (QList<QAbstractAxis*>{Chart.AxisX, Chart.AxisTemperature}));
  EXPECT_EQ(Chart.FTemperatureSeries->points(), (QList<QPointF>{{40, 58}, {80, 41}}));
  EXPECT_EQ(Chart.AxisTemperature->min(), 0);
  EXPECT_EQ(Chart.AxisTemperature->max(), 60);
  EXPECT_EQ(Chart.AxisY->max(), 150);  // the speeds keep their own axis
  EXPECT_TRUE(InLegend(Chart, Chart.FTemperatureSeries));

  Chart.Clear();
  EXPECT_EQ(Chart.AxisTemperature, nullptr);
  EXPECT_EQ(Chart.FTemperatureSeries, nullptr);
  EXPECT_EQ(Chart.chart()->axes().size(), 2);
}

// A pass with neither phases nor temperature draws exactly as a chart that never had them.
TEST_F(TSpeedChartTest, APassWithoutAnalysisDrawsAsBeforeEvenAfterOneWithIt) {
  TSpeedChart Plain{nullptr, ","};
  Plain.resize(800, 300);
  Plain.show();
  for (TSpeedChart* Each : {&Chart, &Plain}) {
    Each->AddPoint(80, 100);
    Each->AddPoint(60, 200);
    Each->RefreshHorizontalLine(true, 75);
  }
  Chart.ShowPhases({{80, 70, 100}, {70, 60, 200}});
  Chart.AddTemperature(70, 45);
  Chart.Refresh();
  QCoreApplication::processEvents();
  ASSERT_NE(Chart.grab().toImage(), Plain.grab().toImage());  // they do draw

  Chart.Clear();
  Plain.Clear();
  for (TSpeedChart* Each : {&Chart, &Plain}) {
    for (int Index = 0; Index < 300; ++Index) {
      Each->AddPoint(90 - Index * 0.25, 100 + Index % 40);
    }
    Each->RefreshHorizontalLine(true, 60);
  }
  // What the chart took out goes at the event loop's next turn, as in the window.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::processEvents();
  EXPECT_EQ(Chart.grab().toImage(), Plain.grab().toImage());
}
