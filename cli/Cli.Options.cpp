// The command line, parsed by CLI11. Every command is described in a function of its own that
// adds its options to a CLI::App and says where their values go; the values are checked and
// turned into the result after parsing, so that every message is the program's own.
//
// To add an option to the main form: a member in TFillArguments (or TCliOptions), one
// add_option/add_flag line in DescribeFill, and its check in FinishFill.
// To add a subcommand ("varnell-cli analyze FILE..."): a TCliCommand value and the fields it
// needs in TCliParseResult; a Describe function that calls App.add_subcommand, gives it its
// own TCliHelpFormatter("FILE..."), adds its options and sets Result.Command in the
// subcommand's callback (where its values are checked, into Result.Error); one call of it in
// ParseCliArguments before the help flag is set; and its case in RunCli. "varnell-cli analyze
// --help" then prints the subcommand's own help, and the main help lists it.
#include "cli/Cli.Options.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <memory>

#include "cli/Cli.HelpFormatter.h"
#include "cli/Cli.LeaveAmount.h"
#include "text/Text.Catalogue.h"

namespace {

// The main form's values as typed.
struct TFillArguments {
  std::string Leave = "0GiB";
  std::string Step = "0.1";
  bool Keep = false;
  std::vector<std::string> Folders;
};

#ifdef _WIN32
constexpr const char* SystemDriveText =
    "fill FOLDER even on the drive of the running system\n"
    "(the one holding Windows or your profile), which\n"
    "can make other programs fail; refused without it";
#else
constexpr const char* SystemDriveText =
    "fill FOLDER even on the filesystem of the running\n"
    "system (the one holding /, /usr, /var or your\n"
    "home), which can make other programs fail; refused\n"
    "without it";
#endif

void DescribeFill(CLI::App& App, TFillArguments& Typed, TCliOptions& Options) {
  TSetting& Setting = Options.Setting;
  App.add_option("FOLDER", Typed.Folders,
                 "folder on the volume to fill; the files go directly\nin it");
  App.add_option("-l,--leave", Typed.Leave,
                 "free space to leave: GiB or MiB, decimals allowed\n"
                 "(rounded down to whole MiB: 1.5GiB leaves 1536 MiB),\n"
                 "or a whole percent: 10GiB, 500MiB, 5%; default 0GiB")
      ->type_name("AMOUNT");
  App.add_option("-s,--step", Typed.Step, "logging step: 0.1, 1 or 10 (percent); default 0.1")
      ->type_name("STEP");
  App.add_flag("-c,--cache", Setting.NeedCache,
               "write through the system's file cache (default:\nunbuffered)");
  App.add_flag("-r,--repeat", Setting.InfiniteRepetition, "repeat passes until interrupted");
  App.add_flag("-k,--keep", Typed.Keep, "keep the files at the end (default: delete them)");
  App.add_flag("--verify", Setting.NeedVerify,
               "after each pass, read back every file it wrote\n"
               "and check every byte (each 4 KiB carries a stamp\n"
               "of its place); damaged data ends with exit code 3");
  App.add_option("--log", Setting.RecordPath, "log file (the report lines)")->type_name("FILE");
  App.add_option("--detailed-log", Setting.DetailedRecordPath,
                 "detailed log file (one line per write)")
      ->type_name("FILE");
  App.add_option("--csv", Setting.WritesCsvPath,
                 "per-write CSV file (one line per write, for\n\"varnell-cli analyze\")")
      ->type_name("FILE");
  App.add_option("--json", Setting.ResultJsonPath,
                 "result file: the run as JSON (settings, drive,\nevery pass), saved after each "
                 "pass")
      ->type_name("FILE");
  App.add_flag("--allow-system-drive", Options.AllowSystemDrive, SystemDriveText);
  App.add_option(
         "--plot", Options.PlotPath,
         "draw the chart of the run into IMAGE at its end\n(.svg or .png), without a display")
      ->type_name("IMAGE");
  App.add_option("--metrics", Options.MetricsPath,
                 "Prometheus metrics of the run (text format, for the\n"
                 "node exporter's textfile folder: name it *.prom),\n"
                 "replaced at most once a second and kept at the end\n"
                 "with the run's final state")
      ->type_name("FILE");
  App.add_flag("-q,--quiet", Options.Quiet, "no progress line");
  App.add_option("--lang", Options.Language,
                 "language of the report and the log files: ko or en;\n"
                 "without it, VARNELL_LANG says, else the locale\n"
                 "(LC_ALL, LC_MESSAGES, LANG, LANGUAGE), else ko")
      ->type_name("LANG");
}

// --lang wins over VARNELL_LANG; an unknown language is an error for the option and a warning
// for the variable, which may be set for other programs too.
std::string ChooseCliLanguage(const CLI::App& App, TCliParseResult& Result) {
  if (App.get_option("--lang")->count() > 0 && Result.Options.Language.empty()) {
    return "--lang needs a language: ko or en";
  }
  const TLanguageChoice Choice =
      ChooseLanguage(Result.Options.Language, std::getenv("VARNELL_LANG"),
                     LanguageOfLocale(LocaleVariablesOfProcess()));
  if (Choice.Known) {
    Result.Options.Language = Choice.Language;
    return {};
  }
  if (Choice.Source == "--lang") {
    return UnknownLanguageMessage(Choice);
  }
  Result.Options.Language = "ko";
  Result.Warning = UnknownLanguageMessage(Choice) + "; the report is in ko";
  return {};
}

CLI::App* DescribeAnalyze(CLI::App& App, TCliParseResult& Result) {
  CLI::App* Analyze = App.add_subcommand(
      "analyze",
      "analyse saved per-write files (--csv): cache size,\nthe speeds in and after it, the "
      "slowest 1 s and\n10 s, the longest stall; per pass");
  Analyze->formatter(std::make_shared<TCliHelpFormatter>("FILE..."));
  Analyze->set_help_flag("-h,--help", "this text");
  Analyze->footer(
      "Exit codes: 0 done; 2 bad arguments, or a FILE that cannot be read or is no\n"
      "per-write file (the message names the line).");
  Analyze->add_option("FILE", Result.AnalyzeFiles, "per-write file written by --csv")
      ->type_name("FILE");
  Analyze->add_flag("--json", Result.AnalyzeJson,
                    "print JSON: per pass an \"analysis\" object, as in\nthe run's result");
  Analyze->add_option("--lang", Result.Options.Language, "language of the analysis: ko or en")
      ->type_name("LANG");
  Analyze->callback([&Result] {
    Result.Command = TCliCommand::Analyze;
    if (Result.AnalyzeFiles.empty()) {
      Result.Error = "analyze: no FILE given";
    }
  });
  return Analyze;
}

bool IsBlank(const std::string& Text) {
  return std::all_of(Text.begin(), Text.end(), [](char C) {
    return C == ' ' || C == '\t' || C == '\n' || C == '\r' || C == '\v' || C == '\f';
  });
}

std::string ParseStep(const std::string& Text, TUnitSpeed& Step) {
  if (Text == "0.1") {
    Step = TUnitSpeed::ZeroPointOnePercent;
  } else if (Text == "1") {
    Step = TUnitSpeed::OnePercent;
  } else if (Text == "10") {
    Step = TUnitSpeed::TenPercent;
  } else {
    return "--step must be 0.1, 1 or 10: \"" + Text + "\"";
  }
  return {};
}

// "varnell-cli compare FILE... [--plot IMAGE] [--csv]": saved results side by side.
CLI::App* DescribeCompare(CLI::App& App, TCliParseResult& Result) {
  CLI::App* Compare =
      App.add_subcommand("compare", "saved results of runs side by side, pass by pass");
  Compare->formatter(std::make_shared<TCliHelpFormatter>("FILE..."));
  Compare->set_help_flag("-h,--help", "this text");
  Compare->footer(
      "Exit codes: 0 done; 2 a FILE cannot be read or is not a result, or the image\n"
      "cannot be drawn.");
  Compare->add_option("FILE", Result.Files, "result file of a run, as --json wrote it");
  Compare
      ->add_option("--plot", Result.PlotPath,
                   "also draw every pass's speed against MiB written\ninto IMAGE (.svg or .png)")
      ->type_name("IMAGE");
  Compare->add_option("--lang", Result.Options.Language, "language of the messages: ko or en")
      ->type_name("LANG");
  Compare->add_flag("--csv", Result.CompareCsv,
                    "print the rows as CSV for a spreadsheet: numbers\n"
                    "without units, empty where a figure is missing");
  Compare->callback([&Result, Compare] {
    Result.Command = TCliCommand::Compare;
    if (Compare->count("--plot") > 0) {
      Result.Error = ImagePathError("--plot", Result.PlotPath);
    }
    if (!Result.Error.empty()) {
      return;
    }
    if (Result.Files.empty()) {
      Result.Error = "compare needs at least one result FILE";
    } else if (std::any_of(Result.Files.begin(), Result.Files.end(), IsBlank)) {
      Result.Error = "compare: a result FILE is empty";
    }
  });
  return Compare;
}

// The checks and conversions of the main form, once CLI11 has sorted the arguments.
std::string FinishFill(const CLI::App& App, const TFillArguments& Typed, TSetting& Setting) {
  if (std::string Error = ParseLeaveAmount(Typed.Leave, Setting.ToLeft, Setting.ToLeftUnit);
      !Error.empty()) {
    return Error;
  }
  if (std::string Error = ParseStep(Typed.Step, Setting.UnitSpeed); !Error.empty()) {
    return Error;
  }
  Setting.NeedDelete = !Typed.Keep;
  if (App.count("--log") > 0 && Setting.RecordPath.empty()) {
    return "--log needs a file name";
  }
  if (App.count("--detailed-log") > 0 && Setting.DetailedRecordPath.empty()) {
    return "--detailed-log needs a file name";
  }
  if (App.count("--csv") > 0 && Setting.WritesCsvPath.empty()) {
    return "--csv needs a file name";
  }
  if (App.count("--json") > 0 && Setting.ResultJsonPath.empty()) {
    return "--json needs a file name";
  }
  if (Typed.Folders.size() != 1) {
    return Typed.Folders.empty() ? "no FOLDER given" : "only one FOLDER may be given";
  }
  // An unset shell variable must not become the current folder or "/".
  if (IsBlank(Typed.Folders.front())) {
    return "FOLDER \"" + Typed.Folders.front() + "\" is empty or blank; name the folder to fill";
  }
  Setting.DrivePath = Typed.Folders.front();
#ifdef _WIN32
  // Windows takes either separator: a folder that ends in one keeps it, others get the one
  // they are written with.
  if (Setting.DrivePath.back() != '/' && Setting.DrivePath.back() != '\\') {
    Setting.DrivePath += Setting.DrivePath.find('\\') != std::string::npos ? '\\' : '/';
  }
#else
  if (Setting.DrivePath.back() != '/') {
    Setting.DrivePath += '/';
  }
#endif
  return {};
}

// The main program: its options, --help and --version, and the footer of its help.
std::unique_ptr<CLI::App> MakeProgram() {
  auto App = std::make_unique<CLI::App>(
      "Fills the volume that holds FOLDER with files of random data (Randomfile0, ...),\n"
      "times every 8 MiB write and reports the speed as the volume fills.",
      "varnell-cli");
  App->formatter(std::make_shared<TCliHelpFormatter>("FOLDER"));
  // "/data" is a folder, not a Windows-style option, on every system.
  App->allow_windows_style_options(false);
  // A repeated option takes its last value, and a flag takes no value ("--cache=no").
  App->option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  App->option_defaults()->disable_flag_override();
  App->footer(
#ifdef _WIN32
      "Ctrl-C, Ctrl-Break, closing the console or a closed output cancels: the pass\n"
#else
      "Ctrl-C, SIGTERM, SIGHUP or a closed output cancels: the pass ends with its\n"
#endif
      "summary and the files are deleted unless --keep.\n"
      "Exit codes: 0 done or cancelled; 1 a write failed (a test file, a log or the\n"
      "metrics file, or the output); 2 bad arguments, or a refused setting or folder\n"
      "(no test file was written); 3 --verify read back data that was not as written\n"
      "(before 1).");
  return App;
}

// CLI11 2.1 reads "--log=" (nothing after "=") as "--log" and takes the next argument as its
// value, so a folder would become the log's name: the empty value is handed over as one.
std::vector<std::string> SplitEmptyValues(const CLI::App& App,
                                          const std::vector<std::string>& Arguments) {
  std::vector<std::string> Split;
  bool OptionsEnded = false;
  for (const std::string& Argument : Arguments) {
    OptionsEnded = OptionsEnded || Argument == "--";
    const bool EmptyValue = !OptionsEnded && Argument.size() > 3 &&
                            Argument.compare(0, 2, "--") == 0 && Argument.back() == '=';
    if (EmptyValue) {
      const std::string Name = Argument.substr(0, Argument.size() - 1);
      const CLI::Option* Option = App.get_option_no_throw(Name);
      if (Option != nullptr && Option->get_expected_max() > 0) {
        Split.push_back(Name);
        Split.emplace_back();
        continue;
      }
    }
    Split.push_back(Argument);
  }
  return Split;
}

// CLI11's messages, said the way the program always said them.
std::string DescribeParseError(const CLI::App& App, const CLI::ParseError& Error) {
  const std::string Text = Error.what();
  if (dynamic_cast<const CLI::ExtrasError*>(&Error) != nullptr) {
    const std::vector<std::string> Extras = App.remaining(true);  // a subcommand's too
    if (!Extras.empty() && !Extras.front().empty() && Extras.front()[0] == '-') {
      return "unknown option " + Extras.front();
    }
    return Text;
  }
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&Error) != nullptr) {
    // "--leave: 1 required AMOUNT missing"
    const std::size_t Colon = Text.find(": ");
    if (Colon != std::string::npos && Text.size() > 8 &&
        Text.compare(Text.size() - 8, 8, " missing") == 0) {
      return Text.substr(0, Colon) + " needs a value";
    }
    // "cache was given a disallowed flag override"
    const std::size_t Override = Text.find(" was given a disallowed flag override");
    if (Override != std::string::npos) {
      return "--" + Text.substr(0, Override) + " takes no value";
    }
  }
  return Text;
}

}  // namespace

