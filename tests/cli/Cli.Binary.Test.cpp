#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <regex>
#include <sstream>

#include "cli/Cli.FillTarget.h"
#include "cli/Cli.Process.h"
#include "device/System.Drive.h"
#include "engine/Scratch.Volume.h"
#include "results/Writes.Csv.h"
#include "simdrive/Sim.Drive.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::vector<std::string> SplitCrLfLines(const std::string& Text) {
  std::vector<std::string> Lines;
  std::size_t Start = 0;
  while (Start < Text.size()) {
    const std::size_t End = Text.find("\r\n", Start);
    if (End == std::string::npos) {
      Lines.push_back(Text.substr(Start));  // a line without CR LF shows up as a failure
      break;
    }
    Lines.push_back(Text.substr(Start, End - Start));
    Start = End + 2;
  }
  return Lines;
}

bool HasRandomFiles(const fs::path& Folder) {
  for (const auto& Entry : fs::directory_iterator(Folder)) {
    if (Entry.path().filename().string().rfind("Randomfile", 0) == 0) {
      return true;
    }
  }
  return false;
}

void WriteBytes(const fs::path& File, const std::string& Bytes) {
  std::ofstream(File, std::ios::binary) << Bytes;
}

bool IsEmptyFolder(const fs::path& Folder) {
  return fs::is_empty(Folder);
}

void WriteBytesTo(const std::string& Path, const std::string& Bytes) {
  std::FILE* File = std::fopen(Path.c_str(), "wb");
  ASSERT_NE(File, nullptr) << Path;
  std::fwrite(Bytes.data(), 1, Bytes.size(), File);
  std::fclose(File);
}

class CliBinary : public ::testing::Test {
 protected:
  TScratchFolder Capture;  // the program's captured streams and log files
  TScratchFolder Target;   // the folder for arguments that must be refused
};

TEST_F(CliBinary, SmallFillWritesBothLogsAndRemovesItsFiles) {
  const FillTarget Fill;
  SKIP_UNLESS_USABLE(Fill);
  const std::string Log = Capture.Path() / "log.txt";
  const std::string Detailed = Capture.Path() / "detailed.txt";
  const TProcessResult Run = RunCliProcess({"--leave", Fill.LeaveForFourWrites(), "--log", Log,
                                            "--detailed-log", Detailed, Fill.Path().string()},
                                           Capture.Path().string());
  ASSERT_EQ(Run.ExitCode, 0) << Run.Errors;
  EXPECT_FALSE(HasRandomFiles(Fill.Path()));

  // The terminal got the report lines alone (not a terminal: no status line), and the log
  // file holds the same lines with CR LF.
  const std::vector<std::string> LogLines = SplitCrLfLines(ReadWholeFile(Log));
  ASSERT_GE(LogLines.size(), 30u);
  std::string Expected;
  for (const auto& Line : LogLines) {
    Expected += Line + "\n";
  }
  EXPECT_EQ(Run.Output, Expected);
  EXPECT_EQ(LogLines[1], "Varnell 6.0.5");
  EXPECT_EQ(LogLines[9], "드라이브 : " + Fill.DrivePath());
  EXPECT_EQ(LogLines[17], "윈도 캐시 효과 : 미적용");
  // The summary, then its analysis: four writes are too few to judge.
  EXPECT_EQ(LogLines.back().rfind("- 판단하기에 너무 짧은 회차입니다 (쓰기 ", 0), 0u);
  EXPECT_EQ(LogLines[LogLines.size() - 2], "***************************************");
  EXPECT_EQ(LogLines[LogLines.size() - 3].rfind("평균 속도 50% 미만 구간 : ", 0), 0u);

  // One detailed line per write: the remaining share, a comma, the speed.
  const std::vector<std::string> DetailedLines = SplitCrLfLines(ReadWholeFile(Detailed));
  ASSERT_FALSE(DetailedLines.empty());
  if (Fill.Exact()) {
    EXPECT_EQ(DetailedLines.size(), 4u);
  }
  const std::regex DetailedLine(R"([0-9]+(\.[0-9]+)?,[0-9]+)");
  for (const auto& Line : DetailedLines) {
    EXPECT_TRUE(std::regex_match(Line, DetailedLine)) << Line;
  }
}

TEST_F(CliBinary, PlotDrawsThePassesChartAtTheEnd) {
#ifndef VARNELL_CLI_DRAWS_CHARTS
  GTEST_SKIP() << "this build of varnell-cli draws no charts";
#endif
  const FillTarget Fill;
  SKIP_UNLESS_USABLE(Fill);
  const std::string Image = Capture.Path() / "chart.svg";
  const TProcessResult Run =
      RunCliProcess({"--leave", Fill.LeaveForFourWrites(), "--plot", Image, Fill.Path().string()},
                    Capture.Path().string());
  ASSERT_EQ(Run.ExitCode, 0) << Run.Errors;
  const std::string Svg = ReadWholeFile(Image);
  EXPECT_NE(Svg.find("<svg"), std::string::npos);
  // The caption (an SVG splits its text into runs where the font changes).
  EXPECT_NE(Svg.find("드라이브 : "), std::string::npos);
  EXPECT_NE(Svg.find("테스트 일시 : "), std::string::npos);
  EXPECT_EQ(Run.Errors, "");  // no word of Qt's on a terminal

  // A folder for the image that does not exist is refused before anything is written.
  const TProcessResult Refused = RunCliProcess(
      {"--plot", (Capture.Path() / "missing" / "chart.png").string(), Fill.Path().string()},
      Capture.Path().string());
  EXPECT_EQ(Refused.ExitCode, 2);
  EXPECT_NE(Refused.Errors.find("--plot: folder"), std::string::npos) << Refused.Errors;
  EXPECT_FALSE(HasRandomFiles(Fill.Path()));
}

