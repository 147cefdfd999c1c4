// The selection filter: branch and client validation and lookups, the period, leaving the
// panel by keyboard and mouse, the work number, and the service-list load with its
// failures.

#include "billing_world.h"

#include "screens/apuracao/frm_apur_fat_tr.h"

#include "framework/components/db_geral.h"
#include "framework/components/focus.h"
#include "framework/data/packet.h"

#include <QLineEdit>
#include <QSqlQuery>
#include <QTest>

namespace {

const QString kGetCliente = QString::fromLatin1(ServerMethod::GetCliente);
const QString kGetFiltro = QString::fromLatin1(ServerMethod::GetFiltro);
const QString kGetPrx = QString::fromLatin1(ServerMethod::GetPrxRelApurFat);

// Runs a validator as the panel's exit would, keeping what it raised out of the test.
bool passes(const std::function<void()>& validator) {
    try {
        validator();
        return true;
    } catch (const EAlreadyShown&) {
        return false;
    }
}

QWidget* focused(const TfrmApurFatTR* s) {
    return ActiveControl(s);
}

} // namespace

class TstFilter : public QObject {
    Q_OBJECT
private slots:
    void theBranchIsAdjustedAndLookedUp_data();
    void theBranchIsAdjustedAndLookedUp();
    void aBranchTypedInLowerCaseOrWithBlanksIsFound();
    void theBranchLookupOffersEveryBranch();
    void theClientIsValidatedByTheServer_data();
    void theClientIsValidatedByTheServer();
    void enteringTheClientTakesTheMaskOffAndKeepsTheName();
    void theClientLookupListsTheBranchsClients();
    void theRegistrationNumberShowsWithItsPersonTypesMask_data();
    void theRegistrationNumberShowsWithItsPersonTypesMask();
    void thePeriodIsChecked_data();
    void thePeriodIsChecked();
    void aRefusedExitKeepsTheFocusWhicheverWayTheClerkLeaves_data();
    void aRefusedExitKeepsTheFocusWhicheverWayTheClerkLeaves();
    void theEditsExitRunsBeforeThePanels();
    void theNewestWorkNumberGoesWithEveryLoad();
    void aFailedLoadIsShownOnceAndThePanelIsLeft_data();
    void aFailedLoadIsShownOnceAndThePanelIsLeft();
    void aFailedWorkNumberKeepsTheBranchWithoutOne();
    void reenteringThePanelResetsTheScreen();
    void aLoginBoundToOneBranchNeverGetsTheBranchBack();
};

void TstFilter::theBranchIsAdjustedAndLookedUp_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("required");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("short code, filled to four") << "1" << false << "0001"
                                                << "Filial Centro"
                                                << "";
    QTest::newRow("required and found") << "0002" << true << "0002"
                                        << "Filial Norte"
                                        << "";
    QTest::newRow("empty, on its own exit") << "" << false << ""
                                            << ""
                                            << "";
    QTest::newRow("empty, leaving the panel") << "" << true << ""
                                              << ""
                                              << "Filial deve ser informada.";
    QTest::newRow("unknown, on its own exit") << "9" << false << "0009"
                                              << ""
                                              << "Filial não cadastrada.";
    QTest::newRow("unknown, leaving the panel") << "9" << true << "0009"
                                                << ""
                                                << "Filial não cadastrada.";
}

