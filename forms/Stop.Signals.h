#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

// SIGINT, SIGTERM and SIGHUP taken into the event loop: a window killed from a terminal or by
// the session's end stops its test as closing it does (cancel, delete, end) instead of dying
// with its files left behind. OnStop runs on the GUI thread once per arrival.
class TStopSignals : public QObject {
 public:
  explicit TStopSignals(std::function<void()> OnStop, QObject* Parent = nullptr);
  // False where the system has no such signals (the window is closed through its messages).
  bool Watching() const { return FNotifier != nullptr; }

 private:
  QSocketNotifier* FNotifier = nullptr;
};
