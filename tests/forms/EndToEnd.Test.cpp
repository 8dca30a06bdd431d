// The real windows, the real worker on real files and the real presenter, together.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "engine/Tester.Thread.h"
#include "fakes/Forwarding.TesterPlatform.h"
#include "forms/Chart.EarlierPasses.h"
#include "forms/Forms.Main.h"
#include "forms/Qt.Dispatcher.h"
#include "forms/Setting.Sources.h"
#include "forms/Speed.Chart.h"
#include "forms/Tester.Starter.h"
#include "forms/Tester.Thread.Worker.h"
#include "report/Tester.ToView.h"
#include "results/Run.Json.h"
#include "simdrive/Sim.Drive.h"
#include "tests/forms/Forms.Fixtures.h"

namespace {

constexpr std::int64_t MiB = 1048576;

QStringList Items(const QListWidget* List) {
  QStringList Lines;
  for (int Row = 0; Row < List->count(); ++Row) {
    Lines << List->item(Row)->text();
  }
  return Lines;
}

QStringList TestFiles(const QString& Folder) {
  return QDir(Folder).entryList({QStringLiteral("Randomfile*")}, QDir::Files);
}

// A folder whose free space only the test changes: a small tmpfs of its own when root, so that
// other programs writing to the same disk cannot move the fill target; else a temporary folder.
class TScratchVolume {
 public:
  explicit TScratchVolume(int SizeMiB) : FPath(QDir(FDir.path()).canonicalPath()) {
    if (geteuid() == 0) {
      const QString Command =
          QStringLiteral("mount -t tmpfs -o size=%1m varnell-test %2").arg(SizeMiB).arg(FPath);
      FMounted = std::system(Command.toUtf8().constData()) == 0;
    }
  }
  ~TScratchVolume() {
    if (FMounted) {
      std::system(("umount " + FPath).toUtf8().constData());
    }
  }
  TScratchVolume(const TScratchVolume&) = delete;
  TScratchVolume& operator=(const TScratchVolume&) = delete;

  const QString& Path() const { return FPath; }
  bool IsOwnFilesystem() const { return FMounted; }

 private:
  QTemporaryDir FDir;
  QString FPath;
  bool FMounted = false;
};

// Every test drives the settings window as a user would: the folder through its "..."
// button, the amount typed (or pasted), the log files picked in the save dialog.
struct TEndToEndTest : testing::Test {
  QTemporaryDir Logs;
  std::unique_ptr<TfMain> Window;
  TSettingSources Sources = SystemSettingSources();
  bool Verify = false;  // "쓰기 후 검증" checked at the start

  void SetUp() override { ReportedErrors().clear(); }

  void TearDown() override {
    if (Window) {
      Window->close();  // stops a worker still running
    }
    Window.reset();
  }

  // Opens the program on Folder, leaving FreeMiB - FillMiB free (Amount overrides the text).
  void Start(const QString& Folder, std::int64_t FillMiB, const QString& Amount = {},
             TTesterFactory Factory = MakeTesterFactory(), bool Repeat = false) {
    const std::int64_t Free = Sources.FreeBytes(Folder.toStdString()) / MiB;
    const QString LeaveText = Amount.isEmpty() ? QString::number(Free - FillMiB) : Amount;
    const QString LogDir = QDir(Logs.path()).canonicalPath();
    const bool OnSystemDrive = Sources.HoldsSystem(Folder.toStdString());
    Window = std::make_unique<TfMain>(Sources, std::move(Factory));
    WhenModalShown<TfSetting>([=, this](TfSetting* Setting) {
      WhenModalShown<QFileDialog>([Folder](QFileDialog* Dialog) {
        Dialog->setDirectory(Folder);
        Dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->clear();
        static_cast<QDialog*>(Dialog)->accept();
      });
      Setting->bDriveFolder->click();
      Setting->sdText->setDirectory(LogDir);
      for (const auto& [Button, Name] : {std::pair{Setting->bLogPath, "Pass log"},
                                         std::pair{Setting->bDetailedLogPath, "detail"}}) {
        WhenModalShown<QFileDialog>([Name](QFileDialog* Dialog) {
          Dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(Name);
          AnswerMessageBox(QStringLiteral("예"));  // create the new log file
          static_cast<QDialog*>(Dialog)->accept();
        });
        Button->click();
      }
      Setting->eLeft->setText(LeaveText);       // as typed, or pasted when negative
      Setting->cSelection->setCurrentIndex(1);  // MiB
      Setting->cCacheEffect->setChecked(true);
      Setting->cRepeat->setChecked(Repeat);
      Setting->cVerify->setChecked(Verify);
      if (OnSystemDrive) {
        AnswerMessageBox(QStringLiteral("예"));  // a temporary folder on the system's drive
      }
      Setting->bStart->click();
    });
    Window->show();
    ASSERT_TRUE(WaitUntil([this] { return Window->HasTester(); }));
    ASSERT_EQ(Window->TestSetting().DrivePath, (Folder + QStringLiteral("/")).toStdString());
  }

