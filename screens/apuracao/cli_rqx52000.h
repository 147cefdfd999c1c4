#pragma once

// The unit of the main screen: its module-level state and the exported procedures that
// create it. Every name here is exported under that name (C linkage), so that the host
// and the suite's other packages can reach it.

#include "module/export.h"

#include <QStringList>

class TfrmApurFatTR;

extern "C" {

// The one main screen.
APURFAT_EXPORT extern TfrmApurFatTR* frmApurFatTR;
// True while a main screen exists.
APURFAT_EXPORT extern bool boStCriado;
// True until the first activation has put the focus on the branch code.
APURFAT_EXPORT extern bool boPriVez;
// True while the apportionment check that precedes the billing calculation runs.
APURFAT_EXPORT extern bool boApurac;
// Whether the apportionment's change log held changes when it was last looked at.
APURFAT_EXPORT extern bool boChange;
// The sequence number of the row that was last when the last insert began.
APURFAT_EXPORT extern int inCodiItem;
// Two lists each screen creation starts afresh.
APURFAT_EXPORT extern QStringList* stlCdFilial;
APURFAT_EXPORT extern QStringList* stlNrPrx;

// The module's generic start procedure: opens the main screen.
APURFAT_EXPORT void IniProc();
// Creates the main screen when none exists and shows it.
APURFAT_EXPORT void CriaApurFatTR();
}

// The unit's initialization, run when the package is loaded.
void Cli_rqx52000_Initialization();
