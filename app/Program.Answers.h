#pragma once

#include <cstdio>
#include <optional>

// -h/--help and --version, answered before a program starts anything else: the windowed
// program must answer them without a display, like the terminal programs do.
//
// Looks through the arguments for the first -h, --help or --version and prints Usage, or
// "ProgramName VERSION", to Output. Returns the exit code when it answered, nothing otherwise.
std::optional<int> AnswerHelpOrVersion(int Argc, const char* const* Argv, const char* ProgramName,
                                       const char* Usage, std::FILE* Output);
