#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

// Runs the real varnell-cli as a user would, capturing both streams (through files, so that
// a full pipe can never stall the program) and optionally interrupting it along the way.
struct TProcessResult {
  int ExitCode = -1;
  std::string Output;
  std::string Errors;
};

inline std::string ReadWholeFile(const std::string& Path) {
  std::string Text;
  if (FILE* File = std::fopen(Path.c_str(), "rb")) {
    char Chunk[4096];
    std::size_t Count;
    while ((Count = std::fread(Chunk, 1, sizeof Chunk, File)) > 0) {
      Text.append(Chunk, Count);
    }
    std::fclose(File);
  }
  return Text;
}

// Interrupt, when set, is called with the child's pid while it runs, on this thread; it may
// send signals and sleep.
inline TProcessResult RunCliProcess(const std::vector<std::string>& Arguments,
                                    const std::string& CaptureFolder,
                                    const std::function<void(pid_t)>& Interrupt = {}) {
  const std::string OutPath = CaptureFolder + "/stdout.txt";
  const std::string ErrPath = CaptureFolder + "/stderr.txt";
  std::vector<char*> Argv;
  std::string Program = VARNELL_CLI_PATH;
  Argv.push_back(Program.data());
  std::vector<std::string> Copies = Arguments;
  for (auto& Argument : Copies) {
    Argv.push_back(Argument.data());
  }
  Argv.push_back(nullptr);

  TProcessResult Result;
  const pid_t Child = fork();
  if (Child == 0) {
    const int Out = open(OutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int Err = open(ErrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(Out, STDOUT_FILENO);
    dup2(Err, STDERR_FILENO);
    execv(Argv[0], Argv.data());
    _exit(127);
  }
  if (Child < 0) {
    return Result;
  }
  if (Interrupt) {
    Interrupt(Child);
  }
  int Status = 0;
  waitpid(Child, &Status, 0);
  Result.ExitCode = WIFEXITED(Status) ? WEXITSTATUS(Status) : 128 + WTERMSIG(Status);
  Result.Output = ReadWholeFile(OutPath);
  Result.Errors = ReadWholeFile(ErrPath);
  return Result;
}
