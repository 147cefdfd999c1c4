#pragma once

// The host's busy animation: a translucent veil with a spinning mark and a caption over a
// form while a blocking call runs. It paints itself before the call starts, since the
// call blocks the event loop.

#include <QWidget>

class BusyIndicator : public QWidget {
    Q_OBJECT
public:
    // kind 0: connecting to the server; any other: working on data.
    BusyIndicator(QWidget* over, int kind);

    QString caption() const { return m_caption; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    QString m_caption;
    int m_angle = 0;
};
