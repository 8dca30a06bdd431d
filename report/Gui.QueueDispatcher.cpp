#include "report/Gui.QueueDispatcher.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

// The state a Sync caller waits on. It lives apart from the dispatcher (shared), so a caller
// released by the dispatcher's destruction wakes up without touching the destroyed object.
struct TQueueDispatcher::TSyncWait {
  std::mutex Mutex;
  std::condition_variable Settled;
  bool IsSettled = false;

  void Settle() {
    {
      std::lock_guard Lock(Mutex);
      IsSettled = true;
    }
    Settled.notify_all();
  }
};

TQueueDispatcher::TQueueDispatcher() : FOwner(std::this_thread::get_id()) {}

TQueueDispatcher::TQueueDispatcher(std::thread::id Owner) : FOwner(Owner) {}

TQueueDispatcher::~TQueueDispatcher() {
  std::deque<TEntry> Discarded;
  {
    std::lock_guard Lock(FMutex);
    Discarded.swap(FPending);
  }
  for (TEntry& Entry : Discarded) {
    Entry.Unit = nullptr;  // free what the unit holds before its waiter goes on
    if (Entry.Waiter) {
      Entry.Waiter->Settle();
    }
  }
}

void TQueueDispatcher::Queue(TUnit Unit) {
  if (IsOwnerThread()) {
    Unit();
    return;
  }
  Push({std::move(Unit), nullptr});
}

void TQueueDispatcher::Sync(TUnit Unit) {
  if (IsOwnerThread()) {
    Unit();
    return;
  }
  auto Waiter = std::make_shared<TSyncWait>();
  Push({std::move(Unit), Waiter});
  std::unique_lock Lock(Waiter->Mutex);
  Waiter->Settled.wait(Lock, [&] { return Waiter->IsSettled; });
}

void TQueueDispatcher::Push(TEntry Entry) {
  bool Wake = Entry.Waiter != nullptr;
  {
    std::lock_guard Lock(FMutex);
    FPending.push_back(std::move(Entry));
    // One wake-up per sleep of the owner; a polling owner is not woken for queued units.
    if (FOwnerListening) {
      FOwnerListening = false;
      Wake = true;
    }
  }
  if (Wake) {
    FQueued.notify_all();
  }
}

void TQueueDispatcher::RequireOwner() const {
  if (!IsOwnerThread()) {
    throw std::logic_error("TQueueDispatcher: units run on the owning thread only");
  }
}

std::size_t TQueueDispatcher::RunPending() {
  RequireOwner();
  std::size_t ToRun = 0;
  {
    std::lock_guard Lock(FMutex);
    ToRun = FPending.size();
  }
  // Only what was queued at the call: a busy worker cannot keep the owner here for ever.
  std::size_t Ran = 0;
  for (; Ran < ToRun; ++Ran) {
    TEntry Entry;
    {
      std::lock_guard Lock(FMutex);
      Entry = std::move(FPending.front());
      FPending.pop_front();
    }
    // Also when the unit throws: a Sync caller must not wait for ever. The unit's captures go
    // first, so the caller never resumes while they still refer to its state.
    struct TSettleOnExit {
      TEntry& Done;
      ~TSettleOnExit() {
        Done.Unit = nullptr;
        if (Done.Waiter) {
          Done.Waiter->Settle();
        }
      }
    } Settle{Entry};
    Entry.Unit();
  }
  return Ran;
}

std::size_t TQueueDispatcher::WaitAndRunPending(std::chrono::milliseconds Timeout) {
  RequireOwner();
  using TClock = std::chrono::steady_clock;
  const TClock::time_point Deadline = TClock::now() + Timeout;
  {
    std::unique_lock Lock(FMutex);
    while (FPending.empty()) {
      const TClock::time_point Now = TClock::now();
      if (Now >= Deadline) {
        return 0;
      }
      const TClock::time_point PollEnd = FLastRun + PollInterval;
      if (Now < PollEnd) {
        FQueued.wait_until(Lock, std::min(Deadline, PollEnd));
      } else {
        FOwnerListening = true;
        FQueued.wait_until(Lock, Deadline);
        FOwnerListening = false;
      }
    }
  }
  FLastRun = TClock::now();
  return RunPending();
}

std::size_t TQueueDispatcher::PendingCount() const {
  std::lock_guard Lock(FMutex);
  return FPending.size();
}
