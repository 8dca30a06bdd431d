#include "platform/Platform.Terminal.h"

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

int InterruptCount() {
  return Interrupts.load(std::memory_order_relaxed);
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
}

void PrepareConsole() {}

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
