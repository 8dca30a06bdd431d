#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

// The deadlocks a full queue of GUI work could cause, checked alike for the terminal's and the
// window's dispatcher: a Sync unit behind the full queue, a unit queued on the owner's own thread
// while it is full, the dispatcher destroyed while the worker waits for room. Dispatcher holds at
// most 4 units; the test's thread is its owner, and Serve runs its units until Condition holds.
template <typename TDispatcher>
void ExpectAFullQueueNeverDeadlocks(
    std::unique_ptr<TDispatcher> Dispatcher,
    const std::function<void(TDispatcher&, const std::function<bool()>& Condition)>& Serve) {
  // Waits without running units until Count of them wait.
  const auto WaitQueued = [&Dispatcher](std::size_t Count) {
    const auto GiveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (Dispatcher->PendingCount() != Count) {
      if (std::chrono::steady_clock::now() > GiveUp) {
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  };

  std::vector<std::string> Ran;  // owner only
  std::atomic<bool> SyncReturned{false};
  std::thread Syncing([&, Raw = Dispatcher.get()] {
    for (int Index = 0; Index < 4; ++Index) {
      Raw->Queue([&Ran, Index] { Ran.push_back("q" + std::to_string(Index)); });
    }
    Raw->Sync([&Ran] { Ran.push_back("sync"); });  // let in beyond the bound
    SyncReturned = true;
  });
  ASSERT_TRUE(WaitQueued(5));
  Dispatcher->Queue([&Ran] { Ran.push_back("owner"); });  // runs at once, full or not
  Serve(*Dispatcher, [&] { return SyncReturned.load(); });
  Syncing.join();
  EXPECT_EQ(Ran, (std::vector<std::string>{"owner", "q0", "q1", "q2", "q3", "sync"}));

  auto Held = std::make_shared<int>(0);
  std::atomic<int> Queued{0};
  std::thread Waiting([&, Raw = Dispatcher.get()] {
    for (int Index = 0; Index < 5; ++Index) {
      Raw->Queue([&Ran, Held] { Ran.push_back("late"); });
      ++Queued;
    }
  });
  ASSERT_TRUE(WaitQueued(4));
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(Queued, 4);  // the fifth waits for room
  Dispatcher.reset();
  Waiting.join();  // would hang if the waiting worker were not released
  EXPECT_EQ(Queued, 5);
  EXPECT_EQ(Ran.size(), 6u);       // none of them ran
  EXPECT_EQ(Held.use_count(), 1);  // every discarded unit's captures are freed
}
