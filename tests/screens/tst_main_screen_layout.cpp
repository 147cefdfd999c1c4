// The main screen's layout as the clerk and a screen reader meet it, the status marks,
// the message table, and the data sets' fields as the server's payloads fill them.

#include "screen_fixture.h"

#include "screens/apuracao/cli_rqx52000.h"
#include "screens/apuracao/frm_apur_fat_tr.h"

#include "framework/components/focus.h"
#include "framework/data/packet.h"

#include <QMenu>
#include <QTest>

namespace {

struct Expected {
    const char* name;
    TFieldType type;
    int size;
    bool visible;
};

void compareFields(const TClientDataSet& ds, std::initializer_list<Expected> expected) {
    QCOMPARE(ds.FieldCount(), int(expected.size()));
    int i = 0;
    for (const Expected& e : expected) {
        const TField& f = ds.Field(i++);
        QCOMPARE(f.FieldName(), QString(e.name));
        QCOMPARE(f.DataType(), e.type);
        QCOMPARE(f.Size(), e.size);
        QCOMPARE(f.Visible(), e.visible);
    }
}

QStringList columnTitles(const TDBGrid* grid) {
    QStringList out;
    for (int c = 0; c < grid->ColumnCount(); ++c)
        out << grid->model()->headerData(c, Qt::Horizontal).toString();
    return out;
}

// A packet with the data set's own fields and one row of plausible values.
QVariantMap samplePacket(const TClientDataSet& ds) {
    packet::Table table;
    QVariantList row;
    for (int i = 0; i < ds.FieldCount(); ++i) {
        const TField& f = ds.Field(i);
        table.fields.append({f.FieldName(), f.DataType(), f.Size(), {}});
        switch (f.DataType()) {
        case ftDateTime:
            row << QString("2026-11-02");
            break;
        case ftFloat:
            row << 1234.5;
            break;
        default:
            row << QString("1").repeated(qMax(1, qMin(f.Size(), 3)));
        }
    }
    table.rows.append(row);
    return packet::make(table);
}

} // namespace

class TstMainScreenLayout : public QObject {
    Q_OBJECT
private slots:
    void theScreenIsTheSuitesMdiChildWithItsCaptionAndCode();
    void theCommandBarHasTheCalculationButtonBeforePrint();
    void theMaintenanceMenuEndsWithTheCalculationItem();
    void theFilterPanelHoldsBranchClientAndPeriod();
    void thePagesAndGridsShowTheirColumns();
    void everyControlCanBeReadByAScreenReader();
    void theStatusMarksAreTheTickAndTheCrossOnOlive();
    void theMessageTableHoldsEveryKeyAnyCase();
    void theDataSetsDeclareTheirFieldsInOrder();
    void serverPayloadsOfThatShapeLoad();
};

void TstMainScreenLayout::theScreenIsTheSuitesMdiChildWithItsCaptionAndCode() {
    ScreenFixture f;
    TfrmApurFatTR* s = f.open();
    QCOMPARE(s->Caption(), QString("Cálculo de Apuração (Gestão Torvo)"));
    QCOMPARE(s->lblCodTela->text(), QString("RQX52000"));
    QCOMPARE(s->FormStyle(), fsMDIChild);
    QCOMPARE(s->netApurFatTR.ServerName, QString("Rqx52000.rdmApurFatTR"));
    TfrmApurFatTR fresh;
    QCOMPARE(fresh.size(), QSize(751, 395));
}

void TstMainScreenLayout::theCommandBarHasTheCalculationButtonBeforePrint() {
    ScreenFixture f;
    TfrmApurFatTR* s = f.open();
    QCOMPARE(s->sbtApurar->parentWidget(), s->panMenu);
    QCOMPARE(s->sbtApurar->geometry(), QRect(182, 4, 21, 21));
    QCOMPARE(s->sbtApurar->Hint(), QString("Apurar Faturamento"));
    QVERIFY(!s->sbtApurar->isEnabled());
    QCOMPARE(s->sbtApurar->focusPolicy(), Qt::NoFocus);
    QCOMPARE(s->sbtImprimir->x(), 212);
    QCOMPARE(s->sbtAjuda->x(), 248);
    QCOMPARE(s->sbtFechar->x(), 284);
    // The command buttons keep their places to the left.
    for (TSpeedButton* b :
         {s->sbtIncluir, s->sbtAlterar, s->sbtExcluir, s->sbtConfirmar, s->sbtCancelar})
        QVERIFY(b->geometry().right() < s->sbtApurar->x());
}

