// The period lock check that every editing action of the screen runs first.

#include "screens/apuracao/frm_apur_fat_tr.h"

#include "contracts/app_server.h"
#include "contracts/host_framework.h"
#include "framework/data/variant_conv.h"

void TfrmApurFatTR::VerificaBloqueio() {
    // A command on the services page concerns the whole period; on the daily page, the
    // current day alone.
    const bool wholePeriod = pgcPadrao->ActivePage() == tshFolhaDados;
    const QString branch = medCdFilial->Text();
    QDateTime processingDate = DataProc(branch);
    const QDateTime day = cdsEfetivos.FieldByName(QStringLiteral("DTEFETCDRS")).AsDateTime();
    QVariantList args{
        cdsServEfet.FieldByName(QStringLiteral("CDCLIENTE")).AsString(),
        branch,
        processingDate,
        wholePeriod ? depDtInicial->Date() : day,
        wholePeriod ? depDtFinal->Date() : day,
        wholePeriod,
        cdsServEfet.FieldByName(QStringLiteral("CDSERVFILI")).AsString(),
    };
    const QVariant result = netApurFatTR.AppServer().Invoke(ServerMethod::VerificaBloqueio, args);
    // The date the server writes back into args[2] is not ours to use.
    if (!VarToBool(CheckResultServ(result, true, 0)))
        MensErro(msgPadrao.Msg(QStringLiteral("Periodo_Bloq")), true);
}
