#include <gtest/gtest.h>

#include <csignal>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTest>
#include <atomic>
#include <memory>
#include <stdexcept>

#include "engine/Tester.Thread.h"
#include "fakes/Fake.TesterPlatform.h"
#include "forms/Forms.Main.h"
#include "forms/Qt.Dispatcher.h"
#include "forms/Speed.Chart.h"
#include "forms/Stop.Signals.h"
#include "forms/Tab.Control.h"
#include "forms/Tester.Thread.Worker.h"
#include "report/Tester.View.h"
#include "tests/forms/Forms.Fixtures.h"

namespace {

TSettingSources OneDrive() {
  return {[] { return std::vector<std::string>{"/vol"}; },
          [](const std::string&) { return std::int64_t{1} << 30; }};
}

TTesterFactory NoTester(int& Calls) {
  return [&Calls](const TSetting&, TTesterView&, std::function<void()>) {
    ++Calls;
    return std::unique_ptr<TTesterWorker>();
  };
}

// The main window on screen, before the settings window was handled.
struct TMainWindowTest : testing::Test {
  int FactoryCalls = 0;
  std::unique_ptr<TfMain> Window;

  void SetUp() override {
    ReportedErrors().clear();
    Window = std::make_unique<TfMain>(OneDrive(), NoTester(FactoryCalls));
    // The settings window is not wanted here: drop the posted request.
    QCoreApplication::removePostedEvents(Window.get(), WM_OPEN_SETTING);
    Window->show();
  }
};

TEST_F(TMainWindowTest, LayoutAtTheCreationSizeMatchesTheWorkedExample) {
  EXPECT_EQ(Window->windowTitle(), QStringLiteral("Varnell 6.0.5 (Moravi Ver.)"));
  EXPECT_EQ(Window->size(), QSize(1043, 730));
  EXPECT_EQ(Window->pProgress->geometry(), QRect(8, 8, 816, 24));
  EXPECT_EQ(Window->bIdle->geometry(), QRect(834, 8, 199, 27));
  EXPECT_EQ(Window->bCancel->geometry(), QRect(834, 45, 199, 27));
  EXPECT_EQ(Window->lCurrFile->y(), 42);
  EXPECT_EQ(Window->lCurrSpd->y(), 67);
  EXPECT_EQ(Window->cLog->geometry(), QRect(7, 102, 1023, 299));
  EXPECT_EQ(Window->tSelectLogRange->geometry(), QRect(8, 421, 1023, 299));
  EXPECT_EQ(Window->tSelectLogRange->geometry().bottom() + 1, 730 - 10);
  EXPECT_EQ(Window->lCafe->y(), 266);
  EXPECT_EQ(Window->lCafe->parentWidget(), Window->cLog);
  EXPECT_EQ(Window->lCurrentLog->geometry(), Window->lLastAndCurrentLog->geometry());
  const QRect List = Window->lLastAndCurrentLog->geometry();
  EXPECT_EQ(List.x(), 2);
  EXPECT_EQ(List.width(), 1023 - 6);
  EXPECT_EQ(List.y() + List.height(), 299 - 2);
  EXPECT_EQ(Window->font().pixelSize(), 12);
  EXPECT_EQ(Window->lCafe->font().pixelSize(), 16);
}

TEST_F(TMainWindowTest, ResizeAfterHiddenButtonsNarrowsTheBarAgain) {
  Window->View().HideButtons();
  EXPECT_EQ(Window->pProgress->width(), 834 + 199 - 8);  // up to where the pause button ended
  EXPECT_FALSE(Window->bIdle->isVisible());
  EXPECT_FALSE(Window->bCancel->isVisible());
  Window->View().HideButtons();  // a second call changes nothing
  EXPECT_EQ(Window->pProgress->width(), 1025);

  Window->resize(900, 600);
  QCoreApplication::processEvents();
  EXPECT_EQ(Window->pProgress->width(), 702);  // floor(900 / 5 * 4 - 8 - 10)
  EXPECT_FALSE(Window->bIdle->isVisible());
  EXPECT_EQ(Window->cLog->height(), (600 - 67 - 15 - 10) / 2 - 20);
}

TEST_F(TMainWindowTest, TinyWindowGivesNoNegativeSizesAndRecovers) {
  Window->resize(12, 40);
  QCoreApplication::processEvents();
  for (const QWidget* Control :
       {static_cast<QWidget*>(Window->pProgress), static_cast<QWidget*>(Window->bIdle),
        static_cast<QWidget*>(Window->cLog), static_cast<QWidget*>(Window->tSelectLogRange),
        static_cast<QWidget*>(Window->lCurrentLog)}) {
    EXPECT_GE(Control->width(), 0);
    EXPECT_GE(Control->height(), 0);
  }
  Window->resize(1043, 730);
  QCoreApplication::processEvents();
  EXPECT_EQ(Window->cLog->geometry(), QRect(7, 102, 1023, 299));
}

TEST_F(TMainWindowTest, TabsShowOneListEach) {
  EXPECT_EQ(Window->tSelectLogRange->TabIndex(), 0);
  EXPECT_EQ(Window->tSelectLogRange->Tabs->tabText(0), QStringLiteral("이전 + 현재 회차"));
  EXPECT_EQ(Window->tSelectLogRange->Tabs->tabText(1), QStringLiteral("현재 회차"));
  Window->tSelectLogRange->Tabs->setCurrentIndex(1);
  EXPECT_TRUE(Window->lCurrentLog->isVisible());
  EXPECT_FALSE(Window->lLastAndCurrentLog->isVisible());
  Window->tSelectLogRange->Tabs->setCurrentIndex(0);
  EXPECT_FALSE(Window->lCurrentLog->isVisible());
  EXPECT_TRUE(Window->lLastAndCurrentLog->isVisible());
}

TEST_F(TMainWindowTest, PauseCaptionFollowsTheClicksWithoutAWorker) {
  EXPECT_EQ(Window->bIdle->text(), QStringLiteral("일시정지"));
  QTest::mouseClick(Window->bIdle, Qt::LeftButton);
  EXPECT_EQ(Window->bIdle->text(), QStringLiteral("재개"));
  QTest::mouseClick(Window->bIdle, Qt::LeftButton);
  EXPECT_EQ(Window->bIdle->text(), QStringLiteral("일시정지"));
  QTest::mouseClick(Window->bCancel, Qt::LeftButton);  // nothing to stop
  EXPECT_TRUE(Window->isVisible());
}

TEST_F(TMainWindowTest, ViewWritesLabelsListsAndChart) {
  TTesterView& View = Window->View();
  View.SetProgress(12);
  View.SetCurrFileText("현재 채워진 용량 : 12.50GiB / 100.00GiB");
  View.SetCurrSpdText("속도 : 512MiB/s");
  EXPECT_EQ(Window->pProgress->value(), 12);
  EXPECT_EQ(Window->lCurrFile->text(), QStringLiteral("현재 채워진 용량 : 12.50GiB / 100.00GiB"));
  EXPECT_GE(Window->lCurrFile->width(), Window->lCurrFile->sizeHint().width());
  EXPECT_EQ(Window->lCurrSpd->height(), 15);

  // Both lists are visible at creation; a tab switch hides the current-pass list.
  Window->tSelectLogRange->Tabs->setCurrentIndex(1);
  Window->tSelectLogRange->Tabs->setCurrentIndex(0);
  for (int Line = 0; Line < 60; ++Line) {
    View.AddLogLine("line " + std::to_string(Line));
  }
  ASSERT_EQ(Window->lCurrentLog->count(), 60);
  ASSERT_EQ(Window->lLastAndCurrentLog->count(), 60);
  QCoreApplication::processEvents();
  // Only the visible list follows the new lines.
  EXPECT_GT(Window->lLastAndCurrentLog->verticalScrollBar()->value(), 0);
  EXPECT_EQ(Window->lCurrentLog->verticalScrollBar()->value(), 0);

  View.RotateLogs(50);
  EXPECT_EQ(Window->lCurrentLog->count(), 0);
  ASSERT_EQ(Window->lLastAndCurrentLog->count(), 10);
  EXPECT_EQ(Window->lLastAndCurrentLog->item(0)->text(), QStringLiteral("line 50"));
  View.RotateLogs(99);  // more than there are
  EXPECT_EQ(Window->lLastAndCurrentLog->count(), 0);

  View.AddChartPoint(87.5, 512);
  View.AddChartPoint(87.25, 500);
  EXPECT_EQ(Window->cLog->Points().size(), 2u);
  View.ClearChart();
  EXPECT_TRUE(Window->cLog->Points().empty());
}

TEST_F(TMainWindowTest, ErrorOfAWriteIsShownInAMessageBox) {
  Window->View().ShowError("WriteFileError: 28");
  QMessageBox* Box = nullptr;
  ASSERT_TRUE(WaitUntil([&] {
    Box = Window->findChild<QMessageBox*>();
    return Box != nullptr && Box->isVisible();
  }));
  EXPECT_TRUE(Box->text().contains(QStringLiteral("WriteFileError: 28")));
  Box->close();
}

// Start-up through the posted request, the settings window answered by Answer.
struct TStartUpTest : testing::Test {
  int FactoryCalls = 0;
  std::unique_ptr<TfMain> Window;
  bool SettingOpenedOverVisibleMain = false;

