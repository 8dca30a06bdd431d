// The read-back of a pass (verification): its progress, its chart series and its report lines.
#include <cmath>
#include <string>

#include "engine/Tester.FileName.h"
#include "engine/Verify.Stamp.h"
#include "report/Tester.ToView.h"
#include "text/DateTime.Text.h"
#include "text/Number.Text.h"
#include "text/Report.Rule.h"
#include "text/Text.Catalogue.h"

namespace {

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
  if (Sectors == 0) {
    return SizeText(Sectors, Separator);
  }
  return Localized("{0} ({1}섹터)", SizeText(Sectors, Separator), std::to_string(Sectors));
}

std::string PlaceText(const std::optional<TDamagePlace>& Place) {
  if (!Place) {
    return Localized("없음");
  }
  return Localized("{0}, {1}바이트 지점", TestFileName(Place->File), std::to_string(Place->Offset));
}

// A size as a drive's label gives it: whole MiB below a GiB, GiB with a decimal when needed.
std::string LabelSizeText(double MiB, const std::string& Separator) {
  if (MiB < 1024.0) {
    return std::to_string(static_cast<long long>(RoundHalfEven(MiB))) + "MiB";
  }
  const std::string GiB = FormatFixed(MiB / 1024.0, 1, Separator);
  const std::string Zero = Separator + "0";
  return (GiB.ends_with(Zero) ? GiB.substr(0, GiB.size() - Zero.size()) : GiB) + "GiB";
}

std::string VerdictText(const TVerifyTally& Tally) {
  if (Tally.DamagedSectors() > 0) {
    return Tally.Complete() ? Localized("손상 있음") : Localized("손상 있음 (검증 중단)");
  }
  return Tally.Complete() ? Localized("이상 없음") : Localized("중단 (읽은 부분은 이상 없음)");
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
  AddStringAtList(Localized("- {0}에 쓰기 후 검증 시작 -", FormatShortDateTime(FNow())));
  Post([this, NeedToReadInMiB] {
    FView.SetProgress(0);
    RefreshReadLabelsNow(0, NeedToReadInMiB);
  });
}

void TTesterToView::RefreshReadLabelsNow(std::int32_t ReadInMiB, std::int32_t NeedToReadInMiB) {
  FView.SetCurrFileText(Localized("현재 검증한 용량 : {0}GiB / {1}GiB",
                                  FormatFixed(ReadInMiB / 1024.0, 2, FDecimalSeparator),
                                  FormatFixed(NeedToReadInMiB / 1024.0, 2, FDecimalSeparator)));
}

void TTesterToView::ApplyReadProgress(std::int32_t HostReadInMiB, std::int32_t NeedToReadInMiB,
                                      std::int32_t SpeedInMiB, double Seconds) {
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
  const double RemainShare = GetRemainShare(HostReadInMiB);
  const double X = RoundHalfEven(RemainShare * 10000.0) / 100.0;
  if (FWritesCsv) {
    TWriteRecord Read;
    Read.WrittenInMiB = HostReadInMiB;
    Read.SpeedInMiB = SpeedInMiB;
    Read.Seconds = Seconds;
    Read.RemainPercent = RemainShare * 100.0;
    if (!FWritesCsv->AppendRead(FPassNumber, Read)) {
      ShowWritesCsvError();
    }
  }
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
      FView.SetCurrSpdText(Localized("읽기 속도 : {0}MiB/s", std::to_string(SpeedInMiB)));
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
  // A fake drive's real size leads: it is what the user needs to know about it.
  const std::string Stored = StoredText(Tally);
  const std::string Text =
      (Stored.empty() ? std::string() : Stored + "\n") +
      Localized("쓰기 후 검증에서 손상된 데이터를 찾았습니다.") + "\n" +
      Localized("손상된 용량 : {0} / {1}", SizeText(Tally.DamagedSectors(), FDecimalSeparator),
                SizeText(Tally.ReadSectors(), FDecimalSeparator)) +
      "\n" + Localized("첫 손상 위치 : {0}", PlaceText(Tally.FirstDamage)) + "\n" +
      Localized("사용 가능한 용량 : {0}", SizeText(Tally.UsableSectors(), FDecimalSeparator));
  FDispatcher->Queue([this, Text] { FView.ShowError(Text); });
}

std::string TTesterToView::StoredText(const TVerifyTally& Tally) const {
  const std::optional<std::int64_t> Stored = Tally.StoredSectors();
  if (!Stored) {
    return {};
  }
  return Localized("표시 용량 {0}, 실제로 저장된 데이터 약 {1}",
                   LabelSizeText(static_cast<double>(FDiskSizeInMiB), FDecimalSeparator),
                   LabelSizeText(static_cast<double>(*Stored) / SectorsPerMiB, FDecimalSeparator));
}

void TTesterToView::PrintVerifyReport(const TVerifyTally& Tally,
                                      const std::function<void(std::string)>& Add) {
  const std::string& Separator = FDecimalSeparator;
  Add(Localized("- 쓰기 후 검증 -"));
  Add(Localized("읽은 용량 : {0} / {1}", SizeText(Tally.ReadSectors(), Separator),
                SizeText(Tally.WrittenSectors, Separator)));
  Add(Localized("온전한 용량 : {0}", SizeText(Tally.IntactSectors, Separator)));
  Add(Localized("바뀐 용량 (몇 비트) : {0}", DamageText(Tally.FewBitsSectors, Separator)));
  Add(Localized("바뀐 용량 (많은 바이트) : {0}", DamageText(Tally.ManyBytesSectors, Separator)));
  Add(Localized("덮어쓰인 용량 : {0}", DamageText(Tally.OverwrittenSectors, Separator)));
  Add(Localized("읽지 못한 용량 : {0}", DamageText(Tally.UnreadableSectors, Separator)));
  Add(Localized("첫 손상 위치 : {0}", PlaceText(Tally.FirstDamage)));
  Add(Localized("사용 가능한 용량 : {0}", SizeText(Tally.UsableSectors(), Separator)));
  if (const std::string Stored = StoredText(Tally); !Stored.empty()) {
    Add(Stored);
  }
  Add(Localized("최대 읽기 속도 : {0}MiB/s", std::to_string(FMaxReadSpeed)));
  Add(Localized("최소 읽기 속도 : {0}MiB/s", std::to_string(FMinReadSpeed)));
  Add(Localized("평균 읽기 속도 : {0}MiB/s",
                std::to_string(FReadCount > 0 ? FReadSpeedSum / FReadCount : 0)));
  Add(Localized("읽기 시간 : {0}초", FormatFixed(Tally.ReadSeconds, 3, Separator)));
  Add(Localized("검증 결과 : {0}", VerdictText(Tally)));
  Add(RuleLine);
}
