// The metrics in the Prometheus text format: names, units, label escaping, the state set, and
// the figures of an ended pass in bytes.
#include "results/Run.Metrics.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <sstream>

namespace {

TDriveMetrics Drive(const std::string& Label, TDriveState State) {
  TDriveMetrics Drive;
  Drive.Label = Label;
  Drive.Device = "sdb";
  Drive.Model = "Stick \"8G\"";
  Drive.Serial = "A1\\B2";
  Drive.State = State;
  Drive.Pass = 2;
  Drive.PassWrittenBytes = 80 << 20;
  Drive.PassTargetBytes = 400 << 20;
  Drive.WrittenBytesTotal = 480 << 20;
  return Drive;
}

std::vector<std::string> Lines(const std::string& Text) {
  std::vector<std::string> Result;
  std::istringstream Stream(Text);
  for (std::string Line; std::getline(Stream, Line);) {
    Result.push_back(Line);
  }
  return Result;
}

// The samples of the text: "name{labels}" -> value.
std::map<std::string, std::string> Samples(const std::string& Text) {
  std::map<std::string, std::string> Result;
  for (const std::string& Line : Lines(Text)) {
    if (!Line.empty() && Line[0] != '#') {
      const std::size_t Space = Line.rfind(' ');
      Result[Line.substr(0, Space)] = Line.substr(Space + 1);
    }
  }
  return Result;
}

}  // namespace

TEST(RunMetrics, LabelValuesAreEscapedAndKeptValidUtf8) {
  const struct {
    std::string Value;
    std::string Escaped;
  } Cases[] = {
      {"plain usb0", "plain usb0"},
      {"a\\b", "a\\\\b"},
      {"say \"hi\"", "say \\\"hi\\\""},
      {"two\nlines", "two\\nlines"},
      {"tab\tstays", "tab\tstays"},
      {"\xEC\x8A\xA4\xED\x8B\xB1", "\xEC\x8A\xA4\xED\x8B\xB1"},  // Korean stays as it is
      {"bad\xFF", "bad\xEF\xBF\xBD"},                            // not UTF-8
      {"cut\xEC\x8A", "cut\xEF\xBF\xBD\xEF\xBF\xBD"},            // a sequence cut short
      {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},                  // overlong "/"
      {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // a surrogate
      {"", ""},
  };
  for (const auto& Case : Cases) {
    EXPECT_EQ(EscapeMetricLabel(Case.Value), Case.Escaped) << Case.Value;
  }
}

TEST(RunMetrics, ValuesReadBackExactly) {
  const struct {
    double Value;
    const char* Text;
  } Cases[] = {{0.0, "0"},
               {419430400.0, "419430400"},
               {0.1, "0.1"},
               {3111189903.0883403, "3111189903.0883403"},
               {-2.5, "-2.5"},
               {std::numeric_limits<double>::infinity(), "+Inf"},
               {-std::numeric_limits<double>::infinity(), "-Inf"},
               {std::numeric_limits<double>::quiet_NaN(), "NaN"}};
  for (const auto& Case : Cases) {
    EXPECT_EQ(MetricValue(Case.Value), Case.Text);
  }
}

// Every family once with HELP and TYPE before its samples, names as Prometheus asks them,
// counters and only counters ending in _total, units spelled out.
TEST(RunMetrics, EveryFamilyIsDeclaredOnceAndNamedByTheRules) {
  TDriveMetrics Full = Drive("usb0", TDriveState::Verifying);
  Full.LastWriteSpeed = 12.5e6;
  Full.TemperatureC = 41.0;
  TEndedPassMetrics& Ended = Full.LastEndedPass.emplace();
  Ended.Number = 1;
  Ended.Judged = true;
  Ended.InCacheSpeed = 1.0;
  Ended.PostCacheSpeed = 2.0;
  Ended.DamagedBytes = 0;
  Ended.VerifiedBytes = 400 << 20;
  const std::vector<TDriveMetrics> Drives = {Full, Drive("usb1", TDriveState::Paused)};
  const std::string Text = MetricsText(Drives);

  const std::regex Help(R"(# HELP (varnell_[a-z_]+) \S.*)");
  const std::regex Type(R"(# TYPE (varnell_[a-z_]+) (gauge|counter))");
  const std::regex Sample(
      R"re((varnell_[a-z_]+)\{label="[^"]*",device="[^"]*",model="(\\.|[^"\\])*",serial="(\\.|[^"\\])*"(,state="[a-z]+")?\} \S+)re");
  const std::regex Unit(R"(.*_(bytes|bytes_total|bytes_per_second|celsius)$)");
  std::set<std::string> Declared;
  std::string Current;
  std::string CurrentType;
  for (const std::string& Line : Lines(Text)) {
    std::smatch Match;
    if (std::regex_match(Line, Match, Help)) {
      EXPECT_TRUE(Declared.insert(Match[1]).second) << "declared twice: " << Line;
      Current = Match[1];
    } else if (std::regex_match(Line, Match, Type)) {
      EXPECT_EQ(Match[1], Current) << Line;
      CurrentType = Match[2];
      EXPECT_EQ(CurrentType == "counter", Current.ends_with("_total")) << Line;
      const bool Counts = Current == "varnell_state" || Current.ends_with("pass");
      EXPECT_TRUE(Counts || std::regex_match(Current, Unit)) << "no base unit: " << Line;
    } else {
      ASSERT_TRUE(std::regex_match(Line, Match, Sample)) << Line;
      EXPECT_EQ(Match[1], Current) << "sample outside its family: " << Line;
    }
  }
  for (const char* Name :
       {"varnell_state", "varnell_pass", "varnell_pass_written_bytes", "varnell_pass_target_bytes",
        "varnell_written_bytes_total", "varnell_write_speed_bytes_per_second",
        "varnell_temperature_celsius", "varnell_last_pass_cache_bytes",
        "varnell_last_pass_cache_speed_bytes_per_second",
        "varnell_last_pass_after_cache_speed_bytes_per_second",
        "varnell_last_pass_damaged_bytes"}) {
    EXPECT_EQ(Declared.count(Name), 1u) << Name;
  }
}

TEST(RunMetrics, StateSetHasOneStateOnPerDriveAndFiguresKeepTheirDrive) {
  TDriveMetrics First = Drive("usb0", TDriveState::Failed);
  First.TemperatureC = 38.5;
  const TDriveMetrics Second = Drive("disk \"b\"", TDriveState::Done);
  const auto Sample = Samples(MetricsText(std::vector<TDriveMetrics>{First, Second}));
  const std::string FirstLabels =
      R"(label="usb0",device="sdb",model="Stick \"8G\"",serial="A1\\B2")";
  const std::string SecondLabels =
      R"(label="disk \"b\"",device="sdb",model="Stick \"8G\"",serial="A1\\B2")";
  for (const auto& [Labels, On] : {std::pair{FirstLabels, std::string("failed")},
                                   std::pair{SecondLabels, std::string("done")}}) {
    for (const char* State : {"writing", "verifying", "paused", "done", "failed", "cancelled"}) {
      const std::string Key = "varnell_state{" + Labels + ",state=\"" + State + "\"}";
      ASSERT_EQ(Sample.count(Key), 1u) << Key;
      EXPECT_EQ(Sample.at(Key), State == On ? "1" : "0") << Key;
    }
    EXPECT_EQ(Sample.at("varnell_pass_written_bytes{" + Labels + "}"), "83886080");
    EXPECT_EQ(Sample.at("varnell_written_bytes_total{" + Labels + "}"), "503316480");
  }
  // What one drive lacks is left out for it alone; what no drive has is left out whole.
  EXPECT_EQ(Sample.at("varnell_temperature_celsius{" + FirstLabels + "}"), "38.5");
  EXPECT_EQ(Sample.count("varnell_temperature_celsius{" + SecondLabels + "}"), 0u);
  const std::string Text = MetricsText(std::vector<TDriveMetrics>{Second});
  EXPECT_EQ(Text.find("varnell_temperature_celsius"), std::string::npos);
  EXPECT_EQ(Text.find("varnell_last_pass"), std::string::npos);
  EXPECT_EQ(Text.find("varnell_write_speed"), std::string::npos);
}

