// The services page: the invoice grouping number ("NF") of each service, checked, posted
// and saved on the server; and moving between services while the daily page shows keeps
// the day list and its apportionment in step.

#include "contracts/busy_animation.h"
#include "screens/apuracao/cli_rqx52000.h"
#include "screens/apuracao/frm_apur_fat_tr.h"

#include "contracts/app_server.h"
#include "contracts/host_framework.h"
#include "framework/data/controls_suspended.h"
#include "framework/forms/application.h"
#include "framework/ui/guard.h"

void TfrmApurFatTR::cdsServEfetBeforeInsert(TClientDataSet&) {
    // The services come from the contract; none is added here.
    Abort();
}

void TfrmApurFatTR::cdsServEfetBeforeDelete(TClientDataSet&) {
    // Nor is one taken away.
    Abort();
}

void TfrmApurFatTR::dbgPadraoKeyDown(QObject*, int& key, TShiftState shift) {
    // The grid's own insert and delete keys have nothing to do here: no question is asked.
    if ((key == vk::Insert && shift == 0) || ((shift & ssCtrl) && key == vk::Delete))
        key = 0;
}

void TfrmApurFatTR::dbgPadraoKeyPress(QObject*, QChar& key) {
    VerificaBloqueio();
    DropKeyOfMarkedField(*dbgPadrao, key);
}

void TfrmApurFatTR::DropKeyOfMarkedField(TDBGrid& grid, QChar& key) {
    const TField* field = grid.SelectedField();
    const bool marked = field && (field->Tag() % 2 != 0);
    if (!marked || !grid.DataSet() || grid.DataSet()->State() == dsInsert)
        return;
    const ushort code = key.unicode();
    if (code != 9 && code != 13 && (code < 37 || code > 40))
        key = QChar();
}

void TfrmApurFatTR::dbgPadraoColExit(QObject*) {
    const TField* field = dbgPadrao->SelectedField();
    if (cdsServEfet.State() == dsEdit && field && field->FieldName() == QLatin1String("NRAGRUEFET"))
        Vd_NF();
}

void TfrmApurFatTR::cdsServEfetBeforePost(TClientDataSet&) {
    Vd_NF();
}

void TfrmApurFatTR::cdsServEfetAfterPost(TClientDataSet&) {
    // A failed save was shown by the framework; the row keeps its new number here.
    Guarded([this] {
        BusyAnimation busy(Application().MainForm(), 1);
        ServerPayload(ServerMethod::SetEfetivos,
                      {cdsCliente.FieldByName(QStringLiteral("CDCLIENTE")).AsString(),
                       cdsServEfet.FieldByName(QStringLiteral("CDFILIAL")).AsString(),
                       depDtInicial->Date(), depDtFinal->Date(),
                       cdsServEfet.FieldByName(QStringLiteral("CDSERVFILI")).AsString(),
                       cdsServEfet.FieldByName(QStringLiteral("NRAGRUEFET")).AsString()});
        cdsServEfet.MergeChangeLog();
    });
}

void TfrmApurFatTR::cdsServEfetBeforeScroll(TClientDataSet&) {
    if (!DailyPageActive() || boApurac)
        return;
    // Typed rows go to the server first; when they cannot, the service stays.
    ConfirmPendingApportionment();
    Vd_Soma();
    LoadApportionment();
    SetRowCommands(RowCommands::WhenLoadedEmpty);
}

void TfrmApurFatTR::cdsServEfetAfterScroll(TClientDataSet&) {
    if (!DailyPageActive())
        return;
    ControlsSuspended suspended(cdsEfetivos);
    LoadDays();
}
