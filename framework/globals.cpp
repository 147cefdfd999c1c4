// The framework's global functions that need no widget of their own.

#include "contracts/host_framework.h"
#include "framework/data/field_type.h"
#include "framework/data/rounding.h"
#include "framework/session.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLibrary>
#include <QWidget>

HostSession& hostSession() {
    static HostSession session;
    return session;
}

QVariant CheckResultServ(const QVariant& result, bool showError, int helpContext) {
    if (result.typeId() != QMetaType::QVariantMap ||
        !result.toMap().contains(QStringLiteral("ok"))) {
        const QString text = QStringLiteral("Resposta inválida do servidor de aplicação.");
        if (showError) {
            Ui().MessageDlg(text, mtError, mbOK, helpContext);
            throw EAlreadyShown(text);
        }
        throw Exception(text);
    }
    const QVariantMap envelope = result.toMap();
    if (envelope.value(QStringLiteral("ok")).toBool())
        return envelope.value(QStringLiteral("payload"));
    QString text = envelope.value(QStringLiteral("message")).toString();
    if (text.trimmed().isEmpty())
        text = QStringLiteral("O servidor de aplicação recusou a operação.");
    if (showError) {
        Ui().MessageDlg(text, mtError, mbOK, helpContext);
        throw EAlreadyShown(text);
    }
    throw Exception(text);
}

void MensErro(const QString& text, bool raise) {
    Ui().MessageDlg(text, mtError, mbOK, 0);
    if (raise)
        throw EAlreadyShown(text);
}

bool EmptyString(const QString& text) {
    for (const QChar c : text)
        if (c.isLetterOrNumber())
            return false;
    return true;
}

QString Ajusta(const QString& text, int width) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return {};
    return t.size() >= width ? t : QString(width - t.size(), QLatin1Char('0')) + t;
}

void Ajusta_Inscricao(QString& text) {
    QString digits;
    for (const QChar c : text)
        if (c.isDigit())
            digits += c;
    text = digits;
}

QString PictPess(const QString& personType) {
    const QString t = personType.trimmed().toUpper();
    if (t == QLatin1String("J"))
        return QStringLiteral("00.000.000/0000-00;0;_");
    if (t == QLatin1String("F"))
        return QStringLiteral("000.000.000-00;0;_");
    return {};
}

void SetChildEnabled(QWidget* container, bool enabled) {
    if (!container)
        return;
    for (QWidget* child : container->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        child->setEnabled(enabled);
}

QString NomeSemana(const QDateTime& date) {
    static const char* const names[] = {"Segunda-feira", "Terça-feira", "Quarta-feira",
                                        "Quinta-feira",  "Sexta-feira", "Sábado",
                                        "Domingo"};
    if (!date.isValid())
        return {};
    return QString::fromUtf8(names[date.date().dayOfWeek() - 1]);
}

double RoundDec(double value, int decimals) {
    return roundDecimals(value, decimals);
}

bool ModuFili() {
    return hostSession().moduFili;
}
QString FiliProc() {
    return hostSession().filiProc;
}
QString NomeFiliProc() {
    return hostSession().nomeFiliProc;
}
QString FiliProcFat() {
    return hostSession().filiProcFat;
}
QString NomeFiliProcFat() {
    return hostSession().nomeFiliProcFat;
}
QString WebURL() {
    return hostSession().webUrl;
}
int WebPort() {
    return hostSession().webPort;
}

QDateTime DataProc(const QString& branchCode) {
    if (hostSession().dataProc) {
        const QDateTime d = hostSession().dataProc(branchCode);
        if (d.isValid())
            return dateTimeOf(d.date());
    }
    return dateTimeOf(QDate::currentDate());
}

void LoadBPL(const QString& moduleCode) {
    const QString folder = hostSession().programFolder.isEmpty()
                               ? QCoreApplication::applicationDirPath()
                               : hostSession().programFolder;
    const QString path = QDir(folder).filePath(QStringLiteral("Pkg_%1.bpl").arg(moduleCode));
    if (!QFileInfo::exists(path))
        throw Exception(QStringLiteral("Módulo %1 não encontrado (%2).").arg(moduleCode, path));
    // The suite keeps a loaded package for the rest of the session; loading runs the
    // package's initialization once, and its finalization runs when the host quits.
    using EntryPoint = void (*)();
    static QHash<QString, QLibrary*> loaded;
    QLibrary*& library = loaded[path];
    if (!library) {
        auto* fresh = new QLibrary(path, QCoreApplication::instance());
        if (!fresh->load()) {
            const QString reason = fresh->errorString();
            delete fresh;
            loaded.remove(path);
            throw Exception(QStringLiteral("Não foi possível carregar o módulo %1: %2")
                                .arg(moduleCode, reason));
        }
        library = fresh;
        if (auto initialize = reinterpret_cast<EntryPoint>(library->resolve("Initialize")))
            initialize();
        if (auto finalize = reinterpret_cast<EntryPoint>(library->resolve("Finalize")))
            QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, library,
                             [finalize] { finalize(); });
    }
    auto entry = reinterpret_cast<EntryPoint>(library->resolve("IniProc"));
    if (!entry)
        throw Exception(QStringLiteral("Não foi possível iniciar o módulo %1: %2 não tem a "
                                       "entrada IniProc.")
                            .arg(moduleCode, path));
    entry();
}

void ActiveShowAvi(QWidget* form, int kind) {
    Ui().ShowBusy(form, kind);
}

void DeactiveShowAvi() {
    Ui().HideBusy();
}
