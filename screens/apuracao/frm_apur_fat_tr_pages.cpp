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
    ButtonsFollowMenu();
}

void TfrmApurFatTR::ButtonsFollowMenu() {
    sbtIncluir->setEnabled(mnuIncluir->isEnabled());
    sbtAlterar->setEnabled(mnuAlterar->isEnabled());
    sbtExcluir->setEnabled(mnuExcluir->isEnabled());
    sbtLocalizar->setEnabled(mnuLocalizar->isEnabled());
    sbtCopiar->setEnabled(mnuCopiar->isEnabled());
    sbtConfirmar->setEnabled(mnuConfirmar->isEnabled());
    sbtCancelar->setEnabled(mnuCancelar->isEnabled());
    sbtApurar->setEnabled(mnuApurac->isEnabled());
}

void TfrmApurFatTR::SetEmptyApportionmentCommands() {
    const std::pair<TSpeedButton*, TMenuItem*> commands[] = {
        {sbtIncluir, mnuIncluir},     {sbtAlterar, mnuAlterar}, {sbtExcluir, mnuExcluir},
        {sbtLocalizar, mnuLocalizar}, {sbtCopiar, mnuCopiar},   {sbtApurar, mnuApurac}};
    for (const auto& [button, item] : commands) {
        const bool enabled = button == sbtIncluir || button == sbtApurar;
        button->setEnabled(enabled);
        item->setEnabled(enabled);
    }
}

void TfrmApurFatTR::Habilita_Pagina(bool enable) {
    tshFolhaDados->SetEnabled(ServicesPageActive() || enable);
    tshFormulario->SetEnabled(DailyPageActive() || enable);
    mnuFolhaDados->setEnabled(tshFolhaDados->Enabled());
    mnuFormulario->setEnabled(tshFormulario->Enabled());
}

void TfrmApurFatTR::mnuFolhaDadosClick(QObject*) {
    // Chosen from code, so the page control's own changing and change events stay quiet.
    pgcPadrao->SetActivePage(tshFolhaDados);
    pgcPadraoChange(pgcPadrao);
}

void TfrmApurFatTR::mnuFormularioClick(QObject*) {
    pgcPadrao->SetActivePage(tshFormulario);
    pgcPadraoChange(pgcPadrao);
}

void TfrmApurFatTR::pgcPadraoChanging(QObject*, bool&) {
    // Leaving the daily page only warns about a day that does not add up.
    if (DailyPageActive())
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
        if (cdsRateio.IsEmpty())
            ChangeButtons(true, false, false, false, false, false, true);
        else
            ChangeButtons(true, true, true, true, true, false, true);
    }
}

void TfrmApurFatTR::LoadDays() {
    LoadFromServer(cdsEfetivos, ServerMethod::GetEfetivos,
                   {cdsCliente.FieldByName(QStringLiteral("CDCLIENTE")).AsString(), medCdFilial->Text(),
                    depDtInicial->Date(), depDtFinal->Date(),
                    cdsServEfet.FieldByName(QStringLiteral("CDSERVFILI")).AsString()});
}

void TfrmApurFatTR::LoadApportionment() {
    LoadFromServer(cdsRateio, ServerMethod::GetRateio,
                   {cdsEfetivos.FieldByName(QStringLiteral("CDCLIENTE")).AsString(),
                    cdsEfetivos.FieldByName(QStringLiteral("CDFILIAL")).AsString(),
                    cdsEfetivos.FieldByName(QStringLiteral("DTEFETCDRS")).AsDateTime(),
                    cdsEfetivos.FieldByName(QStringLiteral("CDSERVFILI")).AsString()});
}

void TfrmApurFatTR::dtsPadraoStateChange(QObject*) {
    const TDataSetState state = cdsServEfet.State();
    const bool services = !cdsServEfet.IsEmpty();
    if (ServicesPageActive()) {
        mnuConfirmar->setEnabled(state == dsEdit);
        mnuCancelar->setEnabled(state == dsEdit);
        mnuIncluir->setEnabled(false);
        mnuExcluir->setEnabled(false);
        const bool browsing = state == dsBrowse && services;
        mnuAlterar->setEnabled(browsing);
        mnuLocalizar->setEnabled(browsing);
        mnuCopiar->setEnabled(browsing);
        mnuApurac->setEnabled(browsing);
        ButtonsFollowMenu();
    }
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
