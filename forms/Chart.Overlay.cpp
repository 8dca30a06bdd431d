#include "forms/Chart.Overlay.h"

#include <QCategoryAxis>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineSeries>
#include <QMessageBox>
#include <QValueAxis>
#include <fstream>
#include <sstream>

#include "forms/Chart.EarlierPasses.h"
#include "forms/Speed.Chart.h"
#include "results/Run.Json.h"

namespace {

// Marks the series that are overlays, so that they can be found and removed again.
constexpr const char* OverlayProperty = "varnellOverlay";
// A saved pass is drawn at about the chart's width: a few thousand points at most.
constexpr int OverlayColumns = 2000;

const QColor OverlayColours[] = {QColor(0x2c, 0xa0, 0x2c, 140), QColor(0x94, 0x67, 0xbd, 140),
                                 QColor(0xff, 0x7f, 0x0e, 140), QColor(0x8c, 0x56, 0x4b, 140)};

QString Translated(const char* Korean) {
  return QCoreApplication::translate("TChartOverlay", Korean);
}

std::vector<QLineSeries*> Overlays(const TSpeedChart& Chart) {
  return ChartSeriesWith(Chart, OverlayProperty);
}

}  // namespace

void OverlayRun(TSpeedChart& Chart, const TNamedRun& Run) {
  std::size_t Colour = Overlays(Chart).size();
  const QString File = QFileInfo(QString::fromStdString(Run.Name)).fileName();
  for (const TPassResult& Pass : Run.Run.Passes) {
    const std::size_t Count = Pass.WriteSeconds.size();
    if (Count == 0) {
      continue;
    }
    std::vector<TPlotPoint> Points;
    Points.reserve(Count);
    for (std::size_t Index = 0; Index < Count; ++Index) {
      const double Share = Count > 1 ? static_cast<double>(Index) / (Count - 1) : 0.0;
      const double Seconds = Pass.WriteSeconds[Index];
      Points.push_back({Pass.RemainPctFirst + (Pass.RemainPctLast - Pass.RemainPctFirst) * Share,
                        Seconds > 0.0 ? 8.0 / Seconds : 0.0});
    }
    auto* Series = new QLineSeries(Chart.chart());
    QList<QPointF> Drawn;
    for (const TPlotPoint& Point : ThinnedForColumns(Points, OverlayColumns)) {
      Drawn.append(QPointF(Point.X, Point.Y));
    }
    Series->replace(Drawn);
    Series->setName(Translated("%1 %2회차").arg(File).arg(Pass.Number));
    Series->setPen(QPen(OverlayColours[Colour++ % std::size(OverlayColours)], 1));
    Series->setProperty(OverlayProperty, true);
    MarkAsExtraCurve(*Series);
    Chart.chart()->addSeries(Series);
    Series->attachAxis(Chart.AxisX);
    Series->attachAxis(Chart.AxisY);
  }
  Chart.SetOverlayMaxY(ExtraCurvesMaxY(Chart));
}

void ClearOverlays(TSpeedChart& Chart) {
  for (QLineSeries* Series : Overlays(Chart)) {
    Chart.chart()->removeSeries(Series);
    delete Series;
  }
  Chart.SetOverlayMaxY(ExtraCurvesMaxY(Chart));
}

bool HasOverlays(const TSpeedChart& Chart) {
  return !Overlays(Chart).empty();
}

std::string LoadOverlay(QWidget* Owner, TSpeedChart& Chart) {
  const QString Path = QFileDialog::getOpenFileName(Owner, Translated("결과 불러오기"), {},
                                                    Translated("결과 파일 (*.json)"), nullptr,
                                                    QFileDialog::DontUseNativeDialog);
  if (Path.isEmpty()) {
    return {};
  }
  const std::string File = Path.toStdString();
  std::string Error;
  std::ifstream Stream(File, std::ios::binary);
  if (!Stream) {
    Error = Translated("파일을 읽지 못했습니다.").toStdString();
  } else {
    std::ostringstream Text;
    Text << Stream.rdbuf();
    try {
      OverlayRun(Chart, {File, ParseRunResult(Text.str())});
      return File;
    } catch (const TResultFileError& Failure) {
      Error = Translated("결과 파일이 아닙니다.\n").toStdString() + Failure.what();
    }
  }
  QMessageBox::warning(Owner, Translated("결과 불러오기"),
                       Path + QStringLiteral("\n") + QString::fromStdString(Error));
  return {};
}
