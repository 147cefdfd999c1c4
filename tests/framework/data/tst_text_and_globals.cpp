// The framework's text helpers and the widget-free globals the screens call.

#include "contracts/host_framework.h"
#include "framework/data/edit_mask.h"
#include "framework/data/field_type.h"
#include "framework/data/text_format.h"
#include "framework/session.h"
#include "scripted_ui.h"

#include <QTest>

class TstTextAndGlobals : public QObject {
    Q_OBJECT
private slots:
    void ajustaFillsWithZerosAndLeavesBlanksEmpty_data();
    void ajustaFillsWithZerosAndLeavesBlanksEmpty();
    void emptyStringSeesUntouchedEditsAsEmpty();
    void roundDecRoundsHalvesAwayFromZero_data();
    void roundDecRoundsHalvesAwayFromZero();
    void nomeSemanaNamesEveryWeekday();
    void registrationNumbersKeepDigitsAndTakeThePersonTypesMask();
    void desktopMasksTranslateToQtMasks_data();
    void desktopMasksTranslateToQtMasks();
    void masksFormatAndStripRawValues();
    void datesParseStrictly();
    void checkResultServUnwrapsOrShowsAndRaises();
    void mensErroShowsThenRaises();
    void hostValuesComeFromTheSession();
};

void TstTextAndGlobals::ajustaFillsWithZerosAndLeavesBlanksEmpty_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("expected");
    QTest::newRow("branch") << "1" << 4 << "0001";
    QTest::newRow("nf") << "5" << 3 << "005";
    QTest::newRow("already wide") << "0042" << 4 << "0042";
    QTest::newRow("surrounding blanks") << " 7 " << 3 << "007";
    QTest::newRow("longer kept whole") << "12345" << 4 << "12345";
    QTest::newRow("empty") << "" << 3 << "";
    QTest::newRow("blank") << "   " << 3 << "";
    QTest::newRow("letters") << "AB" << 4 << "00AB";
}

void TstTextAndGlobals::ajustaFillsWithZerosAndLeavesBlanksEmpty() {
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(QString, expected);
    QCOMPARE(Ajusta(text, width), expected);
}

void TstTextAndGlobals::emptyStringSeesUntouchedEditsAsEmpty() {
    QVERIFY(EmptyString(""));
    QVERIFY(EmptyString("   "));
    QVERIFY(EmptyString("  /  /    "));
    QVERIFY(EmptyString("//"));
    QVERIFY(EmptyString("__.___.___/____-__"));
    QVERIFY(!EmptyString("0"));
    QVERIFY(!EmptyString("  /  /2026"));
    QVERIFY(!EmptyString("a"));
}

void TstTextAndGlobals::roundDecRoundsHalvesAwayFromZero_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("expected");
    QTest::newRow("down") << 3.333 << 3.33;
    QTest::newRow("up") << 3.334999 << 3.33;
    QTest::newRow("half") << 2.675 << 2.68;
    QTest::newRow("half of a cent") << 0.125 << 0.13;
    QTest::newRow("negative half") << -0.125 << -0.13;
    QTest::newRow("exact") << 2.5 << 2.5;
    QTest::newRow("large") << 123456.785 << 123456.79;
}

void TstTextAndGlobals::roundDecRoundsHalvesAwayFromZero() {
    QFETCH(double, value);
    QFETCH(double, expected);
    QCOMPARE(RoundDec(value, 2), expected);
    // The apportionment check: three thirds of ten, each counted to the cent.
    QVERIFY(RoundDec(RoundDec(3.333, 2) + RoundDec(3.333, 2) + RoundDec(3.334, 2), 2) !=
            RoundDec(10, 2));
}

