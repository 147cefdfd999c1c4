#include "framework/components/theme_icon.h"

#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QPolygonF>

namespace {

const char* themeName(StockIcon glyph) {
    switch (glyph) {
    case StockIcon::Search:
        return "edit-find";
    case StockIcon::Calendar:
        return "x-office-calendar";
    case StockIcon::First:
        return "go-first";
    case StockIcon::Prior:
        return "go-previous";
    case StockIcon::Next:
        return "go-next";
    case StockIcon::Last:
        return "go-last";
    }
    return "";
}

// A triangle pointing left or right inside the 16-unit box, spanning x0..x1.
QPolygonF arrow(qreal x0, qreal x1, bool left) {
    const qreal tip = left ? x0 : x1, base = left ? x1 : x0;
    return QPolygonF({QPointF(base, 3), QPointF(tip, 8), QPointF(base, 13)});
}

void draw(QPainter& p, StockIcon glyph, const QColor& ink) {
    p.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    switch (glyph) {
    case StockIcon::Search:
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(6.5, 6.5), 4.2, 4.2);
        p.setPen(QPen(ink, 2.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(9.6, 9.6), QPointF(14, 14));
        return;
    case StockIcon::Calendar:
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(2, 3, 12, 11));
        p.fillRect(QRectF(2, 3, 12, 3), ink);
        for (int row = 0; row < 2; ++row)
            for (int col = 0; col < 3; ++col)
                p.fillRect(QRectF(4 + col * 3.2, 8 + row * 3, 1.6, 1.6), ink);
        return;
    case StockIcon::First:
    case StockIcon::Last: {
        const bool left = glyph == StockIcon::First;
        p.setBrush(ink);
        p.drawPolygon(left ? arrow(6, 13, true) : arrow(3, 10, false));
        p.drawLine(QPointF(left ? 3.5 : 12.5, 3), QPointF(left ? 3.5 : 12.5, 13));
        return;
    }
    case StockIcon::Prior:
    case StockIcon::Next:
        p.setBrush(ink);
        p.drawPolygon(arrow(4.5, 11.5, glyph == StockIcon::Prior));
        return;
    }
}

QIcon drawnIcon(StockIcon glyph) {
    QIcon icon;
    const QColor ink = QPalette().color(QPalette::ButtonText);
    const QColor disabled = QPalette().color(QPalette::Disabled, QPalette::ButtonText);
    for (const int size : {16, 32}) {
        for (const auto& [mode, colour] :
             {std::pair{QIcon::Normal, ink}, std::pair{QIcon::Disabled, disabled}}) {
            QPixmap pixmap(size, size);
            pixmap.fill(Qt::transparent);
            QPainter p(&pixmap);
            p.setRenderHint(QPainter::Antialiasing);
            p.scale(size / 16.0, size / 16.0);
            draw(p, glyph, colour);
            p.end();
            icon.addPixmap(pixmap, mode);
        }
    }
    return icon;
}

} // namespace

QIcon themeIcon(StockIcon glyph) {
    const QString name = QString::fromLatin1(themeName(glyph));
    if (QIcon::hasThemeIcon(name))
        return QIcon::fromTheme(name);
    return drawnIcon(glyph);
}
