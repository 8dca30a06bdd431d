#pragma once

namespace Platform {

// True when standard output is a terminal (a live status line makes sense there).
bool StdoutIsTerminal();
// Columns of the terminal on standard output; 80 when unknown.
int TerminalWidth();

// Ctrl-C (SIGINT) and SIGTERM only count up; the program polls the count and decides.
void InstallInterruptCounter();
int InterruptCount();

// True when Path is an existing directory that this process may create files in.
bool IsWritableDirectory(const char* Path, int& Error);

}  // namespace Platform
