// The day list: the weekday text, moving between days (the check of the day left, the
// apportionment of the day reached), and the status marks drawn in place of the letter.

#include "billing_world.h"

#include "screens/apuracao/frm_apur_fat_tr.h"
#include "screens/apuracao/status_icons.h"

#include "framework/components/focus.h"

#include <QHeaderView>
#include <QImage>
#include <QTest>

namespace {

const QString kSomaDif =
    "A soma das quantidades rateadas deve ser igual ao nº de comensais faturadas do dia.";

struct DailyPage : BillingScreen {
    DailyPage() {
        QVERIFY(leaveFilter());
        clickTab(1);
    }
};

} // namespace

class TstDays : public QObject {
    Q_OBJECT
private slots:
    void theWeekdayIsTheDatesWhateverTheServerSends();
    void movingBetweenDaysWarnsAndLoadsTheDaysApportionment();
    void aFailedLoadLeavesThePreviousApportionment();
    void theStatusColumnShowsMarksNeverLetters_data();
    void theStatusColumnShowsMarksNeverLetters();
};

void TstDays::theWeekdayIsTheDatesWhateverTheServerSends() {
    DailyPage f;
    QVariantMap packet =
        packetFor(f.s->cdsEfetivos, {{"0001", "00010", "C-77", utcDay(QDate(2026, 11, 8)),
                                      "Desjejum", "QUARTA", "", "N", "P", 10.0, 10.0, "", 1.0}});
    f.s->cdsEfetivos.SetData(packet);
    TField& weekday = f.s->cdsEfetivos.FieldByName("DIASEMANA");
    QCOMPARE(weekday.AsString(), QString("Domingo"));
    QCOMPARE(weekday.DisplayText(), QString("Domingo"));
    QCOMPARE(f.s->dbgEfetivos->model()->index(0, 1).data().toString(), QString("Domingo"));
}

void TstDays::movingBetweenDaysWarnsAndLoadsTheDaysApportionment() {
    DailyPage f;
    QCOMPARE(f.commands(), QString("1000001"));
    f.server.calls.clear();
    f.s->cdsEfetivos.Next(); // 04/11: 50 + 30
    QCOMPARE(f.server.methods(), QStringList{"GetRateio"});
    QCOMPARE(f.server.calls[0].args,
             (QVariantList{"C-77", "0001", utcDay(QDate(2026, 11, 4)), "00010"}));
    QCOMPARE(f.s->cdsRateio.RecordCount(), 2);
    QVERIFY(f.ui.messages.isEmpty());
    // Reloading the apportionment is a state change of its own: the rule sets the commands.
    QCOMPARE(f.commands(), QString("1111101"));

    // Leaving a day that does not add up warns once per move, and the move goes on.
    f.s->cdsEfetivos.Next();
    QCOMPARE(f.ui.texts(), QStringList{kSomaDif});
    QCOMPARE(f.s->cdsEfetivos.RecNo(), 3);
    QVERIFY(f.s->cdsRateio.IsEmpty());
    QCOMPARE(f.commands(), QString("1000001"));
    f.s->cdsEfetivos.Prior();
    f.s->cdsEfetivos.Prior();
    QCOMPARE(f.ui.texts(), (QStringList{kSomaDif, kSomaDif}));
    QCOMPARE(f.s->cdsEfetivos.RecNo(), 1);
}

void TstDays::aFailedLoadLeavesThePreviousApportionment() {
    DailyPage f;
    f.s->cdsEfetivos.Next();
    f.s->ChangeButtons(true, true, true, true, true, false, true);
    f.server.refuse(ServerMethod::GetRateio, "Falha ao ler o rateio.");
    QVERIFY_THROWS_EXCEPTION(EAlreadyShown, f.s->cdsEfetivos.Next());
    QCOMPARE(f.ui.texts(), (QStringList{kSomaDif, "Falha ao ler o rateio."}));
    QCOMPARE(f.s->cdsEfetivos.RecNo(), 3);
    QCOMPARE(f.s->cdsRateio.RecordCount(), 2);
    QCOMPARE(f.commands(), QString("1111101"));
}

void TstDays::theStatusColumnShowsMarksNeverLetters_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<QColor>("mark"); // invalid: no mark
    QTest::newRow("S, selected") << 1 << true << QColor(255, 0, 0);
    QTest::newRow("S") << 1 << false << QColor(255, 0, 0);
    QTest::newRow("N, selected") << 0 << true << QColor(0, 0, 255);
    QTest::newRow("N") << 0 << false << QColor(0, 0, 255);
    QTest::newRow("blank, selected") << 2 << true << QColor();
    QTest::newRow("blank") << 2 << false << QColor();
}

void TstDays::theStatusColumnShowsMarksNeverLetters() {
    QFETCH(int, row);
    QFETCH(bool, selected);
    QFETCH(QColor, mark);
    DailyPage f;
    TDBGrid* grid = f.s->dbgEfetivos;
    SetFocus(grid);
    // The current cell is the selected one: the status cell of the current row.
    grid->SetSelectedIndex(3);
    f.s->cdsEfetivos.SetRecNo(selected ? row + 1 : (row + 1) % 3 + 1);
    const QModelIndex index = grid->model()->index(row, 3);
    const QRect cell = grid->visualRect(index);
    const QImage image = grid->viewport()->grab().toImage();
    const QColor background = selected
                                  ? grid->palette().color(QPalette::Active, QPalette::Highlight)
                                  : grid->palette().color(QPalette::Base);

    // Every pixel of the cell but the grid lines is the background or the mark's colour:
    // no olive key, no letter, no smoothing.
    int markPixels = 0;
    for (int y = cell.top() + 1; y < cell.bottom(); ++y)
        for (int x = cell.left() + 1; x < cell.right(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel == background)
                continue;
            QVERIFY2(mark.isValid() && pixel == mark,
                     qPrintable(QString("pixel %1,%2 is %3").arg(x).arg(y).arg(pixel.name())));
            ++markPixels;
        }
    QCOMPARE(markPixels > 20, mark.isValid());
    // A screen reader hears what the mark means, never the letter.
    const QString heard = index.data(Qt::AccessibleTextRole).toString();
    QCOMPARE(heard, row == 1   ? QString("Com divergência")
                    : row == 0 ? QString("Verificado")
                               : QString());
    if (mark.isValid()) {
        // Drawn from 8 pixels into the cell, at the cell's top.
        const QPixmap picture = row == 1 ? errorMark() : okMark();
        for (int y = 0; y < qMin(picture.height(), cell.height() - 1); ++y)
            for (int x = 0; x < picture.width(); ++x) {
                const QColor source = picture.toImage().pixelColor(x, y);
                const QColor drawn = image.pixelColor(cell.left() + 8 + x, cell.top() + y);
                QCOMPARE(drawn, source == kStatusTransparent ? background : source);
            }
    }
}

QTEST_MAIN(TstDays)
#include "tst_days.moc"