void TstFilter::theBranchIsAdjustedAndLookedUp() {
    QFETCH(QString, typed);
    QFETCH(bool, required);
    QFETCH(QString, shown);
    QFETCH(QString, name);
    QFETCH(QString, message);
    BillingScreen f;
    SetFocus(f.s->depDtFinal);
    f.s->medCdFilial->SetText(typed);
    f.s->edtNmFilial->setText("anterior");
    const bool ok = passes([&] { f.s->Vd_Filial(required); });
    QCOMPARE(ok, message.isEmpty());
    QCOMPARE(f.s->medCdFilial->Text(), shown);
    QCOMPARE(f.ui.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    if (ok) {
        QCOMPARE(f.s->edtNmFilial->text(), name);
        QCOMPARE(focused(f.s), f.s->depDtFinal);
    } else {
        QCOMPARE(focused(f.s), f.s->medCdFilial);
    }
}

void TstFilter::aBranchTypedInLowerCaseOrWithBlanksIsFound() {
    BillingScreen f;
    QSqlQuery(dtmDBGeral::Database())
        .exec("INSERT INTO FILIAL VALUES ('00AB', 'Filial Letras', NULL)");
    f.s->medCdCliente->SetText("");
    for (const auto& [keys, code, name] :
         {std::tuple{"ab", "00AB", "Filial Letras"}, std::tuple{" 2 ", "0002", "Filial Norte"}}) {
        SetFocus(f.s->medCdFilial);
        f.s->medCdFilial->selectAll();
        QTest::keyClick(f.s->medCdFilial, Qt::Key_Delete);
        QTest::keyClicks(f.s->medCdFilial, keys);
        QVERIFY(f.s->edtNmFilial->text().isEmpty()); // a change of the code clears the name
        QTest::keyClick(f.s->medCdFilial, Qt::Key_Tab);
        QCOMPARE(f.s->medCdFilial->Text(), QString(code));
        QCOMPARE(f.s->edtNmFilial->text(), QString(name));
        QCOMPARE(focused(f.s), f.s->medCdCliente);
    }
    QVERIFY(f.ui.messages.isEmpty());
}

void TstFilter::theBranchLookupOffersEveryBranch() {
    BillingScreen f;
    // The validation left the query on one branch; the lookup lists them all.
    QVERIFY(passes([&] { f.s->Vd_Filial(true); }));
    f.ui.picks = {1};
    f.s->btpFilial->Click();
    QCOMPARE(f.ui.lists.size(), 1);
    QCOMPARE(f.ui.lists[0].title, QString("Filial"));
    QCOMPARE(f.ui.lists[0].headers, (QStringList{"Código", "Nome"}));
    QCOMPARE(f.ui.lists[0].rows,
             (QList<QStringList>{{"0001", "Filial Centro"}, {"0002", "Filial Norte"}}));
    QCOMPARE(f.s->medCdFilial->Text(), QString("0002"));
    QCOMPARE(f.s->edtNmFilial->text(), QString("Filial Norte"));
    // A cancelled pick changes nothing.
    f.ui.picks = {-1};
    f.s->btpFilial->Click();
    QCOMPARE(f.s->medCdFilial->Text(), QString("0002"));
}

void TstFilter::theClientIsValidatedByTheServer_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("required");
    QTest::addColumn<QString>("refusal"); // the server's failure, when it fails
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("serverCalls");
    QTest::addColumn<QString>("shown");
    QTest::newRow("with punctuation") << "12.345.678/0001-90" << false << ""
                                      << "" << 1 << "12.345.678/0001-90";
    QTest::newRow("digits only, required") << "12345678000190" << true << ""
                                           << "" << 1 << "12.345.678/0001-90";
    QTest::newRow("not a client of the branch") << "999" << false << ""
                                                << "Cliente não cadastrado." << 1 << "999";
    QTest::newRow("server failure") << "12345678000190" << false << "Base de clientes indisponível."
                                    << "Base de clientes indisponível." << 1 << "12345678000190";
    QTest::newRow("empty, leaving the panel") << "" << true << ""
                                              << "Cliente deve ser informado." << 0 << "";
    QTest::newRow("empty, on its own exit") << "" << false << ""
                                            << "" << 0 << "";
}

