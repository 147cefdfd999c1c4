#include "framework/components/focus.h"

#include "framework/ui/guard.h"

#include <QApplication>
#include <QFocusEvent>
#include <QPointer>
#include <QSet>
#include <QTimer>

namespace {

const char* const kControlProperty = "_apurfatControl";

// Follows the focus inside one form and runs the enter and exit events of its controls
// and containers.
class FocusManager : public QObject {
public:
    explicit FocusManager(QWidget* form) : QObject(form), m_form(form) {
        setObjectName(QStringLiteral("_focusManager"));
        connect(qApp, &QApplication::focusChanged, this,
                [this](QWidget* old, QWidget* now) { onFocusChanged(old, now); });
        installClickFilter();
    }

    static FocusManager* of(const QWidget* widget) {
        for (const QWidget* w = widget; w; w = w->parentWidget())
            if (auto* m = w->findChild<FocusManager*>(QStringLiteral("_focusManager"),
                                                      Qt::FindDirectChildrenOnly))
                return m;
        return nullptr;
    }

    QWidget* form() const { return m_form; }
    QWidget* active() const { return m_active; }
    void setInitial(QWidget* control) { m_initial = control; }

    // The control a focused widget belongs to.
    QWidget* controlOf(QWidget* widget) const {
        for (QWidget* w = widget; w && w != m_form; w = w->parentWidget())
            if (isControl(w))
                return w;
        return widget;
    }

    // Runs the exits and enters from the focused control to `target`; raises when an exit
    // refuses, with the focus left where the refusing handler put it or on the control
    // that was being left. As on the desktop, the form's active control is already the
    // target while the exits and enters run.
    void moveTo(QWidget* target) {
        if (!target)
            return;
        if (target == m_focused) {
            // No move; but Qt's focus may have drifted off the control (a focused cell
            // editor went with a reload), and keys typed now must reach it.
            syncQtFocus();
            return;
        }
        // Qt's own focus moves while handlers run (a message box opening and closing) are
        // not moves of the user's; the outcome is settled when the handlers are done.
        struct Depth {
            int& d;
            explicit Depth(int& v) : d(v) { ++d; }
            ~Depth() { --d; }
        } depth(m_depth);
        QPointer<QWidget> from = m_focused;
        const QList<QWidget*> exits = exitChain(from, target);
        const QList<QWidget*> enters = enterChain(from, target);
        m_active = target;
        for (QWidget* w : exits) {
            const int generation = m_generation;
            m_focused = w;
            m_exiting.insert(w);
            try {
                run(w, &ControlEvents::DoExit, &ControlEvents::OnExit);
            } catch (...) {
                m_exiting.remove(w);
                if (m_generation == generation)
                    m_focused = m_active = from;
                syncQtFocus();
                throw;
            }
            m_exiting.remove(w);
            // The handler moved the focus itself: its move wins.
            if (m_generation != generation)
                return;
        }
        for (QWidget* w : enters) {
            const int generation = m_generation;
            m_focused = w;
            try {
                run(w, &ControlEvents::DoEnter, &ControlEvents::OnEnter);
            } catch (...) {
                finish(target);
                throw;
            }
            if (m_generation != generation)
                return;
        }
        finish(target);
    }

    // Swallows the mouse press that caused a refused move, so that the click does not
    // act on the widget whose entry was refused.
    static void swallowNextPressOn(QWidget* widget) {
        s_swallow = widget;
        QTimer::singleShot(0, [] { s_swallow = nullptr; });
    }

private:
    void finish(QWidget* target) {
        m_focused = m_active = target;
        ++m_generation;
        syncQtFocus();
    }

    // Puts Qt's focus where the events stand. While another window holds the focus (a
    // message box that a refusing handler showed is still going away, a modal dialog is
    // open) this only makes the control the form window's focus widget, so that the
    // window's next activation gives the focus back to it and not to the control whose
    // entry was refused.
    void syncQtFocus() {
        QWidget* target = m_active;
        if (!target || !target->isVisible() || !target->isEnabled())
            return;
        QWidget* focused = QApplication::focusWidget();
        if (focused && controlOf(focused) == target)
            return;
        m_restoring = true;
        target->setFocus(Qt::OtherFocusReason);
        m_restoring = false;
    }

    // The window activated again (after a message box closed, or after the clerk was in
    // another window) hands the focus to whatever Qt or the MDI frame last knew, or to the
    // first control when they lost track: after a refused move that can be the control the
    // refusal kept the focus from. That is no move of the clerk's (a click, a key): the
    // focus goes back where the events stand, and no exit runs.
    bool isActivation(QWidget* old, QWidget* target) const {
        const Qt::FocusReason reason = s_lastReason;
        const bool byUser = reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason ||
                            reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason ||
                            reason == Qt::MenuBarFocusReason;
        const bool fromOutside = !old || (old != m_form && !m_form->isAncestorOf(old));
        const bool activation = reason == Qt::ActiveWindowFocusReason || (fromOutside && !byUser);
        return activation && m_focused && m_focused != target && m_focused->isVisible() &&
               m_focused->isEnabled();
    }

