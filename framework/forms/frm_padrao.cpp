#include "framework/forms/frm_padrao.h"

#include "contracts/host_framework.h"
#include "framework/components/accessibility.h"
#include "framework/components/focus.h"
#include "framework/components/lookup_list.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>

namespace {

QIcon icon(const char* themeName, QStyle::StandardPixmap fallback) {
    return QIcon::fromTheme(QLatin1String(themeName),
                            QApplication::style()->standardIcon(fallback));
}

// Keeps the screen-code label at the right end of the command bar.
class RightAligner : public QObject {
public:
    RightAligner(QWidget* bar, QLabel* label) : QObject(bar), m_bar(bar), m_label(label) {
        bar->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Resize || event->type() == QEvent::Show) {
            m_label->adjustSize();
            m_label->move(m_bar->width() - m_label->width() - 8,
                          (m_bar->height() - m_label->height()) / 2);
        }
        return false;
    }

private:
    QWidget* m_bar;
    QLabel* m_label;
};

QScrollArea* scrollBox(const QString& name, QWidget* parent, QWidget* content) {
    auto* box = new QScrollArea(parent);
    box->setObjectName(name);
    box->setWidgetResizable(true);
    box->setFrameShape(QFrame::NoFrame);
    // The desktop's scroll box never takes the focus: a click on it, its scroll bar or an
    // empty spot of what it holds leaves the focus where it was.
    box->setFocusPolicy(Qt::NoFocus);
    box->setWidget(content);
    return box;
}

} // namespace

TfrmPadrao::TfrmPadrao(QWidget* parent) : TForm(parent), m_layout(new QVBoxLayout(this)) {
    setObjectName(QStringLiteral("frmPadrao"));
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    msgGeral.Messages = {QStringLiteral("Canc|Deseja cancelar as alterações?"),
                         QStringLiteral("Excl|Deseja excluir o registro?")};
    BuildMenu();
    BuildCommandBar();
    BuildPages();
    BuildNavigatorBar();
    BindHandlers();
}

TfrmPadrao::~TfrmPadrao() {
    // The grid, the navigator and the data text follow dtsPadrao: let them go first.
    delete pgcPadrao;
    delete panNavigator;
}

TMenuItem* TfrmPadrao::AddMenuItem(const QString& name, const QString& caption) {
    auto* item = new TMenuItem(name, caption, this);
    mnuManutencao->addAction(item);
    addAction(item); // its short-cut works wherever the focus is on the form
    return item;
}

void TfrmPadrao::BuildMenu() {
    mnuMenu = new QMenuBar(this);
    mnuMenu->setObjectName(QStringLiteral("mnuMenu"));
    mnuMenu->setNativeMenuBar(false);
    mnuManutencao = mnuMenu->addMenu(QStringLiteral("&Manutenção"));
    mnuManutencao->setObjectName(QStringLiteral("mnuManutencao"));
    mnuIncluir = AddMenuItem(QStringLiteral("mnuIncluir"), QStringLiteral("&Incluir"));
    mnuAlterar = AddMenuItem(QStringLiteral("mnuAlterar"), QStringLiteral("&Alterar"));
    // E is left for a screen's own page items ("&Efetivos").
    mnuExcluir = AddMenuItem(QStringLiteral("mnuExcluir"), QStringLiteral("E&xcluir"));
    mnuLocalizar = AddMenuItem(QStringLiteral("mnuLocalizar"), QStringLiteral("&Localizar"));
    mnuCopiar = AddMenuItem(QStringLiteral("mnuCopiar"), QStringLiteral("Co&piar lista"));
    mnuConfirmar = AddMenuItem(QStringLiteral("mnuConfirmar"), QStringLiteral("C&onfirmar"));
    mnuCancelar = AddMenuItem(QStringLiteral("mnuCancelar"), QStringLiteral("&Cancelar"));
    mnuVerificar = AddMenuItem(QStringLiteral("mnuVerificar"), QStringLiteral("&Verificar"));
    mnuManutencao->addSeparator();
    mnuFolhaDados = AddMenuItem(QStringLiteral("mnuFolhaDados"), QStringLiteral("Folha de &Dados"));
    mnuFormulario = AddMenuItem(QStringLiteral("mnuFormulario"), QStringLiteral("&Formulário"));
    mnuFolhaDados->setCheckable(true);
    mnuFormulario->setCheckable(true);
    mnuIncluir->SetShortCut(0x4000 | 'I');
    mnuConfirmar->SetShortCut(0x4000 | 'S');
    m_layout->addWidget(mnuMenu);
}

