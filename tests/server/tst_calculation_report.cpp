// The report of one calculation: its header and its stored result lines, as the report
// module reads them, and the refusals that keep an empty report from looking like one.

#include "fixture.h"

#include "contracts/host_framework.h"
#include "framework/data/field_type.h"
#include "server/methods/methods.h"

#include <QSqlQuery>
#include <QTest>

namespace {

const QString B1 = QStringLiteral("0001");
const QString C1 = QStringLiteral("C1");

// Breakfast at 3.333 without NF, lunch at 20.00 on NF 001 with a share moved to NF 002,
// dinner at 18.50 on NF 001; calculated for March 1-3 by the processing branch 0002.
QString calculatedWorld(Fixture& f) {
    f.addBranch(B1);
    f.addBranch(QStringLiteral("0002"));
    f.addClient(C1, QStringLiteral("J"), QStringLiteral("11222333000181"),
                QStringLiteral("Beta Indústria"));
    f.addService(B1, QStringLiteral("00001"), QStringLiteral("DESJ"));
    f.addService(B1, QStringLiteral("00002"), QStringLiteral("ALMO"));
    f.addService(B1, QStringLiteral("00003"), QStringLiteral("JANT"));
    f.addContract(B1, C1, QStringLiteral("00001"), {}, 3.333);
    f.addContract(B1, C1, QStringLiteral("00002"), QStringLiteral("001"), 20.0);
    f.addContract(B1, C1, QStringLiteral("00003"), QStringLiteral("001"), 18.5);
    for (const char* s : {"00001", "00002", "00003"})
        f.addDays(B1, C1, QLatin1String(s), QDate(2026, 3, 1), QDate(2026, 3, 3), 10.5);
    f.addShare(B1, C1, QStringLiteral("00002"), QDate(2026, 3, 2), "0001", 4, "002");
    f.addShare(B1, C1, QStringLiteral("00002"), QDate(2026, 3, 2), "0002", 6.5);
    QVariantList args{QStringLiteral("0002"),        C1,        dateTimeOf(QDate(2026, 3, 1)),
                      dateTimeOf(QDate(2026, 3, 3)), QString(), B1};
    const QVariant run = f.call(f.db(), QStringLiteral("Confirma_Calculo"), args);
    if (!ok(run))
        qFatal("calculation refused: %s", qPrintable(message(run)));
    return args.at(4).toString();
}

QVariantMap reportOf(const QVariant& envelope, const char* part) {
    return payload(envelope).toMap().value(QLatin1String(part)).toMap();
}

} // namespace

class TestCalculationReport : public QObject {
    Q_OBJECT

private slots:
    void theReportHoldsTheCalculationAndEveryStoredLine() {
        Fixture f;
        const QString number = calculatedWorld(f);
        const QVariant report = f.call("GetRelApuracao", {B1, number});
        QVERIFY2(ok(report), qPrintable(message(report)));

        const QList<QVariantMap> header = rowsOf(reportOf(report, "header"));
        QCOMPARE(header.size(), 1);
        const QVariantMap& h = header.first();
        QStringList texts;
        for (const char* field :
             {"CDFILIAL", "NMFILIAL", "CDCLIENTE", "IDTPIJURCLIE", "NRINSJURCLIE", "NMRAZSOCCLIE",
              "CDFILIPROC", "NMFILIPROC", "IDBLOQUEADO"})
            texts << h.value(field).toString();
        QCOMPARE(texts.join('|'), QStringLiteral("0001|Filial 0001|C1|J|11222333000181|Beta "
                                                 "Indústria|0002|Filial 0002|N"));
        QCOMPARE(h.value("NRAPURACFAT").toString(), number);
        QCOMPARE(h.value("DTINIAPURAC").toDateTime(), dateTimeOf(QDate(2026, 3, 1)));
        QCOMPARE(h.value("DTFIMAPURAC").toDateTime(), dateTimeOf(QDate(2026, 3, 3)));
        // Calculated a moment ago, shown on the local clock.
        const QDateTime at = h.value("DTCALCULO").toDateTime();
        const QDateTime now = QDateTime::currentDateTime();
        QVERIFY2(qAbs(at.secsTo(dateTimeOf(now.date(), now.time()))) < 120,
                 qPrintable(at.toString(Qt::ISODate)));

        // The lines are the stored ones, NF by NF, the lines without NF last.
        QStringList lines;
        for (const QVariantMap& r : rowsOf(reportOf(report, "items")))
            lines << QStringLiteral("%1|%2|%3|%4|%5|%6|%7")
                         .arg(r.value("NRAGRUEFET").toString(), r.value("CDSERVFILI").toString(),
                              r.value("NMSERVICO").toString(), r.value("CDPRODUTO").toString())
                         .arg(r.value("VRPRECO").toDouble())
                         .arg(r.value("QTFATURADA").toDouble())
                         .arg(r.value("VRFATURADO").toDouble());
        QCOMPARE(lines, QStringList({"001|00002|Serviço 00002|ALMO|20|27.5|550",
                                     "001|00003|Serviço 00003|JANT|18.5|31.5|582.75",
                                     "002|00002|Serviço 00002|ALMO|20|4|80",
                                     "|00001|Serviço 00001|DESJ|3.333|31.5|104.99"}));
        QCOMPARE(f.count("SELECT count(*) FROM ITAPURFAT WHERE NRAPURACFAT = ?", {number}),
                 int(lines.size()));
    }

