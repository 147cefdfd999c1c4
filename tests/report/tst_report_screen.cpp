// The report screen on a scripted server: one screen at a time, the selection of branch,
// client and calculation, failures in words with no report left on show, and the commands,
// whose Qt dialogs go through the dialog seam like every other modal.

#include "report_payload.h"
#include "scripted_app_server.h"
#include "scripted_ui.h"

#include "contracts/rel_apuracao.h"
#include "framework/components/db_geral.h"
#include "framework/data/packet.h"
#include "framework/session.h"
#include "report/cli_rqx30700.h"
#include "report/frm_rel_apuracao.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QList<ItemRow> kItems{
    {"001", "00002", "Almoço", "ALMO", 20.0, 27.5, 550},
    {"", "00001", "Desjejum", "DESJ", 3.333, 31.5, 104.99},
};

QVariantMap clientPacket() {
    packet::Table t{{{"CDCLIENTE", ftString, 21, {}},
                     {"IDTPIJURCLIE", ftString, 1, {}},
                     {"NRINSJURCLIE", ftString, 20, {}},
                     {"NMRAZSOCCLIE", ftString, 50, {}},
                     {"NMFANTCLIE", ftString, 50, {}}},
                    {{"C1", "J", "11222333000181", "Beta Indústria", "Beta"}}};
    return packet::make(t);
}

QVariantMap calculationsPacket(int count) {
    packet::Table t{{{"DTINIAPURAC", ftDateTime, 0, {}},
                     {"DTFIMAPURAC", ftDateTime, 0, {}},
                     {"IDBLOQUEADO", ftString, 1, {}},
                     {"NRAPURACFAT", ftString, 10, {}},
                     {"CDFILIAL", ftString, 4, {}}},
                    {}};
    for (int i = 0; i < count; ++i)
        t.rows.append({dateTimeOf(QDate(2026, 1 + i, 1)), dateTimeOf(QDate(2026, 1 + i, 28)),
                       i == 0 ? "S" : "N", QStringLiteral("000000000%1").arg(i + 6), "0002"});
    return packet::make(t);
}

} // namespace

class TestReportScreen : public QObject {
    Q_OBJECT

    ScriptedUi* ui = nullptr;
    ScriptedAppServer* server = nullptr;
    QTemporaryDir* dir = nullptr;
    HostSession saved;

    TfrmRelApuracao* open() {
        IniProc();
        return frmRelApuracao;
    }

    // The client typed and confirmed, as the clerk does.
    void pickClient(TfrmRelApuracao* screen) {
        screen->medCdCliente->SetText("11222333000181");
        emit screen->medCdCliente->returnPressed();
    }

    // A test's answer to the save dialog: remembers the proposed name, saves to `path`.
    QString proposed;
    void saveAs(const QString& path) {
        ui->onModal = [this, path](QWidget* form) {
            auto* dialog = qobject_cast<QFileDialog*>(form);
            if (!dialog)
                return int(mrCancel);
            proposed = QFileInfo(dialog->selectedFiles().value(0)).fileName();
            dialog->selectFile(path);
            return int(mrOk);
        };
    }

private slots:
    void init() {
        saved = hostSession();
        dir = new QTemporaryDir;
        ui = new ScriptedUi;
        server = new ScriptedAppServer;
        QVERIFY(dtmDBGeral::Open("QSQLITE", dir->filePath("suite.db")));
        QSqlQuery q(dtmDBGeral::Database());
        QVERIFY(q.exec("CREATE TABLE FILIAL (CDFILIAL TEXT PRIMARY KEY, NMFILIAL TEXT)"));
        QVERIFY(q.exec("INSERT INTO FILIAL VALUES ('0001', 'Matriz'), ('0002', 'Campinas')"));
        HostSession& s = hostSession();
        s.filiProc = "0001";
        s.nomeFiliProc = "Matriz";
        s.filiProcFat = "0002";
        s.nomeFiliProcFat = "Campinas";
        s.moduFili = false;
        s.appServer = server;
        server->answer("GetCliente", clientPacket());
        server->answer("GetDtApuracao", calculationsPacket(2));
        server->answer("GetRelApuracao", reportPayload(kItems));
    }

