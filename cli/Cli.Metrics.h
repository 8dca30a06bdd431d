#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "results/Run.Metrics.h"

// The metrics file of a run (--metrics): the drives' figures as the presenter's units hand them
// over, written in the Prometheus text format for the node exporter's textfile collector. Runs
// on the main thread only, like the terminal: every figure arrives as a copy inside a unit.
//
// Nothing is written before Start (the first write of the run): a refused run leaves no file.
// Then the file is replaced as a whole at most once a second while something changed, at once
// at each pass end (Flush), and for the last time by Finish, which keeps it with every drive in
// its final state (done, failed or cancelled): a fleet's view keeps the outcome until the file
// is removed, and a run that is no longer writing is told by its state.
class TCliMetrics {
 public:
  using TClock = std::function<std::chrono::steady_clock::time_point()>;
  // Writes Text as the whole file at Path: 0 or the system's error code.
  using TWriter = std::function<int(const std::string& Path, const std::string& Text)>;
  // Said once, when the file cannot be written: the path, the code and the system's text.
  using TFailure = std::function<void(const std::string& Path, int Code)>;

  TCliMetrics(std::string Path, TFailure Failure, TWriter Writer = DefaultWriter,
              TClock Clock = std::chrono::steady_clock::now);

  // A drive of the run; its index names it in the other calls.
  std::size_t AddDrive(TDriveMetrics Drive);
  TDriveMetrics& Drive(std::size_t Index);
  // Marks the figures as changed; the file follows at the next Refresh that is due.
  void Changed() { FChanged = true; }

  // The run writes: the file may be made from now on.
  void Start();
  bool Started() const { return FStarted; }
  // Writes the file when it was started, something changed and a second has gone since the
  // last time.
  void Refresh();
  // Writes the file now, when it was started (a pass has ended).
  void Flush();
  // The last state of the drive at Index; writes the file for the last time when it was started.
  void Finish(std::size_t Index, TDriveState State);

  const std::string& Path() const { return FPath; }
  bool Failed() const { return FFailed; }

  static int DefaultWriter(const std::string& Path, const std::string& Text);

 private:
  void Write();

  const std::string FPath;
  const TFailure FFailure;
  const TWriter FWriter;
  const TClock FClock;
  std::vector<TDriveMetrics> FDrives;
  bool FStarted = false;
  bool FChanged = false;
  bool FFailed = false;
  std::chrono::steady_clock::time_point FLastWritten{};
};

// Why Path cannot take the metrics file, before anything is written: its folder cannot be
// written to, it names one of the run's other outputs (whose file the replacing would take
// away from under it), or something is at Path that is not an earlier metrics file of this
// program (which is replaced; anything else is never overwritten). Empty when it can.
std::string MetricsPathRefusal(const std::string& Path,
                               const std::vector<std::string>& OtherOutputs = {});

class TTerminalView;

// The metrics of a run of one drive, the one that holds Folder, labelled with its mount point's
// last name and identified now, before the first write (so that its labels stay the same from
// the first sample on). The view says when the file cannot be written and hands over each
// ended pass's figures.
std::unique_ptr<TCliMetrics> MakeCliMetrics(const std::string& Path, const std::string& Folder,
                                            TTerminalView& View);

// The drive's labels: the label given, else the mount point's last name; the disk's kernel name,
// model and serial.
TDriveMetrics DriveMetricsOf(const std::string& Folder, const std::string& Label = {});
