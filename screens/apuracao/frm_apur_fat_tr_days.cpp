// The daily page's list of billed days: the weekday text, the status marks drawn as icons,
// and the checks and loads that keep the apportionment in step with the current day.

#include "screens/apuracao/cli_rqx52000.h"
#include "screens/apuracao/frm_apur_fat_tr.h"

#include "contracts/host_framework.h"
#include "framework/components/canvas.h"

void TfrmApurFatTR::cdsEfetivosBeforeScroll(TClientDataSet&) {
    if (!DailyPageActive() || boApurac)
        return;
    // Typed rows go to the server first; when they cannot, the day stays. A day already
    // saved only warns when its split does not add up.
    ConfirmPendingApportionment();
    Vd_Soma();
}

void TfrmApurFatTR::cdsEfetivosAfterScroll(TClientDataSet&) {
    if (!DailyPageActive())
        return;
    LoadApportionment();
    SetRowCommands(RowCommands::WhenLoadedEmpty);
}

void TfrmApurFatTR::cdsEfetivosDIASEMANAGetText(TField& sender, QString& text, bool) {
    text = NomeSemana(sender.DataSet().FieldByName(QStringLiteral("DTEFETCDRS")).AsDateTime());
}

void TfrmApurFatTR::cdsEfetivosCalcFields(TClientDataSet& dataSet) {
    dataSet.FieldByName(QStringLiteral("DIASEMANA"))
        .SetAsString(NomeSemana(dataSet.FieldByName(QStringLiteral("DTEFETCDRS")).AsDateTime()));
}

void TfrmApurFatTR::dbgEfetivosDrawColumnCell(QObject*, const QRect& rect, int, TColumn& column,
                                              TGridDrawState) {
    if (column.FieldName() != QLatin1String("IDCHECK"))
        return;
    // The letter is never shown: the cell is blanked in the grid's own colour (the
    // selection's on the current row) and the mark drawn over it.
    const QString check = cdsEfetivos.FieldByName(QStringLiteral("IDCHECK")).AsString();
    QPixmap bitmap;
    if (check == QLatin1String("S"))
        bitmap = imgErro->pixmap();
    else if (check == QLatin1String("N"))
        bitmap = imgOk->pixmap();
    TCanvas* canvas = dbgEfetivos->Canvas();
    canvas->FillRect(rect);
    if (bitmap.isNull())
        return;
    canvas->BrushCopy(QRect(rect.left() + 8, rect.top(), bitmap.width(), rect.height()), bitmap,
                      QRect(0, 0, bitmap.width(), rect.height()), colorFromValue(0x8080));
}

void TfrmApurFatTR::dbgEfetivosAccessibleText(QObject*, TColumn& column, QString& text) {
    if (column.FieldName() != QLatin1String("IDCHECK"))
        return;
    const QString check = cdsEfetivos.FieldByName(QStringLiteral("IDCHECK")).AsString();
    text = check == QLatin1String("S")   ? QStringLiteral("Com divergência")
           : check == QLatin1String("N") ? QStringLiteral("Verificado")
                                         : QString();
}
