#pragma once

// What each write may change, for its audit record: the rows read before and after it.
// Built from the call's arguments, already checked against the method's signature.

#include "server/audit/audit_trail.h"

namespace server {

class Database;

AuditScope setRateioScope(Database& db, const QVariantList& args);
AuditScope setEfetivosScope(Database& db, const QVariantList& args);
AuditScope confirmaCalculoScope(Database& db, const QVariantList& args);
// The lock and unlock commands.
AuditScope calculationLockScope(const QString& branch, const QString& number);

} // namespace server
