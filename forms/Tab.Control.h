#pragma once

#include <QStringList>
#include <QWidget>

class QTabBar;

// A tab strip over a framed panel whose children the owner places and shows itself (the two
// log lists share one rectangle, and the owner decides which one is visible).
class TTabControl : public QWidget {
  Q_OBJECT

 public:
  TTabControl(const QStringList& Captions, QWidget* Parent);

  QTabBar* Tabs;
  int TabIndex() const;

 signals:
  void Changed(int Index);

 protected:
  void paintEvent(QPaintEvent* Event) override;
  void resizeEvent(QResizeEvent* Event) override;
};
