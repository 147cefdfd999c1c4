// The report screen's commands: print preview, print, and the PDF and CSV exports.

#include "report/frm_rel_apuracao.h"

#include "contracts/host_framework.h"
#include "framework/ui/guard.h"
#include "report/report_csv.h"
#include "report/report_dialogs.h"
#include "report/report_pages.h"

#include <QDir>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

// Letters, digits, "-" and "_" only: a name any file system takes.
QString fileNamePart(const QString& text) {
    QString part;
    for (const QChar c : text)
        if (c.isLetterOrNumber() && c.unicode() < 128)
            part += c;
        else if (c == QLatin1Char('-') || c == QLatin1Char('_'))
            part += c;
    return part;
}

} // namespace

QString TfrmRelApuracao::NomeArquivo(const QString& suffix) const {
    const report::ReportHeader& h = m_report->header;
    const QString client = h.registration.isEmpty() ? h.client : h.registration;
    return QStringLiteral("Apuracao_%1_%2_%3.%4")
        .arg(fileNamePart(h.branch), fileNamePart(client), fileNamePart(h.number), suffix);
}

QString TfrmRelApuracao::PastaExportacao() const {
    if (!m_exportFolder.isEmpty() && QFileInfo(m_exportFolder).isDir())
        return m_exportFolder;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QDir::homePath() : documents;
}

void TfrmRelApuracao::sbtVisualizarClick() {
    if (!m_report)
        return;
    QPrinter printer(QPrinter::HighResolution);
    report::setUpReportPage(printer);
    QPrintPreviewDialog dialog(&printer, this);
    dialog.setObjectName(QStringLiteral("dlgVisualizar"));
    dialog.setWindowTitle(QStringLiteral("Visualizar impressão - %1").arg(Caption()));
    const report::CalculationReport shown = *m_report;
    connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
            guard([shown](QPrinter* target) { report::printReport(shown, *target); }));
    report::runDialog(dialog);
}

void TfrmRelApuracao::sbtImprimirClick() {
    if (!m_report)
        return;
    QPrinter printer(QPrinter::HighResolution);
    report::setUpReportPage(printer);
    QPrintDialog dialog(&printer, this);
    dialog.setObjectName(QStringLiteral("dlgImprimir"));
    dialog.setWindowTitle(QStringLiteral("Imprimir - %1").arg(Caption()));
    if (report::runDialog(dialog) != mrOk)
        return;
    report::printReport(*m_report, printer);
}

void TfrmRelApuracao::Exporta(const QString& suffix, const QString& caption, const QString& filter,
                              const std::function<void(const QString& path)>& write) {
    if (!m_report)
        return;
    const QString path = report::askSaveFile(
        this, caption, QDir(PastaExportacao()).filePath(NomeArquivo(suffix)), filter, suffix);
    if (path.isEmpty())
        return;
    m_exportFolder = QFileInfo(path).absolutePath();
    write(path);
    Ui().MessageDlg(msgPadrao.Msg(QStringLiteral("Gravado")).arg(QDir::toNativeSeparators(path)),
                    mtInformation, mbOK, 0);
}

void TfrmRelApuracao::sbtExportarPdfClick() {
    Exporta(QStringLiteral("pdf"), QStringLiteral("Exportar relatório para PDF"),
            QStringLiteral("Documentos PDF (*.pdf)"), [this](const QString& path) {
                QPrinter printer(QPrinter::HighResolution);
                printer.setOutputFormat(QPrinter::PdfFormat);
                printer.setOutputFileName(path);
                report::setUpReportPage(printer);
                report::printReport(*m_report, printer);
            });
}

void TfrmRelApuracao::sbtExportarCsvClick() {
    Exporta(QStringLiteral("csv"), QStringLiteral("Exportar relatório para CSV"),
            QStringLiteral("Planilhas CSV (*.csv)"), [this](const QString& path) {
                // Written aside and renamed when complete: a failed export never leaves half
                // a file under the name the clerk chose.
                QSaveFile file(path);
                if (!file.open(QIODevice::WriteOnly) ||
                    file.write(report::reportCsv(*m_report)) < 0 || !file.commit())
                    throw Exception(report::cannotWrite(path));
            });
}
