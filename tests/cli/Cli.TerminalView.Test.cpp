#include "cli/Cli.TerminalView.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "report/Report.TempFolder.h"
#include "results/Speed.Figure.h"

namespace {

std::size_t CountOf(const std::string& Text, const std::string& Part) {
  std::size_t Count = 0;
  for (std::size_t At = Text.find(Part); At != std::string::npos; At = Text.find(Part, At + 1)) {
    ++Count;
  }
  return Count;
}

// Both streams on one file, as on a terminal: the bytes land in the order they are written.
struct TSharedScreen {
  TTempFolder Folder;
  std::string Path = Folder.File("screen.txt");
  std::FILE* Output = std::fopen(Path.c_str(), "ab");
  std::FILE* Errors = std::fopen(Path.c_str(), "ab");
  ~TSharedScreen() {
    std::fclose(Output);
    std::fclose(Errors);
  }
  std::string Text() {
    std::fflush(Output);
    std::fflush(Errors);
    return ReadBytes(Path);
  }
};

TEST(CliTerminalView, TheCancelNoteStartsALineOfItsOwnAfterTheStatusLine) {
  TSharedScreen Screen;
  TTerminalView View(Screen.Output, Screen.Errors, true);
  View.StartPass();
  View.UpdatePass(8, 32, 100);
  View.RefreshStatus(true);
  View.Note("cancelling: the pass ends after the current write");
  const std::string Text = Screen.Text();
  EXPECT_NE(Text.find("] "), std::string::npos) << Text;  // the status line was drawn
  EXPECT_NE(Text.find("\r\033[Kvarnell-cli: cancelling"), std::string::npos) << Text;
}

#ifndef _WIN32  // pseudo-terminals are POSIX
// The terminal went away (its window closed): every write fails with EIO, as final as a closed
// pipe, so the run is cancelled and cleaned up instead of running on to its end.
TEST(CliTerminalView, AHungUpTerminalClosesTheOutputLikeAClosedPipe) {
  const int Master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(Master, 0);
  ASSERT_EQ(grantpt(Master), 0);
  ASSERT_EQ(unlockpt(Master), 0);
  const int Slave = open(ptsname(Master), O_RDWR | O_NOCTTY);
  ASSERT_GE(Slave, 0);
  std::FILE* Terminal = fdopen(Slave, "w");
  ASSERT_NE(Terminal, nullptr);
  TTempFolder Folder;
  std::FILE* Errors = std::fopen(Folder.File("errors.txt").c_str(), "wb");
  {
    TTerminalView View(Terminal, Errors, false);
    View.AddLogLine("Varnell 6.0.5");
    EXPECT_FALSE(View.OutputClosed());
    close(Master);  // the hang-up
    View.AddLogLine("***************************************");
    EXPECT_TRUE(View.OutputClosed());
  }
  std::fclose(Terminal);
  std::fclose(Errors);
}
#endif

TEST(CliTerminalView, AFailedWriteIsSaidOnceOnTheOtherStreamAndCounts) {
  TTempFolder Folder;
  WriteBytes(Folder.File("out.txt"), "");
  std::FILE* Unwritable = std::fopen(Folder.File("out.txt").c_str(), "rb");
  std::FILE* Errors = std::fopen(Folder.File("errors.txt").c_str(), "wb");
  {
    TTerminalView View(Unwritable, Errors, false);
    EXPECT_FALSE(View.WriteFailed());
    View.AddLogLine("***************************************");
    View.AddLogLine("Varnell 6.0.5");
    EXPECT_TRUE(View.WriteFailed());
    EXPECT_FALSE(View.OutputClosed());  // a failure, not a reader that went away
    View.ShowLogError("/logs/k.log", 28, "No space left on device");
  }
  std::fclose(Unwritable);
  std::fclose(Errors);
  const std::string Said = ReadBytes(Folder.File("errors.txt"));
  EXPECT_EQ(CountOf(Said, "report lines could not be written to the output"), 1u) << Said;
  EXPECT_NE(Said.find("varnell-cli: a line could not be written to the log file \"/logs/k.log\": "
                      "No space left on device (code 28); the file misses lines\n"),
            std::string::npos)
      << Said;
}

}  // namespace

namespace {

// The picture of a repeating, verified run: the last passes, the current one last and solid,
// then its read-back, solid too; a new pass starts its reads afresh.
TEST(CliTerminalView, ThePictureHoldsTheLastPassesAndTheCurrentPassesReads) {
  TSharedScreen Screen;
  TTerminalView View(Screen.Output, Screen.Errors, false);
  View.RecordChart();
  for (int Pass = 1; Pass <= 5; ++Pass) {
    View.ClearChart();
    View.AddChartPoint(90.0, 100.0 * Pass);
    View.AddReadChartPoint(90.0, 50.0 * Pass);
  }
  TSetting Setting;
  const TPlotFigure Figure =
      SpeedChartFigure(View.ChartPasses(), Setting, "2026/12/11 03:20", 100.0, View.ChartReads());
  std::vector<std::string> Labels;
  std::vector<bool> Faint;
  for (const TPlotCurve& Curve : Figure.Curves) {
    Labels.push_back(Curve.Label);
    Faint.push_back(Curve.Faint);
  }
  EXPECT_EQ(Labels,
            (std::vector<std::string>{"2회차", "3회차", "4회차", "5회차", "5회차 읽기 속도"}));
  EXPECT_EQ(Faint, (std::vector<bool>{true, true, true, false, false}));
  EXPECT_EQ(Figure.Curves.back().Points, (std::vector<TPlotPoint>{{90.0, 250.0}}));

  View.ClearChart();
  EXPECT_TRUE(View.ChartReads().Points.empty());
}

}  // namespace