    void cleanup() {
        if (frmRelApuracao) {
            frmRelApuracao->Close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        QVERIFY(!frmRelApuracao);
        delete server;
        delete ui;
        dtmDBGeral::Close();
        delete dir;
        hostSession() = saved;
    }

    void oneScreenAtATimeOnTheLoginsBillingBranch() {
        TfrmRelApuracao* screen = open();
        QVERIFY(screen);
        QCOMPARE(open(), screen);
        QVERIFY(boRelCriado);
        QCOMPARE(screen->Caption(), QStringLiteral("Relatório de Apuração"));
        QCOMPARE(screen->FormStyle(), fsMDIChild);
        QCOMPARE(screen->lblCodTela->text(), QStringLiteral("RQX30700"));
        QCOMPARE(screen->cbxFilial->count(), 2);
        QCOMPARE(screen->Filial(), QStringLiteral("0002"));
        QVERIFY(screen->cbxFilial->isEnabled());
        QVERIFY(screen->txtRelatorio->toPlainText().startsWith("Escolha a filial"));
        for (QWidget* command : {screen->sbtVisualizar, screen->sbtImprimir, screen->sbtExportarPdf,
                                 screen->sbtExportarCsv})
            QVERIFY(!command->isEnabled());

        screen->Close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!boRelCriado);
        QVERIFY(!frmRelApuracao);
        hostSession().moduFili = true;
        TfrmRelApuracao* again = open();
        QVERIFY(again);
        // A login bound to its branch reports on that branch only.
        QCOMPARE(again->cbxFilial->count(), 1);
        QVERIFY(!again->cbxFilial->isEnabled());
    }

    void theClientsLatestCalculationIsShownAndAnotherCanBePicked() {
        TfrmRelApuracao* screen = open();
        pickClient(screen);
        QCOMPARE(server->methods(), QStringList({"GetCliente", "GetDtApuracao", "GetRelApuracao"}));
        QCOMPARE(server->calls[0].args, QVariantList({"0002", "11222333000181"}));
        QCOMPARE(server->calls[1].args, QVariantList({"C1", "0002"}));
        QCOMPARE(server->calls[2].args, QVariantList({"0002", "0000000007"}));
        QCOMPARE(screen->edtNmCliente->text(), QStringLiteral("Beta Indústria"));
        QCOMPARE(screen->medCdCliente->text(), QStringLiteral("11.222.333/0001-81"));
        QCOMPARE(screen->cdsApuracao.FieldByName("IDBLOQUEADO").DisplayText(), "Aberta");
        QVERIFY(screen->Relatorio().has_value());
        const QString shown = screen->txtRelatorio->toPlainText();
        for (const char* text : {"Relatório de Apuração 0000000007", "0001 - Matriz São Paulo",
                                 "11.222.333/0001-81 - Beta Indústria", "Subtotal NF 001",
                                 "Subtotal Sem NF", "R$ 3,333", "R$ 654,99"})
            QVERIFY2(shown.contains(QString::fromUtf8(text)), text);
        QVERIFY(screen->sbtExportarPdf->isEnabled());

        // Confirming the same client again asks nothing; another row loads its report.
        emit screen->medCdCliente->returnPressed();
        QCOMPARE(server->calls.size(), 3);
        screen->cdsApuracao.First();
        QCOMPARE(screen->cdsApuracao.FieldByName("IDBLOQUEADO").DisplayText(), "Bloqueada");
        QCOMPARE(server->calls.last().args, QVariantList({"0002", "0000000006"}));
    }

    void whatCannotBeShownIsSaidInWords_data() {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("page");
        QTest::newRow("unknown client") << "client"
                                        << "Cliente não cadastrado."
                                        << "Escolha a filial";
        QTest::newRow("no calculation") << "none"
                                        << ""
                                        << "O cliente não tem apurações calculadas";
        QTest::newRow("server refuses") << "refused"
                                        << "A apuração 0000000007 da filial 0002 não tem "
                                           "itens calculados."
                                        << "Não foi possível obter o relatório da apuração "
                                           "0000000007.\n\nA apuração 0000000007";
        QTest::newRow("server unreadable") << "garbled"
                                           << "ilegível"
                                           << "ilegível";
    }

