#include "Sim.Drive.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/vfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>
#include <vector>

#include "daemon/SimDrive.Options.h"

namespace SimDrive {

namespace {

using namespace std::chrono_literals;

constexpr const char* SimDriveDaemon = VARNELL_SIMDRIVE_PATH;
constexpr const char* FolderPrefix = "varnell-simdrive-";
constexpr long FuseMagic = 0x65735546;
// Mounting takes milliseconds; the margins are for a machine busy with sanitizer builds.
constexpr auto ReadyTimeout = 30s;
constexpr auto StopTimeout = 10s;

// Mount points as /proc/self/mountinfo writes them (space, tab, newline, backslash escaped).
std::string Unescaped(const std::string& Field) {
  std::string Text;
  for (std::size_t Index = 0; Index < Field.size(); ++Index) {
    if (Field[Index] == '\\' && Index + 3 < Field.size()) {
      Text += static_cast<char>(std::stoi(Field.substr(Index + 1, 3), nullptr, 8));
      Index += 3;
    } else {
      Text += Field[Index];
    }
  }
  return Text;
}

bool IsMountPoint(const std::filesystem::path& Folder) {
  std::ifstream Mounts("/proc/self/mountinfo");
  std::string Line;
  while (std::getline(Mounts, Line)) {
    std::istringstream Fields(Line);
    std::string Id, Parent, Device, Root, Point;
    Fields >> Id >> Parent >> Device >> Root >> Point;
    if (Unescaped(Point) == Folder.string()) {
      return true;
    }
  }
  return false;
}

// Runs a command with a time limit; true when it exited with 0.
bool RunBounded(std::vector<std::string> Arguments, std::chrono::milliseconds Limit) {
  std::vector<char*> Argv;
  for (auto& Argument : Arguments) {
    Argv.push_back(Argument.data());
  }
  Argv.push_back(nullptr);
  const pid_t Child = fork();
  if (Child == 0) {
    const int Null = open("/dev/null", O_RDWR);
    dup2(Null, STDIN_FILENO);
    dup2(Null, STDOUT_FILENO);
    dup2(Null, STDERR_FILENO);
    execvp(Argv[0], Argv.data());
    _exit(127);
  }
  if (Child < 0) {
    return false;
  }
  const auto Until = std::chrono::steady_clock::now() + Limit;
  int Status = 0;
  while (waitpid(Child, &Status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > Until) {
      kill(Child, SIGKILL);
      waitpid(Child, &Status, 0);
      return false;
    }
    std::this_thread::sleep_for(5ms);
  }
  return WIFEXITED(Status) && WEXITSTATUS(Status) == 0;
}

// Lazily, so that a file still open on it cannot keep it; fusermount3 where umount2 is refused.
void DetachMount(const std::filesystem::path& Folder) {
  if (umount2(Folder.c_str(), MNT_DETACH) != 0 && IsMountPoint(Folder)) {
    RunBounded({"fusermount3", "-u", "-z", Folder.string()}, 10s);
  }
}

bool ProcessExists(pid_t Pid) {
  return kill(Pid, 0) == 0 || errno == EPERM;
}

// A test process killed outright (a time-out's SIGKILL reaches its daemon too) leaves a dead
// mount behind. Its folder names its process: once that is gone, the mount is nobody's.
void SweepAbandonedDrives() {
  std::error_code Ignored;
  for (const auto& Entry :
       std::filesystem::directory_iterator(std::filesystem::temp_directory_path(), Ignored)) {
    const std::string Name = Entry.path().filename().string();
    if (Name.rfind(FolderPrefix, 0) != 0) {
      continue;
    }
    const pid_t Owner = static_cast<pid_t>(std::atoi(Name.c_str() + std::strlen(FolderPrefix)));
    if (Owner <= 0 || ProcessExists(Owner)) {
      continue;
    }
    const auto MountPoint = Entry.path() / "mnt";
    if (IsMountPoint(MountPoint)) {
      DetachMount(MountPoint);
    }
    if (!IsMountPoint(MountPoint)) {
      std::filesystem::remove_all(Entry.path(), Ignored);
    }
  }
}

}  // namespace

std::string TSimDrive::DaemonPath() {
  return SimDriveDaemon;
}

std::string TSimDrive::Unavailable() {
  if (geteuid() != 0) {
    return "mounting the simulated drive needs root";
  }
  const int Fuse = open("/dev/fuse", O_RDWR | O_CLOEXEC);
  if (Fuse < 0) {
    return std::string("/dev/fuse cannot be opened: ") + std::strerror(errno);
  }
  close(Fuse);
  return {};
}

TSimDrive::TSimDrive(const TConfig& Config) {
  if (const std::string Why = Unavailable(); !Why.empty()) {
    FError = Why;
    return;
  }
  SweepAbandonedDrives();
  std::string Pattern = (std::filesystem::temp_directory_path() /
                         (FolderPrefix + std::to_string(getpid()) + "-XXXXXX"))
                            .string();
  if (mkdtemp(Pattern.data()) == nullptr) {
    FError = "cannot make a temporary folder: " + std::string(std::strerror(errno));
    return;
  }
  // As /proc/self/mountinfo names it, through whatever links the temporary folder's path has.
  std::error_code Unresolved;
  FFolder = std::filesystem::canonical(Pattern, Unresolved);
  if (Unresolved) {
    FFolder = Pattern;
  }
  FMountPoint = FFolder / "mnt";
  std::error_code Failed;
  std::filesystem::create_directory(FMountPoint, Failed);
  if (Failed) {
    FError = "cannot make the mount point: " + Failed.message();
    return;
  }
  FMounted = Start(Config);
}

TSimDrive::~TSimDrive() {
  StopDaemon();
  // A daemon built with sanitizers reports its faults on stderr, which no one else reads.
  if (const std::string Log = DaemonLog(); Log.find("Sanitizer") != std::string::npos ||
                                           Log.find("runtime error") != std::string::npos) {
    ADD_FAILURE() << "the simulated drive's daemon reported:\n" << Log;
  }
  if (!FMountPoint.empty()) {
    Unmount();
  }
  if (!FFolder.empty()) {
    if (IsMountPoint(FMountPoint)) {
      std::cerr << "TSimDrive: " << FMountPoint << " is still mounted; left in place\n";
    } else {
      std::error_code Ignored;
      std::filesystem::remove_all(FFolder, Ignored);
    }
  }
}

bool TSimDrive::Start(const TConfig& Config) {
  const std::string Problem = Validate(Config);
  if (!Problem.empty()) {
    FError = "invalid drive: " + Problem;
    return false;
  }
  int Ready[2];
  if (pipe2(Ready, O_CLOEXEC) != 0) {
    FError = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  const int Log =
      open((FFolder / "daemon.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  // The daemon's descriptor 3 is the ready pipe; everything else is prepared before fork,
  // since the child of a threaded process may only make async-signal-safe calls.
  std::vector<std::string> Arguments = {SimDriveDaemon, FMountPoint.string(),
                                        "--stats",      (FFolder / "stats").string(),
                                        "--ready-fd",   "3"};
  for (auto& Argument : ToArguments(Config)) {
    Arguments.push_back(std::move(Argument));
  }
  std::vector<char*> Argv;
  for (auto& Argument : Arguments) {
    Argv.push_back(Argument.data());
  }
  Argv.push_back(nullptr);
  const pid_t Parent = getpid();

  FDaemon = fork();
  if (FDaemon == 0) {
    const int Null = open("/dev/null", O_RDONLY);
    dup2(Null, STDIN_FILENO);
    dup2(Log >= 0 ? Log : Null, STDOUT_FILENO);
    dup2(Log >= 0 ? Log : Null, STDERR_FILENO);
    if (Ready[1] == 3) {
      fcntl(3, F_SETFD, 0);
    } else {
      dup2(Ready[1], 3);
    }
    close_range(4, ~0U, 0);
    // A test process that dies without its destructors still takes its drive down with it.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != Parent) {
      _exit(1);
    }
    execv(Argv[0], Argv.data());
    _exit(127);
  }
  close(Ready[1]);
  if (Log >= 0) {
    close(Log);
  }
  if (FDaemon < 0) {
    FError = std::string("fork: ") + std::strerror(errno);
    close(Ready[0]);
    return false;
  }
  const bool Live = WaitUntilReady(Ready[0]);
  close(Ready[0]);
  if (!Live) {
    StopDaemon();
    FError += "\n" + DaemonLog();
    return false;
  }
  struct statfs Info {};
  if (statfs(FMountPoint.c_str(), &Info) != 0 || Info.f_type != FuseMagic) {
    FError = "the mount point is not a FUSE mount after the daemon said it was ready";
    return false;
  }
  return true;
}

bool TSimDrive::WaitUntilReady(int ReadyFd) {
  const auto Until = std::chrono::steady_clock::now() + ReadyTimeout;
  std::string Said;
  while (Said.find('\n') == std::string::npos) {
    const auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(
        Until - std::chrono::steady_clock::now());
    pollfd Wait{ReadyFd, POLLIN, 0};
    const int Polled = Left.count() > 0 ? poll(&Wait, 1, static_cast<int>(Left.count())) : 0;
    if (Polled < 0 && errno == EINTR) {
      continue;
    }
    if (Polled <= 0) {
      FError = "the daemon did not mount within " + std::to_string(ReadyTimeout.count()) + " s";
      return false;
    }
    char Chunk[16];
    const ssize_t Count = read(ReadyFd, Chunk, sizeof Chunk);
    if (Count <= 0) {
      FError = "the daemon ended before it mounted";
      return false;
    }
    Said.append(Chunk, static_cast<std::size_t>(Count));
  }
  return Said == "ready\n";
}

bool TSimDrive::DaemonRunning() {
  if (FDaemon <= 0) {
    return false;
  }
  int Status = 0;
  if (waitpid(FDaemon, &Status, WNOHANG) == FDaemon) {
    FDaemon = -1;
    return false;
  }
  return true;
}

bool TSimDrive::WaitForDaemonExit(std::chrono::milliseconds Timeout) {
  const auto Until = std::chrono::steady_clock::now() + Timeout;
  while (DaemonRunning()) {
    if (std::chrono::steady_clock::now() > Until) {
      return false;
    }
    std::this_thread::sleep_for(2ms);
  }
  return true;
}

void TSimDrive::StopDaemon() {
  if (!DaemonRunning()) {
    return;
  }
  // SIGTERM lets it unmount and print its counters; a daemon that does not end in time is
  // killed, and the mount is then detached from here.
  kill(FDaemon, SIGTERM);
  if (!WaitForDaemonExit(std::chrono::duration_cast<std::chrono::milliseconds>(StopTimeout))) {
    kill(FDaemon, SIGKILL);
    waitpid(FDaemon, nullptr, 0);
    FDaemon = -1;
  }
}

void TSimDrive::Unplug() {
  if (DaemonRunning()) {
    kill(FDaemon, SIGKILL);
    waitpid(FDaemon, nullptr, 0);
    FDaemon = -1;
  }
}

void TSimDrive::Unmount() {
  if (IsMountPoint(FMountPoint)) {
    DetachMount(FMountPoint);
  }
}

TStats TSimDrive::Stats() const {
  return TStatsFile::Read((FFolder / "stats").string()).value_or(TStats{});
}

std::string TSimDrive::DaemonLog() const {
  std::ifstream In(FFolder / "daemon.log");
  std::ostringstream Text;
  Text << In.rdbuf();
  return Text.str();
}

}  // namespace SimDrive
