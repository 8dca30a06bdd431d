#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "fakes/Full.Queue.Scenario.h"
#include "forms/Qt.Dispatcher.h"
#include "tests/forms/Forms.Fixtures.h"

namespace {

TEST(QtDispatcher, OnTheGuiThreadBothKindsRunAtOnce) {
  TQtDispatcher Dispatcher;
  std::vector<int> Ran;
  Dispatcher.Queue([&] { Ran.push_back(1); });
  Dispatcher.Sync([&] { Ran.push_back(2); });
  EXPECT_EQ(Ran, (std::vector<int>{1, 2}));
}

TEST(QtDispatcher, WorkerUnitsRunOnTheGuiThreadInOrderAndSyncWaits) {
  TQtDispatcher Dispatcher;
  std::vector<int> Ran;  // touched only on the GUI thread
  std::atomic<bool> SyncReturned{false};
  std::atomic<std::size_t> SeenBySync{0};
  const QThread* Gui = QThread::currentThread();
  std::atomic<bool> AllOnGui{true};
  std::thread Worker([&] {
    for (int Index = 0; Index < 100; ++Index) {
      Dispatcher.Queue([&, Index] {
        AllOnGui = AllOnGui && QThread::currentThread() == Gui;
        Ran.push_back(Index);
      });
    }
    Dispatcher.Sync([&] { SeenBySync = Ran.size(); });
    SyncReturned = true;
  });
  ASSERT_TRUE(WaitUntil([&] { return SyncReturned.load(); }));
  Worker.join();
  EXPECT_EQ(SeenBySync, 100u);  // everything queued before the synchronous unit ran first
  EXPECT_TRUE(AllOnGui);
  ASSERT_EQ(Ran.size(), 100u);
  EXPECT_TRUE(std::is_sorted(Ran.begin(), Ran.end()));
}

// Counts the wake-ups posted to the GUI thread (queued calls arrive as meta-call events).
class TWakeUpCounter : public QObject {
 public:
  TWakeUpCounter() { QCoreApplication::instance()->installEventFilter(this); }
  ~TWakeUpCounter() override { QCoreApplication::instance()->removeEventFilter(this); }
  int Count = 0;

