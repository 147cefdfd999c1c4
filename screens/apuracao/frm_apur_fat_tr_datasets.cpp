// The fields of the screen's data sets, in order, with the settings the grids and the
// handlers rely on; and the branch query with its four dialect texts.

#include "screens/apuracao/frm_apur_fat_tr.h"

namespace {
const QString kBranchMask = QStringLiteral(">aaaa;0; ");
const QString kQuantityFormat = QStringLiteral("#,##0.000");
} // namespace

void TfrmApurFatTR::CriaCampos() {
    cdsCliente.AddField("CDCLIENTE", ftString, 21).SetVisible(false).SetOrigin("CLIENTE.CDCLIENTE");
    cdsCliente.AddField("IDTPIJURCLIE", ftString, 1)
        .SetVisible(false)
        .SetOrigin("CLIENTE.IDTPIJURCLIE");
    cdsCliente.AddField("NRINSJURCLIE", ftString, 20)
        .SetDisplayLabel("Inscrição")
        .SetOrigin("CLIENTE.NRINSJURCLIE");
    cdsCliente.AddField("NMRAZSOCCLIE", ftString, 50)
        .SetDisplayLabel("Razão Social")
        .SetOrigin("CLIENTE.NMRAZSOCCLIE");
    cdsCliente.AddField("NMFANTCLIE", ftString, 50).SetDisplayLabel("Nome Fantasia");

    cdsServEfet.AddField("CDSERVFILI", ftString, 5).SetDisplayLabel("Código");
    cdsServEfet.AddField("CDFILIAL", ftString, 4)
        .SetDisplayWidth(6)
        .SetEditMask(kBranchMask)
        .SetVisible(false);
    cdsServEfet.AddField("NMSERVICO", ftString, 40).SetDisplayLabel("Nome");
    cdsServEfet.AddField("NRAGRUEFET", ftString, 3).SetDisplayLabel("NF").SetEditMask("999;0");
    cdsServEfet.AddField("CDCLIENTE", ftString, 21).SetVisible(false);

    cdsEfetivos.AddField("CDFILIAL", ftString, 4)
        .SetDisplayWidth(6)
        .SetEditMask(kBranchMask)
        .SetVisible(false);
    cdsEfetivos.AddField("CDSERVFILI", ftString, 5).SetVisible(false);
    cdsEfetivos.AddField("CDCLIENTE", ftString, 21).SetVisible(false);
    cdsEfetivos.AddField("DTEFETCDRS", ftDateTime).SetDisplayLabel("Data Faturamento");
    cdsEfetivos.AddField("NMSERVICO", ftString, 40).SetVisible(false);
    cdsEfetivos.AddField("DIASEMANA", ftFixedChar, 15).SetDisplayLabel("Dia da Semana");
    cdsEfetivos.AddField("NRAPURACFAT", ftString, 10).SetVisible(false);
    cdsEfetivos.AddField("IDCHECK", ftFixedChar, 1).SetVisible(false);
    cdsEfetivos.AddField("CDPRODUTO", ftString, 10);
    cdsEfetivos.AddField("QTCOMECDRS", ftFloat)
        .SetDisplayLabel("Nº de Comensais Faturados")
        .SetDisplayFormat(kQuantityFormat);
    cdsEfetivos.AddField("QTPREVCDRS", ftFloat);
    cdsEfetivos.AddField("NRAGRUEFET", ftString, 3);
    cdsEfetivos.AddField("VRPRECEFET", ftFloat);

    cdsRateio.AddField("CDFILIAL", ftString, 4)
        .SetEditMask(kBranchMask)
        .SetDisplayWidth(6)
        .SetVisible(false)
        .SetOrigin("SUPORTE.EFETRATCDRS.CDFILIAL");
    cdsRateio.AddField("CDSERVFILI", ftString, 5)
        .SetVisible(false)
        .SetOrigin("SUPORTE.EFETRATCDRS.CDSERVFILI");
    cdsRateio.AddField("DTRATCDRS", ftDateTime).SetOrigin("DBCORVANA.EFETRATCDRS.DTRATCDRS");
    cdsRateio.AddField("CDCLIENTE", ftString, 21)
        .SetVisible(false)
        .SetOrigin("SUPORTE.EFETRATCDRS.CDCLIENTE");
    cdsRateio.AddField("NRSEQITRAT", ftString, 4).SetVisible(false);
    cdsRateio.AddField("QTDERATEIO", ftFloat)
        .SetDisplayLabel("Qtde. Rateada")
        .SetDisplayFormat(kQuantityFormat)
        .SetOrigin("SUPORTE.EFETRATCDRS.QTDERATEIO");
    cdsRateio.AddField("CDPRODUTO", ftString, 10).SetOrigin("DBCORVANA.EFETRATCDRS.CDPRODUTO");
    cdsRateio.AddField("NRAGREFRAT", ftString, 3).SetDisplayLabel("NF").SetEditMask("999;0;");
    cdsRateio.AddField("DSOBSRATE", ftString, 100).SetOrigin("DBCORVANA.EFETRATCDRS.DSOBSRATE");
    cdsRateio.AddField("VRPRECRATE", ftFloat).SetOrigin("DBCORVANA.EFETRATCDRS.VRPRECRATE");

    // The screen's bookkeeping: the branches used and the work numbers obtained.
    cdsCdFilial.AddField("CDFILIAL", ftString, 4).SetDisplayWidth(6).SetEditMask(kBranchMask);
    cdsNrPrx.AddField("APUFAT", ftString, 10);

    // Filled only by the calculation dialog.
    cdsDtApuracao.AddField("DTINIAPURAC", ftDateTime);
    cdsDtApuracao.AddField("DTFIMAPURAC", ftDateTime);
    cdsDtApuracao.AddField("IDBLOQUEADO", ftString, 1);
    cdsDtApuracao.AddField("NRAPURACFAT", ftString, 10);
    cdsDtApuracao.AddField("CDFILIAL", ftString, 4).SetEditMask(kBranchMask).SetDisplayWidth(6);
    cdsApurCliente.AddField("DTINIAPURAC", ftDateTime).SetOrigin("CTRLAPURFAT.DTINIAPURAC");

    qryFilial.Query()
        .AddField("CDFILIAL", ftString, 4)
        .SetDisplayLabel("Código")
        .SetRequired(true)
        .SetDisplayWidth(6)
        .SetEditMask(kBranchMask);
    qryFilial.Query().AddField("NMFILIAL", ftString, 30).SetDisplayLabel("Nome");
    qryFilial.SQL = {"SELECT",      "   CDFILIAL,",
                     "   NMFILIAL", "FROM",
                     "   FILIAL,",  "   PARAM(:P_CDFILIAL) P_CDFILIAL",
                     "WHERE",       "   (CDFILIAL = NVLSTR(P_CDFILIAL.PARAM,CDFILIAL))",
                     "ORDER BY",    "   CDFILIAL"};
    qryFilial.SQL_IB = qryFilial.SQL;
    qryFilial.SQL_ORACLE = {"SELECT",
                            "   CDFILIAL,",
                            "   NMFILIAL",
                            "FROM",
                            "   FILIAL",
                            "WHERE",
                            "   (CDFILIAL = NVL(:P_CDFILIAL,CDFILIAL))",
                            "ORDER BY",
                            "   CDFILIAL"};
    qryFilial.SQL_MSSQL = {"SELECT",
                           "   CDFILIAL,",
                           "   NMFILIAL",
                           "FROM",
                           "   FILIAL",
                           "WHERE",
                           "   (CDFILIAL = ISNULL(:P_CDFILIAL,CDFILIAL))",
                           "ORDER BY",
                           "   CDFILIAL",
                           ""};
}
