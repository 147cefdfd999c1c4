// The commands that finish the job: the calculation (only when every day of the period
// adds up), the verification that shows the server's marks afresh, and the report.

#include "contracts/busy_animation.h"
#include "screens/apuracao/cli_rqx52000.h"
#include "screens/apuracao/frm_apur_fat_tr.h"
#include "screens/calculo/cli_rqx52100.h"

#include "contracts/app_server.h"
#include "contracts/host_framework.h"
#include "framework/data/controls_suspended.h"
#include "framework/data/variant_conv.h"
#include "framework/forms/application.h"
#include "framework/ui/guard.h"

bool TfrmApurFatTR::Vd_SomaApurac() {
    boApurac = true;
    try {
        bool unbalanced = false;
        {
            // The three grids repaint once, after the call.
            ControlsSuspended suspended{&cdsServEfet, &cdsEfetivos, &cdsRateio};
            unbalanced = VarToBool(
                ServerPayload(ServerMethod::SomaApurac,
                              {cdsServEfet.Data(), depDtInicial->Date(), depDtFinal->Date()}));
        }
        if (unbalanced)
            MensErro(msgPadrao.Msg(QStringLiteral("Calc_Canc")), true);
    } catch (...) {
        boApurac = false;
        cdsRateio.FieldByName(QStringLiteral("QTDERATEIO")).FocusControl();
        throw;
    }
    boApurac = false;
    return true;
}

void TfrmApurFatTR::sbtApurarClick(QObject*) {
    if (Vd_SomaApurac())
        CriaApuracao();
}

void TfrmApurFatTR::sbtVerificarClick(QObject*) {
    // The day list and its first day's rows are reloaded: typed rows are sent first, and
    // when they cannot be the verification waits.
    ConfirmPendingApportionment();
    // A failed reload was shown by the framework; the day list keeps its rows.
    Guarded([this] {
        BusyAnimation busy(Application().MainForm(), 1);
        LoadDays();
    });
}

void TfrmApurFatTR::sbtImprimirClick(QObject*) {
    LoadBPL(QStringLiteral("Rqx30700"));
}
