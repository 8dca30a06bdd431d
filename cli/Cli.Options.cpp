#include "cli/Cli.Options.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace {

bool EqualsIgnoringCase(const std::string& Left, const std::string& Right) {
  if (Left.size() != Right.size()) {
    return false;
  }
  for (std::size_t I = 0; I < Left.size(); ++I) {
    const auto Lower = [](char C) {
      return (C >= 'A' && C <= 'Z') ? static_cast<char>(C + 32) : C;
    };
    if (Lower(Left[I]) != Lower(Right[I])) {
      return false;
    }
  }
  return true;
}

// "10GiB", "500MiB", "5%", "-2GiB": a whole number followed directly by its unit.
std::string ParseLeave(const std::string& Text, TSetting& Setting) {
  std::size_t UnitStart = 0;
  if (UnitStart < Text.size() && (Text[UnitStart] == '-' || Text[UnitStart] == '+')) {
    ++UnitStart;
  }
  const std::size_t DigitsStart = UnitStart;
  while (UnitStart < Text.size() && Text[UnitStart] >= '0' && Text[UnitStart] <= '9') {
    ++UnitStart;
  }
  if (UnitStart == DigitsStart) {
    return "--leave needs a whole number followed by GiB, MiB or %, e.g. 10GiB: \"" + Text + "\"";
  }
  const std::string Unit = Text.substr(UnitStart);
  if (EqualsIgnoringCase(Unit, "GiB")) {
    Setting.ToLeftUnit = TLeftUnit::LeaveByGiB;
  } else if (EqualsIgnoringCase(Unit, "MiB")) {
    Setting.ToLeftUnit = TLeftUnit::LeaveByMiB;
  } else if (Unit == "%") {
    Setting.ToLeftUnit = TLeftUnit::LeaveByPercent;
  } else if (Unit.empty()) {
    return "--leave needs a unit after the number (GiB, MiB or %): \"" + Text + "\"";
  } else {
    return "unknown unit \"" + Unit + "\" in --leave (use GiB, MiB or %)";
  }
  // The amount has the settings window's range: a signed 32-bit number.
  const std::string Number = Text.substr(0, UnitStart);
  errno = 0;
  char* End = nullptr;
  const long long Value = std::strtoll(Number.c_str(), &End, 10);
  if (errno == ERANGE || Value < std::numeric_limits<std::int32_t>::min() ||
      Value > std::numeric_limits<std::int32_t>::max()) {
    return "amount out of range in --leave: " + Number + " (from -2147483648 to 2147483647)";
  }
  // Above 100 % the test would be refused anyway; say so before anything is written.
  if (Setting.ToLeftUnit == TLeftUnit::LeaveByPercent && Value > 100) {
    return "amount out of range in --leave: " + Number + "% (at most 100)";
  }
  Setting.ToLeft = Value;
  return {};
}

std::string ParseStep(const std::string& Text, TSetting& Setting) {
  if (Text == "0.1") {
    Setting.UnitSpeed = TUnitSpeed::ZeroPointOnePercent;
  } else if (Text == "1") {
    Setting.UnitSpeed = TUnitSpeed::OnePercent;
  } else if (Text == "10") {
    Setting.UnitSpeed = TUnitSpeed::TenPercent;
  } else {
    return "--step must be 0.1, 1 or 10: \"" + Text + "\"";
  }
  return {};
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
  std::vector<std::string> Folders;
  bool OptionsEnded = false;

  for (std::size_t I = 0; I < Arguments.size() && Result.Ok(); ++I) {
    std::string Argument = Arguments[I];
    if (OptionsEnded || Argument.empty() || Argument[0] != '-' || Argument == "-") {
      Folders.push_back(Argument);
      continue;
    }
    if (Argument == "--") {
      OptionsEnded = true;
      continue;
    }
    // "--log=FILE" is the same as "--log FILE".
    std::string Inline;
    bool HasInline = false;
    if (Argument.rfind("--", 0) == 0) {
      const std::size_t Equals = Argument.find('=');
      if (Equals != std::string::npos) {
        Inline = Argument.substr(Equals + 1);
        Argument.resize(Equals);
        HasInline = true;
      }
    }
    const auto TakeValue = [&](std::string& Value) {
      if (HasInline) {
        Value = Inline;
        return true;
      }
      if (I + 1 >= Arguments.size()) {
        Result.Error = Argument + " needs a value";
        return false;
      }
      Value = Arguments[++I];
      return true;
    };
    std::string Value;
    if (Argument == "-l" || Argument == "--leave") {
      if (TakeValue(Value)) {
        Result.Error = ParseLeave(Value, Setting);
      }
    } else if (Argument == "-s" || Argument == "--step") {
      if (TakeValue(Value)) {
        Result.Error = ParseStep(Value, Setting);
      }
    } else if (Argument == "--log") {
      if (TakeValue(Value)) {
        Setting.RecordPath = Value;
        if (Value.empty()) {
          Result.Error = "--log needs a file name";
        }
      }
    } else if (Argument == "--detailed-log") {
      if (TakeValue(Value)) {
        Setting.DetailedRecordPath = Value;
        if (Value.empty()) {
          Result.Error = "--detailed-log needs a file name";
        }
      }
    } else if (HasInline) {
      Result.Error = Argument + " takes no value";
    } else if (Argument == "-c" || Argument == "--cache") {
      Setting.NeedCache = true;
    } else if (Argument == "-r" || Argument == "--repeat") {
      Setting.InfiniteRepetition = true;
    } else if (Argument == "-k" || Argument == "--keep") {
      Setting.NeedDelete = false;
    } else if (Argument == "-q" || Argument == "--quiet") {
      Result.Options.Quiet = true;
    } else if (Argument == "-h" || Argument == "--help") {
      Result.Options.ShowHelp = true;
    } else if (Argument == "--version") {
      Result.Options.ShowVersion = true;
    } else {
      Result.Error = "unknown option " + Argument;
    }
  }
  if (!Result.Ok() || Result.Options.ShowHelp || Result.Options.ShowVersion) {
    return Result;
  }
  if (Folders.size() != 1) {
    Result.Error = Folders.empty() ? "no FOLDER given" : "only one FOLDER may be given";
    return Result;
  }
  Setting.DrivePath = Folders.front();
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
  return Result;
}

std::string CliUsage() {
  return "Usage: varnell-cli [options] FOLDER\n"
         "Fills the volume that holds FOLDER with files of random data (Randomfile0, ...),\n"
         "times every 8 MiB write and reports the speed as the volume fills.\n"
         "\n"
         "  FOLDER                   folder on the volume to fill; the files go directly in it\n"
         "  -l, --leave AMOUNT       free space to leave: a whole number with GiB, MiB or %\n"
         "                           (10GiB, 500MiB, 5%); default 0GiB\n"
         "  -s, --step STEP          logging step: 0.1, 1 or 10 (percent); default 0.1\n"
         "  -c, --cache              write through the system's file cache (default: unbuffered)\n"
         "  -r, --repeat             repeat passes until interrupted\n"
         "  -k, --keep               keep the files at the end (default: delete them)\n"
         "      --log FILE           log file (the report lines)\n"
         "      --detailed-log FILE  detailed log file (one line per write)\n"
         "  -q, --quiet              no progress line\n"
         "  -h, --help               this text\n"
         "      --version            the program's version\n"
         "\n"
         "Ctrl-C cancels: the pass ends with its summary and the files are deleted unless --keep.\n"
         "Exit codes: 0 done or cancelled, 1 a write failed, 2 bad arguments or refused setting.\n";
}
