#include "forms/Qt.Dispatcher.h"

#include <QThread>

void TDispatchContext::RunPending() {
  FDispatcher.RunPending();
}

TQtDispatcher::TQtDispatcher() : FContext(std::make_unique<TDispatchContext>(*this)) {}

TQtDispatcher::~TQtDispatcher() {
  {
    std::lock_guard Lock(FMutex);
    FClosed = true;
    FUnits.clear();
  }
  FRan.notify_all();  // nobody should wait now; if someone does, it must not wait forever
  FContext.reset();   // drops the posted wake-ups
}

bool TQtDispatcher::OnGuiThread() const {
  return QThread::currentThread() == FContext->thread();
}

std::uint64_t TQtDispatcher::Append(TUnit Unit) {
  std::uint64_t Ticket = 0;
  {
    std::lock_guard Lock(FMutex);
    Ticket = ++FLastTicket;
    FUnits.push_back({std::move(Unit), Ticket});
  }
  QMetaObject::invokeMethod(FContext.get(), "RunPending", Qt::QueuedConnection);
  return Ticket;
}

void TQtDispatcher::RunPending() {
  for (;;) {
    TEntry Entry;
    {
      std::lock_guard Lock(FMutex);
      if (FUnits.empty()) {
        return;
      }
      Entry = std::move(FUnits.front());
      FUnits.pop_front();
    }
    // Marked as run even when the unit raises, so that a waiting Sync returns.
    struct TDone {
      TQtDispatcher& Self;
      std::uint64_t Ticket;
      ~TDone() {
        {
          std::lock_guard Lock(Self.FMutex);
          Self.FDoneTicket = Ticket;
        }
        Self.FRan.notify_all();
      }
    } Done{*this, Entry.Ticket};
    Entry.Unit();
  }
}

void TQtDispatcher::Queue(TUnit Unit) {
  if (OnGuiThread()) {
    Unit();
    return;
  }
  Append(std::move(Unit));
}

void TQtDispatcher::Sync(TUnit Unit) {
  if (OnGuiThread()) {
    Unit();
    return;
  }
  const std::uint64_t Ticket = Append(std::move(Unit));
  std::unique_lock Lock(FMutex);
  FRan.wait(Lock, [this, Ticket] { return FDoneTicket >= Ticket || FClosed; });
}