  void StartUp(std::function<void(TfSetting*)> Answer, TTesterFactory Factory = {}) {
    ReportedErrors().clear();
    Window = std::make_unique<TfMain>(OneDrive(), Factory ? Factory : NoTester(FactoryCalls));
    WhenModalShown<TfSetting>([this, Answer](TfSetting* Setting) {
      SettingOpenedOverVisibleMain = Window->isVisible() && Window->fSetting() == Setting;
      Answer(Setting);
    });
    Window->show();
    ASSERT_TRUE(WaitUntil(
        [this] { return Window->fSetting() == nullptr && SettingOpenedOverVisibleMain; }));
    QCoreApplication::processEvents();
  }
};

TEST_F(TStartUpTest, ClosingTheSettingsWindowClosesTheMainWindowQuietly) {
  StartUp([](TfSetting* Setting) { Setting->close(); });
  EXPECT_TRUE(SettingOpenedOverVisibleMain);
  EXPECT_FALSE(Window->isVisible());
  EXPECT_FALSE(Window->HasTester());
  EXPECT_EQ(FactoryCalls, 0);
  EXPECT_FALSE(Window->TestSetting().IsSet);
  EXPECT_TRUE(ReportedErrors().isEmpty());
}

TEST_F(TStartUpTest, AnErrorOfTheGetterIsReportedAndNoTestStarts) {
  StartUp([](TfSetting* Setting) {
    Setting->cSelection->setCurrentIndex(-1);
    Setting->bStart->click();
  });
  EXPECT_EQ(ReportedErrors(), QStringList{QStringLiteral("Wrong ItemIndex at cSelection: -1")});
  EXPECT_TRUE(Window->isVisible());
  EXPECT_EQ(FactoryCalls, 0);
  EXPECT_FALSE(Window->TestSetting().IsSet);  // not replaced
}

TEST_F(TStartUpTest, AWorkerThatCannotBeBuiltIsReportedAndTheWindowStays) {
  TSetting Seen;
  StartUp(
      [](TfSetting* Setting) {
        Setting->eLeft->setText(QStringLiteral("7"));
        Setting->bStart->click();
      },
      [&Seen](const TSetting& Setting, TTesterView&,
              std::function<void()>) -> std::unique_ptr<TTesterWorker> {
        Seen = Setting;
        throw std::runtime_error("FileCreateError: /nowhere/log.txt");
      });
  EXPECT_EQ(Seen.DrivePath, "/vol/");
  EXPECT_EQ(Seen.ToLeft, 7);
  EXPECT_EQ(ReportedErrors(), QStringList{QStringLiteral("FileCreateError: /nowhere/log.txt")});
  EXPECT_TRUE(Window->isVisible());
  EXPECT_FALSE(Window->HasTester());
}

// A real worker thread on an in-memory volume whose presenter hands the end of the test to
// the window synchronously, as the real one does: a stop that did not run GUI work would hang.
class TSyncEndPresenter : public TTesterPresenter {
 public:
  TSyncEndPresenter(TTesterView& View, std::atomic<int>& Destroyed)
      : FView(View), FDestroyed(Destroyed) {}
  ~TSyncEndPresenter() override { ++FDestroyed; }