  bool ButtonsGone() const { return !Window->bIdle->isVisible() && !Window->bCancel->isVisible(); }

  QStringList LogFileLines(const char* Name) const {
    QFile File(QDir(Logs.path()).filePath(QString::fromUtf8(Name)));
    if (!File.open(QIODevice::ReadOnly)) {
      return {QStringLiteral("<missing>")};
    }
    const QString Text = QString::fromUtf8(File.readAll());
    EXPECT_TRUE(Text.endsWith(QStringLiteral("\r\n")));
    QStringList Lines = Text.split(QStringLiteral("\r\n"));
    Lines.removeLast();
    return Lines;
  }

  // With VARNELL_SCREENSHOT_DIR set (and a real display, e.g. under xvfb-run), saves the
  // screen for a person to look at.
  static void SaveScreenshot(const char* Name) {
    const char* Dir = std::getenv("VARNELL_SCREENSHOT_DIR");
    if (Dir != nullptr && QGuiApplication::primaryScreen() != nullptr) {
      QCoreApplication::processEvents();
      QGuiApplication::primaryScreen()->grabWindow(0).save(
          QDir(QString::fromUtf8(Dir)).filePath(QString::fromUtf8(Name)));
    }
  }
};

TEST_F(TEndToEndTest, APassFillsTheFolderLogsEverythingAndDeletesItsFiles) {
  TScratchVolume Folder(128);
  Start(Folder.Path(), 56);
  ASSERT_TRUE(WaitUntil([this] { return ButtonsGone(); }, 60000));
  QCoreApplication::processEvents();

  // One chart point per write; the detailed log has a line per write too.
  const QStringList Detailed = LogFileLines("detail.txt");
  const std::size_t Writes = Window->cLog->Points().size();
  EXPECT_GE(Writes, 4u);
  EXPECT_EQ(static_cast<std::size_t>(Detailed.size()), Writes);
  EXPECT_TRUE(WaitUntil([&] { return Window->FSpeedSeries->count() == static_cast<int>(Writes); }));
  EXPECT_TRUE(Window->FHorizontalLine->isVisible());
  EXPECT_GT(Window->FHorizontalLine->at(0).y(), 0);
  for (std::size_t Index = 1; Index < Writes; ++Index) {
    EXPECT_LE(Window->cLog->Points()[Index].x(), Window->cLog->Points()[Index - 1].x());
  }

  // Both lists hold the whole pass; the log file holds the same lines, at the path as chosen.
  const QStringList Lines = Items(Window->lCurrentLog);
  EXPECT_EQ(Items(Window->lLastAndCurrentLog), Lines);
  EXPECT_EQ(LogFileLines("Pass log.txt"), Lines);
  EXPECT_TRUE(Lines.filter(QStringLiteral("최대 속도 : ")).size() == 1);
  EXPECT_TRUE(Lines.filter(QStringLiteral("평균 속도 50% 미만 구간 : ")).size() == 1);
  EXPECT_EQ(Window->pProgress->value(), 100);
  EXPECT_TRUE(Window->lCurrFile->text().startsWith(QStringLiteral("현재 채워진 용량 : ")));
  EXPECT_TRUE(Window->lCurrSpd->text().startsWith(QStringLiteral("속도 : ")));

  EXPECT_EQ(TestFiles(Folder.Path()), QStringList{});
  EXPECT_TRUE(Window->HasTester());  // finished on its own: kept until the window closes

  // The chart's menu saves the run's result: the pass as the summary states it.
  WhenModalShown<QMenu>([](QMenu* Menu) {
    for (QAction* Action : Menu->actions()) {
      if (Action->text() == QStringLiteral("결과 저장...")) {
        EXPECT_TRUE(Action->isEnabled());
        Menu->setActiveAction(Action);
        QTest::keyClick(Menu, Qt::Key_Return);
        return;
      }
    }
    ADD_FAILURE() << "no 결과 저장... in the chart's menu";
    Menu->close();
  });
  WhenModalShown<QFileDialog>([this](QFileDialog* Dialog) {
    Dialog->setDirectory(Logs.path());
    Dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("run"));
    static_cast<QDialog*>(Dialog)->accept();
  });
  Window->ShowChartMenu(QPoint(10, 10));
  QFile Saved(Logs.filePath(QStringLiteral("run.json")));
  ASSERT_TRUE(Saved.open(QIODevice::ReadOnly));
  const TRunResult Run = ParseRunResult(Saved.readAll().toStdString());
  ASSERT_EQ(Run.Passes.size(), 1u);
  EXPECT_EQ(Run.Passes[0].Writes, static_cast<std::int32_t>(Writes));
  EXPECT_EQ(Run.Passes[0].End, TPassEnd::Completed);
  EXPECT_EQ(Lines.filter(QStringLiteral("평균 속도 : %1MiB/s").arg(Run.Passes[0].MeanSpeed)).size(),
            1);
  SaveScreenshot("pass-ended.png");
  Window->close();
  EXPECT_FALSE(Window->HasTester());
  EXPECT_TRUE(ReportedErrors().isEmpty());
}

