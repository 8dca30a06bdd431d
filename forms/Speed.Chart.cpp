#include "forms/Speed.Chart.h"

#include <QCategoryAxis>
#include <QChart>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QResizeEvent>
#include <QScatterSeries>
#include <QValueAxis>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "text/Number.Text.h"

namespace {

constexpr int RefreshIntervalMs = 150;
// The chart's X values carry two decimals; zooming further shows nothing new.
constexpr double MinimumRangeX = 0.05;
constexpr double MinimumStepX = 0.01;
// Room a label of the horizontal axis gets, so that neighbours never touch.
constexpr int PixelsPerTickX = 70;
const QColor SpeedColor(68, 102, 163);
const QColor TemperatureColor(200, 60, 40);
// See-through, so that the speeds under a step still show.
const QColor PhaseColor(230, 130, 0, 150);
const QColor MarkerColor(110, 110, 110);
const QColor ReadColor(46, 139, 87);

// A round upper end for the speed axis at or above MaxY, about four round steps;
// Ticks receives the number of tick marks from 0.
double NiceAxisMax(double MaxY, int& Ticks) {
  if (MaxY <= 0) {
    Ticks = 5;
    return 100;
  }
  const double Step = NiceStep(MaxY / 4);
  const double Max = std::ceil(MaxY / Step) * Step;
  Ticks = static_cast<int>(std::lround(Max / Step)) + 1;
  return Max;
}

}  // namespace

void ThinToColumns(const std::vector<QPointF>& Points, double MinX, double MaxX, int Columns,
                   QList<QPointF>& Thinned, double& MaxY) {
  Thinned.clear();
  MaxY = 0;
  Columns = std::max(Columns, 1);
  std::size_t Visible = 0;
  for (const QPointF& Point : Points) {
    Visible += Point.x() >= MinX && Point.x() <= MaxX;
  }
  if (Visible <= 2 * static_cast<std::size_t>(Columns)) {
    Thinned.reserve(static_cast<qsizetype>(Visible));
    for (const QPointF& Point : Points) {
      if (Point.x() >= MinX && Point.x() <= MaxX) {
        Thinned.append(Point);
        MaxY = std::max(MaxY, Point.y());
      }
    }
    std::stable_sort(Thinned.begin(), Thinned.end(),
                     [](const QPointF& A, const QPointF& B) { return A.x() < B.x(); });
    return;
  }
  // Indices of the lowest and the highest point of each column.
  std::vector<std::int64_t> Low(static_cast<std::size_t>(Columns), -1);
  std::vector<std::int64_t> High(static_cast<std::size_t>(Columns), -1);
  const double Scale = MaxX > MinX ? Columns / (MaxX - MinX) : 0;
  for (std::size_t Index = 0; Index < Points.size(); ++Index) {
    const QPointF& Point = Points[Index];
    if (Point.x() < MinX || Point.x() > MaxX) {
      continue;
    }
    const auto Column = static_cast<std::size_t>(
        std::clamp(static_cast<int>((Point.x() - MinX) * Scale), 0, Columns - 1));
    const auto Signed = static_cast<std::int64_t>(Index);
    if (Low[Column] < 0 || Point.y() < Points[static_cast<std::size_t>(Low[Column])].y()) {
      Low[Column] = Signed;
    }
    if (High[Column] < 0 || Point.y() > Points[static_cast<std::size_t>(High[Column])].y()) {
      High[Column] = Signed;
    }
  }
  Thinned.reserve(2 * Columns);
  for (std::size_t Column = 0; Column < Low.size(); ++Column) {
    if (Low[Column] < 0) {
      continue;
    }
    const QPointF& A = Points[static_cast<std::size_t>(Low[Column])];
    const QPointF& B = Points[static_cast<std::size_t>(High[Column])];
    MaxY = std::max(MaxY, B.y());
    if (Low[Column] == High[Column]) {
      Thinned.append(A);
    } else if (A.x() <= B.x()) {
      Thinned.append(A);
      Thinned.append(B);
    } else {
      Thinned.append(B);
      Thinned.append(A);
    }
  }
}

