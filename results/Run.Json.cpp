#include "results/Run.Json.h"

#include <limits>
#include <vector>

#include "device/Drive.Identity.Json.h"
#include "results/Analysis.Json.h"
#include "results/Compare.Table.h"
#include "results/Json.Figure.h"
#include "text/Escape.Control.h"

using nlohmann::json;

namespace {

// Every text of the document, keys included, through Change, in place (a result's document
// can be large): JSON holds only UTF-8, and a folder's or a drive's name need not be.
void MapTexts(json& Value, std::string (*Change)(std::string_view)) {
  if (Value.is_string()) {
    std::string& Text = Value.get_ref<std::string&>();
    Text = Change(Text);
  } else if (Value.is_array()) {
    for (json& Item : Value) {
      MapTexts(Item, Change);
    }
  } else if (Value.is_object()) {
    std::vector<std::string> Renamed;
    for (auto& [Key, Item] : Value.items()) {
      MapTexts(Item, Change);
      if (Change(Key) != Key) {
        Renamed.push_back(Key);
      }
    }
    for (const std::string& Key : Renamed) {
      json Item = std::move(Value[Key]);
      Value.erase(Key);
      Value[Change(Key)] = std::move(Item);
    }
  }
}

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
  Setting.ToLeft = FigureOf<std::int64_t>(Object.at("leave").at("amount"), "leave.amount",
                                          std::numeric_limits<std::int64_t>::min());
  Setting.ToLeftUnit = LeftUnitFromKey(Object.at("leave").at("unit").get<std::string>());
  Setting.UnitSpeed = StepFromPercent(Figure<double>(Object, "step_pct"));
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
          {"first_damage", First},
          {"complete", Verify.Complete}};
}

TPassVerifyResult VerifyFromJson(const json& Object) {
  TPassVerifyResult Verify;
  Verify.ReadMiB = Figure<double>(Object, "read_mib");
  Verify.IntactMiB = Figure<double>(Object, "intact_mib");
  Verify.ChangedMiB = Figure<double>(Object, "changed_mib");
  Verify.OverwrittenMiB = Figure<double>(Object, "overwritten_mib");
  Verify.UnreadableMiB = Figure<double>(Object, "unreadable_mib");
  Verify.UsableMiB = Figure<double>(Object, "usable_mib");
  // Files from before it was kept have none.
  if (const auto Stored = Object.find("stored_mib"); Stored != Object.end() && !Stored->is_null()) {
    Verify.StoredMiB = FigureOf<double>(*Stored, "stored_mib");
  }
  Verify.ReadMeanSpeed = Figure<double>(Object, "read_mean_mib_s");
  Verify.ReadMaxSpeed = Figure<double>(Object, "read_max_mib_s");
  Verify.ReadMinSpeed = Figure<double>(Object, "read_min_mib_s");
  if (const json& First = Object.at("first_damage"); !First.is_null()) {
    Verify.FirstDamagedFile = First.at("file").get<std::string>();
    Verify.FirstDamagedOffset = Figure<std::int64_t>(First, "offset_bytes");
  }
  // Added within version 1: a file without it was written before a cut read-back was marked.
  Verify.Complete = Object.value("complete", true);
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
          Figure<std::uint32_t>(Object, "code"), Object.at("text").get<std::string>()};
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
  Pass.Number = Figure<std::int32_t>(Object, "pass");
  Pass.StartTime = Object.at("start_time").get<std::string>();
  Pass.WrittenMiB = Figure<std::int64_t>(Object, "written_mib");
  Pass.Writes = Figure<std::int32_t>(Object, "writes");
  Pass.MaxSpeed = Figure<std::int32_t>(Object, "max_mib_s");
  Pass.MinSpeed = Figure<std::int32_t>(Object, "min_mib_s");
  Pass.MeanSpeed = Figure<std::int64_t>(Object, "mean_mib_s");
  Pass.SlowSharePct = Figure<double>(Object, "slow_share_pct");
  Pass.Analysis = AnalysisFromJson(Object.at("analysis"));
  if (const json& Verify = Object.at("verify"); !Verify.is_null()) {
    Pass.Verify = VerifyFromJson(Verify);
  }
  Pass.End = EndFromKey(Object.at("end").get<std::string>());
  if (const json& Error = Object.at("error"); !Error.is_null()) {
    Pass.Error = ErrorFromJson(Error);
  }
  for (const json& Seconds : Object.at("write_times_seconds")) {
    Pass.WriteSeconds.push_back(FigureOf<double>(Seconds, "write_times_seconds"));
  }
  // A file from before the closes were timed has none.
  if (const auto Closes = Object.find("close_times"); Closes != Object.end()) {
    for (const json& Close : *Closes) {
      Pass.Closes.push_back(
          {Figure<std::int32_t>(Close, "after_write"), Figure<double>(Close, "seconds")});
    }
  }
  Pass.RemainPctFirst = Figure<double>(Object, "remain_pct_first");
  Pass.RemainPctLast = Figure<double>(Object, "remain_pct_last");
  return Pass;
}

