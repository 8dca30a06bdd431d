#pragma once

#include <cstdio>
#include <string>
#include <vector>

// Exit codes of the command-line program.
enum TCliExitCode : int {
  CliExitDone = 0,          // every pass ended normally, or the user cancelled
  CliExitWriteFailed = 1,   // a write (an open, a flush) failed, or files could not be deleted
  CliExitBadArguments = 2,  // bad arguments, a refused setting, no room, or a folder in use by
                            // another run; nothing was written
};

// The whole program: arguments in, exit code out. Output and Errors are the two streams.
int RunCli(const std::vector<std::string>& Arguments, std::FILE* Output, std::FILE* Errors);
