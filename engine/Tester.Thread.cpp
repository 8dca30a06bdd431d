#include "engine/Tester.Thread.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <exception>
#include <limits>
#include <stdexcept>

#include "engine/FillTarget.h"
#include "engine/Tester.FileName.h"
#include "platform/Platform.Locale.h"

namespace {

// The drive's temperature is read at most this often, between two timed writes.
constexpr std::int64_t TemperatureIntervalMs = 250;

// Whole MiB/s of one write, halves to the even neighbour; a write too fast for the clock
// to see counts as the largest speed there is instead of dividing by zero.
std::int32_t SpeedInMiB(std::int32_t BufferMiB, double Seconds) {
  constexpr double Max = std::numeric_limits<std::int32_t>::max();
  if (!(Seconds > 0.0)) {
    return std::numeric_limits<std::int32_t>::max();
  }
  const double Speed = std::nearbyint(BufferMiB / Seconds);
  return Speed >= Max ? std::numeric_limits<std::int32_t>::max() : static_cast<std::int32_t>(Speed);
}

}  // namespace

TTesterThread::TTesterThread(const TSetting& TestSetting, std::unique_ptr<TTesterPresenter> ToView,
                             std::shared_ptr<TTesterPlatform> System,
                             std::function<void()> OnFinished, TTemperatureFinder FindTemperature)
    : FSystem(System ? std::move(System) : Platform::MakeTesterPlatform()),
      FTestSetting(TestSetting),
      FToView(std::move(ToView)),
      FOnFinished(std::move(OnFinished)),
      FFindTemperature(std::move(FindTemperature)) {
  if (!FToView) {
    throw std::invalid_argument("TTesterThread needs a presenter");
  }
  std::int64_t Counter = FSystem->PerformanceCounter();
  if (Counter <= 0) {
    Counter = FSystem->TickCount();
  }
  FRandomBuffer = std::make_unique<TRandomBuffer>(static_cast<std::uint32_t>(Counter));
  FThread = std::jthread([this](std::stop_token StopToken) { Execute(std::move(StopToken)); });
}

TTesterThread::~TTesterThread() {
  if (FThread.joinable()) {
    FThread.request_stop();
    FThread.join();
  }
  FToView.reset();
  FRandomBuffer.reset();
}

void TTesterThread::ToggleIdle() {
  bool Idle = FIdle.load();
  while (!FIdle.compare_exchange_weak(Idle, !Idle)) {
  }
}

void TTesterThread::Terminate() {
  FThread.request_stop();
}

bool TTesterThread::IsFinished() const {
  return FFinished.load(std::memory_order_acquire);
}

bool TTesterThread::WaitFor(std::chrono::milliseconds Timeout) {
  std::unique_lock Lock(FFinishedMutex);
  return FFinishedChanged.wait_for(Lock, Timeout, [this] { return IsFinished(); });
}

std::optional<TTesterError> TTesterThread::Error() const {
  if (!IsFinished()) {
    return std::nullopt;
  }
  return FError;
}

std::vector<TTesterError> TTesterThread::DeleteErrors() const {
  if (!IsFinished()) {
    return {};
  }
  return FDeleteErrors;
}

bool TTesterThread::DataDamaged() const {
  return IsFinished() && FDataDamaged;
}

void TTesterThread::Execute(std::stop_token StopToken) {
  FStopToken = std::move(StopToken);
  try {
    Run();
  } catch (const std::exception& Unexpected) {
    // Not an operating-system error (the presenter failed, or memory ran out): it ends the run
    // as a failed write does, so that it is told and the files go when asked.
    EndRunWithError(UnexpectedError(Unexpected.what()));
  } catch (...) {
    EndRunWithError(UnexpectedError("unknown exception"));
  }
  Finish();
}

void TTesterThread::Run() {
  try {
    OpenTestFolder();
    InitializeTest();
    do {
      PrepareTest();
      FillDrive();
      CloseTest();
      WaitAfterNoRoom();
    } while (FTestSetting.InfiniteRepetition && !Terminated());
  } catch (const TInvalidSetting&) {
    DeleteTestFiles();
  } catch (const TPassFailure& Failure) {
    EndRunWithError(Failure.Error);
    return;
  }
  FToView->HideButtons();
}

