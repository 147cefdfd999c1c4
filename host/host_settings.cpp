#include "host/host_settings.h"

#include "contracts/host_framework.h"
#include "framework/session.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>

namespace {

// One settings file being read: every failure names the file and the entry.
class SettingsReader {
public:
    explicit SettingsReader(const QString& file)
        : m_file(file), m_settings(file, QSettings::IniFormat),
          m_folder(QFileInfo(file).absoluteDir()) {
        if (m_settings.status() != QSettings::NoError)
            throw Exception(
                QStringLiteral("O arquivo de configuração %1 não pôde ser lido.").arg(file));
    }

    QString text(const QString& key, const QString& fallback) const {
        const QVariant raw = m_settings.value(key);
        // An unquoted comma makes QSettings split the value into a list; a branch name
        // such as "Restaurante Sabor, Centro" is still one text.
        const QString value = raw.typeId() == QMetaType::QStringList
                                  ? raw.toStringList().join(QStringLiteral(", ")).trimmed()
                                  : raw.toString().trimmed();
        return value.isEmpty() ? fallback : value;
    }

    QString path(const QString& key) const {
        const QString value = text(key, {});
        return value.isEmpty() ? QString() : QDir::cleanPath(m_folder.absoluteFilePath(value));
    }

    QString branchCode(const QString& key) const {
        const QString value = text(key, {}).toUpper();
        const bool valid =
            value.size() <= 4 &&
            std::all_of(value.begin(), value.end(), [](QChar c) { return c.isLetterOrNumber(); });
        if (!valid)
            fail(key, value, QStringLiteral("o código de filial tem até 4 letras ou dígitos"));
        return Ajusta(value, 4);
    }

    bool yesNo(const QString& key, bool fallback) const {
        const QString value = text(key, {});
        if (value.isEmpty())
            return fallback;
        static const QStringList yes{"true", "1", "sim", "s", "yes"};
        static const QStringList no{"false", "0", "não", "nao", "n", "no"};
        if (yes.contains(value, Qt::CaseInsensitive))
            return true;
        if (no.contains(value, Qt::CaseInsensitive))
            return false;
        fail(key, value, QStringLiteral("use true ou false"));
    }

    int port(const QString& key, int fallback) const {
        const QString value = text(key, {});
        if (value.isEmpty())
            return fallback;
        bool ok = false;
        const int port = value.toInt(&ok);
        if (!ok || port < 1 || port > 65535)
            fail(key, value, QStringLiteral("a porta é um número de 1 a 65535"));
        return port;
    }

private:
    [[noreturn]] void fail(const QString& key, const QString& value, const QString& rule) const {
        throw Exception(QStringLiteral("Configuração inválida em %1: %2 = \"%3\" (%4).")
                            .arg(m_file, key, value, rule));
    }

    QString m_file;
    QSettings m_settings;
    QDir m_folder;
};

} // namespace

QString defaultSettingsFile() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation))
        .filePath(QStringLiteral("apurfat-host.ini"));
}

QString defaultRegistryFile() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation))
        .filePath(QStringLiteral("HKEY_LOCAL_MACHINE.ini"));
}

HostSettings readHostSettings(const QString& file, bool mustExist) {
    HostSettings settings;
    settings.registryFile = defaultRegistryFile();
    if (!QFileInfo(file).isFile()) {
        if (mustExist)
            throw Exception(QStringLiteral("O arquivo de configuração %1 não existe.").arg(file));
        return settings;
    }

    const SettingsReader in(file);
    settings.filiProc = in.branchCode(QStringLiteral("Login/FiliProc"));
    settings.nomeFiliProc = in.text(QStringLiteral("Login/NomeFiliProc"), {});
    settings.filiProcFat = in.branchCode(QStringLiteral("Login/FiliProcFat"));
    settings.nomeFiliProcFat = in.text(QStringLiteral("Login/NomeFiliProcFat"), {});
    settings.moduFili = in.yesNo(QStringLiteral("Login/ModuFili"), settings.moduFili);
    settings.webUrl = in.text(QStringLiteral("Servidor/WebURL"), settings.webUrl);
    settings.webPort = in.port(QStringLiteral("Servidor/WebPort"), settings.webPort);
    settings.programFolder = in.path(QStringLiteral("Programa/PastaProgramas"));
    const QString registry = in.path(QStringLiteral("Programa/ArquivoRegistro"));
    if (!registry.isEmpty())
        settings.registryFile = registry;
    settings.databaseDriver = in.text(QStringLiteral("BancoDados/Driver"), settings.databaseDriver);
    // A file database is a path; a server database's name is passed on as written.
    settings.databaseName = settings.databaseDriver == QLatin1String("QSQLITE")
                                ? in.path(QStringLiteral("BancoDados/Nome"))
                                : in.text(QStringLiteral("BancoDados/Nome"), {});
    return settings;
}

void applyToSession(const HostSettings& settings, HostSession& session) {
    session.filiProc = settings.filiProc;
    session.nomeFiliProc = settings.nomeFiliProc;
    session.filiProcFat = settings.filiProcFat;
    session.nomeFiliProcFat = settings.nomeFiliProcFat;
    session.moduFili = settings.moduFili;
    session.webUrl = settings.webUrl;
    session.webPort = settings.webPort;
    session.programFolder = settings.programFolder;
    session.registryFile = settings.registryFile;
}