TSpeedChart::TSpeedChart(QWidget* Parent, std::string DecimalSeparator)
    : QChartView(Parent), FDecimalSeparator(std::move(DecimalSeparator)) {
  auto* Chart = new QChart();
  Chart->legend()->setVisible(true);
  Chart->legend()->setAlignment(Qt::AlignTop);
  setChart(Chart);
  setRenderHint(QPainter::Antialiasing, false);

  FSpeedSeries = new QLineSeries(Chart);
  FSpeedSeries->setPen(QPen(SpeedColor, 1));
  FReadSeries = new QLineSeries(Chart);
  FReadSeries->setPen(QPen(ReadColor, 1));
  FHorizontalLine = new QLineSeries(Chart);
  FHorizontalLine->setPen(QPen(Qt::red, 1));
  FHorizontalLine->append(0, 25);
  FHorizontalLine->append(100, 25);
  Chart->addSeries(FSpeedSeries);
  Chart->addSeries(FReadSeries);
  Chart->addSeries(FHorizontalLine);

  AxisX = new QCategoryAxis(Chart);
  AxisX->setTitleText(tr("남은 용량 (%)"));
  AxisX->setReverse(true);  // the disk empties from left to right as the pass goes on
  AxisX->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
  AxisX->setRange(0, 100);
  AxisY = new QValueAxis(Chart);
  AxisY->setTitleText(tr("속도 (MiB/s)"));
  AxisY->setRange(0, 100);
  AxisY->setLabelFormat(QStringLiteral("%d"));
  Chart->addAxis(AxisX, Qt::AlignBottom);
  Chart->addAxis(AxisY, Qt::AlignLeft);
  for (QLineSeries* Series : {FSpeedSeries, FReadSeries, FHorizontalLine}) {
    Series->attachAxis(AxisX);
    Series->attachAxis(AxisY);
  }
  FHorizontalLine->setVisible(false);
  // A hidden series would otherwise vanish from the legend too.
  Chart->legend()->markers(FHorizontalLine).first()->setVisible(true);
  ShowReadSeries(false);

  connect(AxisX, &QValueAxis::rangeChanged, this, [this] {
    PlaceTicksX();
    SpanHorizontalLine();
  });
  connect(Chart, &QChart::plotAreaChanged, this, [this] { PlaceTicksX(); });
  PlaceTicksX();

  lCafe = new QLabel(this);
  lCafe->setAttribute(Qt::WA_TransparentForMouseEvents);

  FRefreshTimer.setInterval(RefreshIntervalMs);
  connect(&FRefreshTimer, &QTimer::timeout, this, [this] {
    if (FDirty) {
      Refresh();
    }
  });
  FRefreshTimer.start();
}

void TSpeedChart::TakeIntoRange(double X) {
  if (FPoints.empty() && FReadPoints.empty()) {
    FDataMinX = FDataMaxX = X;
  } else {
    FDataMinX = std::min(FDataMinX, X);
    FDataMaxX = std::max(FDataMaxX, X);
  }
}

void TSpeedChart::AddPoint(double X, double Y) {
  TakeIntoRange(X);
  FPoints.emplace_back(X, Y);
  FDirty = true;
}

void TSpeedChart::AddTemperature(double X, double TemperatureInC) {
  if (!FTemperatureSeries) {
    AxisTemperature = new QValueAxis(chart());
    AxisTemperature->setTitleText(tr("온도 (°C)"));
    AxisTemperature->setLabelFormat(QStringLiteral("%d"));
    AxisTemperature->setRange(0, 100);
    chart()->addAxis(AxisTemperature, Qt::AlignRight);
    FTemperatureSeries = new QLineSeries(chart());
    FTemperatureSeries->setName(tr("온도 (°C)"));
    FTemperatureSeries->setPen(QPen(TemperatureColor, 1));
    AddToChart(FTemperatureSeries, AxisTemperature, true);
  }
  FTemperaturePoints.emplace_back(X, TemperatureInC);
  FDirty = true;
}

void TSpeedChart::AddToChart(QAbstractSeries* Series, QAbstractAxis* AxisOfY, bool InLegend) {
  chart()->addSeries(Series);
  Series->attachAxis(AxisX);
  Series->attachAxis(AxisOfY);
  if (!InLegend) {
    for (QLegendMarker* Marker : chart()->legend()->markers(Series)) {
      Marker->setVisible(false);
    }
  }
}

