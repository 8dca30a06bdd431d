#include "results/Speed.Figure.h"

#include "report/Varnell.Identity.h"

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

const char* Applied(bool On) {
  return On ? "적용" : "미적용";
}

}  // namespace

TPlotFigure SpeedChartFigure(std::vector<TPlotCurve> Passes, const TSetting& Setting,
                             const std::string& DateText, std::optional<double> HalfAverage) {
  TPlotFigure Figure;
  Figure.Title = std::string(VarnellIdentity::ProductName) + " " + VarnellIdentity::ProductVersion +
                 " - 쓰기 속도";
  Figure.Caption = {"드라이브 : " + Setting.DrivePath + "    테스트 일시 : " + DateText,
                    "남길 용량 : " + LeaveText(Setting) +
                        "    윈도 캐시 효과 : " + Applied(Setting.NeedCache) +
                        "    무한 반복 : " + Applied(Setting.InfiniteRepetition)};
  Figure.XTitle = "남은 용량 (%)";
  Figure.YTitle = "속도 (MiB/s)";
  Figure.XFalls = true;
  for (std::size_t Index = 0; Index < Passes.size(); ++Index) {
    Passes[Index].Faint = Index + 1 < Passes.size();
  }
  Figure.Curves = std::move(Passes);
  Figure.HalfAverage = HalfAverage;
  return Figure;
}
