#include "platform/Platform.Terminal.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

#include "platform/windows/Win32.Text.h"

namespace {

std::atomic<int> Interrupts{0};

BOOL WINAPI CountInterrupt(DWORD Event) {
  switch (Event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
      Interrupts.fetch_add(1, std::memory_order_relaxed);
      return TRUE;  // handled: the program cancels in order instead of ending at once
    default:
      return FALSE;
  }
}

}  // namespace

namespace Platform {

bool StdoutIsTerminal() {
  DWORD Mode = 0;
  return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &Mode) != 0;
}

int TerminalWidth() {
  CONSOLE_SCREEN_BUFFER_INFO Info{};
  if (GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &Info)) {
    const int Width = Info.srWindow.Right - Info.srWindow.Left + 1;
    if (Width > 0) {
      return Width;
    }
  }
  return 80;
}

void InstallInterruptCounter() {
  SetConsoleCtrlHandler(CountInterrupt, TRUE);
}

bool IsClosedReaderError(int Code) {
  // The C runtime turns a write into a pipe whose reader has gone (ERROR_NO_DATA) into EINVAL,
  // a broken pipe (ERROR_BROKEN_PIPE) into EPIPE.
  return Code == EPIPE || Code == EINVAL;
}

bool IsHungUpTerminalError(std::FILE*, int) {
  // A closed console window ends the process; nothing is left to write to.
  return false;
}

int StopSignalDescriptor() {
  // A window is closed through its own messages here.
  return -1;
}

void DrainStopSignals(int) {}

int InterruptCount() {
  return Interrupts.load(std::memory_order_relaxed);
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  int Count = 0;
  wchar_t** Wide = CommandLineToArgvW(GetCommandLineW(), &Count);
  if (Wide == nullptr) {
    return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
  }
  std::vector<std::string> Arguments;
  for (int Index = 1; Index < Count; ++Index) {
    Arguments.push_back(Win32::Narrow(Wide[Index]));
  }
  LocalFree(Wide);
  return Arguments;
}

void PrepareConsole() {
  SetConsoleOutputCP(CP_UTF8);
  const HANDLE Output = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD Mode = 0;
  if (GetConsoleMode(Output, &Mode)) {
    SetConsoleMode(Output, Mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
  }
}

void OpenMissingStandardDescriptors() {
  for (int Descriptor = 0; Descriptor <= 2; ++Descriptor) {
    if (_get_osfhandle(Descriptor) != -1) {
      continue;
    }
    const int Null = _open("NUL", Descriptor == 0 ? _O_RDONLY : _O_WRONLY);
    if (Null >= 0 && Null != Descriptor) {
      _dup2(Null, Descriptor);
      _close(Null);
    }
  }
}

void UseParentConsole() {
  // Handles given by the caller (a pipe, a file, wine's terminal) stay as they are.
  const auto Missing = [](DWORD Which) {
    const HANDLE Handle = GetStdHandle(Which);
    return Handle == nullptr || Handle == INVALID_HANDLE_VALUE;
  };
  const bool NoOutput = Missing(STD_OUTPUT_HANDLE);
  const bool NoError = Missing(STD_ERROR_HANDLE);
  if ((!NoOutput && !NoError) || !AttachConsole(ATTACH_PARENT_PROCESS)) {
    return;
  }
  if (NoOutput) {
    std::freopen("CONOUT$", "w", stdout);
  }
  if (NoError) {
    std::freopen("CONOUT$", "w", stderr);
  }
  PrepareConsole();
}

bool IsWritableDirectory(const char* Path, int& Error) {
  const DWORD Attributes = GetFileAttributesW(Win32::Widen(Path).c_str());
  if (Attributes == INVALID_FILE_ATTRIBUTES) {
    Error = static_cast<int>(GetLastError());
    return false;
  }
  if ((Attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    Error = ERROR_DIRECTORY;
    return false;
  }
  // Whether files may be created is decided by the folder's access list; the worker's first
  // CREATE_NEW reports a refusal with the system's code.
  Error = 0;
  return true;
}

}  // namespace Platform
