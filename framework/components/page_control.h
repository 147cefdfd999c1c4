#pragma once

// The desktop library's page control on a QTabWidget. Selecting a page from code
// (SetActivePage) runs no event; a tab change by the user — a click on a tab, the arrow
// keys on the tab bar, Ctrl+Tab and Ctrl+PgUp/PgDn, a tab's mnemonic — first runs
// OnChanging, which may refuse it, and then OnChange. A disabled page cannot be chosen
// by the user, and disabling the active page leaves it active, as on the desktop.

#include <QPointer>
#include <QTabWidget>

#include <functional>

class PageTabBar;
class TTabSheet;

class TPageControl : public QTabWidget {
    Q_OBJECT
public:
    explicit TPageControl(QWidget* parent = nullptr);

    TTabSheet* ActivePage() const;
    // Runs neither OnChanging nor OnChange. When the focus is on the page being hidden, it
    // moves to the page control first; an exit that refuses raises and the page stays.
    void SetActivePage(TTabSheet* page);
    int PageCount() const { return count(); }
    TTabSheet* Pages(int index) const;

    // Before a tab change by the user: set `allowChange` false (or throw) to refuse it.
    std::function<void(bool& allowChange)> OnChanging;
    // After a tab change by the user.
    std::function<void()> OnChange;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class PageTabBar;
    friend class TTabSheet;
    // A tab change asked for by the user: to `index`, when that page may be chosen and
    // OnChanging allows it.
    void changeByUser(int index);
    // The next page the user may choose from the active one, in `step` direction; -1 when
    // there is none. `wrap` goes round past the last page, as Ctrl+Tab does.
    int nextSelectable(int step, bool wrap) const;
    void setPageEnabled(TTabSheet* page, bool enabled);
};

// A page of a page control.
class TTabSheet : public QWidget {
    Q_OBJECT
public:
    // Appends the page to `pageControl` (when given) under `caption`.
    explicit TTabSheet(TPageControl* pageControl, const QString& caption = {});

    TPageControl* PageControl() const { return m_pageControl; }
    QString Caption() const;
    void SetCaption(const QString& caption);
    bool Enabled() const { return m_enabled; }
    // Disables the page's contents and its tab.
    void SetEnabled(bool enabled);

private:
    QPointer<TPageControl> m_pageControl;
    bool m_enabled = true;
};
