#include "forms/Chart.EarlierPasses.h"

#include <QCategoryAxis>
#include <QCoreApplication>
#include <QLineSeries>
#include <QPen>
#include <QValueAxis>
#include <algorithm>
#include <vector>

#include "forms/Speed.Chart.h"
#include "results/Speed.Figure.h"

namespace {

constexpr const char* EarlierPassProperty = "varnellEarlierPass";
constexpr const char* ExtraCurveProperty = "varnellExtraCurve";
// As many points as a wide screen has columns: an earlier pass is a backdrop, not data to zoom.
constexpr int EarlierPassColumns = 2000;

}  // namespace

std::vector<QLineSeries*> ChartSeriesWith(const TSpeedChart& Chart, const char* Property) {
  std::vector<QLineSeries*> Found;
  for (QAbstractSeries* Series : Chart.chart()->series()) {
    if (Series->property(Property).toBool()) {
      Found.push_back(static_cast<QLineSeries*>(Series));
    }
  }
  return Found;
}

void MarkAsExtraCurve(QLineSeries& Series) {
  Series.setProperty(ExtraCurveProperty, true);
}

double ExtraCurvesMaxY(const TSpeedChart& Chart) {
  double MaxY = 0.0;
  for (const QLineSeries* Series : ChartSeriesWith(Chart, ExtraCurveProperty)) {
    for (const QPointF& Point : Series->points()) {
      MaxY = std::max(MaxY, Point.y());
    }
  }
  return MaxY;
}

int EarlierPassCount(const TSpeedChart& Chart) {
  return static_cast<int>(ChartSeriesWith(Chart, EarlierPassProperty).size());
}

void KeepAsEarlierPass(TSpeedChart& Chart, int PassNumber) {
  if (Chart.Points().empty()) {
    return;
  }
  std::vector<QLineSeries*> Earlier = ChartSeriesWith(Chart, EarlierPassProperty);
  while (Earlier.size() >= EarlierPassesShown) {
    Chart.chart()->removeSeries(Earlier.front());
    delete Earlier.front();
    Earlier.erase(Earlier.begin());
  }
  QList<QPointF> Thinned;
  double MaxY = 0.0;
  const std::vector<QPointF>& Points = Chart.Points();
  const auto [Low, High] =
      std::minmax_element(Points.begin(), Points.end(),
                          [](const QPointF& A, const QPointF& B) { return A.x() < B.x(); });
  ThinToColumns(Points, Low->x(), High->x(), EarlierPassColumns, Thinned, MaxY);

  auto* Series = new QLineSeries(Chart.chart());
  Series->replace(Thinned);
  Series->setName(QCoreApplication::translate("TChartEarlierPasses", "%1회차").arg(PassNumber));
  Series->setProperty(EarlierPassProperty, true);
  MarkAsExtraCurve(*Series);
  Chart.chart()->addSeries(Series);
  Series->attachAxis(Chart.AxisX);
  Series->attachAxis(Chart.AxisY);
  // The current pass's colour, the fainter the older the pass: the same drive, an earlier time,
  // and each pass told apart in the legend.
  Earlier.push_back(Series);
  for (std::size_t Age = 0; Age < Earlier.size(); ++Age) {
    QColor Colour = Chart.FSpeedSeries->pen().color();
    Colour.setAlpha(static_cast<int>(150 - 40 * (Earlier.size() - 1 - Age)));
    Earlier[Age]->setPen(QPen(Colour, 1));
  }
  Chart.SetOverlayMaxY(ExtraCurvesMaxY(Chart));
}
