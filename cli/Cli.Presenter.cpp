#include "cli/Cli.Presenter.h"

TCliPresenter::TCliPresenter(std::unique_ptr<TTesterPresenter> Inner, TGuiDispatcher& Dispatcher,
                             TTerminalView& View, bool& Refused)
    : FInner(std::move(Inner)), FDispatcher(Dispatcher), FView(View), FRefused(Refused) {}

void TCliPresenter::PrintInitialSetting(std::int32_t TestCount, std::int64_t FreeSizeInByte,
                                        std::int64_t TotalSizeInByte, std::int64_t ToFillInByte) {
  FInner->PrintInitialSetting(TestCount, FreeSizeInByte, TotalSizeInByte, ToFillInByte);
  // -1 is the worker's mark of a refused pass: nothing will be written.
  const bool Refused = ToFillInByte == -1;
  FDispatcher.Queue([this, Refused] {
    if (Refused) {
      FRefused = true;
    } else {
      FView.StartPass();
    }
  });
}

void TCliPresenter::ApplyProgress(std::int32_t HostWriteInMiB, std::int32_t NeedToFillInMiB,
                                  std::int32_t SpeedInMiB) {
  FInner->ApplyProgress(HostWriteInMiB, NeedToFillInMiB, SpeedInMiB);
  FDispatcher.Queue([this, HostWriteInMiB, NeedToFillInMiB, SpeedInMiB] {
    FView.UpdatePass(HostWriteInMiB, NeedToFillInMiB, SpeedInMiB);
  });
}

void TCliPresenter::EndTest(double TestStartTime, std::uint64_t TestHostWriteInMiB) {
  FDispatcher.Queue([this] { FView.EndPass(); });
  FInner->EndTest(TestStartTime, TestHostWriteInMiB);
}
