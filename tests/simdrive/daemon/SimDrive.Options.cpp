#include "SimDrive.Options.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <cmath>
#include <limits>
#include <map>
#include <sstream>

namespace SimDrive {

namespace {

// Block numbers are 32 bits, with one value kept for "no block".
constexpr std::uint64_t LargestCapacity = (std::uint64_t{1} << 32) - 1;

std::string SizeText(std::uint64_t Bytes) {
  return std::to_string(Bytes);
}

// Shortest text that reads back as the same double.
std::string SpeedText(double Value) {
  char Text[64];
  const auto Result = std::to_chars(std::begin(Text), std::end(Text), Value);
  return std::string(Text, Result.ptr);
}

// CLI11 reads sizes as text; this turns them into bytes and says which option was wrong.
class TSizeOptions {
 public:
  void Add(CLI::App& App, const std::string& Name, const std::string& Help) {
    App.add_option(Name, FTexts[Name], Help);
  }
  // Stores each given size into its target; returns the first bad option's message.
  std::string Apply(const CLI::App& App, const std::map<std::string, std::uint64_t*>& Plain,
                    const std::map<std::string, std::optional<std::uint64_t>*>& Optional) {
    for (const auto& [Name, Text] : FTexts) {
      if (App.count(Name) == 0) {
        continue;
      }
      const auto Bytes = ParseSize(Text);
      if (!Bytes) {
        return Name + ": not a size: \"" + Text + "\"";
      }
      if (const auto Found = Plain.find(Name); Found != Plain.end()) {
        *Found->second = *Bytes;
      } else {
        *Optional.at(Name) = *Bytes;
      }
    }
    return {};
  }