  void PrintInitialSetting(std::int32_t, std::int64_t, std::int64_t, std::int64_t) override {}
  void ApplyProgress(std::int32_t, std::int32_t, std::int32_t Speed) override {
    FDispatcher.Queue([this, Speed] { FView.AddChartPoint(50, Speed); });
  }
  void ApplyWriteTime(double, std::optional<float>) override {}
  void ApplyCloseTime(double) override {}
  void StartIdle() override {}
  void EndIdle() override {}
  void EndTest(double, std::uint64_t) override {
    FDispatcher.Sync([this] { FView.AddLogLine("end"); });
  }
  void HideButtons() override {
    FDispatcher.Sync([this] { FView.HideButtons(); });
  }
  void PrintError(const TTesterError&) override {}
  void PrintLeftoverFiles(std::int32_t, std::int64_t) override {}
  void PrintReplacedFile(const std::string&) override {}
  void StartDeleting() override {}
  void EndDeleting() override {}
  void StartVerify(std::int32_t) override {}
  void ApplyReadProgress(std::int32_t, std::int32_t, std::int32_t, double) override {}
  void EndVerify(const TVerifyTally&) override {}

 private:
  TTesterView& FView;
  std::atomic<int>& FDestroyed;
  TQtDispatcher FDispatcher;
};

struct TStopTest : testing::Test {
  std::atomic<int> Destroyed{0};
  std::shared_ptr<TFakeTesterPlatform> Volume =
      std::make_shared<TFakeTesterPlatform>(std::int64_t{1} << 40);
  std::unique_ptr<TfMain> Window;

