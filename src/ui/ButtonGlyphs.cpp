#include "ui/ButtonGlyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

namespace erp::ui {
namespace {

constexpr int kSize = 18;  // logical pixels of the picture
const QColor kNavy(0, 0, 128);
const QColor kBlue(0, 0, 255);

// A triangle with its tip at `tip`, pointing along (dx, dy), of the given length and half width.
QPolygonF Triangle(QPointF tip, double dx, double dy, double length, double halfWidth) {
  const QPointF base = tip - QPointF(dx * length, dy * length);
  const QPointF side(-dy * halfWidth, dx * halfWidth);
  return QPolygonF({tip, base + side, base - side});
}

QPixmap Draw(Glyph glyph, double ratio) {
  QPixmap pixmap(QSize(kSize, kSize) * ratio);
  pixmap.setDevicePixelRatio(ratio);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(kNavy);
  const double c = kSize / 2.0;
  switch (glyph) {
    case Glyph::Left: p.drawPolygon(Triangle({3, c}, -1, 0, 11, 6)); break;
    case Glyph::Right: p.drawPolygon(Triangle({kSize - 3.0, c}, 1, 0, 11, 6)); break;
    case Glyph::Up: p.drawPolygon(Triangle({c, 3}, 0, -1, 11, 6)); break;
    case Glyph::Down: p.drawPolygon(Triangle({c, kSize - 3.0}, 0, 1, 11, 6)); break;
    case Glyph::Apart:
      p.drawPolygon(Triangle({c, 1}, 0, -1, 7, 5));
      p.drawPolygon(Triangle({c, kSize - 1.0}, 0, 1, 7, 5));
      break;
    case Glyph::Together:
      p.drawPolygon(Triangle({c, c - 1.5}, 0, 1, 7, 5));
      p.drawPolygon(Triangle({c, c + 1.5}, 0, -1, 7, 5));
      break;
    case Glyph::Back: {
      QPainterPath bend;
      bend.moveTo(kSize - 4.0, kSize - 3.0);
      bend.cubicTo(kSize - 2.0, 4, kSize - 8.0, 5, 7, 6);
      p.setPen(QPen(kBlue, 2.4, Qt::SolidLine, Qt::RoundCap));
      p.setBrush(Qt::NoBrush);
      p.drawPath(bend);
      p.setPen(Qt::NoPen);
      p.setBrush(kBlue);
      p.drawPolygon(Triangle({1.5, 6}, -1, 0, 7, 4.5));
      break;
    }
  }
  return pixmap;
}

}  // namespace

QIcon GlyphIcon(Glyph glyph) {
  QIcon icon;
  icon.addPixmap(Draw(glyph, 1.0));
  icon.addPixmap(Draw(glyph, 2.0));
  return icon;
}

}  // namespace erp::ui
