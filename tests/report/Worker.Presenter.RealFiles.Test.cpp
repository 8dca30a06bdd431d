// The engine's worker and this presenter together, on real files: a small filesystem is
// mounted for each test so that the free space, and so the whole log, is known.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "Report.Fakes.h"
#include "Report.TempFolder.h"
#include "engine/Tester.Thread.h"
#include "report/Gui.QueueDispatcher.h"
#include "report/Tester.ToView.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class TScratchMount {
 public:
  TScratchMount(const char* Type, const char* Options) {
    fs::create_directory(Path());
    FMounted = geteuid() == 0 && mount(Type, Path().c_str(), Type, 0, Options) == 0;
  }
  ~TScratchMount() {
    if (FMounted) {
      umount(Path().c_str());
    }
  }
  bool Mounted() const { return FMounted; }
  std::string Path() const { return FFolder.File("volume"); }
  std::string DrivePath() const { return Path() + "/"; }

 private:
  TTempFolder FFolder;
  bool FMounted = false;
};

// Runs one test with the real worker, the real presenter, the real device subsystem and
// the real platform; this thread serves the GUI queue until the worker has ended.
struct TRealRun {
  TFakeView View;
  std::optional<TTesterError> Error;

  // Serving calls WhileServing after each round, e.g. to cancel at some point.
  void Run(const TSetting& Setting,
           const std::function<void(TTesterThread&)>& WhileServing = nullptr) {
    auto Dispatcher = std::make_unique<TQueueDispatcher>();
    TQueueDispatcher& Gui = *Dispatcher;
    auto Presenter = std::make_unique<TTesterToView>(Setting, View, std::move(Dispatcher));
    TTesterThread Worker(Setting, std::move(Presenter));
    const auto Deadline = std::chrono::steady_clock::now() + 60s;
    while (!Worker.IsFinished() && std::chrono::steady_clock::now() < Deadline) {
      Gui.WaitAndRunPending(5ms);
      if (WhileServing) {
        WhileServing(Worker);
      }
    }
    ASSERT_TRUE(Worker.IsFinished()) << "the worker did not end";
    Gui.RunPending();
    Error = Worker.Error();
  }
};

std::vector<std::string> FileLines(const std::string& Path) {
  const std::string Bytes = ReadBytes(Path);
  std::vector<std::string> Lines;
  std::size_t Start = 0;
  for (std::size_t End; (End = Bytes.find("\r\n", Start)) != std::string::npos; Start = End + 2) {
    Lines.push_back(Bytes.substr(Start, End - Start));
  }
  EXPECT_EQ(Start, Bytes.size()) << "text after the last CR LF";
  return Lines;
}

void ExpectLinesMatch(const std::vector<std::string>& Lines,
                      const std::vector<std::string>& Patterns) {
  ASSERT_EQ(Lines.size(), Patterns.size());
  for (std::size_t I = 0; I < Lines.size(); ++I) {
    EXPECT_TRUE(std::regex_match(Lines[I], std::regex(Patterns[I])))
        << "line " << I << ": " << Lines[I] << "\n  pattern: " << Patterns[I];
  }
}

const std::string Rule = "\\*{39}";
const std::string Minute = "\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d";
const std::string Speed = "[1-9]\\d*MiB/s";

