#pragma once

// The tab bar of a page control: every way the user has of choosing a tab goes through
// the page control's changing check instead of switching at once. A screen reader sees
// each tab with its own state: a disabled page's tab reads disabled, and only a tab bar
// that holds the focus has a focused tab.

#include <QTabBar>

class TPageControl;

class PageTabBar : public QTabBar {
    Q_OBJECT
public:
    explicit PageTabBar(TPageControl* pages);

    // The user chose tab `index` (a click, a key, a mnemonic, a screen reader's action).
    void choose(int index);

protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    TPageControl* m_pages;
};
