// The apportionment rows: numbering, the row completed from its day, the quantity and NF
// checks, the sum check, the deletion sent at once, the grid's keys, and the close check.

#include "billing_world.h"

#include "screens/apuracao/cli_rqx52000.h"
#include "screens/apuracao/frm_apur_fat_tr.h"

#include "framework/components/focus.h"
#include "framework/data/packet.h"
#include "framework/ui/guard.h"

#include <QTest>

namespace {

const QString kSetRateio = QString::fromLatin1(ServerMethod::SetRateio);
const QString kCheck = QString::fromLatin1(ServerMethod::VerificaBloqueio);
const QString kSomaDif =
    "A soma das quantidades rateadas deve ser igual ao nº de comensais faturadas do dia.";

// The daily page on 04/11 of Desjejum (82 billed, split 50 + 30), or on the day given.
struct Apportionment : BillingScreen {
    explicit Apportionment(const QList<BillingWorld::Share>& shares = {{"0001", 50, "001", ""},
                                                                       {"0002", 30, "003", ""}},
                           double billed = 82) {
        world.days["00010"][1].billed = billed;
        world.shares[BillingWorld::key("00010", QDate(2026, 11, 4))] = shares;
        QVERIFY(leaveFilter());
        clickTab(1);
        s->cdsEfetivos.Next();
        ui.clear();
        server.calls.clear();
    }
    TField& field(const char* name) { return s->cdsRateio.FieldByName(name); }
    QStringList sequences() {
        QStringList out;
        for (int r = 0; r < s->cdsRateio.DisplayRowCount(); ++r)
            s->cdsRateio.WithRow(r, [&] { out << field("NRSEQITRAT").AsString(); });
        return out;
    }
    // Posts the open row; false when a check refused it.
    bool post() {
        try {
            s->cdsRateio.Post();
            return true;
        } catch (const EAlreadyShown&) {
            return false;
        }
    }
};

QList<BillingWorld::Share> shares(const QList<double>& quantities,
                                  const QStringList& numbers = {}) {
    QList<BillingWorld::Share> out;
    for (int i = 0; i < quantities.size(); ++i)
        out.append({numbers.isEmpty() ? QString("%1").arg(i + 1, 4, 10, QChar('0')) : numbers[i],
                    quantities[i], "001", ""});
    return out;
}

} // namespace

class TstRateio : public QObject {
    Q_OBJECT
private slots:
    void aNewRowTakesTheNextFreeSequenceNumber_data();
    void aNewRowTakesTheNextFreeSequenceNumber();
    void insertAndEditAskAboutTheDayAlone();
    void aPostedRowCarriesItsDaysKeysProductAndPrice();
    void theQuantityIsRequiredAndPositive_data();
    void theQuantityIsRequiredAndPositive();
    void theNfOfARowIsCheckedOnPostAndOnLeavingItsColumn_data();
    void theNfOfARowIsCheckedOnPostAndOnLeavingItsColumn();
    void theSumCountsEachShareToTheCent_data();
    void theSumCountsEachShareToTheCent();
    void theSumAcceptsAnOpenRowOrAnEmptyDay();
    void aDeletionIsSentAtOnce();
    void aFailedDeletionStaysPending();
    void anEmptyGridMakesNoRowAndTabLeavesIt_data();
    void anEmptyGridMakesNoRowAndTabLeavesIt();
    void theGridsOwnDeleteNeverDeletes();
    void closingSendsTheOpenRowAndWarnsAboutASavedSum();
};

void TstRateio::aNewRowTakesTheNextFreeSequenceNumber_data() {
    QTest::addColumn<QStringList>("loaded");
    QTest::addColumn<int>("inserts");
    QTest::addColumn<QStringList>("added");
    QTest::newRow("empty day") << QStringList{} << 1 << QStringList{"0001"};
    QTest::newRow("1, 2, 3") << QStringList{"0001", "0002", "0003"} << 1 << QStringList{"0004"};
    // The last row is not the largest number: it would give a number already taken.
    QTest::newRow("1, 3, 2") << QStringList{"0001", "0003", "0002"} << 1 << QStringList{"0004"};
    // Each insert goes before the last row; the next one must not repeat the number.
    QTest::newRow("two inserts in a row")
        << QStringList{"0001", "0002", "0003"} << 2 << QStringList{"0004", "0005"};
}

