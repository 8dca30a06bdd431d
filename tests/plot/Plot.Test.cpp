// Charts saved as image files: what they contain, and the errors of a bad path.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "plot/Plot.Render.h"
#ifndef _WIN32
#include <cstdio>
#include <filesystem>

#include "engine/Scratch.Volume.h"
#endif

namespace {

TEST(ThinnedForColumns, KeepsTheLowestAndHighestOfEachColumnInOrder) {
  std::vector<TPlotPoint> Curve;
  for (int Index = 0; Index < 10000; ++Index) {
    Curve.push_back({Index / 100.0, Index == 5000 ? 1.0 : 100.0 + (Index % 7)});
  }
  const std::vector<TPlotPoint> Thinned = ThinnedForColumns(Curve, 50);
  EXPECT_LE(Thinned.size(), 100u);
  EXPECT_TRUE(std::is_sorted(Thinned.begin(), Thinned.end(),
                             [](const TPlotPoint& A, const TPlotPoint& B) { return A.X < B.X; }));
  // The one slow write survives the thinning: a stall must never vanish from the picture.
  EXPECT_NE(std::find(Thinned.begin(), Thinned.end(), TPlotPoint{50.0, 1.0}), Thinned.end());
  EXPECT_NE(std::find_if(Thinned.begin(), Thinned.end(),
                         [](const TPlotPoint& Point) { return Point.Y == 106.0; }),
            Thinned.end());
  // Few points stay as they are.
  const std::vector<TPlotPoint> Few(Curve.begin(), Curve.begin() + 20);
  EXPECT_EQ(ThinnedForColumns(Few, 50), Few);
}

TPlotFigure TwoPasses() {
  TPlotFigure Figure;
  Figure.Title = "Varnell: Flash Disk";
  Figure.Caption = {"/mnt/usb/ - 2026/12/10 12:13", "leave 0GiB, unbuffered"};
  Figure.XTitle = "free %";
  Figure.YTitle = "MiB/s";
  Figure.XFalls = true;
  for (int Pass = 0; Pass < 2; ++Pass) {
    TPlotCurve Curve;
    Curve.Label = "pass " + std::to_string(Pass + 1);
    Curve.Faint = Pass == 0;
    for (int Write = 0; Write < 2000; ++Write) {
      Curve.Points.push_back({100.0 - Write / 20.0, Write < 500 ? 900.0 - Pass * 50 : 120.0});
    }
    Figure.Curves.push_back(Curve);
  }
  Figure.Steps = {{100.0, 75.0, 880.0, "850MiB/s"}, {75.0, 0.0, 120.0, "120MiB/s"}};
  Figure.HalfAverage = 160.0;
  return Figure;
}

TEST(SavePlot, PngAndSvgShowTheCurvesAndTheCaption) {
  EnsurePlotApplication();
  QTemporaryDir Folder;
  ASSERT_TRUE(Folder.isValid());
  const std::string Png = Folder.filePath("chart.png").toStdString();
  const std::string Svg = Folder.filePath("chart.SVG").toStdString();
  ASSERT_EQ(SavePlot(TwoPasses(), Png), "");
  ASSERT_EQ(SavePlot(TwoPasses(), Svg), "");

  const QImage Image(QString::fromStdString(Png));
  ASSERT_FALSE(Image.isNull());
  EXPECT_EQ(Image.size(), QSize(1600, 900));
  // The current pass's blue, the red half-average line: both drawn somewhere. Every row is
  // looked at: the smoothed 1.5 px line may be at full strength on one row only, wherever the
  // fonts of the axes put it.
  int Blue = 0;
  int Red = 0;
  for (int Y = 0; Y < Image.height(); ++Y) {
    for (int X = 0; X < Image.width(); X += 2) {
      const QColor Colour = Image.pixelColor(X, Y);
      Blue += Colour.blue() > 150 && Colour.red() < 80 ? 1 : 0;
      Red += Colour.red() > 200 && Colour.green() < 100 && Colour.blue() < 100 ? 1 : 0;
    }
  }
  EXPECT_GT(Blue, 100);
  EXPECT_GT(Red, 100);

  QFile File(QString::fromStdString(Svg));
  ASSERT_TRUE(File.open(QIODevice::ReadOnly));
  const QByteArray Text = File.readAll();
  EXPECT_TRUE(Text.startsWith("<?xml")) << Text.left(40).toStdString();
  for (const char* Expected :
       {"Varnell: Flash Disk", "/mnt/usb/ - 2026/12/10 12:13", "pass 2", "850MiB/s"}) {
    EXPECT_TRUE(Text.contains(Expected)) << Expected;
  }
}

// A folder or drive named with control characters or bytes that are not UTF-8: the SVG stays
// well-formed XML and shows them as the report does.
TEST(SavePlot, ControlCharactersInNamesLeaveTheSvgWellFormed) {
  EnsurePlotApplication();
  QTemporaryDir Folder;
  ASSERT_TRUE(Folder.isValid());
  TPlotFigure Figure = TwoPasses();
  Figure.Title += " \x1b]0;title\x07";
  Figure.Caption.push_back("/mnt/\x1b[2J\x07\xff/");
  Figure.Curves.front().Label = "pass \x01";
  const std::string Svg = Folder.filePath("chart.svg").toStdString();
  ASSERT_EQ(SavePlot(Figure, Svg), "");

  QFile File(QString::fromStdString(Svg));
  ASSERT_TRUE(File.open(QIODevice::ReadOnly));
  const QByteArray Text = File.readAll();
  QXmlStreamReader Reader(Text);
  while (!Reader.atEnd()) {
    Reader.readNext();
  }
  EXPECT_FALSE(Reader.hasError()) << Reader.errorString().toStdString();
  EXPECT_TRUE(Text.contains("/mnt/\\x1b[2J\\a\\xff/"));
  EXPECT_FALSE(Text.contains('\x1b'));
  EXPECT_FALSE(Text.contains('\x07'));
}

TEST(SavePlot, ABadPathIsSaidNotIgnored) {
  EnsurePlotApplication();
  QTemporaryDir Folder;
  const struct {
    std::string Path;
    const char* Reason;
  } Cases[] = {
      {Folder.filePath("chart.jpg").toStdString(), "must end in .svg or .png"},
      {Folder.filePath("missing/chart.png").toStdString(), "cannot write"},
      {Folder.filePath("missing/chart.svg").toStdString(), "cannot write"},
  };
  for (const auto& Case : Cases) {
    const std::string Error = SavePlot(TwoPasses(), Case.Path);
    EXPECT_NE(Error.find(Case.Reason), std::string::npos) << Case.Path << ": " << Error;
    EXPECT_NE(Error.find(Case.Path), std::string::npos) << Error;
  }
}

#ifndef _WIN32
QByteArray ReadAll(const std::string& Path) {
  QFile File(QString::fromStdString(Path));
  return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray();
}

// Takes whatever room the volume has left.
void FillUp(const std::filesystem::path& File) {
  std::FILE* Filler = std::fopen(File.c_str(), "wb");
  ASSERT_NE(Filler, nullptr);
  const std::string Block(4096, 'f');
  while (std::fwrite(Block.data(), 1, Block.size(), Filler) == Block.size() &&
         std::fflush(Filler) == 0) {
  }
  std::fclose(Filler);
}

// Saved again on a full volume, a chart keeps the earlier picture whole: never a truncated one,
// and no half-written file beside it.
TEST(SavePlot, AFailedSaveKeepsTheEarlierPicture) {
  EnsurePlotApplication();
  TMountedVolume Small("-t tmpfs -o size=4m tmpfs");
  if (!Small.Mounted()) {
    GTEST_SKIP() << "needs a small tmpfs (root)";
  }
  for (const char* Name : {"chart.png", "chart.svg"}) {
    const std::string Path = (Small.Path() / Name).string();
    ASSERT_EQ(SavePlot(TwoPasses(), Path), "");
    const QByteArray Earlier = ReadAll(Path);
    ASSERT_GT(Earlier.size(), 1000);
    FillUp(Small.Path() / "filler");
    EXPECT_NE(SavePlot(TwoPasses(), Path), "") << Name;
    EXPECT_EQ(ReadAll(Path), Earlier) << Name;
    std::filesystem::remove(Small.Path() / "filler");
  }
  std::vector<std::string> Left;
  for (const auto& Entry : std::filesystem::directory_iterator(Small.Path())) {
    Left.push_back(Entry.path().filename().string());
  }
  std::sort(Left.begin(), Left.end());
  EXPECT_EQ(Left, (std::vector<std::string>{"chart.png", "chart.svg"}));
}
#endif

}  // namespace