void TTesterThread::OpenTestFolder() {
  const TOpenedFolder Opened = FSystem->OpenFolder(FTestSetting.DrivePath);
  if (Opened.Handle == NoFolder) {
    throw TPassFailure{SystemError(Opened.InUse ? "LockFolder" : "OpenFolder",
                                   FTestSetting.DrivePath, Opened.Error)};
  }
  FFolder = Opened.Handle;
  FindLeftoverFiles();
}

void TTesterThread::FindLeftoverFiles() {
  // A folder that cannot be listed (write and search permission only) still takes a run; its
  // earlier files just go unnamed.
  const TFolderListing Listing = FSystem->ListFiles(FFolder, TestFilePrefix);
  for (const TFolderFile& File : Listing.Files) {
    if (IsTestFileName(File.Name)) {
      ++FLeftoverCount;
      FLeftoverBytes += File.Size;
    }
  }
}

void TTesterThread::InitializeTest() {
  if (!FRandomBuffer->CreateBuffer(BufferKiB) || !FRandomBuffer->FillBuffer(100)) {
    throw TPassFailure{SystemError("CreateBuffer", "", ENOMEM)};
  }
  FFrequency = FSystem->PerformanceFrequency();
  if (FFrequency <= 0) {
    FFrequency = 1;
  }
  FCurrentTestCount = 1;
  FTestStartTime = FSystem->Now();
  FTestHostWriteInMiB = 0;
  if (FTestSetting.NeedVerify) {
    const auto Length = static_cast<std::size_t>(FRandomBuffer->GetLength());
    if (!FWriteBuffer.Allocate(Length) || !FReadBuffer.Allocate(Length)) {
      throw TPassFailure{SystemError("CreateBuffer", "", ENOMEM)};
    }
    std::memcpy(FWriteBuffer.Data(), FRandomBuffer->GetRawBuffer(), Length);
    // Drawn after the block, which stays the one an unverified run with this seed writes.
    const std::uint64_t High = FRandomBuffer->genrand_int32();
    FWritten = {FRandomBuffer->GetRawBuffer(), Length, High << 32 | FRandomBuffer->genrand_int32(),
                0};
  }
}

void TTesterThread::PrepareTest() {
  FCancelTold = false;
  SetNeedToFillInMiB();
  SetMinFileNumber();
  // A sector left on the drive by an earlier pass cannot pass for one of this pass.
  ++FWritten.Pass;
}

void TTesterThread::SetNeedToFillInMiB() {
  FNeedToFillInMiB = CalculateNeedToFillInMiB();
  if (FNeedToFillInMiB == InvalidFillTarget) {
    throw TInvalidSetting{};
  }
}

std::int32_t TTesterThread::CalculateNeedToFillInMiB() {
  const TVolumeSpace Space = FSystem->VolumeSpace(FTestSetting.DrivePath);
  if (Space.Error != 0) {
    throw TPassFailure{SystemError("GetDiskFreeSpace", FTestSetting.DrivePath, Space.Error)};
  }
  const TFillTarget Target =
      CalculateFillTarget(Space.FreeBytes, Space.TotalBytes, FTestSetting.ToLeft,
                          FTestSetting.ToLeftUnit, FRandomBuffer->GetLength() >> 20);
  // A repeating run without room would print the same header and reason every second until
  // room appears: the streak's first pass speaks for it, the others are quiet. A quiet pass
  // is not counted either, so that the passes the report shows are numbered without gaps.
  const bool NoRoom = IsNoRoomTarget(Target.InMiB);
  FQuietPass = NoRoom && FNoRoomStreak;
  FNoRoomStreak = NoRoom;
  if (!FQuietPass) {
    FToView->PrintInitialSetting(FCurrentTestCount, Space.FreeBytes, Space.TotalBytes,
                                 Target.ReportedInMiB);
  }
  if (FLeftoverCount > 0) {
    FToView->PrintLeftoverFiles(FLeftoverCount, FLeftoverBytes);
    FLeftoverCount = 0;
  }
  return Target.InMiB;
}

