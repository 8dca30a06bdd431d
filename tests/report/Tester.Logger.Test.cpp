#include "report/Tester.Logger.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "Report.Rig.h"
#include "Report.TempFolder.h"

namespace {

namespace fs = std::filesystem;

TEST(TesterLogger, WritesEachLineThroughAsUtf8WithCrLfAndNoByteOrderMark) {
  TTempFolder Folder;
  const std::string Path = Folder.File("log.txt");
  TTesterLogger Logger(Path);
  EXPECT_EQ(ReadBytes(Path), "");

  Logger.Add("최대 속도 : 512MiB/s");
  EXPECT_EQ(ReadBytes(Path), "최대 속도 : 512MiB/s\r\n");  // in the file when Add returns
  Logger.Add("");
  Logger.Add(std::string(3000, 'x'));  // longer than any write buffer
  EXPECT_EQ(ReadBytes(Path), "최대 속도 : 512MiB/s\r\n\r\n" + std::string(3000, 'x') + "\r\n");
  EXPECT_EQ(static_cast<unsigned char>(ReadBytes(Path)[0]), 0xEC);  // "최", not EF BB BF

  EXPECT_EQ(Logger.Count(), 3);
  EXPECT_EQ(Logger.GetItem(1), "");
  EXPECT_THROW(Logger.GetItem(3), std::out_of_range);
  EXPECT_THROW(Logger.GetItem(-1), std::out_of_range);
}

TEST(TesterLogger, AnExistingFileIsReplacedNotAppendedTo) {
  TTempFolder Folder;
  const std::string Path = Folder.File("log.txt");
  WriteBytes(Path, "an older and much longer log of an earlier run\r\n");
  TTesterLogger Logger(Path);
  Logger.Add("new");
  EXPECT_EQ(ReadBytes(Path), "new\r\n");
}

TEST(TesterLogger, CreationFailuresNameTheFullPathAndTheSystemsText) {
  TTempFolder Folder;
  const std::string Missing = Folder.File("no-such-folder/log.txt");
  try {
    TTesterLogger Logger(Missing);
    FAIL() << "created a log in a missing folder";
  } catch (const TCreateFileError& Error) {
    EXPECT_STREQ(Error.what(),
                 ("Cannot create file \"" + Missing + "\". No such file or directory").c_str());
  }

  // A relative path is named in full.
  const fs::path Before = fs::current_path();
  fs::current_path(Folder.Path());
  try {
    TTesterLogger Logger("missing/log.txt");
    ADD_FAILURE() << "created a log in a missing folder";
  } catch (const TCreateFileError& Error) {
    EXPECT_NE(std::string(Error.what()).find("\"" + Folder.File("missing/log.txt") + "\""),
              std::string::npos)
        << Error.what();
  }
  fs::current_path(Before);
}

TEST(TesterLogger, ASecondLogOnTheSamePathIsRefusedAndTheFirstKeepsItsLines) {
  TTempFolder Folder;
  const std::string Path = Folder.File("log.txt");
  {
    TTesterLogger First(Path);
    First.Add("first");
    EXPECT_THROW(TTesterLogger Second(Path), TCreateFileError);
    First.Add("still first");
    EXPECT_EQ(ReadBytes(Path), "first\r\nstill first\r\n");
  }
  TTesterLogger Later(Path);  // the lock went with the first logger
  EXPECT_EQ(ReadBytes(Path), "");
}

// A tmpfs of a few kB for one test, unmounted afterwards.
class TSmallMount {
 public:
  explicit TSmallMount(const char* Size) : FPath(FFolder.File("small")) {
    fs::create_directory(FPath);
    FMounted = geteuid() == 0 && mount("tmpfs", FPath.c_str(), "tmpfs", 0,
                                       ("size=" + std::string(Size)).c_str()) == 0;
  }
  ~TSmallMount() {
    if (FMounted) {
      umount(FPath.c_str());
    }
  }
  bool Mounted() const { return FMounted; }
  std::string File(const std::string& Name) const { return FPath + "/" + Name; }

