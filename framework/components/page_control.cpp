#include "framework/components/page_control.h"

#include "framework/components/focus.h"
#include "framework/components/page_tab_bar.h"
#include "framework/ui/guard.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QSignalBlocker>

TPageControl::TPageControl(QWidget* parent) : QTabWidget(parent) {
    markControl(this);
    setTabBar(new PageTabBar(this));
}

TTabSheet* TPageControl::ActivePage() const {
    return qobject_cast<TTabSheet*>(currentWidget());
}

void TPageControl::SetActivePage(TTabSheet* page) {
    if (!page || indexOf(page) < 0 || page == currentWidget())
        return;
    // The control working on the page being hidden is left first, as the desktop's page
    // control does: its exit may refuse, and then the page stays.
    QWidget* old = currentWidget();
    QWidget* active = ActiveControl(this);
    if (old && active && old->isAncestorOf(active)) {
        SetFocus(this);
        if (old->isAncestorOf(ActiveControl(this)))
            return;
    }
    setCurrentWidget(page);
}

TTabSheet* TPageControl::Pages(int index) const {
    return qobject_cast<TTabSheet*>(widget(index));
}

void TPageControl::keyPressEvent(QKeyEvent* event) {
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    int step = 0;
    if (ctrl && event->key() == Qt::Key_Tab)
        step = shift ? -1 : 1;
    else if (ctrl && event->key() == Qt::Key_Backtab)
        step = -1;
    else if ((ctrl && event->key() == Qt::Key_PageDown) || event->matches(QKeySequence::NextChild))
        step = 1;
    else if ((ctrl && event->key() == Qt::Key_PageUp) ||
             event->matches(QKeySequence::PreviousChild))
        step = -1;
    if (step == 0) {
        // Not QTabWidget's: it would switch pages past the changing check.
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    changeByUser(nextSelectable(step, true));
}

void TPageControl::changeByUser(int index) {
    if (index < 0 || index >= count() || index == currentIndex() || !isTabEnabled(index) ||
        !isTabVisible(index))
        return;
    bool allowChange = true;
    if (OnChanging && (!Guarded([&] { OnChanging(allowChange); }) || !allowChange))
        return;
    setCurrentIndex(index);
    if (OnChange)
        Guarded(OnChange);
}

int TPageControl::nextSelectable(int step, bool wrap) const {
    const int n = count();
    const int from = currentIndex();
    int i = from;
    for (int tries = 0; tries < n; ++tries) {
        i += step;
        if (i < 0 || i >= n) {
            if (!wrap)
                return -1;
            i = (i + n) % n;
        }
        if (i == from)
            return -1;
        if (isTabEnabled(i) && isTabVisible(i))
            return i;
    }
    return -1;
}

void TPageControl::setPageEnabled(TTabSheet* page, bool enabled) {
    const int index = indexOf(page);
    if (index < 0)
        return;
    // Qt moves the current tab off a tab being disabled; the desktop leaves the page where
    // it is. With the tab bar quiet, the pages never see the detour.
    const int current = tabBar()->currentIndex();
    const bool was = isTabEnabled(index);
    {
        const QSignalBlocker quiet(tabBar());
        setTabEnabled(index, enabled); // also enables or disables the page's contents
        tabBar()->setCurrentIndex(current);
    }
    if (was != enabled && QAccessible::isActive()) {
        QAccessible::State changed;
        changed.disabled = true;
        QAccessibleStateChangeEvent event(tabBar(), changed);
        event.setChild(index);
        QAccessible::updateAccessibility(&event);
    }
}

TTabSheet::TTabSheet(TPageControl* pageControl, const QString& caption)
    : QWidget(pageControl), m_pageControl(pageControl) {
    setAccessibleName(caption);
    if (pageControl)
        pageControl->addTab(this, caption);
}

QString TTabSheet::Caption() const {
    return m_pageControl ? m_pageControl->tabText(m_pageControl->indexOf(this)) : QString();
}

void TTabSheet::SetCaption(const QString& caption) {
    setAccessibleName(caption);
    if (m_pageControl)
        m_pageControl->setTabText(m_pageControl->indexOf(this), caption);
}

void TTabSheet::SetEnabled(bool enabled) {
    m_enabled = enabled;
    if (m_pageControl)
        m_pageControl->setPageEnabled(this, enabled);
    else
        setEnabled(enabled);
}
