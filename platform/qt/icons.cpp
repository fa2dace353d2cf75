#include "platform/qt/icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

#include "platform/qt/qt_text.h"

namespace sheaver {
namespace {

// The built-in icon, compiled into the program (the same picture as the installed one).
constexpr const char* kBuiltinIcon = ":/sheaver/sheaver.png";

QPixmap PaintEditPicture(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 16.0, size / 16.0);
  // A sheet with ruled lines.
  p.setPen(QPen(QColor(90, 90, 90), 0.8));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(1.5, 1.5, 9, 12));
  p.setPen(QPen(QColor(120, 150, 190), 0.8));
  for (double y : {4.5, 7.0, 9.5}) p.drawLine(QPointF(3, y), QPointF(9, y));
  // A pencil across it, point down to the left.
  QPolygonF body;
  body << QPointF(6.0, 12.0) << QPointF(13.0, 5.0) << QPointF(15.0, 7.0) << QPointF(8.0, 14.0);
  p.setPen(QPen(QColor(120, 70, 0), 0.8));
  p.setBrush(QColor(240, 180, 40));
  p.drawPolygon(body);
  QPolygonF tip;
  tip << QPointF(6.0, 12.0) << QPointF(8.0, 14.0) << QPointF(5.0, 15.0);
  p.setBrush(QColor(60, 60, 60));
  p.drawPolygon(tip);
  return pixmap;
}

}  // namespace

QIcon ProductIcon(const std::string& path) {
  if (!path.empty()) {
    const QPixmap picture(ToQString(path));
    if (!picture.isNull()) return QIcon(picture);
  }
  return QIcon(kBuiltinIcon);
}

QIcon EditIcon() {
  QIcon icon;
  for (int size : {16, 24, 32}) icon.addPixmap(PaintEditPicture(size));
  return icon;
}

}  // namespace sheaver