 protected:
  bool eventFilter(QObject*, QEvent* Event) override {
    Count += Event->type() == QEvent::MetaCall ? 1 : 0;
    return false;
  }
};

TEST(QtDispatcher, AStreamOfUnitsWakesTheGuiThreadOnceAndSyncAtOnce) {
  TQtDispatcher Dispatcher;
  TWakeUpCounter WakeUps;
  std::atomic<int> Ran{0};
  const auto QueueFromWorker = [&](int Count) {
    std::thread Worker([&] {
      for (int Index = 0; Index < Count; ++Index) {
        Dispatcher.Queue([&] { ++Ran; });
      }
    });
    Worker.join();  // the GUI thread handles no event meanwhile
  };

  QueueFromWorker(100);
  ASSERT_TRUE(WaitUntil([&] { return Ran == 100; }));
  EXPECT_EQ(WakeUps.Count, 1);

  // Right after running units the GUI thread looks again by itself: no wake-up is posted.
  QueueFromWorker(50);
  ASSERT_TRUE(WaitUntil([&] { return Ran == 150; }));
  EXPECT_EQ(WakeUps.Count, 1);

  // A worker waiting in Sync is not left to the timer.
  std::atomic<bool> Syncing{false};
  std::atomic<bool> SyncReturned{false};
  std::thread Worker([&] {
    Syncing = true;
    Dispatcher.Sync([&] { ++Ran; });
    SyncReturned = true;
  });
  while (!Syncing) {
    std::this_thread::yield();
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_TRUE(WaitUntil([&] { return SyncReturned.load(); }));
  Worker.join();
  EXPECT_EQ(WakeUps.Count, 2);
  EXPECT_EQ(Ran, 151);
}

TEST(QtDispatcher, AUnitThatThrowsLeavesTheRestToRun) {
  TQtDispatcher Dispatcher;
  std::atomic<int> Ran{0};
  std::thread Worker([&] {
    Dispatcher.Queue([] { throw std::runtime_error("unit failed"); });
    Dispatcher.Queue([&] { ++Ran; });
    Dispatcher.Queue([&] { ++Ran; });
  });
  Worker.join();
  ReportedErrors().clear();
  EXPECT_TRUE(WaitUntil([&] { return Ran == 2; }));
  EXPECT_EQ(ReportedErrors(), QStringList{"unit failed"});
}

// Keeps the GUI thread busy for about Microseconds, as a unit of real window work does.
void Spin(int Microseconds) {
  const auto End = std::chrono::steady_clock::now() + std::chrono::microseconds(Microseconds);
  while (std::chrono::steady_clock::now() < End) {
  }
}

// A worker that queues far faster than the GUI thread runs units, and does not stop: the event
// loop still gets its turn between short runs of units, memory is held at the bound, and every
// unit still arrives, in order. (So that a starving dispatcher fails here instead of hanging
// the test, the worker gives up after three seconds' worth of units.)
TEST(QtDispatcher, AWorkerThatNeverStopsQueuingDoesNotStarveTheGuiThread) {
  TQtDispatcher Dispatcher(64);
  std::vector<int> Ran;  // GUI thread only
  std::atomic<bool> Stop{false};
  std::atomic<bool> Stopped{false};
  std::atomic<int> Queued{0};
  std::thread Worker([&] {
    for (int Index = 0; !Stop && Index < 30000; ++Index) {
      Dispatcher.Queue([&Ran, Index] {
        Spin(100);
        Ran.push_back(Index);
      });
      Queued = Index + 1;
    }
    Stopped = true;
  });

  QElapsedTimer Clock;
  Clock.start();
  qint64 Last = 0;
  qint64 WorstGap = 0;
  int Ticks = 0;
  QTimer Tick;
  QObject::connect(&Tick, &QTimer::timeout, [&] {
    WorstGap = std::max(WorstGap, Clock.elapsed() - Last);
    Last = Clock.elapsed();
    ++Ticks;
  });
  Tick.start(5);
  QEventLoop Loop;
  QTimer::singleShot(300, &Loop, &QEventLoop::quit);
  Loop.exec();
  const qint64 Looped = Clock.elapsed();
  Stop = true;
  // The worker may be waiting for room: units must go on running until it has stopped, and
  // only then is it joined (as the window's stop does).
  ASSERT_TRUE(WaitUntil([&] { return Stopped.load(); }));
  Worker.join();
  ASSERT_TRUE(WaitUntil([&] { return Ran.size() == static_cast<std::size_t>(Queued.load()); }));

  EXPECT_LT(Looped, 2000);  // the loop got its own timer's event in time
  EXPECT_GE(Ticks, 3);
  EXPECT_LT(WorstGap, 1000);  // a bound for a loaded machine; a turn lasts TurnSlice
  EXPECT_LE(Dispatcher.PeakPendingCount(), 64u);
  for (std::size_t Index = 0; Index < Ran.size(); ++Index) {
    ASSERT_EQ(Ran[Index], static_cast<int>(Index));
  }
}

// A turn runs only what was queued before it began: what the worker queues meanwhile waits for
// the next turn, after the events that came in between.
TEST(QtDispatcher, UnitsQueuedDuringATurnWaitForTheNextOne) {
  TQtDispatcher Dispatcher;
  std::vector<std::string> Order;  // GUI thread only
  std::atomic<bool> ReleaseB{false};
  std::atomic<bool> QueuedB{false};
  std::thread Worker([&] {
    Dispatcher.Queue([&] {
      Order.push_back("A");
      QTimer::singleShot(0, [&] { Order.push_back("event"); });
      ReleaseB = true;
      while (!QueuedB) {  // B is in the queue before this turn ends
        std::this_thread::yield();
      }
    });
    while (!ReleaseB) {
      std::this_thread::yield();
    }
    Dispatcher.Queue([&] { Order.push_back("B"); });
    QueuedB = true;
  });
  ASSERT_TRUE(WaitUntil([&] { return Order.size() == 3; }));
  Worker.join();
  EXPECT_EQ(Order, (std::vector<std::string>{"A", "event", "B"}));
}

TEST(QtDispatcher, AFullQueueNeverDeadlocks) {
  ExpectAFullQueueNeverDeadlocks<TQtDispatcher>(
      std::make_unique<TQtDispatcher>(4),
      [](TQtDispatcher&, const std::function<bool()>& Condition) {
        ASSERT_TRUE(WaitUntil(Condition));
      });
}

TEST(QtDispatcher, DestroyingItDiscardsUnitsNotRunYet) {
  std::atomic<int> Ran{0};
  auto Dispatcher = std::make_unique<TQtDispatcher>();
  std::thread Worker([&] {
    for (int Index = 0; Index < 10; ++Index) {
      Dispatcher->Queue([&] { ++Ran; });
    }
  });
  Worker.join();  // queued, and the GUI thread has not looked at its queue since
  Dispatcher.reset();
  QCoreApplication::processEvents();
  EXPECT_EQ(Ran, 0);
}

}  // namespace
