// The dialog seam on real widgets: Portuguese buttons and the modal results behind them,
// the lookup list dialog, the busy indicator, and a modal run of a form.

#include "contracts/host_framework.h"
#include "framework/forms/form.h"
#include "framework/ui/busy_indicator.h"
#include "framework/ui/lookup_dialog.h"
#include "framework/ui/qt_ui_services.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

namespace {

// Acts on the modal that opens next, once it is shown.
void whenModalOpens(const std::function<void(QWidget*)>& act) {
    QTimer::singleShot(0, [act] {
        QTRY_VERIFY(QApplication::activeModalWidget());
        act(QApplication::activeModalWidget());
    });
}

QPushButton* buttonCaptioned(QWidget* box, const QString& caption) {
    for (QPushButton* b : box->findChildren<QPushButton*>())
        if (b->text() == caption)
            return b;
    return nullptr;
}

} // namespace

class TstQtUi : public QObject {
    Q_OBJECT
private slots:
    void questionsOfferSimAndNaoAndAnswerTheirModalResults();
    void aPlainMessageHasOk();
    void theLookupListFiltersAsYouTypeAndEnterPicks();
    void escapeCancelsTheLookupList();
    void theBusyIndicatorCoversTheFormUntilHidden();
    void aModalRunEndsWhenTheFormCloses();
};

void TstQtUi::questionsOfferSimAndNaoAndAnswerTheirModalResults() {
    QtUiServices ui;
    QStringList captions;
    whenModalOpens([&](QWidget* box) {
        for (QPushButton* b : box->findChildren<QPushButton*>())
            captions << b->text();
        buttonCaptioned(box, "&Sim")->click();
    });
    QCOMPARE(ui.MessageDlg("Confirma exclusão?", mtConfirmation, mbYes | mbNo, 0), int(mrYes));
    QCOMPARE(captions, (QStringList{"&Sim", "&Não"}));
    whenModalOpens([](QWidget* box) { buttonCaptioned(box, "&Não")->click(); });
    QCOMPARE(ui.MessageDlg("Confirma exclusão?", mtConfirmation, mbYes | mbNo, 0), int(mrNo));
    // Escape answers No.
    whenModalOpens([](QWidget* box) { QTest::keyClick(box, Qt::Key_Escape); });
    QCOMPARE(ui.MessageDlg("Deseja cancelar as alterações?", mtConfirmation, mbYes | mbNo, 0),
             int(mrNo));
    // Enter answers the default button: the first one, unless another is asked for.
    whenModalOpens([](QWidget* box) { QTest::keyClick(box, Qt::Key_Return); });
    QCOMPARE(ui.MessageDlg("Confirma exclusão?", mtConfirmation, mbYes | mbNo, 0), int(mrYes));
    whenModalOpens([](QWidget* box) { QTest::keyClick(box, Qt::Key_Return); });
    QCOMPARE(ui.MessageDlg("Descartá-las e fechar?", mtConfirmation, mbYes | mbNo, 0, mbNo),
             int(mrNo));
}

void TstQtUi::aPlainMessageHasOk() {
    QtUiServices ui;
    QString text, title;
    whenModalOpens([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        text = box->text();
        title = box->windowTitle();
        buttonCaptioned(box, "OK")->click();
    });
    QCOMPARE(ui.MessageDlg("Filial não cadastrada.", mtError, mbOK, 0), int(mrOk));
    QCOMPARE(text, QString("Filial não cadastrada."));
    QCOMPARE(title, QString("Erro"));
}

void TstQtUi::theLookupListFiltersAsYouTypeAndEnterPicks() {
    LookupList list{"Cliente",
                    {"Inscrição", "Razão Social"},
                    {{"12.345.678/0001-90", "Restaurante Bom Sabor"},
                     {"123.456.789-09", "Maria Souza"},
                     {"98.765.432/0001-10", "Cozinha Industrial Norte"}}};
    QtUiServices ui;
    whenModalOpens([](QWidget* w) {
        auto* dialog = qobject_cast<LookupDialog*>(w);
        QTest::keyClicks(dialog->filterEdit(), "norte");
        QCOMPARE(dialog->table()->model()->rowCount(), 1);
        QTest::keyClick(dialog->filterEdit(), Qt::Key_Return);
    });
    QCOMPARE(ui.PickFromList(list), 2);
    // Down moves through the filtered list while the filter keeps the focus.
    whenModalOpens([](QWidget* w) {
        auto* dialog = qobject_cast<LookupDialog*>(w);
        QTest::keyClicks(dialog->filterEdit(), "0001");
        QTest::keyClick(dialog->filterEdit(), Qt::Key_Down);
        QTest::keyClick(dialog->filterEdit(), Qt::Key_Return);
    });
    QCOMPARE(ui.PickFromList(list), 2);
}

void TstQtUi::escapeCancelsTheLookupList() {
    QtUiServices ui;
    whenModalOpens([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
    QCOMPARE(ui.PickFromList({"Filial", {"Código"}, {{"0001"}}}), -1);
}

void TstQtUi::theBusyIndicatorCoversTheFormUntilHidden() {
    QtUiServices ui;
    QWidget form;
    form.resize(300, 200);
    form.show();
    ui.ShowBusy(&form, 1);
    auto* veil = form.findChild<BusyIndicator*>();
    QVERIFY(veil);
    QCOMPARE(veil->geometry(), form.rect());
    QCOMPARE(veil->caption(), QString("Aguarde, processando..."));
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    ui.HideBusy();
    QVERIFY(!form.findChild<BusyIndicator*>());
    QVERIFY(!QGuiApplication::overrideCursor());
    // Hiding twice, or after the form went away, is harmless.
    auto* other = new QWidget;
    ui.ShowBusy(other, 0);
    delete other;
    ui.HideBusy();
    ui.HideBusy();
    QVERIFY(!QGuiApplication::overrideCursor());
}

void TstQtUi::aModalRunEndsWhenTheFormCloses() {
    QtUiServices ui;
    TForm form;
    form.SetCaption("Cálculo Apuração Gestão Torvo");
    QTimer::singleShot(0, &form, [&] {
        QTRY_VERIFY(form.isVisible());
        form.SetModalResult(mrOk);
    });
    QCOMPARE(ui.RunModal(&form), int(mrOk));
    QVERIFY(!form.isVisible());
}

QTEST_MAIN(TstQtUi)
#include "tst_qt_ui.moc"
