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
  EXPECT_FALSE(Result.Options.Quiet);
}

TEST(CliOptions, EveryOptionReachesTheSetting) {
  const TCliParseResult Result =
      ParseCliArguments({"-l", "500MiB", "--step=10", "-c", "-r", "-k", "--log", "a.txt",
                         "--detailed-log=b.txt", "-q", "/data/"});
  ASSERT_TRUE(Result.Ok()) << Result.Error;
  const TSetting& Setting = Result.Options.Setting;
  EXPECT_EQ(Setting.DrivePath, "/data/");
  EXPECT_EQ(Setting.ToLeft, 500);
  EXPECT_EQ(Setting.ToLeftUnit, TLeftUnit::LeaveByMiB);
  EXPECT_EQ(Setting.UnitSpeed, TUnitSpeed::TenPercent);
  EXPECT_TRUE(Setting.NeedCache);
  EXPECT_TRUE(Setting.InfiniteRepetition);
  EXPECT_FALSE(Setting.NeedDelete);
  EXPECT_EQ(Setting.RecordPath, "a.txt");
  EXPECT_EQ(Setting.DetailedRecordPath, "b.txt");
  EXPECT_TRUE(Result.Options.Quiet);
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
      {"-2147483648GiB", -2147483648LL, TLeftUnit::LeaveByGiB},
      {"-5GiB", -5, TLeftUnit::LeaveByGiB},
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
      {"GiB", "whole number"},
      {"2147483648MiB", "out of range"},
      {"-2147483649GiB", "out of range"},
      {"101%", "out of range"},
      {"99999999999999999999GiB", "out of range"},
      {"1.5GiB", "unknown unit"},
  };
  for (const auto& Case : Bad) {
    const TCliParseResult Result = ParseCliArguments({"--leave", Case.Text, "/x"});
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
      {{"/a", "-l"}, "-l needs a value"},
      {{"-s", "5", "/a"}, "--step must be 0.1, 1 or 10"},
      {{"--cache=yes", "/a"}, "--cache takes no value"},
      {{"--log=", "/a"}, "--log needs a file name"},
  };
  for (const auto& Case : Cases) {
    const TCliParseResult Result = ParseCliArguments(Case.Arguments);
    EXPECT_NE(Result.Error.find(Case.Says), std::string::npos) << Result.Error;
  }
}

TEST(CliOptions, HelpAndVersionNeedNoFolder) {
  EXPECT_TRUE(ParseCliArguments({"-h"}).Options.ShowHelp);
  EXPECT_TRUE(ParseCliArguments({"--version"}).Options.ShowVersion);
  EXPECT_TRUE(ParseCliArguments({"--version"}).Ok());
}

TEST(CliOptions, DoubleDashEndsOptions) {
  const TCliParseResult Result = ParseCliArguments({"--", "-odd-folder"});
  ASSERT_TRUE(Result.Ok()) << Result.Error;
  EXPECT_EQ(Result.Options.Setting.DrivePath, "-odd-folder/");
}

}  // namespace
