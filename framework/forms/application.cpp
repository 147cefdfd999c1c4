#include "framework/forms/application.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>

TApplication& TApplication::instance() {
    static TApplication app;
    return app;
}

void TApplication::SetMdiArea(QMdiArea* area) {
    m_mdiArea = area;
    if (!area)
        return;
    QObject::connect(area, &QMdiArea::subWindowActivated, area, [](QMdiSubWindow* sub) {
        if (sub)
            if (auto* form = qobject_cast<TForm*>(sub->widget()))
                form->RunActivate();
    });
}

TForm* TApplication::ActiveForm() const {
    QWidget* window = QApplication::activeWindow();
    if (auto* form = qobject_cast<TForm*>(window))
        return form;
    if (m_mdiArea && (!window || window == m_mdiArea->window()))
        if (QMdiSubWindow* sub = m_mdiArea->activeSubWindow())
            return qobject_cast<TForm*>(sub->widget());
    return nullptr;
}
