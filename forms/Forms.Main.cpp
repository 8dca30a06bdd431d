#include "forms/Forms.Main.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFontMetrics>
#include <QLabel>
#include <QLineSeries>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "forms/Chart.Overlay.h"
#include "forms/Chart.Save.h"
#include "forms/Forms.Identity.h"
#include "forms/Qt.TesterView.h"
#include "forms/Result.Save.h"
#include "forms/Setting.Getter.h"
#include "forms/Speed.Chart.h"
#include "forms/Tab.Control.h"
#include "platform/Platform.Clock.h"
#include "text/DateTime.Text.h"

namespace {

constexpr int LogItemHeight = 15;
// How often StopTester looks at the worker besides being woken by it; a safety net only.
constexpr int StopPollMs = 100;

// Every list line is LogItemHeight pixels high.
class TFixedHeightDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& Option, const QModelIndex& Index) const override {
    return {QStyledItemDelegate::sizeHint(Option, Index).width(), LogItemHeight};
  }
};

QListWidget* MakeLogList(QWidget* Parent, QRect Geometry) {
  auto* List = new QListWidget(Parent);
  List->setFrameShape(QFrame::NoFrame);
  List->setUniformItemSizes(true);
  List->setItemDelegate(new TFixedHeightDelegate(List));
  List->setGeometry(Geometry);
  return List;
}

QLabel* MakeLabel(QWidget* Parent, const QString& Text, QRect Geometry) {
  auto* Label = new QLabel(Text, Parent);
  Label->setGeometry(Geometry);
  Label->adjustSize();
  Label->resize(Label->width(), Geometry.height());
  return Label;
}

// Sizes never go below 0, whatever the window's size (minimised, tiny).
int NonNegative(long long Value) {
  return static_cast<int>(std::clamp(Value, 0LL, 1LL << 24));
}

}  // namespace

TfMain::TfMain(TSettingSources SettingSources, TTesterFactory TesterFactory)
    : FSettingSources(std::move(SettingSources)), FTesterFactory(std::move(TesterFactory)) {
  setWindowTitle(QString::fromStdString(VarnellCaption()));
  QFont Font = QApplication::font();
  Font.setPixelSize(12);
  setFont(Font);
  CreateControls();
  FView = std::make_unique<TQtTesterView>(*this);
  resize(1043, 730);
  if (const QScreen* Screen = QGuiApplication::primaryScreen()) {
    move(Screen->availableGeometry().center() - rect().center());
  }
  FormCreate();
}

TfMain::~TfMain() {
  // Normally stopped by closing; a window destroyed without that still stops its worker.
  StopTester();
}

void TfMain::CreateControls() {
  lCurrSpd = MakeLabel(this, tr("속도 : "), {9, 62, 0, 15});
  lCurrFile = MakeLabel(this, tr("현재 파일 : "), {9, 40, 0, 15});
  pProgress = new QProgressBar(this);
  pProgress->setRange(0, 100);
  pProgress->setValue(0);
  pProgress->setTextVisible(false);
  pProgress->setGeometry(8, 8, 732, 24);
  bIdle = new QPushButton(tr("일시정지"), this);
  bIdle->setGeometry(758, 8, 279, 27);
  bCancel = new QPushButton(tr("취소하기"), this);
  bCancel->setGeometry(758, 41, 279, 27);
  cLog = new TSpeedChart(this);
  cLog->setGeometry(7, 87, 1029, 268);
  FSpeedSeries = cLog->FSpeedSeries;
  FHorizontalLine = cLog->FHorizontalLine;
  lCafe = cLog->lCafe;
  tSelectLogRange = new TTabControl({tr("이전 + 현재 회차"), tr("현재 회차")}, this);
  tSelectLogRange->setGeometry(8, 359, 1030, 365);
  // Created first, so the list of tab 0 lies above it.
  lCurrentLog = MakeLogList(tSelectLogRange, {16, 27, 1012, 325});
  lLastAndCurrentLog = MakeLogList(tSelectLogRange, {1, 21, 1011, 325});

  QFont CafeFont = font();
  CafeFont.setPixelSize(16);
  lCafe->setFont(CafeFont);
  lCafe->setText(QString::fromStdString(CafeText()));
  lCafe->adjustSize();
  lCafe->setGeometry(24, 247, lCafe->width(), 21);

  connect(bIdle, &QPushButton::clicked, this, [this] { bIdleClick(); });
  connect(bCancel, &QPushButton::clicked, this, [this] { bCancelClick(); });
  connect(tSelectLogRange, &TTabControl::Changed, this, [this] { tSelectLogRangeChange(); });
  // Saving the chart is offered on the chart itself: the window's layout has no room left.
  cLog->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(cLog, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& At) { ShowChartMenu(cLog->mapToGlobal(At)); });
}

void TfMain::ShowChartMenu(const QPoint& At) {
  QMenu Menu(this);
  QAction* SaveChart = Menu.addAction(tr("그래프 저장..."));
  SaveChart->setEnabled(!cLog->Points().empty());
  QAction* SaveResult = Menu.addAction(tr("결과 저장..."));
  SaveResult->setEnabled(FRunResult != nullptr);
  Menu.addSeparator();
  QAction* Load = Menu.addAction(tr("결과 불러와 겹쳐 보기..."));
  QAction* Clear = Menu.addAction(tr("겹친 결과 지우기"));
  Clear->setEnabled(HasOverlays(*cLog));
  QAction* Chosen = Menu.exec(At);
  if (Chosen == SaveChart) {
    SaveChartAs(this, ChartFigure(*cLog, FTestSetting, FormatDateTimeToMinute(FStartedAt)));
  } else if (Chosen == SaveResult) {
    SaveResultAs(this, *FRunResult);
  } else if (Chosen == Load) {
    LoadOverlay(this, *cLog);
  } else if (Chosen == Clear) {
    ClearOverlays(*cLog);
  }
}

