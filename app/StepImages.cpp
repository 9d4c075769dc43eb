// Drawing of the step images.
#include "app/StepImages.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

QIcon StepImage(int index) {
  QPixmap pixmap(24, 24);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  QRectF box(3.5, 3.5, 17, 17);
  p.setPen(QPen(QColor(200, 200, 200), 1.5));
  p.setBrush(index == 2 ? QColor(220, 30, 30) : QColor(40, 40, 40));
  p.drawRoundedRect(box, 2, 2);
  if (index == 1) {
    QPainterPath tick;
    tick.moveTo(7, 12.5);
    tick.lineTo(10.5, 16.5);
    tick.lineTo(18, 7.5);
    p.setPen(QPen(QColor(40, 200, 60), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(tick);
  }
  return QIcon(pixmap);
}
