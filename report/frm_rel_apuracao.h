#pragma once

// The calculation report screen: "Relatório de Apuração", screen RQX30700. The clerk picks
// a branch, a client and one of the client's calculations; the screen shows the report
// and previews, prints and exports it (PDF, CSV).

#include "framework/components/db_grid.h"
#include "framework/components/edit.h"
#include "framework/components/lookup_button.h"
#include "framework/components/mask_edit.h"
#include "framework/components/messages.h"
#include "framework/components/net_connection.h"
#include "framework/components/query.h"
#include "framework/components/speed_button.h"
#include "framework/data/datasource.h"
#include "framework/forms/form.h"
#include "report/report_model.h"

#include <QComboBox>
#include <QLabel>
#include <QTextBrowser>

#include <functional>
#include <optional>

class TfrmRelApuracao : public TForm {
    Q_OBJECT
public:
    explicit TfrmRelApuracao(QWidget* parent = nullptr);
    ~TfrmRelApuracao() override;

    // Command bar.
    QWidget* panMenu;
    TSpeedButton* sbtVisualizar;
    TSpeedButton* sbtImprimir;
    TSpeedButton* sbtExportarPdf;
    TSpeedButton* sbtExportarCsv;
    TSpeedButton* sbtFechar;
    QLabel* lblCodTela;

    // Selection: branch, client, calculation.
    QWidget* panFiltro;
    QComboBox* cbxFilial;
    TMaskEdit* medCdCliente;
    TBtnPesquisa* btpCliente;
    TEdit* edtNmCliente;
    TDBGrid* dbgApuracao;

    // The report.
    QTextBrowser* txtRelatorio;

    TMessages msgPadrao;
    TNetConnection netRelApuracao;
    TADOIBQuery qryFilial{QStringLiteral("qryFilial")};
    TClientDataSet cdsCliente{QStringLiteral("cdsCliente")};
    TClientDataSet cdsApuracao{QStringLiteral("cdsApuracao")};
    TDataSource dtsCliente{QStringLiteral("dtsCliente")};
    TDataSource dtsApuracao{QStringLiteral("dtsApuracao")};

    // The report on show; none while nothing is picked or the last load failed.
    const std::optional<report::CalculationReport>& Relatorio() const { return m_report; }
    // The branch code picked.
    QString Filial() const;

    // Lifecycle.
    void FormCreate();
    void FormClose(TCloseAction& action);

    // Selection.
    void cbxFilialChange();
    void Vd_Cliente();
    void btpClienteBeforePesq(bool& proceed);
    void btpClienteAfterPesq();
    void CarregaApuracoes();
    void CarregaRelatorio();

    // Commands.
    void sbtVisualizarClick();
    void sbtImprimirClick();
    void sbtExportarPdfClick();
    void sbtExportarCsvClick();

    // The file name proposed for an export: branch, client and number ("pdf", "csv").
    QString NomeArquivo(const QString& suffix) const;

private:
    void BuildCommandBar();
    void BuildFilterPanel();
    void BuildMessages();
    void CriaCampos();
    void CarregaFiliais();
    // The client picked in cdsCliente goes into the edits, then its calculations load.
    void MostraCliente();
    // Forgets the client from `client` on (true) or only the calculations and the report.
    void LimpaSelecao(bool client);
    void MostraRelatorio(std::optional<report::CalculationReport> shown, const QString& text);
    // Where the next export is proposed: the folder of the last one, else the documents.
    QString PastaExportacao() const;
    // Asks where to save the report's `suffix` file, has `write` write it there, and says
    // where it went.
    void Exporta(const QString& suffix, const QString& caption, const QString& filter,
                 const std::function<void(const QString& path)>& write);

    std::optional<report::CalculationReport> m_report;
    QString m_validatedClient; // the registration number last validated
    QString m_exportFolder;
    bool m_listing = false; // the calculation list is being loaded
};
