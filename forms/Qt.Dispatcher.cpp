#include "forms/Qt.Dispatcher.h"

#include <QThread>

TDispatchContext::TDispatchContext(TQtDispatcher& Dispatcher) : FDispatcher(Dispatcher) {
  FPoll.setSingleShot(true);
  FPoll.setInterval(TQtDispatcher::PollInterval);
  connect(&FPoll, &QTimer::timeout, this, &TDispatchContext::RunPending);
}

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

std::uint64_t TQtDispatcher::Append(TUnit Unit, bool Urgent) {
  std::uint64_t Ticket = 0;
  bool Post = false;
  {
    std::lock_guard Lock(FMutex);
    Ticket = ++FLastTicket;
    FUnits.push_back({std::move(Unit), Ticket});
    if (FWake == TWake::Idle || (Urgent && FWake == TWake::Polling)) {
      FWake = TWake::Posted;
      Post = true;
    }
  }
  if (Post) {
    QMetaObject::invokeMethod(FContext.get(), "RunPending", Qt::QueuedConnection);
  }
  return Ticket;
}

void TQtDispatcher::RunPending() {
  // After units have run, more are likely coming: the GUI thread looks again by its timer
  // instead of being woken for each. Also when a unit throws, so that the rest still run.
  struct TLookAgain {
    TDispatchContext& Context;
    bool RanAny = false;
    ~TLookAgain() {
      if (RanAny) {
        Context.StartPoll();
      }
    }
  } LookAgain{*FContext};
  for (;;) {
    TEntry Entry;
    {
      std::lock_guard Lock(FMutex);
      if (FUnits.empty()) {
        // Units ran: the timer looks again. None ran (the timer found nothing for a whole
        // interval): the next unit wakes the GUI thread again.
        FWake = LookAgain.RanAny ? TWake::Polling : TWake::Idle;
        break;
      }
      Entry = std::move(FUnits.front());
      FUnits.pop_front();
      // A unit may open a window with an event loop of its own (a message box): units queued
      // meanwhile wake that loop as before.
      FWake = TWake::Idle;
    }
    LookAgain.RanAny = true;
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
  Append(std::move(Unit), false);
}

void TQtDispatcher::Sync(TUnit Unit) {
  if (OnGuiThread()) {
    Unit();
    return;
  }
  const std::uint64_t Ticket = Append(std::move(Unit), true);
  std::unique_lock Lock(FMutex);
  FRan.wait(Lock, [this, Ticket] { return FDoneTicket >= Ticket || FClosed; });
}
