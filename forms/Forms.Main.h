#pragma once

#include <QEvent>
#include <QWidget>
#include <memory>

#include "engine/Setting.h"
#include "forms/Forms.Setting.h"
#include "forms/Tester.Worker.h"

class QEventLoop;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class TSpeedChart;
class TTabControl;
class TTesterView;
class QLineSeries;

// Posted to the main window while it is created; handled once the window is on screen.
inline constexpr QEvent::Type WM_OPEN_SETTING = static_cast<QEvent::Type>(QEvent::User + 300);

// The main window: progress, pause and cancel, the speed chart and the two log lists.
class TfMain : public QWidget {
  Q_OBJECT

 public:
  TfMain(TSettingSources SettingSources, TTesterFactory TesterFactory);
  ~TfMain() override;

  // The controls, in declaration order; the view writes them, tests read them.
  QLabel* lCurrSpd;
  QLabel* lCurrFile;
  QProgressBar* pProgress;
  QPushButton* bIdle;
  QPushButton* bCancel;
  TSpeedChart* cLog;
  TTabControl* tSelectLogRange;
  QListWidget* lCurrentLog;
  QListWidget* lLastAndCurrentLog;
  QLineSeries* FSpeedSeries;
  QLineSeries* FHorizontalLine;
  QLabel* lCafe;

  // The settings window while it is open (null otherwise).
  TfSetting* fSetting() const { return FSetting; }
  const TSetting& TestSetting() const { return FTestSetting; }
  bool HasTester() const { return FTesterThread != nullptr; }
  TTesterView& View() { return *FView; }

  void OpenSetting();
  void StartTester();
  void StopTester();
  void bIdleClick();
  void bCancelClick();
  void tSelectLogRangeChange();
  void FormResize();
  // The chart's context menu at At (global position): saving the chart as a picture, and
  // drawing saved results over it for comparison.
  void ShowChartMenu(const QPoint& At);

 protected:
  bool event(QEvent* Event) override;
  void closeEvent(QCloseEvent* Event) override;
  void resizeEvent(QResizeEvent* Event) override;

 private:
  void FormCreate();
  void CreateControls();
  // Posted by the worker's last act; runs on the GUI thread.
  Q_INVOKABLE void WorkerEnded();

  TSettingSources FSettingSources;
  TTesterFactory FTesterFactory;
  TfSetting* FSetting = nullptr;
  TSetting FTestSetting;
  double FStartedAt = 0.0;             // when the test started: the saved chart's caption names it
  std::unique_ptr<TTesterView> FView;  // declared before the worker: it outlives it
  std::unique_ptr<TTesterWorker> FTesterThread;
  // Set on the GUI thread by the worker's last act; wakes StopTester's wait.
  bool FWorkerEnded = false;
  bool FStopping = false;
  bool FCloseRequested = false;
  bool FClosing = false;
  QEventLoop* FStopLoop = nullptr;
};
