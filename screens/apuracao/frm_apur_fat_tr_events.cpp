// The events of the screen's own controls and data sets, bound to their handlers by
// name, as the form resource binds them. The base form binds its own components' events
// (commands, menu items, pages, dtsPadrao) to the handlers the screen overrides.

#include "screens/apuracao/frm_apur_fat_tr.h"

#include "framework/components/focus.h"

void TfrmApurFatTR::BindHandlers() {
    medCdFilial->OnChange = [this] { medCdFilialChange(medCdFilial); };
    ControlEvents::of(medCdFilial).OnExit = [this] { medCdFilialExit(medCdFilial); };
    btpFilial->OnBeforePesq = [this](TBtnPesquisa& b, bool& proceed) {
        btpFilialBeforePesq(&b, proceed);
    };
    btpFilial->OnAfterPesq = [this](TBtnPesquisa& b) { btpFilialAfterPesq(&b); };

    medCdCliente->OnChange = [this] { medCdClienteChange(medCdCliente); };
    ControlEvents::of(medCdCliente).OnEnter = [this] { medCdClienteEnter(medCdCliente); };
    ControlEvents::of(medCdCliente).OnExit = [this] { medCdClienteExit(medCdCliente); };
    btpCliente->OnBeforePesq = [this](TBtnPesquisa& b, bool& proceed) {
        btpClienteBeforePesq(&b, proceed);
    };
    btpCliente->OnAfterPesq = [this](TBtnPesquisa& b) { btpClienteAfterPesq(&b); };
    cdsCliente.FieldByName(QStringLiteral("NRINSJURCLIE")).OnGetText =
        [this](TField& f, QString& text, bool display) {
            cdsClienteNRINSJURCLIEGetText(f, text, display);
        };

    ControlEvents::of(depDtInicial).OnExit = [this] { depDtInicialExit(depDtInicial); };
    ControlEvents::of(depDtFinal).OnExit = [this] { depDtFinalExit(depDtFinal); };
    ControlEvents::of(panFiltro).OnEnter = [this] { panFiltroEnter(panFiltro); };
    ControlEvents::of(panFiltro).OnExit = [this] { panFiltroExit(panFiltro); };

    pgcPadrao->OnChanging = [this](bool& allowChange) {
        pgcPadraoChanging(pgcPadrao, allowChange);
    };
    dtsEfetivos.OnStateChange = [this](TDataSource&) { dtsPadraoStateChange(nullptr); };

    cdsServEfet.BeforeInsert = [this](TClientDataSet& ds) { cdsServEfetBeforeInsert(ds); };
    cdsServEfet.BeforeDelete = [this](TClientDataSet& ds) { cdsServEfetBeforeDelete(ds); };
    cdsServEfet.BeforePost = [this](TClientDataSet& ds) { cdsServEfetBeforePost(ds); };
    cdsServEfet.AfterPost = [this](TClientDataSet& ds) { cdsServEfetAfterPost(ds); };
    cdsServEfet.BeforeScroll = [this](TClientDataSet& ds) { cdsServEfetBeforeScroll(ds); };
    cdsServEfet.AfterScroll = [this](TClientDataSet& ds) { cdsServEfetAfterScroll(ds); };
    dbgPadrao->OnKeyDown = [this](TDBGrid& g, int& key, TShiftState shift) {
        dbgPadraoKeyDown(&g, key, shift);
    };
    dbgPadrao->OnKeyPress = [this](TDBGrid& g, QChar& key) { dbgPadraoKeyPress(&g, key); };
    dbgPadrao->OnColExit = [this](TDBGrid& g) { dbgPadraoColExit(&g); };

    cdsEfetivos.FieldByName(QStringLiteral("DIASEMANA")).OnGetText =
        [this](TField& f, QString& text, bool display) {
            cdsEfetivosDIASEMANAGetText(f, text, display);
        };
    cdsEfetivos.OnCalcFields = [this](TClientDataSet& ds) { cdsEfetivosCalcFields(ds); };
    cdsEfetivos.BeforeScroll = [this](TClientDataSet& ds) { cdsEfetivosBeforeScroll(ds); };
    cdsEfetivos.AfterScroll = [this](TClientDataSet& ds) { cdsEfetivosAfterScroll(ds); };
    dbgEfetivos->OnDrawColumnCell = [this](TDBGrid& g, const QRect& rect, int dataCol,
                                           TColumn& column, TGridDrawState state) {
        dbgEfetivosDrawColumnCell(&g, rect, dataCol, column, state);
    };
    dbgEfetivos->OnAccessibleText = [this](TDBGrid& g, TColumn& column, QString& text) {
        dbgEfetivosAccessibleText(&g, column, text);
    };

    cdsRateio.BeforeInsert = [this](TClientDataSet& ds) { cdsRateioBeforeInsert(ds); };
    cdsRateio.OnNewRecord = [this](TClientDataSet& ds) { cdsRateioNewRecord(ds); };
    cdsRateio.BeforeEdit = [this](TClientDataSet& ds) { cdsRateioBeforeEdit(ds); };
    cdsRateio.BeforePost = [this](TClientDataSet& ds) { cdsRateioBeforePost(ds); };
    cdsRateio.AfterDelete = [this](TClientDataSet& ds) { cdsRateioAfterDelete(ds); };
    dbgRateio->OnColExit = [this](TDBGrid& g) { dbgRateioColExit(&g); };
    dbgRateio->OnKeyDown = [this](TDBGrid& g, int& key, TShiftState shift) {
        dbgRateioKeyDown(&g, key, shift);
    };
    dbgRateio->OnKeyPress = [this](TDBGrid& g, QChar& key) { dbgRateioKeyPress(&g, key); };

    ControlEvents::of(dbgRateio).OnExit = [this] { dbgRateioExit(dbgRateio); };
    dtsRateio.OnStateChange = [this](TDataSource&) {
        dtsRateioStateChange(nullptr);
        UpdateBalanceLine();
    };
    // The balance line follows the rows and the day; it changes nothing else.
    dtsRateio.OnDataChange = [this](TDataSource&, TField*) { UpdateBalanceLine(); };
    dtsEfetivos.OnDataChange = [this](TDataSource&, TField*) { UpdateBalanceLine(); };
    dbgRateio->OnEditorChange = [this](TDBGrid& g, TColumn& column, const QString& value) {
        dbgRateioEditorChange(&g, column, value);
    };
    dbnPadrao->OnClick = [this](TDBNavigator& n, TNavigateBtn button) {
        dbnPadraoClick(&n, button);
    };

    sbtApurar->OnClick = [this] { sbtApurarClick(sbtApurar); };

    OnCloseQuery = [this](bool& canClose) { FormCloseQuery(this, canClose); };
}
