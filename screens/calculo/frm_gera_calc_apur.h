#pragma once

// The calculation-run dialog: "Cálculo Apuração Gestão Torvo".

#include "framework/forms/frm_roti_geral.h"

class TfrmGeraCalcApur : public TfrmRotiGeral {
    Q_OBJECT
public:
    explicit TfrmGeraCalcApur(QWidget* parent = nullptr);
};
