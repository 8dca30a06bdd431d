#pragma once

#include <string>
#include <vector>

#include "engine/Setting.h"

// What the program is asked to do. A subcommand adds its value here.
enum class TCliCommand {
  Fill,  // varnell-cli [options] FOLDER
  ShowHelp,
  ShowVersion,
  Compare,  // varnell-cli compare FILE... [--plot IMAGE] [--csv]
  Analyze,  // varnell-cli analyze [--json] FILE...
};

// The options of the main form: a setting made exactly as the settings window would make it,
// and what only the terminal knows.
struct TCliOptions {
  TSetting Setting;
  bool Quiet = false;
  bool AllowSystemDrive = false;
  std::string PlotPath;     // the chart drawn at the end, when asked for
  std::string MetricsPath;  // the Prometheus metrics of the run, when asked for
  // The language of the report and log lines: "ko" or a catalogue's language.
  std::string Language;
};

// The outcome of parsing: the command and its options, or the message that says what is wrong.
struct TCliParseResult {
  TCliCommand Command = TCliCommand::Fill;
  TCliOptions Options;
  std::string HelpText;            // for ShowHelp: the help of the command asked about
  std::vector<std::string> Files;  // for Compare: the result files, in the order given
  std::string PlotPath;            // for Compare: the image to draw, when asked for
  bool CompareCsv = false;         // for Compare: CSV instead of the aligned table
  std::string Error;               // empty when the arguments are good
  std::string Warning;             // e.g. an unknown VARNELL_LANG, which falls back to Korean
  // For Analyze: the per-write files, and whether to print JSON.
  std::vector<std::string> AnalyzeFiles;
  bool AnalyzeJson = false;

  bool Ok() const { return Error.empty(); }
};

// Turns the arguments (without the program name) into a command. Checks only the arguments
// themselves, not the file system.
TCliParseResult ParseCliArguments(const std::vector<std::string>& Arguments);

// Why Path cannot name a chart's image (it must end in .svg or .png); empty when it can.
std::string ImagePathError(const std::string& Option, const std::string& Path);

// The help of the main form, as --help prints it.
std::string CliUsage();
