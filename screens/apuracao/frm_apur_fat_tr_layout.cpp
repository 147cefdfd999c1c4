// The main screen's layout, area by area, and its message table.

#include "screens/apuracao/frm_apur_fat_tr.h"
#include "screens/apuracao/status_icons.h"
#include "screens/shared_widgets.h"

#include "contracts/app_server.h"

#include <QApplication>
#include <QGridLayout>
#include <QMenu>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>

namespace {

QColor infoBackground() {
    return QApplication::palette().color(QPalette::ToolTipBase);
}

// A display-only name beside a code: it never takes input, even when its panel's
// controls are all enabled together.
TEdit* nameEdit(const QString& name, const QString& accessibleName, QWidget* parent) {
    auto* edit = new TEdit(parent);
    edit->setObjectName(name);
    edit->setReadOnly(true);
    edit->setEnabled(false);
    edit->setFocusPolicy(Qt::NoFocus);
    edit->SetColor(QApplication::palette().color(QPalette::Button));
    edit->setAccessibleName(accessibleName);
    return edit;
}

TBtnPesquisa* lookupButton(const QString& name, const QString& title, QWidget* associate,
                           TDataSource* source, QWidget* parent) {
    auto* button = new TBtnPesquisa(parent);
    button->setObjectName(name);
    button->SetHint(QStringLiteral("Pesquisar"));
    button->setAccessibleDescription(QStringLiteral("Pesquisar %1").arg(title));
    button->SetAssociate(associate);
    button->SetTitle(title);
    button->SetDataSource(source);
    return button;
}

TDateEditPlus* periodDate(const QString& name, const QString& accessibleName, QWidget* parent) {
    auto* date = billingDateEdit(name, accessibleName, parent);
    date->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    return date;
}

} // namespace

TfrmApurFatTR::TfrmApurFatTR(QWidget* parent) : TfrmPadrao(parent) {
    setObjectName(QStringLiteral("frmApurFatTR"));
    SetCaption(QStringLiteral("Cálculo de Apuração (Gestão Torvo)"));
    lblCodTela->setText(QStringLiteral("RQX52000"));
    SetClientSize(751, 395);
    SetFormStyle(fsMDIChild);
    BuildCommandBar();
    BuildFilterPanel();
    BuildServicesPage();
    BuildDailyPage();
    BuildMenu();
    BuildMessages();
    CriaCampos();
    BindDataSources();
    BindHandlers();

    netApurFatTR.ServerName = QString::fromLatin1(ServerMethod::ServerName);
    netApurFatTR.ThrowException = false;
    netApurFatTR.BeforeConnect = [this](TNetConnection&) { netApurFatTRBeforeConnect(nullptr); };

    OnActivate = [this] { FormActivate(this); };
    SetActiveControl(medCdFilial);
}

void TfrmApurFatTR::BuildCommandBar() {
    sbtApurar = AddCommandButton(
        QStringLiteral("sbtApurar"), QStringLiteral("Apurar Faturamento"),
        QIcon::fromTheme(QStringLiteral("system-run"),
                         QApplication::style()->standardIcon(QStyle::SP_MediaPlay)),
        182);
    sbtApurar->setEnabled(false);
    sbtImprimir->move(212, 4);
    sbtAjuda->move(248, 4);
    sbtFechar->move(284, 4);
    imgOk = new QLabel(this);
    imgOk->setObjectName(QStringLiteral("imgOk"));
    imgOk->setPixmap(okMark());
    imgOk->hide();
    imgErro = new QLabel(this);
    imgErro->setObjectName(QStringLiteral("imgErro"));
    imgErro->setPixmap(errorMark());
    imgErro->hide();
}

