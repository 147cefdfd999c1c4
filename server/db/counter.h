#pragma once

#include <QString>

namespace server {

class Database;

// The branch's next number of a series kept in the NUMERADOR table (1..largest, then 1
// again). Call inside a write transaction: one statement takes the number and holds the
// branch's counter until the transaction ends, so no two transactions get the same one.
int nextNumber(Database& db, const QString& branch, const QString& series, int largest);

} // namespace server