void TTesterThread::SetMinFileNumber() {
  FMinFileNumber = 0;
  // Any name that is taken (a file, a link, a folder, one the system will not tell of) is
  // stepped past: only a free name can become this pass's file.
  while (FMinFileNumber < std::numeric_limits<std::int32_t>::max() &&
         FSystem->LookUp(FFolder, TestFileName(FMinFileNumber)).Kind != TNameKind::Missing) {
    ++FMinFileNumber;
  }
  FOwnFiles.clear();
}

void TTesterThread::FillDrive() {
  std::int32_t Remaining = FNeedToFillInMiB;
  const std::int32_t BufferMiB = FRandomBuffer->GetLength() >> 20;
  std::int32_t Written = 0;
  FPassWrittenInMiB = 0;
  FTemperature = FFindTemperature ? FFindTemperature(FTestSetting.DrivePath) : TTemperatureReader();
  FLastTemperature.reset();
  FTemperatureRead = false;
  while (BufferMiB <= Remaining) {
    OpenFileIfNeeded(Written);
    if (FTestSetting.NeedVerify) {
      PrepareWriteBuffer(Written);
    }
    const std::optional<float> Temperature = ReadTemperatureBetweenWrites();
    const double Seconds = WriteAndMeasure();
    FPassWrittenInMiB = Written + BufferMiB;
    Remaining -= BufferMiB;
    Written += BufferMiB;
    FToView->ApplyWriteTime(Seconds, Temperature);
    FToView->ApplyProgress(Written, FNeedToFillInMiB, SpeedInMiB(BufferMiB, Seconds));
    if (FIdle.load()) {
      WaitWhileIdle();
    }
    if (Terminated()) {
      if (BufferMiB <= Remaining) {
        TellPassCancelled();
      }
      break;
    }
  }
  FTestHostWriteInMiB += static_cast<std::uint64_t>(Written);
}

void TTesterThread::OpenFileIfNeeded(std::int32_t HostWriteInMiB) {
  if (HostWriteInMiB % FileMiB != 0) {
    return;
  }
  CloseFile(true);
  const std::int32_t Number = FMinFileNumber + HostWriteInMiB / FileMiB;
  const std::string Name = TestFileName(Number);
  FFilePath = FTestSetting.DrivePath + Name;
  // A taken name or a refused open ends the pass here; nothing is written to a bad handle.
  const TCreatedFile Created = FSystem->CreateNewFile(FFolder, Name, !FTestSetting.NeedCache);
  if (Created.Handle == NoFile) {
    throw TPassFailure{SystemError("CreateFile", FFilePath, Created.Error)};
  }
  FFileHandle = Created.Handle;
  FOwnFiles.push_back({Number, Created.Identity});
}

double TTesterThread::WriteAndMeasure() {
  const std::byte* Data =
      FTestSetting.NeedVerify ? FWriteBuffer.Data() : FRandomBuffer->GetRawBuffer();
  const auto Length = static_cast<std::size_t>(FRandomBuffer->GetLength());
  const std::int64_t Start = FSystem->PerformanceCounter();
  const int Code = FSystem->WriteAll(FFileHandle, Data, Length);
  const std::int64_t End = FSystem->PerformanceCounter();
  if (Code != 0) {
    throw TPassFailure{SystemError("WriteFile", FFilePath, Code)};
  }
  return Seconds(Start, End);
}

double TTesterThread::Seconds(std::int64_t Start, std::int64_t End) const {
  return static_cast<double>(End - Start) / static_cast<double>(FFrequency);
}

void TTesterThread::PrepareWriteBuffer(std::int32_t HostWriteInMiB) {
  // Outside the timed write: only the stamps change, a few bytes of every sector.
  StampBlock(FWriteBuffer.Data(), FWriteBuffer.Length(), FWritten.Run, FWritten.Pass,
             FMinFileNumber + HostWriteInMiB / FileMiB,
             std::int64_t{HostWriteInMiB % FileMiB} << 20);
}

