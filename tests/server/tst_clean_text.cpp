// Text that is not text never reaches the database: a NUL, half of a surrogate pair or a
// control character in any argument of any method is refused before the method runs, and
// tabs and line breaks are text only in an apportionment's observation, where they are
// stored exactly as typed.

#include "fixture.h"

#include "framework/data/field_type.h"
#include "server/methods/clean_text.h"
#include "tests/support/error_of.h"

#include <QTest>

namespace {

const QString B1 = QStringLiteral("0001");
const QDateTime March1 = dateTimeOf(QDate(2026, 3, 1)), March2 = dateTimeOf(QDate(2026, 3, 2));

QString withChar(const QString& before, char16_t c, const QString& after = {}) {
    return before + QChar(c) + after;
}

QVariantMap shareWithNote(const QString& note) {
    ShareRow row;
    row.quantity = 100.0;
    row.note = note;
    return changePacket({insertOf(row)});
}

// A share packet whose value in `column` (by field name) is replaced.
QVariantMap shareWith(const QString& column, const QVariant& value) {
    QVariantMap packet = shareWithNote({});
    const QVariantList fields = packet.value("fields").toList();
    QVariantList changes = packet.value("changes").toList();
    QVariantMap change = changes.first().toMap();
    QVariantList values = change.value("new").toList();
    for (qsizetype i = 0; i < fields.size(); ++i)
        if (fields.at(i).toMap().value("name") == column)
            values[i] = value;
    change["new"] = values;
    changes[0] = change;
    packet["changes"] = changes;
    return packet;
}

} // namespace