TSpeedButton* TfrmPadrao::AddCommandButton(const QString& name, const QString& hint,
                                           const QIcon& glyph, int left) {
    auto* button = new TSpeedButton(panMenu);
    button->setObjectName(name);
    button->SetHint(hint);
    button->SetGlyph(glyph);
    button->SetSize(21, 21);
    button->move(left, 4);
    return button;
}

void TfrmPadrao::BuildCommandBar() {
    panMenu = new QWidget(this);
    panMenu->setObjectName(QStringLiteral("panMenu"));
    panMenu->setFixedHeight(29);
    panMenu->setAutoFillBackground(true);
    sbtIncluir = AddCommandButton(QStringLiteral("sbtIncluir"), QStringLiteral("Incluir"),
                                  icon("list-add", QStyle::SP_FileIcon), 4);
    sbtAlterar = AddCommandButton(QStringLiteral("sbtAlterar"), QStringLiteral("Alterar"),
                                  icon("document-edit", QStyle::SP_FileDialogDetailedView), 29);
    sbtExcluir = AddCommandButton(QStringLiteral("sbtExcluir"), QStringLiteral("Excluir"),
                                  icon("list-remove", QStyle::SP_TrashIcon), 54);
    sbtLocalizar = AddCommandButton(QStringLiteral("sbtLocalizar"), QStringLiteral("Localizar"),
                                    icon("edit-find", QStyle::SP_FileDialogContentsView), 79);
    sbtCopiar = AddCommandButton(QStringLiteral("sbtCopiar"), QStringLiteral("Copiar lista"),
                                 icon("edit-copy", QStyle::SP_FileDialogListView), 104);
    sbtConfirmar = AddCommandButton(QStringLiteral("sbtConfirmar"), QStringLiteral("Confirmar"),
                                    icon("dialog-ok", QStyle::SP_DialogApplyButton), 129);
    sbtCancelar = AddCommandButton(QStringLiteral("sbtCancelar"), QStringLiteral("Cancelar"),
                                   icon("dialog-cancel", QStyle::SP_DialogCancelButton), 154);
    sbtImprimir = AddCommandButton(QStringLiteral("sbtImprimir"), QStringLiteral("Imprimir"),
                                   icon("document-print", QStyle::SP_DialogSaveButton), 182);
    sbtAjuda = AddCommandButton(QStringLiteral("sbtAjuda"), QStringLiteral("Ajuda"),
                                icon("help-contents", QStyle::SP_DialogHelpButton), 218);
    sbtFechar = AddCommandButton(QStringLiteral("sbtFechar"), QStringLiteral("Fechar"),
                                 icon("window-close", QStyle::SP_DialogCloseButton), 254);
    lblCodTela = new QLabel(panMenu);
    lblCodTela->setObjectName(QStringLiteral("lblCodTela"));
    QFont bold = lblCodTela->font();
    bold.setBold(true);
    lblCodTela->setFont(bold);
    // Read as "Código da tela RQX52000": the code is what the label is for.
    setAccessibleNamePrefix(lblCodTela, QStringLiteral("Código da tela"));
    new RightAligner(panMenu, lblCodTela);
    m_layout->addWidget(panMenu);
}

void TfrmPadrao::BuildPages() {
    pgcPadrao = new TPageControl(this);
    pgcPadrao->setObjectName(QStringLiteral("pgcPadrao"));
    tshFolhaDados = new TTabSheet(pgcPadrao, QStringLiteral("Folha de Dados"));
    tshFolhaDados->setObjectName(QStringLiteral("tshFolhaDados"));
    panDbgPadrao = new QWidget;
    panDbgPadrao->setObjectName(QStringLiteral("panDbgPadrao"));
    dbgPadrao = new TDBGrid(panDbgPadrao);
    dbgPadrao->setObjectName(QStringLiteral("dbgPadrao"));
    dbgPadrao->SetDataSource(&dtsPadrao);
    auto* gridLayout = new QVBoxLayout(panDbgPadrao);
    gridLayout->setContentsMargins(0, 0, 0, 0);
    gridLayout->addWidget(dbgPadrao);
    scbFolhaDados = scrollBox(QStringLiteral("scbFolhaDados"), tshFolhaDados, panDbgPadrao);
    auto* pageLayout = new QVBoxLayout(tshFolhaDados);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->addWidget(scbFolhaDados);

    tshFormulario = new TTabSheet(pgcPadrao, QStringLiteral("Formulário"));
    tshFormulario->setObjectName(QStringLiteral("tshFormulario"));
    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("scbFormularioContent"));
    new QVBoxLayout(content);
    content->layout()->setContentsMargins(0, 0, 0, 0);
    panFormulario = new QWidget(tshFormulario);
    panFormulario->setObjectName(QStringLiteral("panFormulario"));
    scbFormulario = scrollBox(QStringLiteral("scbFormulario"), panFormulario, content);
    auto* formLayout = new QVBoxLayout(panFormulario);
    formLayout->setContentsMargins(0, 0, 0, 0);
    formLayout->addWidget(scbFormulario);
    auto* formPageLayout = new QVBoxLayout(tshFormulario);
    formPageLayout->setContentsMargins(0, 0, 0, 0);
    formPageLayout->addWidget(panFormulario);
    m_layout->addWidget(pgcPadrao, 1);
}

