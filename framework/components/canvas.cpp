#include "framework/components/canvas.h"

#include <QImage>
#include <QPainter>

void TCanvas::FillRect(const QRect& rect) { m_painter.fillRect(rect, m_brush); }

void TCanvas::BrushCopy(const QRect& dest, const QPixmap& bitmap, const QRect& source,
                        const QColor& transparent) {
    if (bitmap.isNull())
        return;
    QImage image = bitmap.copy(source).toImage().convertToFormat(QImage::Format_ARGB32);
    const QRgb key = transparent.rgb() & 0xFFFFFF;
    const QRgb brush = m_brush.rgba();
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((line[x] & 0xFFFFFF) == key)
                line[x] = brush;
    }
    m_painter.drawImage(dest.topLeft(), image, QRect(0, 0, qMin(dest.width(), image.width()),
                                                     qMin(dest.height(), image.height())));
}

QColor colorFromValue(unsigned value) {
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}
