// Fields (typed reads and writes, display and edit texts) and the packets a data set loads
// and produces, bad packets included.

#include "contracts/host_framework.h"
#include "framework/data/dataset.h"
#include "framework/data/packet.h"
#include "framework/data/text_format.h"

#include <QTest>

namespace {

QVariantMap field(const QString& name, const QString& type, int size = 0) {
    return {{"name", name}, {"type", type}, {"size", size}};
}

// The shape of the day list.
void declareDays(TClientDataSet& ds) {
    ds.AddField("CDFILIAL", ftString, 4).SetEditMask(">aaaa;0; ");
    ds.AddField("DTEFETCDRS", ftDateTime).SetDisplayLabel("Data Faturamento");
    ds.AddField("IDCHECK", ftFixedChar, 1);
    ds.AddField("QTCOMECDRS", ftFloat).SetDisplayFormat("#,##0.000");
}

QVariantMap daysPacket(const QList<QVariantList>& rows) {
    QVariantList list;
    for (const QVariantList& r : rows)
        list.append(QVariant(r));
    return {
        {"fields", QVariantList{field("CDFILIAL", "string", 4), field("DTEFETCDRS", "datetime"),
                                field("IDCHECK", "fixedstring", 1), field("QTCOMECDRS", "float")}},
        {"rows", list}};
}

} // namespace

class TstFieldsAndPackets : public QObject {
    Q_OBJECT
private slots:
    void readingAnEmptyOrClosedSetGivesEmptyValuesWithoutThrowing();
    void displayFormatUsesBrazilianSeparators_data();
    void displayFormatUsesBrazilianSeparators();
    void displayAndEditTextsComeFromOnGetText();
    void aMaskedStringFieldDisplaysThroughItsMask();
    void typedWritesConvertOrRefuse();
    void textsAreCutToTheFieldSize();
    void writesOutsideEditingAreRefused();
    void aPacketRoundTripsAndIsoDatesBecomeDates();
    void nullAndEmptyTextStayDistinct();
    void aBadPacketIsRefusedAndLeavesTheSetAsItWas_data();
    void aBadPacketIsRefusedAndLeavesTheSetAsItWas();
    void aSetWithoutDeclaredFieldsTakesThePacketsFields();
    void locateMatchesWithOrWithoutCase();
    void closedSetsGiveNoPacketAndLoadingNullCloses();
    void calcFieldsRunPerRowWithoutLoggingChanges();
};

void TstFieldsAndPackets::readingAnEmptyOrClosedSetGivesEmptyValuesWithoutThrowing() {
    TClientDataSet ds;
    declareDays(ds);
    for (int pass = 0; pass < 2; ++pass) {
        QCOMPARE(ds.FieldByName("CDFILIAL").AsString(), QString());
        QCOMPARE(ds.FieldByName("QTCOMECDRS").AsFloat(), 0.0);
        QCOMPARE(ds.FieldByName("QTCOMECDRS").AsInteger(), 0);
        QCOMPARE(ds.FieldByName("DTEFETCDRS").AsDateTime(), zeroDateTime());
        QCOMPARE(ds.FieldByName("DTEFETCDRS").AsDateTime().date(), QDate(1899, 12, 30));
        QCOMPARE(ds.FieldByName("QTCOMECDRS").DisplayText(), QString());
        QVERIFY(ds.FieldByName("IDCHECK").IsNull());
        ds.CreateDataSet(); // second pass: open and empty
        QVERIFY(ds.IsEmpty());
    }
}

void TstFieldsAndPackets::displayFormatUsesBrazilianSeparators_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("grouping and decimals") << "#,##0.000" << 1234.5 << "1.234,500";
    QTest::newRow("millions") << "#,##0.000" << 1234567.0 << "1.234.567,000";
    QTest::newRow("below one") << "#,##0.000" << 0.5 << "0,500";
    QTest::newRow("zero") << "#,##0.000" << 0.0 << "0,000";
    QTest::newRow("negative") << "#,##0.000" << -2.25 << "-2,250";
    QTest::newRow("rounds half up") << "#,##0.00" << 2.675 << "2,68";
    QTest::newRow("rounds to three") << "#,##0.000" << 3.3335 << "3,334";
    QTest::newRow("optional decimals") << "0.##" << 2.5 << "2,5";
    QTest::newRow("literal suffix") << "0.0 'kg'" << 1.25 << "1,3 kg";
    QTest::newRow("negative section") << "0.00;(0.00)" << -1.5 << "(1,50)";
}