void TSpeedChart::ShowPhases(const std::vector<TChartPhase>& Phases) {
  ClearPhases();
  FPhases = Phases;
  if (Phases.empty()) {
    return;
  }
  // One line for all the steps: from one phase's level straight down (or up) to the next's,
  // where the marker stands.
  FPhaseSteps = new QLineSeries(chart());
  FPhaseSteps->setName(tr("구간 평균"));
  FPhaseSteps->setPen(QPen(PhaseColor, 2));
  FPhaseLabels = new QScatterSeries(chart());
  FPhaseLabels->setMarkerSize(1);
  FPhaseLabels->setColor(Qt::transparent);
  FPhaseLabels->setBorderColor(Qt::transparent);
  FPhaseLabels->setPointLabelsFormat(QStringLiteral("@yPoint MiB/s"));
  FPhaseLabels->setPointLabelsColor(QColor(170, 90, 0));
  FPhaseLabels->setPointLabelsClipping(false);
  FPhaseLabels->setPointLabelsVisible(true);
  for (std::size_t Index = 0; Index < Phases.size(); ++Index) {
    const TChartPhase& Phase = Phases[Index];
    FPhaseSteps->append(Phase.FromX, Phase.Speed);
    FPhaseSteps->append(Phase.ToX, Phase.Speed);
    // The label says the speed in whole MiB/s, and stands on the step.
    FPhaseLabels->append((Phase.FromX + Phase.ToX) / 2, std::round(Phase.Speed));
    if (Index > 0) {
      auto* Marker = new QLineSeries(chart());
      Marker->setPen(QPen(MarkerColor, 1, Qt::DashLine));
      Marker->append(Phase.FromX, 0);
      Marker->append(Phase.FromX, 0);
      AddToChart(Marker, AxisY, false);
      FPhaseMarkers.push_back(Marker);
    }
  }
  AddToChart(FPhaseSteps, AxisY, true);
  AddToChart(FPhaseLabels, AxisY, false);
  SpanPhaseMarkers();
}

void TSpeedChart::SpanPhaseMarkers() {
  for (QLineSeries* Marker : FPhaseMarkers) {
    const double X = Marker->at(0).x();
    Marker->replace({QPointF(X, 0), QPointF(X, AxisY->max())});
  }
}

void TSpeedChart::ClearPhases() {
  std::vector<QAbstractSeries*> Gone(FPhaseMarkers.begin(), FPhaseMarkers.end());
  Gone.push_back(FPhaseSteps);
  Gone.push_back(FPhaseLabels);
  for (QAbstractSeries* Series : Gone) {
    if (Series) {
      chart()->removeSeries(Series);
      delete Series;
    }
  }
  FPhaseMarkers.clear();
  FPhases.clear();
  FPhaseSteps = nullptr;
  FPhaseLabels = nullptr;
}

void TSpeedChart::ClearTemperature() {
  FTemperaturePoints.clear();
  FTemperaturePoints.shrink_to_fit();
  if (FTemperatureSeries) {
    chart()->removeSeries(FTemperatureSeries);
    delete FTemperatureSeries;
    FTemperatureSeries = nullptr;
    chart()->removeAxis(AxisTemperature);
    delete AxisTemperature;
    AxisTemperature = nullptr;
  }
}

void TSpeedChart::AddReadPoint(double X, double Y) {
  TakeIntoRange(X);
  FReadPoints.emplace_back(X, Y);
  FDirty = true;
  if (!FReadSeries->isVisible()) {
    ShowReadSeries(true);
  }
}

void TSpeedChart::ShowReadSeries(bool Shown) {
  FReadSeries->setVisible(Shown);
  chart()->legend()->markers(FReadSeries).first()->setVisible(Shown);
}

void TSpeedChart::Clear() {
  FPoints.clear();
  FPoints.shrink_to_fit();
  FReadPoints.clear();
  FReadPoints.shrink_to_fit();
  FZoomed = false;
  FSpeedSeries->clear();
  ClearPhases();
  ClearTemperature();
  FReadSeries->clear();
  ShowReadSeries(false);
  FDirty = false;
}

void TSpeedChart::FitAxisToData() {
  if (FPoints.empty() && FReadPoints.empty()) {
    return;
  }
  FZoomed = false;
  SetVisibleRange(FDataMinX, FDataMaxX);
}

void TSpeedChart::SetVisibleRange(double Min, double Max) {
  if (Max <= Min) {  // one X value: give the axis some width around it
    Min -= 0.5;
    Max += 0.5;
  }
  AxisX->setRange(Min, Max);
}

void TSpeedChart::PlaceTicksX() {
  const int Width = static_cast<int>(chart()->plotArea().width());
  const TAxisTicks Ticks =
      RoundTicks(AxisX->min(), AxisX->max(), std::max(2, Width / PixelsPerTickX), MinimumStepX);
  if (Ticks == FTicksX) {
    return;
  }
  FTicksX = Ticks;
  for (const QString& Label : AxisX->categoriesLabels()) {
    AxisX->remove(Label);
  }
  // Each tick ends a category and carries its label; the first category starts a step before
  // the first tick, so that a tick on the range's edge is labelled too.
  AxisX->setStartValue(Ticks.Value(-1));
  for (int Index = 0; Index < Ticks.Count; ++Index) {
    const double Value = Ticks.Value(Index);
    AxisX->append(QString::fromStdString(FormatFixed(Value, Ticks.Decimals, FDecimalSeparator)),
                  Value);
  }
}