void TTesterThread::VerifyDrive() {
  FTally = {};
  FTally.WrittenSectors = (std::int64_t{FPassWrittenInMiB} << 20) / SectorBytes;
  FToView->StartVerify(FPassWrittenInMiB);
  for (std::size_t Index = 0; Index < FOwnFiles.size(); ++Index) {
    if (!VerifyFile(Index)) {
      // A pass whose read-back was cut short is no completed pass.
      TellPassCancelled();
      break;
    }
  }
  FDataDamaged = FDataDamaged || FTally.DamagedSectors() > 0;
  FToView->EndVerify(FTally);
}

bool TTesterThread::VerifyFile(std::size_t Index) {
  const TOwnFile& File = FOwnFiles[Index];
  const std::int64_t FileStart = static_cast<std::int64_t>(Index) * FileMiB;
  const std::int64_t Bytes = std::min<std::int64_t>(FileMiB, FPassWrittenInMiB - FileStart) << 20;
  const std::string Name = TestFileName(File.Number);
  FFilePath = FTestSetting.DrivePath + Name;
  const TOpenedForRead Opened = FSystem->OpenForRead(FFolder, Name, !FTestSetting.NeedCache);
  if (Opened.Handle == NoFile && !Opened.Missing) {
    throw TPassFailure{SystemError("OpenFile", FFilePath, Opened.Error)};
  }
  if (Opened.Handle == NoFile || Opened.Identity != File.Identity) {
    // Gone, or the name means another file now: nothing this pass wrote there can be read back.
    if (Opened.Handle != NoFile) {
      FSystem->CloseFile(Opened.Handle);
    }
    for (std::int64_t Offset = 0; Offset < Bytes; Offset += SectorBytes) {
      FTally.Add(TSectorState::Unreadable, {File.Number, Offset, (FileStart << 20) + Offset});
    }
    return true;
  }
  FFileHandle = Opened.Handle;
  const std::int64_t Block = FRandomBuffer->GetLength();
  for (std::int64_t Offset = 0; Offset < Bytes; Offset += Block) {
    const double Seconds = ReadAndCheck(File.Number, Offset, (FileStart << 20) + Offset);
    FTally.ReadSeconds += Seconds;
    const auto ReadInMiB = static_cast<std::int32_t>(FTally.ReadSectors() * SectorBytes >> 20);
    FToView->ApplyReadProgress(ReadInMiB, FPassWrittenInMiB,
                               SpeedInMiB(static_cast<std::int32_t>(Block >> 20), Seconds),
                               Seconds);
    if (FIdle.load()) {
      WaitWhileIdle();
    }
    if (Terminated()) {
      CloseFile(false);
      return false;
    }
  }
  CloseFile(false);
  return true;
}

double TTesterThread::ReadAndCheck(std::int32_t FileNumber, std::int64_t Offset,
                                   std::int64_t PassOffset) {
  const std::size_t Length = FReadBuffer.Length();
  const std::int64_t Start = FSystem->PerformanceCounter();
  const TReadResult Read = FSystem->ReadAt(FFileHandle, Offset, FReadBuffer.Data(), Length);
  const double Taken = Seconds(Start, FSystem->PerformanceCounter());
  if (Read.Error != 0 && !Read.BadSector) {
    throw TPassFailure{SystemError("ReadFile", FFilePath, Read.Error)};
  }
  if (Read.Error == 0 && Read.Count == Length) {
    CheckSectors(FReadBuffer.Data(), Length, FWritten, FileNumber, Offset, PassOffset, FTally);
    return Taken;
  }
  // A sector the drive cannot read, or a file shorter than written: sector by sector, so that
  // every sector that can be read is still checked.
  return Taken + ReadSectorBySector(FileNumber, Offset, PassOffset);
}

