#include "report/Gui.UnitQueue.h"

#include <algorithm>
#include <utility>

std::shared_ptr<TUnitQueue> TUnitQueue::Create(std::size_t Bound) {
  return std::make_shared<TUnitQueue>(Bound);
}

TUnitQueue::TUnitQueue(std::size_t Bound)
    : FBound(std::max<std::size_t>(Bound, 1)), FLowWater(FBound / 2) {}

std::uint64_t TUnitQueue::Push(TUnit Unit, bool IsSync, bool& MustWake) {
  MustWake = false;
  std::shared_ptr<TUnitQueue> Keep;  // released after the lock
  std::unique_lock Lock(FMutex);
  if (!IsSync && !FClosed && FEntries.size() >= FBound) {
    Keep = shared_from_this();
    ++FRoomWaiters;
    // Woken at half: one wake-up of the worker per half queue the owner runs, not one per unit.
    FRoom.wait(Lock, [this] { return FClosed || FEntries.size() <= FLowWater; });
    --FRoomWaiters;
  }
  if (FClosed) {
    return 0;
  }
  const std::uint64_t Ticket = ++FLastTicket;
  FEntries.push_back({std::move(Unit), Ticket});
  FPeak = std::max(FPeak, FEntries.size());
  if (FOwner == TOwner::Asleep || (IsSync && FOwner == TOwner::Looking)) {
    FOwner = TOwner::Woken;
    MustWake = true;
  }
  Lock.unlock();
  if (MustWake) {
    FQueued.notify_all();  // an owner in WaitForUnits; a Qt owner is woken by its dispatcher
  }
  return Ticket;
}

void TUnitQueue::WaitUntilRun(std::uint64_t Ticket) {
  std::shared_ptr<TUnitQueue> Keep = shared_from_this();
  std::unique_lock Lock(FMutex);
  ++FSyncWaiters;
  FRan.wait(Lock, [this, Ticket] { return FDoneTicket >= Ticket || FReleased; });
  --FSyncWaiters;
}

std::uint64_t TUnitQueue::BeginTurn() {
  std::lock_guard Lock(FMutex);
  // Not woken for each unit the worker queues meanwhile: a wake-up per unit would pile up
  // behind the turn and keep the event loop running turns back to back.
  FOwner = TOwner::InTurn;
  return FLastTicket;
}

bool TUnitQueue::TakeFront(std::uint64_t Limit, TEntry& Entry) {
  bool Room = false;
  {
    std::lock_guard Lock(FMutex);
    if (FEntries.empty() || FEntries.front().Ticket > Limit) {
      return false;
    }
    Entry = std::move(FEntries.front());
    FEntries.pop_front();
    Room = FRoomWaiters > 0 && FEntries.size() <= FLowWater;
  }
  if (Room) {
    FRoom.notify_all();
  }
  return true;
}

bool TUnitQueue::RunFront(std::uint64_t Limit) {
  TEntry Entry;
  if (!TakeFront(Limit, Entry)) {
    return false;
  }
  // Also when the unit throws: a Sync caller must not wait for ever. The unit's captures go
  // first, so the caller never resumes while they still refer to its state.
  struct TMarkRun {
    TUnitQueue& Queue;
    TEntry& Done;
    ~TMarkRun() {
      Done.Unit = nullptr;
      Queue.MarkRun(Done.Ticket);
    }
  } Mark{*this, Entry};
  Entry.Unit();
  return true;
}

void TUnitQueue::MarkRun(std::uint64_t Ticket) {
  bool Waiting = false;
  {
    std::lock_guard Lock(FMutex);
    FDoneTicket = Ticket;
    Waiting = FSyncWaiters > 0;
  }
  if (Waiting) {
    FRan.notify_all();
  }
}

TUnitQueue::TNext TUnitQueue::EndTurn(bool RanAny) {
  std::lock_guard Lock(FMutex);
  if (!FEntries.empty()) {
    FOwner = TOwner::Woken;
    return TNext::Wake;
  }
  // Units ran: more are likely coming, and the owner looks again by itself. None ran (a look
  // found nothing): the next unit wakes it.
  FOwner = RanAny ? TOwner::Looking : TOwner::Asleep;
  return RanAny ? TNext::Look : TNext::Sleep;
}

bool TUnitQueue::WaitForUnits(TClock::time_point Deadline, TClock::time_point LookUntil) {
  std::unique_lock Lock(FMutex);
  while (FEntries.empty()) {
    const TClock::time_point Now = TClock::now();
    if (Now >= Deadline) {
      return false;
    }
    if (Now < LookUntil) {
      FOwner = TOwner::Looking;
      FQueued.wait_until(Lock, std::min(Deadline, LookUntil));
    } else {
      FOwner = TOwner::Asleep;
      FQueued.wait_until(Lock, Deadline);
    }
  }
  FOwner = TOwner::Looking;  // running now: the worker need not wake it
  return true;
}

std::size_t TUnitQueue::Size() const {
  std::lock_guard Lock(FMutex);
  return FEntries.size();
}

std::size_t TUnitQueue::PeakSize() const {
  std::lock_guard Lock(FMutex);
  return FPeak;
}

void TUnitQueue::Close() {
  std::deque<TEntry> Discarded;
  {
    std::lock_guard Lock(FMutex);
    FClosed = true;
    Discarded.swap(FEntries);
  }
  FRoom.notify_all();
  // The units' captures go before a Sync caller goes on: they may refer to what it holds.
  Discarded.clear();
  {
    std::lock_guard Lock(FMutex);
    FReleased = true;
  }
  FRan.notify_all();
  FQueued.notify_all();
}