    void whatCannotBeShownIsSaidInWords() {
        QFETCH(QString, situation);
        QFETCH(QString, message);
        QFETCH(QString, page);
        TfrmRelApuracao* screen = open();
        pickClient(screen);
        QVERIFY(screen->Relatorio().has_value());
        ui->clear();
        if (situation == "client")
            server->answer("GetCliente", packet::make({packet::decode(clientPacket()).fields, {}}));
        else if (situation == "none")
            server->answer("GetDtApuracao", calculationsPacket(0));
        else if (situation == "refused")
            server->refuse("GetRelApuracao", "A apuração 0000000007 da filial 0002 não tem itens "
                                             "calculados.");
        else
            server->answer("GetRelApuracao", QStringLiteral("lixo"));
        screen->cbxFilial->setCurrentIndex(screen->cbxFilial->findData("0001"));
        screen->cbxFilial->setCurrentIndex(screen->cbxFilial->findData("0002"));
        pickClient(screen);

        QCOMPARE(ui->messages.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QVERIFY2(ui->lastText().contains(message), qPrintable(ui->lastText()));
        QVERIFY2(screen->txtRelatorio->toPlainText().contains(page),
                 qPrintable(screen->txtRelatorio->toPlainText()));
        QVERIFY(!screen->Relatorio().has_value());
        QVERIFY(!screen->sbtImprimir->isEnabled());
        QVERIFY(!screen->sbtExportarCsv->isEnabled());
    }

    void previewAndPrintGoThroughTheDialogSeam() {
        TfrmRelApuracao* screen = open();
        pickClient(screen);
        screen->sbtVisualizar->click();
        QCOMPARE(ui->modalForms, QStringList({"dlgVisualizar"}));

        // Cancelled: nothing printed. Confirmed: the printer gets every page.
        screen->sbtImprimir->click();
        const QString printed = dir->filePath("impresso.pdf");
        ui->onModal = [&](QWidget* form) {
            qobject_cast<QPrintDialog*>(form)->printer()->setOutputFileName(printed);
            return int(mrOk);
        };
        QVERIFY(!QFile::exists(printed));
        screen->sbtImprimir->click();
        QCOMPARE(ui->modalForms, QStringList({"dlgVisualizar", "dlgImprimir", "dlgImprimir"}));
        QFile pdf(printed);
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QVERIFY(pdf.read(5) == "%PDF-");
        QVERIFY(ui->messages.isEmpty());
    }

    void exportsProposeANameAndAskBeforeReplacing_data() {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QByteArray>("starts");
        QTest::newRow("pdf") << "pdf" << QByteArray("%PDF-");
        QTest::newRow("csv") << "csv" << QByteArray("\xEF\xBB\xBFRelatório de Apuração");
    }

    void exportsProposeANameAndAskBeforeReplacing() {
        QFETCH(QString, suffix);
        QFETCH(QByteArray, starts);
        TfrmRelApuracao* screen = open();
        pickClient(screen);
        TSpeedButton* command = suffix == "pdf" ? screen->sbtExportarPdf : screen->sbtExportarCsv;
        // Typed without the extension: it is added.
        const QString path = dir->filePath("relatorio." + suffix);
        saveAs(dir->filePath("relatorio"));
        command->click();
        QCOMPARE(proposed, "Apuracao_0001_11222333000181_0000000007." + suffix);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().startsWith(starts));
        file.close();
        QCOMPARE(ui->lastText(), "Relatório gravado em " + path + ".");

        // Replacing is asked; "No" leaves the file alone.
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("anterior");
        file.close();
        ui->clear();
        ui->answers = {mrNo};
        saveAs(path);
        command->click();
        QCOMPARE(ui->messages.size(), 1);
        QCOMPARE(ui->messages[0].type, mtConfirmation);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("anterior"));
        file.close();

        // The next export is proposed in the folder of the last one.
        ui->onModal = [&](QWidget* form) {
            proposed = qobject_cast<QFileDialog*>(form)->selectedFiles().value(0);
            return int(mrCancel);
        };
        command->click();
        QCOMPARE(QFileInfo(proposed).absolutePath(), QFileInfo(path).absolutePath());

        // A folder that cannot be written is an error in words.
        ui->clear();
        saveAs(dir->filePath("sem-pasta/relatorio." + suffix));
        command->click();
        QCOMPARE(ui->messages.size(), 1);
        QVERIFY2(ui->lastText().startsWith("Não foi possível gravar o arquivo"),
                 qPrintable(ui->lastText()));
    }

    void theFrameworkLoadsThePackageFromTheProgramFolder() {
        hostSession().programFolder = QCoreApplication::applicationDirPath();
        LoadBPL("Rqx30700");
        QVERIFY(frmRelApuracao);
        QVERIFY(frmRelApuracao->isVisible());
    }
};

QTEST_MAIN(TestReportScreen)
#include "tst_report_screen.moc"