void TstFieldsAndPackets::displayFormatUsesBrazilianSeparators() {
    QFETCH(QString, pattern);
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(textformat::formatFloat(pattern, value), text);
}

void TstFieldsAndPackets::displayAndEditTextsComeFromOnGetText() {
    TClientDataSet ds;
    declareDays(ds);
    ds.SetData(daysPacket({QVariantList{"0001", "2026-11-02", "S", 1234.5}}));
    TField& qty = ds.FieldByName("QTCOMECDRS");
    QCOMPARE(qty.DisplayText(), QString("1.234,500"));
    QCOMPARE(qty.Text(), QString("1234,5"));
    QStringList calls;
    qty.OnGetText = [&](TField& f, QString& text, bool display) {
        calls << (display ? "display" : "edit");
        text = QStringLiteral("<%1>").arg(f.AsString());
    };
    QCOMPARE(qty.DisplayText(), QString("<1234,5>"));
    QCOMPARE(qty.Text(), QString("<1234,5>"));
    QCOMPARE(calls, (QStringList{"display", "edit"}));
    QCOMPARE(ds.FieldByName("DTEFETCDRS").DisplayText(), QString("02/11/2026"));
}

void TstFieldsAndPackets::aMaskedStringFieldDisplaysThroughItsMask() {
    TClientDataSet ds;
    ds.AddField("NRINSJURCLIE", ftString, 20).SetEditMask("00.000.000/0000-00;0;_");
    ds.CreateDataSet();
    ds.Append();
    ds.FieldByName("NRINSJURCLIE").SetAsString("12345678000190");
    ds.Post();
    QCOMPARE(ds.FieldByName("NRINSJURCLIE").DisplayText(), QString("12.345.678/0001-90"));
    QCOMPARE(ds.FieldByName("NRINSJURCLIE").Text(), QString("12345678000190"));
}

void TstFieldsAndPackets::typedWritesConvertOrRefuse() {
    TClientDataSet ds;
    declareDays(ds);
    ds.CreateDataSet();
    ds.Append();
    TField& qty = ds.FieldByName("QTCOMECDRS");
    qty.SetAsString("3,333");
    QCOMPARE(qty.AsFloat(), 3.333);
    qty.SetAsString("1.234,5");
    QCOMPARE(qty.AsFloat(), 1234.5);
    qty.SetAsString("2.5");
    QCOMPARE(qty.AsFloat(), 2.5);
    qty.SetAsString(" ");
    QVERIFY(qty.IsNull());
    QVERIFY_THROWS_EXCEPTION(EConvertError, qty.SetAsString("abc"));
    TField& day = ds.FieldByName("DTEFETCDRS");
    day.SetAsString("05/03/2026");
    QCOMPARE(day.AsDateTime().date(), QDate(2026, 3, 5));
    QVERIFY_THROWS_EXCEPTION(EConvertError, day.SetAsString("31/02/2026"));
    TField& code = ds.FieldByName("CDFILIAL");
    code.SetAsString("x");
    QVERIFY_THROWS_EXCEPTION(EConvertError, code.AsInteger());
    code.SetAsString("0042");
    QCOMPARE(code.AsInteger(), 42);
    try {
        code.SetAsString("ab");
        (void)code.AsInteger();
        QFAIL("no conversion error");
    } catch (const EConvertError& e) {
        QCOMPARE(e.message(), QString("'ab' não é um valor inteiro válido."));
    }
}

void TstFieldsAndPackets::textsAreCutToTheFieldSize() {
    TClientDataSet ds;
    declareDays(ds);
    ds.CreateDataSet();
    ds.Append();
    ds.FieldByName("CDFILIAL").SetAsString("ABCDEFG");
    QCOMPARE(ds.FieldByName("CDFILIAL").AsString(), QString("ABCD"));
}

