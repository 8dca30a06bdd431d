#include "report/Pass.Table.h"

#include <optional>

#include "results/Compare.Table.h"
#include "text/Number.Text.h"
#include "text/Report.Rule.h"
#include "text/Text.Catalogue.h"

namespace {

std::string Whole(double Value) {
  return std::to_string(static_cast<long long>(RoundHalfEven(Value)));
}

std::string SizeText(double MiB, const std::string& Separator) {
  return MiB < 1024.0 ? Whole(MiB) + "MiB" : FormatFixed(MiB / 1024.0, 1, Separator) + "GiB";
}

// " (-2.5%)" after a figure of a later pass; nothing for pass 1 or without a base.
template <typename TFigure>
std::string Drift(const TPassResult& Pass, const TPassResult& First, TFigure Figure,
                  const std::string& Separator) {
  const std::optional<double> Percent = DriftSince(First, Pass, Figure);
  if (!Percent) {
    return {};
  }
  const std::string Text = FormatFixed(*Percent, 1, Separator);
  return " (" + (Text[0] == '-' ? Text : "+" + Text) + "%)";
}

std::optional<double> MeanSpeed(const TPassResult& Pass) {
  return static_cast<double>(Pass.MeanSpeed);
}

}  // namespace

std::vector<std::string> PassTableLines(const std::vector<TPassResult>& Passes,
                                        const std::string& Separator, std::size_t MaxRows) {
  if (Passes.empty()) {
    return {};
  }
  std::vector<std::string> Lines{Localized("- 회차별 요약 -")};
  const TPassResult& First = Passes.front();
  // Pass 1, then the latest MaxRows - 1.
  const std::size_t Skipped = MaxRows >= 2 && Passes.size() > MaxRows ? Passes.size() - MaxRows : 0;
  for (std::size_t Index = 0; Index < Passes.size(); ++Index) {
    if (Index == 1 && Skipped > 0) {
      Lines.push_back(Localized("({0}회차 ~ {1}회차 생략)", std::to_string(Passes[1].Number),
                                std::to_string(Passes[Skipped].Number)));
      Index += Skipped - 1;
      continue;
    }
    const TPassResult& Pass = Passes[Index];
    const double Mean = static_cast<double>(Pass.MeanSpeed);
    std::string Line = Localized("{0}회차 : 평균 {1}MiB/s{2}", std::to_string(Pass.Number),
                                 Whole(Mean), Drift(Pass, First, MeanSpeed, Separator));
    if (!Pass.Analysis.Figures) {
      Line += Localized(", 캐시 판단 불가");
    } else if (const std::optional<double> Cache = CacheSizeMiB(Pass)) {
      Line += Localized(", 캐시 {0}{1}, 캐시 이후 {2}MiB/s{3}", SizeText(*Cache, Separator),
                        Drift(Pass, First, CacheSizeMiB, Separator), Whole(*PostCacheSpeed(Pass)),
                        Drift(Pass, First, PostCacheSpeed, Separator));
    } else {
      Line += Localized(", 캐시 없음");
    }
    Line += Localized(", 평균 속도 50% 미만 {0}%", FormatFixed(Pass.SlowSharePct, 1, Separator));
    // A pass that did not reach its target has figures of part of the drive only.
    if (Pass.End == TPassEnd::Cancelled) {
      Line += Localized(", 도중 취소 (일부만 측정)");
    } else if (Pass.End == TPassEnd::Failed) {
      Line += Localized(", 오류로 중단 (일부만 측정)");
    }
    Lines.push_back(Line);
  }
  Lines.push_back(RuleLine);
  return Lines;
}