// --lang wins over VARNELL_LANG, and that over the locale; each gives the whole report in
// English, and the log the same lines. An unknown language is refused by the option and only warned
// about in the variable.
TEST_F(CliBinary, TheLanguageComesFromTheOptionTheVariableOrTheLocale) {
  const FillTarget Fill;
  SKIP_UNLESS_USABLE(Fill);
  const std::string Log = Capture.Path() / "log.txt";
  const struct {
    std::vector<std::string> Options;
    std::vector<std::string> Environment;
    bool English;
    const char* Warning;
  } Cases[] = {
      {{"--lang", "en"}, {}, true, nullptr},
      {{}, {"VARNELL_LANG=en"}, true, nullptr},
      {{"--lang", "ko"}, {"VARNELL_LANG=en"}, false, nullptr},
      {{"--lang=en"}, {"VARNELL_LANG=ko"}, true, nullptr},
      {{}, {"VARNELL_LANG=fr"}, false, "VARNELL_LANG: unknown language \"fr\""},
      // Without either, an English locale gives English; the variable wins over it.
      {{}, {"LANG=en_US.UTF-8", "LC_ALL=", "LC_MESSAGES=", "LANGUAGE="}, true, nullptr},
      {{}, {"LANG=en_US.UTF-8", "LC_ALL=", "LANGUAGE=", "VARNELL_LANG=ko"}, false, nullptr},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Options.empty() ? Case.Environment.front() : Case.Options.front());
    std::vector<std::string> Arguments = Case.Options;
    for (const std::string& Argument : {std::string("--leave"), Fill.LeaveForFourWrites(),
                                        std::string("--log"), Log, Fill.Path().string()}) {
      Arguments.push_back(Argument);
    }
    const TProcessResult Run =
        RunCliProcess(Arguments, Capture.Path().string(), {}, Case.Environment);
    ASSERT_EQ(Run.ExitCode, 0) << Run.Errors;
    const std::vector<std::string> LogLines = SplitCrLfLines(ReadWholeFile(Log));
    ASSERT_GE(LogLines.size(), 30u);
    if (Case.English) {
      EXPECT_EQ(LogLines[9], "Drive : " + Fill.DrivePath());
      EXPECT_EQ(LogLines[17], "Page cache (buffered writes) : not applied");
      EXPECT_NE(std::find_if(LogLines.begin(), LogLines.end(),
                             [](const std::string& Line) {
                               return Line.rfind("Share below 50% of the average speed : ", 0) == 0;
                             }),
                LogLines.end());
      // Not one Korean syllable (UTF-8 lead bytes 0xEA..0xED) in the report or the log.
      const std::regex Hangul("[\xEA-\xED]");
      EXPECT_FALSE(std::regex_search(Run.Output, Hangul)) << Run.Output;
    } else {
      EXPECT_EQ(LogLines[17], "윈도 캐시 효과 : 미적용");
    }
    if (Case.Warning != nullptr) {
      EXPECT_NE(Run.Errors.find(Case.Warning), std::string::npos) << Run.Errors;
    }
  }
}

TEST_F(CliBinary, BadArgumentsExitWithTwoAndWriteNothing) {
  struct TCase {
    std::vector<std::string> Arguments;
    const char* Says;
  };
  const std::string Folder = Target.Path().string();
  const TCase Cases[] = {
      {{"--leave", "10GB", Folder}, "unknown unit"},
      {{"--leave", "2147483648MiB", Folder}, "out of range"},
      {{"--leave", "101%", Folder}, "out of range"},
      {{"--step", "2", Folder}, "--step"},
      {{Folder + "/missing"}, "No such file or directory"},
      {{"--log", Folder + "/missing/log.txt", "--allow-system-drive", Folder},
       "Cannot create file"},
      {{"--bogus", Folder}, "unknown option"},
      {{"--plot", "chart.jpg", Folder}, "must end in .svg or .png"},
      {{"--plot=", Folder}, "--plot needs a file name"},
      {{"--lang", "de", Folder}, "--lang: unknown language \"de\" (known: ko, en)"},
      {{"--lang", "", Folder}, "--lang"},
      // An unset variable ("$TARGET") must not become "/" or the current folder (the
      // program runs in the capture folder).
      {{""}, "empty or blank"},
  };
  for (const auto& Case : Cases) {
    const TProcessResult Run = RunCliProcess(Case.Arguments, Capture.Path().string());
    EXPECT_EQ(Run.ExitCode, 2) << Case.Says;
    EXPECT_NE(Run.Errors.find(Case.Says), std::string::npos) << Run.Errors;
    EXPECT_TRUE(Run.Output.empty()) << Run.Output;
    EXPECT_TRUE(IsEmptyFolder(Target.Path())) << Case.Says;
  }
}

TEST_F(CliBinary, ReadOnlyFolderIsRefused) {
  TMountedVolume ReadOnly("-t tmpfs -o size=8m,ro tmpfs");
  SKIP_UNLESS_MOUNTED(ReadOnly, "a read-only tmpfs");
  const TProcessResult Run = RunCliProcess({ReadOnly.Path().string()}, Capture.Path().string());
  EXPECT_EQ(Run.ExitCode, 2);
  EXPECT_NE(Run.Errors.find("Read-only file system"), std::string::npos) << Run.Errors;
}

TEST_F(CliBinary, AFailedWriteEndsWithExitOneAndNothingLeft) {
  TMountedVolume Small("-t tmpfs -o size=48m tmpfs");
  SKIP_UNLESS_MOUNTED(Small, "a small tmpfs");
  const std::string Log = Capture.Path() / "log.txt";
  const TProcessResult Run =
      RunCliProcess({"--leave", "0GiB", "--cache", "--log", Log, Small.Path().string()},
                    Capture.Path().string(), {}, {}, [] { LimitFileSize(12 << 20); });
  EXPECT_EQ(Run.ExitCode, 1) << Run.Output << Run.Errors;
  EXPECT_TRUE(IsEmptyFolder(Small.Path()));
  // The error names the failing write, its code and the system's text, in the log too.
  EXPECT_NE(Run.Output.find("WriteFile"), std::string::npos) << Run.Output;
  EXPECT_NE(Run.Output.find("27"), std::string::npos);
  EXPECT_NE(Run.Output.find("File too large"), std::string::npos);
  EXPECT_NE(ReadWholeFile(Log).find("File too large"), std::string::npos);
  EXPECT_NE(Run.Errors.find("File too large"), std::string::npos) << Run.Errors;
}

// With --verify the report goes on after the summary with what the read-back found.
TEST_F(CliBinary, VerifyReadsAHealthyVolumeBackIntact) {
  const FillTarget Fill;
  SKIP_UNLESS_USABLE(Fill);
  const std::string Csv = Capture.Path() / "writes.csv";
  const TProcessResult Run = RunCliProcess(
      {"--verify", "--leave", Fill.LeaveForFourWrites(), "--csv", Csv, Fill.Path().string()},
      Capture.Path().string());
  ASSERT_EQ(Run.ExitCode, 0) << Run.Errors;
  // The per-write file has each 8 MiB read after the writes, where its write lay.
  const std::vector<TPassWrites> Passes = ParseWritesCsv(ReadWholeFile(Csv));
  ASSERT_EQ(Passes.size(), 1U);
  ASSERT_EQ(Passes[0].Reads.size(), Passes[0].Writes.size());
  for (std::size_t Index = 0; Index < Passes[0].Reads.size(); ++Index) {
    const TWriteRecord& Read = Passes[0].Reads[Index];
    EXPECT_EQ(Read.WrittenInMiB, Passes[0].Writes[Index].WrittenInMiB);
    EXPECT_EQ(Read.RemainPercent, Passes[0].Writes[Index].RemainPercent);
    EXPECT_GT(Read.Seconds, 0.0);
    EXPECT_GT(Read.SpeedInMiB, 0);
  }
  EXPECT_FALSE(HasRandomFiles(Fill.Path()));
  EXPECT_NE(Run.Output.find("\n쓰기 후 검증 : 적용\n"), std::string::npos) << Run.Output;
  const std::size_t Block = Run.Output.find("평균 속도 50% 미만 구간 : ");
  ASSERT_NE(Block, std::string::npos) << Run.Output;
  const std::string After = Run.Output.substr(Run.Output.find('\n', Block) + 1);
  EXPECT_EQ(
      After.rfind("***************************************\n- 쓰기 후 검증 -\n읽은 용량 : ", 0), 0u)
      << After;
  if (Fill.Exact()) {
    EXPECT_NE(After.find("읽은 용량 : 32MiB / 32MiB\n온전한 용량 : 32MiB\n"), std::string::npos);
  }
  EXPECT_NE(After.find("첫 손상 위치 : 없음\n"), std::string::npos) << After;
  EXPECT_NE(After.find("\n검증 결과 : 이상 없음\n"), std::string::npos) << After;
  EXPECT_EQ(Run.Errors, "");
}