void TfMain::FormCreate() {
  QCoreApplication::postEvent(this, new QEvent(WM_OPEN_SETTING));
  FSpeedSeries->setName(tr("구간 속도"));
  cLog->FReadSeries->setName(tr("읽기 속도"));
  FHorizontalLine->setName(tr("평균 속도 50%"));
}

bool TfMain::event(QEvent* Event) {
  if (Event->type() == WM_OPEN_SETTING) {
    OpenSetting();
    return true;
  }
  return QWidget::event(Event);
}

void TfMain::OpenSetting() {
  auto Setting = std::make_unique<TfSetting>(this, FSettingSources);
  FSetting = Setting.get();
  // Cleared however this handler is left (GetSetting may raise).
  struct TClear {
    TfSetting*& Reference;
    ~TClear() { Reference = nullptr; }
  } Clear{FSetting};
  Setting->exec();
  FTestSetting = GetSetting(FSetting);
  FSetting = nullptr;
  Setting.reset();
  if (FTestSetting.IsSet) {
    StartTester();
  } else {
    close();
  }
}

void TfMain::StartTester() {
  FWorkerEnded = false;
  FStartedAt = Platform::Now();
  FRunResult.reset();
  FTesterThread = FTesterFactory(FTestSetting, *FView, [this] {
    // The worker's last act, on its thread: wake the GUI thread's wait, if any.
    QMetaObject::invokeMethod(this, "WorkerEnded", Qt::QueuedConnection);
  });
}

void TfMain::WorkerEnded() {
  FWorkerEnded = true;
  if (FStopLoop != nullptr) {
    FStopLoop->quit();
  }
}

void TfMain::StopTester() {
  // A second request while one waits (cancel again, or close during a cancel) leaves the
  // stopping and the destruction to the first one.
  if (!FTesterThread || FStopping) {
    return;
  }
  FStopping = true;
  FTesterThread->Terminate();
  // Runs GUI work while waiting: the worker's last units are synchronous and need it.
  QEventLoop Loop;
  QTimer Poll;
  Poll.setInterval(StopPollMs);
  QObject::connect(&Poll, &QTimer::timeout, &Loop, [this, &Loop] {
    if (FTesterThread->IsFinished()) {
      Loop.quit();
    }
  });
  Poll.start();
  FStopLoop = &Loop;
  while (!FWorkerEnded && !FTesterThread->IsFinished()) {
    Loop.exec();
  }
  FStopLoop = nullptr;
  auto Worker = std::move(FTesterThread);  // null first, then destroyed
  Worker.reset();
  FStopping = false;
  if (FCloseRequested && !FClosing) {
    FCloseRequested = false;
    close();
  }
}

void TfMain::bIdleClick() {
  if (FTesterThread) {
    FTesterThread->ToggleIdle();
  }
  bIdle->setText(bIdle->text() == tr("일시정지") ? tr("재개") : tr("일시정지"));
}

void TfMain::bCancelClick() {
  StopTester();
}

void TfMain::closeEvent(QCloseEvent* Event) {
  if (FStopping) {
    // A stop is already waiting; it closes the window when it is done.
    FCloseRequested = true;
    Event->ignore();
    return;
  }
  FClosing = true;  // this close goes on by itself once the stop is done
  StopTester();
  FClosing = false;
  FCloseRequested = false;
  Event->accept();
}

void TfMain::tSelectLogRangeChange() {
  const int Index = tSelectLogRange->TabIndex();
  lLastAndCurrentLog->setVisible(Index == 0);
  lCurrentLog->setVisible(Index == 1);
}

void TfMain::resizeEvent(QResizeEvent* Event) {
  QWidget::resizeEvent(Event);
  FormResize();
}

void TfMain::FormResize() {
  const long long Width = width();
  const long long Height = height();

  pProgress->resize(NonNegative(static_cast<long long>(
                        std::floor(static_cast<double>(Width) / 5 * 4 - pProgress->x() - 10))),
                    pProgress->height());
  bIdle->move(pProgress->x() + pProgress->width() + 10, bIdle->y());
  bIdle->resize(NonNegative(Width - bIdle->x() - 10), bIdle->height());
  bCancel->setGeometry(bIdle->x(), bIdle->y() + bIdle->height() + 10, bIdle->width(),
                       bCancel->height());

  lCurrFile->move(lCurrFile->x(), pProgress->y() + pProgress->height() + 10);
  lCurrSpd->move(lCurrSpd->x(), lCurrFile->y() + lCurrFile->height() + 10);

  const long long Available = Height - lCurrSpd->y() - lCurrSpd->height() - 10;
  const int ChartHeight = NonNegative(static_cast<long long>(std::floor(Available / 2.0)) - 20);
  cLog->setGeometry(cLog->x(), lCurrSpd->y() + lCurrSpd->height() + 20, NonNegative(Width - 20),
                    ChartHeight);
  tSelectLogRange->setGeometry(tSelectLogRange->x(), cLog->y() + cLog->height() + 20, cLog->width(),
                               cLog->height());

  const int TabTextHeight = QFontMetrics(tSelectLogRange->font())
                                .boundingRect(tSelectLogRange->Tabs->tabText(0))
                                .height();
  const int ListTop = TabTextHeight + 12;
  lLastAndCurrentLog->setGeometry(2, ListTop, NonNegative(tSelectLogRange->width() - 6),
                                  NonNegative(tSelectLogRange->height() - ListTop - 2));
  lCurrentLog->setGeometry(lLastAndCurrentLog->geometry());

  lCafe->move(lCafe->x(), cLog->height() - lCafe->height() - 12);
}
