#include "server/db/backend.h"

#include "server/db/backend_factories.h"

#include <QRegularExpression>

namespace server {

std::unique_ptr<Backend> Backend::forAddress(const QString& address) {
    if (isPostgresUri(address))
        return makePostgresBackend(parsePostgresUri(address));
    return makeSqliteBackend(address);
}

QStringList Backend::render(const QString& statement) const {
    if (statement.startsWith(QLatin1String("$APPEND_ONLY ")))
        return appendOnly(statement.section(QLatin1Char(' '), 1).trimmed());
    if (statement == QLatin1String("$SUITE_FUNCTIONS"))
        return suiteFunctions();
    if (statement == QLatin1String("$WORK_NUMBERS"))
        return workNumbers();
    const ColumnForms forms = columnForms();
    auto perColumn = [](const QString& form) {
        return QString(form).replace(QLatin1String("%1"), QLatin1String("\\1"));
    };
    static const QRegularExpression date(QStringLiteral("\\$DATE\\((\\w+)\\)"));
    static const QRegularExpression digits(QStringLiteral("\\$DIGITS\\((\\w+)\\)"));
    QString out = statement;
    out.replace(date, perColumn(forms.date));
    out.replace(digits, perColumn(forms.digits));
    out.replace(QLatin1String("$REAL"), forms.real);
    out.replace(QLatin1String("$MOMENT"), forms.moment);
    out.replace(QLatin1String("$SERIAL"), forms.serial);
    return {out};
}

} // namespace server
