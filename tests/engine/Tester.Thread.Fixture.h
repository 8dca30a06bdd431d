#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "engine/Tester.Thread.h"
#include "fakes/Fake.TesterPlatform.h"
#include "fakes/Recording.Presenter.h"

// One worker on a fake volume with a recording presenter. Hooks of the fake and the record
// run on the worker and reach it through Worker (Thread belongs to the test's thread); the
// worker is held at its first call, the opening of the folder, until Worker is set.
class TesterThreadTest : public testing::Test {
 protected:
  static constexpr std::int64_t MiB = TFakeTesterPlatform::MiB;
  static inline const std::string Drive = "/vol/";

  static TSetting Setting(std::int64_t ToLeft, TLeftUnit Unit = TLeftUnit::LeaveByMiB) {
    TSetting Result;
    Result.IsSet = true;
    Result.DrivePath = Drive;
    Result.ToLeft = ToLeft;
    Result.ToLeftUnit = Unit;
    Result.NeedCache = true;
    return Result;
  }

  void MakeVolume(std::int64_t FreeBytes, std::int64_t TotalBytes = 0) {
    Volume = std::make_shared<TFakeTesterPlatform>(FreeBytes, TotalBytes);
  }

  void Start(const TSetting& TestSetting) {
    FStarted = std::promise<void>();
    auto Gate = FStarted.get_future().share();
    auto Then = Volume->OnOpenFolder;
    Volume->OnOpenFolder = [Gate, Then] {
      Gate.wait();
      if (Then) {
        Then();
      }
    };
    Thread = std::make_unique<TTesterThread>(
        TestSetting, std::make_unique<TRecordingPresenter>(Record), Volume,
        [this] { FinishedSeenFinished = Worker->IsFinished(); });
    Worker = Thread.get();
    FStarted.set_value();
  }

  void Run(const TSetting& TestSetting) {
    Start(TestSetting);
    ASSERT_TRUE(Thread->WaitFor(std::chrono::seconds(20))) << "the worker did not end";
  }

  static std::string File(int Number) { return Drive + "Randomfile" + std::to_string(Number); }

  std::shared_ptr<TFakeTesterPlatform> Volume;
  std::shared_ptr<TPresenterRecord> Record = std::make_shared<TPresenterRecord>();
  std::unique_ptr<TTesterThread> Thread;
  TTesterThread* Worker = nullptr;
  bool FinishedSeenFinished = false;

 private:
  std::promise<void> FStarted;
};
