#include "results/Run.Json.h"

#include "device/Drive.Identity.Json.h"
#include "results/Analysis.Json.h"
#include "results/Compare.Table.h"

using nlohmann::json;

namespace {

json TextOrNull(const std::string& Text) {
  return Text.empty() ? json() : json(Text);
}

std::string TextOf(const json& Value) {
  return Value.is_null() ? std::string() : Value.get<std::string>();
}

const char* LeftUnitKey(TLeftUnit Unit) {
  switch (Unit) {
    case TLeftUnit::LeaveByMiB:
      return "MiB";
    case TLeftUnit::LeaveByPercent:
      return "percent";
    case TLeftUnit::LeaveByGiB:
    default:
      return "GiB";
  }
}

TLeftUnit LeftUnitFromKey(const std::string& Key) {
  if (Key == "GiB") {
    return TLeftUnit::LeaveByGiB;
  }
  if (Key == "MiB") {
    return TLeftUnit::LeaveByMiB;
  }
  if (Key == "percent") {
    return TLeftUnit::LeaveByPercent;
  }
  throw TResultFileError("settings.leave.unit \"" + Key + "\" is not GiB, MiB or percent");
}

double StepPercent(TUnitSpeed Step) {
  switch (Step) {
    case TUnitSpeed::OnePercent:
      return 1.0;
    case TUnitSpeed::TenPercent:
      return 10.0;
    case TUnitSpeed::ZeroPointOnePercent:
    default:
      return 0.1;
  }
}

TUnitSpeed StepFromPercent(double Percent) {
  if (Percent == 1.0) {
    return TUnitSpeed::OnePercent;
  }
  if (Percent == 10.0) {
    return TUnitSpeed::TenPercent;
  }
  return TUnitSpeed::ZeroPointOnePercent;
}

json SettingToJson(const TSetting& Setting, bool Verify) {
  return {{"folder", Setting.DrivePath},
          {"leave", {{"amount", Setting.ToLeft}, {"unit", LeftUnitKey(Setting.ToLeftUnit)}}},
          {"step_pct", StepPercent(Setting.UnitSpeed)},
          {"page_cache", Setting.NeedCache},
          {"repeat", Setting.InfiniteRepetition},
          {"delete_files", Setting.NeedDelete},
          {"verify", Verify},
          {"log_path", TextOrNull(Setting.RecordPath)},
          {"detailed_log_path", TextOrNull(Setting.DetailedRecordPath)}};
}

TSetting SettingFromJson(const json& Object, bool& Verify) {
  TSetting Setting;
  Setting.IsSet = true;
  Setting.DrivePath = Object.at("folder").get<std::string>();
  Setting.ToLeft = Object.at("leave").at("amount").get<std::int64_t>();
  Setting.ToLeftUnit = LeftUnitFromKey(Object.at("leave").at("unit").get<std::string>());
  Setting.UnitSpeed = StepFromPercent(Object.at("step_pct").get<double>());
  Setting.NeedCache = Object.at("page_cache").get<bool>();
  Setting.InfiniteRepetition = Object.at("repeat").get<bool>();
  Setting.NeedDelete = Object.at("delete_files").get<bool>();
  Verify = Object.at("verify").get<bool>();
  Setting.RecordPath = TextOf(Object.at("log_path"));
  Setting.DetailedRecordPath = TextOf(Object.at("detailed_log_path"));
  return Setting;
}

json VerifyToJson(const TPassVerifyResult& Verify) {
  json First;
  if (Verify.FirstDamagedFile) {
    First = {{"file", *Verify.FirstDamagedFile},
             {"offset_bytes", Verify.FirstDamagedOffset.value_or(0)}};
  }
  return {{"read_mib", Verify.ReadMiB},
          {"intact_mib", Verify.IntactMiB},
          {"changed_mib", Verify.ChangedMiB},
          {"overwritten_mib", Verify.OverwrittenMiB},
          {"unreadable_mib", Verify.UnreadableMiB},
          {"usable_mib", Verify.UsableMiB},
          {"stored_mib", Verify.StoredMiB ? json(*Verify.StoredMiB) : json()},
          {"read_mean_mib_s", Verify.ReadMeanSpeed},
          {"read_max_mib_s", Verify.ReadMaxSpeed},
          {"read_min_mib_s", Verify.ReadMinSpeed},
          {"first_damage", First}};
}

TPassVerifyResult VerifyFromJson(const json& Object) {
  TPassVerifyResult Verify;
  Verify.ReadMiB = Object.at("read_mib").get<double>();
  Verify.IntactMiB = Object.at("intact_mib").get<double>();
  Verify.ChangedMiB = Object.at("changed_mib").get<double>();
  Verify.OverwrittenMiB = Object.at("overwritten_mib").get<double>();
  Verify.UnreadableMiB = Object.at("unreadable_mib").get<double>();
  Verify.UsableMiB = Object.at("usable_mib").get<double>();
  // Files from before it was kept have none.
  if (const auto Stored = Object.find("stored_mib"); Stored != Object.end() && !Stored->is_null()) {
    Verify.StoredMiB = Stored->get<double>();
  }
  Verify.ReadMeanSpeed = Object.at("read_mean_mib_s").get<double>();
  Verify.ReadMaxSpeed = Object.at("read_max_mib_s").get<double>();
  Verify.ReadMinSpeed = Object.at("read_min_mib_s").get<double>();
  if (const json& First = Object.at("first_damage"); !First.is_null()) {
    Verify.FirstDamagedFile = First.at("file").get<std::string>();
    Verify.FirstDamagedOffset = First.at("offset_bytes").get<std::int64_t>();
  }
  return Verify;
}

TPassEnd EndFromKey(const std::string& Key) {
  if (Key == "completed") {
    return TPassEnd::Completed;
  }
  if (Key == "cancelled") {
    return TPassEnd::Cancelled;
  }
  if (Key == "failed") {
    return TPassEnd::Failed;
  }
  throw TResultFileError("a pass's \"end\" \"" + Key + "\" is not completed, cancelled or failed");
}

json ErrorToJson(const TPassError& Error) {
  return {{"operation", Error.Operation},
          {"path", TextOrNull(Error.Path)},
          {"code", Error.Code},
          {"text", Error.SystemText}};
}

TPassError ErrorFromJson(const json& Object) {
  return {Object.at("operation").get<std::string>(), TextOf(Object.at("path")),
          Object.at("code").get<std::uint32_t>(), Object.at("text").get<std::string>()};
}

json PercentOrNull(const std::optional<double>& Percent) {
  return Percent ? json(*Percent) : json();
}

// The change since the run's first pass, as the per-pass table of an endurance run shows it.
json DriftToJson(const TPassResult& First, const TPassResult& Pass) {
  const auto Mean = [](const TPassResult& Of) -> std::optional<double> {
    return static_cast<double>(Of.MeanSpeed);
  };
  return {{"mean_mib_s", PercentOrNull(DriftSince(First, Pass, Mean))},
          {"cache_mib", PercentOrNull(DriftSince(First, Pass, CacheSizeMiB))},
          {"post_cache_mib_s", PercentOrNull(DriftSince(First, Pass, PostCacheSpeed))}};
}

json ClosesToJson(const std::vector<TPassClose>& Closes) {
  json Array = json::array();
  for (const TPassClose& Close : Closes) {
    Array.push_back({{"after_write", Close.AfterWrite}, {"seconds", Close.Seconds}});
  }
  return Array;
}

json PassToJson(const TPassResult& Pass, const TPassResult& First) {
  return {{"pass", Pass.Number},
          {"start_time", Pass.StartTime},
          {"written_mib", Pass.WrittenMiB},
          {"writes", Pass.Writes},
          {"max_mib_s", Pass.MaxSpeed},
          {"min_mib_s", Pass.MinSpeed},
          {"mean_mib_s", Pass.MeanSpeed},
          {"throughput_mib_s", Pass.Analysis.Throughput},
          {"slow_share_pct", Pass.SlowSharePct},
          {"analysis", AnalysisToJson(Pass.Analysis)},
          {"drift_pct", DriftToJson(First, Pass)},
          {"verify", Pass.Verify ? VerifyToJson(*Pass.Verify) : json()},
          {"end", PassEndKey(Pass.End)},
          {"error", Pass.Error ? ErrorToJson(*Pass.Error) : json()},
          {"write_times_seconds", Pass.WriteSeconds},
          {"close_times", ClosesToJson(Pass.Closes)},
          {"remain_pct_first", Pass.RemainPctFirst},
          {"remain_pct_last", Pass.RemainPctLast}};
}

TPassResult PassFromJson(const json& Object) {
  TPassResult Pass;
  Pass.Number = Object.at("pass").get<std::int32_t>();
  Pass.StartTime = Object.at("start_time").get<std::string>();
  Pass.WrittenMiB = Object.at("written_mib").get<std::int64_t>();
  Pass.Writes = Object.at("writes").get<std::int32_t>();
  Pass.MaxSpeed = Object.at("max_mib_s").get<std::int32_t>();
  Pass.MinSpeed = Object.at("min_mib_s").get<std::int32_t>();
  Pass.MeanSpeed = Object.at("mean_mib_s").get<std::int64_t>();
  Pass.SlowSharePct = Object.at("slow_share_pct").get<double>();
  Pass.Analysis = AnalysisFromJson(Object.at("analysis"));
  if (const json& Verify = Object.at("verify"); !Verify.is_null()) {
    Pass.Verify = VerifyFromJson(Verify);
  }
  Pass.End = EndFromKey(Object.at("end").get<std::string>());
  if (const json& Error = Object.at("error"); !Error.is_null()) {
    Pass.Error = ErrorFromJson(Error);
  }
  Pass.WriteSeconds = Object.at("write_times_seconds").get<std::vector<double>>();
  // A file from before the closes were timed has none.
  if (const auto Closes = Object.find("close_times"); Closes != Object.end()) {
    for (const json& Close : *Closes) {
      Pass.Closes.push_back(
          {Close.at("after_write").get<std::int32_t>(), Close.at("seconds").get<double>()});
    }
  }
  Pass.RemainPctFirst = Object.at("remain_pct_first").get<double>();
  Pass.RemainPctLast = Object.at("remain_pct_last").get<double>();
  return Pass;
}

}  // namespace