void TfrmPadrao::BuildNavigatorBar() {
    panNavigator = new QWidget(this);
    panNavigator->setObjectName(QStringLiteral("panNavigator"));
    panNavigator->setFixedHeight(27);
    auto* layout = new QHBoxLayout(panNavigator);
    layout->setContentsMargins(6, 2, 4, 2);
    dbtNome = new TDBText(panNavigator);
    dbtNome->setObjectName(QStringLiteral("dbtNome"));
    dbtNome->SetDataSource(&dtsPadrao);
    QFont bold = dbtNome->font();
    bold.setBold(true);
    dbtNome->setFont(bold);
    sbtVerificar = new TSpeedButton(panNavigator);
    sbtVerificar->setObjectName(QStringLiteral("sbtVerificar"));
    sbtVerificar->SetHint(QStringLiteral("Verificar"));
    sbtVerificar->SetGlyph(icon("view-refresh", QStyle::SP_BrowserReload));
    sbtVerificar->SetSize(21, 21);
    dbnPadrao = new TDBNavigator(panNavigator);
    dbnPadrao->setObjectName(QStringLiteral("dbnPadrao"));
    dbnPadrao->SetDataSource(&dtsPadrao);
    layout->addWidget(dbtNome, 1);
    layout->addWidget(sbtVerificar);
    layout->addWidget(dbnPadrao);
    m_layout->addWidget(panNavigator);
}

void TfrmPadrao::BindHandlers() {
    OnCreate = [this] { FormCreate(this); };
    OnClose = [this](TCloseAction& action) { FormClose(this, action); };
    pgcPadrao->OnChange = [this] { pgcPadraoChange(pgcPadrao); };
    dtsPadrao.OnStateChange = [this](TDataSource&) { dtsPadraoStateChange(this); };
    const auto bind = [this](TSpeedButton* button, TMenuItem* item,
                             void (TfrmPadrao::*handler)(QObject*)) {
        if (button)
            button->OnClick = [this, button, handler] { (this->*handler)(button); };
        if (item)
            item->OnClick = [this, item, handler] { (this->*handler)(item); };
    };
    bind(sbtIncluir, mnuIncluir, &TfrmPadrao::sbtIncluirClick);
    bind(sbtAlterar, mnuAlterar, &TfrmPadrao::sbtAlterarClick);
    bind(sbtExcluir, mnuExcluir, &TfrmPadrao::sbtExcluirClick);
    bind(sbtLocalizar, mnuLocalizar, &TfrmPadrao::sbtLocalizarClick);
    bind(sbtCopiar, mnuCopiar, &TfrmPadrao::sbtCopiarClick);
    bind(sbtConfirmar, mnuConfirmar, &TfrmPadrao::sbtConfirmarClick);
    bind(sbtCancelar, mnuCancelar, &TfrmPadrao::sbtCancelarClick);
    bind(sbtVerificar, mnuVerificar, &TfrmPadrao::sbtVerificarClick);
    bind(sbtImprimir, nullptr, &TfrmPadrao::sbtImprimirClick);
    bind(sbtAjuda, nullptr, &TfrmPadrao::sbtAjudaClick);
    bind(sbtFechar, nullptr, &TfrmPadrao::sbtFecharClick);
    bind(nullptr, mnuFolhaDados, &TfrmPadrao::mnuFolhaDadosClick);
    bind(nullptr, mnuFormulario, &TfrmPadrao::mnuFormularioClick);
}

void TfrmPadrao::InsertTopPanel(QWidget* panel) {
    m_layout->insertWidget(m_layout->indexOf(pgcPadrao), panel);
}

// --- the standard behaviour ------------------------------------------------------------