double TTesterThread::ReadSectorBySector(std::int32_t FileNumber, std::int64_t Offset,
                                         std::int64_t PassOffset) {
  double Taken = 0;
  for (std::size_t At = 0; At < FReadBuffer.Length(); At += SectorBytes) {
    // A failing drive can take seconds for each sector: a cancel must not wait for all of them.
    if (Terminated()) {
      break;
    }
    const auto Step = static_cast<std::int64_t>(At);
    std::byte* Sector = FReadBuffer.Data() + At;
    const std::int64_t Start = FSystem->PerformanceCounter();
    const TReadResult Read = FSystem->ReadAt(FFileHandle, Offset + Step, Sector, SectorBytes);
    Taken += Seconds(Start, FSystem->PerformanceCounter());
    if (Read.Error != 0 && !Read.BadSector) {
      throw TPassFailure{SystemError("ReadFile", FFilePath, Read.Error)};
    }
    const TSectorState State = Read.Error == 0 && Read.Count == SectorBytes
                                   ? ClassifySector(Sector, FWritten, FileNumber, Offset + Step)
                                   : TSectorState::Unreadable;
    FTally.Add(State, {FileNumber, Offset + Step, PassOffset + Step});
  }
  return Taken;
}

std::optional<float> TTesterThread::ReadTemperatureBetweenWrites() {
  if (!FTemperature) {
    return std::nullopt;
  }
  const std::int64_t Now = FSystem->PerformanceCounter();
  if (FTemperatureRead &&
      (Now - FLastTemperatureRead) * 1000 < TemperatureIntervalMs * FFrequency) {
    return FLastTemperature;
  }
  FTemperatureRead = true;
  FLastTemperatureRead = Now;
  const std::optional<double> Celsius = FTemperature();
  FLastTemperature = Celsius ? std::optional<float>(static_cast<float>(*Celsius)) : std::nullopt;
  return FLastTemperature;
}

void TTesterThread::TellPassCancelled() {
  if (!FCancelTold) {
    FCancelTold = true;
    FToView->PassCancelled();
  }
}

void TTesterThread::WaitWhileIdle() {
  FToView->StartIdle();
  while (FIdle.load() && !Terminated()) {
    FSystem->SleepMs(IdlePollMs);
  }
  FToView->EndIdle();
}

void TTesterThread::CloseTest() {
  CloseFile(true);
  // A cancelled pass ends as it is, unread: even one cancelled after its last write did not
  // complete, since its read-back is missing.
  if (FTestSetting.NeedVerify && FPassWrittenInMiB > 0) {
    if (Terminated()) {
      TellPassCancelled();
    } else {
      VerifyDrive();
    }
  }
  // With repetition the files of a finished pass always go, so that the next pass finds the
  // space again; a cancelled pass keeps them unless deletion was asked for.
  if (FTestSetting.NeedDelete || (FTestSetting.InfiniteRepetition && !Terminated())) {
    DeleteTestFiles();
  }
  if (FQuietPass) {
    return;
  }
  if (FTestSetting.InfiniteRepetition) {
    FToView->EndTest(FTestStartTime, FTestHostWriteInMiB);
  } else {
    FToView->EndTest(0.0, 0);
    FToView->HideButtons();
  }
  ++FCurrentTestCount;
}

void TTesterThread::WaitAfterNoRoom() {
  // The next pass would find the same no room at once: wait instead of spinning, woken at
  // once by a cancel.
  if (FNoRoomStreak && FTestSetting.InfiniteRepetition && !Terminated()) {
    FSystem->SleepUnlessStopped(NoRoomWaitMs, FStopToken);
  }
}

void TTesterThread::CloseFile(bool Flush) {
  if (FFileHandle == NoFile) {
    return;
  }
  // Through the cache, a write succeeds before the drive has the data; what the drive cannot
  // take shows up only at the flush, which is therefore a write that failed. Unbuffered, the
  // drive's own cache may still hold the last writes: flushed too, so that the time the close
  // waits is what the drive still owed. Outside every timed write, timed on its own. A pass
  // that already failed closes without it.
  const std::int64_t Start = FSystem->PerformanceCounter();
  const int Code = Flush ? FSystem->FlushFile(FFileHandle) : 0;
  FSystem->CloseFile(FFileHandle);
  const std::int64_t End = FSystem->PerformanceCounter();
  FFileHandle = NoFile;
  if (Code != 0) {
    throw TPassFailure{SystemError("FlushFileBuffers", FFilePath, Code)};
  }
  if (Flush) {
    FToView->ApplyCloseTime(Seconds(Start, End));
  }
}