// A drive that reports 64 MiB and holds 16, wrapping around: the run ends with 3 and says where
// the data stops being there.
TEST_F(CliBinary, VerifyCatchesAFakeDriveAndExitsWithThree) {
  SIMDRIVE_SKIP_IF_UNAVAILABLE();
  SimDrive::TSimDrive Drive(SimDrive::FakeStick());
  ASSERT_TRUE(Drive.Mounted()) << Drive.Error();
  const TProcessResult Run =
      RunCliProcess({"--verify", Drive.Path().string()}, Capture.Path().string());
  EXPECT_EQ(Run.ExitCode, 3) << Run.Output << Run.Errors;
  EXPECT_FALSE(HasRandomFiles(Drive.Path()));
  for (const char* Line :
       {"읽은 용량 : 56MiB / 56MiB", "온전한 용량 : 16MiB", "덮어쓰인 용량 : 40MiB (10240섹터)",
        "첫 손상 위치 : Randomfile0, 0바이트 지점", "사용 가능한 용량 : 0MiB",
        "표시 용량 64MiB, 실제로 저장된 데이터 약 16MiB", "검증 결과 : 손상 있음"}) {
    EXPECT_NE(Run.Output.find(std::string("\n") + Line + "\n"), std::string::npos)
        << Line << " missing from\n"
        << Run.Output;
  }
  // Not a terminal: what the window says in a box goes where scripts look for it.
  EXPECT_NE(Run.Errors.find("손상된 데이터를 찾았습니다"), std::string::npos) << Run.Errors;
  // The message leads with what the drive really holds.
  EXPECT_LT(Run.Errors.find("실제로 저장된 데이터 약 16MiB"), Run.Errors.find("손상된 데이터를"))
      << Run.Errors;
}

TEST_F(CliBinary, InterruptEndsThePassWithItsSummaryAndRemovesTheFiles) {
  // Repeating passes keep the program busy until the interrupt, whatever the disk's speed.
  const FillTarget Fill;
  SKIP_UNLESS_USABLE(Fill);
  const TProcessResult Run = RunCliProcess(
      {"--repeat", "--leave", Fill.LeaveForFourWrites(), Fill.Path().string()},
      Capture.Path().string(), [](pid_t Child) {
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        kill(Child, SIGINT);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        kill(Child, SIGINT);  // a second interrupt during the closing work changes nothing
      });
  EXPECT_EQ(Run.ExitCode, 0) << Run.Errors;
  EXPECT_FALSE(HasRandomFiles(Fill.Path()));
  EXPECT_NE(Run.Errors.find("cancelling"), std::string::npos) << Run.Errors;
  const std::string LastSummaryLine = "평균 속도 50% 미만 구간 : ";
  const std::size_t Last = Run.Output.rfind(LastSummaryLine);
  ASSERT_NE(Last, std::string::npos) << Run.Output;
  // The summary is the last thing printed: no further pass started after the interrupt.
  EXPECT_EQ(Run.Output.find("테스트 회차", Last), std::string::npos);
}

TEST_F(CliBinary, SigtermAndSighupCancelLikeCtrlC) {
  // SIGHUP: the terminal closed. Either way the pass ends in order, the files go, and the exit
  // code is the cancel's.
  const FillTarget Fill;
  SKIP_UNLESS_USABLE(Fill);
  const std::string Output = (Capture.Path() / "stdout.txt").string();
  for (const int Signal : {SIGTERM, SIGHUP}) {
    fs::remove(Output);  // the wait below must see this run's output, not the last one's
    const TProcessResult Run =
        RunCliProcess({"-r", "-l", Fill.LeaveForFourWrites(), Fill.Path().string()},
                      Capture.Path().string(), [&](pid_t Child) {
                        // Once a pass has begun, however loaded the machine.
                        const auto Deadline = std::chrono::steady_clock::now() + 60s;
                        while (ReadWholeFile(Output).find("테스트 회차") == std::string::npos &&
                               std::chrono::steady_clock::now() < Deadline) {
                          std::this_thread::sleep_for(20ms);
                        }
                        std::this_thread::sleep_for(200ms);
                        kill(Child, Signal);
                      });
    EXPECT_EQ(Run.ExitCode, 0) << Signal << ": " << Run.Errors;
    EXPECT_FALSE(HasRandomFiles(Fill.Path())) << Signal;
    EXPECT_NE(Run.Errors.find("cancelling"), std::string::npos) << Run.Errors;
  }
}

TEST_F(CliBinary, AClosedOutputCancelsAndTheRunStillCleansUp) {
  // "varnell-cli ... | head -3": repeating passes keep it writing until the pipe is gone.
  const FillTarget Fill;
  SKIP_UNLESS_USABLE(Fill);
  const std::string Log = Capture.Path() / "log.txt";
  const TProcessResult Run = RunCliProcessIntoClosedPipe(
      {"--repeat", "--leave", Fill.LeaveForFourWrites(), "--log", Log, Fill.Path().string()},
      Capture.Path().string(), 3);
  EXPECT_EQ(Run.Output,
            "***************************************\nVarnell 6.0.5\n제작자 : Varnell\n");
  EXPECT_EQ(Run.ExitCode, 0) << Run.Errors;  // ended by itself, not by SIGPIPE (141)
  EXPECT_FALSE(HasRandomFiles(Fill.Path()));
  EXPECT_NE(Run.Errors.find("the output was closed; cancelling"), std::string::npos) << Run.Errors;
  // The pass ended in order: its summary reached the log.
  const std::string Logged = ReadWholeFile(Log);
  EXPECT_NE(Logged.find("평균 속도 50% 미만 구간 : "), std::string::npos) << Logged;
}

