#include "cli/Cli.Options.h"

#include <gtest/gtest.h>

namespace {

TEST(CliOptions, DefaultsMakeTheSettingsWindowsDefaultRecord) {
  const TCliParseResult Result = ParseCliArguments({"/mnt/usb"});
  ASSERT_TRUE(Result.Ok()) << Result.Error;
  TSetting Expected;
  Expected.IsSet = true;
  Expected.DrivePath = "/mnt/usb/";
  Expected.NeedDelete = true;
  EXPECT_EQ(Result.Options.Setting, Expected);
  EXPECT_EQ(Result.Command, TCliCommand::Fill);
  EXPECT_FALSE(Result.Options.Quiet);
  EXPECT_FALSE(Result.Options.AllowSystemDrive);
}

TEST(CliOptions, EveryOptionReachesTheSetting) {
  const TCliParseResult Result = ParseCliArguments({"-l", "500MiB", "--step=10", "-c", "-r", "-k",
                                                    "--log", "a.txt", "--detailed-log=b.txt", "-q",
                                                    "--allow-system-drive", "--verify", "/data/"});
  ASSERT_TRUE(Result.Ok()) << Result.Error;
  const TSetting& Setting = Result.Options.Setting;
  EXPECT_EQ(Setting.DrivePath, "/data/");
  EXPECT_EQ(Setting.ToLeft, 500);
  EXPECT_EQ(Setting.ToLeftUnit, TLeftUnit::LeaveByMiB);
  EXPECT_EQ(Setting.UnitSpeed, TUnitSpeed::TenPercent);
  EXPECT_TRUE(Setting.NeedCache);
  EXPECT_TRUE(Setting.InfiniteRepetition);
  EXPECT_FALSE(Setting.NeedDelete);
  EXPECT_TRUE(Setting.NeedVerify);
  EXPECT_EQ(Setting.RecordPath, "a.txt");
  EXPECT_EQ(Setting.DetailedRecordPath, "b.txt");
  EXPECT_TRUE(Result.Options.Quiet);
  EXPECT_TRUE(Result.Options.AllowSystemDrive);
}

TEST(CliOptions, ShortFlagsCombineAndARepeatedOptionTakesItsLastValue) {
  const TCliParseResult Result = ParseCliArguments({"-ck", "-l", "1GiB", "--leave=2GiB", "/x"});
  ASSERT_TRUE(Result.Ok()) << Result.Error;
  EXPECT_TRUE(Result.Options.Setting.NeedCache);
  EXPECT_FALSE(Result.Options.Setting.NeedDelete);
  EXPECT_EQ(Result.Options.Setting.ToLeft, 2);
}

TEST(CliOptions, LeaveAmountsAndTheirRange) {
  struct TCase {
    const char* Text;
    std::int64_t ToLeft;
    TLeftUnit Unit;
  };
  const TCase Good[] = {
      {"10GiB", 10, TLeftUnit::LeaveByGiB},
      {"10gib", 10, TLeftUnit::LeaveByGiB},
      {"0MiB", 0, TLeftUnit::LeaveByMiB},
      {"5%", 5, TLeftUnit::LeaveByPercent},
      {"100%", 100, TLeftUnit::LeaveByPercent},
      {"2147483647MiB", 2147483647, TLeftUnit::LeaveByMiB},
      {"+7MiB", 7, TLeftUnit::LeaveByMiB},
      {"-0GiB", 0, TLeftUnit::LeaveByGiB},
      // A decimal amount becomes whole MiB, rounded down.
      {"1.5GiB", 1536, TLeftUnit::LeaveByMiB},
      {"0.0009765625GiB", 1, TLeftUnit::LeaveByMiB},  // exactly 1 MiB: no floating-point loss
      {"0.0009765624GiB", 0, TLeftUnit::LeaveByMiB},
      {"2.999MiB", 2, TLeftUnit::LeaveByMiB},
      {"10.0GiB", 10240, TLeftUnit::LeaveByMiB},
      {"2097151.999GiB", 2147483646, TLeftUnit::LeaveByMiB},
  };
  for (const auto& Case : Good) {
    const TCliParseResult Result = ParseCliArguments({"-l", Case.Text, "/x"});
    ASSERT_TRUE(Result.Ok()) << Case.Text << ": " << Result.Error;
    EXPECT_EQ(Result.Options.Setting.ToLeft, Case.ToLeft) << Case.Text;
    EXPECT_EQ(Result.Options.Setting.ToLeftUnit, Case.Unit) << Case.Text;
  }
  struct TBad {
    const char* Text;
    const char* Says;
  };
  const TBad Bad[] = {
      {"10GB", "unknown unit"},
      {"10", "needs a unit"},
      {"GiB", "needs a number"},
      {".5GiB", "needs a number"},
      {"1.GiB", "unknown unit \".GiB\""},
      {"1,5GiB", "unknown unit"},
      {"5.5%", "must be a whole number"},
      {"2097152GiB.5", "unknown unit"},
      {"2097152.0GiB", "out of range"},
      {"-2097152.001GiB", "negative"},
      {"2147483648MiB", "out of range"},
      {"-2147483649GiB", "negative"},
      {"101%", "out of range"},
      {"99999999999999999999GiB", "out of range"},
      // More than the free space: the fill would end in a full volume.
      {"-100MiB", "cannot be negative"},
      {"-5MiB", "cannot be negative"},
      {"-1%", "cannot be negative"},
      {"-0.5MiB", "cannot be negative"},
      {"-1.5GiB", "cannot be negative"},
      {"-2147483648GiB", "cannot be negative"},
  };
  for (const auto& Case : Bad) {
    const TCliParseResult Result = ParseCliArguments({"--leave", Case.Text, "/x"});
    EXPECT_FALSE(Result.Ok()) << Case.Text;
    EXPECT_NE(Result.Error.find(Case.Says), std::string::npos) << Case.Text << ": " << Result.Error;
  }
}

TEST(CliOptions, BadArgumentsSayWhatIsWrong) {
  struct TCase {
    std::vector<std::string> Arguments;
    const char* Says;
  };
  const TCase Cases[] = {
      {{}, "no FOLDER"},
      {{"/a", "/b"}, "only one FOLDER"},
      {{"--frobnicate", "/a"}, "unknown option --frobnicate"},
      {{"/a", "-l"}, "--leave needs a value"},
      {{"/a", "--detailed-log"}, "--detailed-log needs a value"},
      {{"-s", "5", "/a"}, "--step must be 0.1, 1 or 10"},
      {{"--cache=yes", "/a"}, "--cache takes no value"},
      {{"--verify=no", "/a"}, "--verify takes no value"},
      {{"--log=", "/a"}, "--log needs a file name"},
      {{"--detailed-log", "", "/a"}, "--detailed-log needs a file name"},
      // An unset shell variable: never the current folder or "/".
      {{""}, "FOLDER \"\" is empty or blank"},
      {{"-c", " \t"}, "is empty or blank"},
      {{"--", ""}, "is empty or blank"},
  };
  for (const auto& Case : Cases) {
    const TCliParseResult Result = ParseCliArguments(Case.Arguments);
    EXPECT_FALSE(Result.Ok()) << Case.Says;
    EXPECT_NE(Result.Error.find(Case.Says), std::string::npos) << Result.Error;
  }
}

TEST(CliOptions, HelpAndVersionNeedNoFolder) {
  EXPECT_EQ(ParseCliArguments({"-h"}).Command, TCliCommand::ShowHelp);
  EXPECT_EQ(ParseCliArguments({"--version"}).Command, TCliCommand::ShowVersion);
  EXPECT_TRUE(ParseCliArguments({"--version"}).Ok());
}

TEST(CliOptions, HelpNamesEveryOptionWithItsShortForm) {
  const std::string Help = ParseCliArguments({"--help"}).HelpText;
  EXPECT_EQ(Help, CliUsage());
  EXPECT_EQ(Help.rfind("Usage: varnell-cli [options] FOLDER\n", 0), 0u) << Help;
  for (const char* Name :
       {"  -l, --leave AMOUNT", "  -s, --step STEP", "  -c, --cache", "  -r, --repeat",
        "  -k, --keep", "      --log FILE", "      --detailed-log FILE",
        "      --allow-system-drive", "  -q, --quiet", "  -h, --help", "      --version",
        "      --verify", "1.5GiB leaves 1536 MiB", "Exit codes: 0", "; 3 --verify"}) {
    EXPECT_NE(Help.find(Name), std::string::npos) << Name;
  }
  // Every line fits an 80-column terminal.
  std::size_t Start = 0;
  for (std::size_t End; (End = Help.find('\n', Start)) != std::string::npos; Start = End + 1) {
    EXPECT_LE(End - Start, 80u) << Help.substr(Start, End - Start);
  }
}

TEST(CliOptions, DoubleDashEndsOptions) {
  const TCliParseResult Result = ParseCliArguments({"--", "-odd-folder"});
  ASSERT_TRUE(Result.Ok()) << Result.Error;
  EXPECT_EQ(Result.Options.Setting.DrivePath, "-odd-folder/");
}

}  // namespace