void TstFieldsAndPackets::writesOutsideEditingAreRefused() {
    TClientDataSet ds;
    declareDays(ds);
    ds.SetData(daysPacket({QVariantList{"0001", "2026-11-02", "N", 10.0}}));
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.FieldByName("IDCHECK").SetAsString("S"));
    QCOMPARE(ds.FieldByName("IDCHECK").AsString(), QString("N"));
    ds.FieldByName("IDCHECK").SetReadOnly(true);
    ds.Edit();
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.FieldByName("IDCHECK").SetAsString("S"));
}

void TstFieldsAndPackets::aPacketRoundTripsAndIsoDatesBecomeDates() {
    TClientDataSet a;
    declareDays(a);
    a.SetData(daysPacket({QVariantList{"0001", "2026-11-02", "S", 10.0},
                          QVariantList{"0001", "2026-11-03T12:30:00", "N", 7.5}}));
    QCOMPARE(a.FieldByName("DTEFETCDRS").AsDateTime(), dateTimeOf(QDate(2026, 11, 2)));
    a.Next();
    QCOMPARE(a.FieldByName("DTEFETCDRS").AsDateTime(),
             dateTimeOf(QDate(2026, 11, 3), QTime(12, 30)));
    QCOMPARE(a.FieldByName("DTEFETCDRS").AsString(), QString("03/11/2026 12:30:00"));

    TClientDataSet b;
    declareDays(b);
    b.SetData(a.Data());
    QCOMPARE(packet::decode(b.Data()).rows, packet::decode(a.Data()).rows);
    QCOMPARE(b.RecordCount(), 2);
}

void TstFieldsAndPackets::nullAndEmptyTextStayDistinct() {
    TClientDataSet ds;
    declareDays(ds);
    ds.SetData(daysPacket({QVariantList{"", "2026-11-02", QVariant(), 1.0}}));
    QVERIFY(!ds.FieldByName("CDFILIAL").IsNull());
    QVERIFY(ds.FieldByName("IDCHECK").IsNull());
    const auto rows = packet::decode(ds.Data()).rows;
    QCOMPARE(rows[0][0], QVariant(QString("")));
    QVERIFY(rows[0][2].isNull());
}

void TstFieldsAndPackets::aBadPacketIsRefusedAndLeavesTheSetAsItWas_data() {
    QTest::addColumn<QVariant>("packet");
    QTest::addColumn<QString>("complaint");
    const QVariantList good{"0001", "2026-11-02", "S", 10.0};
    QTest::newRow("missing field")
        << QVariant(QVariantMap{
               {"fields",
                QVariantList{field("CDFILIAL", "string", 4), field("DTEFETCDRS", "datetime"),
                             field("IDCHECK", "fixedstring", 1)}},
               {"rows", QVariantList{QVariant(QVariantList{"0001", "2026-11-02", "S"})}}})
        << "QTCOMECDRS";
    QTest::newRow("text in a float")
        << QVariant(daysPacket({QVariantList{"0001", "2026-11-02", "S", "dez"}})) << "QTCOMECDRS";
    QTest::newRow("number in a text")
        << QVariant(daysPacket({QVariantList{1, "2026-11-02", "S", 1.0}})) << "CDFILIAL";
    QTest::newRow("impossible date")
        << QVariant(daysPacket({QVariantList{"0001", "2026-02-31", "S", 1.0}})) << "DTEFETCDRS";
    QTest::newRow("short row") << QVariant(daysPacket({QVariantList{"0001", "2026-11-02"}}))
                               << "linha 1";
    QTest::newRow("not a packet") << QVariant(QString("rows")) << "inválido";
    QTest::newRow("unknown type") << QVariant(QVariantMap{
                                         {"fields", QVariantList{field("CDFILIAL", "blob")}},
                                         {"rows", QVariantList{}}})
                                  << "desconhecido";
    QTest::newRow("second row bad")
        << QVariant(daysPacket({good, QVariantList{"0001", "2026-11-03", "S", QVariantList{}}}))
        << "linha 2";
}