TEST_F(CliBinary, ARefusedStartLeavesEveryLogAsItWas) {
  const std::string Old = "an earlier run\r\n";
  const std::string Log = Capture.Path() / "k.log";
  fs::create_symlink(Log, Capture.Path() / "link.log");
  const struct {
    std::vector<std::string> Logs;
    const char* Says;
  } Cases[] = {
      {{"--log", Log, "--detailed-log", "/missing/d.log"}, "Cannot create file \"/missing/d.log\""},
      {{"--log", "k.log", "--detailed-log", "./k.log"}, "same file"},  // run in Capture
      {{"--log", Log, "--detailed-log", Log}, "same file"},
      {{"--log", "link.log", "--detailed-log", Log}, "same file"},
  };
  for (const auto& Case : Cases) {
    WriteBytesTo(Log, Old);
    std::vector<std::string> Arguments = Case.Logs;
    // Were the logs taken after all, 100% to leave keeps the pass from writing anything.
    Arguments.insert(Arguments.end(),
                     {"--allow-system-drive", "--leave", "100%", Target.Path().string()});
    const TProcessResult Run = RunCliProcess(Arguments, Capture.Path().string());
    EXPECT_EQ(Run.ExitCode, 2) << Case.Says;
    EXPECT_NE(Run.Errors.find(Case.Says), std::string::npos) << Run.Errors;
    EXPECT_EQ(ReadWholeFile(Log), Old) << Case.Says;
  }
  // A new log made for a start that is refused goes again.
  fs::remove(Log);
  const TProcessResult Run =
      RunCliProcess({"--log", Log, "--detailed-log", "/missing/d.log", "--allow-system-drive",
                     "--leave", "100%", Target.Path().string()},
                    Capture.Path().string());
  EXPECT_EQ(Run.ExitCode, 2);
  EXPECT_FALSE(fs::exists(Log));
  EXPECT_TRUE(IsEmptyFolder(Target.Path()));
}

TEST_F(CliBinary, ALogLineThatCannotBeWrittenIsSaidOnceAndEndsWithOne) {
  const FillTarget Fill;
  SKIP_UNLESS_USABLE(Fill);
  // A full tmpfs: one page, taken by another file.
  TMountedVolume Full("-t tmpfs -o size=4k tmpfs");
  SKIP_UNLESS_MOUNTED(Full, "a one-page tmpfs");
  WriteBytesTo((Full.Path() / "filler").string(), "x");
  const std::string Detailed = (Full.Path() / "detailed.txt").string();
  const struct {
    std::vector<std::string> Logs;
    std::string Path;
  } Cases[] = {
      {{"--log", "/dev/full"}, "/dev/full"},
      {{"--detailed-log", Detailed}, Detailed},
  };
  for (const auto& Case : Cases) {
    std::vector<std::string> Arguments = Case.Logs;
    Arguments.insert(Arguments.end(), {"--leave", Fill.LeaveForFourWrites(), Fill.Path().string()});
    const TProcessResult Run = RunCliProcess(Arguments, Capture.Path().string());
    EXPECT_EQ(Run.ExitCode, 1) << Run.Errors;
    const std::string Said = "varnell-cli: a line could not be written to the log file \"" +
                             Case.Path + "\": No space left on device (code 28)";
    const std::size_t First = Run.Errors.find(Said);
    EXPECT_NE(First, std::string::npos) << Run.Errors;
    EXPECT_EQ(Run.Errors.find(Said, First + 1), std::string::npos) << "said more than once";
    // The test itself went on to its end.
    EXPECT_NE(Run.Output.find("평균 속도 50% 미만 구간 : "), std::string::npos) << Run.Output;
    EXPECT_FALSE(HasRandomFiles(Fill.Path()));
  }
}

TEST_F(CliBinary, TheRunningSystemsFilesystemIsFilledOnlyWhenAllowed) {
  if (!HoldsRunningSystem(Target.Path())) {
    GTEST_SKIP() << "the temporary folder is not on the running system's filesystem here";
  }
  const TProcessResult Refused = RunCliProcess({Target.Path().string()}, Capture.Path().string());
  EXPECT_EQ(Refused.ExitCode, 2);
  EXPECT_NE(Refused.Errors.find("running system"), std::string::npos) << Refused.Errors;
  EXPECT_NE(Refused.Errors.find("--allow-system-drive"), std::string::npos);
  EXPECT_TRUE(Refused.Output.empty()) << Refused.Output;
  EXPECT_TRUE(IsEmptyFolder(Target.Path()));

  // Allowed, but with all of the volume to be left: the pass has no room and writes nothing
  // (whether that ends with 0 or 2 is the worker's to say). Never a real fill of "/".
  const TProcessResult Allowed = RunCliProcess(
      {"--allow-system-drive", "--leave", "100%", Target.Path().string()}, Capture.Path().string());
  EXPECT_TRUE(Allowed.ExitCode == 0 || Allowed.ExitCode == 2) << Allowed.ExitCode;
  EXPECT_EQ(Allowed.Errors.find("running system"), std::string::npos) << Allowed.Errors;
  EXPECT_NE(Allowed.Output.find("테스트 회차 : 1"), std::string::npos) << Allowed.Output;
  EXPECT_TRUE(IsEmptyFolder(Target.Path()));
}

TEST_F(CliBinary, NoRoomSaysWhyAndExitsWithTwo) {
  const FillTarget Fill;  // a volume of its own: the temporary folder may be the system's
  SKIP_UNLESS_USABLE(Fill);
  const TProcessResult Run =
      RunCliProcess({"--leave", "1000000000GiB", Fill.Path().string()}, Capture.Path().string());
  EXPECT_EQ(Run.ExitCode, 2) << Run.Errors;
  EXPECT_TRUE(IsEmptyFolder(Fill.Path()));
  const std::regex Reason("- 채울 공간 없음 : 빈 공간 [0-9]+MiB, 남길 용량 1000000000GiB -\n");
  std::smatch Found;
  ASSERT_TRUE(std::regex_search(Run.Output, Found, Reason)) << Run.Output;
  EXPECT_EQ(static_cast<std::size_t>(Found.position(0) + Found.length(0)), Run.Output.size())
      << "the reason is the last line";
  // Where scripts look for errors too.
  EXPECT_NE(Run.Errors.find("varnell-cli: " + Found.str(0)), std::string::npos) << Run.Errors;
}

TEST_F(CliBinary, FilesLeftByAnEarlierRunAreNamedAndKept) {
  const FillTarget Fill;
  WriteBytes(Fill.Path() / "Randomfile0", std::string(3 * 1048576, 'a'));
  WriteBytes(Fill.Path() / "Randomfile7", std::string(1048576, 'b'));
  WriteBytes(Fill.Path() / "Randomfile", "not a test file's name");
  WriteBytes(Fill.Path() / "Randomfile07", "nor this");
  fs::create_directory(Fill.Path() / "Randomfile3");
  const TProcessResult Run =
      RunCliProcess({"--leave", Fill.LeaveForFourWrites(), "--cache", Fill.Path().string()},
                    Capture.Path().string());
  ASSERT_EQ(Run.ExitCode, 0) << Run.Errors;
  const std::string Line = "- 이전에 남은 테스트 파일 2개(4MB)는 지우지 않습니다 -\n";
  const std::size_t At = Run.Output.find(Line);
  ASSERT_NE(At, std::string::npos) << Run.Output;
  EXPECT_EQ(Run.Output.find(Line, At + 1), std::string::npos);
  EXPECT_NE(Run.Output.find(std::string(39, '*') + "\n" + Line), std::string::npos)
      << "right after the header";
  EXPECT_EQ(fs::file_size(Fill.Path() / "Randomfile0"), 3u * 1048576);
  EXPECT_EQ(fs::file_size(Fill.Path() / "Randomfile7"), 1048576u);
  EXPECT_FALSE(fs::exists(Fill.Path() / "Randomfile1")) << "the run's own file was not deleted";
}

