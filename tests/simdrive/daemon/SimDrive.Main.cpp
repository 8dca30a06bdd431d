// varnell-simdrive: a simulated flash drive on a FUSE mount, for tests and benchmarks.
#include <fuse_lowlevel.h>
#include <sched.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "SimDrive.Drive.h"
#include "SimDrive.Fuse.h"
#include "SimDrive.Options.h"
#include "SimDrive.Stats.h"

namespace {

void SayReady(int Fd) {
  if (Fd < 0) {
    return;
  }
  const char Ready[] = "ready\n";
  [[maybe_unused]] const ssize_t Written = write(Fd, Ready, sizeof Ready - 1);
  close(Fd);
}

int Serve(const SimDrive::TDaemonOptions& Options) {
  using namespace SimDrive;
  // Deadlines are met to the microsecond only without the default 50 us of timer slack, and
  // on a busy machine only when the drive gets its core back at once: where allowed (root),
  // it runs at the lowest real-time priority. It sleeps most of the time, and its work per
  // request is bounded.
  prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  const sched_param Priority{1};
  sched_setscheduler(0, SCHED_FIFO, &Priority);

  std::string Error;
  const auto Stats = TStatsFile::Create(Options.StatsFile, Error);
  if (!Stats) {
    std::fprintf(stderr, "varnell-simdrive: %s\n", Error.c_str());
    return 1;
  }
  TDrive Drive(Options.Drive, *Stats, geteuid(), getegid());
  TSession Session{Drive, *Stats, Options.Drive};

  std::string MountOptions = "fsname=simdrive,subtype=simdrive,default_permissions";
  if (geteuid() == 0) {
    MountOptions += ",allow_other";
  }
  std::vector<std::string> Texts = {"varnell-simdrive", "-o", MountOptions};
  if (Options.Debug) {
    Texts.emplace_back("-d");
  }
  std::vector<char*> Arguments;
  for (auto& Text : Texts) {
    Arguments.push_back(Text.data());
  }
  fuse_args Args = FUSE_ARGS_INIT(static_cast<int>(Arguments.size()), Arguments.data());
  Session.Session = fuse_session_new(&Args, &Operations(), sizeof(fuse_lowlevel_ops), &Session);
  // libfuse may have grown its own copy of the arguments.
  fuse_opt_free_args(&Args);
  if (Session.Session == nullptr) {
    return 1;
  }
  int Result = 1;
  if (fuse_set_signal_handlers(Session.Session) == 0) {
    if (fuse_session_mount(Session.Session, Options.MountPoint.c_str()) == 0) {
      Stats->Set(&TStats::DaemonPid, static_cast<std::uint64_t>(getpid()));
      Stats->Set(&TStats::Mounted, 1);
      SayReady(Options.ReadyFd);
      Result = fuse_session_loop(Session.Session) == 0 ? 0 : 1;
      // As root this is a lazy unmount: files still open elsewhere cannot keep it busy.
      fuse_session_unmount(Session.Session);
      Stats->Set(&TStats::Mounted, 0);
    }
    fuse_remove_signal_handlers(Session.Session);
  }
  fuse_session_destroy(Session.Session);
  std::fprintf(stderr, "varnell-simdrive: unmounted %s\n%s", Options.MountPoint.c_str(),
               StatsText(Stats->Snapshot()).c_str());
  return Result;
}

}  // namespace

int main(int Argc, char** Argv) {
  const SimDrive::TParsedCommandLine Parsed = SimDrive::ParseCommandLine(Argc, Argv);
  if (!Parsed.Options) {
    std::fputs(Parsed.Message.c_str(), Parsed.ExitCode == 0 ? stdout : stderr);
    return Parsed.ExitCode;
  }
  return Serve(*Parsed.Options);
}
