// The chart saved as a picture from the window: what the picture holds and where it goes.
#include "forms/Chart.Save.h"

#include <gtest/gtest.h>

#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>

#include "forms/Speed.Chart.h"
#include "tests/forms/Forms.Fixtures.h"

namespace {

TEST(ChartSave, TheFigureHoldsEveryPointTheLineAndTheSettings) {
  TSpeedChart Chart(nullptr, ".");
  for (int Index = 0; Index < 5000; ++Index) {
    Chart.AddPoint(100.0 - Index / 50.0, Index < 1000 ? 900.0 : 100.0);
  }
  Chart.RefreshHorizontalLine(true, 130.0);
  TSetting Setting;
  Setting.DrivePath = "/mnt/usb/";
  Setting.ToLeft = 5;
  Setting.ToLeftUnit = TLeftUnit::LeaveByPercent;
  Setting.NeedCache = true;
  const TPlotFigure Figure = ChartFigure(Chart, Setting, "2026/12/10 12:13");
  ASSERT_EQ(Figure.Curves.size(), 1u);
  EXPECT_EQ(Figure.Curves[0].Points.size(), 5000u);  // all of them, not the screen's copy
  EXPECT_EQ(Figure.HalfAverage, 130.0);
  EXPECT_TRUE(Figure.XFalls);
  EXPECT_EQ(Figure.XTitle, "남은 용량 (%)");
  EXPECT_EQ(Figure.Caption, (std::vector<std::string>{
                                "드라이브 : /mnt/usb/    테스트 일시 : 2026/12/10 12:13",
                                "남길 용량 : 5%    윈도 캐시 효과 : 적용    무한 반복 : 미적용"}));
}

// Types Name into the next save dialog, with the filter that holds FilterWord, and accepts.
void AnswerSaveDialog(const QString& Folder, const QString& Name, const QString& FilterWord) {
  WhenModalShown<QFileDialog>([=](QFileDialog* Dialog) {
    Dialog->setDirectory(Folder);
    for (const QString& Filter : Dialog->nameFilters()) {
      if (Filter.contains(FilterWord)) {
        Dialog->selectNameFilter(Filter);
        emit Dialog->filterSelected(Filter);
      }
    }
    Dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(Name);
    static_cast<QDialog*>(Dialog)->accept();
  });
}

TEST(ChartSave, SavedWithTheChosenKindAndAFailureIsSaid) {
  QTemporaryDir Folder;
  ASSERT_TRUE(Folder.isValid());
  TPlotFigure Figure;
  Figure.Curves.push_back({"구간 속도", {{100.0, 50.0}, {0.0, 60.0}}, false});

  const struct {
    const char* Typed;
    const char* Filter;
    const char* Saved;
  } Cases[] = {
      {"plain", "PNG", "plain.png"},
      {"vector", "SVG", "vector.svg"},
      {"named.svg", "PNG", "named.svg"},  // a typed extension wins over the filter
  };
  for (const auto& Case : Cases) {
    AnswerSaveDialog(Folder.path(), QString::fromUtf8(Case.Typed), QString::fromUtf8(Case.Filter));
    const std::string Saved = SaveChartAs(nullptr, Figure);
    EXPECT_EQ(QFileInfo(QString::fromStdString(Saved)).fileName().toStdString(), Case.Saved);
    EXPECT_GT(QFileInfo(Folder.filePath(QString::fromUtf8(Case.Saved))).size(), 0) << Case.Saved;
  }

  // A folder that is gone by the time of saving: said in a message box, nothing returned.
  // The path is typed in full while the dialog shows another folder: Windows does not let a
  // folder go while the dialog watches it.
  QTemporaryDir Gone;
  const QString GonePath = Gone.path();
  QStringList Shown;
  WhenModalShown<QFileDialog>([&](QFileDialog* Dialog) {
    Dialog->setDirectory(Folder.path());
    Dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
        ->setText(GonePath + QStringLiteral("/x"));
    EXPECT_TRUE(Gone.remove());
    WhenModalShown<QMessageBox>([&](QMessageBox* Box) {
      Shown << Box->text();
      Box->accept();
    });
    static_cast<QDialog*>(Dialog)->accept();
  });
  EXPECT_EQ(SaveChartAs(nullptr, Figure), "");
  ASSERT_EQ(Shown.size(), 1);
  EXPECT_TRUE(Shown[0].startsWith(QStringLiteral("그래프를 저장하지 못했습니다.\n")))
      << Shown[0].toStdString();
}

}  // namespace
