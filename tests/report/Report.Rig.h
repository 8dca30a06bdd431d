#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "Report.Fakes.h"
#include "report/Gui.QueueDispatcher.h"
#include "report/Tester.ToView.h"

// A presenter wired to a fake view, a fake disk and a fake clock. The test's thread is the
// GUI thread: calls made on it run their units at once; OnWorker makes them from a worker
// thread, as the program does, so the units wait in the queue until the test runs them.
struct TPresenterRig {
  TFakeView View;
  TFakeClock Clock;
  TDiskIdentity Disk{"FAKE-SSD 1000", 1000 * MiB};
  TQueueDispatcher* Dispatcher = nullptr;  // owned by the presenter
  std::unique_ptr<TTesterToView> Presenter;

  explicit TPresenterRig(const TSetting& Setting = {}, const std::string& DecimalSeparator = ".") {
    auto Owned = std::make_unique<TQueueDispatcher>();
    Dispatcher = Owned.get();
    Presenter = std::make_unique<TTesterToView>(
        Setting, View, std::move(Owned), [this](const std::string&) { return Disk; },
        [this] { return Clock(); }, DecimalSeparator);
  }

  TTesterToView& operator*() { return *Presenter; }
  TTesterToView* operator->() { return Presenter.get(); }

  // Calls that only queue: the worker is done before the GUI runs anything.
  void OnWorker(const std::function<void()>& Calls) { std::thread(Calls).join(); }

  // Calls that may wait for the GUI: the test's thread serves the queue meanwhile.
  void OnWorkerServed(const std::function<void()>& Calls) {
    std::atomic<bool> Done{false};
    std::thread Worker([&] {
      Calls();
      Done = true;
    });
    while (!Done) {
      Dispatcher->WaitAndRunPending(std::chrono::milliseconds(2));
    }
    Worker.join();
    Dispatcher->RunPending();
  }

  // A pass on a disk of Disk.SizeInByte: the header, then one write of 8 MiB per speed, each
  // with the time that speed takes.
  template <typename TSpeeds>
  void PassOf(std::int32_t TestCount, std::int64_t FreeMiB, const TSpeeds& Speeds) {
    const auto Target = static_cast<std::int32_t>(std::size(Speeds) * 8);
    Presenter->PrintInitialSetting(TestCount, FreeMiB * MiB, Disk.SizeInByte, Target);
    std::int32_t Written = 0;
    for (const int Speed : Speeds) {
      Written += 8;
      Presenter->ApplyWriteTime(8.0 / Speed, std::nullopt);
      Presenter->ApplyProgress(Written, Target, Speed);
    }
  }
  void Pass(std::int32_t TestCount, std::int64_t FreeMiB, std::initializer_list<int> Speeds) {
    PassOf(TestCount, FreeMiB, Speeds);
  }
};
