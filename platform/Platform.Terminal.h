#pragma once

#include <cstdio>
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
// Opens the null device on every standard descriptor (0, 1, 2) that the program was started
// without, so that no file it opens later takes one of those numbers and receives what is
// meant for the terminal. The first call of every program.
void OpenMissingStandardDescriptors();

// For a windowed program: from now on SIGINT, SIGTERM and SIGHUP each put a byte into a pipe
// instead of ending the process, so that its event loop can end it in order. The pipe's read
// end, to watch for reading; -1 where there is no such thing. DrainStopSignals empties it.
int StopSignalDescriptor();
void DrainStopSignals(int Descriptor);
// True for the error (errno) of a write whose reader has gone: a pipe closed at the other end.
bool IsClosedReaderError(int Code);
// True for the error (errno) of a write to File when File is a terminal that has hung up (its
// window closed, its line dropped): as final as a closed pipe.
bool IsHungUpTerminalError(std::FILE* File, int Code);

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