// The run from a document whose texts are already unescaped.
TRunResult RunResultFromDocument(const json& Document);

}  // namespace

json RunResultToJson(const TRunResult& Run) {
  json Device = DriveIdentityToJson(Run.Drive);
  Device["mount_point"] = Run.Setting.DrivePath;
  json Passes = json::array();
  for (const TPassResult& Pass : Run.Passes) {
    Passes.push_back(PassToJson(Pass, Run.Passes.front()));
  }
  json Document = {{"schema_version", RunResultSchemaVersion},
                   {"program", {{"name", Run.Program}, {"version", Run.Version}}},
                   {"settings", SettingToJson(Run.Setting, Run.Verify)},
                   {"device", std::move(Device)},
                   {"passes", std::move(Passes)}};
  MapTexts(Document, EscapeResultText);
  return Document;
}

TRunResult RunResultFromJson(const json& Escaped) {
  json Document = Escaped;
  MapTexts(Document, UnescapeResultText);
  return RunResultFromDocument(Document);
}

namespace {

TRunResult RunResultFromDocument(const json& Document) {
  if (!Document.is_object() || !Document.contains("schema_version")) {
    throw TResultFileError("not a Varnell result: no \"schema_version\"");
  }
  try {
    const int Version = Figure<int>(Document, "schema_version", 1);
    if (Version > RunResultSchemaVersion) {
      throw TResultFileError("schema_version " + std::to_string(Version) +
                             " is newer than this program reads (" +
                             std::to_string(RunResultSchemaVersion) + ")");
    }
    TRunResult Run;
    Run.Program = Document.at("program").at("name").get<std::string>();
    Run.Version = Document.at("program").at("version").get<std::string>();
    Run.Setting = SettingFromJson(Document.at("settings"), Run.Verify);
    // Checked here: the drive's own reader takes the size as it is.
    FigureOf<std::int64_t>(Document.at("device").at("size_bytes"), "device.size_bytes");
    Run.Drive = DriveIdentityFromJson(Document.at("device"));
    for (const json& Pass : Document.at("passes")) {
      Run.Passes.push_back(PassFromJson(Pass));
    }
    return Run;
  } catch (const json::exception& Error) {
    throw TResultFileError(Error.what());
  }
}

}  // namespace

namespace {

// True when a string of the document, as written, is too long to be one of ResultFileLongestText
// bytes (an escape like "\u00e9" takes six bytes for one). Looked at before the parser would
// build such a string whole.
bool HoldsOverlongString(std::string_view Text) {
  constexpr std::size_t MostWritten = ResultFileLongestText * 6;
  bool InString = false;
  std::size_t Length = 0;
  for (std::size_t At = 0; At < Text.size(); ++At) {
    const char Byte = Text[At];
    if (!InString) {
      InString = Byte == '"';
      Length = 0;
      continue;
    }
    if (Byte == '\\') {
      ++At;
      Length += 2;
    } else if (Byte == '"') {
      InString = false;
    } else {
      ++Length;
    }
    if (Length > MostWritten) {
      return true;
    }
  }
  return false;
}

}  // namespace

TRunResult ParseRunResult(const std::string& Text) {
  if (HoldsOverlongString(Text)) {
    throw TResultFileError("a text longer than " + std::to_string(ResultFileLongestText) +
                           " bytes");
  }
  json Document;
  // Every value parsed is counted and every text measured: a document of millions of tiny values
  // would take many times its own size in memory, and a name is printed padded in a table.
  std::size_t Values = 0;
  const auto Count = [&Values](int, json::parse_event_t Event, json& Parsed) {
    if (Event == json::parse_event_t::value && ++Values > ResultFileMostValues) {
      throw TResultFileError("more than " + std::to_string(ResultFileMostValues) + " values");
    }
    if ((Event == json::parse_event_t::value || Event == json::parse_event_t::key) &&
        Parsed.is_string() && Parsed.get_ref<const std::string&>().size() > ResultFileLongestText) {
      throw TResultFileError("a text longer than " + std::to_string(ResultFileLongestText) +
                             " bytes");
    }
    return true;
  };
  try {
    Document = json::parse(Text, Count);
  } catch (const json::parse_error& Error) {
    throw TResultFileError(Error.what());
  }
  MapTexts(Document, UnescapeResultText);
  return RunResultFromDocument(Document);
}