void TstFilter::theClientIsValidatedByTheServer() {
    QFETCH(QString, typed);
    QFETCH(bool, required);
    QFETCH(QString, refusal);
    QFETCH(QString, message);
    QFETCH(int, serverCalls);
    QFETCH(QString, shown);
    BillingScreen f;
    if (!refusal.isEmpty())
        f.server.refuse(kGetCliente, refusal);
    SetFocus(f.s->depDtInicial);
    f.s->medCdCliente->SetText(typed);
    f.s->edtNmCliente->setText("anterior");
    const bool ok = passes([&] { f.s->Vd_Cliente(required); });
    QCOMPARE(ok, message.isEmpty());
    QCOMPARE(f.ui.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    const auto calls = f.server.callsOf(kGetCliente);
    QCOMPARE(calls.size(), serverCalls);
    if (serverCalls)
        QCOMPARE(calls[0].args,
                 (QVariantList{"0001", QString(typed).remove(QRegularExpression("\\D"))}));
    QCOMPARE(f.s->medCdCliente->displayText().trimmed(), shown);
    QCOMPARE(focused(f.s), ok ? static_cast<QWidget*>(f.s->depDtInicial) : f.s->medCdCliente);
    if (!ok) {
        QVERIFY(f.s->medCdCliente->EditMask().isEmpty()); // a failed check sets no mask
    } else {
        QCOMPARE(f.s->edtNmCliente->text(), typed.isEmpty() ? QString() : f.world.name);
    }
}

void TstFilter::enteringTheClientTakesTheMaskOffAndKeepsTheName() {
    BillingScreen f;
    SetFocus(f.s->medCdCliente);
    SetFocus(f.s->depDtInicial);
    QCOMPARE(f.s->medCdCliente->displayText(), QString("12.345.678/0001-90"));
    QCOMPARE(f.s->edtNmCliente->text(), f.world.name);

    QTest::keyClick(f.s->depDtInicial->lineEdit(), Qt::Key_Backtab);
    QCOMPARE(focused(f.s), f.s->medCdCliente);
    QCOMPARE(f.s->medCdCliente->displayText(), QString("12345678000190"));
    QCOMPARE(f.s->medCdCliente->MaxLength(), 20);
    QCOMPARE(f.s->edtNmCliente->text(), f.world.name);
    QTest::keyClick(f.s->medCdCliente, Qt::Key_End);
    QTest::keyClick(f.s->medCdCliente, Qt::Key_Backspace);
    QVERIFY(f.s->edtNmCliente->text().isEmpty());
}

void TstFilter::theClientLookupListsTheBranchsClients() {
    BillingScreen f;
    f.s->medCdCliente->SetText("");
    f.ui.picks = {0};
    f.s->btpCliente->Click();
    QCOMPARE(f.server.callsOf(kGetCliente).last().args, (QVariantList{"0001", QString()}));
    QCOMPARE(f.ui.lists.size(), 1);
    QCOMPARE(f.ui.lists[0].title, QString("Cliente"));
    QCOMPARE(f.ui.lists[0].rows,
             (QList<QStringList>{{"12.345.678/0001-90", f.world.name, "Bom Prato"}}));
    QCOMPARE(f.s->medCdCliente->Text(), f.world.registration);
    QCOMPARE(f.s->edtNmCliente->text(), f.world.name);

    // A branch without clients says so instead of an empty list.
    f.s->medCdFilial->SetText("0002");
    f.ui.clear();
    f.s->btpCliente->Click();
    QVERIFY(f.ui.lists.isEmpty());
    QCOMPARE(f.ui.texts(), QStringList{"Não há cliente cadastrado ou Ativos para a Filial"});
}

void TstFilter::theRegistrationNumberShowsWithItsPersonTypesMask_data() {
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("raw");
    QTest::addColumn<QString>("shown");
    QTest::newRow("company") << "J"
                             << "12345678000190"
                             << "12.345.678/0001-90";
    QTest::newRow("person") << "F"
                            << "12345678909"
                            << "123.456.789-09";
    QTest::newRow("unknown type") << "X"
                                  << "777"
                                  << "777";
}

void TstFilter::theRegistrationNumberShowsWithItsPersonTypesMask() {
    QFETCH(QString, type);
    QFETCH(QString, raw);
    QFETCH(QString, shown);
    BillingScreen f;
    f.s->cdsCliente.SetData(packetFor(f.s->cdsCliente, {{"C-1", type, raw, "Nome", ""}}));
    TField& number = f.s->cdsCliente.FieldByName("NRINSJURCLIE");
    QCOMPARE(number.DisplayText(), shown);
    QCOMPARE(number.Text(), shown);
    QCOMPARE(number.AsString(), raw);
}

void TstFilter::thePeriodIsChecked_data() {
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    QTest::newRow("both empty: the start first")
        << QDate() << QDate() << "Período de Apuração deve ser informado."
        << "depDtInicial";
    QTest::newRow("end empty") << QDate(2026, 11, 1) << QDate()
                               << "Período de Apuração deve ser informado."
                               << "depDtFinal";
    QTest::newRow("end before start")
        << QDate(2026, 11, 2) << QDate(2026, 11, 1)
        << "Data Inicial deve ser menor ou igual a data final de apuração."
        << "depDtInicial";
    QTest::newRow("one day") << QDate(2026, 11, 3) << QDate(2026, 11, 3) << ""
                             << "dbgPadrao";
}

void TstFilter::thePeriodIsChecked() {
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    BillingScreen f;
    f.typeFilter("0001", f.world.registration, from, to);
    SetFocus(f.s->medCdCliente);
    QCOMPARE(f.leaveFilter(), message.isEmpty());
    QCOMPARE(f.ui.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(focused(f.s)->objectName(), focus);
    QVERIFY(f.s->cdsCdFilial.Active());
    QVERIFY(f.s->cdsNrPrx.Active());
    QCOMPARE(f.s->cdsCdFilial.RecordCount(), message.isEmpty() ? 1 : 0);
    QCOMPARE(f.server.callsOf(kGetFiltro).size(), message.isEmpty() ? 1 : 0);
    QCOMPARE(f.s->cdsServEfet.Active(), message.isEmpty());
}

void TstFilter::aRefusedExitKeepsTheFocusWhicheverWayTheClerkLeaves_data() {
    QTest::addColumn<QString>("way");
    QTest::newRow("Tab") << "tab";
    QTest::newRow("Enter") << "enter";
    QTest::newRow("Shift+Tab") << "backtab";
    QTest::newRow("a click on the grid") << "grid";
    QTest::newRow("a click on a tab") << "tab bar";
}

void TstFilter::aRefusedExitKeepsTheFocusWhicheverWayTheClerkLeaves() {
    QFETCH(QString, way);
    BillingScreen f;
    f.s->depDtInicial->SetText("");
    const bool backwards = way == "backtab";
    QWidget* from =
        backwards ? static_cast<QWidget*>(f.s->medCdFilial) : f.s->depDtFinal->lineEdit();
    SetFocus(backwards ? static_cast<QWidget*>(f.s->medCdFilial) : f.s->depDtFinal);
    if (way == "tab" || way == "backtab" || way == "enter")
        QTest::keyClick(from, way == "tab"     ? Qt::Key_Tab
                              : way == "enter" ? Qt::Key_Return
                                               : Qt::Key_Backtab);
    else if (way == "grid")
        QTest::mouseClick(f.s->dbgPadrao->viewport(), Qt::LeftButton);
    else
        f.clickTab(0);
    QCOMPARE(f.ui.texts(), QStringList{"Período de Apuração deve ser informado."});
    QCOMPARE(focused(f.s), f.s->depDtInicial);
    QVERIFY(f.s->depDtInicial->lineEdit()->hasFocus());
    QVERIFY(f.server.callsOf(kGetFiltro).isEmpty());

    // Put right, the same way out leaves the panel and loads the services.
    f.ui.clear();
    f.s->depDtInicial->SetDate(utcDay(QDate(2026, 11, 1)));
    QVERIFY(f.leaveFilter());
    QVERIFY(f.ui.messages.isEmpty());
    QCOMPARE(f.s->cdsServEfet.RecordCount(), 2);
}

void TstFilter::theEditsExitRunsBeforeThePanels() {
    BillingScreen f;
    // An impossible date is refused by the date's own exit: the panel's checks never run.
    f.s->depDtFinal->SetText("31022026");
    SetFocus(f.s->depDtFinal);
    f.server.calls.clear();
    QVERIFY(!f.leaveFilter());
    QCOMPARE(f.ui.texts(), QStringList{"'31/02/2026' não é uma data válida."});
    QCOMPARE(focused(f.s), f.s->depDtFinal);
    QVERIFY(f.server.calls.isEmpty());

    // An unknown client refuses on the client's own exit, once.
    f.ui.clear();
    f.s->depDtFinal->SetDate(utcDay(QDate(2026, 11, 30)));
    SetFocus(f.s->medCdCliente);
    f.s->medCdCliente->SetText("999");
    QVERIFY(!f.leaveFilter());
    QCOMPARE(f.ui.texts(), QStringList{"Cliente não cadastrado."});
    QCOMPARE(f.server.methods(), QStringList{kGetCliente});
    QCOMPARE(focused(f.s), f.s->medCdCliente);
}

void TstFilter::theNewestWorkNumberGoesWithEveryLoad() {
    BillingScreen f;
    const auto loads = [&] { return f.server.callsOf(kGetFiltro); };
    QVERIFY(f.leaveFilter());
    QCOMPARE(loads().last().args,
             (QVariantList{"0001", utcDay(QDate(2026, 11, 1)), utcDay(QDate(2026, 11, 30)),
                           "0001000001", "C-77"}));
    // The same branch again: no new number.
    SetFocus(f.s->medCdFilial);
    QVERIFY(f.leaveFilter());
    QCOMPARE(f.server.callsOf(kGetPrx).size(), 1);

    // A second branch gets its own number, and from then on every load sends it.
    f.world.branch = "0002";
    SetFocus(f.s->medCdFilial);
    f.s->medCdFilial->SetText("0002");
    QVERIFY(f.leaveFilter());
    QCOMPARE(f.server.callsOf(kGetPrx).size(), 2);
    QCOMPARE(loads().last().args[3], QVariant("0002000002"));
    f.world.branch = "0001";
    SetFocus(f.s->medCdFilial);
    f.s->medCdFilial->SetText("0001");
    QVERIFY(f.leaveFilter());
    QCOMPARE(f.server.callsOf(kGetPrx).size(), 2);
    QCOMPARE(loads().last().args[0], QVariant("0001"));
    QCOMPARE(loads().last().args[3], QVariant("0002000002"));
    QVERIFY(f.ui.messages.isEmpty());

    QVERIFY(f.close());
    const auto release = f.server.callsOf(ServerMethod::DelTableRelApur).last();
    QCOMPARE(packet::decode(release.args[0]).rows.size(), 2);
    QCOMPARE(release.args[1], QVariant("0002000002"));
}

void TstFilter::aFailedLoadIsShownOnceAndThePanelIsLeft_data() {
    QTest::addColumn<bool>("transport");
    QTest::newRow("the server refuses") << false;
    QTest::newRow("the server does not answer") << true;
}

void TstFilter::aFailedLoadIsShownOnceAndThePanelIsLeft() {
    QFETCH(bool, transport);
    BillingScreen f;
    const QString text = transport ? "O servidor de aplicação não respondeu a GetFiltro em 60,0 s."
                                   : "Período fechado para consulta.";
    f.server.on(kGetFiltro, [&](QVariantList&) -> QVariant {
        if (transport)
            throw ENetError(text);
        return ScriptedAppServer::failure(text);
    });
    f.ui.busyKinds.clear();
    QVERIFY(f.leaveFilter());
    QCOMPARE(f.ui.texts(), QStringList{text});
    QCOMPARE(f.ui.busyKinds, QList<int>{1});
    QVERIFY(!f.ui.busyVisible());
    QVERIFY(!f.s->cdsServEfet.Active());
    QVERIFY(f.s->medCdFilial->isEnabled());
    QVERIFY(f.s->dtsPadrao.Enabled());
    QCOMPARE(f.commands(), QString("0000000"));
}

void TstFilter::aFailedWorkNumberKeepsTheBranchWithoutOne() {
    BillingScreen f;
    f.server.on(kGetPrx, [](QVariantList&) -> QVariant { throw ENetError("Conexão perdida."); });
    QVERIFY(!f.leaveFilter());
    QCOMPARE(f.ui.texts(), QStringList{"Conexão perdida."});
    QCOMPARE(f.s->cdsCdFilial.RecordCount(), 1);
    QCOMPARE(f.s->cdsNrPrx.RecordCount(), 0);
    // The branch is known now: the next exit asks for no number and loads without one.
    f.ui.clear();
    QVERIFY(f.leaveFilter());
    QCOMPARE(f.server.callsOf(kGetPrx).size(), 1);
    QCOMPARE(f.server.callsOf(kGetFiltro).last().args[3], QVariant(QString()));
    QVERIFY(f.ui.messages.isEmpty());
}

void TstFilter::reenteringThePanelResetsTheScreen() {
    BillingScreen f;
    QVERIFY(f.leaveFilter());
    f.s->mnuFormularioClick(f.s->mnuFormulario);
    QCOMPARE(f.s->pgcPadrao->ActivePage(), f.s->tshFormulario);
    SetFocus(f.s->depDtFinal);
    QVERIFY(!f.s->cdsServEfet.Active());
    QCOMPARE(f.s->pgcPadrao->ActivePage(), f.s->tshFolhaDados);
    QVERIFY(!f.s->tshFormulario->Enabled());
    QVERIFY(!f.s->mnuFormulario->isEnabled());
    QVERIFY(!f.s->mnuFormulario->isChecked());
    QVERIFY(f.s->mnuFolhaDados->isChecked());
    QCOMPARE(f.commands(), QString("0000000"));
}

void TstFilter::aLoginBoundToOneBranchNeverGetsTheBranchBack() {
    BillingScreen f([](HostSession& session) {
        session.moduFili = true;
        session.filiProcFat = "0001";
    });
    const auto branchLocked = [&] {
        return !f.s->medCdFilial->isEnabled() && !f.s->btpFilial->isEnabled() &&
               !f.s->lblFilial->isEnabled();
    };
    QVERIFY(branchLocked());
    SetFocus(f.s->medCdCliente);
    QVERIFY(f.leaveFilter());
    QVERIFY(branchLocked());
    // Editing and posting a service enables the filter again, but never the branch.
    f.s->cdsServEfet.Edit();
    QVERIFY(!f.s->medCdCliente->isEnabled());
    f.s->cdsServEfet.Cancel();
    QVERIFY(f.s->medCdCliente->isEnabled());
    QVERIFY(branchLocked());
    SetFocus(f.s->medCdCliente);
    QVERIFY(branchLocked());
}

QTEST_MAIN(TstFilter)
#include "tst_filter.moc"
