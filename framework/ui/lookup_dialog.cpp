#include "framework/ui/lookup_dialog.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

LookupDialog::LookupDialog(const LookupList& list, QWidget* parent)
    : QDialog(parent), m_model(new QStandardItemModel(this)),
      m_proxy(new QSortFilterProxyModel(this)), m_filter(new QLineEdit(this)),
      m_table(new QTableView(this)) {
    setObjectName(QStringLiteral("lookupDialog"));
    setWindowTitle(list.title.isEmpty() ? QStringLiteral("Pesquisa") : list.title);
    setModal(true);

    m_model->setColumnCount(int(list.headers.size()));
    m_model->setHorizontalHeaderLabels(list.headers);
    for (qsizetype r = 0; r < list.rows.size(); ++r) {
        QList<QStandardItem*> items;
        for (const QString& text : list.rows.at(r)) {
            auto* item = new QStandardItem(text);
            item->setData(int(r), Qt::UserRole);
            item->setEditable(false);
            items.append(item);
        }
        m_model->appendRow(items);
    }
    m_proxy->setSourceModel(m_model);
    m_proxy->setFilterCaseSensitivity(Qt::CaseInsensitive);
    m_proxy->setFilterKeyColumn(-1);

    m_table->setObjectName(QStringLiteral("lookupTable"));
    m_table->setModel(m_proxy);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setAlternatingRowColors(true);
    m_table->resizeColumnsToContents();
    m_table->installEventFilter(this);

    m_filter->setObjectName(QStringLiteral("lookupFilter"));
    m_filter->setPlaceholderText(QStringLiteral("Digite para filtrar"));
    m_filter->setAccessibleName(QStringLiteral("Filtro"));
    m_filter->installEventFilter(this);
    connect(m_filter, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_proxy->setFilterFixedString(text);
        selectFirstVisible();
    });
    connect(m_table, &QTableView::doubleClicked, this, &QDialog::accept);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Cancelar"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("&Filtrar:"), this);
    label->setBuddy(m_filter);
    layout->addWidget(label);
    layout->addWidget(m_filter);
    layout->addWidget(m_table);
    layout->addWidget(buttons);
    resize(560, 360);
    selectFirstVisible();
    m_filter->setFocus();
}

void LookupDialog::selectFirstVisible() {
    if (m_proxy->rowCount() > 0)
        m_table->setCurrentIndex(m_proxy->index(0, 0));
}

int LookupDialog::pickedRow() const {
    const QModelIndex current = m_table->currentIndex();
    if (!current.isValid())
        return -1;
    return m_proxy->mapToSource(current).data(Qt::UserRole).toInt();
}

bool LookupDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        if (pickedRow() >= 0)
            accept();
        return true;
    }
    // Up and Down move through the list while the filter keeps the focus.
    if (watched == m_filter && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down ||
                                key->key() == Qt::Key_PageUp || key->key() == Qt::Key_PageDown)) {
        QCoreApplication::sendEvent(m_table, event);
        return true;
    }
    return false;
}
