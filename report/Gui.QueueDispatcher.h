#pragma once

#include <chrono>
#include <memory>
#include <thread>

#include "report/Gui.Dispatcher.h"
#include "report/Gui.UnitQueue.h"

// A dispatcher without a toolkit: one FIFO of units owned by a designated "GUI" thread, which
// runs them when it calls RunPending or WaitAndRunPending. Serves tests (run by hand), the
// benchmarks and a terminal front end whose main thread plays the GUI thread.
//
// At most Bound units wait (see TUnitQueue): a worker that queues faster than the owner runs
// them waits in Queue until the owner has caught up, so the owner must go on running units while
// a worker may still queue, as it must anyway for Sync (the terminal serves until the worker has
// ended, and only then joins it).
//
// Destruction discards every unit that has not run (the owner must not be running units then). A
// thread blocked in Sync, or in Queue for room, at that moment is released: it returns without its
// unit having run. Whoever owns the dispatcher must therefore make sure such a caller does not go
// on using what it was waiting for; in the program the worker has ended before its presenter, and
// so the dispatcher, goes.
class TQueueDispatcher final : public TGuiDispatcher {
 public:
  // The constructing thread becomes the owner unless another is named.
  explicit TQueueDispatcher(std::size_t Bound = TUnitQueue::DefaultBound);
  explicit TQueueDispatcher(std::thread::id Owner, std::size_t Bound = TUnitQueue::DefaultBound);
  ~TQueueDispatcher() override;

  TQueueDispatcher(const TQueueDispatcher&) = delete;
  TQueueDispatcher& operator=(const TQueueDispatcher&) = delete;

  void Queue(TUnit Unit) override;
  void Sync(TUnit Unit) override;

  // Owning thread only. Runs the units queued so far, oldest first (units that they queue run
  // at once, as on any owning-thread call; units other threads queue meanwhile wait for the next
  // call); returns how many ran. If a unit throws, the exception leaves RunPending and the units
  // behind it stay queued.
  std::size_t RunPending();
  // Owning thread only. Waits until at least one unit is queued or Timeout has passed, then
  // runs what is queued. Returns how many ran (0 after a timeout). While units keep coming
  // (some ran less than PollInterval ago) the owner is not woken for each queued unit: it
  // looks again when the interval is over. A Sync unit always wakes it at once.
  std::size_t WaitAndRunPending(std::chrono::milliseconds Timeout);

  // Waking a sleeping owner costs the queuing thread a system call, and on a virtual machine an
  // interrupt to another core: several microseconds, per write of the worker. Looking again
  // after this interval instead keeps the display as fresh as a screen refresh.
  static constexpr std::chrono::milliseconds PollInterval{10};

  std::size_t PendingCount() const { return FQueue->Size(); }
  std::size_t PeakPendingCount() const { return FQueue->PeakSize(); }
  bool IsOwnerThread() const { return std::this_thread::get_id() == FOwner; }

 private:
  void RequireOwner() const;

  const std::thread::id FOwner;
  const std::shared_ptr<TUnitQueue> FQueue;
  std::chrono::steady_clock::time_point FLastRun;  // owner only
};
