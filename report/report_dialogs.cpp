#include "report/report_dialogs.h"

#include "contracts/host_framework.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace report {

int runDialog(QDialog& dialog) {
    // The seam reads a form's modal result from its "modalResult" property.
    dialog.setProperty("modalResult", int(mrNone));
    const QMetaObject::Connection finished =
        QObject::connect(&dialog, &QDialog::finished, &dialog, [&dialog](int result) {
            dialog.setProperty("modalResult", int(result == QDialog::Accepted ? mrOk : mrCancel));
        });
    const int result = Ui().RunModal(&dialog);
    QObject::disconnect(finished);
    return result;
}

QString askSaveFile(QWidget* parent, const QString& caption, const QString& proposedPath,
                    const QString& filter, const QString& suffix) {
    QFileDialog dialog(parent, caption, proposedPath, filter);
    dialog.setObjectName(QStringLiteral("dlgSalvarArquivo"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(suffix);
    // Replacing a file is asked through the seam below, like every other question.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.selectFile(proposedPath);
    if (runDialog(dialog) != mrOk)
        return {};
    QString path = dialog.selectedFiles().value(0);
    if (path.isEmpty())
        return {};
    if (QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + suffix;
    if (QFileInfo::exists(path) &&
        Ui().MessageDlg(QStringLiteral("O arquivo %1 já existe. Deseja substituí-lo?")
                            .arg(QDir::toNativeSeparators(path)),
                        mtConfirmation, mbYes | mbNo, 0) != mrYes)
        return {};
    return path;
}

} // namespace report
