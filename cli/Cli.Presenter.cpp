#include "cli/Cli.Presenter.h"

#include "engine/FillTarget.h"

TCliPresenter::TCliPresenter(std::unique_ptr<TTesterPresenter> Inner, TGuiDispatcher& Dispatcher,
                             TTerminalView& View, bool& Refused)
    : FInner(std::move(Inner)), FDispatcher(Dispatcher), FView(View), FRefused(Refused) {}

void TCliPresenter::PrintInitialSetting(std::int32_t TestCount, std::int64_t FreeSizeInByte,
                                        std::int64_t TotalSizeInByte, std::int64_t ToFillInByte) {
  FInner->PrintInitialSetting(TestCount, FreeSizeInByte, TotalSizeInByte, ToFillInByte);
  // -1 is the worker's mark of a refused pass: nothing will be written. A pass without room
  // writes nothing either, and counts as a refusal while the run has written nothing.
  const bool Refused = ToFillInByte == InvalidFillTarget;
  const bool NoRoom = IsNoRoomTarget(ToFillInByte);
  FDispatcher.Queue([this, Refused, NoRoom] {
    if (Refused || (NoRoom && !FWrote)) {
      FRefused = true;
    }
    if (!Refused) {
      FView.StartPass();
    }
  });
}

void TCliPresenter::ApplyProgress(std::int32_t HostWriteInMiB, std::int32_t NeedToFillInMiB,
                                  std::int32_t SpeedInMiB) {
  FInner->ApplyProgress(HostWriteInMiB, NeedToFillInMiB, SpeedInMiB);
  FDispatcher.Queue([this, HostWriteInMiB, NeedToFillInMiB, SpeedInMiB] {
    FWrote = true;
    FRefused = false;  // an earlier pass without room no longer says the run wrote nothing
    FView.UpdatePass(HostWriteInMiB, NeedToFillInMiB, SpeedInMiB);
  });
}

void TCliPresenter::EndTest(double TestStartTime, std::uint64_t TestHostWriteInMiB) {
  FDispatcher.Queue([this] { FView.EndPass(); });
  FInner->EndTest(TestStartTime, TestHostWriteInMiB);
}

void TCliPresenter::StartDeleting() {
  FInner->StartDeleting();
  FDispatcher.Queue([this] { FView.SetDeleting(true); });
}

void TCliPresenter::EndDeleting() {
  FInner->EndDeleting();
  FDispatcher.Queue([this] { FView.SetDeleting(false); });
}

void TCliPresenter::StartVerify(std::int32_t NeedToReadInMiB) {
  FInner->StartVerify(NeedToReadInMiB);
  FDispatcher.Queue([this] { FView.StartRead(); });
}

void TCliPresenter::ApplyReadProgress(std::int32_t HostReadInMiB, std::int32_t NeedToReadInMiB,
                                      std::int32_t SpeedInMiB, double Seconds) {
  FInner->ApplyReadProgress(HostReadInMiB, NeedToReadInMiB, SpeedInMiB, Seconds);
  FDispatcher.Queue([this, HostReadInMiB, NeedToReadInMiB, SpeedInMiB] {
    FView.UpdatePass(HostReadInMiB, NeedToReadInMiB, SpeedInMiB);
  });
}
