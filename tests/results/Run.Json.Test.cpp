// The result file of a run: its keys and units, reading it back, and refusing what is not one.
#include "results/Run.Json.h"

#include "results/Analysis.Json.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "analysis/Curve.Maker.h"

namespace {

using nlohmann::json;

TPassAnalysis Analysed(const std::vector<TWriteRecord>& Writes) {
  return AnalysePass(Writes);
}

TRunResult ExampleRun() {
  TRunResult Run;
  Run.Version = "6.0.5";
  Run.Setting.IsSet = true;
  Run.Setting.DrivePath = "/mnt/usb/";
  Run.Setting.ToLeft = 10;
  Run.Setting.ToLeftUnit = TLeftUnit::LeaveByPercent;
  Run.Setting.UnitSpeed = TUnitSpeed::OnePercent;
  Run.Setting.NeedCache = true;
  Run.Setting.InfiniteRepetition = true;
  Run.Setting.NeedDelete = true;
  Run.Setting.RecordPath = "/home/me/run.log";
  Run.Verify = true;
  Run.Drive.Folder = "/mnt/usb/";
  Run.Drive.Device = "/dev/sdb1";
  Run.Drive.Disk = "/dev/sdb";
  Run.Drive.DiskName = "sdb";
  Run.Drive.Disks = {"sdb"};
  Run.Drive.Model = "Flash Disk";
  Run.Drive.Serial = "0123";
  Run.Drive.Bus = TDriveBus::Usb;
  Run.Drive.Rotational = false;
  Run.Drive.Removable = true;
  Run.Drive.SizeInByte = 31914983424;

  TPassResult First;
  First.Number = 1;
  First.StartTime = "2026-12-10T12:13:05+09:00";
  First.Analysis = Analysed(TCurve(3).Steady(100, 900, 0.2).Steady(300, 90, 0.2));
  First.WrittenMiB = First.Analysis.WrittenMiB;
  First.Writes = First.Analysis.WriteCount;
  First.MaxSpeed = 1400;
  First.MinSpeed = 40;
  First.MeanSpeed = 290;
  First.SlowSharePct = 74.5;
  First.WriteSeconds = {0.005, 0.0125, 2.5};
  First.RemainPctFirst = 90.25;
  First.RemainPctLast = 10.5;
  First.Verify = TPassVerifyResult{3200,  3100, 0.25, 99.75,         0,         2048, 3100.5,
                                   410.5, 600,  12,   "Randomfile0", 2147483648};
  TPassResult Second;
  Second.Number = 2;
  Second.StartTime = "2026-12-10T12:20:00+09:00";
  Second.Analysis = Analysed(TCurve(4).Steady(10, 300, 0.1));
  Second.WrittenMiB = 80;
  Second.Writes = 10;
  Second.End = TPassEnd::Failed;
  Second.Error = TPassError{"WriteFile", "/mnt/usb/Randomfile0", 5, "Input/output error"};
  Run.Passes = {First, Second};
  return Run;
}

TEST(RunJson, KeysCarryTheirUnitsAndEveryPassItsEnd) {
  const json Document = RunResultToJson(ExampleRun());
  EXPECT_EQ(Document.at("schema_version"), 1);
  EXPECT_EQ(Document.at("program"), json::parse(R"({"name": "Varnell", "version": "6.0.5"})"));
  EXPECT_EQ(Document.at("settings"), json::parse(R"({
    "folder": "/mnt/usb/", "leave": {"amount": 10, "unit": "percent"}, "step_pct": 1.0,
    "page_cache": true, "repeat": true, "delete_files": true, "verify": true,
    "log_path": "/home/me/run.log", "detailed_log_path": null})"));
  const json& Device = Document.at("device");
  EXPECT_EQ(Device.at("mount_point"), "/mnt/usb/");
  EXPECT_EQ(Device.at("model"), "Flash Disk");
  EXPECT_EQ(Device.at("firmware"), nullptr);
  EXPECT_EQ(Device.at("bus"), "usb");
  EXPECT_EQ(Device.at("size_bytes"), 31914983424);

  const json& Passes = Document.at("passes");
  ASSERT_EQ(Passes.size(), 2u);
  const json& First = Passes[0];
  EXPECT_EQ(First.at("start_time"), "2026-12-10T12:13:05+09:00");
  EXPECT_EQ(First.at("written_mib"), 3200);
  EXPECT_EQ(First.at("writes"), 400);
  EXPECT_EQ(First.at("max_mib_s"), 1400);
  EXPECT_EQ(First.at("mean_mib_s"), 290);
  EXPECT_EQ(First.at("slow_share_pct"), 74.5);
  EXPECT_EQ(First.at("analysis"), AnalysisToJson(ExampleRun().Passes[0].Analysis));
  EXPECT_NEAR(First.at("analysis").at("cache_mib").get<double>(), 800, 16);
  EXPECT_EQ(First.at("verify").at("overwritten_mib"), 99.75);
  EXPECT_EQ(First.at("verify").at("first_damage"),
            json::parse(R"({"file": "Randomfile0", "offset_bytes": 2147483648})"));
  EXPECT_EQ(First.at("end"), "completed");
  EXPECT_EQ(First.at("error"), nullptr);
  EXPECT_EQ(First.at("write_times_seconds"), json::parse("[0.005, 0.0125, 2.5]"));
  EXPECT_EQ(First.at("remain_pct_first"), 90.25);
  EXPECT_EQ(First.at("remain_pct_last"), 10.5);
  const json& Second = Passes[1];
  EXPECT_EQ(Second.at("analysis").at("too_short"), true);
  EXPECT_EQ(Second.at("verify"), nullptr);
  EXPECT_EQ(Second.at("end"), "failed");
  EXPECT_EQ(Second.at("error"), json::parse(R"({"operation": "WriteFile",
    "path": "/mnt/usb/Randomfile0", "code": 5, "text": "Input/output error"})"));
}

TEST(RunJson, ReadsBackToTheSameRunThroughText) {
  const TRunResult Run = ExampleRun();
  EXPECT_EQ(ParseRunResult(RunResultToJson(Run).dump(2)), Run);
}

// A folder, a drive or a system text that is not UTF-8 (JSON holds only UTF-8): written in
// the escaped form docs/results.md gives, and read back to the same bytes.
TEST(RunJson, NamesThatAreNotUtf8AreWrittenEscapedAndReadBack) {
  TRunResult Run = ExampleRun();
  Run.Setting.DrivePath = "/mnt/caf\xe9/";
  Run.Drive.Model = "Disk \xff\\x41";
  Run.Passes[1].Error->Path = "/mnt/caf\xe9/Randomfile0";
  const json Document = RunResultToJson(Run);
  const std::string Text = Document.dump(2);
  EXPECT_EQ(Document.at("settings").at("folder"), "/mnt/caf\\xe9/");
  EXPECT_EQ(Document.at("device").at("model"), "Disk \\xff\\x5cx41");
  EXPECT_EQ(ParseRunResult(Text), Run);
}

TEST(RunJson, WhatIsNotAResultIsRefusedWithTheReason) {
  json Newer = RunResultToJson(ExampleRun());
  Newer["schema_version"] = 2;
  json Broken = RunResultToJson(ExampleRun());
  Broken["passes"][0].erase("writes");
  json BadEnd = RunResultToJson(ExampleRun());
  BadEnd["passes"][0]["end"] = "paused";
  const struct {
    std::string Text;
    const char* Reason;
  } Cases[] = {
      {"{\"passes\": [", "parse error"},
      {"[1, 2]", "no \"schema_version\""},
      {Newer.dump(), "schema_version 2 is newer"},
      {Broken.dump(), "writes"},
      {BadEnd.dump(), "\"paused\" is not completed"},
  };
  for (const auto& Case : Cases) {
    try {
      ParseRunResult(Case.Text);
      ADD_FAILURE() << "accepted: " << Case.Text.substr(0, 60);
    } catch (const TResultFileError& Error) {
      EXPECT_NE(std::string(Error.what()).find(Case.Reason), std::string::npos) << Error.what();
    }
  }
}

}  // namespace

namespace {

// The example in docs/results.md is a result this program reads, so the page cannot drift from
// the code.
TEST(RunJson, TheDocumentedExampleIsAResult) {
  std::ifstream Page(std::string(VARNELL_TEST_FOLDER) + "/../../docs/results.md");
  ASSERT_TRUE(Page) << "docs/results.md not found";
  const std::string Text((std::istreambuf_iterator<char>(Page)), std::istreambuf_iterator<char>());
  const std::size_t Start = Text.find("```json\n");
  const std::size_t End = Text.find("```\n", Start + 8);
  ASSERT_NE(Start, std::string::npos);
  ASSERT_NE(End, std::string::npos);
  const std::string Example = Text.substr(Start + 8, End - Start - 8);
  const TRunResult Run = ParseRunResult(Example);
  ASSERT_EQ(Run.Passes.size(), 1u);
  EXPECT_EQ(Run.Passes[0].Analysis.Figures->Cache->SizeInMiB, 4096);
  // Every key of the example is one the program writes, and none is missing.
  EXPECT_EQ(RunResultToJson(Run), nlohmann::json::parse(Example));
}

}  // namespace
