// The filter panel as the screen's query form: the billing period, the reset on entering
// the panel, the validation and the service-list load on leaving it, and the per-screen
// work number with the work tables it names on the server.

#include "screens/apuracao/frm_apur_fat_tr.h"

#include "contracts/busy_animation.h"

#include "contracts/app_server.h"
#include "contracts/host_framework.h"
#include "framework/components/focus.h"
#include "framework/forms/application.h"
#include "framework/ui/guard.h"

namespace {
const QString kWorkNumber = QStringLiteral("APUFAT");
const QString kBranch = QStringLiteral("CDFILIAL");
} // namespace

void TfrmApurFatTR::depDtInicialExit(QObject*) {
    if (!EmptyString(depDtInicial->Text()))
        depDtInicial->CheckValidDate();
}

void TfrmApurFatTR::depDtFinalExit(QObject*) {
    if (!EmptyString(depDtFinal->Text()))
        depDtFinal->CheckValidDate();
}

void TfrmApurFatTR::EnableBranchControls() {
    const bool editable = !ModuFili();
    medCdFilial->setEnabled(editable);
    btpFilial->setEnabled(editable);
    lblFilial->setEnabled(editable);
}

void TfrmApurFatTR::EnableFilter(bool enable) {
    SetChildEnabled(panFiltro, enable);
    if (!enable)
        return;
    EnableBranchControls();
    // The names are shown, never typed.
    edtNmFilial->setEnabled(false);
    edtNmCliente->setEnabled(false);
}

void TfrmApurFatTR::panFiltroEnter(QObject*) {
    // A new query leaves the day behind: its typed rows are sent first, or nothing is reset.
    ConfirmPendingApportionment();
    cdsServEfet.Close();
    tshFormulario->SetEnabled(false);
    mnuFormulario->setEnabled(false);
    mnuFormulario->setChecked(false);
    mnuFolhaDados->setChecked(true);
    pgcPadrao->SetActivePage(tshFolhaDados);
    ChangeButtons(false, false, false, false, false, false, false);
    EnableBranchControls();
}

void TfrmApurFatTR::panFiltroExit(QObject*) {
    Vd_Filial(true);
    Vd_Cliente(true);
    CriaDataSet(cdsCdFilial);
    CriaDataSet(cdsNrPrx);
    const QString dataIniInf = QStringLiteral("DataIni_Inf");
    if (EmptyString(depDtInicial->Text())) {
        SetFocus(depDtInicial);
        MensErro(msgPadrao.Msg(dataIniInf), true);
    }
    if (EmptyString(depDtFinal->Text())) {
        SetFocus(depDtFinal);
        MensErro(msgPadrao.Msg(dataIniInf), true);
    }
    if (depDtFinal->Date() < depDtInicial->Date()) {
        SetFocus(depDtInicial);
        MensErro(msgPadrao.Msg(QStringLiteral("DtFinal_inv")), true);
    }

    // A branch met for the first time gets a work number; every later load, whatever its
    // branch, sends the newest number.
    if (!cdsCdFilial.Locate(kBranch, medCdFilial->Text(), loCaseInsensitive)) {
        cdsCdFilial.Insert();
        cdsCdFilial.FieldByName(kBranch).SetAsString(medCdFilial->Text());
        cdsCdFilial.Post();
        QVariantList args{medCdFilial->Text()};
        const QString number =
            netApurFatTR.AppServer().Invoke(ServerMethod::GetPrxRelApurFat, args).toString();
        cdsNrPrx.Insert();
        cdsNrPrx.FieldByName(kWorkNumber).SetAsString(number);
        cdsNrPrx.Post();
    }

    // A failed load is shown once and goes no further: the panel is left all the same.
    Guarded([this] {
        BusyAnimation busy(Application().MainForm(), 1);
        LoadServices();
    });
    EnableBranchControls();
    dtsPadrao.SetEnabled(true);
}

void TfrmApurFatTR::LoadServices() {
    LoadFromServer(cdsServEfet, ServerMethod::GetFiltro,
                   {medCdFilial->Text(), depDtInicial->Date(), depDtFinal->Date(),
                    cdsNrPrx.FieldByName(kWorkNumber).AsString(),
                    cdsCliente.FieldByName(QStringLiteral("CDCLIENTE")).AsString()});
}

void TfrmApurFatTR::ReleaseWorkTables() {
    ServerPayload(ServerMethod::DelTableRelApur,
                  {cdsCdFilial.Data(), cdsNrPrx.FieldByName(kWorkNumber).AsString()});
}
