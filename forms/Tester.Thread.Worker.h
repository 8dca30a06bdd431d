#pragma once

#include <memory>

#include "engine/Tester.Thread.h"
#include "forms/Tester.Worker.h"

// The main window's handle on a real worker thread.
class TTesterThreadWorker : public TTesterWorker {
 public:
  explicit TTesterThreadWorker(std::unique_ptr<TTesterThread> Thread)
      : FThread(std::move(Thread)) {}

  void ToggleIdle() override { FThread->ToggleIdle(); }
  void Terminate() override { FThread->Terminate(); }
  bool IsFinished() const override { return FThread->IsFinished(); }

 private:
  std::unique_ptr<TTesterThread> FThread;  // its destructor joins the thread
};