TCliParseResult ParseCliArguments(const std::vector<std::string>& Arguments) {
  TCliParseResult Result;
  TSetting& Setting = Result.Options.Setting;
  Setting.IsSet = true;
  Setting.ToLeft = 0;
  Setting.ToLeftUnit = TLeftUnit::LeaveByGiB;
  Setting.UnitSpeed = TUnitSpeed::ZeroPointOnePercent;
  Setting.NeedDelete = true;

  const std::unique_ptr<CLI::App> App = MakeProgram();
  TFillArguments Typed;
  DescribeFill(*App, Typed, Result.Options);
  const CLI::App* Compare = DescribeCompare(*App, Result);
  const CLI::App* Analyze = DescribeAnalyze(*App, Result);
  App->set_help_flag("-h,--help", "this text");
  bool ShowVersion = false;
  App->add_flag("--version", ShowVersion, "the program's version");

  // CLI11 takes the arguments last first.
  std::vector<std::string> Reversed = SplitEmptyValues(*App, Arguments);
  std::reverse(Reversed.begin(), Reversed.end());
  try {
    App->parse(Reversed);
  } catch (const CLI::CallForHelp&) {
    Result.Command = TCliCommand::ShowHelp;
    Result.HelpText = Analyze->parsed()   ? Analyze->help()
                      : Compare->parsed() ? Compare->help()
                                          : App->help();
    return Result;
  } catch (const CLI::ParseError& Error) {
    Result.Error = DescribeParseError(*App, Error);
    return Result;
  }
  if (ShowVersion) {
    Result.Command = TCliCommand::ShowVersion;
    return Result;
  }
  if (Result.Ok()) {
    Result.Error = ChooseCliLanguage(*App, Result);
  }
  if (Result.Ok() && Result.Command == TCliCommand::Fill) {
    Result.Error = FinishFill(*App, Typed, Setting);
    if (Result.Error.empty() && App->count("--plot") > 0) {
      Result.Error = ImagePathError("--plot", Result.Options.PlotPath);
    }
    if (Result.Error.empty() && App->count("--metrics") > 0 && Result.Options.MetricsPath.empty()) {
      Result.Error = "--metrics needs a file name";
    }
  }
  return Result;
}

std::string ImagePathError(const std::string& Option, const std::string& Path) {
  if (Path.empty()) {
    return Option + " needs a file name";
  }
  std::string Lower = Path;
  std::transform(Lower.begin(), Lower.end(), Lower.begin(),
                 [](unsigned char C) { return static_cast<char>(std::tolower(C)); });
  const auto EndsWith = [&Lower](const std::string& End) {
    return Lower.size() > End.size() &&
           Lower.compare(Lower.size() - End.size(), End.size(), End) == 0;
  };
  if (!EndsWith(".svg") && !EndsWith(".png")) {
    return Option + ": the image file must end in .svg or .png: \"" + Path + "\"";
  }
  return {};
}

std::string CliUsage() {
  const TCliParseResult Help = ParseCliArguments({"--help"});
  return Help.HelpText;
}