void TstMainScreenLayout::theMaintenanceMenuEndsWithTheCalculationItem() {
    ScreenFixture f;
    TfrmApurFatTR* s = f.open();
    const QList<QAction*> items = s->mnuManutencao->actions();
    QCOMPARE(items.last(), s->mnuApurac);
    QVERIFY(items.at(items.size() - 2)->isSeparator());
    QCOMPARE(s->mnuApurac->text(), QString("Apuração &Faturamento"));
    QCOMPARE(s->mnuApurac->ShortCut(), 16450);
    QCOMPARE(s->mnuApurac->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_B));
    QVERIFY(!s->mnuApurac->isEnabled());
    for (QAction* page :
         {static_cast<QAction*>(s->mnuFolhaDados), static_cast<QAction*>(s->mnuFormulario)})
        QVERIFY(page->isCheckable());
}

void TstMainScreenLayout::theFilterPanelHoldsBranchClientAndPeriod() {
    ScreenFixture f;
    TfrmApurFatTR* s = f.open();
    QCOMPARE(s->panFiltro->height(), 85);
    QVERIFY(s->panFiltro->geometry().bottom() < s->pgcPadrao->geometry().top());
    QVERIFY(s->panMenu->geometry().bottom() < s->panFiltro->geometry().top());
    QCOMPARE(s->lblFilial->text(), QString("Filial"));
    QCOMPARE(s->lblCliente->text(), QString("Cliente"));
    QCOMPARE(s->lblDtApur->text(), QString("Período Faturamento"));
    QCOMPARE(s->Label1->text(), QString("a"));
    for (QLabel* l : {s->lblFilial, s->lblCliente, s->lblDtApur, s->Label1})
        QVERIFY(l->font().bold());
    QCOMPARE(s->medCdFilial->EditMask(), QString(">aaaa;0; "));
    QCOMPARE(s->medCdFilial->MaxLength(), 4);
    QCOMPARE(s->medCdCliente->EditMask(), QString());
    QCOMPARE(s->medCdCliente->MaxLength(), 20);
    QCOMPARE(s->btpFilial->Title(), QString("Filial"));
    QCOMPARE(s->btpFilial->Associate(), s->medCdFilial);
    QCOMPARE(s->btpFilial->DataSource(), &s->dtsFilial);
    QCOMPARE(s->btpCliente->Title(), QString("Cliente"));
    QCOMPARE(s->btpCliente->DataSource(), &s->dtsCliente);
    QCOMPARE(s->btpCliente->EmptyError(),
             QString("Não há cliente cadastrado ou Ativos para a Filial"));
    QVERIFY(!s->edtNmFilial->isEnabled());
    QVERIFY(!s->edtNmCliente->isEnabled());
    QCOMPARE(s->edtNmCliente->focusPolicy(), Qt::NoFocus);
    QCOMPARE(s->depDtInicial->ValidDateColor(), QColor(Qt::blue));
    QCOMPARE(s->depDtInicial->NomeSemana().at(1), QString("Segunda"));
    QVERIFY(!s->depDtFinal->SaveTime());
    QCOMPARE(s->depDtInicial->lineEdit()->width(), 100);
    // Tab runs branch, client, start, end; the lookup buttons take no focus.
    SetFocus(s->medCdFilial);
    QTest::keyClick(s->medCdFilial, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), s->medCdCliente);
    QTest::keyClick(s->medCdCliente, Qt::Key_Tab);
    QVERIFY(s->depDtInicial->isAncestorOf(QApplication::focusWidget()));
    const QColor info = QApplication::palette().color(QPalette::ToolTipBase);
    QCOMPARE(s->medCdFilial->palette().color(QPalette::Base), info);
}

