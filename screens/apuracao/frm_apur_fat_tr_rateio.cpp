// The apportionment of a day: the split of its billed diners over invoice numbers, and
// the check that the split adds up.

#include "screens/apuracao/frm_apur_fat_tr.h"

#include "contracts/host_framework.h"
#include "framework/data/controls_suspended.h"

bool TfrmApurFatTR::Vd_Soma() {
    if (cdsRateio.State() != dsBrowse || cdsRateio.IsEmpty())
        return true;
    TField& quantity = cdsRateio.FieldByName(QStringLiteral("QTDERATEIO"));
    try {
        // Each share counts with the two decimals the clerk works in, however many the grid
        // shows; the cursor is left on the last row.
        double sum = 0;
        {
            ControlsSuspended suspended(cdsRateio);
            for (cdsRateio.First(); !cdsRateio.Eof(); cdsRateio.Next())
                sum += RoundDec(quantity.AsFloat(), 2);
        }
        const double billed = cdsEfetivos.FieldByName(QStringLiteral("QTCOMECDRS")).AsFloat();
        if (RoundDec(sum, 2) == RoundDec(billed, 2))
            return true;
        msgPadrao.ShowMsg(QStringLiteral("soma_dif"), mtInformation, mbOK, 0);
        return false;
    } catch (...) {
        quantity.FocusControl();
        throw;
    }
}
