#include "screens/calculo/frm_gera_calc_apur.h"

TfrmGeraCalcApur::TfrmGeraCalcApur(QWidget* parent) : TfrmRotiGeral(parent) {
    setObjectName(QStringLiteral("frmGeraCalcApur"));
    SetCaption(QStringLiteral("Cálculo Apuração Gestão Torvo"));
    SetClientSize(359, 97);
}
