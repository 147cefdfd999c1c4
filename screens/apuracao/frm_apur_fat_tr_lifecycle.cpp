// The main screen's creation, activation and close, and its connection to the server.

#include "contracts/busy_animation.h"
#include "screens/apuracao/cli_rqx52000.h"
#include "screens/apuracao/frm_apur_fat_tr.h"

#include "contracts/app_server.h"
#include "contracts/host_framework.h"
#include "framework/components/focus.h"
#include "framework/components/registry.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString kRegistryKey =
    QStringLiteral("SOFTWARE\\CORVANA\\Sistemas Integrados Corvana\\WebSrv");
const QString kReportPackage = QStringLiteral("Pkg_Rqx30700.bpl");

// The folder the registry names is a Windows path ending in "\"; on other systems its
// separators are the system's own.
bool fileExistsIn(const QString& folder, const QString& file) {
    QString path = folder + file;
#ifndef Q_OS_WIN
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
#endif
    return QFileInfo::exists(QDir::cleanPath(path));
}

} // namespace

TfrmApurFatTR::~TfrmApurFatTR() {
    // The data sets go before the widgets that show them; nothing of the screen may run
    // while it is being taken apart.
    untrackFocus(this);
    for (TDataSource* source : {&dtsPadrao, &dtsFilial, &dtsCliente, &dtsEfetivos, &dtsRateio}) {
        source->OnStateChange = nullptr;
        source->OnDataChange = nullptr;
    }
    if (frmApurFatTR == this)
        frmApurFatTR = nullptr;
}

QString TfrmApurFatTR::ProgramFolder() const {
    TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    QString folder;
    if (registry.OpenKeyReadOnly(kRegistryKey))
        folder = registry.ReadString(QStringLiteral("ExeFileDir"));
    registry.CloseKey();
    if (!EmptyString(folder) && !folder.endsWith(QLatin1Char('\\')))
        folder += QLatin1Char('\\');
    return folder;
}

void TfrmApurFatTR::FormCreate(QObject* sender) {
    TfrmPadrao::FormCreate(sender);

    sbtImprimir->setEnabled(fileExistsIn(ProgramFolder(), kReportPackage));

    {
        BusyAnimation busy(frmApurFatTR, 0);
        netApurFatTR.SetConnected(true);
    }

    tshFormulario->SetEnabled(false);
    mnuFormulario->setEnabled(false);
    mnuFormulario->setChecked(false);
    mnuFolhaDados->setChecked(true);

    // Each screen starts with lists of its own; the previous screen's go with it.
    delete stlCdFilial;
    delete stlNrPrx;
    stlCdFilial = new QStringList;
    stlNrPrx = new QStringList;
    boPriVez = true;

    InitialBranch();
}

void TfrmApurFatTR::InitialBranch() {
    EnableBranchControls();

    medCdFilial->SetText(FiliProcFat());
    edtNmFilial->setText(NomeFiliProcFat());
    if (EmptyString(medCdFilial->Text())) {
        medCdFilial->SetText(FiliProc());
        edtNmFilial->setText(NomeFiliProc());
    }
    if (!ModuFili()) {
        // The name is read for the branch the edit shows, the processing branch when the
        // login has no billing branch.
        qryFilial.Close();
        qryFilial.ParamByName(QStringLiteral("P_CDFILIAL")).SetAsString(medCdFilial->Text());
        qryFilial.Open();
        edtNmFilial->setText(
            qryFilial.IsEmpty()
                ? QString()
                : qryFilial.Query().FieldByName(QStringLiteral("NMFILIAL")).AsString());
    }
}

void TfrmApurFatTR::FormActivate(QObject*) {
    repaint();
    if (IsActiveForm())
        SetWindowState(wsMaximized);
    if (boPriVez && !ModuFili()) {
        SetFocus(medCdFilial);
        boPriVez = false;
    }
}

void TfrmApurFatTR::FormClose(QObject* sender, TCloseAction& action) {
    ReleaseWorkTables();
    TfrmPadrao::FormClose(sender, action);
    boStCriado = false;
    netApurFatTR.SetConnected(false);
}

void TfrmApurFatTR::netApurFatTRBeforeConnect(QObject*) {
    netApurFatTR.Port = WebPort();
    netApurFatTR.SetHost(WebURL());
}

void TfrmApurFatTR::CriaDataSet(TClientDataSet& dataSet) {
    if (!dataSet.Active())
        dataSet.CreateDataSet();
}

QVariant TfrmApurFatTR::ServerPayload(const char* method, QVariantList args) {
    return CheckResultServ(netApurFatTR.AppServer().Invoke(QString::fromLatin1(method), args), true,
                           0);
}

void TfrmApurFatTR::LoadFromServer(TClientDataSet& dataSet, const char* method, QVariantList args) {
    dataSet.SetData(ServerPayload(method, std::move(args)));
}
