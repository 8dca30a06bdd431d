#pragma once

#include <string>
#include <vector>

namespace Platform {

// True when standard output is a terminal (a live status line makes sense there).
bool StdoutIsTerminal();
// Columns of the terminal on standard output; 80 when unknown.
int TerminalWidth();

// Ctrl-C (SIGINT), SIGTERM and SIGHUP (the terminal closed) only count up; the program polls
// the count and decides. SIGPIPE is ignored: a closed output shows as a write that fails with
// a closed reader's error, which the program handles, instead of ending it on the spot.
void InstallInterruptCounter();
int InterruptCount();
// True for the error (errno) of a write whose reader has gone: a pipe closed at the other end.
bool IsClosedReaderError(int Code);

// The program's arguments without its name, as UTF-8 (Windows hands main() the arguments in the
// ANSI code page, so they are read from the wide command line there).
std::vector<std::string> ProgramArguments(int argc, char** argv);
// Readies the console for UTF-8 text and the status line's escape sequences (Windows consoles
// need both switched on; elsewhere nothing to do).
void PrepareConsole();
// A windowed program on Windows starts without a console: its answers on standard output and
// standard error (--help, --version, a wrong argument) go to the console of the command line
// that started it, when there is one and nothing else was given. Elsewhere nothing to do.
void UseParentConsole();

// True when Path is an existing directory that this process may create files in.
bool IsWritableDirectory(const char* Path, int& Error);

}  // namespace Platform
