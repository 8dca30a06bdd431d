#include "platform/Platform.Terminal.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>

namespace {

std::atomic<int> Interrupts{0};
static_assert(std::atomic<int>::is_always_lock_free, "used from a signal handler");

extern "C" void CountInterrupt(int) {
  Interrupts.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

namespace Platform {

bool StdoutIsTerminal() {
  return isatty(STDOUT_FILENO) == 1;
}

int TerminalWidth() {
  winsize Size{};
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &Size) == 0 && Size.ws_col > 0) {
    return Size.ws_col;
  }
  return 80;
}

void InstallInterruptCounter() {
  struct sigaction Action {};
  Action.sa_handler = CountInterrupt;
  sigemptyset(&Action.sa_mask);
  Action.sa_flags = SA_RESTART;  // the worker's writes must not fail with EINTR
  sigaction(SIGINT, &Action, nullptr);
  sigaction(SIGTERM, &Action, nullptr);
  sigaction(SIGHUP, &Action, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

bool IsClosedReaderError(int Code) {
  return Code == EPIPE;
}

bool IsHungUpTerminalError(std::FILE* File, int Code) {
  // A hung-up terminal fails every write with EIO; a file on a failing disk does too, but it is
  // no character device, and a later write may still succeed there.
  struct stat Info {};
  return Code == EIO && fstat(fileno(File), &Info) == 0 && S_ISCHR(Info.st_mode);
}

namespace {

int StopPipe[2] = {-1, -1};

extern "C" void WriteStopSignal(int Signal) {
  const int Saved = errno;
  const auto Byte = static_cast<char>(Signal);
  // Non-blocking: a full pipe already holds a stop to be read.
  [[maybe_unused]] const ssize_t Written = write(StopPipe[1], &Byte, 1);
  errno = Saved;
}

}  // namespace

int StopSignalDescriptor() {
  if (StopPipe[0] >= 0) {
    return StopPipe[0];
  }
  if (pipe2(StopPipe, O_NONBLOCK | O_CLOEXEC) != 0) {
    StopPipe[0] = StopPipe[1] = -1;
    return -1;
  }
  struct sigaction Action {};
  Action.sa_handler = WriteStopSignal;
  sigemptyset(&Action.sa_mask);
  Action.sa_flags = SA_RESTART;
  for (const int Signal : {SIGINT, SIGTERM, SIGHUP}) {
    sigaction(Signal, &Action, nullptr);
  }
  return StopPipe[0];
}

void DrainStopSignals(int Descriptor) {
  char Bytes[64];
  while (read(Descriptor, Bytes, sizeof Bytes) > 0) {
  }
}

int InterruptCount() {
  return Interrupts.load(std::memory_order_relaxed);
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
}

void PrepareConsole() {}

void OpenMissingStandardDescriptors() {
  for (int Descriptor = 0; Descriptor <= 2; ++Descriptor) {
    if (fcntl(Descriptor, F_GETFD) != -1 || errno != EBADF) {
      continue;
    }
    // The lowest free number is this one: the lower ones are open by now.
    const int Null = open("/dev/null", Descriptor == 0 ? O_RDONLY : O_WRONLY);
    if (Null >= 0 && Null != Descriptor) {
      dup2(Null, Descriptor);
      close(Null);
    }
  }
}

void UseParentConsole() {}

bool IsWritableDirectory(const char* Path, int& Error) {
  struct stat Info {};
  if (stat(Path, &Info) != 0) {
    Error = errno;
    return false;
  }
  if (!S_ISDIR(Info.st_mode)) {
    Error = ENOTDIR;
    return false;
  }
  if (access(Path, W_OK | X_OK) != 0) {
    Error = errno;
    return false;
  }
  Error = 0;
  return true;
}

}  // namespace Platform
