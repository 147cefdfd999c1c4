// What the clerk typed into a day's apportionment survives every move that would reload it
// or leave it behind: the rows are sent first, and when they cannot be (a failed check, a
// sum that differs, the server's refusal) the move is refused with that one message and the
// rows stay as typed. Closing asks before it drops them. A day with nothing pending moves
// as it always did.

#include "billing_world.h"

#include "screens/apuracao/cli_rqx52000.h"
#include "screens/apuracao/frm_apur_fat_tr.h"

#include "framework/components/focus.h"
#include "framework/ui/guard.h"

#include <QTest>

namespace {

const QString kSetRateio = QString::fromLatin1(ServerMethod::SetRateio);
const QString kSomaDif =
    "A soma das quantidades rateadas deve ser igual ao nº de comensais faturadas do dia.";
const QString kQtdeInf = "Quantidade deve ser informada.";
const QString kRefused = "Rateio 0001 do serviço 00010 em 04/11/2026 foi alterado por outro "
                         "usuário depois de carregado.";
const QString kDiscard = "As alterações do rateio não foram gravadas. Descartá-las e fechar?";
const QDate kDay(2026, 11, 4);

// The daily page of Desjejum on 04/11, 10 billed, split 4 + 6, the focus in the shares.
struct PendingDay : SplitDay {
    PendingDay() : SplitDay({{"0001", 4, "001", ""}, {"0002", 6, "002", ""}}) {}
    TField& field(const char* name) { return s->cdsRateio.FieldByName(name); }
    // The clerk types over the first share: its note, and its quantity (`quantity`, or
    // nothing at all when negative).
    void typeOverFirstShare(double quantity) {
        s->cdsRateio.First();
        s->cdsRateio.Edit();
        field("DSOBSRATE").SetAsString("digitado");
        if (quantity < 0)
            field("QTDERATEIO").Clear();
        else
            field("QTDERATEIO").SetAsFloat(quantity);
    }
    const BillingWorld::Share& savedFirstShare() {
        return world.shares[BillingWorld::key("00010", kDay)][0];
    }
    // Runs `road`; true when the move it stands for went on.
    bool take(const QString& road) {
        if (road == "the navigator") {
            Guarded([&] { s->dbnPadrao->BtnClick(nbNext); });
            return s->cdsServEfet.RecNo() == 2;
        }
        if (road == "another day") {
            Guarded([&] { s->cdsEfetivos.Next(); });
            return s->cdsEfetivos.RecNo() == 3;
        }
        if (road == "verify") {
            Guarded([&] { s->sbtVerificar->Click(); });
            return !server.callsOf(ServerMethod::GetEfetivos).isEmpty();
        }
        if (road == "the tab's leaving check") {
            bool allow = true;
            return Guarded([&] { s->pgcPadraoChanging(s->pgcPadrao, allow); }) && allow;
        }
        if (road == "the page menu") {
            Guarded([&] { s->mnuFolhaDadosClick(s->mnuFolhaDados); });
            return s->pgcPadrao->ActivePage() == s->tshFolhaDados;
        }
        if (road == "the filter") {
            Guarded([&] { s->panFiltroEnter(s->panFiltro); });
            return !s->cdsServEfet.Active();
        }
        server.answer(ServerMethod::DelTableRelApur, QVariant());
        return close();
    }
};

} // namespace

class TstPendingShares : public QObject {
    Q_OBJECT
private slots:
    void everyRoadSendsTypedSharesOrRefusesTheMove_data();
    void everyRoadSendsTypedSharesOrRefusesTheMove();
    void closingAsksBeforeDroppingSharesThatCannotBeSent_data();
    void closingAsksBeforeDroppingSharesThatCannotBeSent();
    void aFailedSaveKeepsConfirmAndCancelAtHand();
    void theGridIsNotLeftWhileSharesStayUnsent();
};

