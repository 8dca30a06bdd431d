#pragma once

#include <cstdio>
#include <string>
#include <vector>

// Exit codes of the command-line program.
enum TCliExitCode : int {
  // Every pass ended normally, or the run was cancelled (a signal, a closed output).
  CliExitDone = 0,
  // A write (an open, a flush) failed and ended the test, files could not be deleted, or a log
  // line or a report line could not be written.
  CliExitWriteFailed = 1,
  // Bad arguments, a refused setting or folder, no room, or a folder in use by another run; no
  // test file was written.
  CliExitBadArguments = 2,
  // With --verify: a pass read back data that was not as written (changed, from elsewhere,
  // unreadable). Said before a failure: it is what the run found out about the drive.
  CliExitDataDamaged = 3,
};

// The whole program: arguments in, exit code out. Output and Errors are the two streams.
int RunCli(const std::vector<std::string>& Arguments, std::FILE* Output, std::FILE* Errors);
