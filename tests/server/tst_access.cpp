// Who may do what: the users' store (hashes, rights, the rules of a login's branches) and
// the branch rights every method is held to, checked before the method reads or writes
// anything.

#include "fixture.h"

#include "contracts/host_framework.h"
#include "framework/data/field_type.h"
#include "framework/data/packet.h"
#include "server/auth/password.h"
#include "server/auth/session.h"
#include "server/auth/users.h"
#include "server/methods/local_app_server.h"
#include "server/methods/method_table.h"
#include "tests/support/error_of.h"

#include <QTest>

namespace {

const QString B1 = QStringLiteral("0001"), B2 = QStringLiteral("0002");
const QDateTime March1 = dateTimeOf(QDate(2026, 3, 1)), March2 = dateTimeOf(QDate(2026, 3, 2));

QVariantMap branchPacket(const QStringList& branches) {
    packet::Table table{{{QStringLiteral("CDFILIAL"), ftString, 4, {}},
                         {QStringLiteral("CDCLIENTE"), ftString, 21, {}},
                         {QStringLiteral("CDSERVFILI"), ftString, 5, {}}},
                        {}};
    for (const QString& b : branches)
        table.rows.append({b, QStringLiteral("C1"), QStringLiteral("00002")});
    return packet::make(table);
}

ShareRow shareAt(const QString& branch) {
    ShareRow row;
    row.branch = branch;
    return row;
}

} // namespace

class TestAccess : public QObject {
    Q_OBJECT

private slots:
    // A session's user is read again only when something was written since; a change to the
    // user made on the session's own connection or on another one ends or narrows the
    // session on its next call, and writes to anything else leave it as it was.
    void aSessionSeesEveryChangeToItsUserOnItsNextCall_data() {
        QTest::addColumn<bool>("sameConnection");
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("refusal");
        for (const bool same : {true, false}) {
            const char* where = same ? "this connection" : "another connection";
            QTest::addRow("%s: disabled", where) << same << "disable"
                                                 << "foi desativado";
            QTest::addRow("%s: new password", where) << same << "password"
                                                     << "senha";
            QTest::addRow("%s: branches", where) << same << "branches" << QString();
            QTest::addRow("%s: other user's work", where) << same << "other" << QString();
        }
    }

    void aSessionSeesEveryChangeToItsUserOnItsNextCall() {
        QFETCH(bool, sameConnection);
        QFETCH(QString, change);
        QFETCH(QString, refusal);
        Fixture f;
        f.standardWorld();
        f.addUser(QStringLiteral("ana"), {B1, B2});
        f.addUser(QStringLiteral("rui"), {B1});
        const auto user = server::findUser(f.db(), QStringLiteral("ana"));
        server::Session session{QStringLiteral("s"), QStringLiteral("ana"), user->passwordVersion,
                                QDeadlineTimer(QDeadlineTimer::Forever)};
        QCOMPARE(server::checkSession(f.db(), session, "127.0.0.1"), std::nullopt);
        QCOMPARE(server::checkSession(f.db(), session, "127.0.0.1"), std::nullopt);
        QVERIFY(session.caller->mayWorkOn(B2));

        const std::unique_ptr<server::Database> other = f.open();
        server::Database& db = sameConnection ? f.db() : *other;
        if (change == "disable")
            server::setUserActive(db, "ana", false);
        else if (change == "password")
            server::changePassword(db, "ana", "uma-senha-bem-comprida-9");
        else if (change == "branches")
            server::setUserBranches(db, "ana", {{B1}, QString(), false});
        else
            server::setUserActive(db, "rui", false);

        const std::optional<QString> reason = server::checkSession(f.db(), session, "127.0.0.1");
        if (!refusal.isEmpty()) {
            QVERIFY(reason && reason->contains(refusal));
            return;
        }
        QCOMPARE(reason, std::nullopt);
        QCOMPARE(session.caller->mayWorkOn(B2), change != "branches");
        QVERIFY(session.caller->mayWorkOn(B1));
    }

    void passwordsAreStoredAsArgon2idHashesOnly() {
        Fixture f;
        f.standardWorld();
        server::addUser(f.db(), QStringLiteral("ana"), QStringLiteral("segredo-da-ana"),
                        {{B1}, QString(), false});
        const QString stored =
            f.value(QStringLiteral("SELECT DSHASHSENHA FROM USUARIO WHERE NMLOGIN = 'ana'"))
                .toString();
        QVERIFY2(stored.startsWith(QStringLiteral("$argon2id$")), qPrintable(stored));
        QVERIFY(!stored.contains(QStringLiteral("segredo")));
        QVERIFY(server::verifyPassword(stored, QStringLiteral("segredo-da-ana")));
        QVERIFY(!server::verifyPassword(stored, QStringLiteral("segredo-da-anA")));
        QVERIFY(!server::verifyPassword(QStringLiteral("lixo"), QStringLiteral("segredo-da-ana")));
        // The same password twice gives two hashes: each has its own salt.
        QVERIFY(server::hashPassword(QStringLiteral("segredo-da-ana")) !=
                server::hashPassword(QStringLiteral("segredo-da-ana")));
    }