class TestCleanText : public QObject {
    Q_OBJECT

private slots:
    void whatIsNotTextIsNamed_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("freeText");
        QTest::addColumn<QString>("fault");
        const QString ok;
        QTest::newRow("plain") << "Ala norte" << false << ok;
        QTest::newRow("accents and an emoji") << "Café ☕ 🍽️ às 12h" << false << ok;
        QTest::newRow("empty") << "" << false << ok;
        QTest::newRow("nul") << withChar("a", 0, "b") << true << "caractere nulo (U+0000)";
        QTest::newRow("high surrogate alone") << withChar("a", 0xd800) << true << "(U+D800)";
        QTest::newRow("low surrogate alone") << withChar("", 0xdc00, "b") << true << "(U+DC00)";
        QTest::newRow("surrogates in the wrong order")
            << QString(QChar(0xdc00)) + QChar(0xd800) << true << "(U+DC00)";
        QTest::newRow("bell") << withChar("a", 0x07) << true << "controle U+0007";
        QTest::newRow("carriage return") << withChar("a", 0x0d) << true << "controle U+000D";
        QTest::newRow("delete") << withChar("a", 0x7f) << true << "controle U+007F";
        QTest::newRow("next line (C1)") << withChar("a", 0x85) << true << "controle U+0085";
        QTest::newRow("tab in a code") << withChar("00", 0x09, "2") << false << "U+0009";
        QTest::newRow("line feed in a code") << withChar("00", 0x0a, "2") << false << "U+000A";
        QTest::newRow("tab and line feed in free text")
            << withChar(withChar("1ª", 0x09, "ala"), 0x0a, "2ª ala") << true << ok;
    }

    void whatIsNotTextIsNamed() {
        QFETCH(QString, text);
        QFETCH(bool, freeText);
        QFETCH(QString, fault);
        const auto found = server::textFault(text, freeText ? server::LineBreaks::Allowed
                                                            : server::LineBreaks::Refused);
        QCOMPARE(found.has_value(), !fault.isEmpty());
        if (found)
            QVERIFY2(found->contains(fault), qPrintable(*found));
    }

    void everyMethodRefusesItBeforeRunning_data() {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QVariantList>("args");
        QTest::addColumn<QString>("fault");
        QTest::newRow("client key with a nul")
            << "GetCliente" << QVariantList{B1, withChar("11222333", 0, "000181")} << "nulo";
        QTest::newRow("branch with half a pair")
            << "GetCliente" << QVariantList{withChar("000", 0xd800), QString()} << "U+D800";
        QTest::newRow("client with a line break")
            << "GetFiltro" << QVariantList{B1, March1, March2, QString(), withChar("C1", 0x0a)}
            << "U+000A";
        QTest::newRow("service with a tab")
            << "GetRateio" << QVariantList{"C1", B1, March2, withChar("0000", 0x09, "2")}
            << "U+0009";
        QTest::newRow("NF with a control")
            << "SetEfetivos" << QVariantList{"C1", B1, March1, March2, "00002", withChar("00", 1)}
            << "U+0001";
        QTest::newRow("note with a nul")
            << "SetRateio" << QVariantList{shareWithNote(withChar("Ala", 0, "x"))} << "nulo";
        QTest::newRow("note with half a pair")
            << "SetRateio" << QVariantList{shareWithNote(withChar("Ala ", 0xdbff))} << "U+DBFF";
        QTest::newRow("note with a carriage return")
            << "SetRateio" << QVariantList{shareWithNote(withChar("Ala", 0x0d, "x"))} << "U+000D";
        QTest::newRow("note with an escape")
            << "SetRateio" << QVariantList{shareWithNote(withChar("Ala", 0x1b, "[2J"))} << "U+001B";
        QTest::newRow("service of a share with a tab")
            << "SetRateio" << QVariantList{shareWith("CDSERVFILI", withChar("0000", 0x09, "2"))}
            << "U+0009";
        QVariantMap badName = shareWithNote("Ala");
        QVariantList fields = badName["fields"].toList();
        QVariantMap field = fields[8].toMap();
        field["name"] = withChar("DSOBS", 0, "RATE");
        fields[8] = field;
        badName["fields"] = fields;
        QTest::newRow("field name with a nul") << "SetRateio" << QVariantList{badName} << "nulo";
        QTest::newRow("calculation number with a nul")
            << "Confirma_Calculo" << QVariantList{B1, "C1", March1, March2, withChar("", 0), B1}
            << "nulo";
    }

    void everyMethodRefusesItBeforeRunning() {
        QFETCH(QString, method);
        QFETCH(QVariantList, args);
        QFETCH(QString, fault);
        Fixture f;
        f.standardWorld();
        const int shares = f.count("SELECT count(*) FROM EFETRATCDRS");
        const QString error = errorOf([&] { f.call(method, args); });
        QVERIFY2(error.contains(method) && error.contains(fault), qPrintable(error));
        QCOMPARE(f.count("SELECT count(*) FROM EFETRATCDRS"), shares);
        QCOMPARE(f.count("SELECT count(*) FROM AUDITORIA"), 0);
        QCOMPARE(f.count("SELECT count(*) FROM CTRLAPURFAT"), 0);
        QCOMPARE(f.value("SELECT NRAGRUEFET FROM SERVCLIE WHERE CDCLIENTE = 'C1' AND "
                         "CDSERVFILI = '00002'")
                     .toString(),
                 QStringLiteral("001"));
    }

    void anObservationKeepsItsTabsLineBreaksAndEveryCharacter() {
        Fixture f;
        f.standardWorld();
        const QString note = QStringLiteral("1ª ala\tnorte\n2ª ala: café ☕ e 🍽️");
        QVERIFY(ok(f.call("SetRateio", {shareWithNote(note)})));
        QCOMPARE(f.value("SELECT DSOBSRATE FROM EFETRATCDRS").toString(), note);
        // SQLite counts characters, not UTF-16 units: the emoji pairs count once each.
        QCOMPARE(f.count("SELECT length(DSOBSRATE) FROM EFETRATCDRS"), int(note.toUcs4().size()));
    }
};

QTEST_GUILESS_MAIN(TestCleanText)
#include "tst_clean_text.moc"