TEST_F(TEndToEndTest, TheBarMovesWhileThePassRuns) {
  TScratchVolume Folder(1024);
  Start(Folder.Path(), 768);  // about a hundred writes, a few tenths of a second in memory
  std::set<int> Seen;         // bar positions shown before the pass ended
  ASSERT_TRUE(WaitUntil(
      [&] {
        if (ButtonsGone()) {
          return true;
        }
        Seen.insert(Window->pProgress->value());
        return false;
      },
      60000));
  Seen.erase(0);
  Seen.erase(100);
  EXPECT_GE(Seen.size(), 3u);
  EXPECT_EQ(Window->pProgress->value(), 100);
  // The run holds its folder until the worker ends: end it before the volume is unmounted.
  Window->close();
}

TEST_F(TEndToEndTest, CancelWhilePausedEndsThePassAndLeavesNoFiles) {
  TScratchVolume Folder(512);
  Start(Folder.Path(), 400);
  QTest::mouseClick(Window->bIdle, Qt::LeftButton);
  ASSERT_TRUE(WaitUntil([this] {
    return !Items(Window->lCurrentLog).filter(QStringLiteral("에 일시정지 시작 -")).isEmpty();
  }));
  EXPECT_EQ(Window->bIdle->text(), QStringLiteral("재개"));
  const std::size_t PointsWhenPaused = Window->cLog->Points().size();
  QTest::qWait(300);
  EXPECT_EQ(Window->cLog->Points().size(), PointsWhenPaused);  // paused indeed
  SaveScreenshot("pass-paused.png");

  QTest::mouseClick(Window->bCancel, Qt::LeftButton);
  EXPECT_FALSE(Window->HasTester());
  EXPECT_TRUE(ButtonsGone());
  EXPECT_TRUE(Window->isVisible());
  EXPECT_EQ(TestFiles(Folder.Path()), QStringList{});
  EXPECT_EQ(LogFileLines("Pass log.txt"), Items(Window->lCurrentLog));
}

