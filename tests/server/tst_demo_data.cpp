// The demonstration data set: what a clerk trying the system finds in it.

#include "fixture.h"

#include "server/db/demo_data.h"
#include "server/methods/rules.h"

#include <QSqlQuery>
#include <QTest>

namespace {

const QDate Today(2026, 3, 15);

// The check digits of a CPF (11 digits) or CNPJ (14), in the usual formulation: weights
// from the rightmost digit up, 2, 3, … (a CNPJ starts over at 2 after 9).
bool validRegistration(const QString& number) {
    const bool company = number.size() == 14;
    if (!company && number.size() != 11)
        return false;
    auto checkDigit = [&](qsizetype length) {
        int sum = 0;
        for (qsizetype k = 0; k < length; ++k) {
            const int weight = company ? 2 + int(k % 8) : 2 + int(k);
            sum += number.at(length - 1 - k).digitValue() * weight;
        }
        const int rest = sum % 11;
        return rest < 2 ? 0 : 11 - rest;
    };
    const qsizetype body = number.size() - 2;
    return checkDigit(body) == number.at(body).digitValue() &&
           checkDigit(body + 1) == number.at(body + 1).digitValue();
}

} // namespace

class TestDemoData : public QObject {
    Q_OBJECT

private slots:
    void registrationCheckOfTheTestItself() {
        // Published examples, so that the check below checks something.
        QVERIFY(validRegistration("11444777000161"));
        QVERIFY(!validRegistration("11444777000162"));
        QVERIFY(validRegistration("52998224725"));
        QVERIFY(!validRegistration("52998224726"));
    }

    void demoHoldsWhatAClerkNeedsToTryEverything() {
        Fixture f;
        QVERIFY(!server::hasData(f.db()));
        server::loadDemoData(f.db(), Today);
        QVERIFY(server::hasData(f.db()));

        QCOMPARE(f.count("SELECT count(*) FROM FILIAL"), 2);
        QVERIFY(f.count("SELECT count(*) FROM CLIENTE WHERE IDATIVO = 'S'") >= 4);
        QVERIFY(f.count("SELECT count(*) FROM CLIENTE WHERE IDTPIJURCLIE = 'J'") >= 1);
        QVERIFY(f.count("SELECT count(*) FROM CLIENTE WHERE IDTPIJURCLIE = 'F'") >= 1);
        QSqlQuery q(f.db().connection());
        q.exec("SELECT NRINSJURCLIE, IDTPIJURCLIE FROM CLIENTE");
        while (q.next()) {
            QVERIFY2(validRegistration(q.value(0).toString()), qPrintable(q.value(0).toString()));
            QCOMPARE(q.value(0).toString().size(), q.value(1).toString() == "J" ? 14 : 11);
        }
        q.exec("SELECT count(*) FROM SERVFILI GROUP BY CDFILIAL");
        while (q.next())
            QVERIFY(q.value(0).toInt() >= 3 && q.value(0).toInt() <= 5);

        // Billed days over the last three months and the current one, up to today.
        QCOMPARE(f.value("SELECT min(DTEFETCDRS) FROM EFETCDRS").toString(),
                 QStringLiteral("2025-12-01"));
        QCOMPARE(f.value("SELECT max(DTEFETCDRS) FROM EFETCDRS").toString(),
                 QStringLiteral("2026-03-15"));
        QCOMPARE(f.count("SELECT count(*) FROM EFETCDRS WHERE QTCOMECDRS <= 0 OR VRPRECEFET <= 0"),
                 0);

        // Apportioned days that add up and days that do not.
        const int apportionedDays = f.count(
            "SELECT count(*) FROM (SELECT DISTINCT CDFILIAL, CDCLIENTE, CDSERVFILI, DTRATCDRS "
            "FROM EFETRATCDRS) AS days");
        int unbalanced = 0;
        q.exec("SELECT DISTINCT CDFILIAL, CDCLIENTE, CDSERVFILI FROM EFETCDRS");
        QList<QStringList> services;
        while (q.next())
            services.append({q.value(0).toString(), q.value(1).toString(), q.value(2).toString()});
        for (const QStringList& s : services)
            unbalanced += int(
                server::unbalancedDays(f.db(), s[0], s[1], s[2], QDate(2025, 12, 1), Today).size());
        QVERIFY(unbalanced >= 1);
        QVERIFY(apportionedDays - unbalanced >= 1);

        // An earlier month calculated and locked, with results, and the lock holds.
        q.exec("SELECT CDFILIAL, NRAPURACFAT, CDCLIENTE FROM CTRLAPURFAT WHERE IDBLOQUEADO = 'S' "
               "AND DTINIAPURAC = '2025-12-01' AND DTFIMAPURAC = '2025-12-31'");
        QVERIFY(q.next());
        const QString branch = q.value(0).toString(), client = q.value(2).toString();
        QVERIFY(f.count("SELECT count(*) FROM ITAPURFAT WHERE CDFILIAL = ? AND NRAPURACFAT = ?",
                        {branch, q.value(1)}) > 0);
        QVariantList args{client,
                          branch,
                          Today,
                          QDate(2025, 12, 10),
                          QDate(2025, 12, 10),
                          false,
                          QStringLiteral("00002")};
        QCOMPARE(payload(f.call(f.db(), "VerificaBloqueio", args)), QVariant(false));
        // The month with unbalanced days cannot be calculated until they are fixed.
        QVariantList run{branch,    QStringLiteral("1001"), QDate(2026, 2, 1), QDate(2026, 2, 28),
                         QString(), QStringLiteral("0001")};
        QVERIFY(!ok(f.call(f.db(), "Confirma_Calculo", run)));
        // Both branches offer clients to the lookup.
        QVERIFY(
            !rowsOf(payload(f.call("GetCliente", {QStringLiteral("0001"), QString()}))).isEmpty());
        QVERIFY(
            !rowsOf(payload(f.call("GetCliente", {QStringLiteral("0002"), QString()}))).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDemoData)
#include "tst_demo_data.moc"