TEST(WorkerAndPresenter, APassOnASmallVolumeLeavesACorrectLogAndDetailedLog) {
  TScratchMount Volume("tmpfs", "size=40m");
  if (!Volume.Mounted()) {
    GTEST_SKIP() << "mounting a tmpfs needs root";
  }
  TTempFolder Logs;
  TSetting Setting;
  Setting.IsSet = true;
  Setting.DrivePath = Volume.DrivePath();
  Setting.ToLeftUnit = TLeftUnit::LeaveByMiB;
  Setting.ToLeft = 0;  // 40 MiB free: 39 to write, 32 in whole writes
  Setting.NeedCache = true;
  Setting.NeedDelete = true;
  Setting.RecordPath = Logs.File("log.txt");
  Setting.DetailedRecordPath = Logs.File("detailed.txt");

  TRealRun Run;
  Run.Run(Setting);

  EXPECT_FALSE(Run.Error);
  EXPECT_TRUE(fs::is_empty(Volume.Path())) << "the pass's files were not deleted";
  // A tmpfs has no disk: no model, and the volume's 40 MiB stand in for the disk.
  ExpectLinesMatch(FileLines(Setting.RecordPath),
                   {Rule,
                    "Varnell 6\\.0\\.5",
                    "제작자 : Varnell",
                    "출처 : Moravi\\(varnell\\.invalid/community\\)",
                    "테스트 일시 : " + Minute,
                    "테스트 회차 : 1",
                    Rule,
                    "- 테스트 드라이브 상세 -",
                    "모델명 : ",
                    "드라이브 : " + Volume.DrivePath(),
                    "전체 용량 : 0GB",
                    "",
                    "- 드라이브 내 테스트 구간 -",
                    "테스트 구간 : 0GB ~ 0GB",
                    "파티션 용량 : 0GB",
                    "",
                    "- 모드 적용 사항 -",
                    "윈도 캐시 효과 : 적용",
                    "무한 반복 : 미적용",
                    Rule,
                    "80\\.0% 에서의 속도 : " + Speed,
                    "60\\.0% 에서의 속도 : " + Speed,
                    "40\\.0% 에서의 속도 : " + Speed,
                    "20\\.0% 에서의 속도 : " + Speed,
                    Rule,
                    "종료 시간 : " + Minute,
                    "테스트 시간 : 00:00:\\d\\d",
                    Rule,
                    "최대 속도 : " + Speed,
                    "최소 속도 : " + Speed,
                    "평균 속도 : " + Speed,
                    "평균 속도 50% 미만 구간 : (0|25|50|75)\\.0%",
                    Rule,
                    "- 판단하기에 너무 짧은 회차입니다 \\(쓰기 4회\\) -"});
  ExpectLinesMatch(FileLines(Setting.DetailedRecordPath),
                   {"80,[1-9]\\d*", "60,[1-9]\\d*", "40,[1-9]\\d*", "20,[1-9]\\d*"});
  EXPECT_EQ(Run.View.LogLines(), FileLines(Setting.RecordPath));
  EXPECT_EQ(Run.View.ButtonsHidden, 2);  // end of the pass and end of the run
}

TEST(WorkerAndPresenter, AFailedOpenEndsTheRunWithAnErrorLineAndMessage) {
  // ramfs refuses unbuffered writes and reports no free space; leaving -33 MiB asks for 32.
  TScratchMount Volume("ramfs", "");
  if (!Volume.Mounted()) {
    GTEST_SKIP() << "mounting a ramfs needs root";
  }
  TTempFolder Logs;
  TSetting Setting;
  Setting.IsSet = true;
  Setting.DrivePath = Volume.DrivePath();
  Setting.ToLeftUnit = TLeftUnit::LeaveByMiB;
  Setting.ToLeft = -33;
  Setting.NeedCache = false;
  Setting.RecordPath = Logs.File("log.txt");

  TRealRun Run;
  Run.Run(Setting);

  ASSERT_TRUE(Run.Error);
  EXPECT_EQ(Run.Error->Operation, "CreateFile");
  const auto Lines = FileLines(Setting.RecordPath);
  ASSERT_EQ(Lines.size(), 21u);
  EXPECT_TRUE(std::regex_match(
      Lines[20], std::regex("- \\d\\d/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d에 오류 : CreateFile 실패, "
                            "코드 22 \\(Invalid argument\\), 파일 : " +
                            Volume.DrivePath() + "Randomfile0 -")))
      << Lines[20];
  ASSERT_EQ(Run.View.Errors.size(), 1u);
  EXPECT_EQ(Run.View.Errors[0], "파일을 만들지 못해 테스트를 끝냈습니다.\n파일 : " +
                                    Volume.DrivePath() + "Randomfile0\nInvalid argument (코드 22)");
  EXPECT_EQ(Run.View.Calls.back(), "HideButtons");
}

