#include "forms/Chart.Save.h"

#include <QCategoryAxis>
#include <QFileDialog>
#include <QLineSeries>
#include <QMessageBox>
#include <QValueAxis>

#include "forms/Speed.Chart.h"
#include "plot/Plot.Render.h"
#include "report/Varnell.Identity.h"

namespace {

const QString PngFilter = QStringLiteral("PNG 그림 (*.png)");
const QString SvgFilter = QStringLiteral("SVG 그림 (*.svg)");

std::string LeaveText(const TSetting& Setting) {
  switch (Setting.ToLeftUnit) {
    case TLeftUnit::LeaveByMiB:
      return std::to_string(Setting.ToLeft) + "MiB";
    case TLeftUnit::LeaveByPercent:
      return std::to_string(Setting.ToLeft) + "%";
    case TLeftUnit::LeaveByGiB:
    default:
      return std::to_string(Setting.ToLeft) + "GiB";
  }
}

const char* Applied(bool On) {
  return On ? "적용" : "미적용";
}

}  // namespace

TPlotFigure ChartFigure(const TSpeedChart& Chart, const TSetting& Setting,
                        const std::string& DateText) {
  TPlotFigure Figure;
  Figure.Title = std::string(VarnellIdentity::ProductName) + " " + VarnellIdentity::ProductVersion +
                 " - 쓰기 속도";
  Figure.Caption = {"드라이브 : " + Setting.DrivePath + "    테스트 일시 : " + DateText,
                    "남길 용량 : " + LeaveText(Setting) +
                        "    윈도 캐시 효과 : " + Applied(Setting.NeedCache) +
                        "    무한 반복 : " + Applied(Setting.InfiniteRepetition)};
  Figure.XTitle = Chart.AxisX->titleText().toStdString();
  Figure.YTitle = Chart.AxisY->titleText().toStdString();
  Figure.XFalls = true;
  TPlotCurve Curve;
  Curve.Label = Chart.FSpeedSeries->name().toStdString();
  Curve.Points.reserve(Chart.Points().size());
  for (const QPointF& Point : Chart.Points()) {
    Curve.Points.push_back({Point.x(), Point.y()});
  }
  Figure.Curves.push_back(std::move(Curve));
  if (Chart.FHorizontalLine->isVisible() && Chart.FHorizontalLine->count() > 0) {
    Figure.HalfAverage = Chart.FHorizontalLine->at(0).y();
  }
  return Figure;
}

std::string SaveChartAs(QWidget* Owner, const TPlotFigure& Figure) {
  QFileDialog Dialog(Owner, QStringLiteral("그래프 저장"));
  Dialog.setAcceptMode(QFileDialog::AcceptSave);
  Dialog.setNameFilters({PngFilter, SvgFilter});
  Dialog.setOption(QFileDialog::DontUseNativeDialog);
  // The dialog adds the extension itself, before it asks about overwriting an existing file.
  Dialog.setDefaultSuffix(QStringLiteral("png"));
  QObject::connect(&Dialog, &QFileDialog::filterSelected, &Dialog,
                   [&Dialog](const QString& Filter) {
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
        Owner, QStringLiteral("그래프 저장"),
        QStringLiteral("그래프를 저장하지 못했습니다.\n") + QString::fromStdString(Error));
    return {};
  }
  return Path.toStdString();
}
