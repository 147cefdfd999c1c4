#pragma once

// The main screen of the module: "Cálculo de Apuração (Gestão Torvo)", screen RQX52000.
// Its behaviour lives in handlers bound to its components and data sets, one source file
// per subsystem; this header declares the screen's components in the form designer's
// names.

#include "framework/components/date_edit.h"
#include "framework/components/edit.h"
#include "framework/components/lookup_button.h"
#include "framework/components/mask_edit.h"
#include "framework/components/net_connection.h"
#include "framework/components/query.h"
#include "framework/forms/frm_padrao.h"

#include <QLabel>
#include <QPixmap>

class TfrmApurFatTR : public TfrmPadrao {
    Q_OBJECT
public:
    explicit TfrmApurFatTR(QWidget* parent = nullptr);
    ~TfrmApurFatTR() override;

    // Command bar and menu.
    TSpeedButton* sbtApurar;
    QAction* N1;
    TMenuItem* mnuApurac;

    // Filter panel.
    QWidget* panFiltro;
    QLabel* lblFilial;
    TMaskEdit* medCdFilial;
    TBtnPesquisa* btpFilial;
    TEdit* edtNmFilial;
    QLabel* lblCliente;
    TMaskEdit* medCdCliente;
    TBtnPesquisa* btpCliente;
    TEdit* edtNmCliente;
    QLabel* lblDtApur;
    TDateEditPlus* depDtInicial;
    QLabel* Label1;
    TDateEditPlus* depDtFinal;

    // The daily page.
    QWidget* panEfetivos;
    TDBGrid* dbgEfetivos;
    QWidget* panRateio;
    TDBGrid* dbgRateio;

    // The status marks of the day list (hidden images).
    QLabel* imgOk;
    QLabel* imgErro;

    // The connection to the application server.
    TNetConnection netApurFatTR;

    // Data: the branch query, the screen's data sets and their sources.
    TADOIBQuery qryFilial{QStringLiteral("qryFilial")};
    TClientDataSet cdsCliente{QStringLiteral("cdsCliente")};
    TClientDataSet cdsServEfet{QStringLiteral("cdsServEfet")};
    TClientDataSet cdsEfetivos{QStringLiteral("cdsEfetivos")};
    TClientDataSet cdsRateio{QStringLiteral("cdsRateio")};
    TClientDataSet cdsCdFilial{QStringLiteral("cdsCdFilial")};
    TClientDataSet cdsNrPrx{QStringLiteral("cdsNrPrx")};
    TClientDataSet cdsDtApuracao{QStringLiteral("cdsDtApuracao")};
    TClientDataSet cdsApurCliente{QStringLiteral("cdsApurCliente")};
    TDataSource dtsFilial{QStringLiteral("dtsFilial")};
    TDataSource dtsCliente{QStringLiteral("dtsCliente")};
    TDataSource dtsEfetivos{QStringLiteral("dtsEfetivos")};
    TDataSource dtsRateio{QStringLiteral("dtsRateio")};

    // Lifecycle.
    void FormCreate(QObject* sender) override;
    void FormActivate(QObject* sender);
    void FormClose(QObject* sender, TCloseAction& action) override;
    void netApurFatTRBeforeConnect(QObject* sender);
    void CriaDataSet(TClientDataSet& dataSet);

    // The period lock check that guards every edit: raises "Periodo_Bloq" when the
    // billing period is locked.
    void VerificaBloqueio();

private:
    // Layout, area by area.
    void BuildCommandBar();
    void BuildFilterPanel();
    void BuildServicesPage();
    void BuildDailyPage();
    void BuildMenu();
    void BuildMessages();
    // The fields of the data sets and of the branch query.
    void CriaCampos();
    void BindDataSources();

    // The steps of creation, in their order.
    QString ProgramFolder() const;
    void InitialBranch();
    // Releases the screen's work tables on the server (the first step of closing).
    void ReleaseWorkTables();
};