void TSpeedChart::SpanHorizontalLine() {
  if (FHorizontalLine->count() != 2) {
    return;
  }
  const double Level = FHorizontalLine->at(0).y();
  FHorizontalLine->replace({QPointF(AxisX->min(), Level), QPointF(AxisX->max(), Level)});
}

void TSpeedChart::Refresh() {
  FDirty = false;
  if (!FZoomed) {
    FitAxisToData();
  }
  QList<QPointF> Thinned;
  double MaxY = 0;
  const int Columns = static_cast<int>(chart()->plotArea().width());
  ThinToColumns(FPoints, AxisX->min(), AxisX->max(), Columns, Thinned, MaxY);
  FSpeedSeries->replace(Thinned);
  FSpeedSeries->setPointsVisible(Thinned.size() == 1);  // one write draws no line: show a dot
  if (!FReadPoints.empty()) {
    double MaxReadY = 0;
    ThinToColumns(FReadPoints, AxisX->min(), AxisX->max(), Columns, Thinned, MaxReadY);
    FReadSeries->replace(Thinned);
    FReadSeries->setPointsVisible(Thinned.size() == 1);
    MaxY = std::max(MaxY, MaxReadY);
  }
  int Ticks = 5;
  AxisY->setRange(0, NiceAxisMax(std::max(MaxY, FOverlayMaxY), Ticks));
  AxisY->setTickCount(Ticks);
  SpanPhaseMarkers();
  if (FTemperatureSeries) {
    double MaxTemperature = 0;
    ThinToColumns(FTemperaturePoints, AxisX->min(), AxisX->max(), Columns, Thinned, MaxTemperature);
    FTemperatureSeries->replace(Thinned);
    FTemperatureSeries->setPointsVisible(Thinned.size() == 1);
    int TemperatureTicks = 5;
    AxisTemperature->setRange(0, NiceAxisMax(MaxTemperature, TemperatureTicks));
    AxisTemperature->setTickCount(TemperatureTicks);
  }
}

void TSpeedChart::RefreshHorizontalLine(bool IsEnd, double Level) {
  if (IsEnd || AxisX->min() == 0) {
    FitAxisToData();
    FDirty = true;
  }
  FHorizontalLine->replace({QPointF(AxisX->min(), Level), QPointF(AxisX->max(), Level)});
  if (!FHorizontalLine->isVisible()) {
    FHorizontalLine->setVisible(true);
  }
  if (IsEnd) {
    Refresh();
  }
}

void TSpeedChart::ZoomAt(double X, double Factor) {
  if ((FPoints.empty() && FReadPoints.empty()) || FDataMaxX <= FDataMinX) {
    return;
  }
  const double Min = AxisX->min();
  const double Max = AxisX->max();
  X = std::clamp(X, Min, Max);
  double NewMin = X - (X - Min) * Factor;
  double NewMax = X + (Max - X) * Factor;
  if (NewMax - NewMin < MinimumRangeX) {
    return;
  }
  if (NewMax - NewMin >= FDataMaxX - FDataMinX) {
    FitAxisToData();
  } else {
    // Keep the range on the data: shift it back inside, width unchanged.
    if (NewMin < FDataMinX) {
      NewMax += FDataMinX - NewMin;
      NewMin = FDataMinX;
    }
    if (NewMax > FDataMaxX) {
      NewMin -= NewMax - FDataMaxX;
      NewMax = FDataMaxX;
    }
    FZoomed = true;
    SetVisibleRange(NewMin, NewMax);
  }
  Refresh();
}

void TSpeedChart::wheelEvent(QWheelEvent* Event) {
  const QPointF Scene = mapToScene(Event->position().toPoint());
  const QPointF Value = chart()->mapToValue(chart()->mapFromScene(Scene), FSpeedSeries);
  const double Steps = Event->angleDelta().y() / 120.0;
  if (Steps != 0) {
    ZoomAt(Value.x(), std::pow(0.8, Steps));
  }
  Event->accept();
}

void TSpeedChart::resizeEvent(QResizeEvent* Event) {
  QChartView::resizeEvent(Event);
  FDirty = true;  // the number of pixel columns changed
}
