#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

#include "report/Gui.Dispatcher.h"

class TQtDispatcher;

// Lives on the GUI thread; a queued call of RunPending there, or its poll timer, runs the
// dispatcher's units.
class TDispatchContext : public QObject {
  Q_OBJECT

 public:
  explicit TDispatchContext(TQtDispatcher& Dispatcher);

  Q_INVOKABLE void RunPending();
  void StartPoll() { FPoll.start(); }

 private:
  TQtDispatcher& FDispatcher;
  QTimer FPoll;
};

// Hands units to the GUI thread. The units wait in one FIFO of this object; a queued
// QMetaObject::invokeMethod call (by name, so only Qt allocates the call) on a context object
// wakes the GUI thread to run them. While units keep coming, the GUI thread is not woken for
// each: after running some it looks again within PollInterval by a timer of its own, and only
// a unit queued to an idle GUI thread, or a Sync unit, posts a wake-up. Sync waits on a condition
// variable rather than on a blocking queued call, so that every hand-over is visible to thread
// checkers (Qt's own queue synchronises in ways they cannot see).
//
// Create and destroy it on the GUI thread: destroying it drops the units that have not run and
// the wake-ups posted for them.
class TQtDispatcher : public TGuiDispatcher {
 public:
  TQtDispatcher();
  ~TQtDispatcher() override;

  void Queue(TUnit Unit) override;
  void Sync(TUnit Unit) override;

  // Posting a wake-up costs the queuing thread an allocation and a system call (an interrupt
  // to another core on a virtual machine) between two timed writes; looking again after this
  // interval keeps the window as fresh as a screen refresh.
  static constexpr std::chrono::milliseconds PollInterval{10};

 private:
  friend class TDispatchContext;
  struct TEntry {
    TUnit Unit;
    std::uint64_t Ticket;
  };

  // Who will run the next unit: nobody yet (a wake-up must be posted), a posted wake-up, or
  // the poll timer.
  enum class TWake { Idle, Posted, Polling };

  bool OnGuiThread() const;
  std::uint64_t Append(TUnit Unit, bool Urgent);
  void RunPending();

  std::mutex FMutex;
  std::condition_variable FRan;
  std::deque<TEntry> FUnits;
  std::uint64_t FLastTicket = 0;
  std::uint64_t FDoneTicket = 0;
  bool FClosed = false;
  TWake FWake = TWake::Idle;
  std::unique_ptr<TDispatchContext> FContext;
};
