#include "forms/Stop.Signals.h"

#include <QSocketNotifier>

#include "platform/Platform.Terminal.h"

TStopSignals::TStopSignals(std::function<void()> OnStop, QObject* Parent) : QObject(Parent) {
  const int Descriptor = Platform::StopSignalDescriptor();
  if (Descriptor < 0) {
    return;
  }
  FNotifier = new QSocketNotifier(Descriptor, QSocketNotifier::Read, this);
  connect(FNotifier, &QSocketNotifier::activated, this, [Descriptor, OnStop = std::move(OnStop)] {
    Platform::DrainStopSignals(Descriptor);
    OnStop();
  });
}
