#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <memory>

#include "report/Gui.Dispatcher.h"
#include "report/Gui.UnitQueue.h"

class TQtDispatcher;

// Lives on the GUI thread; a queued call of RunPending there, or its poll timer, runs the
// dispatcher's units.
class TDispatchContext : public QObject {
  Q_OBJECT

 public:
  explicit TDispatchContext(TQtDispatcher& Dispatcher);

  Q_INVOKABLE void RunPending();
  void StartPoll() { FPoll.start(); }
  void Post();

 private:
  TQtDispatcher& FDispatcher;
  QTimer FPoll;
};

// Hands units to the GUI thread. The units wait in one bounded FIFO (TUnitQueue); a queued
// QMetaObject::invokeMethod call (by name, so only Qt allocates the call) on a context object
// wakes the GUI thread to run them. While units keep coming, the GUI thread is not woken for
// each: after running some it looks again within PollInterval by a timer of its own, and only
// a unit queued to an idle GUI thread, or a Sync unit, posts a wake-up. Sync waits on a condition
// variable rather than on a blocking queued call, so that every hand-over is visible to thread
// checkers (Qt's own queue synchronises in ways they cannot see).
//
// The GUI thread never starves: a turn runs only the units queued before it began, and for at
// most TurnSlice; what is left, or came meanwhile, runs in the next turn, after the event loop
// has handled input, timers and painting. A worker that queues faster than that waits in Queue
// once Bound units wait, so memory stays flat; the window's stop keeps running units while it
// waits for the worker, as the worker's Sync units need anyway. A unit must not run an event
// loop of its own (a modal dialog): the units queued meanwhile would wait until it closes.
//
// Create and destroy it on the GUI thread: destroying it drops the units that have not run and
// the wake-ups posted for them, and releases a worker waiting in Queue or Sync.
class TQtDispatcher : public TGuiDispatcher {
 public:
  explicit TQtDispatcher(std::size_t Bound = TUnitQueue::DefaultBound);
  ~TQtDispatcher() override;

  void Queue(TUnit Unit) override;
  void Sync(TUnit Unit) override;

  // Posting a wake-up costs the queuing thread an allocation and a system call (an interrupt
  // to another core on a virtual machine) between two timed writes; looking again after this
  // interval keeps the window as fresh as a screen refresh.
  static constexpr std::chrono::milliseconds PollInterval{10};
  // The longest a turn keeps the event loop waiting, well inside a frame of a slow screen.
  static constexpr std::chrono::milliseconds TurnSlice{8};

  std::size_t PendingCount() const { return FQueue->Size(); }
  std::size_t PeakPendingCount() const { return FQueue->PeakSize(); }

 private:
  friend class TDispatchContext;

  bool OnGuiThread() const;
  void RunPending();

  const std::shared_ptr<TUnitQueue> FQueue;
  std::unique_ptr<TDispatchContext> FContext;
};
