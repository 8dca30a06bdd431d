// The pass header, the rotation of the log lists, the summary and the error lines.
#include <string>

#include "analysis/Analysis.Pass.h"
#include "engine/FillTarget.h"
#include "report/Analysis.Report.h"
#include "report/Pass.Table.h"
#include "report/Tester.ToView.h"
#include "results/Chart.Phases.h"
#include "text/DateTime.Text.h"
#include "text/Escape.Control.h"
#include "text/Number.Text.h"
#include "text/Report.Rule.h"
#include "text/Text.Catalogue.h"
#include "text/Varnell.Identity.h"
#include "text/uDatasizeUnit.h"

namespace {

// Pass 1 and the latest nine: the table of an endless run stays one screen.
constexpr std::size_t PassTableRows = 10;

std::string Whole(double Value) {
  return std::to_string(static_cast<long long>(RoundHalfEven(Value)));
}

std::string Applied(bool Value) {
  return Value ? Localized("적용") : Localized("미적용");
}

std::string ErrorDescription(const TTesterError& Error) {
  if (Error.Operation == "WriteFile") {
    return Localized("파일에 쓰지 못해 테스트를 끝냈습니다.");
  }
  if (Error.Operation == "CreateFile") {
    return Localized("파일을 만들지 못해 테스트를 끝냈습니다.");
  }
  if (Error.Operation == "FlushFileBuffers") {
    return Localized("캐시에 쓴 데이터를 드라이브가 받지 못해 테스트를 끝냈습니다.");
  }
  if (Error.Operation == "OpenFile") {
    return Localized("검증할 파일을 열지 못해 테스트를 끝냈습니다.");
  }
  if (Error.Operation == "ReadFile") {
    return Localized("검증할 파일을 읽지 못해 테스트를 끝냈습니다.");
  }
  if (Error.Operation == "DeleteFile") {
    return Localized("테스트 파일을 지우지 못했습니다.");
  }
  if (Error.Operation == "OpenFolder") {
    return Localized("폴더를 열지 못해 테스트를 시작하지 않았습니다.");
  }
  if (Error.Operation == "Run") {
    return Localized("예기치 못한 오류로 테스트를 끝냈습니다.");
  }
  if (IsFolderInUse(Error)) {
    return Localized("다른 실행이 이 폴더를 쓰고 있어 테스트를 시작하지 않았습니다.");
  }
  return Localized("{0} 오류가 발생했습니다.", Error.Operation);
}

}  // namespace

void TTesterToView::DeleteLastLog() {
  const std::int32_t PinnedLogCountToDelete = FToDeleteLogCount;
  FDispatcher->Queue([this, PinnedLogCountToDelete] { FView.RotateLogs(PinnedLogCountToDelete); });
  FToDeleteLogCount = FLastLogCount;
  FLastLogCount = 0;
}

