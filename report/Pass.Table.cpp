#include "report/Pass.Table.h"

#include <optional>

#include "report/Number.Text.h"
#include "report/Report.Rule.h"
#include "report/Text.Catalogue.h"
#include "results/Compare.Table.h"

namespace {

std::string Whole(double Value) {
  return std::to_string(static_cast<long long>(RoundHalfEven(Value)));
}

std::string SizeText(double MiB, const std::string& Separator) {
  return MiB < 1024.0 ? Whole(MiB) + "MiB" : FormatFixed(MiB / 1024.0, 1, Separator) + "GiB";
}

// " (-2.5%)" after a figure of a later pass; nothing for pass 1 or without a base.
std::string Drift(const TPassResult& Pass, const TPassResult& First,
                  const std::optional<double>& Before, const std::optional<double>& Now,
                  const std::string& Separator) {
  if (&Pass == &First || !Before || !Now) {
    return {};
  }
  const std::optional<double> Percent = DriftPercent(*Before, *Now);
  if (!Percent) {
    return {};
  }
  const std::string Text = FormatFixed(*Percent, 1, Separator);
  return " (" + (Text[0] == '-' ? Text : "+" + Text) + "%)";
}

std::optional<double> CacheMiB(const TPassResult& Pass) {
  const auto& Figures = Pass.Analysis.Figures;
  if (!Figures || !Figures->Cache) {
    return std::nullopt;
  }
  return static_cast<double>(Figures->Cache->SizeInMiB);
}

std::optional<double> PostCacheSpeed(const TPassResult& Pass) {
  const auto& Figures = Pass.Analysis.Figures;
  if (!Figures || !Figures->Cache) {
    return std::nullopt;
  }
  return Figures->Cache->PostCacheSpeed;
}

}  // namespace

std::vector<std::string> PassTableLines(const std::vector<TPassResult>& Passes,
                                        const std::string& Separator) {
  if (Passes.empty()) {
    return {};
  }
  std::vector<std::string> Lines{Localized("- 회차별 요약 -")};
  const TPassResult& First = Passes.front();
  for (const TPassResult& Pass : Passes) {
    const double Mean = static_cast<double>(Pass.MeanSpeed);
    std::string Line =
        Localized("{0}회차 : 평균 {1}MiB/s{2}", std::to_string(Pass.Number), Whole(Mean),
                  Drift(Pass, First, static_cast<double>(First.MeanSpeed), Mean, Separator));
    if (!Pass.Analysis.Figures) {
      Line += Localized(", 캐시 판단 불가");
    } else if (const std::optional<double> Cache = CacheMiB(Pass)) {
      Line += Localized(", 캐시 {0}{1}, 캐시 이후 {2}MiB/s{3}", SizeText(*Cache, Separator),
                        Drift(Pass, First, CacheMiB(First), Cache, Separator),
                        Whole(*PostCacheSpeed(Pass)),
                        Drift(Pass, First, PostCacheSpeed(First), PostCacheSpeed(Pass), Separator));
    } else {
      Line += Localized(", 캐시 없음");
    }
    Line += Localized(", 평균 속도 50% 미만 {0}%", FormatFixed(Pass.SlowSharePct, 1, Separator));
    Lines.push_back(Line);
  }
  Lines.push_back(RuleLine);
  return Lines;
}
