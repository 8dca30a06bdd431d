#pragma once

#include <QChartView>
#include <QList>
#include <QPointF>
#include <QTimer>
#include <string>
#include <vector>

#include "forms/Axis.Ticks.h"
#include "platform/Platform.Locale.h"
#include "results/Chart.Phases.h"

class QAbstractAxis;
class QAbstractSeries;
class QCategoryAxis;
class QLabel;
class QLineSeries;
class QScatterSeries;
class QValueAxis;

// Thins the points whose X lies in [MinX, MaxX] to what Columns pixel columns can show: all of
// them when they are few, otherwise the lowest and the highest point of each column. The
// result is sorted by ascending X. MaxY receives the largest Y of the result (0 when empty).
void ThinToColumns(const std::vector<QPointF>& Points, double MinX, double MaxX, int Columns,
                   QList<QPointF>& Thinned, double& MaxY);

// The speed chart: speed against the remaining share of the disk, of the writes and, with
// verification on, of the reads. It keeps every point of the pass itself, because a Qt series is
// slow to append to and to draw at hundreds of thousands of points, and shows the series as a
// per-pixel-column copy, refreshed on a timer when new points came in and at once when the visible
// range changes.
//
// The horizontal axis puts its ticks on round values and writes their labels itself, with the
// decimal separator of the report texts (Qt's value axis would write a C-locale dot); the
// half-average line always spans it.
class TSpeedChart : public QChartView {
  Q_OBJECT

 public:
  explicit TSpeedChart(QWidget* Parent,
                       std::string DecimalSeparator = Platform::LocaleDecimalSeparator());

  QLineSeries* FSpeedSeries;
  // The reads of the verification, at the places of their writes; shown (with its entry in the
  // legend) only once it has a point.
  QLineSeries* FReadSeries;
  QLineSeries* FHorizontalLine;
  QCategoryAxis* AxisX;
  QValueAxis* AxisY;
  QLabel* lCafe;

  // The drive's temperature, where it was read, and each phase of a finished pass: none of
  // them is in the chart until the first temperature or ShowPhases, and Clear takes them out
  // again, so a pass without them draws as it always did.
  QLineSeries* FTemperatureSeries = nullptr;
  QValueAxis* AxisTemperature = nullptr;    // on the right, °C
  QLineSeries* FPhaseSteps = nullptr;       // each phase's speed as a step, one line for all
  QScatterSeries* FPhaseLabels = nullptr;   // "412 MiB/s" over the middle of each step
  std::vector<QLineSeries*> FPhaseMarkers;  // a thin vertical line where each later phase begins

  void AddPoint(double X, double Y);
  void AddTemperature(double X, double TemperatureInC);
  void ShowPhases(const std::vector<TChartPhase>& Phases);
  void AddReadPoint(double X, double Y);
  // Empties the speed and read series, hides the read series and takes the temperature and
  // the phases out of the chart.
  void Clear();
  // Puts the half-average line at Level across the horizontal axis and shows it; the axis is
  // first fitted to the data when it still starts at 0 or when IsEnd is set.
  void RefreshHorizontalLine(bool IsEnd, double Level);
  // Replaces the shown series with the thinned copy of the visible range.
  void Refresh();
  // Zooms the horizontal axis by Factor (< 1 zooms in) keeping X where it is on screen;
  // the range never leaves the data.
  void ZoomAt(double X, double Factor);

  const std::vector<QPointF>& Points() const { return FPoints; }
  // The phases shown, as ShowPhases got them; empty until then and after Clear.
  const std::vector<TChartPhase>& Phases() const { return FPhases; }
  const std::vector<QPointF>& ReadPoints() const { return FReadPoints; }
  // The highest speed of curves drawn over the pass (a loaded result): the speed axis reaches
  // it too. 0 without such curves.
  void SetOverlayMaxY(double MaxY) {
    FOverlayMaxY = MaxY;
    Refresh();
  }
  bool IsZoomed() const { return FZoomed; }

 protected:
  void wheelEvent(QWheelEvent* Event) override;
  void resizeEvent(QResizeEvent* Event) override;

 private:
  void FitAxisToData();
  void SetVisibleRange(double Min, double Max);
  // After every change of the horizontal range or of the plot's width.
  void PlaceTicksX();
  void SpanHorizontalLine();
  // The markers reach from 0 to the top of the speed axis, whatever its range.
  void SpanPhaseMarkers();
  void AddToChart(QAbstractSeries* Series, QAbstractAxis* AxisOfY, bool InLegend);
  void ClearPhases();
  void ClearTemperature();
  void TakeIntoRange(double X);
  void ShowReadSeries(bool Shown);

  const std::string FDecimalSeparator;
  TAxisTicks FTicksX;
  std::vector<QPointF> FPoints;
  std::vector<QPointF> FTemperaturePoints;
  std::vector<TChartPhase> FPhases;
  std::vector<QPointF> FReadPoints;
  double FDataMinX = 0;
  double FDataMaxX = 0;
  bool FDirty = false;
  bool FZoomed = false;
  double FOverlayMaxY = 0.0;
  QTimer FRefreshTimer;
};
