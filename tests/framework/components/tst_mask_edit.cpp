// Masked and plain edits: the desktop mask notation on Qt, the stored value as the screens
// read it, mask changes that keep the value, and the change event.

#include "contracts/host_framework.h"
#include "framework/components/mask_edit.h"
#include "scripted_ui.h"

#include <QTest>

class TstMaskEdit : public QObject {
    Q_OBJECT
private slots:
    void typedAndSetValuesReadAsStored_data();
    void typedAndSetValuesReadAsStored();
    void changingTheMaskKeepsTheStoredValue();
    void changeEventRunsForUserAndCodeInsideTheGuard();
};

void TstMaskEdit::typedAndSetValuesReadAsStored_data() {
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("stored");
    QTest::newRow("upper case, blanks as spaces") << ">aaaa;0; "
                                                  << "ab1"
                                                  << "AB1 "
                                                  << "AB1";
    QTest::newRow("literals not saved") << "00.000.000/0000-00;0;_"
                                        << "12345678000190"
                                        << "12.345.678/0001-90"
                                        << "12345678000190";
    QTest::newRow("literals saved") << "00/00/0000;1;_"
                                    << "31122026"
                                    << "31/12/2026"
                                    << "31/12/2026";
    QTest::newRow("partial, required") << "000.000.000-00;0;_"
                                       << "123"
                                       << "123.___.___-__"
                                       << "123";
    QTest::newRow("partial, optional") << "!99/99/9999;1; "
                                       << "0102"
                                       << "01/02/    "
                                       << "01/02/";
}

void TstMaskEdit::typedAndSetValuesReadAsStored() {
    QFETCH(QString, mask);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, stored);
    TMaskEdit edit;
    edit.SetEditMask(mask);
    QCOMPARE(edit.Text(), QString()); // untouched: not Qt's "//"
    QVERIFY(!edit.Text().isNull());   // a null text would bind as SQL NULL
    QTest::keyClicks(&edit, typed);
    QCOMPARE(edit.displayText(), shown);
    QCOMPARE(edit.Text(), stored);

    edit.SetText(QString());
    QCOMPARE(edit.Text(), QString());
    edit.SetText(stored);
    QCOMPARE(edit.displayText(), shown);
}

void TstMaskEdit::changingTheMaskKeepsTheStoredValue() {
    TMaskEdit edit;
    edit.SetMaxLength(20);
    edit.SetText("12345678000190");
    int changes = 0;
    edit.OnChange = [&] { ++changes; };
    edit.SetEditMask("00.000.000/0000-00;0;_");
    QCOMPARE(edit.displayText(), QString("12.345.678/0001-90"));
    QCOMPARE(edit.Text(), QString("12345678000190"));
    edit.SetEditMask("");
    QCOMPARE(edit.displayText(), QString("12345678000190"));
    QCOMPARE(changes, 2); // once per mask, not for Qt's clearing and refilling

    // Qt forgets the maximum length with the mask; the edit does not.
    QCOMPARE(edit.maxLength(), 20);
    edit.clear();
    QTest::keyClicks(&edit, "123456789012345678901234");
    QCOMPARE(edit.Text(), QString("12345678901234567890"));
}

void TstMaskEdit::changeEventRunsForUserAndCodeInsideTheGuard() {
    ScriptedUi ui;
    TMaskEdit masked;
    TEdit plain;
    QStringList heard;
    masked.SetEditMask(">aaaa;0; ");
    masked.OnChange = [&] { heard << "masked:" + masked.Text(); };
    plain.OnChange = [&] {
        heard << "plain:" + plain.Text();
        throw Exception("falhou");
    };
    QTest::keyClick(&masked, Qt::Key_A);
    masked.SetText("b");
    QTest::keyClick(&plain, Qt::Key_X); // the throw stops in the guard, shown once
    plain.SetText("y");
    QCOMPARE(heard, (QStringList{"masked:A", "masked:B", "plain:x", "plain:y"}));
    QCOMPARE(ui.texts(), (QStringList{"falhou", "falhou"}));
}

QTEST_MAIN(TstMaskEdit)
#include "tst_mask_edit.moc"
