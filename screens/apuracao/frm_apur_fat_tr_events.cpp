// The events of the screen's own controls and data sets, bound to their handlers by
// name, as the form resource binds them. The base form binds its own components' events
// (commands, menu items, pages, dtsPadrao) to the handlers the screen overrides.

#include "screens/apuracao/frm_apur_fat_tr.h"

#include "framework/components/focus.h"

void TfrmApurFatTR::BindHandlers() {
    medCdFilial->OnChange = [this] { medCdFilialChange(medCdFilial); };
    ControlEvents::of(medCdFilial).OnExit = [this] { medCdFilialExit(medCdFilial); };
    btpFilial->OnBeforePesq = [this](TBtnPesquisa& b, bool& proceed) { btpFilialBeforePesq(&b, proceed); };
    btpFilial->OnAfterPesq = [this](TBtnPesquisa& b) { btpFilialAfterPesq(&b); };

    medCdCliente->OnChange = [this] { medCdClienteChange(medCdCliente); };
    ControlEvents::of(medCdCliente).OnEnter = [this] { medCdClienteEnter(medCdCliente); };
    ControlEvents::of(medCdCliente).OnExit = [this] { medCdClienteExit(medCdCliente); };
    btpCliente->OnBeforePesq = [this](TBtnPesquisa& b, bool& proceed) { btpClienteBeforePesq(&b, proceed); };
    btpCliente->OnAfterPesq = [this](TBtnPesquisa& b) { btpClienteAfterPesq(&b); };
    cdsCliente.FieldByName(QStringLiteral("NRINSJURCLIE")).OnGetText =
        [this](TField& f, QString& text, bool display) { cdsClienteNRINSJURCLIEGetText(f, text, display); };

    ControlEvents::of(depDtInicial).OnExit = [this] { depDtInicialExit(depDtInicial); };
    ControlEvents::of(depDtFinal).OnExit = [this] { depDtFinalExit(depDtFinal); };
    ControlEvents::of(panFiltro).OnEnter = [this] { panFiltroEnter(panFiltro); };
    ControlEvents::of(panFiltro).OnExit = [this] { panFiltroExit(panFiltro); };

    pgcPadrao->OnChanging = [this](bool& allowChange) { pgcPadraoChanging(pgcPadrao, allowChange); };
    cdsEfetivos.BeforeScroll = [this](TClientDataSet& ds) { cdsEfetivosBeforeScroll(ds); };
    cdsEfetivos.AfterScroll = [this](TClientDataSet& ds) { cdsEfetivosAfterScroll(ds); };
    dtsEfetivos.OnStateChange = [this](TDataSource&) { dtsPadraoStateChange(nullptr); };
}
