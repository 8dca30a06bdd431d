#pragma once

#include <string>
#include <vector>

#include "engine/Setting.h"

// What the command line asked for.
struct TCliOptions {
  TSetting Setting;
  bool Quiet = false;
  bool ShowHelp = false;
  bool ShowVersion = false;
};

// The outcome of parsing: the options, or the message that says what is wrong.
struct TCliParseResult {
  TCliOptions Options;
  std::string Error;  // empty when the arguments are good

  bool Ok() const { return Error.empty(); }
};

// Turns the arguments (without the program name) into a setting made exactly as the settings
// window would make it. Checks only the arguments themselves, not the file system.
TCliParseResult ParseCliArguments(const std::vector<std::string>& Arguments);

std::string CliUsage();