void TstPendingShares::everyRoadSendsTypedSharesOrRefusesTheMove_data() {
    QTest::addColumn<QString>("road");
    QTest::addColumn<QString>("pending");
    QTest::addColumn<double>("quantity"); // typed over the first share; negative: none
    QTest::addColumn<bool>("serverAccepts");
    QTest::addColumn<bool>("moves");
    QTest::addColumn<int>("sends");
    QTest::addColumn<QStringList>("messages");

    struct Case {
        const char* pending;
        double quantity;
        bool serverAccepts, moves;
        int sends;
        QStringList messages;
    };
    const Case cases[] = {
        {"nothing", 4, true, true, 0, {}},
        {"an open row that adds up", 4, true, true, 1, {}},
        {"posted rows that add up", 4, true, true, 1, {}},
        {"an open row that does not add up", 5, true, false, 0, {kSomaDif}},
        {"posted rows that do not add up", 5, true, false, 0, {kSomaDif}},
        {"an open row without a quantity", -1, true, false, 0, {kQtdeInf}},
        {"rows the server refused, refused again", 4, false, false, 1, {kRefused}},
        {"rows the server refused, taken now", 4, true, true, 1, {}},
    };
    for (const char* road : {"the navigator", "another day", "verify", "the tab's leaving check",
                             "the page menu", "the filter", "closing"})
        for (const Case& c : cases) {
            QStringList messages = c.messages;
            if (QString(road) == "closing" && !c.moves)
                messages << kDiscard; // answered No
            QTest::addRow("%s, %s", road, c.pending)
                << QString(road) << QString(c.pending) << c.quantity << c.serverAccepts << c.moves
                << c.sends << messages;
        }
}

void TstPendingShares::everyRoadSendsTypedSharesOrRefusesTheMove() {
    QFETCH(QString, road);
    QFETCH(QString, pending);
    QFETCH(double, quantity);
    QFETCH(bool, serverAccepts);
    QFETCH(bool, moves);
    QFETCH(int, sends);
    QFETCH(QStringList, messages);
    PendingDay f;
    if (pending != "nothing") {
        f.typeOverFirstShare(quantity);
        if (pending.startsWith("posted") || pending.startsWith("rows the server"))
            f.s->cdsRateio.Post();
        if (pending.startsWith("rows the server")) {
            f.server.refuse(kSetRateio, kRefused);
            QVERIFY(Guarded([&] { f.s->sbtConfirmar->Click(); }));
            QCOMPARE(f.s->cdsRateio.ChangeCount(), 1);
            if (serverAccepts)
                f.world.serve(f.server);
            f.ui.clear();
            f.server.calls.clear();
        }
    }

    QCOMPARE(f.take(road), moves);

    QCOMPARE(f.ui.texts(), messages);
    QCOMPARE(f.server.callsOf(kSetRateio).size(), sends);
    if (sends == 1 && moves)
        QCOMPARE(f.savedFirstShare().note, QString("digitado"));
    else
        QCOMPARE(f.savedFirstShare().note, QString());
    if (!moves) {
        // Refused: the rows stay as typed, on the day they were typed on.
        QVERIFY(f.s->cdsRateio.State() == dsEdit || f.s->cdsRateio.ChangeCount() == 1);
        QCOMPARE(f.s->cdsEfetivos.RecNo(), 2);
        QCOMPARE(f.s->cdsServEfet.RecNo(), 1);
        QCOMPARE(f.s->pgcPadrao->ActivePage(), f.s->tshFormulario);
        if (f.s->cdsRateio.State() == dsBrowse)
            f.s->cdsRateio.First();
        QCOMPARE(f.field("DSOBSRATE").AsString(), QString("digitado"));
        if (quantity >= 0)
            QCOMPARE(f.field("QTDERATEIO").AsFloat(), quantity);
    }
    if (road == "closing" && !moves) {
        QCOMPARE(f.ui.messages.last().buttons, mbYes | mbNo);
        QCOMPARE(f.ui.messages.last().defaultButton, int(mbNo));
    }
}

