#include "report/Analysis.Report.h"

#include <cstdint>

#include "text/Number.Text.h"
#include "text/Report.Rule.h"
#include "text/Text.Catalogue.h"

namespace {

std::string Whole(double Value) {
  return std::to_string(static_cast<long long>(RoundHalfEven(Value)));
}

// Whole MiB/s, with one decimal below 10 MiB/s, where a whole number would jump between 3 and 4.
std::string SpeedText(double MiBPerSecond, const std::string& Separator) {
  if (MiBPerSecond < 9.95) {
    return FormatFixed(MiBPerSecond, 1, Separator) + "MiB/s";
  }
  return Whole(MiBPerSecond) + "MiB/s";
}

// Whole MiB below a GiB, GiB with one decimal from there, as the progress label counts.
std::string SizeText(double MiB, const std::string& Separator) {
  if (MiB < 1024.0) {
    return Whole(MiB) + "MiB";
  }
  return FormatFixed(MiB / 1024.0, 1, Separator) + "GiB";
}

std::string AtText(double MiB, const std::string& Separator) {
  return Localized("{0} 지점", SizeText(MiB, Separator));
}

// Milliseconds with one decimal below a second (a write takes a few), seconds with two above.
std::string DurationText(double Seconds, const std::string& Separator) {
  if (Seconds < 1.0) {
    return FormatFixed(Seconds * 1000.0, 1, Separator) + "ms";
  }
  return Localized("{0}초", FormatFixed(Seconds, 2, Separator));
}

std::string TemperatureText(float Celsius) {
  return Whole(Celsius) + "°C";
}

void AddCache(std::vector<std::string>& Lines, const TPassFigures& Figures,
              const std::string& Separator) {
  if (!Figures.Cache) {
    Lines.push_back(Localized("캐시 크기 : 없음"));
    Lines.push_back(Localized("최종 속도 : {0}", SpeedText(Figures.LastSpeed, Separator)));
    return;
  }
  const TCacheFigures& Cache = *Figures.Cache;
  Lines.push_back(
      Localized("캐시 크기 : {0}", SizeText(static_cast<double>(Cache.SizeInMiB), Separator)));
  Lines.push_back(Localized("캐시 내 속도 : {0}", SpeedText(Cache.InCacheSpeed, Separator)));
  Lines.push_back(Localized("캐시 이후 속도 : {0}", SpeedText(Cache.PostCacheSpeed, Separator)));
  // The drive ends elsewhere than right after its cache only when a later phase follows.
  if (Figures.Phases.back().FromMiB != Cache.SizeInMiB) {
    Lines.push_back(Localized("최종 속도 : {0}", SpeedText(Figures.LastSpeed, Separator)));
  }
}

// The pass's throughput and the closes' wait that it counts.
void AddThroughput(std::vector<std::string>& Lines, const TPassAnalysis& Analysis,
                   const std::string& Separator) {
  Lines.push_back(Localized("처리량 : {0}", SpeedText(Analysis.Throughput, Separator)));
  Lines.push_back(
      Localized("닫을 때 기다린 시간 : {0}", DurationText(Analysis.CloseSeconds, Separator)));
}

// Through the system's cache, the drop on the curve is where the memory ran full; the drive's
// speed is the one measured through the flushes.
void AddBuffered(std::vector<std::string>& Lines, const TPassAnalysis& Analysis,
                 const std::string& Separator) {
  Lines.push_back(
      Localized("- 캐시 사용 모드 : 빠른 구간은 드라이브의 캐시가 아니라 시스템 메모리입니다 -"));
  const TPassFigures& Figures = *Analysis.Figures;
  if (Figures.Memory) {
    Lines.push_back(Localized("시스템 메모리가 받은 양 : {0} ({1})",
                              SizeText(static_cast<double>(Figures.Memory->SizeInMiB), Separator),
                              SpeedText(Figures.Memory->InCacheSpeed, Separator)));
  }
  if (Analysis.DriveSpeed) {
    Lines.push_back(
        Localized("플러시까지 잰 드라이브 속도 : {0}", SpeedText(*Analysis.DriveSpeed, Separator)));
  }
}

// Absent and Present: the line without a window ("{0}" the length) and with one ("{0}" the
// speed, "{1}" where).
void AddSlowest(std::vector<std::string>& Lines, const std::optional<TSlowestWindow>& Window,
                const std::string& Absent, const std::string& Present,
                const std::string& Separator) {
  if (!Window) {
    Lines.push_back(Absent);
    return;
  }
  Lines.push_back(
      Localized(Present, SpeedText(Window->Speed, Separator), AtText(Window->FromMiB, Separator)));
}

void AddStalls(std::vector<std::string>& Lines, const TStalls& Stalls,
               const std::string& Separator) {
  Lines.push_back(Localized("최장 지연 : {0} ({1})",
                            DurationText(Stalls.Longest.Seconds, Separator),
                            AtText(Stalls.Longest.AtMiB, Separator)));
  const std::string Count = std::to_string(Stalls.SlowWriteCount);
  if (Stalls.FirstSlowWrite) {
    Lines.push_back(Localized("느린 쓰기 (중앙값의 10배 초과) : {0}회 (처음 {1})", Count,
                              AtText(Stalls.FirstSlowWrite->AtMiB, Separator)));
  } else {
    Lines.push_back(Localized("느린 쓰기 (중앙값의 10배 초과) : {0}회", Count));
  }
}

void AddHeat(std::vector<std::string>& Lines, const TPassFigures& Figures,
             const std::string& Separator) {
  if (!Figures.Heat) {
    return;
  }
  const THeat& Heat = *Figures.Heat;
  Lines.push_back(Localized("온도 : 시작 {0}, 최고 {1}, 종료 {2}", TemperatureText(Heat.StartInC),
                            TemperatureText(Heat.MaxInC), TemperatureText(Heat.EndInC)));
  if (!Heat.ThrottleAtMiB) {
    return;
  }
  const std::string At = AtText(static_cast<double>(*Heat.ThrottleAtMiB), Separator);
  if (Figures.Cache && Figures.Cache->SizeInMiB == *Heat.ThrottleAtMiB) {
    Lines.push_back(Localized(
        "- 캐시 이후의 속도 하락이 최고 온도에서 시작되었습니다 ({0}) : 캐시 소진이 아니라 발열 "
        "제한일 수 있습니다 -",
        At));
  } else {
    Lines.push_back(Localized(
        "- 최고 온도에서 속도가 떨어졌습니다 ({0}) : 발열로 인한 속도 제한으로 보입니다 -", At));
  }
}

}  // namespace