void TTesterThread::DeleteTestFiles() {
  if (FOwnFiles.empty()) {
    return;
  }
  // A presenter that fails while being told stops no deletion: every file is still tried, and
  // the first failure is passed on afterwards.
  std::exception_ptr Failure;
  const auto Tell = [&Failure](auto&& Action) {
    try {
      Action();
    } catch (...) {
      if (!Failure) {
        Failure = std::current_exception();
      }
    }
  };
  Tell([this] { FToView->StartDeleting(); });
  for (const TOwnFile& File : FOwnFiles) {
    Tell([&] { DeleteOwnFile(File); });
  }
  FOwnFiles.clear();
  Tell([this] { FToView->EndDeleting(); });
  if (Failure) {
    std::rethrow_exception(Failure);
  }
}

void TTesterThread::DeleteOwnFile(const TOwnFile& File) {
  const std::string Name = TestFileName(File.Number);
  const std::string Path = FTestSetting.DrivePath + Name;
  TDeleteResult Result = FSystem->DeleteOwnFile(FFolder, Name, File.Identity);
  FSystem->SleepMs(DeleteFirstWaitMs);
  for (int Retry = 0;; ++Retry) {
    int Code = Result.Error;
    switch (Result.Outcome) {
      case TDeleteOutcome::Missing:
        return;
      case TDeleteOutcome::Replaced:
        FToView->PrintReplacedFile(Path);
        return;
      case TDeleteOutcome::Deleted: {
        // Deleted is final: it is never asked for again, since the name may already mean a
        // newcomer. The name itself goes when the last handle to the file closes; one held open
        // elsewhere keeps it, unreadable, until then. Whatever else is seen by it is another file.
        const TNameInfo Now = FSystem->LookUp(FFolder, Name);
        if (Now.Kind != TNameKind::Unreadable) {
          return;
        }
        Code = Now.Error;
        break;
      }
      case TDeleteOutcome::Failed:
        break;
    }
    if (Retry == DeleteRetryLimit) {
      const TTesterError Error = SystemError("DeleteFile", Path, Code);
      FDeleteErrors.push_back(Error);
      FToView->PrintError(Error);
      return;
    }
    FSystem->SleepMs(DeleteRetryMs);
    if (Result.Outcome == TDeleteOutcome::Failed) {
      Result = FSystem->DeleteOwnFile(FFolder, Name, File.Identity);
    }
  }
}

void TTesterThread::EndRunWithError(const TTesterError& Error) {
  CloseFile(false);
  FError = Error;
  // Each step is taken even when the one before threw (the presenter itself may be what
  // failed): the files still go when asked and the buttons still hide.
  const auto Step = [](auto&& Action) {
    try {
      Action();
    } catch (...) {
    }
  };
  // The error first: the deletion that follows may add errors of its own, caused by it.
  Step([&] { FToView->PrintError(Error); });
  if (FTestSetting.NeedDelete) {
    Step([&] { DeleteTestFiles(); });
  }
  Step([&] { FToView->HideButtons(); });
}

TTesterError TTesterThread::UnexpectedError(const std::string& What) {
  return TTesterError{"Run", "", 0, What, "RunError: " + What};
}

void TTesterThread::Finish() {
  CloseFile(false);
  if (FFolder != NoFolder) {
    FSystem->CloseFolder(FFolder);
    FFolder = NoFolder;
  }
  {
    std::lock_guard Lock(FFinishedMutex);
    FFinished.store(true, std::memory_order_release);
  }
  FFinishedChanged.notify_all();
  if (FOnFinished) {
    try {
      FOnFinished();
    } catch (...) {
      // Nothing is left to tell on this thread; the owner sees IsFinished().
    }
  }
}

TTesterError TTesterThread::SystemError(const std::string& Operation, const std::string& Path,
                                        int Code) {
  return TTesterError{Operation, Path, static_cast<std::uint32_t>(Code),
                      Platform::SystemErrorText(Code),
                      Operation + "Error: " + std::to_string(static_cast<std::uint32_t>(Code))};
}
