#pragma once

// The drawing surface a grid hands to its cell-drawing hook: a brush, a rectangle fill,
// and the brush copy that status icons are drawn with (every pixel of one colour of the
// bitmap painted in the brush colour instead, the way a transparent colour works).

#include <QColor>
#include <QPixmap>
#include <QRect>

class QPainter;

class TCanvas {
public:
    TCanvas(QPainter& painter, QColor brush) : m_painter(painter), m_brush(brush) {}

    QColor BrushColor() const { return m_brush; }
    void SetBrushColor(const QColor& color) { m_brush = color; }

    void FillRect(const QRect& rect);
    // Copies `source` of `bitmap` onto `dest` (stretched when the sizes differ, without
    // smoothing), painting the pixels of `transparent` in the brush colour.
    void BrushCopy(const QRect& dest, const QPixmap& bitmap, const QRect& source,
                   const QColor& transparent);

    QPainter& painter() { return m_painter; }

private:
    QPainter& m_painter;
    QColor m_brush;
};

// The desktop library's colour value (0x00BBGGRR) as a colour: 0x8080 is olive.
QColor colorFromValue(unsigned value);
