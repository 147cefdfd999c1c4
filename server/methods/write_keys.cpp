#include "server/methods/write_keys.h"

#include "framework/net/wire_codec.h"
#include "server/auth/caller.h"
#include "server/db/database.h"
#include "server/methods/method_table.h"
#include "server/methods/refusal.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>

namespace server {
namespace {

// At least a day, so that a clerk who confirms again the next morning is still answered
// with the first save; two, so that a day's retries are never near the edge.
constexpr qint64 kKeptSeconds = 2 * 24 * 60 * 60;

QString timestamp(const QDateTime& when) {
    return when.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ"));
}

QString outcomeOf(const MethodSpec& method, const QVariant& result, const QVariantList& args) {
    QJsonObject byRef;
    for (size_t i = 0; i < method.args.size(); ++i)
        if (method.args[i].byRef)
            byRef.insert(QString::number(i), wire::toJson(args.at(qsizetype(i))));
    return QString::fromUtf8(
        QJsonDocument(QJsonObject{{QStringLiteral("value"), wire::toJson(result)},
                                  {QStringLiteral("byref"), byRef}})
            .toJson(QJsonDocument::Compact));
}

QVariant replay(const QString& outcome, QVariantList& args) {
    const QJsonObject stored = QJsonDocument::fromJson(outcome.toUtf8()).object();
    const QJsonObject byRef = stored.value(QStringLiteral("byref")).toObject();
    for (auto it = byRef.constBegin(); it != byRef.constEnd(); ++it) {
        const qsizetype index = it.key().toInt();
        const QVariant value = wire::fromJson(it.value());
        QVariant typed;
        args[index] = wire::convertLike(args.at(index), value, typed) ? typed : value;
    }
    return wire::fromJson(stored.value(QStringLiteral("value")));
}

} // namespace

QVariant runOnce(Database& db, const WriteKey& key, const Caller& caller, const MethodSpec& method,
                 QVariantList& args, const std::function<QVariant()>& write) {
    // The transaction takes the write lock before the key is looked up, so that a repeat
    // arriving while the first run is under way waits for it and then finds its key.
    Transaction tx(db);
    {
        Rows seen = db.select(QStringLiteral("SELECT NMLOGIN, NMMETODO, DSRESUMO, DSRESULTADO "
                                             "FROM CHAVEGRAVACAO WHERE DSCHAVE = ?"),
                              {key.key});
        if (seen.next()) {
            if (seen.text(0) != caller.login() || seen.text(1) != QLatin1String(method.name) ||
                seen.text(2) != QString::fromLatin1(key.digest))
                throw Refusal(QStringLiteral("A chave desta gravação já foi usada em outra "
                                             "chamada; nada foi gravado."));
            return replay(seen.text(3), args);
        }
    }
    QVariant result = write();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    db.exec(QStringLiteral("INSERT INTO CHAVEGRAVACAO (DSCHAVE, NMLOGIN, NMMETODO, DSRESUMO, "
                           "DSRESULTADO, DTHRREGISTRO) VALUES (?, ?, ?, ?, ?, ?)"),
            {key.key, caller.login(), QString::fromLatin1(method.name),
             QString::fromLatin1(key.digest), outcomeOf(method, result, args), timestamp(now)});
    db.exec(QStringLiteral("DELETE FROM CHAVEGRAVACAO WHERE DTHRREGISTRO < ?"),
            {timestamp(now.addSecs(-kKeptSeconds))});
    tx.commit();
    return result;
}

} // namespace server
