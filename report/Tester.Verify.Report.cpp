// The read-back of a pass (verification): its progress, its chart series and its report lines.
#include <cmath>
#include <string>

#include "engine/Tester.FileName.h"
#include "engine/Verify.Stamp.h"
#include "report/DateTime.Text.h"
#include "report/Number.Text.h"
#include "report/Tester.ToView.h"

namespace {

const std::string RuleLine(39, '*');
constexpr std::int64_t SectorsPerMiB = (1 << 20) / SectorBytes;

// Whole MiB as they are; less than a MiB in KiB; otherwise MiB cut (not rounded) to two
// decimals, so that a sector short of 24 MiB never reads as 24.
std::string SizeText(std::int64_t Sectors, const std::string& Separator) {
  if (Sectors % SectorsPerMiB == 0) {
    return std::to_string(Sectors / SectorsPerMiB) + "MiB";
  }
  if (Sectors < SectorsPerMiB) {
    return std::to_string(Sectors * static_cast<std::int64_t>(SectorBytes / 1024)) + "KiB";
  }
  const double Hundredths = std::floor(static_cast<double>(Sectors) * 100.0 / SectorsPerMiB);
  return FormatFixed(Hundredths / 100.0, 2, Separator) + "MiB";
}

// A kind of damage: its size and, when there is any, its count of sectors.
std::string DamageText(std::int64_t Sectors, const std::string& Separator) {
  std::string Text = SizeText(Sectors, Separator);
  if (Sectors > 0) {
    Text += " (" + std::to_string(Sectors) + "섹터)";
  }
  return Text;
}

std::string PlaceText(const std::optional<TDamagePlace>& Place) {
  if (!Place) {
    return "없음";
  }
  return TestFileName(Place->File) + ", " + std::to_string(Place->Offset) + "바이트 지점";
}

std::string VerdictText(const TVerifyTally& Tally) {
  if (Tally.DamagedSectors() > 0) {
    return "손상 있음";
  }
  return Tally.Complete() ? "이상 없음" : "중단 (읽은 부분은 이상 없음)";
}

}  // namespace

void TTesterToView::ResetReadStatistics() {
  FMaxReadSpeed = 0;
  FMinReadSpeed = 0;
  FReadSpeedSum = 0;
  FReadCount = 0;
  FLastReadPercent = -1;
  FVerifyTally.reset();
}

void TTesterToView::StartVerify(std::int32_t NeedToReadInMiB) {
  ResetReadStatistics();
  AddStringAtList("- " + FormatShortDateTime(FNow()) + "에 쓰기 후 검증 시작 -");
  Post([this, NeedToReadInMiB] {
    FView.SetProgress(0);
    RefreshReadLabelsNow(0, NeedToReadInMiB);
  });
}

void TTesterToView::RefreshReadLabelsNow(std::int32_t ReadInMiB, std::int32_t NeedToReadInMiB) {
  FView.SetCurrFileText(
      "현재 검증한 용량 : " + FormatFixed(ReadInMiB / 1024.0, 2, FDecimalSeparator) + "GiB / " +
      FormatFixed(NeedToReadInMiB / 1024.0, 2, FDecimalSeparator) + "GiB");
}

void TTesterToView::ApplyReadProgress(std::int32_t HostReadInMiB, std::int32_t NeedToReadInMiB,
                                      std::int32_t SpeedInMiB) {
  FMaxReadSpeed = std::max(FMaxReadSpeed, SpeedInMiB);
  if (SpeedInMiB < FMinReadSpeed || FMinReadSpeed == 0) {
    FMinReadSpeed = SpeedInMiB;
  }
  FReadSpeedSum += SpeedInMiB;
  ++FReadCount;
  const auto Percent =
      NeedToReadInMiB > 0
          ? static_cast<std::int32_t>(RoundHalfEven(static_cast<double>(HostReadInMiB) /
                                                    static_cast<double>(NeedToReadInMiB) * 100.0))
          : 100;
  // The read of a block lies where its write lay: both series share the horizontal axis.
  const double X = RoundHalfEven(GetRemainShare(HostReadInMiB) * 10000.0) / 100.0;
  // The speed label moves at the steps of the speed log, as it does for the writes.
  const double RemainPercent = GetRemainPercentByUnit(HostReadInMiB);
  const bool Step =
      FTestSetting.UnitSpeed == TUnitSpeed::TenPercent
          ? FLastReadPercent < 0 || std::fabs(FLastReadPercent - RemainPercent) >= 10.0
          : RemainPercent != FLastReadPercent;
  if (Step) {
    FLastReadPercent = RemainPercent;
  }
  FDispatcher->Queue([this, HostReadInMiB, NeedToReadInMiB, Percent, X, SpeedInMiB, Step] {
    FView.SetProgress(Percent);
    RefreshReadLabelsNow(HostReadInMiB, NeedToReadInMiB);
    FView.AddReadChartPoint(X, static_cast<double>(SpeedInMiB));
    if (Step) {
      FView.SetCurrSpdText("읽기 속도 : " + std::to_string(SpeedInMiB) + "MiB/s");
    }
  });
}

void TTesterToView::EndVerify(const TVerifyTally& Tally) {
  FVerifyTally = Tally;
  if (Tally.DamagedSectors() == 0 || FDamageShown) {
    return;
  }
  // Data that is not there is worth more than a line among many: the window says it once a run.
  FDamageShown = true;
  const std::string Text =
      "쓰기 후 검증에서 손상된 데이터를 찾았습니다.\n손상된 용량 : " +
      SizeText(Tally.DamagedSectors(), FDecimalSeparator) + " / " +
      SizeText(Tally.ReadSectors(), FDecimalSeparator) +
      "\n첫 손상 위치 : " + PlaceText(Tally.FirstDamage) +
      "\n사용 가능한 용량 : " + SizeText(Tally.UsableSectors(), FDecimalSeparator);
  FDispatcher->Queue([this, Text] { FView.ShowError(Text); });
}

void TTesterToView::PrintVerifyReport(const TVerifyTally& Tally,
                                      const std::function<void(std::string)>& Add) {
  const std::string& Separator = FDecimalSeparator;
  Add("- 쓰기 후 검증 -");
  Add("읽은 용량 : " + SizeText(Tally.ReadSectors(), Separator) + " / " +
      SizeText(Tally.WrittenSectors, Separator));
  Add("온전한 용량 : " + SizeText(Tally.IntactSectors, Separator));
  Add("바뀐 용량 (몇 비트) : " + DamageText(Tally.FewBitsSectors, Separator));
  Add("바뀐 용량 (많은 바이트) : " + DamageText(Tally.ManyBytesSectors, Separator));
  Add("덮어쓰인 용량 : " + DamageText(Tally.OverwrittenSectors, Separator));
  Add("읽지 못한 용량 : " + DamageText(Tally.UnreadableSectors, Separator));
  Add("첫 손상 위치 : " + PlaceText(Tally.FirstDamage));
  Add("사용 가능한 용량 : " + SizeText(Tally.UsableSectors(), Separator));
  Add("최대 읽기 속도 : " + std::to_string(FMaxReadSpeed) + "MiB/s");
  Add("최소 읽기 속도 : " + std::to_string(FMinReadSpeed) + "MiB/s");
  Add("평균 읽기 속도 : " + std::to_string(FReadCount > 0 ? FReadSpeedSum / FReadCount : 0) +
      "MiB/s");
  Add("읽기 시간 : " + FormatFixed(Tally.ReadSeconds, 3, Separator) + "초");
  Add("검증 결과 : " + VerdictText(Tally));
  Add(RuleLine);
}
