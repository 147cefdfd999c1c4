// Text that is not text never reaches the database: a NUL, half of a surrogate pair or a
// control character in any argument is refused before the method runs, and tabs and line
// breaks are text only in an apportionment's observation, stored exactly as typed.

#include "fixture.h"

#include "framework/data/field_type.h"
#include "tests/support/error_of.h"

#include <QTest>

namespace {

const QString B1 = QStringLiteral("0001");
const QDateTime March1 = dateTimeOf(QDate(2026, 3, 1)), March2 = dateTimeOf(QDate(2026, 3, 2));

QString with(char16_t c) {
    return QStringLiteral("00") + QChar(c) + QStringLiteral("2");
}

QVariantMap share(const QString& note, const QString& service = QStringLiteral("00002")) {
    ShareRow row;
    row.quantity = 100.0;
    row.note = note;
    row.service = service;
    return changePacket({insertOf(row)});
}

} // namespace

class TestCleanText : public QObject {
    Q_OBJECT

private slots:
    void everyMethodRefusesItBeforeRunning_data() {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QVariantList>("args");
        QTest::addColumn<QString>("fault");
        QTest::newRow("nul in a client key")
            << "GetCliente" << QVariantList{B1, with(0)} << "caractere nulo (U+0000)";
        QTest::newRow("half a pair in a branch")
            << "GetCliente" << QVariantList{with(0xd800), QString()}
            << "substituto UTF-16 (U+D800)";
        QTest::newRow("line feed in a client")
            << "GetFiltro" << QVariantList{B1, March1, March2, QString(), with(0x0a)} << "U+000A";
        QTest::newRow("control in an NF")
            << "SetEfetivos" << QVariantList{"C1", B1, March1, March2, "00002", with(0x01)}
            << "U+0001";
        QTest::newRow("tab in a share's service")
            << "SetRateio" << QVariantList{share("Ala", with(0x09))} << "U+0009";
        for (const char16_t c : {char16_t(0), char16_t(0xdbff), char16_t(0x0d), char16_t(0x85)})
            QTest::addRow("U+%04X in a note", unsigned(c))
                << "SetRateio" << QVariantList{share(with(c))}
                << QStringLiteral("%1").arg(unsigned(c), 4, 16, QLatin1Char('0')).toUpper();
        QTest::newRow("nul in a calculation number")
            << "Confirma_Calculo" << QVariantList{B1, "C1", March1, March2, with(0), B1}
            << "U+0000";
    }

    void everyMethodRefusesItBeforeRunning() {
        QFETCH(QString, method);
        QFETCH(QVariantList, args);
        QFETCH(QString, fault);
        Fixture f;
        f.standardWorld();
        const QString error = errorOf([&] { f.call(method, args); });
        QVERIFY2(error.contains(method) && error.contains(fault), qPrintable(error));
        QCOMPARE(f.count("SELECT count(*) FROM EFETRATCDRS"), 0);
        QCOMPARE(f.count("SELECT count(*) FROM AUDITORIA"), 0);
        QCOMPARE(f.count("SELECT count(*) FROM CTRLAPURFAT"), 0);
    }

    void anObservationKeepsItsTabsLineBreaksAndEveryCharacter() {
        Fixture f;
        f.standardWorld();
        const QString note = QStringLiteral("1ª ala\tnorte\n2ª ala: café ☕ e 🍽️");
        QVERIFY(ok(f.call("SetRateio", {share(note)})));
        QCOMPARE(f.value("SELECT DSOBSRATE FROM EFETRATCDRS").toString(), note);
        // SQLite counts characters, not UTF-16 units: each emoji counts once.
        QCOMPARE(f.count("SELECT length(DSOBSRATE) FROM EFETRATCDRS"), int(note.toUcs4().size()));
    }
};

QTEST_GUILESS_MAIN(TestCleanText)
#include "tst_clean_text.moc"
