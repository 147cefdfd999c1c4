#include "framework/components/page_tab_bar.h"

#include "framework/components/page_control.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QShortcutEvent>

namespace {

QString withoutMnemonic(QString text) {
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text.at(i) == QLatin1Char('&'))
            text.remove(i, 1); // "&&" keeps one
    return text;
}

// One tab as a screen reader sees it. Qt's own tab reports the state of the whole bar
// (never disabled) and calls the current tab focused wherever the focus is.
class PageTabAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    PageTabAccessible(PageTabBar* bar, int index) : m_bar(bar), m_index(index) {}

    bool isValid() const override { return m_bar && m_index < m_bar->count(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_bar ? parent()->window() : nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(m_bar.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessible::Role role() const override { return QAccessible::PageTab; }

    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        const bool current = m_index == m_bar->currentIndex();
        s.disabled = !m_bar->isEnabled() || !m_bar->isTabEnabled(m_index);
        s.invisible = !m_bar->isVisible() || !m_bar->isTabVisible(m_index);
        s.focusable = !s.disabled;
        s.focused = current && m_bar->hasFocus();
        s.selectable = !s.disabled;
        s.selected = current;
        return s;
    }

    QRect rect() const override {
        if (!isValid())
            return {};
        const QRect r = m_bar->tabRect(m_index);
        return QRect(m_bar->mapToGlobal(r.topLeft()), r.size());
    }

    QString text(QAccessible::Text t) const override {
        if (!isValid())
            return {};
        switch (t) {
        case QAccessible::Name: {
            const QString name = m_bar->accessibleTabName(m_index);
            return name.isEmpty() ? withoutMnemonic(m_bar->tabText(m_index)) : name;
        }
        case QAccessible::Description:
            return m_bar->tabToolTip(m_index);
        case QAccessible::Help:
            return m_bar->tabWhatsThis(m_index);
        default:
            return {};
        }
    }
    void setText(QAccessible::Text, const QString&) override {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (isValid() && name == pressAction())
            m_bar->choose(m_index);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

    int index() const { return m_index; }

private:
    QPointer<PageTabBar> m_bar;
    int m_index;
};

// The tab list: the tabs, then the bar's own child widgets (its scroll buttons).
class PageTabBarAccessible : public QAccessibleWidget {
public:
    explicit PageTabBarAccessible(PageTabBar* bar)
        : QAccessibleWidget(bar, QAccessible::PageTabList) {}

    ~PageTabBarAccessible() override {
        for (QAccessible::Id id : std::as_const(m_tabs))
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return bar()->count() + QAccessibleWidget::childCount(); }

    QAccessibleInterface* child(int index) const override {
        if (index < 0)
            return nullptr;
        if (index >= bar()->count())
            return QAccessibleWidget::child(index - bar()->count());
        if (const QAccessible::Id id = m_tabs.value(index))
            return QAccessible::accessibleInterface(id);
        auto* tab = new PageTabAccessible(bar(), index);
        m_tabs.insert(index, QAccessible::registerAccessibleInterface(tab));
        return tab;
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        if (child && child->role() == QAccessible::PageTab && !child->object())
            return static_cast<const PageTabAccessible*>(child)->index();
        const int other = QAccessibleWidget::indexOfChild(child);
        return other < 0 ? -1 : other + bar()->count();
    }

    QAccessibleInterface* childAt(int x, int y) const override {
        const QPoint at = bar()->mapFromGlobal(QPoint(x, y));
        for (int i = 0; i < bar()->count(); ++i)
            if (bar()->tabRect(i).contains(at))
                return child(i);
        return QAccessibleWidget::childAt(x, y);
    }

    QAccessibleInterface* focusChild() const override {
        return bar()->hasFocus() && bar()->currentIndex() >= 0 ? child(bar()->currentIndex())
                                                               : nullptr;
    }

private:
    PageTabBar* bar() const { return static_cast<PageTabBar*>(widget()); }

    mutable QHash<int, QAccessible::Id> m_tabs;
};

QAccessibleInterface* pageTabBarFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("PageTabBar"))
        return new PageTabBarAccessible(static_cast<PageTabBar*>(object));
    return nullptr;
}

} // namespace

PageTabBar::PageTabBar(TPageControl* pages) : QTabBar(pages), m_pages(pages) {
    static const bool accessible = (QAccessible::installFactory(pageTabBarFactory), true);
    Q_UNUSED(accessible);
    setObjectName(QStringLiteral("pageTabBar"));
    // Takes the focus on a click, so that the control being left runs its exit (and may
    // refuse) before the page changes.
    setFocusPolicy(Qt::StrongFocus);
}

void PageTabBar::choose(int index) {
    m_pages->changeByUser(index);
}

bool PageTabBar::event(QEvent* event) {
    if (event->type() == QEvent::Shortcut) {
        const QKeySequence key = static_cast<QShortcutEvent*>(event)->key();
        for (int i = 0; i < count(); ++i) {
            if (QKeySequence::mnemonic(tabText(i)) == key) {
                choose(i);
                return true;
            }
        }
    }
    return QTabBar::event(event);
}

void PageTabBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QTabBar::mousePressEvent(event);
        return;
    }
    event->accept();
    choose(tabAt(event->position().toPoint()));
}

// The press already chose the tab; a style that selects on release must not choose it
// again past a refusal.
void PageTabBar::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        QTabBar::mouseReleaseEvent(event);
    else
        event->accept();
}

void PageTabBar::keyPressEvent(QKeyEvent* event) {
    const bool forward = event->key() == (isRightToLeft() ? Qt::Key_Left : Qt::Key_Right);
    const bool backward = event->key() == (isRightToLeft() ? Qt::Key_Right : Qt::Key_Left);
    if (!forward && !backward) {
        event->ignore();
        return;
    }
    event->accept();
    choose(m_pages->nextSelectable(forward ? 1 : -1, false));
}

// The desktop's page control does not switch pages under the mouse wheel.
void PageTabBar::wheelEvent(QWheelEvent* event) {
    event->ignore();
}