void TfrmApurFatTR::BuildFilterPanel() {
    panFiltro = new QWidget(this);
    panFiltro->setObjectName(QStringLiteral("panFiltro"));
    panFiltro->setFixedHeight(85);
    auto* grid = new QGridLayout(panFiltro);
    grid->setContentsMargins(8, 6, 8, 6);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);

    lblFilial = boldLabel(QStringLiteral("lblFilial"), QStringLiteral("Filial"), panFiltro);
    medCdFilial = new TMaskEdit(panFiltro);
    medCdFilial->setObjectName(QStringLiteral("medCdFilial"));
    medCdFilial->SetEditMask(QStringLiteral(">aaaa;0; "));
    medCdFilial->SetMaxLength(4);
    medCdFilial->SetColor(infoBackground());
    medCdFilial->setFixedWidth(60);
    medCdFilial->setAccessibleName(QStringLiteral("Filial"));
    lblFilial->setBuddy(medCdFilial);
    btpFilial = lookupButton(QStringLiteral("btpFilial"), QStringLiteral("Filial"), medCdFilial,
                             &dtsFilial, panFiltro);
    edtNmFilial =
        nameEdit(QStringLiteral("edtNmFilial"), QStringLiteral("Nome da filial"), panFiltro);

    lblCliente = boldLabel(QStringLiteral("lblCliente"), QStringLiteral("Cliente"), panFiltro);
    medCdCliente = new TMaskEdit(panFiltro);
    medCdCliente->setObjectName(QStringLiteral("medCdCliente"));
    medCdCliente->SetMaxLength(20);
    medCdCliente->SetColor(infoBackground());
    medCdCliente->setFixedWidth(150);
    medCdCliente->setAccessibleName(QStringLiteral("Cliente"));
    lblCliente->setBuddy(medCdCliente);
    btpCliente = lookupButton(QStringLiteral("btpCliente"), QStringLiteral("Cliente"), medCdCliente,
                              &dtsCliente, panFiltro);
    btpCliente->SetEmptyError(QStringLiteral("Não há cliente cadastrado ou Ativos para a Filial"));
    edtNmCliente =
        nameEdit(QStringLiteral("edtNmCliente"), QStringLiteral("Nome do cliente"), panFiltro);

    lblDtApur =
        boldLabel(QStringLiteral("lblDtApur"), QStringLiteral("Período Faturamento"), panFiltro);
    depDtInicial = periodDate(QStringLiteral("depDtInicial"), QStringLiteral("Período Faturamento"),
                              panFiltro);
    lblDtApur->setBuddy(depDtInicial);
    Label1 = boldLabel(QStringLiteral("Label1"), QStringLiteral("a"), panFiltro);
    depDtFinal = periodDate(QStringLiteral("depDtFinal"),
                            QStringLiteral("Período Faturamento, data final"), panFiltro);
    Label1->setBuddy(depDtFinal);

    // Each line: its label, the code with its lookup button (or the period), the name.
    const auto codeWithLookup = [](QWidget* code, QWidget* lookup) {
        auto* line = new QHBoxLayout;
        line->setSpacing(2);
        line->addWidget(code);
        line->addWidget(lookup);
        line->addStretch();
        return line;
    };
    grid->addWidget(lblFilial, 0, 0);
    grid->addLayout(codeWithLookup(medCdFilial, btpFilial), 0, 1);
    grid->addWidget(edtNmFilial, 0, 2);
    grid->addWidget(lblCliente, 1, 0);
    grid->addLayout(codeWithLookup(medCdCliente, btpCliente), 1, 1);
    grid->addWidget(edtNmCliente, 1, 2);
    grid->addWidget(lblDtApur, 2, 0);
    auto* period = new QHBoxLayout;
    period->setSpacing(6);
    period->addWidget(depDtInicial);
    period->addWidget(Label1);
    period->addWidget(depDtFinal);
    period->addStretch();
    grid->addLayout(period, 2, 1, 1, 2);
    grid->setColumnStretch(2, 1);

    QWidget::setTabOrder(medCdFilial, medCdCliente);
    QWidget::setTabOrder(medCdCliente, depDtInicial);
    QWidget::setTabOrder(depDtInicial, depDtFinal);
    InsertTopPanel(panFiltro);
}

void TfrmApurFatTR::BuildServicesPage() {
    tshFolhaDados->SetCaption(QStringLiteral("Serviços"));
    dbgPadrao->setAccessibleName(QStringLiteral("Serviços"));
    dbgPadrao->SetColor(infoBackground());
    dbgPadrao->SetOptions(dgEditing | dgTitles | dgColumnResize | dgColLines | dgRowLines | dgTabs |
                          dgAlwaysShowSelection | dgConfirmDelete | dgCancelOnExit);
    dbgPadrao->AddColumn(QStringLiteral("CDSERVFILI")).SetReadOnly(true);
    dbgPadrao->AddColumn(QStringLiteral("NMSERVICO")).SetReadOnly(true).SetWidth(300);
    dbgPadrao->AddColumn(QStringLiteral("NRAGRUEFET")).SetTitleAlignment(taCenter).SetWidth(48);
    dbtNome->SetDataField(QStringLiteral("NMSERVICO"));
}

