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

#include <array>
#include <optional>
#include <utility>

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
    // How much of the day's count is still to be split, while the clerk types.
    QLabel* lblSaldoRateio;

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

    // Branch and client selection.
    void medCdFilialChange(QObject* sender);
    void medCdFilialExit(QObject* sender);
    void btpFilialBeforePesq(QObject* sender, bool& proceed);
    void btpFilialAfterPesq(QObject* sender);
    void Vd_Filial(bool required);
    void medCdClienteChange(QObject* sender);
    void medCdClienteEnter(QObject* sender);
    void medCdClienteExit(QObject* sender);
    void btpClienteBeforePesq(QObject* sender, bool& proceed);
    void btpClienteAfterPesq(QObject* sender);
    void Vd_Cliente(bool required);
    void cdsClienteNRINSJURCLIEGetText(TField& sender, QString& text, bool displayText);

    // The period and the service list.
    void depDtInicialExit(QObject* sender);
    void depDtFinalExit(QObject* sender);
    void panFiltroEnter(QObject* sender);
    void panFiltroExit(QObject* sender);

    // Pages and command state.
    void ChangeButtons(bool include, bool change, bool remove, bool slot4, bool slot5,
                       bool confirmCancel, bool calculation);
    void Habilita_Pagina(bool enable);
    void pgcPadraoChanging(QObject* sender, bool& allowChange);
    void pgcPadraoChange(QObject* sender) override;
    void dtsPadraoStateChange(QObject* sender) override;
    void mnuFolhaDadosClick(QObject* sender) override;

    // The services' NF.
    void cdsServEfetBeforeInsert(TClientDataSet& dataSet);
    void cdsServEfetBeforeDelete(TClientDataSet& dataSet);
    void dbgPadraoKeyDown(QObject* sender, int& key, TShiftState shift);
    void dbgPadraoKeyPress(QObject* sender, QChar& key);
    void dbgPadraoColExit(QObject* sender);
    void cdsServEfetBeforePost(TClientDataSet& dataSet);
    void cdsServEfetAfterPost(TClientDataSet& dataSet);
    void cdsServEfetBeforeScroll(TClientDataSet& dataSet);
    void cdsServEfetAfterScroll(TClientDataSet& dataSet);

    // The day list.
    void cdsEfetivosDIASEMANAGetText(TField& sender, QString& text, bool displayText);
    void cdsEfetivosCalcFields(TClientDataSet& dataSet);
    void cdsEfetivosBeforeScroll(TClientDataSet& dataSet);
    void cdsEfetivosAfterScroll(TClientDataSet& dataSet);
    void dbgEfetivosDrawColumnCell(QObject* sender, const QRect& rect, int dataCol, TColumn& column,
                                   TGridDrawState state);
    // What a screen reader reads in the status column, where the letter is never shown.
    void dbgEfetivosAccessibleText(QObject* sender, TColumn& column, QString& text);

    // The apportionment.
    void cdsRateioBeforeInsert(TClientDataSet& dataSet);
    void cdsRateioNewRecord(TClientDataSet& dataSet);
    void cdsRateioBeforeEdit(TClientDataSet& dataSet);
    void cdsRateioBeforePost(TClientDataSet& dataSet);
    void cdsRateioAfterDelete(TClientDataSet& dataSet);
    void dbgRateioColExit(QObject* sender);
    void dbgRateioKeyDown(QObject* sender, int& key, TShiftState shift);
    void dbgRateioKeyPress(QObject* sender, QChar& key);
    void Vd_Qtde();
    void Vd_NF();
    bool Vd_Soma();
    void FormCloseQuery(QObject* sender, bool& canClose);

    // The edit commands.
    void sbtIncluirClick(QObject* sender) override;
    void sbtAlterarClick(QObject* sender) override;
    void sbtConfirmarClick(QObject* sender) override;
    void sbtCancelarClick(QObject* sender) override;
    void sbtExcluirClick(QObject* sender) override;
    void Confirma_Rateio();
    void dbgRateioExit(QObject* sender);
    void dbnPadraoClick(QObject* sender, TNavigateBtn button);
    void dtsRateioStateChange(QObject* sender);
    // The balance line as the rows stand, with `typedQuantity` in place of the current
    // row's quantity while the clerk is typing it.
    void UpdateBalanceLine(std::optional<double> typedQuantity = std::nullopt);
    void dbgRateioEditorChange(QObject* sender, TColumn& column, const QString& value);

    // The calculation, the verification and the report.
    bool Vd_SomaApurac();
    void sbtApurarClick(QObject* sender);
    void sbtVerificarClick(QObject* sender) override;
    void sbtImprimirClick(QObject* sender) override;

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

    // The events of the controls and data sets, bound to their handlers by name, as the
    // form resource binds them.
    void BindHandlers();

    // The steps of creation, in their order.
    QString ProgramFolder() const;
    void InitialBranch();
    // Releases the screen's work tables on the server (the first step of closing).
    void ReleaseWorkTables();

    // A call of the application server whose result is an envelope: its payload, or the
    // failure shown and raised.
    QVariant ServerPayload(const char* method, QVariantList args);
    // Loads the payload of such a call into `dataSet`.
    void LoadFromServer(TClientDataSet& dataSet, const char* method, QVariantList args);

    // The branch controls follow the login: a login bound to one branch never edits it.
    void EnableBranchControls();
    // Enables or disables the filter panel's controls together; the branch controls still
    // follow the login and the names stay display-only.
    void EnableFilter(bool enable);
    void LoadServices();
    // The seven command slots, each a button and its menu item (slot 6's cancel pair aside).
    std::array<std::pair<TSpeedButton*, TMenuItem*>, 7> commandSlots() const;
    // Sets every slot but confirm and cancel, the command bar first, then the menu.
    void SetCommandsButConfirm(bool include, bool change, bool remove, bool slot4, bool slot5,
                               bool calculation);
    // The services page's commands as its list stands.
    void SetServicesPageCommands();
    // A field marked with an odd tag takes only the navigation keys, but while a row is
    // being inserted.
    static void DropKeyOfMarkedField(TDBGrid& grid, QChar& key);
    // The largest sequence number among the day's apportionment rows; 0 without rows.
    int LastSequenceNumber() const;
    // Loads the current service's days for the filter period (the day list then loads the
    // first day's apportionment itself).
    void LoadDays();
    // Loads the apportionment of the current day.
    void LoadApportionment();

    // What the clerk typed into the apportionment and has not sent: a row open, or rows
    // posted and still in the change log.
    bool ApportionmentPending() const;
    // Every move that reloads the apportionment or leaves it behind (another service or
    // day, verifying, a page change, the filter, closing) comes here first: pending rows
    // go through the confirmation, and when they cannot be sent the move is refused.
    void ConfirmPendingApportionment();
    // The confirmation, refusing (by raising) while rows stay unsent: a failed check or a
    // differing sum with its message, a save the server refused silently, its failure
    // shown already. The rows stay as typed.
    void ConfirmOrRefuse();
    // Sends the change log as one packet and takes it as saved; a failed send was shown
    // and leaves the log as it was.
    void SaveApportionment();
    // Drops the open row and every unsent change: the day's rows as last loaded or saved.
    void DiscardApportionment();

    // The daily page's command patterns as the apportionment stands.
    enum class RowCommands {
        // Rows or none: every command but confirm and cancel, or include and calculation.
        EitherPattern,
        // At the end of a confirmation: with rows, every command but confirm and cancel;
        // rows the server refused stay pending, with confirm and cancel on to send them
        // again or undo them.
        AfterConfirmation,
        // A day just loaded: when it has no rows, include and calculation on, change,
        // delete and slots 4 and 5 off, buttons first, confirm and cancel untouched.
        WhenLoadedEmpty,
    };
    void SetRowCommands(RowCommands pattern);
    bool DailyPageActive() const { return pgcPadrao->ActivePage() == tshFormulario; }
    bool ServicesPageActive() const { return pgcPadrao->ActivePage() == tshFolhaDados; }
};
