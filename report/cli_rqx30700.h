#pragma once

// The unit of the report screen: its module-level state and the exported procedures that
// open it. The names are the package's own, so that they never meet the billing module's
// in a process that loads both.

#include "report/export.h"

class TfrmRelApuracao;

extern "C" {

// The one report screen.
RQX30700_EXPORT extern TfrmRelApuracao* frmRelApuracao;
// True while a report screen exists.
RQX30700_EXPORT extern bool boRelCriado;

// The package's generic start procedure, which the framework's LoadBPL runs: opens the
// report screen.
RQX30700_EXPORT void IniProc();
// Creates the report screen when none exists and shows it.
RQX30700_EXPORT void CriaRelApuracao();
}

// The unit's initialization, run when the package is loaded.
void Cli_rqx30700_Initialization();