void TfrmApurFatTR::BuildDailyPage() {
    tshFormulario->SetCaption(QStringLiteral("Efetivos"));
    QWidget* content = scbFormulario->widget();
    auto* layout = static_cast<QVBoxLayout*>(content->layout());
    layout->setSpacing(0);
    const TDBGridOptions options = dgEditing | dgTitles | dgColumnResize | dgColLines | dgRowLines |
                                   dgTabs | dgAlwaysShowSelection | dgConfirmDelete |
                                   dgCancelOnExit;

    panEfetivos = new QWidget(content);
    panEfetivos->setObjectName(QStringLiteral("panEfetivos"));
    panEfetivos->setMinimumSize(704, 327);
    dbgEfetivos = new TDBGrid(panEfetivos);
    dbgEfetivos->setObjectName(QStringLiteral("dbgEfetivos"));
    dbgEfetivos->setAccessibleName(QStringLiteral("Efetivos"));
    dbgEfetivos->setFrameShape(QFrame::NoFrame);
    dbgEfetivos->SetOptions(options);
    dbgEfetivos->SetReadOnly(true);
    dbgEfetivos->SetColor(infoBackground());
    dbgEfetivos->SetDataSource(&dtsEfetivos);
    dbgEfetivos->AddColumn(QStringLiteral("DTEFETCDRS")).SetWidth(110);
    dbgEfetivos->AddColumn(QStringLiteral("DIASEMANA")).SetWidth(130);
    dbgEfetivos->AddColumn(QStringLiteral("QTCOMECDRS"))
        .SetTitle(QStringLiteral("Nº Comensais Faturadas"))
        .SetWidth(170);
    dbgEfetivos->AddColumn(QStringLiteral("IDCHECK"))
        .SetTitle(QStringLiteral("Status"))
        .SetWidth(50);
    auto* efetivosLayout = new QVBoxLayout(panEfetivos);
    efetivosLayout->setContentsMargins(0, 0, 0, 0);
    efetivosLayout->addWidget(dbgEfetivos);

    panRateio = new QWidget(content);
    panRateio->setObjectName(QStringLiteral("panRateio"));
    panRateio->setMinimumHeight(150);
    dbgRateio = new TDBGrid(panRateio);
    dbgRateio->setObjectName(QStringLiteral("dbgRateio"));
    dbgRateio->setAccessibleName(QStringLiteral("Rateio"));
    dbgRateio->setFrameShape(QFrame::NoFrame);
    dbgRateio->SetOptions(options);
    dbgRateio->SetColor(infoBackground());
    dbgRateio->SetDataSource(&dtsRateio);
    dbgRateio->AddColumn(QStringLiteral("QTDERATEIO"))
        .SetTitleAlignment(taRightJustify)
        .SetWidth(94);
    dbgRateio->AddColumn(QStringLiteral("NRAGREFRAT")).SetTitleAlignment(taCenter).SetWidth(29);
    dbgRateio->AddColumn(QStringLiteral("DSOBSRATE"))
        .SetTitle(QStringLiteral("Observação"))
        .SetWidth(608);
    lblSaldoRateio = new QLabel(panRateio);
    lblSaldoRateio->setObjectName(QStringLiteral("lblSaldoRateio"));
    lblSaldoRateio->setAccessibleName(QStringLiteral("Saldo do rateio"));
    lblSaldoRateio->setContentsMargins(6, 3, 6, 3);
    lblSaldoRateio->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblSaldoRateio->setFocusPolicy(Qt::NoFocus);
    auto* rateioLayout = new QVBoxLayout(panRateio);
    rateioLayout->setContentsMargins(0, 0, 0, 0);
    rateioLayout->setSpacing(0);
    rateioLayout->addWidget(dbgRateio);
    rateioLayout->addWidget(lblSaldoRateio);

    layout->addWidget(panEfetivos);
    layout->addWidget(panRateio, 1);
}

void TfrmApurFatTR::BuildMenu() {
    mnuFolhaDados->setText(QStringLiteral("&Serviços"));
    mnuFormulario->setText(QStringLiteral("&Efetivos"));
    N1 = mnuManutencao->addSeparator();
    N1->setObjectName(QStringLiteral("N1"));
    mnuApurac = AddMenuItem(QStringLiteral("mnuApurac"), QStringLiteral("Apuração &Faturamento"));
    mnuApurac->SetShortCut(16450);
    mnuApurac->setEnabled(false);
}

void TfrmApurFatTR::BuildMessages() {
    msgPadrao.Messages = {
        QStringLiteral("Filial_Emp|Filial deve ser informada."),
        QStringLiteral("Filial_Cad|Filial não cadastrada."),
        QStringLiteral("Cliente_Inv|Cliente não cadastrado."),
        QStringLiteral("DataIni_Inf|Período de Apuração deve ser informado."),
        QStringLiteral(
            "DtFinal_inv|Data Inicial deve ser menor ou igual a data final de apuração."),
        QStringLiteral("Soma_Dif|A soma das quantidades rateadas deve ser igual ao nº de comensais "
                       "faturadas do dia."),
        QStringLiteral("qtde_inf|Quantidade deve ser informada."),
        QStringLiteral("Qtde_maior_zero|Quantidade deve ser maior que zero."),
        QStringLiteral("NF_Maior|NF deve estar entre 01 e 99."),
        QStringLiteral("Excl|Confirma exclusão?"),
        QStringLiteral("Calc_Canc|Existem rateios com quantidades diferentes do total de comensais "
                       "faturados do dia."),
        QStringLiteral("Periodo_Bloq|Operação não permitida. Período de faturamento bloqueado."),
        QStringLiteral("Cliente_Inf|Cliente deve ser informado."),
        QStringLiteral("Rateio_Pend|As alterações do rateio não foram gravadas. Descartá-las e "
                       "fechar?"),
    };
}

void TfrmApurFatTR::BindDataSources() {
    dtsPadrao.SetDataSet(&cdsServEfet);
    dtsFilial.SetDataSet(&qryFilial.Query());
    dtsCliente.SetDataSet(&cdsCliente);
    dtsEfetivos.SetDataSet(&cdsEfetivos);
    dtsRateio.SetDataSet(&cdsRateio);
}