void TstFieldsAndPackets::aBadPacketIsRefusedAndLeavesTheSetAsItWas() {
    QFETCH(QVariant, packet);
    QFETCH(QString, complaint);
    TClientDataSet ds;
    declareDays(ds);
    ds.SetData(daysPacket({QVariantList{"0009", "2026-10-01", "N", 5.0}}));
    int stateChanges = 0;
    ds.AfterClose = [&](TClientDataSet&) { ++stateChanges; };
    try {
        ds.SetData(packet);
        QFAIL("the packet was accepted");
    } catch (const EDatabaseError& e) {
        QVERIFY2(e.message().contains(complaint), qPrintable(e.message()));
    }
    QCOMPARE(stateChanges, 0);
    QCOMPARE(ds.State(), dsBrowse);
    QCOMPARE(ds.RecordCount(), 1);
    QCOMPARE(ds.FieldByName("CDFILIAL").AsString(), QString("0009"));
}

void TstFieldsAndPackets::aSetWithoutDeclaredFieldsTakesThePacketsFields() {
    TClientDataSet ds;
    ds.SetData(daysPacket({QVariantList{"0001", "2026-11-02", "S", 10.0}}));
    QCOMPARE(ds.FieldCount(), 4);
    QCOMPARE(ds.FieldByName("QTCOMECDRS").DataType(), ftFloat);
    QCOMPARE(ds.FieldByName("DTEFETCDRS").AsDateTime().date(), QDate(2026, 11, 2));
}

void TstFieldsAndPackets::locateMatchesWithOrWithoutCase() {
    TClientDataSet ds;
    declareDays(ds);
    ds.SetData(daysPacket({QVariantList{"ab01", "2026-11-02", "S", 1.0},
                           QVariantList{"AB02", "2026-11-03", "N", 2.0}}));
    QVERIFY(!ds.Locate("CDFILIAL", "ab02"));
    QCOMPARE(ds.RecNo(), 1);
    QVERIFY(ds.Locate("CDFILIAL", "ab02", loCaseInsensitive));
    QCOMPARE(ds.RecNo(), 2);
    QVERIFY(ds.Locate("CDFILIAL;IDCHECK", QVariantList{"AB01", "s"}, loCaseInsensitive));
    QCOMPARE(ds.RecNo(), 1);
    QVERIFY(ds.Locate("CDFILIAL", "AB0", loCaseInsensitive | loPartialKey));
    QVERIFY(ds.Locate("DTEFETCDRS", dateTimeOf(QDate(2026, 11, 3))));
    QCOMPARE(ds.RecNo(), 2);
}

void TstFieldsAndPackets::closedSetsGiveNoPacketAndLoadingNullCloses() {
    TClientDataSet ds;
    declareDays(ds);
    QVERIFY(ds.Data().isNull());
    QVERIFY(ds.Delta().isNull());
    QCOMPARE(ds.ChangeCount(), 0);
    ds.SetData(daysPacket({}));
    QVERIFY(!ds.Data().isNull());
    ds.SetData(QVariant());
    QCOMPARE(ds.State(), dsInactive);
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.Insert());
}

void TstFieldsAndPackets::calcFieldsRunPerRowWithoutLoggingChanges() {
    TClientDataSet ds;
    declareDays(ds);
    int runs = 0;
    ds.OnCalcFields = [&](TClientDataSet& d) {
        ++runs;
        d.FieldByName("IDCHECK").SetAsString(d.FieldByName("QTCOMECDRS").AsFloat() > 5 ? "S" : "N");
    };
    ds.SetData(daysPacket({QVariantList{"0001", "2026-11-02", QVariant(), 10.0},
                           QVariantList{"0001", "2026-11-03", QVariant(), 1.0}}));
    QCOMPARE(runs, 2);
    QCOMPARE(ds.FieldByName("IDCHECK").AsString(), QString("S"));
    ds.Next();
    QCOMPARE(ds.FieldByName("IDCHECK").AsString(), QString("N"));
    QCOMPARE(ds.ChangeCount(), 0);
    ds.Edit();
    ds.FieldByName("QTCOMECDRS").SetAsFloat(8);
    ds.Post();
    QCOMPARE(ds.FieldByName("IDCHECK").AsString(), QString("S"));
}

QTEST_GUILESS_MAIN(TstFieldsAndPackets)
#include "tst_fields_and_packets.moc"
