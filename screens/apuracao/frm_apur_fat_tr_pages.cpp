// The two pages and the seven command slots: what entering each page loads, and the rule
// that keeps commands, pages and the filter panel in step with the service list.

#include "screens/apuracao/frm_apur_fat_tr.h"

#include "contracts/app_server.h"
#include "contracts/host_framework.h"

void TfrmApurFatTR::ChangeButtons(bool include, bool change, bool remove, bool slot4, bool slot5,
                                  bool confirmCancel, bool calculation) {
    mnuIncluir->setEnabled(include);
    mnuAlterar->setEnabled(change);
    mnuExcluir->setEnabled(remove);
    mnuLocalizar->setEnabled(slot4);
    mnuCopiar->setEnabled(slot5);
    mnuConfirmar->setEnabled(confirmCancel);
    mnuCancelar->setEnabled(confirmCancel);
    mnuApurac->setEnabled(calculation);
    for (const auto& [button, item] : commandSlots())
        button->setEnabled(item->isEnabled());
    sbtCancelar->setEnabled(mnuCancelar->isEnabled());
}

void TfrmApurFatTR::SetCommandsButConfirm(bool include, bool change, bool remove, bool slot4,
                                          bool slot5, bool calculation) {
    const bool states[] = {include, change, remove, slot4, slot5, calculation};
    // The command bar first, then the menu, as the screen always set these.
    int i = 0;
    for (const auto& [button, item] : commandSlots())
        if (button != sbtConfirmar)
            button->setEnabled(states[i++]);
    for (const auto& [button, item] : commandSlots())
        if (button != sbtConfirmar)
            item->setEnabled(button->isEnabled());
}

std::array<std::pair<TSpeedButton*, TMenuItem*>, 7> TfrmApurFatTR::commandSlots() const {
    return {{{sbtIncluir, mnuIncluir},
             {sbtAlterar, mnuAlterar},
             {sbtExcluir, mnuExcluir},
             {sbtLocalizar, mnuLocalizar},
             {sbtCopiar, mnuCopiar},
             {sbtConfirmar, mnuConfirmar},
             {sbtApurar, mnuApurac}}};
}

void TfrmApurFatTR::SetRowCommands(RowCommands pattern) {
    const bool rows = !cdsRateio.IsEmpty();
    switch (pattern) {
    case RowCommands::EitherPattern:
        ChangeButtons(true, rows, rows, rows, rows, false, true);
        return;
    case RowCommands::AfterConfirmation:
        if (cdsRateio.ChangeCount() > 0)
            ChangeButtons(false, false, false, false, false, true, false);
        else if (rows)
            ChangeButtons(true, true, true, true, true, false, true);
        return;
    case RowCommands::WhenLoadedEmpty:
        if (!rows)
            SetCommandsButConfirm(true, false, false, false, false, true);
        return;
    }
}

void TfrmApurFatTR::Habilita_Pagina(bool enable) {
    tshFolhaDados->SetEnabled(ServicesPageActive() || enable);
    tshFormulario->SetEnabled(DailyPageActive() || enable);
    mnuFolhaDados->setEnabled(tshFolhaDados->Enabled());
    mnuFormulario->setEnabled(tshFormulario->Enabled());
}

void TfrmApurFatTR::pgcPadraoChanging(QObject*, bool&) {
    // Leaving the daily page only warns about a day that does not add up, once its typed
    // rows are sent.
    if (!DailyPageActive())
        return;
    ConfirmPendingApportionment();
    Vd_Soma();
}

void TfrmApurFatTR::pgcPadraoChange(QObject*) {
    mnuFolhaDados->setChecked(ServicesPageActive());
    mnuFormulario->setChecked(DailyPageActive());
    if (ServicesPageActive()) {
        ChangeButtons(false, true, false, true, true, false, true);
        cdsServEfet.FieldByName(QStringLiteral("NRAGRUEFET")).FocusControl();
    }
    if (DailyPageActive()) {
        LoadDays();
        LoadApportionment();
        SetRowCommands(RowCommands::EitherPattern);
    }
}

void TfrmApurFatTR::mnuFolhaDadosClick(QObject* sender) {
    // The menu chooses the page without the page control's changing event: what the clerk
    // typed on the daily page is confirmed here before it is left behind.
    if (DailyPageActive())
        ConfirmPendingApportionment();
    TfrmPadrao::mnuFolhaDadosClick(sender);
}

void TfrmApurFatTR::LoadDays() {
    // A new day list puts the apportionment on its first day.
    ConfirmPendingApportionment();
    LoadFromServer(cdsEfetivos, ServerMethod::GetEfetivos,
                   {cdsCliente.FieldByName(QStringLiteral("CDCLIENTE")).AsString(),
                    medCdFilial->Text(), depDtInicial->Date(), depDtFinal->Date(),
                    cdsServEfet.FieldByName(QStringLiteral("CDSERVFILI")).AsString()});
}

void TfrmApurFatTR::LoadApportionment() {
    LoadFromServer(cdsRateio, ServerMethod::GetRateio,
                   {cdsEfetivos.FieldByName(QStringLiteral("CDCLIENTE")).AsString(),
                    cdsEfetivos.FieldByName(QStringLiteral("CDFILIAL")).AsString(),
                    cdsEfetivos.FieldByName(QStringLiteral("DTEFETCDRS")).AsDateTime(),
                    cdsEfetivos.FieldByName(QStringLiteral("CDSERVFILI")).AsString()});
}

void TfrmApurFatTR::SetServicesPageCommands() {
    // Only the NF of a service is edited here: change it, or confirm and cancel its edit.
    const bool edit = cdsServEfet.State() == dsEdit;
    const bool browsing = cdsServEfet.State() == dsBrowse && !cdsServEfet.IsEmpty();
    ChangeButtons(false, browsing, false, browsing, browsing, edit, browsing);
}

void TfrmApurFatTR::dtsPadraoStateChange(QObject*) {
    const TDataSetState state = cdsServEfet.State();
    const bool services = !cdsServEfet.IsEmpty();
    if (ServicesPageActive())
        SetServicesPageCommands();
    EnableFilter(dtsPadrao.State() != dsEdit);
    tshFormulario->SetEnabled(services && state != dsInactive && state != dsEdit);
    mnuFormulario->setEnabled(tshFormulario->Enabled());
    tshFolhaDados->SetEnabled(state == dsInactive || services);
    mnuFolhaDados->setEnabled(tshFolhaDados->Enabled());
    if (services && ServicesPageActive() && state != dsEdit)
        ChangeButtons(false, true, false, true, true, false, true);
    if (DailyPageActive() && cdsRateio.IsEmpty())
        ChangeButtons(true, false, false, true, true, false, true);
}
