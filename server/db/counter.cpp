#include "server/db/counter.h"

#include "server/db/database.h"

namespace server {

int nextNumber(Database& db, const QString& branch, const QString& series, int largest) {
    return db
        .scalar(QStringLiteral("INSERT INTO NUMERADOR (CDFILIAL, NMSERIE, NRULTIMO) "
                               "VALUES (?, ?, 1) ON CONFLICT (CDFILIAL, NMSERIE) "
                               "DO UPDATE SET NRULTIMO = NUMERADOR.NRULTIMO % ? + 1 "
                               "RETURNING NRULTIMO"),
                {branch, series, largest})
        .toInt();
}

} // namespace server
