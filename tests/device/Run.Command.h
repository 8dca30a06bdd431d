#pragma once

#include <sys/wait.h>
#include <cstdio>
#include <string>

// Output of a shell command and its exit code (-1 when it could not be run).
inline std::string RunCommand(const std::string& Command, int* ExitCode = nullptr) {
  std::string Output;
  FILE* Pipe = popen(Command.c_str(), "r");
  if (Pipe == nullptr) {
    if (ExitCode != nullptr) {
      *ExitCode = -1;
    }
    return Output;
  }
  char Chunk[4096];
  std::size_t Count = 0;
  while ((Count = fread(Chunk, 1, sizeof(Chunk), Pipe)) > 0) {
    Output.append(Chunk, Count);
  }
  const int Status = pclose(Pipe);
  if (ExitCode != nullptr) {
    *ExitCode = WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
  }
  return Output;
}

inline bool HasTool(const std::string& Name) {
  int Code = 0;
  RunCommand("command -v " + Name + " >/dev/null 2>&1", &Code);
  return Code == 0;
}