void TTesterToView::PrintInitialSetting(std::int32_t TestCount, std::int64_t FreeSizeInByte,
                                        std::int64_t TotalSizeInByte, std::int64_t ToFillInByte) {
  // The worker holds the folder and this pass writes: the run has started.
  if (!FOutputsStarted && ToFillInByte > 0 && !IsNoRoomTarget(ToFillInByte)) {
    StartOutputs();
  }
  ResetSpeedStatistics();
  ResetReadStatistics();
  DeleteLastLog();

  TDiskIdentity Disk = FDiskQuery(FTestSetting.DrivePath);
  // An unknown disk or size: the volume stands in, so the remaining share and the detailed
  // log stay meaningful and nothing divides by zero.
  if (Disk.SizeInByte <= 0) {
    Disk.SizeInByte = TotalSizeInByte;
  }
  FDiskSizeInMiB = Disk.SizeInByte >> 20;
  FOriginalFilledSpaceInMiB = FDiskSizeInMiB - (FreeSizeInByte >> 20);

  ClearSpeedSeries();
  FPassNumber = TestCount;
  if (ToFillInByte > 0) {
    // One record per 8 MiB write; reserved now so that the timed loop does not regrow it.
    FWrites.reserve(static_cast<std::size_t>(ToFillInByte / 8 + 1));
  }
  FStartTime = FNow();
  FPassStartIso = Platform::NowIso8601();
  FPassEnd = TPassEnd::Completed;
  // A pass that writes nothing (refused, no room) has no result to keep.
  FPassRecorded = ToFillInByte <= 0 || IsNoRoomTarget(ToFillInByte);
  PrintHeader(TestCount, FreeSizeInByte, TotalSizeInByte, ToFillInByte, Disk.Model);
  std::string Reason;
  if (ToFillInByte == InvalidFillTarget) {
    Reason = RefusalReason();
  } else if (IsNoRoomTarget(ToFillInByte)) {
    Reason = NoRoomReason(FreeSizeInByte);
  }
  if (!Reason.empty()) {
    AddStringAtList(Reason);
    Post([this, Reason] { FView.ShowRefusal(Reason); });
  }
}

void TTesterToView::PrintHeader(std::int32_t TestCount, std::int64_t FreeSizeInByte,
                                std::int64_t TotalSizeInByte, std::int64_t ToFillInByte,
                                const std::string& Model) {
  const auto Free = static_cast<double>(FreeSizeInByte);
  const auto Total = static_cast<double>(TotalSizeInByte);
  const auto DiskInMiB = static_cast<double>(FDiskSizeInMiB);
  const auto ToFill = static_cast<double>(ToFillInByte);

  AddStringAtList(RuleLine);
  AddStringAtList(std::string(VarnellIdentity::ProductName) + " " +
                  VarnellIdentity::ProductVersion);
  AddStringAtList(Localized("제작자 : {0}", VarnellIdentity::MakerName));
  AddStringAtList(Localized("출처 : Moravi({0})", VarnellIdentity::CommunityAddress));
  AddStringAtList(Localized("테스트 일시 : {0}", FormatDateTimeToMinute(FStartTime)));
  AddStringAtList(Localized("테스트 회차 : {0}", std::to_string(TestCount)));
  AddStringAtList(RuleLine);
  AddStringAtList(Localized("- 테스트 드라이브 상세 -"));
  AddStringAtList(Localized("모델명 : {0}", EscapeControlCharacters(Model)));
  AddStringAtList(Localized("드라이브 : {0}", EscapeControlCharacters(FTestSetting.DrivePath)));
  AddStringAtList(Localized("전체 용량 : {0}GB", Whole(DiskInMiB * 1.024 * 1.024 / 1000)));
  AddStringAtList("");
  AddStringAtList(Localized("- 드라이브 내 테스트 구간 -"));
  AddStringAtList(Localized("테스트 구간 : {0}GB ~ {1}GB", Whole(Free / 1000 / 1000 / 1000),
                            Whole((Free / 1000 / 1000 - ToFill * 1.024 * 1.024) / 1000)));
  AddStringAtList(Localized("파티션 용량 : {0}GB", Whole(Total / 1000 / 1000 / 1000)));
  AddStringAtList("");
  AddStringAtList(Localized("- 모드 적용 사항 -"));
  AddStringAtList(Localized("윈도 캐시 효과 : {0}", Applied(FTestSetting.NeedCache)));
  AddStringAtList(Localized("무한 반복 : {0}", Applied(FTestSetting.InfiniteRepetition)));
  // Named only when on: without it the header stays as it always was.
  if (FTestSetting.NeedVerify) {
    AddStringAtList(Localized("쓰기 후 검증 : {0}", Applied(true)));
  }
  AddStringAtList(RuleLine);
}