void TstRateio::aNewRowTakesTheNextFreeSequenceNumber() {
    QFETCH(QStringList, loaded);
    QFETCH(int, inserts);
    QFETCH(QStringList, added);
    QList<double> quantities(loaded.size(), 1.0);
    Apportionment f(shares(quantities, loaded));
    QStringList numbers;
    for (int i = 0; i < inserts; ++i) {
        f.s->cdsRateio.Insert();
        numbers << f.field("NRSEQITRAT").AsString();
        f.field("QTDERATEIO").SetAsFloat(1);
        QVERIFY(f.post());
    }
    QCOMPARE(numbers, added);
    QCOMPARE(inCodiItem + 1, added.last().toInt());
    QStringList all = f.sequences();
    QCOMPARE(QSet<QString>(all.begin(), all.end()).size(), all.size());
}

void TstRateio::insertAndEditAskAboutTheDayAlone() {
    Apportionment f(shares({50, 30}));
    f.s->cdsRateio.Edit();
    f.s->cdsRateio.Cancel();
    f.s->cdsRateio.Insert();
    f.s->cdsRateio.Cancel();
    const auto checks = f.server.callsOf(kCheck);
    QCOMPARE(checks.size(), 2);
    for (const auto& c : checks) {
        QCOMPARE(c.args[3], QVariant(utcDay(QDate(2026, 11, 4))));
        QCOMPARE(c.args[4], QVariant(utcDay(QDate(2026, 11, 4))));
        QCOMPARE(c.args[5], QVariant(false));
    }
    f.world.locked = true;
    QVERIFY_THROWS_EXCEPTION(EAlreadyShown, f.s->cdsRateio.Insert());
    QVERIFY_THROWS_EXCEPTION(EAlreadyShown, f.s->cdsRateio.Edit());
    QCOMPARE(f.s->cdsRateio.State(), dsBrowse);
    QCOMPARE(f.s->cdsRateio.RecordCount(), 2);
    QCOMPARE(f.ui.texts().size(), 2);
}

void TstRateio::aPostedRowCarriesItsDaysKeysProductAndPrice() {
    Apportionment f(shares({50, 30}));
    f.s->cdsRateio.Edit();
    f.field("CDPRODUTO").SetAsString("OUTRO");
    f.field("VRPRECRATE").SetAsFloat(99);
    f.field("DTRATCDRS").SetAsDateTime(utcDay(QDate(2020, 1, 1)));
    f.field("QTDERATEIO").SetAsFloat(52);
    QVERIFY(f.post());
    QCOMPARE(f.field("CDFILIAL").AsString(), QString("0001"));
    QCOMPARE(f.field("CDSERVFILI").AsString(), QString("00010"));
    QCOMPARE(f.field("CDCLIENTE").AsString(), QString("C-77"));
    QCOMPARE(f.field("DTRATCDRS").AsDateTime(), utcDay(QDate(2026, 11, 4)));
    QCOMPARE(f.field("CDPRODUTO").AsString(), QString("P-00010"));
    QCOMPARE(f.field("VRPRECRATE").AsFloat(), 12.5);
    QCOMPARE(f.s->cdsRateio.ChangeCount(), 1);
    QVERIFY(f.server.callsOf(kSetRateio).isEmpty()); // sent by the confirmation, not the post
}

void TstRateio::theQuantityIsRequiredAndPositive_data() {
    QTest::addColumn<QVariant>("quantity");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty, before the zero test") << QVariant() << "Quantidade deve ser informada.";
    QTest::newRow("zero") << QVariant(0.0) << "Quantidade deve ser maior que zero.";
    QTest::newRow("negative") << QVariant(-2.0) << "Quantidade deve ser maior que zero.";
    QTest::newRow("two and a half") << QVariant(2.5) << "";
}

void TstRateio::theQuantityIsRequiredAndPositive() {
    QFETCH(QVariant, quantity);
    QFETCH(QString, message);
    Apportionment f(shares({50, 30}));
    SetFocus(f.s->dbgRateio);
    f.s->dbgRateio->SetSelectedIndex(2);
    f.s->cdsRateio.Insert();
    f.field("QTDERATEIO").SetValue(quantity);
    QCOMPARE(f.post(), message.isEmpty());
    QCOMPARE(f.ui.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    if (!message.isEmpty()) {
        QCOMPARE(f.s->cdsRateio.State(), dsInsert);
        QCOMPARE(f.s->dbgRateio->SelectedField(), &f.field("QTDERATEIO"));
        QCOMPARE(f.field("CDPRODUTO").AsString(), QString("P-00010")); // completed before the check
    }
}

void TstRateio::theNfOfARowIsCheckedOnPostAndOnLeavingItsColumn_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("5") << "5"
                       << "005" << true;
    QTest::newRow("99") << "99"
                        << "099" << true;
    QTest::newRow("empty") << ""
                           << "" << true;
    QTest::newRow("0") << "0"
                       << "000" << false;
    QTest::newRow("00") << "00"
                        << "000" << false;
    QTest::newRow("100") << "100"
                         << "100" << false;
}

