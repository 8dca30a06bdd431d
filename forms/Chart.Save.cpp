#include "forms/Chart.Save.h"

#include <QCategoryAxis>
#include <QCoreApplication>
#include <QFileDialog>
#include <QLineSeries>
#include <QMessageBox>
#include <QValueAxis>

#include "forms/Speed.Chart.h"
#include "plot/Plot.Render.h"
#include "results/Speed.Figure.h"

namespace {

QString Translated(const char* Korean) {
  return QCoreApplication::translate("TChartSave", Korean);
}

}  // namespace

TPlotFigure ChartFigure(const TSpeedChart& Chart, const TSetting& Setting,
                        const std::string& DateText) {
  TPlotCurve Curve;
  Curve.Label = Chart.FSpeedSeries->name().toStdString();
  Curve.Points.reserve(Chart.Points().size());
  for (const QPointF& Point : Chart.Points()) {
    Curve.Points.push_back({Point.x(), Point.y()});
  }
  std::optional<double> HalfAverage;
  if (Chart.FHorizontalLine->isVisible() && Chart.FHorizontalLine->count() > 0) {
    HalfAverage = Chart.FHorizontalLine->at(0).y();
  }
  TPlotCurve Reads;
  Reads.Label = Chart.FReadSeries->name().toStdString();
  for (const QPointF& Point : Chart.ReadPoints()) {
    Reads.Points.push_back({Point.x(), Point.y()});
  }
  TPlotFigure Figure =
      SpeedChartFigure({std::move(Curve)}, Setting, DateText, HalfAverage, std::move(Reads));
  Figure.Steps = PhaseSteps(Chart.Phases());
  // The window's own axis titles.
  Figure.XTitle = Chart.AxisX->titleText().toStdString();
  Figure.YTitle = Chart.AxisY->titleText().toStdString();
  return Figure;
}

std::string SaveChartAs(QWidget* Owner, const TPlotFigure& Figure) {
  const QString PngFilter = Translated("PNG 그림 (*.png)");
  const QString SvgFilter = Translated("SVG 그림 (*.svg)");
  QFileDialog Dialog(Owner, Translated("그래프 저장"));
  Dialog.setAcceptMode(QFileDialog::AcceptSave);
  Dialog.setNameFilters({PngFilter, SvgFilter});
  Dialog.setOption(QFileDialog::DontUseNativeDialog);
  // The dialog adds the extension itself, before it asks about overwriting an existing file.
  Dialog.setDefaultSuffix(QStringLiteral("png"));
  QObject::connect(&Dialog, &QFileDialog::filterSelected, &Dialog,
                   [&Dialog, SvgFilter](const QString& Filter) {
                     Dialog.setDefaultSuffix(Filter == SvgFilter ? QStringLiteral("svg")
                                                                 : QStringLiteral("png"));
                   });
  if (Dialog.exec() != QDialog::Accepted || Dialog.selectedFiles().isEmpty()) {
    return {};
  }
  const QString Path = Dialog.selectedFiles().first();
  const std::string Error = SavePlot(Figure, Path.toStdString());
  if (!Error.empty()) {
    QMessageBox::warning(
        Owner, Translated("그래프 저장"),
        Translated("그래프를 저장하지 못했습니다.\n") + QString::fromStdString(Error));
    return {};
  }
  return Path.toStdString();
}
