#pragma once

#include <QObject>
#include <memory>

#include "report/Gui.Dispatcher.h"

// Hands units to the GUI thread through Qt's event queue. Create it on the GUI thread: its
// context object lives there, and destroying the dispatcher destroys the context, which drops
// the units still queued for it.
class TQtDispatcher : public TGuiDispatcher {
 public:
  TQtDispatcher();
  ~TQtDispatcher() override;

  void Queue(TUnit Unit) override;
  void Sync(TUnit Unit) override;

 private:
  bool OnGuiThread() const;

  std::unique_ptr<QObject> FContext;
};