std::string TTesterToView::RefusalReason() const {
  switch (FTestSetting.ToLeftUnit) {
    case TLeftUnit::LeaveByPercent:
      if (FTestSetting.ToLeft > 100) {
        return Localized("- 잘못된 설정 : 남길 용량 {0}%가 100%를 넘습니다 -",
                         std::to_string(FTestSetting.ToLeft));
      }
      [[fallthrough]];
    case TLeftUnit::LeaveByGiB:
    case TLeftUnit::LeaveByMiB:
      return Localized("- 잘못된 설정 : 빈 공간이 남길 용량과 같아 채울 공간이 없습니다 -");
  }
  return Localized("- 잘못된 설정 : 남길 용량의 단위를 알 수 없습니다 -");
}

std::string TTesterToView::NoRoomReason(std::int64_t FreeSizeInByte) const {
  // In the units the user chose, so that the two figures can be compared at a glance.
  std::string Leave = std::to_string(FTestSetting.ToLeft);
  switch (FTestSetting.ToLeftUnit) {
    case TLeftUnit::LeaveByGiB:
      Leave += "GiB";
      break;
    case TLeftUnit::LeaveByMiB:
      Leave += "MiB";
      break;
    case TLeftUnit::LeaveByPercent:
      Leave += "%";
      break;
  }
  return Localized("- 채울 공간 없음 : 빈 공간 {0}MiB, 남길 용량 {1} -",
                   std::to_string(FreeSizeInByte >> 20), Leave);
}

double TTesterToView::GetSlowPercent() const {
  const std::int32_t HalfOfAverage = GetHalfOfAverage();
  // A sequential count: the list is a few hundred thousand entries at most, well under a
  // millisecond, and the pass has ended.
  std::int64_t ResultInCount = 0;
  for (const TWriteRecord& Write : FWrites) {
    if (Write.SpeedInMiB < HalfOfAverage) {
      ++ResultInCount;
    }
  }
  const std::int32_t Count = FSpeedSum.Read().Count;
  if (Count == 0) {
    return 0.0;
  }
  return static_cast<double>(ResultInCount) / static_cast<double>(Count) * 100.0;
}

void TTesterToView::EndTest(double TestStartTime, std::uint64_t TestHostWriteInMiB) {
  const double SlowPercent = GetSlowPercent();
  if (FSpeedSum.Read().Count == 0) {
    return;
  }
  if (FWritesCsv && !FWritesCsv->Flush()) {
    ShowWritesCsvError();
  }
  // Here on the worker, not in the GUI thread's turn: a long pass takes a while to analyse.
  TPassAnalysis Analysis = AnalysePass(FWrites, FTestSetting.NeedCache);
  const std::vector<std::string> AnalysisLines = AnalysisReportLines(Analysis, FDecimalSeparator);
  std::vector<TChartPhase> Phases = ChartPhases(FWrites, Analysis);
  RecordPass(MakePassResult(SlowPercent, std::move(Analysis)));
  // An endurance run shows how every pass so far compares with the first.
  std::vector<std::string> PassTable;
  if (FTestSetting.InfiniteRepetition && FRun.Run().Passes.size() >= 2) {
    PassTable = PassTableLines(FRun.Run().Passes, FDecimalSeparator, PassTableRows);
  }
  // The summary states the figures the result keeps, so the two never differ.
  const TPassResult& Pass = FRun.Run().Passes.back();
  FDispatcher->Sync([&] {
    RefreshHorizontalLineNow(true);
    if (!Phases.empty()) {
      FView.ShowChartPhases(Phases);
    }
    PrintSummary(TestStartTime, TestHostWriteInMiB, Pass, AnalysisLines, PassTable);
  });
  SaveResultFile();
}

