#pragma once

#include <functional>

// Hands units of GUI work from the worker to the GUI thread. Queued and synchronous units
// share one first-in, first-out queue; on the GUI thread itself both run the unit at once.
// Destroying the dispatcher discards the units it queued that have not run yet.
class TGuiDispatcher {
 public:
  using TUnit = std::function<void()>;

  virtual ~TGuiDispatcher() = default;

  // Appends the unit and returns at once.
  virtual void Queue(TUnit Unit) = 0;
  // Appends the unit and returns after the GUI thread has run it.
  virtual void Sync(TUnit Unit) = 0;
};
