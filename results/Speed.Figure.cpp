#include "results/Speed.Figure.h"

#include <cmath>

#include "text/Text.Catalogue.h"
#include "text/Varnell.Identity.h"

namespace {

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

std::string Applied(bool On) {
  return On ? Localized("적용") : Localized("미적용");
}

}  // namespace

TPlotFigure SpeedChartFigure(std::vector<TPlotCurve> Passes, const TSetting& Setting,
                             const std::string& DateText, std::optional<double> HalfAverage,
                             TPlotCurve Reads) {
  TPlotFigure Figure;
  Figure.Title = Localized("{0} {1} - 쓰기 속도", VarnellIdentity::ProductName,
                           VarnellIdentity::ProductVersion);
  Figure.Caption = {
      Localized("드라이브 : {0}    테스트 일시 : {1}", Setting.DrivePath, DateText),
      Localized("남길 용량 : {0}    윈도 캐시 효과 : {1}    무한 반복 : {2}", LeaveText(Setting),
                Applied(Setting.NeedCache), Applied(Setting.InfiniteRepetition))};
  Figure.XTitle = Localized("남은 용량 (%)");
  Figure.YTitle = Localized("속도 (MiB/s)");
  Figure.XFalls = true;
  for (std::size_t Index = 0; Index < Passes.size(); ++Index) {
    Passes[Index].Faint = Index + 1 < Passes.size();
  }
  Figure.Curves = std::move(Passes);
  if (!Reads.Points.empty()) {
    Reads.Faint = false;
    Figure.Curves.push_back(std::move(Reads));
  }
  Figure.HalfAverage = HalfAverage;
  return Figure;
}

std::vector<TPlotStep> PhaseSteps(const std::vector<TChartPhase>& Phases) {
  std::vector<TPlotStep> Steps;
  for (const TChartPhase& Phase : Phases) {
    Steps.push_back(
        {Phase.FromX, Phase.ToX, Phase.Speed, std::to_string(std::lround(Phase.Speed)) + " MiB/s"});
  }
  return Steps;
}
