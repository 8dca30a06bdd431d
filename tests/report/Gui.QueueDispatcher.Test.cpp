#include "report/Gui.QueueDispatcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "fakes/Full.Queue.Scenario.h"

namespace {

using namespace std::chrono_literals;

// Polls until Condition holds; short sleeps keep the test fast and free of fixed delays.
template <typename TCondition>
bool Eventually(TCondition Condition) {
  for (int I = 0; I < 2000; ++I) {
    if (Condition()) {
      return true;
    }
    std::this_thread::sleep_for(1ms);
  }
  return false;
}

TEST(QueueDispatcher, QueuedAndSyncUnitsRunInOneOrderOnlyWhenTheOwnerRunsThem) {
  TQueueDispatcher Dispatcher;
  std::vector<std::string> Ran;  // touched on the owning thread only
  std::atomic<bool> SyncReturned{false};

  std::thread Worker([&] {
    Dispatcher.Queue([&] { Ran.push_back("q1"); });
    Dispatcher.Queue([&] { Ran.push_back("q2"); });
    Dispatcher.Sync([&] { Ran.push_back("s3"); });
    SyncReturned = true;
    Dispatcher.Queue([&] { Ran.push_back("q4"); });
  });

  ASSERT_TRUE(Eventually([&] { return Dispatcher.PendingCount() == 3; }));
  std::this_thread::sleep_for(5ms);
  EXPECT_TRUE(Ran.empty());
  EXPECT_FALSE(SyncReturned);  // the worker waits for the owner

  while (!SyncReturned) {
    Dispatcher.WaitAndRunPending(10ms);
  }
  Worker.join();
  Dispatcher.RunPending();
  EXPECT_EQ(Ran, (std::vector<std::string>{"q1", "q2", "s3", "q4"}));
}

TEST(QueueDispatcher, TheOwnerRunsUnitsAtOnceEvenFromInsideAUnit) {
  TQueueDispatcher Dispatcher;
  std::vector<int> Ran;
  Dispatcher.Queue([&] { Ran.push_back(1); });
  Dispatcher.Sync([&] {
    Dispatcher.Queue([&] { Ran.push_back(2); });
    Ran.push_back(3);
  });
  EXPECT_EQ(Ran, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(Dispatcher.PendingCount(), 0u);
}

TEST(QueueDispatcher, WaitAndRunPendingWakesOnAUnitAndTimesOutWithout) {
  TQueueDispatcher Dispatcher;
  EXPECT_EQ(Dispatcher.WaitAndRunPending(1ms), 0u);
  bool Ran = false;
  std::thread Worker([&] {
    std::this_thread::sleep_for(5ms);
    Dispatcher.Queue([&] { Ran = true; });
  });
  EXPECT_EQ(Dispatcher.WaitAndRunPending(10s), 1u);
  Worker.join();
  EXPECT_TRUE(Ran);
}

// Right after it has run units the owner is not woken for queued ones: it must still find them
// by looking again, and a Sync caller must still be served at once, not after the deadline.
TEST(QueueDispatcher, AnOwnerThatJustRanUnitsStillFindsQueuedAndSyncUnits) {
  TQueueDispatcher Dispatcher;
  std::thread FirstWorker([&] { Dispatcher.Queue([] {}); });
  FirstWorker.join();
  ASSERT_EQ(Dispatcher.WaitAndRunPending(10s), 1u);

  std::atomic<int> Ran{0};
  std::thread Worker([&] {
    std::this_thread::sleep_for(2ms);
    Dispatcher.Queue([&] { ++Ran; });
    Dispatcher.Sync([&] { ++Ran; });
  });
  // A polling owner that never looked again would return 0 only at the deadline.
  std::size_t Total = Dispatcher.WaitAndRunPending(10s);
  EXPECT_GE(Total, 1u);
  while (Ran < 2) {
    Total += Dispatcher.WaitAndRunPending(10s);
  }
  Worker.join();
  EXPECT_EQ(Total, 2u);
}

TEST(QueueDispatcher, DestructionDiscardsPendingUnitsAndReleasesABlockedSyncCaller) {
  auto Dispatcher = std::make_unique<TQueueDispatcher>();
  auto Held = std::make_shared<int>(0);
  bool Ran = false;
  std::atomic<bool> SyncReturned{false};
  std::thread Worker([&, Raw = Dispatcher.get()] {
    Raw->Queue([&Ran, Held] { Ran = true; });
    Raw->Sync([&Ran] { Ran = true; });
    SyncReturned = true;
  });
  ASSERT_TRUE(Eventually([&] { return Dispatcher->PendingCount() == 2; }));
  EXPECT_EQ(Held.use_count(), 2);

  Dispatcher.reset();
  Worker.join();  // would hang if the blocked caller were not released
  EXPECT_TRUE(SyncReturned);
  EXPECT_FALSE(Ran);
  EXPECT_EQ(Held.use_count(), 1);  // the discarded unit's captures are freed
}

TEST(QueueDispatcher, AUnitThatThrowsStillReleasesItsSyncCaller) {
  TQueueDispatcher Dispatcher;
  std::atomic<bool> SyncReturned{false};
  bool LaterRan = false;
  std::thread Worker([&] {
    Dispatcher.Sync([] { throw std::runtime_error("unit failed"); });
    SyncReturned = true;
    Dispatcher.Queue([&] { LaterRan = true; });
  });
  ASSERT_TRUE(Eventually([&] { return Dispatcher.PendingCount() == 1; }));
  EXPECT_THROW(Dispatcher.RunPending(), std::runtime_error);
  Worker.join();
  EXPECT_TRUE(SyncReturned);
  Dispatcher.RunPending();
  EXPECT_TRUE(LaterRan);
}

// A worker that queues faster than the owner runs units waits once Bound units wait, and goes on
// when the owner has run half of them: memory stays flat and no unit is lost or reordered. The
// owner serves until the worker has ended and only then joins it, as the terminal does.
TEST(QueueDispatcher, AWorkerAheadOfItsOwnerWaitsAtTheBoundAndLosesNothing) {
  TQueueDispatcher Dispatcher(8);
  std::vector<int> Ran;  // owner only
  std::atomic<int> Queued{0};
  std::atomic<bool> Done{false};
  std::thread Worker([&] {
    for (int Index = 0; Index < 100; ++Index) {
      Dispatcher.Queue([&Ran, Index] { Ran.push_back(Index); });
      ++Queued;
    }
    Done = true;
  });
  ASSERT_TRUE(Eventually([&] { return Queued == 8; }));
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(Queued, 8);  // held at the bound while the owner runs nothing
  EXPECT_EQ(Dispatcher.PendingCount(), 8u);

  while (!Done) {
    Dispatcher.WaitAndRunPending(10ms);
  }
  Worker.join();
  Dispatcher.RunPending();
  ASSERT_EQ(Ran.size(), 100u);
  EXPECT_TRUE(std::is_sorted(Ran.begin(), Ran.end()));
  EXPECT_LE(Dispatcher.PeakPendingCount(), 8u);
}

TEST(QueueDispatcher, AFullQueueNeverDeadlocks) {
  ExpectAFullQueueNeverDeadlocks<TQueueDispatcher>(
      std::make_unique<TQueueDispatcher>(4),
      [](TQueueDispatcher& Owned, const std::function<bool()>& Condition) {
        while (!Condition()) {
          Owned.WaitAndRunPending(10ms);
        }
      });
}

TEST(QueueDispatcher, TheOwnerCanBeAnotherThreadAndOnlyItRunsUnits) {
  std::atomic<TQueueDispatcher*> Shared{nullptr};
  std::atomic<std::size_t> RanOnOwner{0};
  std::thread Owner([&] {
    while (Shared.load() == nullptr) {
      std::this_thread::yield();
    }
    RanOnOwner = Shared.load()->WaitAndRunPending(10s);
  });
  TQueueDispatcher Dispatcher(Owner.get_id());
  EXPECT_THROW(Dispatcher.RunPending(), std::logic_error);
  bool Ran = false;
  Dispatcher.Queue([&] { Ran = true; });  // not the owner: queued, not run
  EXPECT_FALSE(Ran);
  Shared = &Dispatcher;
  Owner.join();
  EXPECT_EQ(RanOnOwner, 1u);
  EXPECT_TRUE(Ran);
}

}  // namespace