void TstMainScreenLayout::thePagesAndGridsShowTheirColumns() {
    ScreenFixture f;
    TfrmApurFatTR* s = f.open();
    QCOMPARE(s->tshFolhaDados->Caption(), QString("Serviços"));
    QCOMPARE(s->tshFormulario->Caption(), QString("Efetivos"));
    QCOMPARE(columnTitles(s->dbgPadrao), (QStringList{"Código", "Nome", "NF"}));
    QVERIFY(s->dbgPadrao->Column(0).ReadOnly());
    QVERIFY(s->dbgPadrao->Column(1).ReadOnly());
    QVERIFY(!s->dbgPadrao->Column(2).ReadOnly());
    QCOMPARE(s->dbgPadrao->Column(2).TitleAlignment(), taCenter);
    QCOMPARE(s->dbgPadrao->Column(2).Width(), 48);
    QCOMPARE(columnTitles(s->dbgEfetivos), (QStringList{"Data Faturamento", "Dia da Semana",
                                                        "Nº Comensais Faturadas", "Status"}));
    QVERIFY(s->dbgEfetivos->ReadOnly());
    QCOMPARE(columnTitles(s->dbgRateio), (QStringList{"Qtde. Rateada", "NF", "Observação"}));
    QCOMPARE(s->dbgRateio->Column(0).TitleAlignment(), taRightJustify);
    QCOMPARE(s->dbgRateio->Column(0).Width(), 94);
    QCOMPARE(s->dbgRateio->Column(1).TitleAlignment(), taCenter);
    QCOMPARE(s->dbgRateio->Column(1).Width(), 29);
    QCOMPARE(s->dbgRateio->Column(2).Width(), 608);
    QVERIFY(s->panEfetivos->isAncestorOf(s->dbgEfetivos));
    QVERIFY(s->panRateio->isAncestorOf(s->dbgRateio));
    QVERIFY(s->tshFormulario->isAncestorOf(s->panEfetivos));
    QCOMPARE(s->dbtNome->DataField(), QString("NMSERVICO"));
    QCOMPARE(s->dbtNome->DataSource(), &s->dtsPadrao);
    QCOMPARE(s->dtsPadrao.DataSet(), &s->cdsServEfet);
    QCOMPARE(s->dtsCliente.DataSet(), &s->cdsCliente);
    QCOMPARE(s->dtsEfetivos.DataSet(), &s->cdsEfetivos);
    QCOMPARE(s->dtsRateio.DataSet(), &s->cdsRateio);
    QCOMPARE(s->dtsFilial.DataSet(), &s->qryFilial.Query());
}

void TstMainScreenLayout::everyControlCanBeReadByAScreenReader() {
    ScreenFixture f;
    TfrmApurFatTR* s = f.open();
    const QList<QPair<QWidget*, QString>> expected{
        {s->medCdFilial, "Filial"},
        {s->medCdCliente, "Cliente"},
        {s->depDtInicial, "Período Faturamento"},
        {s->sbtApurar, "Apurar Faturamento"},
        {s->btpFilial, "Pesquisar"},
        {s->dbgPadrao, "Serviços"},
    };
    for (const auto& [w, name] : expected)
        QCOMPARE(w->accessibleName(), name);
    // Every component the screen places carries its name, and a name a reader can say.
    for (QWidget* w : s->findChildren<QWidget*>()) {
        const bool component = qobject_cast<TSpeedButton*>(w) || qobject_cast<TEdit*>(w) ||
                               qobject_cast<TDBGrid*>(w) || qobject_cast<TDateEditPlus*>(w) ||
                               qobject_cast<TPageControl*>(w);
        if (!component || qobject_cast<TDBNavigator*>(w->parentWidget()) ||
            qobject_cast<TDateEditPlus*>(w->parentWidget()))
            continue;
        QVERIFY2(!w->objectName().isEmpty(), w->metaObject()->className());
        QVERIFY2(!w->accessibleName().isEmpty() || qobject_cast<TPageControl*>(w),
                 qPrintable(w->objectName()));
    }
}

