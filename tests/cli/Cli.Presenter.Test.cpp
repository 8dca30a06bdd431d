// What the terminal learns from the worker beyond the report lines: whether files are being
// deleted (what an interrupt does then), and whether the run counts as refused.
#include "cli/Cli.Presenter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "cli/Cli.TerminalView.h"
#include "fakes/Recording.Presenter.h"
#include "report/Gui.QueueDispatcher.h"
#include "report/Report.TempFolder.h"

namespace {

// The terminal's two streams as files in a folder of their own, read back as text.
class TCapturedTerminal {
 public:
  TCapturedTerminal()
      : FOutput(std::fopen(FFolder.File("out.txt").c_str(), "w+b")),
        FErrors(std::fopen(FFolder.File("errors.txt").c_str(), "w+b")) {}
  ~TCapturedTerminal() {
    std::fclose(FOutput);
    std::fclose(FErrors);
  }
  TCapturedTerminal(const TCapturedTerminal&) = delete;
  TCapturedTerminal& operator=(const TCapturedTerminal&) = delete;

  std::string Errors() const {
    std::fflush(FErrors);
    return ReadBytes(FFolder.File("errors.txt"));
  }

 private:
  TTempFolder FFolder;

 public:
  std::FILE* FOutput;
  std::FILE* FErrors;
};

// The test's thread owns the queue, so every unit runs at once, as on the CLI's main thread.
struct TCliRig {
  TCapturedTerminal Terminal;
  TTerminalView View{Terminal.FOutput, Terminal.FErrors, false};
  TQueueDispatcher Queue;
  std::shared_ptr<TPresenterRecord> Record = std::make_shared<TPresenterRecord>();
  bool Refused = false;
  TCliPresenter Presenter{std::make_unique<TRecordingPresenter>(Record), Queue, View, Refused};
};

TEST(CliPresenter, AnInterruptWhileFilesAreDeletedSaysSo) {
  TCliRig Rig;
  Rig.View.NoteInterrupt(true);
  Rig.Presenter.StartDeleting();
  EXPECT_TRUE(Rig.View.Deleting());
  Rig.View.NoteInterrupt(true);
  Rig.View.NoteInterrupt(false);
  Rig.Presenter.EndDeleting();
  EXPECT_FALSE(Rig.View.Deleting());
  Rig.View.NoteInterrupt(false);

  EXPECT_EQ(Rig.Terminal.Errors(),
            "varnell-cli: cancelling: the pass ends after the current write\n"
            "varnell-cli: cancelling: the files written are being deleted first, please wait\n"
            "varnell-cli: still deleting the files written, please wait\n"
            "varnell-cli: still ending the pass, please wait\n");
  EXPECT_EQ(Rig.Record->Calls(), (std::vector<std::string>{"StartDeleting", "EndDeleting"}));
}

TEST(CliPresenter, ARunCountsAsRefusedWhenItWroteNothing) {
  struct TCase {
    const char* Why;
    std::vector<std::int64_t> Passes;  // each pass's target; a positive one makes a write
    bool Refused;
  };
  const TCase Cases[] = {
      {"a pass with room", {8}, false},
      {"an invalid setting", {-1}, true},
      {"no room", {0}, true},
      {"no room, far short", {-3'071'989'761}, true},
      {"no room, then room", {-2, 8}, false},
      {"room, then no room", {8, -2}, false},
      {"room, then an invalid setting", {8, -1}, true},
  };
  for (const auto& Case : Cases) {
    TCliRig Rig;
    for (const std::int64_t Target : Case.Passes) {
      Rig.Presenter.PrintInitialSetting(1, 100, 100, Target);
      if (Target > 0) {
        Rig.Presenter.ApplyProgress(8, static_cast<std::int32_t>(Target), 400);
      }
      Rig.Presenter.EndTest(0.0, 0);
    }
    EXPECT_EQ(Rig.Refused, Case.Refused) << Case.Why;
  }
}

}  // namespace

// The metrics follow the worker's calls: the pass, its bytes and the run's, the last write's
// exact speed and temperature, the state through pause and read-back, and no file before the
// first write.
TEST(CliPresenter, TheMetricsFollowTheWorkersCalls) {
  TCapturedTerminal Terminal;
  TTerminalView View{Terminal.FOutput, Terminal.FErrors, false};
  TQueueDispatcher Queue;
  std::vector<std::string> Files;
  TCliMetrics Metrics(
      "m.prom", [](const std::string&, int) {},
      [&Files](const std::string&, const std::string& Text) {
        Files.push_back(Text);
        return 0;
      });
  const std::size_t Drive = Metrics.AddDrive({});
  bool Refused = false;
  TCliPresenter Presenter{
      std::make_unique<TRecordingPresenter>(std::make_shared<TPresenterRecord>()),
      Queue,
      View,
      Refused,
      &Metrics,
      Drive};
  const TDriveMetrics& Shown = Metrics.Drive(Drive);

  Presenter.PrintInitialSetting(1, 100 << 20, 200 << 20, -1);  // refused: nothing changes
  EXPECT_EQ(Shown.Pass, 0);
  Presenter.PrintInitialSetting(1, 100 << 20, 200 << 20, 16);
  EXPECT_EQ(Shown.Pass, 1);
  EXPECT_EQ(Shown.PassTargetBytes, 16 << 20);
  EXPECT_TRUE(Files.empty());
  Presenter.ApplyWriteTime(0.5, 41.5f);
  Presenter.ApplyProgress(8, 16, 16);
  EXPECT_EQ(Files.size(), 1u);  // the first write starts the file
  EXPECT_EQ(Shown.LastWriteSpeed, 16.0 * 1024 * 1024);
  EXPECT_EQ(Shown.TemperatureC, 41.5);
  Presenter.StartIdle();
  EXPECT_EQ(Shown.State, TDriveState::Paused);
  Presenter.EndIdle();
  EXPECT_EQ(Shown.State, TDriveState::Writing);
  Presenter.ApplyWriteTime(0.25, std::nullopt);
  Presenter.ApplyProgress(16, 16, 32);
  EXPECT_EQ(Shown.LastWriteSpeed, 32.0 * 1024 * 1024);
  EXPECT_EQ(Shown.TemperatureC, 41.5);  // the last reading stays
  Presenter.StartVerify(16);
  EXPECT_EQ(Shown.State, TDriveState::Verifying);
  Presenter.StartIdle();
  Presenter.EndIdle();
  EXPECT_EQ(Shown.State, TDriveState::Verifying);  // a pause during the read-back returns to it

  Presenter.PrintInitialSetting(2, 100 << 20, 200 << 20, 16);
  EXPECT_EQ(Shown.State, TDriveState::Writing);
  EXPECT_EQ(Shown.PassWrittenBytes, 0);
  Presenter.ApplyWriteTime(0.5, std::nullopt);
  Presenter.ApplyProgress(8, 16, 16);
  EXPECT_EQ(Shown.Pass, 2);
  EXPECT_EQ(Shown.PassWrittenBytes, 8 << 20);
  EXPECT_EQ(Shown.WrittenBytesTotal, 24 << 20);
}
