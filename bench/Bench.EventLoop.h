#pragma once

// For the windows' benchmarks: the calling thread, the GUI thread, runs its event loop (and so
// the units the worker hands it) until the worker has ended.

#include <QEventLoop>
#include <QTimer>

#include "engine/Tester.Thread.h"

namespace BenchRig {

inline void RunEventsUntilFinished(const TTesterThread& Worker, int PollMs) {
  QEventLoop Loop;
  QTimer Finished;
  QObject::connect(&Finished, &QTimer::timeout, [&] {
    if (Worker.IsFinished()) {
      Loop.quit();
    }
  });
  Finished.start(PollMs);
  Loop.exec();
}

}  // namespace BenchRig
