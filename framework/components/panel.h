#pragma once

// The desktop library's panel: a container with an optional centred caption and a bevel.

#include <QFrame>

enum TPanelBevel { bvNone, bvLowered, bvRaised };

class TPanel : public QFrame {
    Q_OBJECT
public:
    explicit TPanel(QWidget* parent = nullptr);

    const QString& Caption() const { return m_caption; }
    // Also the panel's accessible name.
    void SetCaption(const QString& caption);
    TPanelBevel Bevel() const { return m_bevel; }
    void SetBevel(TPanelBevel bevel);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_caption;
    TPanelBevel m_bevel = bvRaised;
};
