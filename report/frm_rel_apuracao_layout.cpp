// The report screen's layout: the command bar, the selection panel on the left, the
// report on the right; its data sets and message table.

#include "report/frm_rel_apuracao.h"

#include "framework/components/theme_icon.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QSplitter>
#include <QStyle>
#include <QVBoxLayout>

namespace {

QIcon icon(const char* themeName, QStyle::StandardPixmap fallback) {
    return QIcon::fromTheme(QLatin1String(themeName),
                            QApplication::style()->standardIcon(fallback));
}

QColor infoBackground() {
    return QApplication::palette().color(QPalette::ToolTipBase);
}

QLabel* boldLabel(const QString& caption, QWidget* parent) {
    auto* label = new QLabel(caption, parent);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

} // namespace

TfrmRelApuracao::TfrmRelApuracao(QWidget* parent) : TForm(parent) {
    setObjectName(QStringLiteral("frmRelApuracao"));
    SetCaption(QStringLiteral("Relatório de Apuração"));
    SetFormStyle(fsMDIChild);
    SetClientSize(980, 580);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    BuildCommandBar();
    layout->addWidget(panMenu);

    auto* split = new QSplitter(Qt::Horizontal, this);
    split->setObjectName(QStringLiteral("splRelatorio"));
    BuildFilterPanel();
    split->addWidget(panFiltro);
    txtRelatorio = new QTextBrowser(split);
    txtRelatorio->setObjectName(QStringLiteral("txtRelatorio"));
    txtRelatorio->setAccessibleName(QStringLiteral("Relatório"));
    txtRelatorio->setOpenLinks(false);
    split->addWidget(txtRelatorio);
    split->setStretchFactor(1, 1);
    split->setSizes({370, 570});
    layout->addWidget(split, 1);

    BuildMessages();
    CriaCampos();
    dtsCliente.SetDataSet(&cdsCliente);
    dtsApuracao.SetDataSet(&cdsApuracao);

    OnCreate = [this] { FormCreate(); };
    OnClose = [this](TCloseAction& action) { FormClose(action); };
    SetActiveControl(medCdCliente);
}

void TfrmRelApuracao::BuildCommandBar() {
    panMenu = new QWidget(this);
    panMenu->setObjectName(QStringLiteral("panMenu"));
    auto* bar = new QHBoxLayout(panMenu);
    bar->setContentsMargins(4, 4, 8, 4);
    bar->setSpacing(4);
    const auto button = [&](const QString& name, const QString& hint, const QIcon& glyph,
                            std::function<void()> click) {
        auto* b = new TSpeedButton(panMenu);
        b->setObjectName(name);
        b->SetHint(hint);
        b->SetGlyph(glyph);
        b->SetSize(25, 25);
        b->OnClick = std::move(click);
        bar->addWidget(b);
        return b;
    };
    sbtVisualizar = button(QStringLiteral("sbtVisualizar"), QStringLiteral("Visualizar impressão"),
                           icon("document-print-preview", QStyle::SP_FileDialogContentsView),
                           [this] { sbtVisualizarClick(); });
    sbtImprimir =
        button(QStringLiteral("sbtImprimir"), QStringLiteral("Imprimir"),
               icon("document-print", QStyle::SP_DialogSaveButton), [this] { sbtImprimirClick(); });
    sbtExportarPdf =
        button(QStringLiteral("sbtExportarPdf"), QStringLiteral("Exportar para PDF"),
               icon("application-pdf", QStyle::SP_FileIcon), [this] { sbtExportarPdfClick(); });
    sbtExportarCsv = button(QStringLiteral("sbtExportarCsv"), QStringLiteral("Exportar para CSV"),
                            icon("x-office-spreadsheet", QStyle::SP_FileDialogDetailedView),
                            [this] { sbtExportarCsvClick(); });
    bar->addSpacing(10);
    sbtFechar = button(QStringLiteral("sbtFechar"), QStringLiteral("Fechar"),
                       icon("window-close", QStyle::SP_DialogCloseButton), [this] { Close(); });
    bar->addStretch();
    lblCodTela = boldLabel(QStringLiteral("RQX30700"), panMenu);
    lblCodTela->setObjectName(QStringLiteral("lblCodTela"));
    bar->addWidget(lblCodTela);
}

void TfrmRelApuracao::BuildFilterPanel() {
    panFiltro = new QWidget(this);
    panFiltro->setObjectName(QStringLiteral("panFiltro"));
    auto* grid = new QGridLayout(panFiltro);
    grid->setContentsMargins(8, 6, 4, 6);
    grid->setVerticalSpacing(4);

    cbxFilial = new QComboBox(panFiltro);
    cbxFilial->setObjectName(QStringLiteral("cbxFilial"));
    cbxFilial->setAccessibleName(QStringLiteral("Filial"));

    medCdCliente = new TMaskEdit(panFiltro);
    medCdCliente->setObjectName(QStringLiteral("medCdCliente"));
    medCdCliente->SetMaxLength(20);
    medCdCliente->SetColor(infoBackground());
    medCdCliente->setAccessibleName(QStringLiteral("Cliente"));
    btpCliente = new TBtnPesquisa(panFiltro);
    btpCliente->setObjectName(QStringLiteral("btpCliente"));
    btpCliente->SetHint(QStringLiteral("Pesquisar"));
    btpCliente->SetGlyph(themeIcon(StockIcon::Search));
    btpCliente->SetSize(21, 21);
    btpCliente->SetAssociate(medCdCliente);
    btpCliente->SetTitle(QStringLiteral("Cliente"));
    btpCliente->SetDataSource(&dtsCliente);
    btpCliente->SetEmptyError(QStringLiteral("Não há cliente cadastrado ou ativo para a filial."));
    edtNmCliente = new TEdit(panFiltro);
    edtNmCliente->setObjectName(QStringLiteral("edtNmCliente"));
    edtNmCliente->setAccessibleName(QStringLiteral("Nome do cliente"));
    edtNmCliente->setReadOnly(true);
    edtNmCliente->setFocusPolicy(Qt::NoFocus);

    dbgApuracao = new TDBGrid(panFiltro);
    dbgApuracao->setObjectName(QStringLiteral("dbgApuracao"));
    dbgApuracao->setAccessibleName(QStringLiteral("Apurações do cliente"));
    dbgApuracao->SetDataSource(&dtsApuracao);
    dbgApuracao->SetReadOnly(true);
    dbgApuracao->SetOptions(dgTitles | dgColumnResize | dgColLines | dgRowLines |
                            dgAlwaysShowSelection);
    dbgApuracao->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgApuracao->AddColumn(QStringLiteral("NRAPURACFAT")).SetWidth(90);
    dbgApuracao->AddColumn(QStringLiteral("DTINIAPURAC")).SetWidth(82);
    dbgApuracao->AddColumn(QStringLiteral("DTFIMAPURAC")).SetWidth(82);
    dbgApuracao->AddColumn(QStringLiteral("IDBLOQUEADO")).SetWidth(80);

    auto* client = new QHBoxLayout;
    client->setSpacing(2);
    client->addWidget(medCdCliente, 1);
    client->addWidget(btpCliente);
    grid->addWidget(boldLabel(QStringLiteral("Filial"), panFiltro), 0, 0);
    grid->addWidget(cbxFilial, 1, 0);
    grid->addWidget(boldLabel(QStringLiteral("Cliente"), panFiltro), 2, 0);
    grid->addLayout(client, 3, 0);
    grid->addWidget(edtNmCliente, 4, 0);
    grid->addWidget(boldLabel(QStringLiteral("Apuração"), panFiltro), 5, 0);
    grid->addWidget(dbgApuracao, 6, 0);
    grid->setRowStretch(6, 1);
    QWidget::setTabOrder(cbxFilial, medCdCliente);
    QWidget::setTabOrder(medCdCliente, dbgApuracao);
}

void TfrmRelApuracao::BuildMessages() {
    msgPadrao.Messages = {
        QStringLiteral("Cliente_Inv|Cliente não cadastrado."),
        QStringLiteral("Filial_Emp|Filial deve ser informada."),
        QStringLiteral("Sem_Apuracao|O cliente não tem apurações calculadas nesta filial."),
        QStringLiteral("Escolha|Escolha a filial, o cliente e uma das suas apurações para ver o "
                       "relatório."),
        QStringLiteral("Falha|Não foi possível obter o relatório da apuração %1."),
        QStringLiteral("Gravado|Relatório gravado em %1."),
    };
}

void TfrmRelApuracao::CriaCampos() {
    cdsCliente.AddField("CDCLIENTE", ftString, 21).SetVisible(false);
    cdsCliente.AddField("IDTPIJURCLIE", ftString, 1).SetVisible(false);
    cdsCliente.AddField("NRINSJURCLIE", ftString, 20).SetDisplayLabel("Inscrição");
    cdsCliente.AddField("NMRAZSOCCLIE", ftString, 50).SetDisplayLabel("Razão Social");
    cdsCliente.AddField("NMFANTCLIE", ftString, 50).SetDisplayLabel("Nome Fantasia");

    cdsApuracao.AddField("DTINIAPURAC", ftDateTime).SetDisplayLabel("Início");
    cdsApuracao.AddField("DTFIMAPURAC", ftDateTime).SetDisplayLabel("Fim");
    cdsApuracao.AddField("IDBLOQUEADO", ftString, 1).SetDisplayLabel("Situação").OnGetText =
        [](TField& field, QString& text, bool) { text = report::lockStateText(field.AsString()); };
    cdsApuracao.AddField("NRAPURACFAT", ftString, 10).SetDisplayLabel("Número");
    cdsApuracao.AddField("CDFILIAL", ftString, 4).SetVisible(false);

    qryFilial.Query().AddField("CDFILIAL", ftString, 4);
    qryFilial.Query().AddField("NMFILIAL", ftString, 40);
    // Every branch: a null parameter selects them all.
    qryFilial.SQL_ORACLE = {"SELECT CDFILIAL, NMFILIAL FROM FILIAL",
                            "WHERE CDFILIAL = NVL(:P_CDFILIAL, CDFILIAL) ORDER BY CDFILIAL"};
    qryFilial.SQL_MSSQL = {"SELECT CDFILIAL, NMFILIAL FROM FILIAL",
                           "WHERE CDFILIAL = ISNULL(:P_CDFILIAL, CDFILIAL) ORDER BY CDFILIAL"};
    qryFilial.SQL = {"SELECT CDFILIAL, NMFILIAL FROM FILIAL, PARAM(:P_CDFILIAL) P_CDFILIAL",
                     "WHERE CDFILIAL = NVLSTR(P_CDFILIAL.PARAM, CDFILIAL) ORDER BY CDFILIAL"};
    qryFilial.SQL_IB = qryFilial.SQL;
}