// The program's own tester (as MakeTesterFactory builds it) with a view of its dispatcher's
// queue, and a watchdog: should the window starve, the worker's free-space query starts failing
// after a while, which ends the run, so that a starved window fails the test instead of hanging it.
class TWatchedTester {
 public:
  explicit TWatchedTester(std::chrono::seconds Patience) : FPatience(Patience) {}
  ~TWatchedTester() {
    {
      std::lock_guard Lock(FMutex);
      FDisarmed = true;
    }
    FChanged.notify_all();
    if (FWatchdog.joinable()) {
      FWatchdog.join();
    }
  }

  TTesterFactory Factory() {
    return [this](const TSetting& Setting, TTesterView& View,
                  std::function<void()> OnFinished) -> std::unique_ptr<TTesterWorker> {
      auto Dispatcher = std::make_unique<TQtDispatcher>();
      FDispatcher = Dispatcher.get();
      auto Presenter = std::make_unique<TTesterToView>(Setting, View, std::move(Dispatcher));
      FWatchdog = std::thread([this] {
        std::unique_lock Lock(FMutex);
        if (!FChanged.wait_for(Lock, FPatience, [this] { return FDisarmed; })) {
          *FExpired = true;
        }
      });
      return std::make_unique<TTesterThreadWorker>(std::make_unique<TTesterThread>(
          Setting, std::move(Presenter), std::make_shared<TExpiringPlatform>(FExpired),
          [this, OnFinished] {
            Ended = true;
            OnFinished();
          }));
    };
  }

  // Valid while the worker exists (the presenter owns it).
  TQtDispatcher& Dispatcher() const { return *FDispatcher; }
  bool Expired() const { return *FExpired; }

  std::atomic<bool> Ended{false};

 private:
  class TExpiringPlatform : public TForwardingTesterPlatform {
   public:
    explicit TExpiringPlatform(std::shared_ptr<std::atomic<bool>> Expired)
        : FExpired(std::move(Expired)) {}
    TVolumeSpace VolumeSpace(const std::string& Path) override {
      return *FExpired ? TVolumeSpace{0, 0, ETIMEDOUT} : FReal->VolumeSpace(Path);
    }

   private:
    std::shared_ptr<std::atomic<bool>> FExpired;
  };

  const std::chrono::seconds FPatience;
  std::shared_ptr<std::atomic<bool>> FExpired = std::make_shared<std::atomic<bool>>(false);
  TQtDispatcher* FDispatcher = nullptr;
  std::mutex FMutex;
  std::condition_variable FChanged;
  bool FDisarmed = false;
  std::thread FWatchdog;
};

