// The run's result: each pass's figures as the summary states them, kept for the per-pass
// table, the result file and the window.
#include <memory>
#include <utility>

#include "engine/Tester.FileName.h"
#include "engine/Verify.Stamp.h"
#include "report/Tester.ToView.h"
#include "results/Run.Json.h"
#include "text/Varnell.Identity.h"

TDriveIdentity TTesterToView::DefaultIdentify(const std::string& Folder) {
  return IdentifyDriveOf(Folder);
}

TPassVerifyResult TTesterToView::VerifyResult(const TVerifyTally& Tally) const {
  const auto MiBOf = [](std::int64_t Sectors) {
    return static_cast<double>(Sectors) * static_cast<double>(SectorBytes) / (1024.0 * 1024.0);
  };
  TPassVerifyResult Verify;
  Verify.ReadMiB = MiBOf(Tally.ReadSectors());
  Verify.IntactMiB = MiBOf(Tally.IntactSectors);
  Verify.ChangedMiB = MiBOf(Tally.FewBitsSectors + Tally.ManyBytesSectors);
  Verify.OverwrittenMiB = MiBOf(Tally.OverwrittenSectors);
  Verify.UnreadableMiB = MiBOf(Tally.UnreadableSectors);
  Verify.UsableMiB = MiBOf(Tally.UsableSectors());
  if (const auto Stored = Tally.StoredSectors()) {
    Verify.StoredMiB = MiBOf(*Stored);
  }
  // As the report's lines: the reads' speeds, the mean truncated.
  Verify.Complete = Tally.Complete();
  Verify.ReadMaxSpeed = FMaxReadSpeed;
  Verify.ReadMinSpeed = FMinReadSpeed;
  Verify.ReadMeanSpeed = FReadCount > 0 ? static_cast<double>(FReadSpeedSum / FReadCount) : 0.0;
  if (Tally.FirstDamage) {
    Verify.FirstDamagedFile = TestFileName(Tally.FirstDamage->File);
    Verify.FirstDamagedOffset = Tally.FirstDamage->Offset;
  }
  return Verify;
}

TPassResult TTesterToView::MakePassResult(double SlowPercent, TPassAnalysis Analysis) const {
  const TSpeedSum::TSnapshot Sum = FSpeedSum.Read();
  TPassResult Pass;
  Pass.Number = FPassNumber;
  Pass.StartTime = FPassStartIso;
  Pass.Writes = static_cast<std::int32_t>(FWrites.size());
  Pass.WrittenMiB = FWrites.empty() ? 0 : FWrites.back().WrittenInMiB;
  Pass.MaxSpeed = FMaxSpeed;
  Pass.MinSpeed = FMinSpeed;
  Pass.MeanSpeed = Sum.Count == 0
                       ? 0
                       : static_cast<std::int64_t>(Sum.Sum / static_cast<std::uint64_t>(Sum.Count));
  Pass.SlowSharePct = SlowPercent;
  Pass.Analysis = std::move(Analysis);
  if (FVerifyTally) {
    Pass.Verify = VerifyResult(*FVerifyTally);
  }
  Pass.End = FPassEnd;
  Pass.WriteSeconds.reserve(FWrites.size());
  for (std::size_t Index = 0; Index < FWrites.size(); ++Index) {
    Pass.WriteSeconds.push_back(FWrites[Index].Seconds);
    if (FWrites[Index].CloseSeconds > 0.0) {
      Pass.Closes.push_back({static_cast<std::int32_t>(Index), FWrites[Index].CloseSeconds});
    }
  }
  if (!FWrites.empty()) {
    Pass.RemainPctFirst = FWrites.front().RemainPercent;
    Pass.RemainPctLast = FWrites.back().RemainPercent;
  }
  return Pass;
}

void TTesterToView::RecordPass(TPassResult Pass) {
  FPassRecorded = true;
  if (!FDriveIdentified) {
    // Once, after the first pass's writes: never before a timed write.
    FDriveIdentified = true;
    TRunResult& Header = FRun.Header();
    Header.Version = VarnellIdentity::ProductVersion;
    Header.Setting = FTestSetting;
    Header.Verify = FTestSetting.NeedVerify;
    Header.Drive = FIdentify(FTestSetting.DrivePath);
  }
  FRun.Add(std::move(Pass));
  // The window's copy: it may save the run at any time, while the worker goes on.
  Post([this, Run = std::make_shared<const TRunResult>(FRun.Run())] { FView.SetRunResult(Run); });
}

void TTesterToView::SaveResultFile() {
  if (!FResultFile) {
    return;
  }
  const std::string Text = RunResultToJson(FRun.Run()).dump() + "\n";
  if (FResultFile->Replace(Text.data(), Text.size())) {
    FResultSaved = true;
  } else if (!FResultErrorShown) {
    FResultErrorShown = true;
    FDispatcher->Queue([this, Path = Platform::FullPath(FTestSetting.ResultJsonPath),
                        Code = FResultFile->WriteError()] {
      FView.ShowLogError(Path, Code, Platform::SystemErrorText(Code));
    });
  }
}
