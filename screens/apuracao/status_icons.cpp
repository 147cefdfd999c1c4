#include "screens/apuracao/status_icons.h"

#include <QPainter>

namespace {
// Without antialiasing every pixel is either the mark's colour or the olive key, so the
// brush copy leaves no olive fringe around the mark.
QPixmap mark(int width, int height, const QColor& colour,
             const std::function<void(QPainter&)>& draw) {
    QPixmap pixmap(width, height);
    pixmap.fill(kStatusTransparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(colour, 3, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    draw(p);
    return pixmap;
}
} // namespace

QPixmap okMark() {
    return mark(20, 20, QColor(0, 0, 255), [](QPainter& p) {
        p.drawLine(QPoint(4, 10), QPoint(8, 14));
        p.drawLine(QPoint(8, 14), QPoint(16, 5));
    });
}

QPixmap errorMark() {
    return mark(15, 16, QColor(255, 0, 0), [](QPainter& p) {
        p.drawLine(QPoint(3, 3), QPoint(11, 12));
        p.drawLine(QPoint(11, 3), QPoint(3, 12));
    });
}
