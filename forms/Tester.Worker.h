#pragma once

#include <functional>
#include <memory>

#include "engine/Setting.h"

class TTesterView;

// What the main window asks of a running test. The real one wraps the worker thread and its
// presenter; keeping the window on this small interface lets it be built and tried alone.
class TTesterWorker {
 public:
  virtual ~TTesterWorker() = default;  // returns only after the worker's thread has ended

  virtual void ToggleIdle() = 0;
  virtual void Terminate() = 0;
  virtual bool IsFinished() const = 0;
};

// Creates and starts a test. OnFinished is called on the worker's thread as its last act.
// Raises when the test cannot be set up (e.g. a log file cannot be created).
using TTesterFactory = std::function<std::unique_ptr<TTesterWorker>(
    const TSetting& Setting, TTesterView& View, std::function<void()> OnFinished)>;