void TstMainScreenLayout::theStatusMarksAreTheTickAndTheCrossOnOlive() {
    ScreenFixture f;
    TfrmApurFatTR* s = f.open();
    QVERIFY(!s->imgOk->isVisible());
    QVERIFY(!s->imgErro->isVisible());
    const QImage ok = s->imgOk->pixmap().toImage();
    const QImage error = s->imgErro->pixmap().toImage();
    QCOMPARE(ok.size(), QSize(20, 20));
    QCOMPARE(error.size(), QSize(15, 16));
    const auto colours = [](const QImage& image) {
        QSet<QRgb> out;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                out.insert(image.pixel(x, y) & 0xFFFFFF);
        return out;
    };
    QCOMPARE(colours(ok), (QSet<QRgb>{0x808000, 0x0000FF}));
    QCOMPARE(colours(error), (QSet<QRgb>{0x808000, 0xFF0000}));
    QCOMPARE(ok.pixel(0, 0) & 0xFFFFFF, QRgb(0x808000));
}

void TstMainScreenLayout::theMessageTableHoldsEveryKeyAnyCase() {
    ScreenFixture f;
    TfrmApurFatTR* s = f.open();
    QCOMPARE(s->msgPadrao.Messages.size(), 14);
    QCOMPARE(
        s->msgPadrao.Msg("soma_dif"),
        QString(
            "A soma das quantidades rateadas deve ser igual ao nº de comensais faturadas do dia."));
    QCOMPARE(s->msgPadrao.Msg("PERIODO_BLOQ"),
             QString("Operação não permitida. Período de faturamento bloqueado."));
    QCOMPARE(s->msgPadrao.Msg("DtFinal_inv"),
             QString("Data Inicial deve ser menor ou igual a data final de apuração."));
    QCOMPARE(
        s->msgPadrao.Msg("Calc_Canc"),
        QString(
            "Existem rateios com quantidades diferentes do total de comensais faturados do dia."));
    QCOMPARE(s->msgPadrao.Msg("Cliente_Inf"), QString("Cliente deve ser informado."));
    QCOMPARE(s->msgPadrao.Msg("rateio_pend"),
             QString("As alterações do rateio não foram gravadas. Descartá-las e fechar?"));
    QCOMPARE(s->msgGeral.Msg("Canc"), QString("Deseja cancelar as alterações?"));
    QVERIFY(s->msgPadrao.Msg("Canc").isEmpty());
}

