#include "screens/apuracao/cli_rqx52000.h"

#include "framework/forms/application.h"
#include "screens/apuracao/frm_apur_fat_tr.h"

#include <QGuiApplication>

extern "C" {
TfrmApurFatTR* frmApurFatTR = nullptr;
bool boStCriado = false;
bool boPriVez = false;
bool boApurac = false;
bool boChange = false;
int inCodiItem = 0;
QStringList* stlCdFilial = nullptr;
QStringList* stlNrPrx = nullptr;
}

void Cli_rqx52000_Initialization() {
    boStCriado = false;
    boApurac = false;
    inCodiItem = 0;
}

namespace {
// The hourglass while the screen is made, put back however the making ends.
struct WaitCursor {
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};
} // namespace

void CriaApurFatTR() {
    WaitCursor cursor;
    if (!boStCriado) {
        Application().CreateForm(frmApurFatTR);
        boStCriado = true;
    }
    frmApurFatTR->SetWindowState(wsNormal);
    frmApurFatTR->Show();
}

void IniProc() {
    CriaApurFatTR();
}