TEST_F(CliBinary, ASecondRunOnAFolderInUseIsRefusedWithTwo) {
  const FillTarget Fill;
  TScratchFolder SecondCapture;
  TProcessResult Second;
  const TProcessResult First = RunCliProcess(
      {"--repeat", "--leave", Fill.LeaveForFourWrites(), Fill.Path().string()},
      Capture.Path().string(), [&](pid_t Child) {
        const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (ReadWholeFile(Capture.Path() / "stdout.txt").find("테스트 회차 : 2") ==
                   std::string::npos &&
               std::chrono::steady_clock::now() < Deadline) {
          std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        Second =
            RunCliProcess({"--leave", "0MiB", Fill.Path().string()}, SecondCapture.Path().string());
        kill(Child, SIGINT);
      });
  EXPECT_EQ(Second.ExitCode, 2) << Second.Output << Second.Errors;
  EXPECT_NE(Second.Errors.find("in use by another run"), std::string::npos) << Second.Errors;
  EXPECT_EQ(Second.Output.find("테스트 회차"), std::string::npos) << Second.Output;
  EXPECT_EQ(First.ExitCode, 0) << First.Errors;
  EXPECT_EQ(First.Output.find("오류"), std::string::npos) << First.Output;
  EXPECT_FALSE(HasRandomFiles(Fill.Path()));
}

// In an append-only folder files can be created but not deleted, whoever asks.
class AppendOnlyFolder {
 public:
  explicit AppendOnlyFolder(const std::string& Size)
      : FVolume("-t tmpfs -o size=" + Size + " tmpfs") {
    if (FVolume.Mounted()) {
      fs::create_directory(Path());
      FReady = TMountedVolume::Shell("chattr +a '" + Path().string() + "'");
    }
  }
  const TMountedVolume& Volume() const { return FVolume; }
  bool Ready() const { return FReady; }
  fs::path Path() const { return FVolume.Path() / "kept"; }

 private:
  TMountedVolume FVolume;
  bool FReady = false;
};

TEST_F(CliBinary, FilesThatCannotBeDeletedEndWithExitOne) {
  const AppendOnlyFolder Folder("64m");
  SKIP_UNLESS_MOUNTED(Folder.Volume(), "a tmpfs");
  ASSERT_TRUE(Folder.Ready());
  const TProcessResult Run = RunCliProcess({"--leave", "40MiB", "--cache", Folder.Path().string()},
                                           Capture.Path().string());
  EXPECT_EQ(Run.ExitCode, 1) << Run.Output << Run.Errors;
  EXPECT_NE(Run.Output.find("DeleteFile 실패, 코드 1 (Operation not permitted)"), std::string::npos)
      << Run.Output;
  EXPECT_NE(Run.Output.find("평균 속도 : "), std::string::npos) << "the pass itself ended normally";
}

TEST_F(CliBinary, AWriteErrorIsReportedBeforeTheDeletionErrorsItCauses) {
  const AppendOnlyFolder Folder("48m");
  SKIP_UNLESS_MOUNTED(Folder.Volume(), "a tmpfs");
  ASSERT_TRUE(Folder.Ready());
  const TProcessResult Run =
      RunCliProcess({"--leave", "0GiB", "--cache", Folder.Path().string()}, Capture.Path().string(),
                    {}, {}, [] { LimitFileSize(12 << 20); });
  EXPECT_EQ(Run.ExitCode, 1);
  const std::size_t Write = Run.Output.find("WriteFile 실패");
  const std::size_t Delete = Run.Output.find("DeleteFile 실패");
  ASSERT_NE(Write, std::string::npos) << Run.Output;
  ASSERT_NE(Delete, std::string::npos) << Run.Output;
  EXPECT_LT(Write, Delete) << Run.Output;
}

// Holds a file or a folder as another run would: an exclusive lock, until destroyed.
class THeldByAnotherRun {
 public:
  explicit THeldByAnotherRun(const fs::path& Path) : FFd(open(Path.c_str(), O_RDONLY)) {
    FHeld = FFd >= 0 && flock(FFd, LOCK_EX | LOCK_NB) == 0;
  }
  ~THeldByAnotherRun() {
    if (FFd >= 0) {
      close(FFd);
    }
  }
  bool Held() const { return FHeld; }

 private:
  int FFd;
  bool FHeld = false;
};

// The outputs of an earlier run, written anew for each case; Unchanged says which differ now.
class TEarlierOutputs {
 public:
  explicit TEarlierOutputs(const fs::path& Folder) : FFolder(Folder) {
    fs::create_directories(Folder);
    for (const auto& [Name, Bytes] : FFiles) {
      WriteBytes(Folder / Name, Bytes);
    }
  }
  std::string Path(const std::string& Name) const { return (FFolder / Name).string(); }
  std::string Changed() const {
    std::string Changed;
    for (const auto& [Name, Bytes] : FFiles) {
      if (ReadWholeFile(Path(Name)) != Bytes) {
        Changed += Name + " ";
      }
    }
    return Changed;
  }

 private:
  fs::path FFolder;
  const std::map<std::string, std::string> FFiles{
      {"log.txt", "an earlier run's log line\r\n"},
      {"detailed.txt", "87.5,512\r\n"},
      {"result.json", "{\"schema_version\": 1}\n"},
      {"chart.svg", "<svg xmlns=\"http://www.w3.org/2000/svg\"/>\n"}};
};

// A run refused before it writes, for any reason, leaves every output file byte for byte as it
// was, and leaves no file it made (the per-write file here is new).
TEST_F(CliBinary, ARefusedRunLeavesEveryOutputAsItWas) {
  const FillTarget Fill;
  SKIP_UNLESS_USABLE(Fill);
  const struct {
    const char* Name;
    const char* Leave;
    bool FolderHeld;
    const char* Says;
  } Cases[] = {
      {"folder in use", "0MiB", true, "is in use by another run"},
      {"no room", "1000000000GiB", false, "채울 공간 없음"},
  };
  for (const auto& Case : Cases) {
    const TEarlierOutputs Earlier(Capture.Path() / Case.Name);
    const std::string Fresh = Earlier.Path("writes.csv");
    std::vector<std::string> Arguments{"--leave",        Case.Leave,
                                       "--log",          Earlier.Path("log.txt"),
                                       "--detailed-log", Earlier.Path("detailed.txt"),
                                       "--json",         Earlier.Path("result.json"),
                                       "--csv",          Fresh};
#ifdef VARNELL_CLI_DRAWS_CHARTS
    Arguments.insert(Arguments.end(), {"--plot", Earlier.Path("chart.svg")});
#endif
    Arguments.push_back(Fill.Path().string());
    std::optional<THeldByAnotherRun> Holder;
    if (Case.FolderHeld) {
      Holder.emplace(Fill.Path());
      ASSERT_TRUE(Holder->Held());
    }
    const TProcessResult Run = RunCliProcess(Arguments, Capture.Path().string());
    EXPECT_EQ(Run.ExitCode, 2) << Case.Name << Run.Errors;
    EXPECT_NE(Run.Errors.find(Case.Says), std::string::npos) << Case.Name << Run.Errors;
    EXPECT_EQ(Earlier.Changed(), "") << Case.Name;
    EXPECT_FALSE(fs::exists(Fresh)) << Case.Name;
    EXPECT_TRUE(IsEmptyFolder(Fill.Path())) << Case.Name;
  }
}

#ifdef VARNELL_CLI_DRAWS_CHARTS
// The chart's path is checked with the other outputs, before anything is written: it may be
// none of them by any spelling, nor a folder, nor a file that cannot be made.
TEST_F(CliBinary, ThePlotPathIsCheckedWithTheOtherOutputsBeforeTheFill) {
  const FillTarget Fill;
  SKIP_UNLESS_USABLE(Fill);
  const std::string Log = Capture.Path() / "x.svg";
  const std::string Json = Capture.Path() / "r.svg";
  const std::string Csv = Capture.Path() / "w.svg";
  WriteBytes(Capture.Path() / "x.svg", "log\r\n");
  WriteBytes(Capture.Path() / "r.svg", "{}\n");
  WriteBytes(Capture.Path() / "w.svg", "csv\n");
  fs::create_symlink(Capture.Path() / "w.svg", Capture.Path() / "link.svg");
  fs::create_directory(Capture.Path() / "folder.svg");
  const struct {
    std::vector<std::string> Arguments;
    const char* Says;
  } Cases[] = {
      {{"--log", "x.svg", "--plot", "x.svg"}, "same file as the log"},
      {{"--json", "r.svg", "--plot", "./r.svg"}, "same file as the log"},
      {{"--csv", Csv, "--plot", "link.svg"}, "same file as the log"},
      {{"--plot", "folder.svg"}, "Is a directory"},
      {{"--plot", "/proc/x.svg"}, "\"/proc/x.svg\""},
  };
  for (const auto& Case : Cases) {
    std::vector<std::string> Arguments = Case.Arguments;
    Arguments.insert(Arguments.end(), {"--leave", Fill.LeaveForFourWrites(), Fill.Path().string()});
    const TProcessResult Run = RunCliProcess(Arguments, Capture.Path().string());
    EXPECT_EQ(Run.ExitCode, 2) << Case.Says << Run.Errors;
    EXPECT_NE(Run.Errors.find(Case.Says), std::string::npos) << Run.Errors;
    EXPECT_EQ(Run.Output.find("테스트 회차"), std::string::npos) << "refused before the fill";
    EXPECT_EQ(ReadWholeFile(Log), "log\r\n");
    EXPECT_EQ(ReadWholeFile(Json), "{}\n");
    EXPECT_EQ(ReadWholeFile(Csv), "csv\n");
    EXPECT_TRUE(fs::is_directory(Capture.Path() / "folder.svg"));
    EXPECT_TRUE(IsEmptyFolder(Fill.Path()));
  }
}
#endif

// Outputs in the folder being filled, named as its test files are, would be taken for files
// left by an earlier run: refused, and nothing is made there.
TEST_F(CliBinary, AnOutputNamedAsATestFileInTheFilledFolderIsRefused) {
  const FillTarget Fill;
  SKIP_UNLESS_USABLE(Fill);
  const std::string Folder = Fill.Path().string();
  const std::vector<std::string> Cases[] = {
      {"--log", Folder + "/Randomfile0"},
      {"--detailed-log", Folder + "/./Randomfile12"},
      {"--csv", Folder + "/Randomfile3"},
      {"--json", Folder + "//Randomfile2147483647"},
  };
  for (const auto& Case : Cases) {
    std::vector<std::string> Arguments = Case;
    Arguments.insert(Arguments.end(), {"--leave", Fill.LeaveForFourWrites(), Folder});
    const TProcessResult Run = RunCliProcess(Arguments, Capture.Path().string());
    EXPECT_EQ(Run.ExitCode, 2) << Case[1] << Run.Errors;
    EXPECT_NE(Run.Errors.find("named as the test files are"), std::string::npos) << Run.Errors;
    EXPECT_TRUE(IsEmptyFolder(Fill.Path())) << Case[1];
  }
}

// A log that another run writes (on another folder) is refused by what it is, and untouched.
TEST_F(CliBinary, ALogThatAnotherRunHoldsIsRefusedAsInUse) {
  const FillTarget Fill;
  SKIP_UNLESS_USABLE(Fill);
  const std::string Log = Capture.Path() / "shared.log";
  WriteBytes(Log, "the other run's line\r\n");
  const THeldByAnotherRun Other(Log);
  ASSERT_TRUE(Other.Held());
  const TProcessResult Run =
      RunCliProcess({"--log", Log, "--leave", Fill.LeaveForFourWrites(), Fill.Path().string()},
                    Capture.Path().string());
  EXPECT_EQ(Run.ExitCode, 2) << Run.Errors;
  EXPECT_NE(Run.Errors.find("in use by another run"), std::string::npos) << Run.Errors;
  EXPECT_EQ(Run.Errors.find("Resource temporarily unavailable"), std::string::npos) << Run.Errors;
  EXPECT_EQ(ReadWholeFile(Log), "the other run's line\r\n");
  EXPECT_TRUE(IsEmptyFolder(Fill.Path()));
}

// As root, in a sticky folder that everyone may write to (/tmp), a link that another user
// planted is not followed (whatever fs.protected_symlinks says); the running user's own is.
TEST_F(CliBinary, ALinkThatAnotherUserPlantedInASharedFolderIsNotFollowed) {
  if (geteuid() != 0) {
    GTEST_SKIP() << "needs root: a link of another user is made with lchown";
  }
  const FillTarget Fill;
  SKIP_UNLESS_USABLE(Fill);
  const fs::path Shared = Capture.Path() / "shared";
  fs::create_directory(Shared);
  ASSERT_EQ(chmod(Shared.c_str(), 01777), 0);
  const std::string Victim = Capture.Path() / "victim.txt";
  WriteBytes(Victim, "precious\n");
  const fs::path Link = Shared / "log.txt";
  fs::create_symlink(Victim, Link);
  ASSERT_EQ(lchown(Link.c_str(), 65534, 65534), 0);
  const std::vector<std::string> Arguments{"--log", Link.string(), "--leave",
                                           Fill.LeaveForFourWrites(), Fill.Path().string()};
  const TProcessResult Planted = RunCliProcess(Arguments, Capture.Path().string());
  EXPECT_EQ(Planted.ExitCode, 2) << Planted.Errors;
  EXPECT_NE(Planted.Errors.find("symbolic link that another user owns"), std::string::npos)
      << Planted.Errors;
  EXPECT_EQ(ReadWholeFile(Victim), "precious\n");
  EXPECT_TRUE(IsEmptyFolder(Fill.Path()));

  ASSERT_EQ(lchown(Link.c_str(), 0, 0), 0);
  const TProcessResult Own = RunCliProcess(Arguments, Capture.Path().string());
  EXPECT_EQ(Own.ExitCode, 0) << Own.Errors;
  EXPECT_NE(ReadWholeFile(Victim).find("테스트 회차 : 1"), std::string::npos);
}

// Started with standard output closed ("1>&-"), the program must not let an output file take
// descriptor 1: the report would go into the first file it opens.
TEST_F(CliBinary, AClosedStandardOutputIsTakenByNoOutputFile) {
  const FillTarget Fill;
  SKIP_UNLESS_USABLE(Fill);
  const std::string Log = Capture.Path() / "log.txt";
  const std::string Csv = Capture.Path() / "writes.csv";
  const TProcessResult Run = RunCliProcess(
      {"--leave", Fill.LeaveForFourWrites(), "--log", Log, "--csv", Csv, Fill.Path().string()},
      Capture.Path().string(), {}, {}, [] { close(STDOUT_FILENO); });
  EXPECT_EQ(Run.ExitCode, 0) << Run.Errors;
  const std::string CsvText = ReadWholeFile(Csv);
  EXPECT_EQ(CsvText.rfind(std::string(WritesCsvHeader) + "\n", 0), 0u) << CsvText.substr(0, 200);
  const std::string LogText = ReadWholeFile(Log);
  const std::string PassLine = "테스트 회차 : 1\r\n";
  const std::size_t First = LogText.find(PassLine);
  ASSERT_NE(First, std::string::npos) << LogText;
  EXPECT_EQ(LogText.find(PassLine, First + 1), std::string::npos) << "every line once:\n"
                                                                  << LogText;
  EXPECT_EQ(LogText.find('\n', 0), LogText.find("\r\n", 0) + 1) << "CR LF lines only";
}

TEST_F(CliBinary, HelpAndVersion) {
  const TProcessResult Help = RunCliProcess({"--help"}, Capture.Path().string());
  EXPECT_EQ(Help.ExitCode, 0);
  EXPECT_NE(Help.Output.find("Usage: varnell-cli [options] FOLDER"), std::string::npos);
  const TProcessResult Version = RunCliProcess({"--version"}, Capture.Path().string());
  EXPECT_EQ(Version.Output, "varnell-cli 6.0.5\n");
}

}  // namespace

