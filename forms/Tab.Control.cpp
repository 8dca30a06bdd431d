#include "forms/Tab.Control.h"

#include <QStyleOptionTabWidgetFrame>
#include <QStylePainter>
#include <QTabBar>

TTabControl::TTabControl(const QStringList& Captions, QWidget* Parent)
    : QWidget(Parent), Tabs(new QTabBar(this)) {
  Tabs->setDrawBase(false);
  Tabs->setExpanding(false);
  for (const QString& Caption : Captions) {
    Tabs->addTab(Caption);
  }
  connect(Tabs, &QTabBar::currentChanged, this, &TTabControl::Changed);
}

int TTabControl::TabIndex() const {
  return Tabs->currentIndex();
}

void TTabControl::resizeEvent(QResizeEvent* Event) {
  QWidget::resizeEvent(Event);
  Tabs->setGeometry(0, 0, width(), Tabs->sizeHint().height());
}

void TTabControl::paintEvent(QPaintEvent*) {
  QStylePainter Painter(this);
  QStyleOptionTabWidgetFrame Frame;
  Frame.initFrom(this);
  Frame.rect = rect().adjusted(0, Tabs->sizeHint().height() - 1, 0, 0);
  Painter.drawPrimitive(QStyle::PE_FrameTabWidget, Frame);
}
