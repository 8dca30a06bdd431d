#include "forms/Qt.Dispatcher.h"

#include <QThread>

TQtDispatcher::TQtDispatcher() : FContext(std::make_unique<QObject>()) {}

TQtDispatcher::~TQtDispatcher() = default;

bool TQtDispatcher::OnGuiThread() const {
  return QThread::currentThread() == FContext->thread();
}

void TQtDispatcher::Queue(TUnit Unit) {
  if (OnGuiThread()) {
    Unit();
    return;
  }
  QMetaObject::invokeMethod(FContext.get(), std::move(Unit), Qt::QueuedConnection);
}

void TQtDispatcher::Sync(TUnit Unit) {
  if (OnGuiThread()) {
    Unit();
    return;
  }
  // Same queue as Queue(), so the unit runs after everything queued before it.
  QMetaObject::invokeMethod(FContext.get(), std::move(Unit), Qt::BlockingQueuedConnection);
}