void TstMainScreenLayout::theDataSetsDeclareTheirFieldsInOrder() {
    ScreenFixture f;
    TfrmApurFatTR* s = f.open();
    compareFields(s->cdsCliente, {{"CDCLIENTE", ftString, 21, false},
                                  {"IDTPIJURCLIE", ftString, 1, false},
                                  {"NRINSJURCLIE", ftString, 20, true},
                                  {"NMRAZSOCCLIE", ftString, 50, true},
                                  {"NMFANTCLIE", ftString, 50, true}});
    compareFields(s->cdsServEfet, {{"CDSERVFILI", ftString, 5, true},
                                   {"CDFILIAL", ftString, 4, false},
                                   {"NMSERVICO", ftString, 40, true},
                                   {"NRAGRUEFET", ftString, 3, true},
                                   {"CDCLIENTE", ftString, 21, false}});
    compareFields(s->cdsEfetivos, {{"CDFILIAL", ftString, 4, false},
                                   {"CDSERVFILI", ftString, 5, false},
                                   {"CDCLIENTE", ftString, 21, false},
                                   {"DTEFETCDRS", ftDateTime, 0, true},
                                   {"NMSERVICO", ftString, 40, false},
                                   {"DIASEMANA", ftFixedChar, 15, true},
                                   {"NRAPURACFAT", ftString, 10, false},
                                   {"IDCHECK", ftFixedChar, 1, false},
                                   {"CDPRODUTO", ftString, 10, true},
                                   {"QTCOMECDRS", ftFloat, 0, true},
                                   {"QTPREVCDRS", ftFloat, 0, true},
                                   {"NRAGRUEFET", ftString, 3, true},
                                   {"VRPRECEFET", ftFloat, 0, true}});
    compareFields(s->cdsRateio, {{"CDFILIAL", ftString, 4, false},
                                 {"CDSERVFILI", ftString, 5, false},
                                 {"DTRATCDRS", ftDateTime, 0, true},
                                 {"CDCLIENTE", ftString, 21, false},
                                 {"NRSEQITRAT", ftString, 4, false},
                                 {"QTDERATEIO", ftFloat, 0, true},
                                 {"CDPRODUTO", ftString, 10, true},
                                 {"NRAGREFRAT", ftString, 3, true},
                                 {"DSOBSRATE", ftString, 100, true},
                                 {"VRPRECRATE", ftFloat, 0, true}});
    QCOMPARE(s->cdsRateio.FieldByName("QTDERATEIO").Origin(),
             QString("SUPORTE.EFETRATCDRS.QTDERATEIO"));
    QCOMPARE(s->cdsRateio.FieldByName("NRAGREFRAT").EditMask(), QString("999;0;"));
    QVERIFY(s->cdsRateio.FieldByName("NRSEQITRAT").Origin().isEmpty());
    QCOMPARE(s->cdsServEfet.FieldByName("NRAGRUEFET").EditMask(), QString("999;0"));
    QCOMPARE(s->cdsEfetivos.FieldByName("QTCOMECDRS").DisplayLabel(),
             QString("Nº de Comensais Faturados"));
    compareFields(s->cdsCdFilial, {{"CDFILIAL", ftString, 4, true}});
    compareFields(s->cdsNrPrx, {{"APUFAT", ftString, 10, true}});
    compareFields(s->cdsDtApuracao, {{"DTINIAPURAC", ftDateTime, 0, true},
                                     {"DTFIMAPURAC", ftDateTime, 0, true},
                                     {"IDBLOQUEADO", ftString, 1, true},
                                     {"NRAPURACFAT", ftString, 10, true},
                                     {"CDFILIAL", ftString, 4, true}});
    QCOMPARE(s->cdsApurCliente.FieldByName("DTINIAPURAC").Origin(),
             QString("CTRLAPURFAT.DTINIAPURAC"));
    compareFields(s->qryFilial.Query(),
                  {{"CDFILIAL", ftString, 4, true}, {"NMFILIAL", ftString, 30, true}});
    QVERIFY(s->qryFilial.Query().FieldByName("CDFILIAL").Required());
    QCOMPARE(s->qryFilial.SQL_ORACLE.at(6), QString("   (CDFILIAL = NVL(:P_CDFILIAL,CDFILIAL))"));
    QCOMPARE(s->qryFilial.SQL_MSSQL.last(), QString());
    QCOMPARE(s->qryFilial.SQL, s->qryFilial.SQL_IB);
}

void TstMainScreenLayout::serverPayloadsOfThatShapeLoad() {
    ScreenFixture f;
    TfrmApurFatTR* s = f.open();
    for (TClientDataSet* ds : {&s->cdsCliente, &s->cdsServEfet, &s->cdsEfetivos, &s->cdsRateio,
                               &s->cdsDtApuracao, &s->cdsApurCliente}) {
        ds->SetData(samplePacket(*ds));
        QCOMPARE(ds->RecordCount(), 1);
    }
    QCOMPARE(s->cdsEfetivos.FieldByName("QTCOMECDRS").DisplayText(), QString("1.234,500"));
    QCOMPARE(s->cdsEfetivos.FieldByName("DTEFETCDRS").DisplayText(), QString("02/11/2026"));
    QCOMPARE(s->dbgEfetivos->model()->rowCount(), 1);
}

QTEST_MAIN(TstMainScreenLayout)
#include "tst_main_screen_layout.moc"