TEST(RunMetrics, EndedPassFiguresAreInBytes) {
  TPassResult Pass;
  Pass.Number = 3;
  Pass.WrittenMiB = 1000;
  Pass.MeanSpeed = 150;
  TPassFigures& Figures = Pass.Analysis.Figures.emplace();
  Figures.LastSpeed = 30.5;
  Figures.Cache = TCacheFigures{256, 400.0, 30.25};
  Pass.Verify.emplace();
  Pass.Verify->ReadMiB = 1000.0;
  Pass.Verify->ChangedMiB = 0.5;
  Pass.Verify->OverwrittenMiB = 0.25;
  Pass.Verify->UnreadableMiB = 0.0078125;  // two 4 KiB sectors
  const TEndedPassMetrics Ended = EndedPassMetrics(Pass);
  EXPECT_EQ(Ended.Number, 3);
  EXPECT_EQ(Ended.WrittenBytes, 1000LL << 20);
  EXPECT_EQ(Ended.MeanSpeed, 150.0 * 1048576);
  EXPECT_TRUE(Ended.Judged);
  EXPECT_EQ(Ended.CacheBytes, 256LL << 20);
  EXPECT_EQ(Ended.InCacheSpeed, 400.0 * 1048576);
  EXPECT_EQ(Ended.PostCacheSpeed, 30.25 * 1048576);
  EXPECT_EQ(Ended.FinalSpeed, 30.5 * 1048576);
  EXPECT_EQ(Ended.VerifiedBytes, 1000LL << 20);
  EXPECT_EQ(Ended.DamagedBytes, (512LL + 256LL) * 1024 + 8192);

  // Judged without a cache: 0 bytes of cache and no speeds around it; a short pass is not
  // judged at all; a pass not read back has no verification.
  Pass.Analysis.Figures->Cache.reset();
  Pass.Verify.reset();
  const TEndedPassMetrics NoCache = EndedPassMetrics(Pass);
  EXPECT_TRUE(NoCache.Judged);
  EXPECT_EQ(NoCache.CacheBytes, 0);
  EXPECT_FALSE(NoCache.PostCacheSpeed);
  EXPECT_FALSE(NoCache.DamagedBytes);
  TDriveMetrics Shown = Drive("x", TDriveState::Done);
  Shown.LastEndedPass = NoCache;
  const std::string Text = MetricsText(std::vector<TDriveMetrics>{Shown});
  EXPECT_NE(Text.find("varnell_last_pass_cache_bytes{"), std::string::npos);
  EXPECT_EQ(Text.find("varnell_last_pass_after_cache_speed"), std::string::npos);
  Pass.Analysis.Figures.reset();
  EXPECT_FALSE(EndedPassMetrics(Pass).Judged);
}