 private:
  TTempFolder FFolder;
  std::string FPath;
  bool FMounted = false;
};

TEST(TesterLogger, AFullDiskLosesWholeLinesFromTheFileOnlyAndLaterLinesArriveAgain) {
  if (geteuid() != 0) {
    GTEST_SKIP() << "mounting a small tmpfs needs root";
  }
  TSmallMount Small("16k");
  ASSERT_TRUE(Small.Mounted()) << "mount failed";
  const std::string Path = Small.File("log.txt");
  WriteBytes(Small.File("Randomfile0"), std::string(8192, 'r'));  // stands for the test's files
  TTesterLogger Logger(Path);
  const std::string Line(1000, 'y');
  int Failed = 0;
  for (int I = 0; I < 40; ++I) {  // 40 kB into 8 kB
    Failed += Logger.Add(Line) ? 0 : 1;
  }
  EXPECT_GT(Failed, 20);
  EXPECT_EQ(Logger.WriteError(), ENOSPC);
  EXPECT_EQ(Logger.Count(), 40);
  EXPECT_EQ(Logger.GetItem(39), Line);
  // A line cut short by the full disk was taken back: the file holds whole lines only.
  const std::string Kept = ReadBytes(Path);
  EXPECT_LE(Kept.size(), 8u * 1024);
  EXPECT_EQ(Kept.size() % (Line.size() + 2), 0u);

  // The test's files are deleted: the summary still reaches the file, right after the others.
  fs::remove(Small.File("Randomfile0"));
  EXPECT_TRUE(Logger.Add("summary"));
  EXPECT_EQ(ReadBytes(Path), Kept + "summary\r\n");
}

TEST(TesterLogger, DevFullSaysItsErrorAndTheListKeepsTheLine) {
  TTesterLogger Logger("/dev/full");
  EXPECT_EQ(Logger.WriteError(), 0);
  EXPECT_FALSE(Logger.Add("line"));
  EXPECT_EQ(Logger.WriteError(), ENOSPC);
  EXPECT_EQ(Logger.GetItem(0), "line");
  EXPECT_EQ(Logger.FullPath(), "/dev/full");
}

// Two logs that are one file, however the second is named: refused before either is emptied.
TEST(TesterLogger, TwoLogsOnOneFileAreRefusedAndTheFileIsLeftAsItWas) {
  TTempFolder Folder;
  const std::string Log = Folder.File("k.log");
  fs::create_directory(Folder.File("sub"));
  fs::create_symlink(Log, Folder.File("link.log"));
  const fs::path Before = fs::current_path();
  fs::current_path(Folder.Path());
  const struct {
    const char* Second;
    bool HardLink;
  } Cases[] = {
      {"k.log", false},         // the same text
      {"./k.log", false},       // spelled otherwise
      {"sub/../k.log", false},  // through another folder
      {"link.log", false},      // a symbolic link to it
      {"hard.log", true},       // a second name of the same file
  };
  for (const bool Existed : {true, false}) {
    for (const auto& Case : Cases) {
      fs::remove(Log);
      fs::remove(Folder.File("hard.log"));
      if (Existed) {
        WriteBytes(Log, "an earlier run\r\n");
      }
      if (Case.HardLink) {
        if (!Existed) {
          continue;  // a hard link needs the file
        }
        fs::create_hard_link(Log, Folder.File("hard.log"));
      }
      try {
        TTesterLogger::CreateAll({Log, Case.Second});
        ADD_FAILURE() << Case.Second << " was taken as a second log";
      } catch (const TCreateFileError& Error) {
        EXPECT_NE(std::string(Error.what()).find("same file as the log \"" + Log + "\""),
                  std::string::npos)
            << Error.what();
      }
      if (Existed) {
        EXPECT_EQ(ReadBytes(Log), "an earlier run\r\n") << Case.Second;
      } else {
        EXPECT_FALSE(fs::exists(Log)) << Case.Second << ": the file made here was left";
      }
    }
  }
  fs::current_path(Before);
}

TEST(TesterLogger, LogsAreEmptiedOnlyOnceAllAreOpen) {
  TTempFolder Folder;
  const std::string Old = Folder.File("old.log");
  const std::string New = Folder.File("new.log");
  WriteBytes(Old, "an earlier run\r\n");
  // The second cannot be made: the first keeps its lines, a file made for it goes again.
  for (const std::string& First : {Old, New}) {
    EXPECT_THROW(TTesterLogger::CreateAll({First, Folder.File("missing/d.log")}), TCreateFileError);
  }
  EXPECT_EQ(ReadBytes(Old), "an earlier run\r\n");
  EXPECT_FALSE(fs::exists(New));
  // Held by another log: the same, and the holder's lines stay.
  {
    TTesterLogger Holder(Folder.File("held.log"));
    Holder.Add("held");
    EXPECT_THROW(TTesterLogger::CreateAll({Old, Folder.File("held.log")}), TCreateFileError);
    EXPECT_EQ(ReadBytes(Folder.File("held.log")), "held\r\n");
  }
  EXPECT_EQ(ReadBytes(Old), "an earlier run\r\n");
  // Both good: both emptied, an empty path gives no logger.
  auto Loggers = TTesterLogger::CreateAll({Old, "", New});
  ASSERT_EQ(Loggers.size(), 3u);
  ASSERT_TRUE(Loggers[0] && Loggers[2]);
  EXPECT_FALSE(Loggers[1]);
  EXPECT_EQ(ReadBytes(Old), "");
  Loggers[2]->Add("new");
  EXPECT_EQ(ReadBytes(New), "new\r\n");
}

// A logger on a file that OpenAll opened keeps its lines to itself until the run starts: one
// that never starts leaves an earlier file as it was and removes one it made; Start empties the
// file and writes the lines held so far, and later lines follow.
TEST(TesterLogger, ALoggerWritesNothingUntilTheRunStarts) {
  TTempFolder Folder;
  const std::string Old = Folder.File("old.log");
  const std::string New = Folder.File("new.log");
  WriteBytes(Old, "an earlier run\r\n");
  {
    auto Files = TTesterLogger::OpenAll({Old, New});
    auto Earlier = TTesterLogger::OnFile(std::move(Files[0]), Old);
    auto Made = TTesterLogger::OnFile(std::move(Files[1]), New);
    EXPECT_TRUE(Earlier->Add("- 채울 공간 없음 -"));
    EXPECT_TRUE(fs::exists(New));
  }
  EXPECT_EQ(ReadBytes(Old), "an earlier run\r\n");
  EXPECT_FALSE(fs::exists(New));

  auto Files = TTesterLogger::OpenAll({Old});
  auto Logger = TTesterLogger::OnFile(std::move(Files[0]), Old);
  Logger->Add("first");
  Logger->Add("second");
  EXPECT_EQ(ReadBytes(Old), "an earlier run\r\n");
  ASSERT_TRUE(Logger->Start());
  EXPECT_EQ(ReadBytes(Old), "first\r\nsecond\r\n");
  EXPECT_TRUE(Logger->Add("third"));
  Logger.reset();
  EXPECT_EQ(ReadBytes(Old), "first\r\nsecond\r\nthird\r\n");
}

// The window is told once per file through ShowError, and the test goes on.
TEST(TesterLogger, APresenterSaysOnceThatALogLineCouldNotBeWritten) {
  TSetting Setting;
  Setting.UnitSpeed = TUnitSpeed::OnePercent;
  Setting.RecordPath = "/dev/full";
  TTempFolder Folder;
  Setting.DetailedRecordPath = Folder.File("detailed.txt");
  TPresenterRig Rig(Setting);
  Rig.OnWorkerServed([&] { Rig.Pass(1, 875, {100, 40, 50}); });
  EXPECT_GT(Rig.View.LogLines().size(), 20u);  // every line still reached the window's lists
  ASSERT_EQ(Rig.View.Errors.size(), 1u);
  EXPECT_EQ(Rig.View.Errors[0],
            "로그 파일에 쓰지 못했습니다. 파일에 빠진 줄이 있습니다.\n파일 : /dev/full\n" +
                Platform::SystemErrorText(ENOSPC) + " (코드 " + std::to_string(ENOSPC) + ")");
  const std::string DetailedLines = ReadBytes(Setting.DetailedRecordPath);
  EXPECT_EQ(std::count(DetailedLines.begin(), DetailedLines.end(), '\n'), 3);
}

TEST(TesterLogger, APresenterSaysFromTheGuiThreadThatADetailedLineCouldNotBeWritten) {
  TSetting Setting;
  Setting.UnitSpeed = TUnitSpeed::OnePercent;
  Setting.DetailedRecordPath = "/dev/full";
  TPresenterRig Detailed(Setting);
  Detailed.OnWorker([&] { Detailed.Pass(1, 875, {100, 40, 50}); });
  EXPECT_TRUE(Detailed.View.Errors.empty());
  Detailed.Dispatcher->RunPending();
  ASSERT_EQ(Detailed.View.Errors.size(), 1u);
  EXPECT_NE(Detailed.View.Errors[0].find("파일 : /dev/full\n"), std::string::npos);
}

}  // namespace