void TstRateio::theNfOfARowIsCheckedOnPostAndOnLeavingItsColumn() {
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    QFETCH(bool, accepted);
    Apportionment f(shares({50, 30}));
    SetFocus(f.s->dbgRateio);
    f.s->cdsRateio.Edit();
    f.field("NRAGREFRAT").SetAsString(typed);
    f.s->dbgRateio->SetSelectedIndex(1);
    QCOMPARE(Guarded([&] { f.s->dbgRateioColExit(f.s->dbgRateio); }), accepted);
    QCOMPARE(f.field("NRAGREFRAT").AsString(), stored);
    QCOMPARE(f.post(), accepted);
    QCOMPARE(f.ui.texts(), accepted ? QStringList()
                                    : (QStringList{"NF deve estar entre 01 e 99.",
                                                   "NF deve estar entre 01 e 99."}));
    if (!accepted) {
        QCOMPARE(f.s->dbgRateio->SelectedField(), &f.field("NRAGREFRAT"));
        QCOMPARE(f.s->cdsRateio.State(), dsEdit);
    }
}

void TstRateio::theSumCountsEachShareToTheCent_data() {
    QTest::addColumn<QList<double>>("quantities");
    QTest::addColumn<double>("billed");
    QTest::addColumn<bool>("adds");
    QTest::newRow("thirds to the thousandth count 9,99")
        << QList<double>{3.333, 3.333, 3.334} << 10.0 << false;
    QTest::newRow("halves") << QList<double>{2.5, 2.5} << 5.0 << true;
    QTest::newRow("a cent short") << QList<double>{40, 41.99} << 82.0 << false;
    // 1,006 + 1,006 is 2,012, but each share counts as 1,01.
    QTest::newRow("each share rounds on its own") << QList<double>{1.006, 1.006} << 2.01 << false;
    QTest::newRow("to the cent") << QList<double>{1.004, 1.004} << 2.01 << false;
    QTest::newRow("shares to the cent") << QList<double>{1.004, 1.006} << 2.01 << true;
}

void TstRateio::theSumCountsEachShareToTheCent() {
    QFETCH(QList<double>, quantities);
    QFETCH(double, billed);
    QFETCH(bool, adds);
    Apportionment f(shares(quantities), billed);
    QCOMPARE(f.s->cdsRateio.RecordCount(), quantities.size());
    QCOMPARE(f.s->Vd_Soma(), adds);
    QCOMPARE(f.ui.texts(), adds ? QStringList() : QStringList{kSomaDif});
    if (!adds)
        QCOMPARE(f.ui.messages[0].buttons, TMsgDlgButtons(mbOK));
    // The cursor is left on the last row, whichever was current.
    QCOMPARE(f.s->cdsRateio.RecNo(), quantities.size());
}

void TstRateio::theSumAcceptsAnOpenRowOrAnEmptyDay() {
    Apportionment f(shares({1, 1, 1}));
    f.s->cdsRateio.First();
    f.s->cdsRateio.Edit();
    QVERIFY(f.s->Vd_Soma());
    QCOMPARE(f.s->cdsRateio.RecNo(), 1);
    f.s->cdsRateio.Cancel();
    f.s->cdsEfetivos.Next(); // an empty day
    f.ui.clear();
    QVERIFY(f.s->cdsRateio.IsEmpty());
    QVERIFY(f.s->Vd_Soma());
    QVERIFY(f.ui.messages.isEmpty());
}

void TstRateio::aDeletionIsSentAtOnce() {
    Apportionment f(shares({50, 30}));
    f.s->cdsRateio.First();
    f.s->cdsRateio.Delete();
    const auto sends = f.server.callsOf(kSetRateio);
    QCOMPARE(sends.size(), 1);
    const packet::ChangeSet delta = packet::decodeDelta(sends[0].args[0]);
    QCOMPARE(delta.changes.size(), 1);
    QCOMPARE(delta.changes[0].kind, packet::Change::Delete);
    QCOMPARE(delta.changes[0].oldValues[packet::indexOf(delta.fields, "NRSEQITRAT")],
             QVariant("0001"));
    QCOMPARE(f.s->cdsRateio.ChangeCount(), 0);
    QCOMPARE(f.ui.busyKinds, QList<int>{1});
    QVERIFY(!f.ui.busyVisible());
}