  void SetUp() override {
    // Slow enough that the test is still running when it is cancelled.
    Volume->OnWrite = [](int) { std::this_thread::sleep_for(std::chrono::milliseconds(2)); };
    Window = std::make_unique<TfMain>(
        OneDrive(),
        [this](const TSetting& Setting, TTesterView& View,
               std::function<void()> OnFinished) -> std::unique_ptr<TTesterWorker> {
          return std::make_unique<TTesterThreadWorker>(std::make_unique<TTesterThread>(
              Setting, std::make_unique<TSyncEndPresenter>(View, Destroyed), Volume,
              std::move(OnFinished)));
        });
    WhenModalShown<TfSetting>([](TfSetting* Setting) { Setting->bStart->click(); });
    Window->show();
    ASSERT_TRUE(WaitUntil([this] { return Window->HasTester(); }));
    ASSERT_TRUE(WaitUntil([this] { return Window->cLog->Points().size() > 3; }));
  }
};

TEST_F(TStopTest, CancelWhilePausedEndsTheTestAndKeepsTheWindow) {
  QTest::mouseClick(Window->bIdle, Qt::LeftButton);
  EXPECT_EQ(Window->bIdle->text(), QStringLiteral("재개"));
  QTest::mouseClick(Window->bCancel, Qt::LeftButton);
  EXPECT_FALSE(Window->HasTester());
  EXPECT_EQ(Destroyed, 1);
  EXPECT_FALSE(Window->bIdle->isVisible());  // the worker's synchronous end ran during the wait
  EXPECT_EQ(Window->lCurrentLog->count(), 1);
  EXPECT_TRUE(Window->isVisible());
}

TEST_F(TStopTest, SecondStopAndCloseDuringTheWaitStopOnceThenClose) {
  // Arrive while the first stop waits: another cancel and a close.
  QTimer::singleShot(0, Window.get(), [this] {
    Window->bCancelClick();
    Window->close();
  });
  Window->bCancelClick();
  EXPECT_FALSE(Window->HasTester());
  EXPECT_EQ(Destroyed, 1);
  EXPECT_FALSE(Window->isVisible());  // the close that came in during the wait happened after it
}

// SIGTERM, SIGHUP and SIGINT reach the window as a close: the worker is stopped and ended
// first, and the process lives on to do it.
TEST_F(TStopTest, ASignalClosesTheWindowAsClosingDoes) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has no such signals: a window there is closed by its own messages";
#else
  int Stops = 0;
  const TStopSignals Signals([&] {
    ++Stops;
    Window->close();
  });
  ASSERT_TRUE(Signals.Watching());
  ASSERT_EQ(raise(SIGTERM), 0);
  ASSERT_TRUE(WaitUntil([this] { return !Window->isVisible(); }, 60000));
  EXPECT_EQ(Stops, 1);
  EXPECT_EQ(Destroyed, 1);
  EXPECT_FALSE(Window->HasTester());
  EXPECT_EQ(Window->lCurrentLog->count(), 1);  // its closing work reached the window
  // The other two arrive the same way, each once.
  for (const int Signal : {SIGHUP, SIGINT}) {
    const int Before = Stops;
    ASSERT_EQ(raise(Signal), 0);
    EXPECT_TRUE(WaitUntil([&] { return Stops == Before + 1; }, 60000)) << Signal;
  }
#endif
}

TEST_F(TStopTest, ClosingDuringATestStopsTheWorkerFirst) {
  QTimer::singleShot(0, Window.get(), [this] { Window->close(); });  // closed again while waiting
  Window->close();
  EXPECT_EQ(Destroyed, 1);
  EXPECT_FALSE(Window->HasTester());
  EXPECT_FALSE(Window->isVisible());
  EXPECT_EQ(Window->lCurrentLog->count(), 1);  // its closing work reached the window
}

}  // namespace
