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

void TDispatchContext::Post() {
  QMetaObject::invokeMethod(this, "RunPending", Qt::QueuedConnection);
}

TQtDispatcher::TQtDispatcher(std::size_t Bound)
    : FQueue(TUnitQueue::Create(Bound)), FContext(std::make_unique<TDispatchContext>(*this)) {}

TQtDispatcher::~TQtDispatcher() {
  FQueue->Close();   // nobody should wait now; if someone does, it must not wait forever
  FContext.reset();  // drops the posted wake-ups
}

bool TQtDispatcher::OnGuiThread() const {
  return QThread::currentThread() == FContext->thread();
}

void TQtDispatcher::RunPending() {
  using TClock = std::chrono::steady_clock;
  const std::uint64_t Limit = FQueue->BeginTurn();
  const TClock::time_point End = TClock::now() + TurnSlice;
  // However the turn ends (a unit may throw), the rest runs: in another turn at once when
  // units are left, by the poll timer when units ran and more are likely coming.
  struct TEndTurn {
    TQtDispatcher& Self;
    bool RanAny = false;
    ~TEndTurn() {
      switch (Self.FQueue->EndTurn(RanAny)) {
        case TUnitQueue::TNext::Wake:
          Self.FContext->Post();
          break;
        case TUnitQueue::TNext::Look:
          Self.FContext->StartPoll();
          break;
        case TUnitQueue::TNext::Sleep:
          break;
      }
    }
  } EndTurn{*this};
  while (FQueue->RunFront(Limit)) {
    EndTurn.RanAny = true;
    if (TClock::now() >= End) {
      break;
    }
  }
}

void TQtDispatcher::Queue(TUnit Unit) {
  if (OnGuiThread()) {
    Unit();
    return;
  }
  bool MustWake = false;
  FQueue->Push(std::move(Unit), false, MustWake);
  if (MustWake) {
    FContext->Post();
  }
}

void TQtDispatcher::Sync(TUnit Unit) {
  if (OnGuiThread()) {
    Unit();
    return;
  }
  const std::shared_ptr<TUnitQueue> Queue = FQueue;  // outlives the dispatcher if need be
  bool MustWake = false;
  const std::uint64_t Ticket = Queue->Push(std::move(Unit), true, MustWake);
  if (MustWake) {
    FContext->Post();
  }
  if (Ticket != 0) {
    Queue->WaitUntilRun(Ticket);
  }
}