    void aLockedCalculationSaysSoAndAnUnknownRunMomentIsNull() {
        Fixture f;
        const QString number = calculatedWorld(f);
        QVERIFY(server::setCalculationLocked(f.db(), B1, number, true));
        // A moment that is not one can only be stored where moments are text.
        if (!f.onPostgres())
            f.db().exec("UPDATE CTRLAPURFAT SET DTCALCULO = ''");
        const QVariantMap h =
            rowsOf(reportOf(f.call("GetRelApuracao", {B1, number}), "header")).value(0);
        QCOMPARE(h.value("IDBLOQUEADO").toString(), QStringLiteral("S"));
        QCOMPARE(h.value("DTCALCULO").isNull(), !f.onPostgres());
    }

    void whatCannotBeReportedIsRefusedInWords_data() {
        QTest::addColumn<QString>("branch");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no branch") << ""
                                   << "0000000001"
                                   << "Filial deve ser informada.";
        QTest::newRow("no number") << "0001"
                                   << "  "
                                   << "Apuração deve ser informada.";
        QTest::newRow("unknown number") << "0001"
                                        << "0000000099"
                                        << "Apuração 0000000099 não encontrada na filial 0001.";
        QTest::newRow("number of another branch")
            << "0002"
            << "0000000001"
            << "Apuração 0000000001 não encontrada na filial 0002.";
        QTest::newRow("no lines") << "0001"
                                  << "0000000050"
                                  << "A apuração 0000000050 da filial 0001 não tem itens "
                                     "calculados.";
    }

    void whatCannotBeReportedIsRefusedInWords() {
        QFETCH(QString, branch);
        QFETCH(QString, number);
        QFETCH(QString, expected);
        Fixture f;
        calculatedWorld(f);
        f.addCalculation(B1, "0000000050", C1, QDate(2026, 1, 1), QDate(2026, 1, 31), true);
        const QVariant report = f.call("GetRelApuracao", {branch, number});
        QVERIFY(!ok(report));
        QVERIFY2(message(report).startsWith(expected), qPrintable(message(report)));
        QVERIFY(payload(report).isNull());
    }

    void argumentsAreCheckedLikeEveryMethods() {
        Fixture f;
        for (const QVariantList& args :
             {QVariantList{B1}, QVariantList{B1, 1}, QVariantList{B1, QString(), QString()}}) {
            QString error;
            try {
                f.call("GetRelApuracao", args);
            } catch (const Exception& e) {
                error = e.message();
            }
            QVERIFY2(error.contains("GetRelApuracao"), qPrintable(error));
        }
    }
};

QTEST_GUILESS_MAIN(TestCalculationReport)
#include "tst_calculation_report.moc"