std::vector<std::string> AnalysisReportLines(const TPassAnalysis& Analysis,
                                             const std::string& DecimalSeparator) {
  if (Analysis.TooShort()) {
    return {Localized("- 판단하기에 너무 짧은 회차입니다 (쓰기 {0}회) -",
                      std::to_string(Analysis.WriteCount))};
  }
  const TPassFigures& Figures = *Analysis.Figures;
  std::vector<std::string> Lines{Localized("- 쓰기 분석 -")};
  AddThroughput(Lines, Analysis, DecimalSeparator);
  if (Analysis.Buffered) {
    AddBuffered(Lines, Analysis, DecimalSeparator);
  } else {
    AddCache(Lines, Figures, DecimalSeparator);
  }
  AddSlowest(Lines, Figures.Slowest1s, Localized("최저 1초 평균 속도 : 없음 (쓰기 시간 1초 미만)"),
             "최저 1초 평균 속도 : {0} ({1})", DecimalSeparator);
  AddSlowest(Lines, Figures.Slowest10s,
             Localized("최저 10초 평균 속도 : 없음 (쓰기 시간 10초 미만)"),
             "최저 10초 평균 속도 : {0} ({1})", DecimalSeparator);
  AddStalls(Lines, Figures.Stalls, DecimalSeparator);
  AddHeat(Lines, Figures, DecimalSeparator);
  Lines.push_back(RuleLine);
  return Lines;
}
