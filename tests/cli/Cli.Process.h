#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
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

// For InChild: no file of the program may grow past Bytes. The write that would goes as far as
// it may and the next one fails with EFBIG ("File too large"), a write error as real as a full
// volume's, wherever the test runs (the signal that would end the program is ignored).
inline void LimitFileSize(rlim_t Bytes) {
  signal(SIGXFSZ, SIG_IGN);
  const rlimit Limit{Bytes, Bytes};
  setrlimit(RLIMIT_FSIZE, &Limit);
}

// The program runs in CaptureFolder, so relative paths name files there. Interrupt, when set,
// is called with the child's pid while it runs, on this thread; it may send signals and sleep.
// Environment: "NAME=value" entries set for the child alone. InChild, when set, runs in the
// child just before the program starts (closing a descriptor, setting a limit).
inline TProcessResult RunCliProcess(const std::vector<std::string>& Arguments,
                                    const std::string& CaptureFolder,
                                    const std::function<void(pid_t)>& Interrupt = {},
                                    const std::vector<std::string>& Environment = {},
                                    const std::function<void()>& InChild = {}) {
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
    if (chdir(CaptureFolder.c_str()) != 0) {
      _exit(126);
    }
    for (const std::string& Entry : Environment) {
      const std::size_t Equals = Entry.find('=');
      setenv(Entry.substr(0, Equals).c_str(), Entry.substr(Equals + 1).c_str(), 1);
    }
    if (InChild) {
      InChild();
    }
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

// Waits for the child to end by itself, at most Limit; a child still running then is killed
// and reported with the exit code -2.
inline int WaitForExit(pid_t Child, std::chrono::seconds Limit) {
  const auto Deadline = std::chrono::steady_clock::now() + Limit;
  int Status = 0;
  while (waitpid(Child, &Status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > Deadline) {
      kill(Child, SIGKILL);
      waitpid(Child, &Status, 0);
      return -2;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return WIFEXITED(Status) ? WEXITSTATUS(Status) : 128 + WTERMSIG(Status);
}

// Runs the program with its output into a pipe, as "varnell-cli ... | head -3" does: reads
// that many lines, closes the pipe, and waits for the program to end by itself. Output holds
// the lines read; the error stream is captured as above.
inline TProcessResult RunCliProcessIntoClosedPipe(const std::vector<std::string>& Arguments,
                                                  const std::string& CaptureFolder,
                                                  int LinesToRead) {
  const std::string ErrPath = CaptureFolder + "/stderr.txt";
  std::vector<std::string> Copies = Arguments;
  std::string Program = VARNELL_CLI_PATH;
  std::vector<char*> Argv{Program.data()};
  for (auto& Argument : Copies) {
    Argv.push_back(Argument.data());
  }
  Argv.push_back(nullptr);

  TProcessResult Result;
  int Pipe[2];
  if (pipe(Pipe) != 0) {
    return Result;
  }
  const pid_t Child = fork();
  if (Child == 0) {
    const int Err = open(ErrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(Pipe[1], STDOUT_FILENO);
    dup2(Err, STDERR_FILENO);
    close(Pipe[0]);
    close(Pipe[1]);
    execv(Argv[0], Argv.data());
    _exit(127);
  }
  close(Pipe[1]);
  if (Child < 0) {
    close(Pipe[0]);
    return Result;
  }
  char Byte;
  for (int Lines = 0; Lines < LinesToRead && read(Pipe[0], &Byte, 1) == 1;) {
    Result.Output += Byte;
    Lines += Byte == '\n' ? 1 : 0;
  }
  close(Pipe[0]);
  Result.ExitCode = WaitForExit(Child, std::chrono::seconds(120));
  Result.Errors = ReadWholeFile(ErrPath);
  return Result;
}
