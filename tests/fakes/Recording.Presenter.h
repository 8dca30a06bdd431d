#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "engine/Tester.Presenter.h"

// What a presenter was told, one line per call, in order. Shared with the test, because
// the presenter itself goes with the thread that owns it.
class TPresenterRecord {
 public:
  // Runs on the worker thread after each call has been recorded.
  std::function<void(const std::string& Call)> OnCall;

  void Add(const std::string& Call) {
    {
      std::lock_guard Lock(FMutex);
      FCalls.push_back(Call);
    }
    if (OnCall) {
      OnCall(Call);
    }
  }
  struct TWriteTime {
    double Seconds;
    std::optional<float> TemperatureInC;
  };
  void AddWriteTime(double Seconds, std::optional<float> TemperatureInC) {
    std::lock_guard Lock(FMutex);
    FWriteTimes.push_back({Seconds, TemperatureInC});
  }
  std::vector<TWriteTime> WriteTimes() const {
    std::lock_guard Lock(FMutex);
    return FWriteTimes;
  }
  void AddCloseTime(double Seconds) {
    std::lock_guard Lock(FMutex);
    FCloseTimes.push_back(Seconds);
  }
  std::vector<double> CloseTimes() const {
    std::lock_guard Lock(FMutex);
    return FCloseTimes;
  }
  std::vector<std::string> Calls() const {
    std::lock_guard Lock(FMutex);
    return FCalls;
  }
  std::vector<std::string> CallsStartingWith(const std::string& Prefix) const {
    std::vector<std::string> Found;
    for (const auto& Call : Calls()) {
      if (Call.rfind(Prefix, 0) == 0) {
        Found.push_back(Call);
      }
    }
    return Found;
  }

  // Every EndVerify's tally, in order.
  void AddTally(const TVerifyTally& Tally) {
    std::lock_guard Lock(FMutex);
    FTallies.push_back(Tally);
  }
  std::vector<TVerifyTally> Tallies() const {
    std::lock_guard Lock(FMutex);
    return FTallies;
  }

 private:
  mutable std::mutex FMutex;
  std::vector<std::string> FCalls;
  std::vector<TVerifyTally> FTallies;
  std::vector<TWriteTime> FWriteTimes;
  std::vector<double> FCloseTimes;
};

inline std::string Header(std::int32_t TestCount, std::int64_t Free, std::int64_t Total,
                          std::int64_t Target) {
  std::ostringstream Text;
  Text << "PrintInitialSetting " << TestCount << ' ' << Free << ' ' << Total << ' ' << Target;
  return Text.str();
}
inline std::string Progress(std::int32_t Written, std::int32_t Target, std::int32_t Speed) {
  std::ostringstream Text;
  Text << "ApplyProgress " << Written << ' ' << Target << ' ' << Speed;
  return Text.str();
}
inline std::string EndTest(double StartTime, std::uint64_t HostWrite) {
  std::ostringstream Text;
  Text << "EndTest " << StartTime << ' ' << HostWrite;
  return Text.str();
}
inline std::string ReadProgress(std::int32_t Read, std::int32_t Target, std::int32_t Speed) {
  std::ostringstream Text;
  Text << "ApplyReadProgress " << Read << ' ' << Target << ' ' << Speed;
  return Text.str();
}
// "EndVerify" and the sectors read: intact, a few bits, many bytes, overwritten, unreadable,
// and the first damage as file:offset.
inline std::string VerifyCall(const TVerifyTally& Tally) {
  std::ostringstream Text;
  Text << "EndVerify " << Tally.ReadSectors() << '/' << Tally.WrittenSectors << ' '
       << Tally.IntactSectors << ' ' << Tally.FewBitsSectors << ' ' << Tally.ManyBytesSectors << ' '
       << Tally.OverwrittenSectors << ' ' << Tally.UnreadableSectors;
  if (Tally.FirstDamage) {
    Text << ' ' << Tally.FirstDamage->File << ':' << Tally.FirstDamage->Offset;
  }
  return Text.str();
}
inline std::string ErrorCall(const TTesterError& Error) {
  return "PrintError " + Error.Operation + ' ' + Error.Path + ' ' + std::to_string(Error.Code) +
         ' ' + Error.Message;
}

class TRecordingPresenter : public TTesterPresenter {
 public:
  explicit TRecordingPresenter(std::shared_ptr<TPresenterRecord> Record)
      : FRecord(std::move(Record)) {}

  void PrintInitialSetting(std::int32_t TestCount, std::int64_t FreeSizeInByte,
                           std::int64_t TotalSizeInByte, std::int64_t ToFillInByte) override {
    FRecord->Add(Header(TestCount, FreeSizeInByte, TotalSizeInByte, ToFillInByte));
  }
  void ApplyProgress(std::int32_t HostWriteInMiB, std::int32_t NeedToFillInMiB,
                     std::int32_t SpeedInMiB) override {
    FRecord->Add(Progress(HostWriteInMiB, NeedToFillInMiB, SpeedInMiB));
  }
  // Kept apart from the calls: the write's time is noise to the tests that compare calls.
  void ApplyWriteTime(double Seconds, std::optional<float> TemperatureInC) override {
    FRecord->AddWriteTime(Seconds, TemperatureInC);
  }
  void ApplyCloseTime(double Seconds) override { FRecord->AddCloseTime(Seconds); }
  void StartIdle() override { FRecord->Add("StartIdle"); }
  void EndIdle() override { FRecord->Add("EndIdle"); }
  void PassCancelled() override { FRecord->Add("PassCancelled"); }
  void EndTest(double TestStartTime, std::uint64_t TestHostWriteInMiB) override {
    FRecord->Add(::EndTest(TestStartTime, TestHostWriteInMiB));
  }
  void HideButtons() override { FRecord->Add("HideButtons"); }
  void PrintError(const TTesterError& Error) override { FRecord->Add(ErrorCall(Error)); }
  void PrintLeftoverFiles(std::int32_t Count, std::int64_t SizeInByte) override {
    FRecord->Add("PrintLeftoverFiles " + std::to_string(Count) + ' ' + std::to_string(SizeInByte));
  }
  void PrintReplacedFile(const std::string& Path) override {
    FRecord->Add("PrintReplacedFile " + Path);
  }
  void StartDeleting() override { FRecord->Add("StartDeleting"); }
  void EndDeleting() override { FRecord->Add("EndDeleting"); }
  void StartVerify(std::int32_t NeedToReadInMiB) override {
    FRecord->Add("StartVerify " + std::to_string(NeedToReadInMiB));
  }
  void ApplyReadProgress(std::int32_t HostReadInMiB, std::int32_t NeedToReadInMiB,
                         std::int32_t SpeedInMiB, double) override {
    FRecord->Add(ReadProgress(HostReadInMiB, NeedToReadInMiB, SpeedInMiB));
  }
  void EndVerify(const TVerifyTally& Tally) override {
    FRecord->Add(VerifyCall(Tally));
    FRecord->AddTally(Tally);
  }

 private:
  std::shared_ptr<TPresenterRecord> FRecord;
};
