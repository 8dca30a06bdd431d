#include "report/Gui.QueueDispatcher.h"

#include <stdexcept>
#include <utility>

TQueueDispatcher::TQueueDispatcher(std::size_t Bound)
    : TQueueDispatcher(std::this_thread::get_id(), Bound) {}

TQueueDispatcher::TQueueDispatcher(std::thread::id Owner, std::size_t Bound)
    : FOwner(Owner), FQueue(TUnitQueue::Create(Bound)) {}

TQueueDispatcher::~TQueueDispatcher() {
  FQueue->Close();
}

void TQueueDispatcher::Queue(TUnit Unit) {
  if (IsOwnerThread()) {
    Unit();
    return;
  }
  bool MustWake = false;  // Push has woken an owner waiting in WaitAndRunPending
  FQueue->Push(std::move(Unit), false, MustWake);
}

void TQueueDispatcher::Sync(TUnit Unit) {
  if (IsOwnerThread()) {
    Unit();
    return;
  }
  const std::shared_ptr<TUnitQueue> Queue = FQueue;  // outlives the dispatcher if need be
  bool MustWake = false;
  const std::uint64_t Ticket = Queue->Push(std::move(Unit), true, MustWake);
  if (Ticket != 0) {
    Queue->WaitUntilRun(Ticket);
  }
}

void TQueueDispatcher::RequireOwner() const {
  if (!IsOwnerThread()) {
    throw std::logic_error("TQueueDispatcher: units run on the owning thread only");
  }
}

std::size_t TQueueDispatcher::RunPending() {
  RequireOwner();
  // Only what was queued at the call: a busy worker cannot keep the owner here for ever.
  const std::uint64_t Limit = FQueue->BeginTurn();
  std::size_t Ran = 0;
  while (FQueue->RunFront(Limit)) {
    ++Ran;
  }
  return Ran;
}

std::size_t TQueueDispatcher::WaitAndRunPending(std::chrono::milliseconds Timeout) {
  RequireOwner();
  using TClock = std::chrono::steady_clock;
  if (!FQueue->WaitForUnits(TClock::now() + Timeout, FLastRun + PollInterval)) {
    return 0;
  }
  FLastRun = TClock::now();
  return RunPending();
}
