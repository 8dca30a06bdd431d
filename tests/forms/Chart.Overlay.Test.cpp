// Saved results drawn over the running pass's chart, and what a bad file gives.
#include "forms/Chart.Overlay.h"

#include <gtest/gtest.h>

#include <QFileDialog>
#include <QLineEdit>
#include <QLineSeries>
#include <QTemporaryDir>
#include <QValueAxis>
#include <fstream>

#include "forms/Speed.Chart.h"
#include "results/Run.Json.h"
#include "tests/forms/Forms.Fixtures.h"

namespace {

TNamedRun SavedRun() {
  TNamedRun Named{"/home/me/before.json", {}};
  for (int Number = 1; Number <= 2; ++Number) {
    TPassResult Pass;
    Pass.Number = Number;
    Pass.WriteSeconds = {0.004, 0.008, 0.02};  // 2000, 1000, 400 MiB/s
    Pass.RemainPctFirst = 80.0;
    Pass.RemainPctLast = 20.0;
    Named.Run.Passes.push_back(Pass);
  }
  Named.Run.Passes.push_back(TPassResult{});  // a pass without writes draws nothing
  return Named;
}

std::vector<QLineSeries*> LineSeries(const TSpeedChart& Chart) {
  std::vector<QLineSeries*> Lines;
  for (QAbstractSeries* Series : Chart.chart()->series()) {
    Lines.push_back(static_cast<QLineSeries*>(Series));
  }
  return Lines;
}

TEST(ChartOverlay, EveryPassOverThePassAgainstTheFreeShareUntilCleared) {
  TSpeedChart Chart(nullptr, ".");
  Chart.resize(800, 300);
  Chart.AddPoint(100.0, 300.0);
  Chart.AddPoint(50.0, 310.0);
  Chart.Refresh();
  const std::size_t Own = LineSeries(Chart).size();

  OverlayRun(Chart, SavedRun());
  std::vector<QLineSeries*> Lines = LineSeries(Chart);
  ASSERT_EQ(Lines.size(), Own + 2);
  EXPECT_EQ(Lines[Own]->name(), QStringLiteral("before.json 1회차"));
  EXPECT_EQ(Lines[Own + 1]->name(), QStringLiteral("before.json 2회차"));
  EXPECT_EQ(Lines[Own]->points(), (QList<QPointF>{{80.0, 2000.0}, {50.0, 1000.0}, {20.0, 400.0}}));
  EXPECT_GE(Chart.AxisY->max(), 2000.0);  // the speed axis reaches the loaded curve

  Chart.Clear();  // a new pass starts: the loaded run stays for comparison
  EXPECT_EQ(LineSeries(Chart).size(), Own + 2);
  EXPECT_TRUE(HasOverlays(Chart));
  ClearOverlays(Chart);
  EXPECT_EQ(LineSeries(Chart).size(), Own);
  EXPECT_FALSE(HasOverlays(Chart));
}

TEST(ChartOverlay, AFileThatIsNotAResultIsSaid) {
  QTemporaryDir Folder;
  const QString Path = Folder.filePath(QStringLiteral("notes.json"));
  std::ofstream(Path.toStdString()) << "{\"passes\": []}";
  TSpeedChart Chart(nullptr, ".");
  QStringList Shown;
  WhenModalShown<QFileDialog>([&](QFileDialog* Dialog) {
    Dialog->selectFile(Path);
    Dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(Path);
    WhenModalShown<QMessageBox>([&](QMessageBox* Box) {
      Shown << Box->text();
      Box->accept();
    });
    static_cast<QDialog*>(Dialog)->accept();
  });
  EXPECT_EQ(LoadOverlay(nullptr, Chart), "");
  ASSERT_EQ(Shown.size(), 1);
  EXPECT_TRUE(Shown[0].contains(QStringLiteral("결과 파일이 아닙니다."))) << Shown[0].toStdString();
  EXPECT_FALSE(HasOverlays(Chart));
}

}  // namespace