void TstPendingShares::closingAsksBeforeDroppingSharesThatCannotBeSent_data() {
    QTest::addColumn<double>("quantity");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closes");
    QTest::newRow("a sum that differs, Sim") << 5.0 << int(mrYes) << true;
    QTest::newRow("a sum that differs, Não") << 5.0 << int(mrNo) << false;
    QTest::newRow("no quantity, Sim") << -1.0 << int(mrYes) << true;
    QTest::newRow("no quantity, Não") << -1.0 << int(mrNo) << false;
}

void TstPendingShares::closingAsksBeforeDroppingSharesThatCannotBeSent() {
    QFETCH(double, quantity);
    QFETCH(int, answer);
    QFETCH(bool, closes);
    PendingDay f;
    f.typeOverFirstShare(quantity);
    f.ui.answers = {int(mrOk), answer};
    QCOMPARE(f.take("closing"), closes);
    QCOMPARE(f.ui.texts().size(), 2);
    QCOMPARE(f.ui.texts().last(), kDiscard);
    QVERIFY(f.server.callsOf(kSetRateio).isEmpty());
    QCOMPARE(f.savedFirstShare().quantity, 4.0);
    if (!closes) {
        QCOMPARE(f.s->cdsRateio.State(), quantity < 0 ? dsEdit : dsBrowse);
        // Still there to be corrected: the next confirmation sends it.
        if (f.s->cdsRateio.State() == dsBrowse) {
            f.s->cdsRateio.First();
            f.s->cdsRateio.Edit();
        }
        f.field("QTDERATEIO").SetAsFloat(4);
        QVERIFY(f.take("closing"));
        QCOMPARE(f.savedFirstShare().note, QString("digitado"));
    }
}

void TstPendingShares::aFailedSaveKeepsConfirmAndCancelAtHand() {
    PendingDay f;
    f.typeOverFirstShare(4);
    f.server.refuse(kSetRateio, kRefused);
    QVERIFY(Guarded([&] { f.s->sbtConfirmar->Click(); }));
    QCOMPARE(f.ui.texts(), QStringList{kRefused});
    // The rows are not saved: confirm sends them again, cancel undoes them.
    QCOMPARE(f.commands(), QString("0000010"));
    QVERIFY(!f.s->tshFolhaDados->Enabled());
    f.ui.answers = {int(mrYes)};
    QVERIFY(Guarded([&] { f.s->sbtCancelar->Click(); }));
    QCOMPARE(f.s->cdsRateio.ChangeCount(), 0);
    QCOMPARE(f.commands(), QString("1111101"));
    QVERIFY(f.take("another day"));
}

void TstPendingShares::theGridIsNotLeftWhileSharesStayUnsent() {
    PendingDay f;
    f.typeOverFirstShare(4);
    f.s->cdsRateio.Post();
    f.server.refuse(kSetRateio, kRefused);
    // A click in the day list: the grid's exit tries once, and the one refusal keeps the
    // focus and the day.
    QTest::mouseClick(
        f.s->dbgEfetivos->viewport(), Qt::LeftButton, {},
        f.s->dbgEfetivos->visualRect(f.s->dbgEfetivos->model()->index(2, 0)).center());
    QCOMPARE(f.ui.texts(), QStringList{kRefused});
    QCOMPARE(ActiveControl(f.s), f.s->dbgRateio);
    QCOMPARE(f.s->cdsEfetivos.RecNo(), 2);
    QCOMPARE(f.s->cdsRateio.ChangeCount(), 1);
    // Once the server takes them, the same click goes through.
    f.world.serve(f.server);
    f.ui.clear();
    QCoreApplication::processEvents(); // a clerk's next click comes after the last one settled
    QTest::mouseClick(
        f.s->dbgEfetivos->viewport(), Qt::LeftButton, {},
        f.s->dbgEfetivos->visualRect(f.s->dbgEfetivos->model()->index(2, 0)).center());
    QVERIFY(f.ui.messages.isEmpty());
    QCOMPARE(f.s->cdsEfetivos.RecNo(), 3);
    QCOMPARE(f.savedFirstShare().note, QString("digitado"));
}

QTEST_MAIN(TstPendingShares)
#include "tst_pending_shares.moc"
