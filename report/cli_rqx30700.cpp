#include "report/cli_rqx30700.h"

#include "framework/forms/application.h"
#include "report/frm_rel_apuracao.h"

#include <QGuiApplication>

extern "C" {
TfrmRelApuracao* frmRelApuracao = nullptr;
bool boRelCriado = false;
}

void Cli_rqx30700_Initialization() {
    boRelCriado = false;
}

void CriaRelApuracao() {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    struct RestoreCursor {
        ~RestoreCursor() { QGuiApplication::restoreOverrideCursor(); }
    } restore;
    if (!boRelCriado || !frmRelApuracao) {
        Application().CreateForm(frmRelApuracao);
        boRelCriado = true;
    }
    frmRelApuracao->SetWindowState(wsNormal);
    frmRelApuracao->Show();
}

void IniProc() {
    CriaRelApuracao();
}