void TfrmPadrao::FormCreate(QObject*) {
    pgcPadrao->SetActivePage(tshFolhaDados);
    pgcPadraoChange(pgcPadrao);
    dtsPadraoStateChange(this);
}

void TfrmPadrao::FormClose(QObject*, TCloseAction& action) {
    action = caFree;
}

void TfrmPadrao::pgcPadraoChange(QObject*) {
    mnuFolhaDados->setChecked(pgcPadrao->ActivePage() == tshFolhaDados);
    mnuFormulario->setChecked(pgcPadrao->ActivePage() == tshFormulario);
}

void TfrmPadrao::dtsPadraoStateChange(QObject*) {
    const TDataSetState state = dtsPadrao.State();
    const bool browse = state == dsBrowse;
    const bool editing = state == dsEdit || state == dsInsert;
    const bool rows = dtsPadrao.DataSet() && !dtsPadrao.DataSet()->IsEmpty();
    mnuIncluir->setEnabled(browse);
    mnuAlterar->setEnabled(browse && rows);
    mnuExcluir->setEnabled(browse && rows);
    mnuLocalizar->setEnabled(browse && rows);
    mnuCopiar->setEnabled(browse && rows);
    mnuConfirmar->setEnabled(editing);
    mnuCancelar->setEnabled(editing);
    const std::pair<TSpeedButton*, TMenuItem*> commands[] = {
        {sbtIncluir, mnuIncluir},     {sbtAlterar, mnuAlterar}, {sbtExcluir, mnuExcluir},
        {sbtLocalizar, mnuLocalizar}, {sbtCopiar, mnuCopiar},   {sbtConfirmar, mnuConfirmar},
        {sbtCancelar, mnuCancelar}};
    for (const auto& [button, item] : commands)
        button->setEnabled(item->isEnabled());
}

void TfrmPadrao::mnuFolhaDadosClick(QObject*) {
    pgcPadrao->SetActivePage(tshFolhaDados);
    pgcPadraoChange(pgcPadrao);
}

void TfrmPadrao::mnuFormularioClick(QObject*) {
    pgcPadrao->SetActivePage(tshFormulario);
    pgcPadraoChange(pgcPadrao);
}

void TfrmPadrao::sbtIncluirClick(QObject*) {
    if (TClientDataSet* ds = dtsPadrao.DataSet())
        ds->Insert();
}

void TfrmPadrao::sbtAlterarClick(QObject*) {
    if (TClientDataSet* ds = dtsPadrao.DataSet())
        ds->Edit();
}

void TfrmPadrao::sbtExcluirClick(QObject*) {
    TClientDataSet* ds = dtsPadrao.DataSet();
    if (ds && !ds->IsEmpty() &&
        msgGeral.ShowMsg(QStringLiteral("Excl"), mtConfirmation, mbYes | mbNo, 0) == mrYes)
        ds->Delete();
}

void TfrmPadrao::sbtLocalizarClick(QObject*) {
    TClientDataSet* ds = dtsPadrao.DataSet();
    if (!ds || ds->IsEmpty())
        return;
    const int row = Ui().PickFromList(lookupListOf(QStringLiteral("Localizar"), *ds));
    if (row >= 0)
        ds->SetRecNo(row + 1);
}

void TfrmPadrao::sbtCopiarClick(QObject*) {
    TClientDataSet* ds = dtsPadrao.DataSet();
    if (!ds || ds->IsEmpty())
        return;
    const LookupList list = lookupListOf(QString(), *ds);
    QStringList lines{list.headers.join(QLatin1Char('\t'))};
    for (const QStringList& row : list.rows)
        lines << row.join(QLatin1Char('\t'));
    QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

void TfrmPadrao::sbtConfirmarClick(QObject*) {
    if (TClientDataSet* ds = dtsPadrao.DataSet())
        ds->Post();
}

void TfrmPadrao::sbtCancelarClick(QObject*) {
    if (TClientDataSet* ds = dtsPadrao.DataSet())
        ds->Cancel();
}

// The standard form has nothing of its own to verify or print; a screen with a check or a
// report takes these over.
void TfrmPadrao::sbtVerificarClick(QObject*) {}
void TfrmPadrao::sbtImprimirClick(QObject*) {}

void TfrmPadrao::sbtAjudaClick(QObject*) {
    Ui().MessageDlg(QStringLiteral("Não há ajuda disponível para a tela %1 (%2).")
                        .arg(lblCodTela->text(), Caption()),
                    mtInformation, mbOK, 0);
}

void TfrmPadrao::sbtFecharClick(QObject*) {
    Close();
}
