#pragma once

#include <cstdio>
#include <optional>
#include <string>

// -h/--help and --version, answered before a program starts anything else: the windowed
// program must answer them without a display, like the terminal programs do.
//
// Looks through the arguments for the first -h, --help or --version and prints Usage, or
// "ProgramName VERSION", to Output. Returns the exit code when it answered, nothing otherwise.
std::optional<int> AnswerHelpOrVersion(int Argc, const char* const* Argv, const char* ProgramName,
                                       const char* Usage, std::FILE* Output);

// Takes "--lang LANG" or "--lang=LANG" out of the arguments (Qt must not see it) and chooses
// the language with VARNELL_LANG, which the option overrides. A missing or unknown language
// for the option is printed to Errors with the exit code 2 returned; an unknown VARNELL_LANG is
// only warned about, and the language stays Korean.
std::optional<int> TakeLanguage(int& Argc, char** Argv, const char* ProgramName,
                                std::string& Language, std::FILE* Errors);
