#include "forms/Tester.Starter.h"

#include "device/Disk.Temperature.h"
#include "engine/Tester.Thread.h"
#include "forms/Qt.Dispatcher.h"
#include "forms/Tester.Thread.Worker.h"
#include "report/Tester.ToView.h"

TTesterFactory MakeTesterFactory() {
  return [](const TSetting& Setting, TTesterView& View,
            std::function<void()> OnFinished) -> std::unique_ptr<TTesterWorker> {
    // The presenter (and with it the log files) first: if it fails, no thread was started.
    auto Presenter =
        std::make_unique<TTesterToView>(Setting, View, std::make_unique<TQtDispatcher>());
    return std::make_unique<TTesterThreadWorker>(std::make_unique<TTesterThread>(
        Setting, std::move(Presenter), Platform::MakeTesterPlatform(), std::move(OnFinished),
        DiskTemperatureReaderOf));
  };
}