namespace {

void WriteText(const fs::path& Path, const std::string& Text) {
  std::ofstream(Path, std::ios::binary) << Text;
}

}  // namespace

TEST_F(CliBinary, CsvHoldsEveryWriteAndAnalyzeReadsItBack) {
  const FillTarget Fill;
  SKIP_UNLESS_USABLE(Fill);
  const std::string Csv = Capture.Path() / "writes.csv";
  const TProcessResult Run =
      RunCliProcess({"--leave", Fill.LeaveForFourWrites(), "--csv", Csv, Fill.Path().string()},
                    Capture.Path().string());
  ASSERT_EQ(Run.ExitCode, 0) << Run.Errors;
  const std::string Text = ReadWholeFile(Csv);
  EXPECT_EQ(Text.find('\r'), std::string::npos) << "LF line ends only";
  std::istringstream Lines(Text);
  std::string Each;
  std::getline(Lines, Each);
  EXPECT_EQ(Each, "pass,index,written_mib,remain_pct,seconds,mib_s,temp_c");
  int Count = 0;
  int Closes = 0;
  while (std::getline(Lines, Each)) {
    // The one file's close, after the last write: its index and written_mib, and its wait.
    if (Each.starts_with("close,")) {
      ++Closes;
      EXPECT_TRUE(std::regex_match(Each, std::regex("close,1," + std::to_string(Count) + "," +
                                                    std::to_string(Count * 8) + R"(,[0-9.e-]+)")))
          << Each;
      continue;
    }
    EXPECT_EQ(Closes, 0) << "no write after the close: " << Each;
    ++Count;
    EXPECT_TRUE(std::regex_match(
        Each, std::regex("1," + std::to_string(Count) + "," + std::to_string(Count * 8) +
                         R"(,[0-9.]+,[0-9.e-]+,[0-9]+,)")))
        << Each;
  }
  if (Fill.Exact()) {
    EXPECT_EQ(Count, 4);
  }
  EXPECT_EQ(Closes, 1);

  // The saved writes give the same analysis line as the run printed after its summary.
  const TProcessResult Analyzed = RunCliProcess({"analyze", Csv}, Capture.Path().string());
  ASSERT_EQ(Analyzed.ExitCode, 0) << Analyzed.Errors;
  EXPECT_EQ(Analyzed.Output, "파일 : " + Csv +
                                 "\n테스트 회차 : 1\n- 판단하기에 너무 짧은 회차입니다 (쓰기 " +
                                 std::to_string(Count) + "회) -\n");
  const TProcessResult Json = RunCliProcess({"analyze", "--json", Csv}, Capture.Path().string());
  ASSERT_EQ(Json.ExitCode, 0) << Json.Errors;
  EXPECT_NE(Json.Output.find("\"too_short\": true"), std::string::npos) << Json.Output;
}

