#include <gtest/gtest.h>

#include <string>

#include "cli/Cli.Options.h"

namespace {

// The files go straight after the folder's separator: "C:\tests\" + "Randomfile0"; a folder
// written with forward slashes (or none) goes on with them.
TEST(Win32CliFolder, AFolderEndsInOneSeparator) {
  const struct {
    std::string Given, DrivePath;
  } Cases[] = {
      {"C:\\tests", "C:\\tests\\"},
      {"C:\\", "C:\\"},
      {"D:", "D:/"},
      {"D:/data/", "D:/data/"},
      {"Z:\\tmp\\드라이브", "Z:\\tmp\\드라이브\\"},
  };
  for (const auto& Case : Cases) {
    const TCliParseResult Result = ParseCliArguments({Case.Given});
    ASSERT_TRUE(Result.Ok()) << Result.Error;
    EXPECT_EQ(Result.Options.Setting.DrivePath, Case.DrivePath);
  }
}

}  // namespace
