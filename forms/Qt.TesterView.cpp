#include "forms/Qt.TesterView.h"

#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>
#include <utility>

#include "forms/Chart.EarlierPasses.h"
#include "forms/Forms.Main.h"
#include "forms/Speed.Chart.h"

namespace {

void SetLabelText(QLabel* Label, const std::string& Text) {
  const int Height = Label->height();
  Label->setText(QString::fromStdString(Text));
  Label->adjustSize();  // the label fits its text
  Label->resize(Label->width(), Height);
}

}  // namespace

void TQtTesterView::AppendLine(QListWidget* List, bool& NeedsScroll, const QString& Line) {
  List->addItem(Line);
  // Only the visible list follows the new line; the hidden one keeps its place. The scroll is
  // done once for all the lines of a turn: each scroll lays the list out again, which made a line
  // cost 70 us, and a burst of lines kept a cancel waiting.
  if (!List->isVisible()) {
    return;
  }
  NeedsScroll = true;
  if (!FScrollPosted) {
    FScrollPosted = true;
    QMetaObject::invokeMethod(
        &FMain, [this] { ScrollLogs(); }, Qt::QueuedConnection);
  }
}

void TQtTesterView::ScrollLogs() {
  FScrollPosted = false;
  for (auto [List, NeedsScroll] : {std::pair{FMain.lCurrentLog, &FScrollCurrentLog},
                                   std::pair{FMain.lLastAndCurrentLog, &FScrollLastLog}}) {
    if (*NeedsScroll) {
      *NeedsScroll = false;
      List->scrollToBottom();
    }
  }
}

void TQtTesterView::SetProgress(int Position) {
  FMain.pProgress->setValue(Position);
}

void TQtTesterView::SetCurrFileText(const std::string& Text) {
  SetLabelText(FMain.lCurrFile, Text);
}

void TQtTesterView::SetCurrSpdText(const std::string& Text) {
  SetLabelText(FMain.lCurrSpd, Text);
}

void TQtTesterView::AddChartPoint(double X, double Y) {
  FMain.cLog->AddPoint(X, Y);
}

void TQtTesterView::AddReadChartPoint(double X, double Y) {
  FMain.cLog->AddReadPoint(X, Y);
}

void TQtTesterView::ClearChart() {
  // A new pass: the one before stays behind it, faint (only a repeating run has one).
  KeepAsEarlierPass(*FMain.cLog, FChartPass);
  FMain.cLog->Clear();
  ++FChartPass;
}

void TQtTesterView::RefreshHorizontalLine(bool IsEnd, double Level) {
  FMain.cLog->RefreshHorizontalLine(IsEnd, Level);
}

void TQtTesterView::AddChartTemperature(double X, double TemperatureInC) {
  FMain.cLog->AddTemperature(X, TemperatureInC);
}

void TQtTesterView::ShowChartPhases(const std::vector<TChartPhase>& Phases) {
  FMain.cLog->ShowPhases(Phases);
}

void TQtTesterView::AddLogLine(const std::string& Line) {
  const QString Text = QString::fromStdString(Line);
  AppendLine(FMain.lCurrentLog, FScrollCurrentLog, Text);
  AppendLine(FMain.lLastAndCurrentLog, FScrollLastLog, Text);
}

void TQtTesterView::RotateLogs(int LinesToRemove) {
  FMain.lCurrentLog->clear();
  QListWidget* List = FMain.lLastAndCurrentLog;
  const int Count = std::clamp(LinesToRemove, 0, List->count());
  if (Count > 0) {
    List->model()->removeRows(0, Count);  // one update, not one per line
  }
}

void TQtTesterView::HideButtons() {
  QRect Bar = FMain.pProgress->geometry();
  Bar.setWidth(FMain.bIdle->x() + FMain.bIdle->width() - Bar.x());
  FMain.pProgress->setGeometry(Bar);
  FMain.bIdle->hide();
  FMain.bCancel->hide();
}

void TQtTesterView::ShowError(const std::string& Text) {
  // Not exec(): this runs inside a unit of GUI work, and the worker may be waiting on the next.
  auto* Box = new QMessageBox(QMessageBox::Critical, FMain.windowTitle(),
                              QString::fromStdString(Text), QMessageBox::Ok, &FMain);
  Box->setAttribute(Qt::WA_DeleteOnClose);
  Box->open();
}

void TQtTesterView::SetRunResult(std::shared_ptr<const TRunResult> Run) {
  FMain.SetRunResult(std::move(Run));
}