TEST_F(CliBinary, AnalyzeFindsTheCacheOfASavedPassAndRefusesBadFiles) {
  std::string Csv = "pass,index,written_mib,remain_pct,seconds,mib_s,temp_c\n";
  for (int I = 1; I <= 128; ++I) {
    const int Speed = I <= 64 ? 400 : 100;
    Csv += "1," + std::to_string(I) + "," + std::to_string(I * 8) + ",50," +
           std::to_string(8.0 / Speed) + "," + std::to_string(Speed) + ",\n";
  }
  const fs::path Good = Capture.Path() / "good.csv";
  WriteText(Good, Csv);
  const TProcessResult Run = RunCliProcess({"analyze", Good.string()}, Capture.Path().string());
  ASSERT_EQ(Run.ExitCode, 0) << Run.Errors;
  EXPECT_NE(
      Run.Output.find("캐시 크기 : 512MiB\n캐시 내 속도 : 400MiB/s\n캐시 이후 속도 : 100MiB/s\n"),
      std::string::npos)
      << Run.Output;
  const TProcessResult Json =
      RunCliProcess({"analyze", "--json", Good.string()}, Capture.Path().string());
  ASSERT_EQ(Json.ExitCode, 0) << Json.Errors;
  EXPECT_NE(Json.Output.find("\"cache_mib\": 512"), std::string::npos) << Json.Output;
  // Its own --lang, as the fill has; an unknown language is refused.
  const TProcessResult English =
      RunCliProcess({"analyze", "--lang", "en", Good.string()}, Capture.Path().string());
  ASSERT_EQ(English.ExitCode, 0) << English.Errors;
  EXPECT_NE(English.Output.find("Cache size : 512MiB\n"), std::string::npos) << English.Output;
  EXPECT_EQ(
      RunCliProcess({"analyze", "--lang", "xx", Good.string()}, Capture.Path().string()).ExitCode,
      2);
  EXPECT_EQ(
      RunCliProcess({"compare", "--lang", "en", Good.string()}, Capture.Path().string()).ExitCode,
      2);  // taken, then the file is refused as no result

  const fs::path Bad = Capture.Path() / "bad.csv";
  WriteText(Bad, Csv + "1,129,1040,50,abc,100,\n");
  struct TCase {
    std::vector<std::string> Arguments;
    std::string Says;
  };
  const TCase Cases[] = {
      // A bad file after a good one: nothing is printed for either.
      {{"analyze", Good.string(), Bad.string()}, "line 130: seconds"},
      {{"analyze", (Capture.Path() / "missing.csv").string()}, "No such file or directory"},
      {{"analyze", Capture.Path().string()}, "is a folder"},
      {{"analyze"}, "no FILE given"},
      {{"analyze", "--bogus", Good.string()}, "unknown option"},
  };
  for (const auto& Case : Cases) {
    const TProcessResult Refused = RunCliProcess(Case.Arguments, Capture.Path().string());
    EXPECT_EQ(Refused.ExitCode, 2) << Case.Says;
    EXPECT_NE(Refused.Errors.find(Case.Says), std::string::npos) << Refused.Errors;
    EXPECT_TRUE(Refused.Output.empty()) << Refused.Output;
  }
}

