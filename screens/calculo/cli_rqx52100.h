#pragma once

// The unit of the calculation-run dialog: its module-level state and the exported
// procedure that shows it. Every name here is exported under that name.

#include "module/export.h"

#include <QDateTime>
#include <QString>

class TfrmGeraCalcApur;

extern "C" {

// The dialog made by the last CriaApuracao.
APURFAT_EXPORT extern TfrmGeraCalcApur* frmGeraCalcApur;
// The lower bound of the start date, valid while boBloqApur is set.
APURFAT_EXPORT extern QDateTime dDataInicial;
// The start date may not lie before dDataInicial.
APURFAT_EXPORT extern bool boBloqApur;
// The calculation number sent with the run, and written back by it.
APURFAT_EXPORT extern QString stNrApuracao;
// Cleared when the dialog closes.
APURFAT_EXPORT extern bool boIdCriado;

// Shows a new calculation-run dialog modally; returns when it closes.
APURFAT_EXPORT void CriaApuracao();
}

void Cli_rqx52100_Initialization();
void Cli_rqx52100_Finalization();
