#include "screens/calculo/cli_rqx52100.h"

#include "framework/forms/application.h"
#include "screens/calculo/frm_gera_calc_apur.h"

extern "C" {
TfrmGeraCalcApur* frmGeraCalcApur = nullptr;
QDateTime dDataInicial;
bool boBloqApur = false;
QString stNrApuracao;
bool boIdCriado = false;
}

void Cli_rqx52100_Initialization() {}

void Cli_rqx52100_Finalization() {
    stNrApuracao.clear();
}

void CriaApuracao() {
    Application().CreateForm(frmGeraCalcApur);
    frmGeraCalcApur->ShowModal();
}