// A folder whose name is not UTF-8 and holds control characters: the result file takes it in
// its escaped form (JSON holds only UTF-8), the chart stays well-formed XML, and the run ends
// as any other.
TEST_F(CliBinary, AFolderNamedOutsideUtf8IsWrittenEscaped) {
  const FillTarget Fill;
  SKIP_UNLESS_USABLE(Fill);
  const fs::path Folder = Fill.Path() / "caf\xe9\x1b[2J\x07";
  fs::create_directory(Folder);
  const std::string Json = (Capture.Path() / "result.json").string();
  std::vector<std::string> Arguments = {"--leave", Fill.LeaveForFourWrites(), "--json", Json};
#ifdef VARNELL_CLI_DRAWS_CHARTS
  const std::string Image = (Capture.Path() / "chart.svg").string();
  Arguments.insert(Arguments.end(), {"--plot", Image});
#endif
  Arguments.push_back(Folder.string());
  const TProcessResult Run = RunCliProcess(Arguments, Capture.Path().string());
  ASSERT_EQ(Run.ExitCode, 0) << Run.Errors;
  EXPECT_FALSE(HasRandomFiles(Folder));
  const nlohmann::json Result = nlohmann::json::parse(ReadWholeFile(Json));
  EXPECT_EQ(Result.at("settings").at("folder"), Fill.Path().string() + "/caf\\xe9\x1b[2J\x07/");
  EXPECT_EQ(Result.at("passes").at(0).at("end"), "completed");
  EXPECT_EQ(Run.Output.find('\x1b'), std::string::npos);
#ifdef VARNELL_CLI_DRAWS_CHARTS
  const std::string Svg = ReadWholeFile(Image);
  EXPECT_NE(Svg.find("caf\\xe9\\x1b[2J\\a"), std::string::npos);
  EXPECT_EQ(Svg.find('\x1b'), std::string::npos);
  EXPECT_EQ(Svg.find('\x07'), std::string::npos);
#endif
}

// Input without end or without line ends, and huge fields: refused early with a short quote,
// never gathered whole.
TEST_F(CliBinary, AnalyzeAndCompareReadBoundedAndQuoteLittle) {
  const fs::path Huge = Capture.Path() / "huge.csv";
  WriteText(Huge,
            std::string(WritesCsvHeader) + "\n1,1,8,50," + std::string(10 << 20, '7') + ",100,\n");
  struct TCase {
    std::vector<std::string> Arguments;
    std::string Says;
  };
  const TCase Cases[] = {
      {{"analyze", "/dev/zero"}, "line 1: the line is longer than 1024 bytes"},
      {{"analyze", Huge.string()}, "line 2: the line is longer than 1024 bytes"},
      {{"compare", "/dev/zero"}, "is not a result file: it is larger than 256 MiB"},
  };
  for (const auto& Case : Cases) {
    const TProcessResult Refused = RunCliProcess(Case.Arguments, Capture.Path().string());
    EXPECT_EQ(Refused.ExitCode, 2) << Case.Says;
    EXPECT_NE(Refused.Errors.find(Case.Says), std::string::npos) << Refused.Errors;
    EXPECT_LT(Refused.Errors.size(), 300u) << Refused.Errors.substr(0, 300);
    EXPECT_TRUE(Refused.Output.empty());
  }
}

// A FIFO whose writer sends nothing: analyze and compare wait for it, and a SIGINT or SIGTERM
// ends the wait.
TEST_F(CliBinary, AnalyzeAndCompareStopWaitingForAFifoAtAnInterrupt) {
  const std::string Fifo = (Capture.Path() / "input.fifo").string();
  ASSERT_EQ(mkfifo(Fifo.c_str(), 0600), 0);
  for (const char* Command : {"analyze", "compare"}) {
    for (const int Signal : {SIGINT, SIGTERM}) {
      SCOPED_TRACE(std::string(Command) + " " + std::to_string(Signal));
      int Writer = -1;
      int Code = -1;
      const TProcessResult Run =
          RunCliProcess({Command, Fifo}, Capture.Path().string(), [&](pid_t Child) {
            // A writer can open the FIFO once the program has opened it for reading, which it
            // does after it began counting interrupts.
            const auto Deadline = std::chrono::steady_clock::now() + 60s;
            while ((Writer = open(Fifo.c_str(), O_WRONLY | O_NONBLOCK)) < 0 &&
                   std::chrono::steady_clock::now() < Deadline) {
              std::this_thread::sleep_for(10ms);
            }
            std::this_thread::sleep_for(100ms);
            kill(Child, Signal);
            // Still running after this long means the signal was ignored.
            Code = WaitForExit(Child, 30s);
          });
      if (Writer >= 0) {
        close(Writer);
      }
      ASSERT_GE(Writer, 0) << "the program never opened the FIFO";
      EXPECT_EQ(Code, 1) << "-2: still running long after the signal";
      EXPECT_NE(Run.Errors.find("interrupted; nothing was printed"), std::string::npos)
          << Run.Errors;
      EXPECT_TRUE(Run.Output.empty());
    }
  }
}

TEST_F(CliBinary, ACsvNamedLikeALogIsRefusedBeforeEitherIsEmptied) {
  const fs::path Log = Capture.Path() / "log.txt";
  WriteText(Log, "an earlier run's log\n");
  const std::string Folder = Target.Path().string();
  for (const std::string& Csv : {Log.string(), (Capture.Path() / "." / "log.txt").string()}) {
    const TProcessResult Run =
        RunCliProcess({"--log", Log.string(), "--csv", Csv, "--allow-system-drive", Folder},
                      Capture.Path().string());
    EXPECT_EQ(Run.ExitCode, 2);
    EXPECT_NE(Run.Errors.find("same file"), std::string::npos) << Run.Errors;
    EXPECT_EQ(ReadWholeFile(Log), "an earlier run's log\n");
    EXPECT_TRUE(IsEmptyFolder(Target.Path()));
  }
}