void TstTextAndGlobals::nomeSemanaNamesEveryWeekday() {
    const QStringList expected{"Domingo",      "Segunda-feira", "Terça-feira", "Quarta-feira",
                               "Quinta-feira", "Sexta-feira",   "Sábado"};
    const QDate sunday(2026, 12, 6);
    QCOMPARE(sunday.dayOfWeek(), 7);
    for (int i = 0; i < 7; ++i)
        QCOMPARE(NomeSemana(dateTimeOf(sunday.addDays(i))), expected.at(i));
    QCOMPARE(NomeSemana(QDateTime()), QString());
}

void TstTextAndGlobals::registrationNumbersKeepDigitsAndTakeThePersonTypesMask() {
    QString typed = " 12.345.678/0001-90 ";
    Ajusta_Inscricao(typed);
    QCOMPARE(typed, QString("12345678000190"));
    QCOMPARE(PictPess("J"), QString("00.000.000/0000-00;0;_"));
    QCOMPARE(PictPess("F"), QString("000.000.000-00;0;_"));
    QCOMPARE(PictPess("j"), PictPess("J"));
    QCOMPARE(PictPess("X"), QString());
    QCOMPARE(PictPess(""), QString());
}

void TstTextAndGlobals::desktopMasksTranslateToQtMasks_data() {
    QTest::addColumn<QString>("desktop");
    QTest::addColumn<QString>("qt");
    QTest::newRow("branch code") << ">aaaa;0; "
                                 << ">nnnn; ";
    QTest::newRow("nf") << "999;0"
                        << "000;_";
    QTest::newRow("nf with empty blank") << "999;0;"
                                         << "000;_";
    QTest::newRow("company") << "00.000.000/0000-00;0;_"
                             << "99.999.999/9999-99;_";
    QTest::newRow("person") << "000.000.000-00;0;_"
                            << "999.999.999-99;_";
    QTest::newRow("date") << "!99/99/0000;1;_"
                          << "00/00/9999;_";
    QTest::newRow("letters and escapes") << "LL\\A-cC;1;*"
                                         << "AA\\A-xX;*";
    QTest::newRow("case off") << ">L<>l;1; "
                              << ">A!a; ";
}

void TstTextAndGlobals::desktopMasksTranslateToQtMasks() {
    QFETCH(QString, desktop);
    QFETCH(QString, qt);
    QCOMPARE(EditMask(desktop).toQtInputMask(), qt);
}

void TstTextAndGlobals::masksFormatAndStripRawValues() {
    const EditMask company("00.000.000/0000-00;0;_");
    QVERIFY(!company.savesLiterals());
    QCOMPARE(company.format("12345678000190"), QString("12.345.678/0001-90"));
    QCOMPARE(company.format("1234"), QString("12.34_.___/____-__"));
    QCOMPARE(company.storedValue("12.345.678/0001-90"), QString("12345678000190"));
    QCOMPARE(company.storedValue("12.34_.___/____-__"), QString("1234"));
    const EditMask person("000.000.000-00;0;_");
    QCOMPARE(person.format("12345678909"), QString("123.456.789-09"));
    const EditMask branch(">aaaa;0; ");
    QCOMPARE(branch.format("ab1"), QString("AB1 "));
    QCOMPARE(branch.storedValue("AB1 "), QString("AB1"));
    const EditMask date("99/99/9999;1;_");
    QVERIFY(date.savesLiterals());
    QCOMPARE(date.storedValue("05/03/2026"), QString("05/03/2026"));
    QCOMPARE(date.format("05/03/2026"), QString("05/03/2026"));
    QCOMPARE(EditMask("").format("abc"), QString("abc"));
}