void TstRateio::aFailedDeletionStaysPending() {
    Apportionment f(shares({50, 30}));
    f.server.refuse(kSetRateio, "O rateio foi alterado por outro usuário.");
    f.s->cdsRateio.Delete();
    QCOMPARE(f.ui.texts(), QStringList{"O rateio foi alterado por outro usuário."});
    QCOMPARE(f.s->cdsRateio.ChangeCount(), 1);
    QCOMPARE(f.s->cdsRateio.RecordCount(), 1);
    QVERIFY(!f.ui.busyVisible());
}

void TstRateio::anEmptyGridMakesNoRowAndTabLeavesIt_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("swallowed");
    for (const auto& [name, key] :
         {std::pair{"Left", vk::Left}, std::pair{"Up", vk::Up}, std::pair{"Right", vk::Right},
          std::pair{"Down", vk::Down}, std::pair{"Insert", vk::Insert}})
        QTest::newRow(name) << key << true;
    // Tab has no cell to move to in an empty grid: the grid's own Tab leaves it.
    QTest::newRow("Tab") << vk::Tab << false;
    QTest::newRow("Delete") << vk::Delete << false;
    QTest::newRow("Enter") << vk::Return << false;
}

void TstRateio::anEmptyGridMakesNoRowAndTabLeavesIt() {
    QFETCH(int, key);
    QFETCH(bool, swallowed);
    Apportionment f;
    f.s->cdsEfetivos.First();
    QVERIFY(f.s->cdsRateio.IsEmpty());
    int code = key;
    f.s->dbgRateioKeyDown(f.s->dbgRateio, code, 0);
    QCOMPARE(code == 0, swallowed);
    // Through the real grid nothing is inserted.
    SetFocus(f.s->dbgRateio);
    QTest::keyClick(f.s->dbgRateio, Qt::Key_Insert);
    QTest::keyClick(f.s->dbgRateio, Qt::Key_Down);
    QCOMPARE(f.s->cdsRateio.State(), dsBrowse);
    QVERIFY(f.s->cdsRateio.IsEmpty());
    // …and a keyboard gets out of it: Shift+Tab back to the days.
    QTest::keyClick(f.s->dbgRateio, Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(ActiveControl(f.s), f.s->dbgEfetivos);
    QVERIFY(f.s->cdsRateio.IsEmpty());
    // With rows, the moves are the grid's again.
    f.s->cdsEfetivos.Next();
    code = key;
    f.s->dbgRateioKeyDown(f.s->dbgRateio, code, 0);
    QCOMPARE(code, key);
}

void TstRateio::theGridsOwnDeleteNeverDeletes() {
    Apportionment f(shares({50, 30}));
    SetFocus(f.s->dbgRateio);
    f.ui.defaultAnswer = mrOk;
    for (const Qt::KeyboardModifiers modifiers :
         {Qt::KeyboardModifiers(Qt::ControlModifier), Qt::ControlModifier | Qt::ShiftModifier})
        QTest::keyClick(f.s->dbgRateio, Qt::Key_Delete, modifiers);
    QCOMPARE(f.s->cdsRateio.RecordCount(), 2);
    QVERIFY(f.server.callsOf(kSetRateio).isEmpty());
    int key = vk::Next;
    f.s->dbgRateioKeyDown(f.s->dbgRateio, key, ssAlt);
    QCOMPARE(key, 0);
    QCOMPARE(ActiveControl(f.s), f.s->dbgRateio);
}

void TstRateio::closingSendsTheOpenRowAndWarnsAboutASavedSum() {
    {
        Apportionment f(shares({50, 30}));
        f.s->cdsRateio.Edit();
        f.field("QTDERATEIO").Clear();
        f.server.answer(ServerMethod::DelTableRelApur, QVariant());
        QVERIFY(!f.close()); // the quantity check, and the clerk keeps the row
        QCOMPARE(
            f.ui.texts(),
            (QStringList{"Quantidade deve ser informada.",
                         "As alterações do rateio não foram gravadas. Descartá-las e fechar?"}));
        QCOMPARE(f.s->cdsRateio.State(), dsEdit);

        f.ui.clear();
        f.field("QTDERATEIO").SetAsFloat(52); // 52 + 30 against 82: sent on the way out
        QVERIFY(f.close());
        QVERIFY(f.ui.messages.isEmpty());
        QCOMPARE(f.server.callsOf(kSetRateio).size(), 1);
        QCOMPARE(f.world.shares[BillingWorld::key("00010", QDate(2026, 11, 4))][0].quantity, 52.0);
    }
    // A day saved as it is that does not add up only warns: the screen still closes.
    Apportionment f(shares({50, 30}));
    f.server.answer(ServerMethod::DelTableRelApur, QVariant());
    QVERIFY(f.close());
    QCOMPARE(f.ui.texts(), QStringList{kSomaDif});
}

QTEST_MAIN(TstRateio)
#include "tst_rateio.moc"