void TTesterToView::PrintSummary(double TestStartTime, std::uint64_t TestHostWriteInMiB,
                                 const TPassResult& Pass,
                                 const std::vector<std::string>& AnalysisLines,
                                 const std::vector<std::string>& PassTable) {
  // On the GUI thread while the worker waits: the lines go out at once, in order.
  const auto Add = [this](const std::string& Line) {
    AddLineNow(Line);
    ++FLastLogCount;
  };
  const double EndTime = FNow();

  Add(RuleLine);
  Add(Localized("종료 시간 : {0}", FormatDateTimeToMinute(EndTime)));
  Add(Localized("테스트 시간 : {0}", FormatDurationTimeOfDay(EndTime - FStartTime)));
  if (TestStartTime > 0) {
    Add(Localized("전체 테스트 시간 : {0}", FormatDurationWithDays(EndTime - TestStartTime)));
  }
  if (TestHostWriteInMiB != 0) {
    Add(Localized("전체 호스트 쓰기 : {0}",
                  FormatDatasize({TKUnit::KUnit1024, 0}, static_cast<double>(TestHostWriteInMiB),
                                 FDecimalSeparator)));
  }
  Add(RuleLine);
  Add(Localized("최대 속도 : {0}MiB/s", std::to_string(Pass.MaxSpeed)));
  Add(Localized("최소 속도 : {0}MiB/s", std::to_string(Pass.MinSpeed)));
  Add(Localized("평균 속도 : {0}MiB/s", std::to_string(Pass.MeanSpeed)));
  Add(Localized("평균 속도 50% 미만 구간 : {0}%",
                FormatFixed(Pass.SlowSharePct, 1, FDecimalSeparator)));
  Add(RuleLine);
  // What the read-back found belongs to the pass's own figures; the analysis comes after.
  if (FVerifyTally) {
    PrintVerifyReport(*FVerifyTally, Add);
  }
  for (const std::string& Line : AnalysisLines) {
    Add(Line);
  }
  for (const std::string& Line : PassTable) {
    Add(Line);
  }
}

void TTesterToView::PrintError(const TTesterError& Error) {
  const std::string Code = std::to_string(Error.Code);
  const std::string SystemText = EscapeControlCharacters(Error.SystemText);
  const std::string When = FormatShortDateTime(FNow());
  std::string Line;
  std::string Text = ErrorDescription(Error) + "\n";
  if (Error.Path.empty()) {
    Line = Localized("- {0}에 오류 : {1} 실패, 코드 {2} ({3}) -", When, Error.Operation, Code,
                     SystemText);
  } else {
    const std::string Path = EscapeControlCharacters(Error.Path);
    Line = Localized("- {0}에 오류 : {1} 실패, 코드 {2} ({3}), 파일 : {4} -", When, Error.Operation,
                     Code, SystemText, Path);
    Text += Localized("파일 : {0}", Path) + "\n";
  }
  Text += Localized("{0} (코드 {1})", SystemText, Code);
  AddStringAtList(Line);
  FDispatcher->Queue([this, Text] { FView.ShowError(Text); });
  // Every error but a file left undeleted ends the pass: it goes into the result as failed.
  if (!FPassRecorded && Error.Operation != "DeleteFile") {
    FPassEnd = TPassEnd::Failed;
    TPassResult Pass =
        MakePassResult(GetSlowPercent(), AnalysePass(FWrites, FTestSetting.NeedCache));
    Pass.Error = TPassError{Error.Operation, Error.Path, Error.Code, Error.SystemText};
    RecordPass(std::move(Pass));
    SaveResultFile();
  }
}

void TTesterToView::PrintLeftoverFiles(std::int32_t Count, std::int64_t SizeInByte) {
  AddStringAtList(Localized(
      "- 이전에 남은 테스트 파일 {0}개({1})는 지우지 않습니다 -", std::to_string(Count),
      FormatDatasize({TKUnit::KUnit1024, 0}, static_cast<double>(SizeInByte) / (1024.0 * 1024.0),
                     FDecimalSeparator)));
}

void TTesterToView::PrintReplacedFile(const std::string& Path) {
  AddStringAtList(Localized("- 다른 파일로 바뀌어 지우지 않음 : {0} -", Path));
}
