#include "framework/components/tab_order.h"

#include "framework/components/focus.h"

#include <QApplication>
#include <QHash>
#include <QWidget>

#include <algorithm>
#include <limits>

namespace {

const QWidget* focusTarget(const QWidget* widget) {
    while (widget->focusProxy())
        widget = widget->focusProxy();
    return widget;
}

bool takesTabFocus(const QWidget* widget) {
    const QWidget* target = focusTarget(widget);
    return (target->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && widget->isEnabled() &&
           target->isVisible() && target->isEnabled();
}

// Whether `widget` only stands for an ancestor that forwards its focus to it.
bool isProxyOfAncestor(const QWidget* widget) {
    for (const QWidget* up = widget->parentWidget(); up && !up->isWindow(); up = up->parentWidget())
        if (up->focusProxy() && focusTarget(up->focusProxy()) == focusTarget(widget))
            return true;
    return false;
}

class TabOrder {
public:
    explicit TabOrder(const QWidget* form) {
        // The position of each widget in Qt's chain: creation order, as QWidget::setTabOrder
        // left it.
        int position = 0;
        for (QWidget* w = form->nextInFocusChain(); w && w != form && !m_chain.contains(w);
             w = w->nextInFocusChain())
            m_chain.insert(w, position++);
        collect(form, false);
    }

    const QList<QWidget*>& stops() const { return m_stops; }

private:
    // A container is placed where the first of its widgets stands in the chain.
    int placeOf(const QWidget* widget) {
        if (const auto known = m_place.constFind(widget); known != m_place.cend())
            return *known;
        int place = m_chain.value(widget, std::numeric_limits<int>::max());
        for (const QObject* child : widget->children())
            if (const auto* w = qobject_cast<const QWidget*>(child); w && !w->isWindow())
                place = std::min(place, placeOf(w));
        m_place.insert(widget, place);
        return place;
    }

    void collect(const QWidget* container, bool insideControl) {
        QList<QWidget*> children;
        for (QObject* child : container->children())
            if (auto* w = qobject_cast<QWidget*>(child); w && !w->isWindow() && w->isVisible())
                children << w;
        std::stable_sort(
            children.begin(), children.end(),
            [this](const QWidget* a, const QWidget* b) { return placeOf(a) < placeOf(b); });
        for (QWidget* child : children) {
            const bool control = isControl(child);
            if ((control || !insideControl) && takesTabFocus(child) && !isProxyOfAncestor(child))
                m_stops << child;
            collect(child, insideControl || control);
        }
    }

    QHash<const QWidget*, int> m_chain;
    QHash<const QWidget*, int> m_place;
    QList<QWidget*> m_stops;
};

} // namespace

QWidget* nextTabStop(const QWidget* form, bool forward) {
    const QList<QWidget*> stops = TabOrder(form).stops();
    qsizetype at = -1;
    for (QWidget* w = QApplication::focusWidget(); w && at < 0 && w != form; w = w->parentWidget())
        at = stops.indexOf(w);
    if (at < 0)
        return nullptr;
    const qsizetype count = stops.size();
    return stops.at((at + (forward ? 1 : count - 1)) % count);
}

bool focusNextTabStop(QWidget* form, bool forward) {
    QWidget* next = nextTabStop(form, forward);
    if (!next)
        return false;
    next->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}