void TstTextAndGlobals::datesParseStrictly() {
    QCOMPARE(textformat::strToDateTime("05/03/2026").date(), QDate(2026, 3, 5));
    QCOMPARE(textformat::strToDateTime("5/3/26").date(), QDate(2026, 3, 5));
    try {
        textformat::strToDateTime("31/02/2026");
        QFAIL("an impossible date was accepted");
    } catch (const EConvertError& e) {
        QCOMPARE(e.message(), QString("'31/02/2026' não é uma data válida."));
    }
    QVERIFY_THROWS_EXCEPTION(EConvertError, textformat::strToDateTime("  /  /    "));
    QCOMPARE(textformat::parseIsoDateTime("2026-12-08"), dateTimeOf(QDate(2026, 12, 8)));
    QCOMPARE(textformat::parseIsoDateTime("2026-12-08T10:15:30"),
             dateTimeOf(QDate(2026, 12, 8), QTime(10, 15, 30)));
    QVERIFY(!textformat::parseIsoDateTime("2026-13-08").isValid());
    QVERIFY(!textformat::parseIsoDateTime("08/12/2026").isValid());
    QVERIFY(!textformat::parseIsoDateTime("2026-12-08X").isValid());
    QCOMPARE(textformat::isoDateTime(dateTimeOf(QDate(2026, 1, 2))), QString("2026-01-02"));
    QCOMPARE(textformat::isoDateTime(dateTimeOf(QDate(2026, 1, 2), QTime(3, 4, 5))),
             QString("2026-01-02T03:04:05"));
    // Written as Qt writes them, over the years a date may have here and at their edges.
    for (const QDate day : {QDate(1, 1, 1), QDate(999, 12, 31), QDate(1000, 1, 1),
                            QDate(2026, 2, 28), QDate(2028, 2, 29), QDate(9999, 12, 31), QDate()})
        QCOMPARE(textformat::isoDate(day), day.toString(Qt::ISODate));
}

void TstTextAndGlobals::checkResultServUnwrapsOrShowsAndRaises() {
    ScriptedUi ui;
    const QVariantMap good{{"ok", true}, {"payload", 42}, {"message", ""}};
    QCOMPARE(CheckResultServ(good, true, 0), QVariant(42));
    QVERIFY(ui.messages.isEmpty());

    const QVariantMap refused{
        {"ok", false}, {"payload", QVariant()}, {"message", "Cliente bloqueado."}};
    QVERIFY_THROWS_EXCEPTION(EAlreadyShown, CheckResultServ(refused, true, 0));
    QCOMPARE(ui.texts(), QStringList{"Cliente bloqueado."});
    QCOMPARE(ui.messages[0].type, mtError);

    ui.clear();
    QVERIFY_THROWS_EXCEPTION(EAlreadyShown, CheckResultServ(QVariant("0001"), true, 0));
    QCOMPARE(ui.messages.size(), 1);

    // Without showing, the failure is raised for the top level to show once.
    ui.clear();
    QVERIFY_THROWS_EXCEPTION(Exception, CheckResultServ(refused, false, 0));
    QVERIFY(ui.messages.isEmpty());
}

void TstTextAndGlobals::mensErroShowsThenRaises() {
    ScriptedUi ui;
    try {
        MensErro("Filial deve ser informada.", true);
        QFAIL("MensErro returned");
    } catch (const EAlreadyShown& e) {
        QCOMPARE(e.message(), QString("Filial deve ser informada."));
    }
    QCOMPARE(ui.texts(), QStringList{"Filial deve ser informada."});
}

void TstTextAndGlobals::hostValuesComeFromTheSession() {
    HostSession saved = hostSession();
    hostSession().filiProc = "0001";
    hostSession().filiProcFat = "0002";
    hostSession().moduFili = true;
    hostSession().webPort = 5123;
    hostSession().dataProc = [](const QString& b) {
        return b == "0001" ? dateTimeOf(QDate(2026, 11, 30)) : QDateTime();
    };
    QCOMPARE(FiliProc(), QString("0001"));
    QCOMPARE(FiliProcFat(), QString("0002"));
    QVERIFY(ModuFili());
    QCOMPARE(WebPort(), 5123);
    QCOMPARE(DataProc("0001"), dateTimeOf(QDate(2026, 11, 30)));
    QCOMPARE(DataProc("0009").date(), QDate::currentDate());
    hostSession() = saved;
}

QTEST_GUILESS_MAIN(TstTextAndGlobals)
#include "tst_text_and_globals.moc"
