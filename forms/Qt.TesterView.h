#pragma once

#include "report/Tester.View.h"

class QListWidget;
class QString;
class TfMain;

// The presenter's view on the main window's controls. Runs on the GUI thread only.
class TQtTesterView : public TTesterView {
 public:
  explicit TQtTesterView(TfMain& fMain) : FMain(fMain) {}

  void SetProgress(int Position) override;
  void SetCurrFileText(const std::string& Text) override;
  void SetCurrSpdText(const std::string& Text) override;
  void AddChartPoint(double X, double Y) override;
  void AddReadChartPoint(double X, double Y) override;
  void ClearChart() override;
  void RefreshHorizontalLine(bool IsEnd, double Level) override;
  void AddChartTemperature(double X, double TemperatureInC) override;
  void ShowChartPhases(const std::vector<TChartPhase>& Phases) override;
  void AddLogLine(const std::string& Line) override;
  void RotateLogs(int LinesToRemove) override;
  void HideButtons() override;
  void ShowError(const std::string& Text) override;
  void SetRunResult(std::shared_ptr<const TRunResult> Run) override;

 private:
  void AppendLine(QListWidget* List, bool& NeedsScroll, const QString& Line);
  void ScrollLogs();

  TfMain& FMain;
  bool FScrollCurrentLog = false;
  bool FScrollLastLog = false;
  bool FScrollPosted = false;
  int FChartPass = 0;  // the number of the pass on the chart
};
