#include "framework/components/canvas.h"

#include <QImage>
#include <QPainter>

void TCanvas::FillRect(const QRect& rect) {
    m_painter.fillRect(rect, m_brush);
}

void TCanvas::BrushCopy(const QRect& dest, const QPixmap& bitmap, const QRect& source,
                        const QColor& transparent) {
    if (bitmap.isNull() || dest.isEmpty() || source.isEmpty())
        return;
    // Whatever of `source` lies outside the bitmap stays transparent: the cell shows there.
    QImage image = bitmap.toImage().convertToFormat(QImage::Format_ARGB32).copy(source);
    const QRgb key = transparent.rgb();
    const QRgb brush = m_brush.rgba();
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (line[x] == key)
                line[x] = brush;
    }
    // The source is stretched onto the destination as the desktop's copy does, pixel for
    // pixel: a blended edge would show the key colour around the icon.
    m_painter.save();
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    m_painter.drawImage(QRectF(dest), image, QRectF(image.rect()));
    m_painter.restore();
}

QColor colorFromValue(unsigned value) {
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}
