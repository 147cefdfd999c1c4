#include "framework/components/panel.h"

#include <QPainter>

TPanel::TPanel(QWidget* parent) : QFrame(parent) {
    SetBevel(m_bevel);
}

void TPanel::SetCaption(const QString& caption) {
    m_caption = caption;
    setAccessibleName(caption);
    update();
}

void TPanel::SetBevel(TPanelBevel bevel) {
    m_bevel = bevel;
    setFrameShape(bevel == bvNone ? QFrame::NoFrame : QFrame::Panel);
    setFrameShadow(bevel == bvLowered ? QFrame::Sunken : QFrame::Raised);
    setLineWidth(1);
}

void TPanel::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (m_caption.isEmpty())
        return;
    QPainter painter(this);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(contentsRect(), Qt::AlignCenter, m_caption);
}
