#include "host/host_settings.h"

#include "contracts/host_framework.h"
#include "framework/net/database_uri.h"
#include "framework/net/transport.h"
#include "framework/session.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

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

    bool has(const QString& key) const { return m_settings.contains(key); }

    // As written, spaces included. Write a value with commas in quotes: QSettings splits
    // an unquoted one.
    QString raw(const QString& key) const {
        const QVariant value = m_settings.value(key);
        return value.typeId() == QMetaType::QStringList
                   ? value.toStringList().join(QLatin1Char(','))
                   : value.toString();
    }

    QString path(const QString& key) const {
        const QString value = text(key, {});
        return value.isEmpty() ? QString() : QDir::cleanPath(m_folder.absoluteFilePath(value));
    }

    QString fingerprint(const QString& key) const {
        const QString value = text(key, {});
        if (value.isEmpty())
            return {};
        const QString normalized = normalizedFingerprint(value);
        if (normalized.isEmpty())
            fail(key, value, QStringLiteral("64 dígitos hexadecimais do SHA-256 do certificado"));
        return normalized;
    }

    // A whole number from `lowest` to `highest`; `rule` says so to the reader.
    int number(const QString& key, int fallback, int lowest, int highest,
               const QString& rule) const {
        const QString value = text(key, {});
        if (value.isEmpty())
            return fallback;
        bool ok = false;
        const int number = value.toInt(&ok);
        if (!ok || number < lowest || number > highest)
            fail(key, value, rule);
        return number;
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

bool readableByOthers(const QString& file) {
    return QFileInfo(file).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther);
}

// The user's own file when there is one, else the machine's (an administrator's, or the
// one the package installs under /etc/xdg), else the user's path, which need not exist.
QString configFile(const QString& name) {
    const QString found = QStandardPaths::locate(QStandardPaths::AppConfigLocation, name);
    if (!found.isEmpty())
        return found;
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)).filePath(name);
}

} // namespace

QString defaultSettingsFile() {
    return configFile(QStringLiteral("apurfat-host.ini"));
}

QString defaultRegistryFile() {
    return configFile(QStringLiteral("HKEY_LOCAL_MACHINE.ini"));
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
    settings.login = in.text(QStringLiteral("Login/Usuario"), {});
    // Taken as written: spaces may be part of a password.
    settings.password = in.raw(QStringLiteral("Login/Senha"));
    for (const char* stale :
         {"FiliProc", "NomeFiliProc", "FiliProcFat", "NomeFiliProcFat", "ModuFili"})
        if (in.has(QStringLiteral("Login/") + QLatin1String(stale)))
            qWarning("%s: [Login] %s is ignored: the login's branches come from the server",
                     qPrintable(file), stale);
    settings.webUrl = in.text(QStringLiteral("Servidor/WebURL"), settings.webUrl);
    settings.webPort = in.number(QStringLiteral("Servidor/WebPort"), settings.webPort, 1, 65535,
                                 QStringLiteral("a porta é um número de 1 a 65535"));
    settings.replyTimeoutMs =
        1000 * in.number(QStringLiteral("Servidor/TempoResposta"), settings.replyTimeoutMs / 1000,
                         1, 3600, QStringLiteral("o tempo de resposta é de 1 a 3600 segundos"));
    settings.tlsCaFile = in.path(QStringLiteral("Servidor/CertificadoCA"));
    settings.tlsFingerprint = in.fingerprint(QStringLiteral("Servidor/ImpressaoDigital"));
    settings.programFolder = in.path(QStringLiteral("Programa/PastaProgramas"));
    const QString registry = in.path(QStringLiteral("Programa/ArquivoRegistro"));
    if (!registry.isEmpty())
        settings.registryFile = registry;
    settings.databaseDriver = in.text(QStringLiteral("BancoDados/Driver"), settings.databaseDriver);
    // A file database is a path; a server database's name is passed on as written.
    settings.databaseName = settings.databaseDriver == QLatin1String("QSQLITE")
                                ? in.path(QStringLiteral("BancoDados/Nome"))
                                : in.text(QStringLiteral("BancoDados/Nome"), {});
    const bool holdsPassword = !settings.password.isEmpty() ||
                               (isPostgresUri(settings.databaseName) &&
                                !parsePostgresUri(settings.databaseName).password.isEmpty());
    if (holdsPassword && readableByOthers(file))
        throw Exception(QStringLiteral("O arquivo de configuração %1 guarda uma senha e pode ser "
                                       "lido por outros usuários; restrinja-o ao dono "
                                       "(chmod 600 %1).")
                            .arg(file));
    return settings;
}

void applyToSession(const HostSettings& settings, HostSession& session) {
    session.login = settings.login;
    session.password = settings.password;
    session.webUrl = settings.webUrl;
    session.webPort = settings.webPort;
    session.tlsCaFile = settings.tlsCaFile;
    session.tlsFingerprint = settings.tlsFingerprint;
    session.replyTimeoutMs = settings.replyTimeoutMs;
    session.programFolder = settings.programFolder;
    session.registryFile = settings.registryFile;
}