// Passes that have no room (more to leave than is free) follow each other as fast as the worker
// can print their headers. The window must stay responsive, hold only a bounded queue, and stop
// the run at a click on its cancel button.
TEST_F(TEndToEndTest, ARepeatingRunWithoutRoomStaysResponsiveAndCancelsAtOnce) {
  TScratchVolume Folder(64);
  TWatchedTester Tester(std::chrono::seconds(10));
  Start(Folder.Path(), -1000, {}, Tester.Factory(), true);

  // The GUI thread's event loop for a second: how long it is ever kept from its timers.
  qint64 WorstGapMs = 0;
  std::size_t MostQueued = 0;
  QElapsedTimer SinceTick;
  SinceTick.start();
  QTimer Tick;
  Tick.setInterval(10);
  QObject::connect(&Tick, &QTimer::timeout, [&] {
    WorstGapMs = std::max(WorstGapMs, SinceTick.restart());
    MostQueued = std::max(MostQueued, Tester.Dispatcher().PendingCount());
  });
  Tick.start();
  QEventLoop Loop;
  QTimer::singleShot(1000, &Loop, &QEventLoop::quit);
  Loop.exec();
  Tick.stop();
  ASSERT_FALSE(Tester.Expired()) << "the window starved: the watchdog ended the run";
  EXPECT_FALSE(Tester.Ended);
  EXPECT_FALSE(
      Items(Window->lLastAndCurrentLog).filter(QStringLiteral("테스트 회차 : ")).isEmpty());
  const std::size_t Peak = Tester.Dispatcher().PeakPendingCount();
  EXPECT_LE(Peak, TUnitQueue::DefaultBound + 1);  // a Sync unit may join a full queue

  QElapsedTimer Cancel;
  Cancel.start();
  QTest::mouseClick(Window->bCancel, Qt::LeftButton);
  const qint64 CancelMs = Cancel.elapsed();
  EXPECT_TRUE(Tester.Ended);
  EXPECT_FALSE(Window->HasTester());
  EXPECT_TRUE(ButtonsGone());
  EXPECT_TRUE(Window->isVisible());
  EXPECT_EQ(TestFiles(Folder.Path()), QStringList{});
  // Bounds that hold on a loaded machine under the sanitizers; the figures go to the output.
  EXPECT_LT(WorstGapMs, 1000);
  EXPECT_LT(CancelMs, 1000);
  std::cout << "no-room run: worst gap of a 10 ms timer " << WorstGapMs << " ms, most queued "
            << MostQueued << " (peak " << Peak << "), cancel " << CancelMs << " ms\n";
  RecordProperty("WorstGapMs", static_cast<int>(WorstGapMs));
  RecordProperty("CancelMs", static_cast<int>(CancelMs));
}

// An endurance run: the earlier passes stay behind the running one, the per-pass table follows
// each summary, and the result saved at any time holds every pass so far.
TEST_F(TEndToEndTest, ARepeatingRunKeepsItsEarlierPassesOnTheChartAndInItsResult) {
  TScratchVolume Folder(128);
  Start(Folder.Path(), 48, {}, MakeTesterFactory(), true);
  ASSERT_TRUE(WaitUntil(
      [this] {
        const auto& Run = Window->RunResult();
        return Run != nullptr && Run->Passes.size() >= 4;
      },
      60000));
  QTest::mouseClick(Window->bCancel, Qt::LeftButton);
  ASSERT_FALSE(Window->HasTester());
  QCoreApplication::processEvents();

  EXPECT_EQ(EarlierPassCount(*Window->cLog), 3);
  const std::size_t Passes = Window->RunResult()->Passes.size();
  QStringList Legend;
  for (QAbstractSeries* Series : Window->cLog->chart()->series()) {
    Legend << Series->name();
  }
  // The three passes before the last one, by number.
  for (std::size_t Pass = Passes - 3; Pass < Passes; ++Pass) {
    EXPECT_TRUE(Legend.contains(QStringLiteral("%1회차").arg(Pass)))
        << Legend.join(QLatin1Char(',')).toStdString();
  }
  const QStringList Tables =
      Items(Window->lLastAndCurrentLog).filter(QStringLiteral("- 회차별 요약 -"));
  EXPECT_GE(Tables.size(), 1);
  EXPECT_TRUE(ReportedErrors().isEmpty());
  SaveScreenshot("repeating-run.png");
}