json RunResultToJson(const TRunResult& Run) {
  json Device = DriveIdentityToJson(Run.Drive);
  Device["mount_point"] = Run.Setting.DrivePath;
  json Passes = json::array();
  for (const TPassResult& Pass : Run.Passes) {
    Passes.push_back(PassToJson(Pass, Run.Passes.front()));
  }
  return {{"schema_version", RunResultSchemaVersion},
          {"program", {{"name", Run.Program}, {"version", Run.Version}}},
          {"settings", SettingToJson(Run.Setting, Run.Verify)},
          {"device", std::move(Device)},
          {"passes", std::move(Passes)}};
}

TRunResult RunResultFromJson(const json& Document) {
  if (!Document.is_object() || !Document.contains("schema_version")) {
    throw TResultFileError("not a Varnell result: no \"schema_version\"");
  }
  try {
    const int Version = Document.at("schema_version").get<int>();
    if (Version > RunResultSchemaVersion) {
      throw TResultFileError("schema_version " + std::to_string(Version) +
                             " is newer than this program reads (" +
                             std::to_string(RunResultSchemaVersion) + ")");
    }
    TRunResult Run;
    Run.Program = Document.at("program").at("name").get<std::string>();
    Run.Version = Document.at("program").at("version").get<std::string>();
    Run.Setting = SettingFromJson(Document.at("settings"), Run.Verify);
    Run.Drive = DriveIdentityFromJson(Document.at("device"));
    for (const json& Pass : Document.at("passes")) {
      Run.Passes.push_back(PassFromJson(Pass));
    }
    return Run;
  } catch (const json::exception& Error) {
    throw TResultFileError(Error.what());
  }
}

TRunResult ParseRunResult(const std::string& Text) {
  json Document;
  try {
    Document = json::parse(Text);
  } catch (const json::parse_error& Error) {
    throw TResultFileError(Error.what());
  }
  return RunResultFromJson(Document);
}
