#pragma once

#include <string>
#include <vector>

#include "engine/Setting.h"

// What the program is asked to do. A subcommand adds its value here.
enum class TCliCommand {
  Fill,  // varnell-cli [options] FOLDER
  ShowHelp,
  ShowVersion,
  Analyze,  // varnell-cli analyze [--json] FILE...
};

// The options of the main form: a setting made exactly as the settings window would make it,
// and what only the terminal knows.
struct TCliOptions {
  TSetting Setting;
  bool Quiet = false;
  bool AllowSystemDrive = false;
};

// The outcome of parsing: the command and its options, or the message that says what is wrong.
struct TCliParseResult {
  TCliCommand Command = TCliCommand::Fill;
  TCliOptions Options;
  std::string HelpText;  // for ShowHelp: the help of the command asked about
  std::string Error;     // empty when the arguments are good
  // For Analyze: the per-write files, and whether to print JSON.
  std::vector<std::string> AnalyzeFiles;
  bool AnalyzeJson = false;

  bool Ok() const { return Error.empty(); }
};

// Turns the arguments (without the program name) into a command. Checks only the arguments
// themselves, not the file system.
TCliParseResult ParseCliArguments(const std::vector<std::string>& Arguments);

// The help of the main form, as --help prints it.
std::string CliUsage();