    void usersAreManagedByTheirRules_data() {
        QTest::addColumn<QString>("login");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QStringList>("branches");
        QTest::addColumn<QString>("billing");
        QTest::addColumn<bool>("bound");
        QTest::addColumn<QString>("refusal");
        const QString pw = QStringLiteral("boa-senha-1");
        QTest::newRow("fine") << "bia" << pw << QStringList{B2, B1} << B1 << false << "";
        QTest::newRow("existing") << "ana" << pw << QStringList{B1} << "" << false << "já existe";
        QTest::newRow("short password")
            << "bia"
            << "curta" << QStringList{B1} << "" << false << "pelo menos 8";
        QTest::newRow("odd login")
            << "bia silva" << pw << QStringList{B1} << "" << false << "Login inválido";
        QTest::newRow("no branch")
            << "bia" << pw << QStringList{} << "" << false << "ao menos uma filial";
        QTest::newRow("unknown branch")
            << "bia" << pw << QStringList{"0009"} << "" << false << "Filial não cadastrada: '0009'";
        QTest::newRow("twice") << "bia" << pw << QStringList{B1, B1} << "" << false
                               << "mais de uma vez";
        QTest::newRow("bound to two")
            << "bia" << pw << QStringList{B1, B2} << "" << true << "única filial";
        QTest::newRow("billing elsewhere")
            << "bia" << pw << QStringList{B1} << B2 << false << "faturamento 0002";
    }

    void usersAreManagedByTheirRules() {
        QFETCH(QString, login);
        QFETCH(QString, password);
        QFETCH(QStringList, branches);
        QFETCH(QString, billing);
        QFETCH(bool, bound);
        QFETCH(QString, refusal);
        Fixture f;
        f.standardWorld();
        f.addUser(QStringLiteral("ana"), {B1});
        const QString error = errorOf([&] {
            server::addUser(f.db(), login, password, {branches, billing, bound});
        });
        QVERIFY2(refusal.isEmpty() ? error.isEmpty() : error.contains(refusal), qPrintable(error));
        if (!refusal.isEmpty()) {
            QCOMPARE(f.count("SELECT count(*) FROM USUARIO"), 1);
            return;
        }
        const auto user = server::findUser(f.db(), login);
        QVERIFY(user);
        // The first branch given is the processing branch, and comes first.
        QCOMPARE(user->branches, branches);
        QCOMPARE(user->processingBranch, B2);
        QCOMPARE(user->billingBranch, B1);
    }

    void newBranchesTakeHoldAtOnce() {
        Fixture f;
        f.standardWorld();
        f.addUser(QStringLiteral("ana"), {B1});
        server::setUserBranches(f.db(), QStringLiteral("ana"), {{B2}, B2, true});
        const auto user = server::findUser(f.db(), QStringLiteral("ana"));
        QCOMPARE(user->branches, QStringList{B2});
        QVERIFY(user->bound);
        QVERIFY(ok(f.callAs(QStringLiteral("ana"), "GetCliente", {B2, QString()})));
        QVERIFY(!ok(f.callAs(QStringLiteral("ana"), "GetCliente", {B1, QString()})));
    }

    void aBranchOutsideTheRightsIsRefusedBeforeAnythingIsRead_data() {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QVariantList>("args");
        QTest::newRow("GetCliente") << "GetCliente" << QVariantList{B2, QString()};
        QTest::newRow("GetPrxRelApurFat") << "GetPrxRelApurFat" << QVariantList{B2};
        QTest::newRow("GetFiltro")
            << "GetFiltro" << QVariantList{B2, March1, March2, QString("0002000001"), "C4"};
        QTest::newRow("GetEfetivos")
            << "GetEfetivos" << QVariantList{"C4", B2, March1, March2, "00002"};
        QTest::newRow("GetRateio") << "GetRateio" << QVariantList{"C4", B2, March2, "00002"};
        QTest::newRow("SetRateio insert")
            << "SetRateio" << QVariantList{changePacket({insertOf(shareAt(B2))})};
        QTest::newRow("SetRateio moved to another branch")
            << "SetRateio" << QVariantList{changePacket({updateOf(shareAt(B1), shareAt(B2))})};
        QTest::newRow("SetRateio after an allowed row")
            << "SetRateio"
            << QVariantList{changePacket({insertOf(shareAt(B1)), deleteOf(shareAt(B2))})};
        QTest::newRow("SetEfetivos")
            << "SetEfetivos" << QVariantList{"C4", B2, March1, March2, "00002", "005"};
        QTest::newRow("VerificaBloqueio")
            << "VerificaBloqueio" << QVariantList{"C4", B2, March1, March1, March2, false, "00002"};
        QTest::newRow("SomaApurac")
            << "SomaApurac" << QVariantList{branchPacket({B1, B2}), March1, March2};
        QTest::newRow("GetDtApuracao") << "GetDtApuracao" << QVariantList{"C4", B2};
        QTest::newRow("Confirma_Calculo processing branch")
            << "Confirma_Calculo" << QVariantList{B2, "C1", March1, March2, QString(), B1};
        QTest::newRow("Confirma_Calculo branch")
            << "Confirma_Calculo" << QVariantList{B1, "C4", March1, March2, QString(), B2};
    }

