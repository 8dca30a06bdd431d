#pragma once

#include <QCheckBox>

// A check box that reports every mouse-button and key release, after its own handling (so a
// click has already toggled it). A state set by the program raises nothing.
class TReleaseCheckBox : public QCheckBox {
  Q_OBJECT

 public:
  using QCheckBox::QCheckBox;

 signals:
  void Released();

 protected:
  void mouseReleaseEvent(QMouseEvent* Event) override {
    QCheckBox::mouseReleaseEvent(Event);
    emit Released();
  }
  void keyReleaseEvent(QKeyEvent* Event) override {
    QCheckBox::keyReleaseEvent(Event);
    emit Released();
  }
};