TEST_F(TEndToEndTest, AFullFilesystemEndsInTheErrorMessageWithNothingLeftBehind) {
  TScratchVolume Volume(40);
  if (!Volume.IsOwnFilesystem()) {
    GTEST_SKIP() << "mounting a small tmpfs needs root";
  }
  const QString& Point = Volume.Path();

  // A pasted negative amount asks for more than the free space: the disk fills up.
  Start(Point, 0, QStringLiteral("-64"));
  ASSERT_TRUE(WaitUntil([this] { return ButtonsGone(); }, 60000));
  QMessageBox* Box = nullptr;
  ASSERT_TRUE(WaitUntil([&] {
    Box = Window->findChild<QMessageBox*>();
    return Box != nullptr && Box->isVisible();
  }));
  EXPECT_TRUE(Box->text().contains(QStringLiteral("코드 28"))) << Box->text().toStdString();
  EXPECT_FALSE(Items(Window->lCurrentLog).filter(QStringLiteral("에 오류 : WriteFile")).isEmpty());
  EXPECT_EQ(TestFiles(Point), QStringList{});
  Box->close();
  Window->close();
  EXPECT_FALSE(Window->HasTester());
}

// A stick that reports 64 MiB and holds 16, wrapping around: with "쓰기 후 검증" the window reads
// the pass back, draws the reads beside the writes and says what is not there, in the report
// and in a message.
TEST_F(TEndToEndTest, VerificationCatchesAFakeDriveInTheWindow) {
  SIMDRIVE_SKIP_IF_UNAVAILABLE();
  SimDrive::TSimDrive Drive(SimDrive::FakeStick());
  ASSERT_TRUE(Drive.Mounted()) << Drive.Error();
  const QString Point = QString::fromStdString(Drive.Path().string());
  Verify = true;
  Start(Point, 0, QStringLiteral("0"));
  ASSERT_TRUE(WaitUntil([this] { return ButtonsGone(); }, 60000));
  QMessageBox* Box = nullptr;
  ASSERT_TRUE(WaitUntil([&] {
    Box = Window->findChild<QMessageBox*>();
    return Box != nullptr && Box->isVisible();
  }));
  // It leads with what the fake really holds.
  EXPECT_TRUE(
      Box->text().startsWith(QStringLiteral("표시 용량 64MiB, 실제로 저장된 데이터 약 16MiB\n쓰기 "
                                            "후 검증에서 손상된 데이터를 찾았습니다.")))
      << Box->text().toStdString();
  EXPECT_TRUE(Box->text().contains(QStringLiteral("사용 가능한 용량 : 0MiB")));

  // Seven writes and seven reads of 8 MiB, the reads where their writes lie.
  EXPECT_EQ(Window->cLog->Points().size(), 7U);
  ASSERT_EQ(Window->cLog->ReadPoints().size(), 7U);
  for (std::size_t Index = 0; Index < 7; ++Index) {
    EXPECT_EQ(Window->cLog->ReadPoints()[Index].x(), Window->cLog->Points()[Index].x());
  }
  EXPECT_TRUE(Window->cLog->FReadSeries->isVisible());
  EXPECT_EQ(Window->cLog->FReadSeries->name(), QStringLiteral("읽기 속도"));
  const QStringList Lines = Items(Window->lCurrentLog);
  for (const char* Line :
       {"쓰기 후 검증 : 적용", "읽은 용량 : 56MiB / 56MiB", "온전한 용량 : 16MiB",
        "덮어쓰인 용량 : 40MiB (10240섹터)", "검증 결과 : 손상 있음"}) {
    EXPECT_EQ(Lines.filter(QString::fromUtf8(Line)).size(), 1) << Line;
  }
  EXPECT_EQ(LogFileLines("Pass log.txt"), Lines);
  EXPECT_TRUE(Window->lCurrFile->text().startsWith(QStringLiteral("현재 검증한 용량 : ")));
  EXPECT_TRUE(Window->lCurrSpd->text().startsWith(QStringLiteral("읽기 속도 : ")));
  EXPECT_EQ(TestFiles(Point), QStringList{});
  SaveScreenshot("verify-fake-drive.png");
  Box->close();
  Window->lCurrentLog->scrollToBottom();
  SaveScreenshot("verify-fake-drive-report.png");
  Window->close();
}

}  // namespace
