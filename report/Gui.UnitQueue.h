#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

// The units of GUI work waiting between the worker that hands them over and the thread that runs
// them: one FIFO, shared by both dispatchers. At most Bound units wait, so memory stays flat
// however far the GUI thread falls behind: a queued unit that finds the queue full makes its
// caller wait (between two writes, for the worker) until the owner has run half of them. A Sync
// unit is always let in, since its caller waits for it anyway.
//
// Kept on a shared pointer: a caller that Close() releases from a wait holds it, so it never
// touches a destroyed queue.
class TUnitQueue : public std::enable_shared_from_this<TUnitQueue> {
 public:
  using TUnit = std::function<void()>;
  using TClock = std::chrono::steady_clock;

  // A few thousand units are a few hundred KiB and a few tens of milliseconds of the GUI
  // thread's work: enough that a fast worker is not held back by the GUI thread's ordinary
  // pauses (a repaint, a chart refresh), little enough that a cancel is never stuck behind them.
  static constexpr std::size_t DefaultBound = 2048;

  // What the owner does after a turn: nothing waits; look again soon; or take another turn (units
  // remain).
  enum class TNext { Sleep, Look, Wake };

  static std::shared_ptr<TUnitQueue> Create(std::size_t Bound = DefaultBound);

  // Worker side.
  // Appends Unit, first waiting for room unless IsSync. Returns its ticket, or 0 when the queue
  // is closed (the unit is dropped). MustWake: the caller must wake the owner.
  std::uint64_t Push(TUnit Unit, bool IsSync, bool& MustWake);
  // Waits until the unit of Ticket has run (or thrown), or the queue was closed.
  void WaitUntilRun(std::uint64_t Ticket);

  // Owner side.
  // Starts a turn of the owner and returns the ticket of the newest unit: a turn runs the units
  // up to it, not those that come meanwhile. Until the turn ends, a queued unit wakes nobody:
  // the owner looks at it when the turn is over.
  std::uint64_t BeginTurn();
  // Runs the oldest unit if its ticket is at most Limit; false when there is none. A unit that
  // throws counts as run (its Sync caller goes on) and the exception leaves RunFront.
  bool RunFront(std::uint64_t Limit);
  TNext EndTurn(bool RanAny);
  // Waits until a unit is queued or Deadline has passed; returns whether one is. Until LookUntil
  // the owner counts as looking (a queued unit does not wake it), after that as asleep.
  bool WaitForUnits(TClock::time_point Deadline, TClock::time_point LookUntil);

  std::size_t Size() const;
  // The most units that ever waited at once.
  std::size_t PeakSize() const;
  std::size_t Bound() const { return FBound; }

  // Discards the units that wait, frees their captures, then releases every caller that waits
  // (for room or for its Sync unit). Units pushed afterwards are dropped.
  void Close();

  explicit TUnitQueue(std::size_t Bound);

 private:
  // Whether the owner must be woken for a new unit: asleep (yes), looking again by itself soon
  // (only for a Sync unit), already woken, or in a turn (it looks when the turn ends).
  enum class TOwner { Asleep, Looking, Woken, InTurn };
  struct TEntry {
    TUnit Unit;
    std::uint64_t Ticket = 0;
  };

  bool TakeFront(std::uint64_t Limit, TEntry& Entry);
  void MarkRun(std::uint64_t Ticket);

  const std::size_t FBound;
  const std::size_t FLowWater;
  mutable std::mutex FMutex;
  std::condition_variable FRoom;    // waiting for room
  std::condition_variable FRan;     // waiting for a Sync unit
  std::condition_variable FQueued;  // the owner waiting for units
  std::deque<TEntry> FEntries;
  std::uint64_t FLastTicket = 0;
  std::uint64_t FDoneTicket = 0;
  std::size_t FPeak = 0;
  int FRoomWaiters = 0;
  int FSyncWaiters = 0;
  TOwner FOwner = TOwner::Asleep;
  bool FClosed = false;    // no unit goes in any more
  bool FReleased = false;  // the discarded units are gone: Sync callers may go on
};
