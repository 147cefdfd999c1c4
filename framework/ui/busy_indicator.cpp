#include "framework/ui/busy_indicator.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>

BusyIndicator::BusyIndicator(QWidget* over, int kind)
    : QWidget(over), m_caption(kind == 0 ? QStringLiteral("Conectando ao servidor de aplicação...")
                                         : QStringLiteral("Aguarde, processando...")) {
    setObjectName(QStringLiteral("busyIndicator"));
    setAttribute(Qt::WA_TransparentForMouseEvents, false);
    setGeometry(over->rect());
    over->installEventFilter(this);
    show();
    raise();
    startTimer(80);
    // The call that follows blocks the event loop: paint now.
    repaint();
}

bool BusyIndicator::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return false;
}

void BusyIndicator::timerEvent(QTimerEvent*) {
    m_angle = (m_angle + 30) % 360;
    update();
}

void BusyIndicator::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), QColor(255, 255, 255, 150));
    const QRect box(width() / 2 - 140, height() / 2 - 40, 280, 80);
    p.setPen(palette().color(QPalette::Mid));
    p.setBrush(palette().color(QPalette::Window));
    p.drawRoundedRect(box, 6, 6);
    const QPoint centre(box.left() + 36, box.center().y());
    for (int i = 0; i < 12; ++i) {
        QColor c = palette().color(QPalette::Highlight);
        c.setAlpha(40 + ((i * 30 + m_angle) % 360) * 215 / 360);
        p.save();
        p.translate(centre);
        p.rotate(i * 30);
        p.setPen(QPen(c, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(0, 8, 0, 14);
        p.restore();
    }
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(box.adjusted(64, 0, -8, 0), Qt::AlignVCenter | Qt::TextWordWrap, m_caption);
}
