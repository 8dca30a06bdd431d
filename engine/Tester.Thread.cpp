#include "engine/Tester.Thread.h"

#include <cerrno>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "engine/FillTarget.h"
#include "platform/Platform.Locale.h"

namespace {

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
                             std::function<void()> OnFinished)
    : FSystem(System ? std::move(System) : Platform::MakeTesterPlatform()),
      FTestSetting(TestSetting),
      FToView(std::move(ToView)),
      FOnFinished(std::move(OnFinished)) {
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

void TTesterThread::Execute(std::stop_token StopToken) {
  FStopToken = std::move(StopToken);
  try {
    Run();
  } catch (const std::exception& Unexpected) {
    // Not an operating-system error (the presenter failed, or memory ran out): keep it so
    // that the owner can tell, and still end in order.
    FError = TTesterError{"Run", "", 0, "", Unexpected.what()};
  } catch (...) {
    FError = TTesterError{"Run", "", 0, "", "Unknown error"};
  }
  Finish();
}

void TTesterThread::Run() {
  try {
    InitializeTest();
    do {
      PrepareTest();
      FillDrive();
      CloseTest();
    } while (FTestSetting.InfiniteRepetition && !Terminated());
  } catch (const TInvalidSetting&) {
    DeleteTestFiles();
  } catch (const TPassFailure& Failure) {
    EndRunWithError(Failure.Error);
    return;
  }
  FToView->HideButtons();
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
}

void TTesterThread::PrepareTest() {
  SetNeedToFillInMiB();
  SetMinFileNumber();
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
  const std::int32_t Target =
      CalculateFillTargetInMiB(Space.FreeBytes, Space.TotalBytes, FTestSetting.ToLeft,
                               FTestSetting.ToLeftUnit, FRandomBuffer->GetLength() >> 20);
  FToView->PrintInitialSetting(FCurrentTestCount, Space.FreeBytes, Space.TotalBytes, Target);
  return Target;
}

void TTesterThread::SetMinFileNumber() {
  FMinFileNumber = 0;
  while (FMinFileNumber < std::numeric_limits<std::int32_t>::max() &&
         FSystem->FileExists(GetFilePath(FMinFileNumber))) {
    ++FMinFileNumber;
  }
  FLastCreatedFileNumber = FMinFileNumber - 1;
}

void TTesterThread::FillDrive() {
  std::int32_t Remaining = FNeedToFillInMiB;
  const std::int32_t BufferMiB = FRandomBuffer->GetLength() >> 20;
  std::int32_t Written = 0;
  while (BufferMiB <= Remaining) {
    OpenFileIfNeeded(Written);
    const double Seconds = WriteAndMeasure();
    Remaining -= BufferMiB;
    Written += BufferMiB;
    FToView->ApplyProgress(Written, FNeedToFillInMiB, SpeedInMiB(BufferMiB, Seconds));
    if (FIdle.load()) {
      WaitWhileIdle();
    }
    if (Terminated()) {
      break;
    }
  }
  FTestHostWriteInMiB += static_cast<std::uint64_t>(Written);
}

void TTesterThread::OpenFileIfNeeded(std::int32_t HostWriteInMiB) {
  if (HostWriteInMiB % FileMiB != 0) {
    return;
  }
  CloseFile();
  const std::int32_t Number = FMinFileNumber + HostWriteInMiB / FileMiB;
  FFilePath = GetFilePath(Number);
  // A taken name or a refused open ends the pass here; nothing is written to a bad handle.
  const TCreatedFile Created = FSystem->CreateNewFile(FFilePath, !FTestSetting.NeedCache);
  if (Created.Handle == NoFile) {
    throw TPassFailure{SystemError("CreateFile", FFilePath, Created.Error)};
  }
  FFileHandle = Created.Handle;
  FLastCreatedFileNumber = Number;
}

double TTesterThread::WriteAndMeasure() {
  const std::byte* Data = FRandomBuffer->GetRawBuffer();
  const auto Length = static_cast<std::size_t>(FRandomBuffer->GetLength());
  const std::int64_t Start = FSystem->PerformanceCounter();
  const int Code = FSystem->WriteAll(FFileHandle, Data, Length);
  const std::int64_t End = FSystem->PerformanceCounter();
  if (Code != 0) {
    throw TPassFailure{SystemError("WriteFile", FFilePath, Code)};
  }
  return static_cast<double>(End - Start) / static_cast<double>(FFrequency);
}

void TTesterThread::WaitWhileIdle() {
  FToView->StartIdle();
  while (FIdle.load() && !Terminated()) {
    FSystem->SleepMs(IdlePollMs);
  }
  FToView->EndIdle();
}

void TTesterThread::CloseTest() {
  CloseFile();
  // With repetition the files of a finished pass always go, so that the next pass finds the
  // space again; a cancelled pass keeps them unless deletion was asked for.
  if (FTestSetting.NeedDelete || (FTestSetting.InfiniteRepetition && !Terminated())) {
    DeleteTestFiles();
  }
  if (FTestSetting.InfiniteRepetition) {
    FToView->EndTest(FTestStartTime, FTestHostWriteInMiB);
  } else {
    FToView->EndTest(0.0, 0);
    FToView->HideButtons();
  }
  ++FCurrentTestCount;
}

void TTesterThread::CloseFile() {
  if (FFileHandle != NoFile) {
    FSystem->CloseFile(FFileHandle);
    FFileHandle = NoFile;
  }
}

void TTesterThread::DeleteTestFiles() {
  for (std::int32_t Number = FMinFileNumber; Number <= FLastCreatedFileNumber; ++Number) {
    const std::string Path = GetFilePath(Number);
    int Code = FSystem->DeleteFile(Path);
    FSystem->SleepMs(DeleteFirstWaitMs);
    for (int Retry = 0; FSystem->FileExists(Path); ++Retry) {
      if (Retry == DeleteRetryLimit) {
        FToView->PrintError(SystemError("DeleteFile", Path, Code));
        break;
      }
      FSystem->SleepMs(DeleteRetryMs);
      Code = FSystem->DeleteFile(Path);
    }
  }
  FLastCreatedFileNumber = FMinFileNumber - 1;
}

void TTesterThread::EndRunWithError(const TTesterError& Error) {
  CloseFile();
  if (FTestSetting.NeedDelete) {
    DeleteTestFiles();
  }
  FError = Error;
  FToView->PrintError(Error);
  FToView->HideButtons();
}

void TTesterThread::Finish() {
  CloseFile();
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

std::string TTesterThread::GetFilePath(std::int32_t Number) const {
  return FTestSetting.DrivePath + "Randomfile" + std::to_string(Number);
}

TTesterError TTesterThread::SystemError(const std::string& Operation, const std::string& Path,
                                        int Code) {
  return TTesterError{Operation, Path, static_cast<std::uint32_t>(Code),
                      Platform::SystemErrorText(Code),
                      Operation + "Error: " + std::to_string(static_cast<std::uint32_t>(Code))};
}
