#include "grid_fixture.h"

#include <QApplication>
#include <QTest>
#include <QVBoxLayout>

namespace {

QVariantMap rowsPacket(const QList<QPair<double, QString>>& rows) {
    QVariantList list;
    for (const auto& [qty, nf] : rows)
        list << QVariant(QVariantList{qty, nf, QString()});
    return {{"fields",
             QVariantList{QVariantMap{{"name", "QTDERATEIO"}, {"type", "float"}},
                          QVariantMap{{"name", "NRAGREFRAT"}, {"type", "string"}, {"size", 3}},
                          QVariantMap{{"name", "DSOBSRATE"}, {"type", "string"}, {"size", 100}}}},
            {"rows", list}};
}

} // namespace

GridScreen::GridScreen(const QList<QPair<double, QString>>& rows) {
    ds.AddField("QTDERATEIO", ftFloat)
        .SetDisplayLabel("Qtde. Rateada")
        .SetDisplayFormat("#,##0.000");
    ds.AddField("NRAGREFRAT", ftString, 3).SetDisplayLabel("NF").SetEditMask("999;0;");
    ds.AddField("DSOBSRATE", ftString, 100);
    ds.SetData(rowsPacket(rows));
    auto* layout = new QVBoxLayout(&form);
    grid = new TDBGrid(&form);
    grid->setObjectName("dbgRateio");
    grid->SetDataSource(&src);
    grid->AddColumn("QTDERATEIO").SetTitleAlignment(taRightJustify).SetWidth(94);
    grid->AddColumn("NRAGREFRAT").SetTitleAlignment(taCenter).SetWidth(29);
    grid->AddColumn("DSOBSRATE").SetTitle("Observação").SetWidth(200);
    other = new QLineEdit(&form);
    other->setObjectName("other");
    layout->addWidget(grid);
    layout->addWidget(other);
    form.resize(500, 300);
    form.show();
    form.activateWindow();
    if (!QTest::qWaitForWindowActive(&form))
        qFatal("window not active");
    grid->setFocus();
}

QPoint GridScreen::cellCentre(int row, int col) const {
    return grid->visualRect(grid->model()->index(row, col)).center();
}

QLineEdit* GridScreen::editor() const {
    if (!grid->EditorMode())
        return nullptr;
    // Closed editors linger, hidden, until they are deleted.
    for (QLineEdit* e : grid->findChildren<QLineEdit*>("cellEditor"))
        if (e->isVisible())
            return e;
    return nullptr;
}

void type(const QString& text) {
    for (const QChar c : text)
        QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
}

void press(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
}
