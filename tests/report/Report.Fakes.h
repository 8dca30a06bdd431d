#pragma once

#include <atomic>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/DateTime.h"
#include "report/Tester.DiskQuery.h"
#include "report/Tester.View.h"

// A view that records every call as text and keeps the two log lists as a window would.
class TFakeView : public TTesterView {
 public:
  std::vector<std::string> Calls;
  std::deque<std::string> CurrentLog;         // "현재 회차"
  std::deque<std::string> LastAndCurrentLog;  // "이전 + 현재 회차"
  std::vector<double> HorizontalLevels;
  std::vector<double> PointXs;                          // every chart point's X, in order
  std::vector<std::pair<double, double>> Temperatures;  // X and °C
  std::vector<std::vector<TChartPhase>> ShownPhases;
  std::vector<std::string> Errors;
  int ButtonsHidden = 0;

  void SetProgress(int Position) override {
    Calls.push_back("Progress " + std::to_string(Position));
  }
  void SetCurrFileText(const std::string& Text) override { Calls.push_back("File " + Text); }
  void SetCurrSpdText(const std::string& Text) override { Calls.push_back("Speed " + Text); }
  void AddChartPoint(double X, double Y) override {
    PointXs.push_back(X);
    Calls.push_back("Point " + Number(X) + " " + Number(Y));
  }
  void AddChartTemperature(double X, double TemperatureInC) override {
    Temperatures.emplace_back(X, TemperatureInC);
  }
  void ShowChartPhases(const std::vector<TChartPhase>& Phases) override {
    ShownPhases.push_back(Phases);
  }
  void AddReadChartPoint(double X, double Y) override {
    Calls.push_back("ReadPoint " + Number(X) + " " + Number(Y));
  }
  void ClearChart() override { Calls.push_back("ClearChart"); }
  void RefreshHorizontalLine(bool IsEnd, double Level) override {
    HorizontalLevels.push_back(Level);
    Calls.push_back(std::string("Line ") + (IsEnd ? "end " : "") + Number(Level));
  }
  void AddLogLine(const std::string& Line) override {
    CurrentLog.push_back(Line);
    LastAndCurrentLog.push_back(Line);
    Calls.push_back("Log " + Line);
  }
  void RotateLogs(int LinesToRemove) override {
    CurrentLog.clear();
    for (int I = 0; I < LinesToRemove && !LastAndCurrentLog.empty(); ++I) {
      LastAndCurrentLog.pop_front();
    }
    Calls.push_back("Rotate " + std::to_string(LinesToRemove));
  }
  void HideButtons() override {
    ++ButtonsHidden;
    Calls.push_back("HideButtons");
  }
  void ShowError(const std::string& Text) override {
    Errors.push_back(Text);
    Calls.push_back("Error");
  }
  // The latest copy of the run's result.
  std::shared_ptr<const TRunResult> Run;
  void SetRunResult(std::shared_ptr<const TRunResult> Copy) override { Run = std::move(Copy); }

  // Only the log lines, in order.
  std::vector<std::string> LogLines() const {
    std::vector<std::string> Lines;
    for (const auto& Call : Calls) {
      if (Call.rfind("Log ", 0) == 0) {
        Lines.push_back(Call.substr(4));
      }
    }
    return Lines;
  }

 private:
  static std::string Number(double Value) {
    std::string Text = std::to_string(Value);
    Text.erase(Text.find_last_not_of('0') + 1);
    if (Text.back() == '.') {
      Text.pop_back();
    }
    return Text;
  }
};

// A clock the test sets; read by the worker and the GUI thread.
class TFakeClock {
 public:
  explicit TFakeClock(double Start = EncodeDateTime({2024, 5, 1, 13, 45, 7, 0})) : FNow(Start) {}
  void Set(double Now) { FNow = Now; }
  void Advance(double Days) { FNow = FNow + Days; }
  double operator()() const { return FNow; }

 private:
  std::atomic<double> FNow;
};

constexpr std::int64_t MiB = 1024 * 1024;