    void aBranchOutsideTheRightsIsRefusedBeforeAnythingIsRead() {
        QFETCH(QString, method);
        QFETCH(QVariantList, args);
        Fixture f;
        f.standardWorld();
        f.addUser(QStringLiteral("ana"), {B1}, true);
        server::LocalAppServer ana(f.db(), QStringLiteral("ana"));
        QVariant result;
        QString raised;
        int statements = 0;
        {
            StatementCounter counter(f.db());
            try {
                result = ana.Invoke(method, args);
            } catch (const Exception& e) {
                raised = e.message();
            }
            statements = counter.count();
        }
        // GetPrxRelApurFat answers plain text, so its refusal is raised instead.
        const QString text = method == "GetPrxRelApurFat" ? raised : message(result);
        QCOMPARE(text, QStringLiteral("Acesso negado à filial 0002."));
        QVERIFY(!ok(result));
        QCOMPARE(statements, 0);
        QCOMPARE(f.count("SELECT count(*) FROM AUDITORIA"), 0);
    }

    void callsWithinTheRightsRunAsUsual() {
        Fixture f;
        f.standardWorld();
        f.addUser(QStringLiteral("ana"), {B1});
        QVERIFY(ok(f.callAs("ana", "GetEfetivos", {"C1", B1, March1, March2, "00002"})));
        const QString number = f.callAs("ana", "GetPrxRelApurFat", {B1}).toString();
        QVERIFY(ok(f.callAs("ana", "DelTableRelApur", {branchPacket({B1}), number})));
        QVERIFY(ok(f.callAs("ana", "SetRateio", {changePacket({insertOf(shareAt(B1))})})));
        // An unknown or disabled login gets no server at all.
        QVERIFY(errorOf([&] {
                    server::LocalAppServer(f.db(), QStringLiteral("ninguem"));
                }).contains(QStringLiteral("inexistente")));
    }

    // A method added to the table with a branch argument left unmarked would skip the
    // check silently.
    void releasingWorkTablesLeavesOtherBranchesAlone() {
        // A screen lists every branch typed into it, also one the server refused: its
        // close must go through, and release only what the user may touch.
        Fixture f;
        f.standardWorld();
        f.addUser(QStringLiteral("ana"), {B1}, true);
        const QString number = f.callAs("ana", "GetPrxRelApurFat", {B1}).toString();
        for (const QString& branch : {B1, B2})
            f.db().exec(
                "INSERT INTO RELAPURFAT (CDFILIAL, NRRELAPURFAT, CDCLIENTE, CDSERVFILI, NMSERVICO, "
                "NRAGRUEFET, DTINIAPURAC, DTFIMAPURAC) VALUES (?, ?, 'C1', '00002', 'Almoço', "
                "'', '2026-03-01', '2026-03-31')",
                {branch, number});
        QVERIFY(ok(f.callAs("ana", "DelTableRelApur", {branchPacket({B1, B2}), number})));
        QCOMPARE(f.count("SELECT count(*) FROM RELAPURFAT WHERE CDFILIAL = '0001'"), 0);
        QCOMPARE(f.count("SELECT count(*) FROM RELAPURFAT WHERE CDFILIAL = '0002'"), 1);
    }

    void everyBranchArgumentOfTheTableIsChecked() {
        const QStringList branchNames{"CdFilial", "FiliProc", "Filiais", "Servicos", "Delta"};
        QStringList audited;
        for (const server::MethodSpec& m : server::methods()) {
            for (const server::ArgSpec& a : m.args)
                if (branchNames.contains(QLatin1String(a.name)))
                    QVERIFY2(a.names != server::Names::Nothing,
                             qPrintable(QStringLiteral("%1.%2").arg(m.name, a.name)));
            if (m.audit)
                audited << QLatin1String(m.name);
        }
        QCOMPARE(audited, QStringList({"SetRateio", "SetEfetivos", "Confirma_Calculo"}));
    }
};

QTEST_GUILESS_MAIN(TestAccess)
#include "tst_access.moc"