 private:
  std::map<std::string, std::string> FTexts;
};

}  // namespace

std::optional<std::uint64_t> ParseSize(std::string_view Text) {
  std::uint64_t Count = 0;
  const auto [End, Error] = std::from_chars(Text.data(), Text.data() + Text.size(), Count);
  if (Error != std::errc() || End == Text.data()) {
    return std::nullopt;
  }
  const std::string_view Unit(End, static_cast<std::size_t>(Text.data() + Text.size() - End));
  static const std::map<std::string_view, std::uint64_t> Units = {
      {"", 1},    {"K", KiB},   {"KiB", KiB},      {"M", MiB},         {"MiB", MiB},
      {"G", GiB}, {"GiB", GiB}, {"T", 1024 * GiB}, {"TiB", 1024 * GiB}};
  const auto Found = Units.find(Unit);
  if (Found == Units.end() || Count > std::numeric_limits<std::uint64_t>::max() / Found->second) {
    return std::nullopt;
  }
  return Count * Found->second;
}

std::string Validate(const TConfig& Drive) {
  const auto Aligned = [](std::uint64_t Bytes) { return Bytes % BlockBytes == 0; };
  if (Drive.Capacity == 0 || !Aligned(Drive.Capacity) ||
      Drive.Capacity / BlockBytes > LargestCapacity) {
    return "--capacity must be a positive multiple of 4 KiB below 16 TiB";
  }
  if (Drive.RealCapacity && (*Drive.RealCapacity == 0 || !Aligned(*Drive.RealCapacity) ||
                             *Drive.RealCapacity >= Drive.Capacity)) {
    return "--real-capacity must be a positive multiple of 4 KiB below --capacity";
  }
  if (Drive.ReadErrorBeyond && !Aligned(*Drive.ReadErrorBeyond)) {
    return "--read-error-beyond must be a multiple of 4 KiB";
  }
  for (const double Speed :
       {Drive.CacheSpeed, Drive.Speed, Drive.FoldSpeed, Drive.CacheRecovery, Drive.ReadSpeed}) {
    if (!(Speed >= 0) || !std::isfinite(Speed)) {
      return "speeds must be 0 (no limit) or positive";
    }
  }
  if ((Drive.StallEvery == 0) != (Drive.StallMs == 0)) {
    return "--stall-every and --stall-ms go together";
  }
  if (Drive.StallAfterCache && Drive.StallEvery == 0) {
    return "--stall-after-cache needs --stall-every and --stall-ms";
  }
  return {};
}

std::vector<std::string> ToArguments(const TConfig& Drive) {
  std::vector<std::string> Arguments = {"--capacity", SizeText(Drive.Capacity)};
  const auto Add = [&Arguments](const char* Name, std::string Value) {
    Arguments.emplace_back(Name);
    Arguments.push_back(std::move(Value));
  };
  const auto AddSpeed = [&Add](const char* Name, double Speed) {
    if (Speed != 0) {
      Add(Name, SpeedText(Speed));
    }
  };
  const auto AddOptional = [&Add](const char* Name, const std::optional<std::uint64_t>& Bytes) {
    if (Bytes) {
      Add(Name, SizeText(*Bytes));
    }
  };
  if (Drive.CacheSize != 0) {
    Add("--cache", SizeText(Drive.CacheSize));
  }
  AddSpeed("--cache-speed", Drive.CacheSpeed);
  AddSpeed("--speed", Drive.Speed);
  AddOptional("--fold-after", Drive.FoldAfter);
  AddSpeed("--fold-speed", Drive.FoldSpeed);
  AddSpeed("--cache-recovery", Drive.CacheRecovery);
  AddSpeed("--read-speed", Drive.ReadSpeed);
  if (Drive.StallEvery != 0 || Drive.StallMs != 0) {
    Add("--stall-every", SizeText(Drive.StallEvery));
    Add("--stall-ms", std::to_string(Drive.StallMs));
  }
  if (Drive.StallAfterCache) {
    Arguments.emplace_back("--stall-after-cache");
  }
  AddOptional("--write-error-after", Drive.WriteErrorAfter);
  AddOptional("--read-error-beyond", Drive.ReadErrorBeyond);
  AddOptional("--unplug-after", Drive.UnplugAfter);
  AddOptional("--real-capacity", Drive.RealCapacity);
  if (Drive.RealCapacity) {
    Add("--fake-mode", Drive.FakeMode == TFakeMode::Wrap ? "wrap" : "drop");
  }
  if (Drive.WritebackCache) {
    Arguments.emplace_back("--writeback-cache");
  }
  if (Drive.DirectIo) {
    Arguments.emplace_back("--direct-io");
  }
  Add("--carry-us", std::to_string(Drive.CarryUs));
  return Arguments;
}

TParsedCommandLine ParseCommandLine(int Argc, const char* const* Argv) {
  TDaemonOptions Options;
  TConfig& Drive = Options.Drive;
  CLI::App App("A simulated flash drive (FUSE) for Varnell's tests and benchmarks.",
               "varnell-simdrive");
  TSizeOptions Sizes;
  App.add_option("mountpoint", Options.MountPoint, "An empty folder to mount the drive on")
      ->required();
  Sizes.Add(App, "--capacity", "Size the drive reports (default 256M)");
  Sizes.Add(App, "--cache", "Size of the fast cache (default 0: none)");
  App.add_option("--cache-speed", Drive.CacheSpeed, "MiB/s while the cache has room (0: no limit)");
  App.add_option("--speed", Drive.Speed, "MiB/s once the cache is full (0: no limit)");
  Sizes.Add(App, "--fold-after", "Bytes written since mount from which --fold-speed holds");
  App.add_option("--fold-speed", Drive.FoldSpeed, "MiB/s of the folding phase (0: no limit)");
  App.add_option("--cache-recovery", Drive.CacheRecovery,
                 "MiB of cache regained per second without writes");
  App.add_option("--read-speed", Drive.ReadSpeed, "MiB/s of reads (0: no limit)");
  Sizes.Add(App, "--stall-every", "Bytes written between two stalls");
  App.add_option("--stall-ms", Drive.StallMs, "Milliseconds a stall adds to its write request");
  App.add_flag("--stall-after-cache", Drive.StallAfterCache,
               "Stall only once the cache is full, counting the bytes written after it");
  Sizes.Add(App, "--write-error-after", "Writes beyond this many bytes written fail with EIO");
  Sizes.Add(App, "--read-error-beyond", "Reads of data stored at or past this position: EIO");
  Sizes.Add(App, "--unplug-after", "The first write beyond this many bytes: the daemon vanishes");
  Sizes.Add(App, "--real-capacity", "A fake drive: what it really holds (below --capacity)");
  std::string FakeMode = "wrap";
  App.add_option("--fake-mode", FakeMode, "Data past the real capacity: wrap or drop")
      ->check(CLI::IsMember({"wrap", "drop"}));
  App.add_flag("--writeback-cache", Drive.WritebackCache,
               "Let the kernel keep dirty pages and write them back later");
  App.add_flag("--direct-io", Drive.DirectIo, "Every open bypasses the page cache");
  App.add_option("--carry-us", Drive.CarryUs,
                 "Gaps between requests up to this long are not idle (default 3000)");
  App.add_option("--stats", Options.StatsFile, "Keep statistics in this file (created anew)");
  App.add_option("--ready-fd", Options.ReadyFd, "Write \"ready\" to this descriptor once mounted");
  App.add_flag("--debug", Options.Debug, "libfuse's trace of every request on stderr");

  TParsedCommandLine Result;
  try {
    App.parse(Argc, Argv);
  } catch (const CLI::ParseError& Error) {
    std::ostringstream Out;
    std::ostringstream Err;
    Result.ExitCode = App.exit(Error, Out, Err);
    Result.Message = Out.str() + Err.str();
    return Result;
  }
  std::string Problem = Sizes.Apply(App,
                                    {{"--capacity", &Drive.Capacity},
                                     {"--cache", &Drive.CacheSize},
                                     {"--stall-every", &Drive.StallEvery}},
                                    {{"--fold-after", &Drive.FoldAfter},
                                     {"--write-error-after", &Drive.WriteErrorAfter},
                                     {"--read-error-beyond", &Drive.ReadErrorBeyond},
                                     {"--unplug-after", &Drive.UnplugAfter},
                                     {"--real-capacity", &Drive.RealCapacity}});
  Drive.FakeMode = FakeMode == "drop" ? TFakeMode::Drop : TFakeMode::Wrap;
  if (Problem.empty()) {
    Problem = Validate(Drive);
  }
  if (!Problem.empty()) {
    Result.ExitCode = 2;
    Result.Message = "varnell-simdrive: " + Problem + "\n";
    return Result;
  }
  Result.Options = std::move(Options);
  return Result;
}

}  // namespace SimDrive
