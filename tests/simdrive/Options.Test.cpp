#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "daemon/SimDrive.Options.h"

// The helper hands the drive's record to the daemon as options: what it writes must be what the
// daemon reads, and what the daemon cannot be must be refused before anything is mounted.
namespace {

using namespace SimDrive;
using namespace SimDrive::Literals;

TParsedCommandLine Parse(std::vector<std::string> Arguments) {
  Arguments.insert(Arguments.begin(), {"varnell-simdrive", "/mnt/sim"});
  std::vector<const char*> Argv;
  for (const auto& Argument : Arguments) {
    Argv.push_back(Argument.c_str());
  }
  return ParseCommandLine(static_cast<int>(Argv.size()), Argv.data());
}

TEST(SimDriveOptions, EveryFieldOfTheRecordSurvivesTheCommandLine) {
  TConfig Full;
  Full.Capacity = 2_GiB;
  Full.CacheSize = 512_MiB;
  Full.CacheSpeed = 1000;
  Full.Speed = 100.25;
  Full.FoldAfter = 1536_MiB;
  Full.FoldSpeed = 1.0 / 3;
  Full.CacheRecovery = 64;
  Full.ReadSpeed = 250;
  Full.StallEvery = 96_MiB;
  Full.StallMs = 120;
  Full.StallAfterCache = true;
  Full.WriteErrorAfter = 100_MiB + 4_KiB;
  Full.ReadErrorBeyond = 1_GiB;
  Full.UnplugAfter = 0;
  Full.RealCapacity = 256_MiB;
  Full.FakeMode = TFakeMode::Drop;
  Full.WritebackCache = true;
  Full.DirectIo = true;
  Full.CarryUs = 250;

  for (const TConfig& Drive : {TConfig{}, Full}) {
    const auto Parsed = Parse(ToArguments(Drive));
    ASSERT_TRUE(Parsed.Options.has_value()) << Parsed.Message;
    EXPECT_TRUE(Parsed.Options->Drive == Drive);
    EXPECT_EQ(Parsed.Options->MountPoint, "/mnt/sim");
  }
}

TEST(SimDriveOptions, SizesTakeBinaryUnits) {
  const std::vector<std::pair<std::string, std::optional<std::uint64_t>>> Cases = {
      {"4096", 4096},
      {"64K", 64_KiB},
      {"512M", 512_MiB},
      {"2G", 2_GiB},
      {"3MiB", 3_MiB},
      {"1T", 1024_GiB},
      {"0", 0},
      {"", std::nullopt},
      {"12Q", std::nullopt},
      {"-5", std::nullopt},
      {"1.5G", std::nullopt},
      {"99999999999T", std::nullopt}};
  for (const auto& [Text, Bytes] : Cases) {
    EXPECT_EQ(ParseSize(Text), Bytes) << '"' << Text << '"';
  }
}

TEST(SimDriveOptions, ADriveThatCannotBeIsRefusedWithTheReason) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> Cases = {
      {{"--capacity", "1000"}, "--capacity"},
      {{"--capacity", "64M", "--real-capacity", "64M"}, "--real-capacity"},
      {{"--read-error-beyond", "100"}, "--read-error-beyond"},
      {{"--stall-every", "8M"}, "--stall-ms"},
      {{"--speed=-1"}, "speeds"},
      {{"--cache", "lots"}, "--cache"},
      {{"--fake-mode", "mirror"}, "--fake-mode"},
  };
  for (const auto& [Arguments, Named] : Cases) {
    const auto Parsed = Parse(Arguments);
    EXPECT_FALSE(Parsed.Options.has_value()) << Arguments[0];
    EXPECT_NE(Parsed.ExitCode, 0) << Arguments[0];
    EXPECT_NE(Parsed.Message.find(Named), std::string::npos) << Parsed.Message;
  }
}

}  // namespace
