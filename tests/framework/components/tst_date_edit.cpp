// The date edit: reading and writing dates, the empty edit, the validity check and its
// message, the weekday beside a valid date, the valid-date colour and the calendar.

#include "contracts/host_framework.h"
#include "framework/components/date_edit.h"
#include "framework/data/field_type.h"

#include <QAccessible>
#include <QApplication>
#include <QCalendarWidget>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QToolButton>

namespace {

QDateTime day(int y, int m, int d) {
    return dateTimeOf(QDate(y, m, d));
}

} // namespace

class TstDateEdit : public QObject {
    Q_OBJECT
private slots:
    void datesInAndOut();
    void impossibleOrIncompleteDatesAreRefusedWithAClearMessage();
    void weekdayAndColourFollowTheText();
    void theCalendarWritesThePickedDate();
    void aScreenReaderHearsWhatWasTypedAndNothingElse();
};

void TstDateEdit::datesInAndOut() {
    TDateEditPlus edit;
    QCOMPARE(edit.Text(), QString());
    QVERIFY(EmptyString(edit.lineEdit()->displayText()));
    QCOMPARE(edit.Date(), zeroDateTime());
    edit.CheckValidDate(); // empty is not invalid
    int changes = 0;
    edit.OnChange = [&] { ++changes; };

    const QDateTime withTime = dateTimeOf(QDate(2026, 3, 1), QTime(14, 30));
    edit.SetDate(withTime);
    QCOMPARE(edit.Text(), QString("01/03/2026"));
    QCOMPARE(edit.Date(), withTime); // SaveTime is on by default
    edit.SetSaveTime(false);
    QCOMPARE(edit.Date(), day(2026, 3, 1));
    QCOMPARE(changes, 1);

    edit.SetDate(zeroDateTime());
    QCOMPARE(edit.Text(), QString());
    edit.SetDate(day(2026, 3, 1));
    edit.SetDate(QDateTime());
    QCOMPARE(edit.Date(), zeroDateTime());
    QTest::keyClicks(edit.lineEdit(), "28022026");
    QCOMPARE(edit.Date(), day(2026, 2, 28));
}

void TstDateEdit::impossibleOrIncompleteDatesAreRefusedWithAClearMessage() {
    TDateEditPlus edit;
    QTest::keyClicks(edit.lineEdit(), "31022026");
    QCOMPARE(edit.Text(), QString("31/02/2026"));
    QCOMPARE(edit.Date(), zeroDateTime());
    try {
        edit.CheckValidDate();
        QFAIL("31/02/2026 passed the check");
    } catch (const EConvertError& e) {
        QCOMPARE(e.message(), QString("'31/02/2026' não é uma data válida."));
    }
    edit.SetText(QString());
    QTest::keyClicks(edit.lineEdit(), "1203");
    QVERIFY_THROWS_EXCEPTION(EConvertError, edit.CheckValidDate());
}

void TstDateEdit::weekdayAndColourFollowTheText() {
    TDateEditPlus edit;
    const QColor plain = edit.lineEdit()->palette().color(QPalette::Text);
    QVERIFY(edit.weekdayLabel()->isHidden()); // no names, no weekday
    edit.SetNomeSemana({"Domingo", "Segunda", "Terça", "Quarta", "Quinta", "Sexta", "Sábado"});
    edit.SetValidDateColor(Qt::blue);
    const auto shows = [&](const QString& weekday, const QColor& colour) {
        return edit.weekdayLabel()->text() == weekday &&
               edit.lineEdit()->palette().color(QPalette::Text) == colour;
    };
    edit.SetDate(day(2026, 3, 1));
    QVERIFY(shows("Domingo", Qt::blue));
    edit.SetDate(day(2026, 3, 7));
    QVERIFY(shows("Sábado", Qt::blue));
    QTest::keyClick(edit.lineEdit(), Qt::Key_End);
    QTest::keyClick(edit.lineEdit(), Qt::Key_Backspace); // "07/03/202 " is no date
    QVERIFY(shows("", plain));
    edit.SetDate(day(2026, 3, 4));
    QVERIFY(shows("Quarta", Qt::blue));
}

void TstDateEdit::theCalendarWritesThePickedDate() {
    TDateEditPlus edit;
    edit.SetDate(day(2026, 3, 10));
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    QCOMPARE(edit.calendarButton()->focusPolicy(), Qt::NoFocus);
    QTest::mouseClick(edit.calendarButton(), Qt::LeftButton);
    QWidget* popup = QApplication::activePopupWidget();
    QVERIFY(popup);
    auto* calendar = popup->findChild<QCalendarWidget*>();
    QVERIFY(calendar);
    QCOMPARE(calendar->selectedDate(), QDate(2026, 3, 10)); // opens on the edit's date
    calendar->setSelectedDate(QDate(2026, 4, 21));
    QTest::keyClick(calendar->findChild<QTableView*>(), Qt::Key_Return);
    QCOMPARE(edit.Date(), day(2026, 4, 21));
    QTRY_VERIFY(!QApplication::activePopupWidget());
}

void TstDateEdit::aScreenReaderHearsWhatWasTypedAndNothingElse() {
    TDateEditPlus edit;
    QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(edit.lineEdit());
    QVERIFY(spoken && spoken->textInterface());
    QCOMPARE(spoken->role(), QAccessible::EditableText);
    QCOMPARE(spoken->text(QAccessible::Name), QString("Data"));
    // Untouched, the mask's slashes are not read.
    QCOMPARE(spoken->text(QAccessible::Value), QString());
    QCOMPARE(spoken->textInterface()->characterCount(), 0);
    edit.SetDate(day(2026, 3, 5));
    QCOMPARE(spoken->text(QAccessible::Value), QString("05/03/2026"));
    QCOMPARE(spoken->textInterface()->text(3, 5), QString("03"));
    edit.SetDate(QDateTime());
    QCOMPARE(spoken->text(QAccessible::Value), QString());
    QTest::keyClicks(edit.lineEdit(), "1203");
    QCOMPARE(spoken->text(QAccessible::Value), edit.lineEdit()->displayText());
    QVERIFY(spoken->text(QAccessible::Value).startsWith("12/03/"));
}

QTEST_MAIN(TstDateEdit)
#include "tst_date_edit.moc"