TEST(WorkerAndPresenter, ARepeatingRunReportsTheWholeRunAndRotatesItsLists) {
  TScratchMount Volume("tmpfs", "size=24m");
  if (!Volume.Mounted()) {
    GTEST_SKIP() << "mounting a tmpfs needs root";
  }
  TTempFolder Logs;
  TSetting Setting;
  Setting.IsSet = true;
  Setting.DrivePath = Volume.DrivePath();
  Setting.ToLeftUnit = TLeftUnit::LeaveByMiB;
  Setting.ToLeft = 0;  // 16 MiB a pass
  Setting.NeedCache = true;
  Setting.InfiniteRepetition = true;
  Setting.RecordPath = Logs.File("log.txt");

  TRealRun Run;
  Run.Run(Setting, [&](TTesterThread& Worker) {
    const auto Lines = Run.View.LogLines();
    if (std::find(Lines.begin(), Lines.end(), "테스트 회차 : 3") != Lines.end()) {
      Worker.Terminate();  // pass 3 still makes its first write and gets its summary
    }
  });

  EXPECT_FALSE(Run.Error);
  const auto Lines = FileLines(Setting.RecordPath);
  EXPECT_EQ(Run.View.LogLines(), Lines);
  std::vector<std::string> Totals;
  std::vector<std::size_t> PassStarts;
  for (std::size_t I = 0; I < Lines.size(); ++I) {
    if (Lines[I].rfind("전체 호스트 쓰기 : ", 0) == 0) {
      Totals.push_back(Lines[I]);
      EXPECT_TRUE(std::regex_match(Lines[I - 1], std::regex("전체 테스트 시간 : 0:00:00:\\d\\d")))
          << Lines[I - 1];
    }
    if (Lines[I] == "Varnell 6.0.5") {
      PassStarts.push_back(I - 1);
    }
  }
  ASSERT_EQ(PassStarts.size(), 3u);
  ASSERT_EQ(Totals.size(), 3u);
  EXPECT_EQ(Totals[0], "전체 호스트 쓰기 : 16MB");
  EXPECT_EQ(Totals[1], "전체 호스트 쓰기 : 32MB");
  EXPECT_TRUE(Totals[2] == "전체 호스트 쓰기 : 40MB" || Totals[2] == "전체 호스트 쓰기 : 48MB")
      << Totals[2];
  // The lists hold the previous and the current pass, and the current pass only.
  EXPECT_EQ(
      std::vector<std::string>(Run.View.LastAndCurrentLog.begin(),
                               Run.View.LastAndCurrentLog.end()),
      std::vector<std::string>(Lines.begin() + static_cast<long>(PassStarts[1]), Lines.end()));
  EXPECT_EQ(
      std::vector<std::string>(Run.View.CurrentLog.begin(), Run.View.CurrentLog.end()),
      std::vector<std::string>(Lines.begin() + static_cast<long>(PassStarts[2]), Lines.end()));
}

// A repeating run that finds no room: the first pass says why, the following ones wait and
// say nothing, and a cancel ends the wait at once.
TEST(WorkerAndPresenter, ARepeatingRunWithoutRoomSaysWhyOnceAndStopsAtTheCancel) {
  TTempFolder Folder;
  TTempFolder Logs;
  TSetting Setting;
  Setting.IsSet = true;
  Setting.DrivePath = Folder.Path() + "/";
  Setting.ToLeftUnit = TLeftUnit::LeaveByGiB;
  Setting.ToLeft = 1'000'000'000;  // far more than any disk holds
  Setting.NeedCache = true;
  Setting.InfiniteRepetition = true;
  Setting.RecordPath = Logs.File("log.txt");
  // An earlier run's log: a run that never writes leaves it as it was.
  const std::string Earlier = "an earlier run's line\r\n";
  WriteBytes(Setting.RecordPath, Earlier);

  TRealRun Run;
  const auto Start = std::chrono::steady_clock::now();
  std::optional<std::chrono::steady_clock::time_point> Cancelled;
  Run.Run(Setting, [&](TTesterThread& Worker) {
    if (!Cancelled && std::chrono::steady_clock::now() - Start > 2500ms) {
      Cancelled = std::chrono::steady_clock::now();
      Worker.Terminate();
    }
  });
  ASSERT_TRUE(Cancelled);
  // Generous for a loaded machine; the wait between passes alone is a second.
  EXPECT_LT(std::chrono::steady_clock::now() - *Cancelled, 10s);

  EXPECT_FALSE(Run.Error);
  const auto Lines = Run.View.LogLines();
  EXPECT_EQ(std::count(Lines.begin(), Lines.end(), "Varnell 6.0.5"), 1) << Lines.size();
  ASSERT_EQ(Lines.size(), 21u);
  EXPECT_TRUE(std::regex_match(Lines[20], std::regex("- 채울 공간 없음 : 빈 공간 \\d+MiB, "
                                                     "남길 용량 1000000000GiB -")))
      << Lines[20];
  EXPECT_EQ(ReadBytes(Setting.RecordPath), Earlier);
  EXPECT_EQ(Run.View.ButtonsHidden, 1);
}

}  // namespace
