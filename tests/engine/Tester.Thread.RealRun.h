#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "engine/Tester.Thread.h"
#include "fakes/Recording.Presenter.h"

// One run of the worker on real files with a recording presenter, waited for to its end.
struct TRealRun {
  std::shared_ptr<TPresenterRecord> Record = std::make_shared<TPresenterRecord>();
  std::optional<TTesterError> Error;

  void Run(const TSetting& TestSetting, std::shared_ptr<TTesterPlatform> System) {
    TTesterThread Thread(TestSetting, std::make_unique<TRecordingPresenter>(Record),
                         std::move(System));
    ASSERT_TRUE(Thread.WaitFor(std::chrono::seconds(120))) << "the worker did not end";
    Error = Thread.Error();
  }
  std::size_t Writes() const { return Record->CallsStartingWith("ApplyProgress").size(); }
};

// Leaves ToLeftInMiB, through the cache, keeping the files.
inline TSetting RealSetting(const std::string& DrivePath, std::int64_t ToLeftInMiB) {
  TSetting Result;
  Result.IsSet = true;
  Result.DrivePath = DrivePath;
  Result.ToLeft = ToLeftInMiB;
  Result.ToLeftUnit = TLeftUnit::LeaveByMiB;
  Result.NeedCache = true;
  return Result;
}

inline std::set<std::string> Names(const std::filesystem::path& Folder) {
  std::set<std::string> Result;
  for (const auto& Entry : std::filesystem::directory_iterator(Folder)) {
    Result.insert(Entry.path().filename().string());
  }
  return Result;
}
