// The daily page's list of billed days: the weekday text, the status marks drawn as icons,
// and the checks and loads that keep the apportionment in step with the current day.

#include "screens/apuracao/frm_apur_fat_tr.h"
#include "screens/apuracao/cli_rqx52000.h"

#include "contracts/host_framework.h"

void TfrmApurFatTR::cdsEfetivosBeforeScroll(TClientDataSet&) {
    // The day being left only warns when its split does not add up.
    if (DailyPageActive() && !boApurac)
        Vd_Soma();
}

void TfrmApurFatTR::cdsEfetivosAfterScroll(TClientDataSet&) {
    if (!DailyPageActive())
        return;
    LoadApportionment();
    if (cdsRateio.IsEmpty())
        SetEmptyApportionmentCommands();
}