    // From the control being left outwards, the widgets that do not contain the target.
    QList<QWidget*> exitChain(QWidget* from, QWidget* target) const {
        QList<QWidget*> out;
        for (QWidget* w = from; w && w != m_form; w = w->parentWidget())
            if (w != target && !w->isAncestorOf(target) && !m_exiting.contains(w))
                out.append(w);
        return out;
    }

    // From the outermost container not yet entered inwards to the target.
    QList<QWidget*> enterChain(QWidget* from, QWidget* target) const {
        QList<QWidget*> out;
        for (QWidget* w = target; w && w != m_form; w = w->parentWidget())
            if (!from || (w != from && !w->isAncestorOf(from)))
                out.prepend(w);
        return out;
    }

    static void run(QWidget* w, ControlEvents::Handler ControlEvents::*own,
                    ControlEvents::Handler ControlEvents::*screen) {
        ControlEvents* events = ControlEvents::find(w);
        if (!events)
            return;
        // Copies: a handler may replace the handlers while it runs.
        if (const ControlEvents::Handler h = events->*own)
            h();
        if (const ControlEvents::Handler h = events->*screen)
            h();
    }

    void onFocusChanged(QWidget* old, QWidget* now) {
        if (m_restoring || m_depth > 0 || !now || now == m_form || !m_form->isAncestorOf(now))
            return;
        QWidget* target = controlOf(now);
        if (isActivation(old, target)) {
            m_restoring = true;
            m_focused->setFocus(Qt::ActiveWindowFocusReason);
            m_restoring = false;
            return;
        }
        if (!m_focused && m_initial && target != m_initial && m_initial->isVisible() &&
            m_initial->isEnabled()) {
            // The form's first focus goes to its initial control.
            target = m_initial;
            m_restoring = true;
            target->setFocus(Qt::OtherFocusReason);
            m_restoring = false;
        }
        if (target == m_focused)
            return;
        Guarded([&] { moveTo(target); });
        if (m_focused != target)
            swallowNextPressOn(target);
    }

    static void installClickFilter() {
        static bool installed = false;
        if (installed)
            return;
        installed = true;
        struct ClickFilter : QObject {
            bool eventFilter(QObject* watched, QEvent* event) override {
                // Qt tells the reason of a focus change only to the widget that gets it,
                // just before it tells everyone of the change.
                if (event->type() == QEvent::FocusIn)
                    s_lastReason = static_cast<QFocusEvent*>(event)->reason();
                if (!s_swallow || (event->type() != QEvent::MouseButtonPress &&
                                   event->type() != QEvent::MouseButtonDblClick))
                    return false;
                auto* w = qobject_cast<QWidget*>(watched);
                return w && (w == s_swallow || s_swallow->isAncestorOf(w));
            }
        };
        auto* filter = new ClickFilter;
        filter->setParent(qApp);
        qApp->installEventFilter(filter);
    }

    QWidget* m_form;
    // Where the enter and exit events stand (the desktop form's focused control), and the
    // control the form reports as active: the target of a move already while it runs.
    QPointer<QWidget> m_focused;
    QPointer<QWidget> m_active;
    QPointer<QWidget> m_initial;
    QSet<QWidget*> m_exiting;
    int m_generation = 0;
    int m_depth = 0;
    bool m_restoring = false;
    static inline QPointer<QWidget> s_swallow;
    static inline Qt::FocusReason s_lastReason = Qt::OtherFocusReason;
};

} // namespace

ControlEvents::ControlEvents(QWidget* widget) : QObject(widget) {
    setObjectName(QStringLiteral("_controlEvents"));
}

ControlEvents& ControlEvents::of(QWidget* widget) {
    if (ControlEvents* e = find(widget))
        return *e;
    return *new ControlEvents(widget);
}

ControlEvents* ControlEvents::find(const QWidget* widget) {
    return widget ? widget->findChild<ControlEvents*>(QStringLiteral("_controlEvents"),
                                                      Qt::FindDirectChildrenOnly)
                  : nullptr;
}

void markControl(QWidget* widget) {
    widget->setProperty(kControlProperty, true);
}

bool isControl(const QWidget* widget) {
    return widget && widget->property(kControlProperty).toBool();
}

void SetFocus(QWidget* control) {
    if (!control || !control->isEnabled())
        return;
    FocusManager* manager = FocusManager::of(control);
    if (!manager) {
        control->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (!control->isVisibleTo(manager->form()))
        return;
    manager->moveTo(manager->controlOf(control));
}

QWidget* ActiveControl(const QWidget* form) {
    FocusManager* manager = FocusManager::of(form);
    return manager ? manager->active() : nullptr;
}

void SetInitialControl(QWidget* form, QWidget* control) {
    if (FocusManager* manager = FocusManager::of(form))
        manager->setInitial(control);
}

void trackFocus(QWidget* form) {
    if (!form->findChild<FocusManager*>(QStringLiteral("_focusManager"),
                                        Qt::FindDirectChildrenOnly))
        new FocusManager(form);
}

void untrackFocus(QWidget* form) {
    delete form->findChild<FocusManager*>(QStringLiteral("_focusManager"),
                                          Qt::FindDirectChildrenOnly);
}
