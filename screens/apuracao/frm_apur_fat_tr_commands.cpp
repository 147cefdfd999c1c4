// The edit commands shared by the two pages: include, change, delete, confirm and cancel;
// the confirmation that sends a day's apportionment as one change packet, but only when it
// adds up, and that every move which would leave typed rows behind runs first; the
// navigator's reload of the day list; and the command, page and filter state that follows
// every state change of the apportionment.

#include "contracts/busy_animation.h"
#include "screens/apuracao/cli_rqx52000.h"
#include "screens/apuracao/frm_apur_fat_tr.h"

#include "contracts/app_server.h"
#include "contracts/host_framework.h"
#include "framework/components/focus.h"
#include "framework/forms/application.h"
#include "framework/ui/guard.h"

namespace {
bool editing(TDataSetState state) {
    return state == dsEdit || state == dsInsert;
}
} // namespace

bool TfrmApurFatTR::ApportionmentPending() const {
    return editing(cdsRateio.State()) || cdsRateio.ChangeCount() > 0;
}

void TfrmApurFatTR::ConfirmPendingApportionment() {
    if (ApportionmentPending())
        ConfirmOrRefuse();
}

void TfrmApurFatTR::ConfirmOrRefuse() {
    Confirma_Rateio();
    // Rows the server refused are still in the change log; its failure was shown.
    if (cdsRateio.ChangeCount() > 0)
        Abort();
}

void TfrmApurFatTR::DiscardApportionment() {
    if (editing(cdsRateio.State()))
        cdsRateio.Cancel();
    if (cdsRateio.ChangeCount() > 0)
        cdsRateio.CancelUpdates();
}

void TfrmApurFatTR::sbtIncluirClick(QObject*) {
    VerificaBloqueio();
    if (DailyPageActive() && cdsRateio.State() == dsBrowse) {
        cdsRateio.Insert();
        cdsRateio.FieldByName(QStringLiteral("QTDERATEIO")).FocusControl();
    }
    dbnPadrao->setEnabled(false);
}

void TfrmApurFatTR::sbtAlterarClick(QObject*) {
    VerificaBloqueio();
    EnableFilter(false);
    dbnPadrao->setEnabled(false);
    if (ServicesPageActive()) {
        cdsServEfet.Edit();
        SetServicesPageCommands();
        EnableFilter(dtsPadrao.State() != dsEdit);
        Habilita_Pagina(cdsServEfet.State() != dsEdit);
    }
    if (DailyPageActive() && cdsRateio.State() == dsBrowse) {
        cdsRateio.FieldByName(QStringLiteral("QTDERATEIO")).FocusControl();
        cdsRateio.Edit();
    }
    if (ServicesPageActive())
        cdsServEfet.FieldByName(QStringLiteral("NRAGRUEFET")).FocusControl();
}

void TfrmApurFatTR::sbtConfirmarClick(QObject*) {
    if (ServicesPageActive() && dtsPadrao.DataSet()->State() == dsEdit)
        dtsPadrao.DataSet()->Post();
    // Anywhere but in the grid, the grid's exit has confirmed already.
    if (DailyPageActive() && ActiveControl() == dbgRateio)
        Confirma_Rateio();
    dbnPadrao->setEnabled(true);
}

void TfrmApurFatTR::Confirma_Rateio() {
    boChange = cdsRateio.ChangeCount() >= 1;
    if (editing(cdsRateio.State()))
        cdsRateio.Post();
    if (cdsRateio.ChangeCount() > 0) {
        if (!Vd_Soma())
            Abort();
        SaveApportionment();
    }
    SetRowCommands(RowCommands::AfterConfirmation);
    Habilita_Pagina(!editing(cdsRateio.State()) && !boChange);
}

void TfrmApurFatTR::SaveApportionment() {
    // A failed save was shown by the framework; the rows stay pending in the change log.
    Guarded([this] {
        BusyAnimation busy(Application().MainForm(), 1);
        ServerPayload(ServerMethod::SetRateio, {cdsRateio.Delta()});
        cdsRateio.MergeChangeLog();
    });
}

void TfrmApurFatTR::dbgRateioExit(QObject*) {
    ConfirmOrRefuse();
}

void TfrmApurFatTR::sbtCancelarClick(QObject* sender) {
    boChange = cdsRateio.ChangeCount() > 0;
    if (DailyPageActive() &&
        msgGeral.ShowMsg(QStringLiteral("Canc"), mtConfirmation, mbYes | mbNo, 0) == mrYes) {
        DiscardApportionment();
        SetRowCommands(RowCommands::EitherPattern);
        Habilita_Pagina(!editing(cdsRateio.State()) && !boChange);
    }
    if (ServicesPageActive()) {
        TfrmPadrao::sbtCancelarClick(sender);
        SetCommandsButConfirm(false, true, false, true, true, true);
    }
    dbnPadrao->setEnabled(true);
}

void TfrmApurFatTR::sbtExcluirClick(QObject*) {
    VerificaBloqueio();
    if (!DailyPageActive())
        return;
    if (dtsRateio.DataSet()->State() == dsBrowse &&
        msgPadrao.ShowMsg(QStringLiteral("Excl"), mtConfirmation, mbYes | mbNo, 0) == mrYes) {
        cdsRateio.Delete();
        SetFocus(dbgRateio);
    }
    // Whatever was answered, the day's rows as the server now holds them.
    LoadApportionment();
    SetRowCommands(RowCommands::WhenLoadedEmpty);
}

void TfrmApurFatTR::dbnPadraoClick(QObject*, TNavigateBtn) {
    if (!DailyPageActive())
        return;
    LoadDays();
    SetRowCommands(RowCommands::EitherPattern);
}

void TfrmApurFatTR::dtsRateioStateChange(QObject*) {
    boChange = cdsRateio.ChangeCount() > 0;
    if (!DailyPageActive())
        return;
    const TDataSetState state = cdsRateio.State();
    const bool browsing = state == dsBrowse && !dtsPadrao.DataSet()->IsEmpty() && !boChange;
    ChangeButtons(state == dsBrowse && !boChange, browsing, browsing, browsing, browsing,
                  editing(state) || boChange, browsing);
    EnableFilter(!editing(dtsRateio.State()) && !boChange);
    if (ActiveControl() == dbgRateio && cdsRateio.IsEmpty())
        SetRowCommands(RowCommands::EitherPattern);
    Habilita_Pagina(!editing(state) && !boChange);
}
