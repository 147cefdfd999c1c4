#include "framework/net/database_uri.h"

#include "contracts/host_framework.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QUrl>
#include <QUrlQuery>

#include <algorithm>

namespace {

// libpq's conninfo quoting: the value in single quotes, backslash and quote escaped.
QString quoted(const QString& value) {
    QString out = value;
    out.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    out.replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QLatin1Char('\'') + out + QLatin1Char('\'');
}

[[noreturn]] void refuse(const QString& text, const QString& why) {
    throw Exception(QStringLiteral("Endereço de banco PostgreSQL inválido: %1 (%2). Use "
                                   "postgresql://[usuario@]servidor[:porta]/banco.")
                        .arg(text, why));
}

} // namespace

bool isPostgresUri(const QString& text) {
    return text.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           text.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

PostgresAddress parsePostgresUri(const QString& text) {
    // What is shown in a refusal never carries the password. Tolerant: an operator may
    // write a space in an option where a URL wants %20.
    QUrl url(text, QUrl::TolerantMode);
    QString shown = QStringLiteral("(ilegível)");
    if (url.isValid()) {
        QUrl withoutPassword = url;
        QUrlQuery query(url);
        query.removeAllQueryItems(QStringLiteral("password"));
        withoutPassword.setQuery(query);
        shown = withoutPassword.toDisplayString(QUrl::RemovePassword);
    }
    if (!isPostgresUri(text) || !url.isValid())
        refuse(shown, QStringLiteral("não é um endereço postgresql://"));
    if (url.hasFragment())
        refuse(shown, QStringLiteral("traz um fragmento '#'"));
    PostgresAddress address;
    address.host = url.host(QUrl::FullyDecoded);
    address.port = qMax(0, url.port());
    address.user = url.userName(QUrl::FullyDecoded);
    address.password = url.password(QUrl::FullyDecoded);
    address.database = url.path(QUrl::FullyDecoded).mid(1);
    static const QRegularExpression keywordName(QStringLiteral("^[a-z_]+$"));
    for (const auto& [key, value] : QUrlQuery(url).queryItems(QUrl::FullyDecoded)) {
        if (!keywordName.match(key).hasMatch())
            refuse(shown, QStringLiteral("parâmetro '%1' desconhecido").arg(key));
        // QtSql separates the connect options with ';'.
        if (value.contains(QLatin1Char(';')))
            refuse(shown, QStringLiteral("o parâmetro '%1' contém ';'").arg(key));
        bool ok = true;
        if (key == QLatin1String("host"))
            address.host = value;
        else if (key == QLatin1String("port"))
            address.port = value.toInt(&ok);
        else if (key == QLatin1String("user"))
            address.user = value;
        else if (key == QLatin1String("password"))
            address.password = value;
        else if (key == QLatin1String("dbname"))
            address.database = value;
        else
            address.keywords.append({key, value});
        if (!ok || address.port < 0 || address.port > 65535)
            refuse(shown, QStringLiteral("porta inválida"));
    }
    if (address.database.isEmpty() || address.database.contains(QLatin1Char('/')))
        refuse(shown, QStringLiteral("falta o nome do banco"));
    return address;
}

QString PostgresAddress::display() const {
    // A host given as a socket folder is not a URL host: it goes in the query, as libpq
    // takes it.
    const bool socketFolder = host.startsWith(QLatin1Char('/'));
    QString out = QStringLiteral("postgresql://");
    if (!user.isEmpty())
        out += user + QLatin1Char('@');
    if (!socketFolder)
        out += host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    if (port > 0)
        out += QLatin1Char(':') + QString::number(port);
    out += QLatin1Char('/') + database;
    if (socketFolder)
        out += QStringLiteral("?host=") + host;
    return out;
}

QString PostgresAddress::keyword(const QString& name) const {
    for (const auto& [key, value] : keywords)
        if (key == name)
            return value;
    return {};
}

QString PostgresAddress::connectOptions(const QList<QPair<QString, QString>>& extra) const {
    QList<QPair<QString, QString>> merged = extra;
    for (const auto& [key, value] : keywords) {
        auto same = std::find_if(merged.begin(), merged.end(),
                                 [&](const auto& entry) { return entry.first == key; });
        if (same == merged.end())
            merged.append({key, value});
        // Server settings add up; the address's come last and win over the caller's.
        else if (key == QLatin1String("options"))
            same->second += QLatin1Char(' ') + value;
        else
            same->second = value;
    }
    QStringList out;
    for (const auto& [key, value] : merged)
        out << key + QLatin1Char('=') + quoted(value);
    return out.join(QLatin1Char(';'));
}

void PostgresAddress::applyTo(QSqlDatabase& db, const QList<QPair<QString, QString>>& extra) const {
    db.setHostName(host);
    if (port > 0)
        db.setPort(port);
    db.setUserName(user);
    db.setPassword(password);
    db.setDatabaseName(database);
    db.setConnectOptions(connectOptions(extra));
}
