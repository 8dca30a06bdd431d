#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <atomic>
#include <chrono>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

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
