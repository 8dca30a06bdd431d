#pragma once

#include <QObject>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

#include "report/Gui.Dispatcher.h"

class TQtDispatcher;

// Lives on the GUI thread; a queued call of RunPending there runs the dispatcher's units.
class TDispatchContext : public QObject {
  Q_OBJECT

 public:
  explicit TDispatchContext(TQtDispatcher& Dispatcher) : FDispatcher(Dispatcher) {}

  Q_INVOKABLE void RunPending();

 private:
  TQtDispatcher& FDispatcher;
};

// Hands units to the GUI thread. The units wait in one FIFO of this object; a queued
// QMetaObject::invokeMethod call (by name, so only Qt allocates the call) on a context object
// wakes the GUI thread to run them. Sync waits on a condition variable rather than on a
// blocking queued call, so that every hand-over is visible to thread checkers (Qt's own queue
// synchronises in ways they cannot see).
//
// Create and destroy it on the GUI thread: destroying it drops the units that have not run and
// the wake-ups posted for them.
class TQtDispatcher : public TGuiDispatcher {
 public:
  TQtDispatcher();
  ~TQtDispatcher() override;

  void Queue(TUnit Unit) override;
  void Sync(TUnit Unit) override;

 private:
  friend class TDispatchContext;
  struct TEntry {
    TUnit Unit;
    std::uint64_t Ticket;
  };

  bool OnGuiThread() const;
  std::uint64_t Append(TUnit Unit);
  void RunPending();

  std::mutex FMutex;
  std::condition_variable FRan;
  std::deque<TEntry> FUnits;
  std::uint64_t FLastTicket = 0;
  std::uint64_t FDoneTicket = 0;
  bool FClosed = false;
  std::unique_ptr<TDispatchContext> FContext;
};
