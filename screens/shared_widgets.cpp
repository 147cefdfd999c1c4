#include "screens/shared_widgets.h"

#include "framework/components/date_edit.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>

QLabel* boldLabel(const QString& name, const QString& caption, QWidget* parent) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

TDateEditPlus* billingDateEdit(const QString& name, const QString& accessibleName,
                               QWidget* parent) {
    auto* date = new TDateEditPlus(parent);
    date->setObjectName(name);
    date->lineEdit()->setFixedWidth(100);
    date->SetValidDateColor(Qt::blue);
    date->SetNomeSemana({QStringLiteral("Domingo"), QStringLiteral("Segunda"),
                         QStringLiteral("Terça"), QStringLiteral("Quarta"),
                         QStringLiteral("Quinta"), QStringLiteral("Sexta"),
                         QStringLiteral("Sábado")});
    date->SetSaveTime(false);
    date->SetColor(QApplication::palette().color(QPalette::ToolTipBase));
    date->setAccessibleName(accessibleName);
    date->lineEdit()->setAccessibleName(accessibleName);
    return date;
}
