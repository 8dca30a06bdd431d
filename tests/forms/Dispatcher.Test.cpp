#include <gtest/gtest.h>

#include <QThread>
#include <atomic>
#include <mutex>
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
