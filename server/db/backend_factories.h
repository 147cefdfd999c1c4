#pragma once

// The two back ends, for Backend::forAddress.

#include "framework/net/database_uri.h"
#include "server/db/backend.h"

namespace server {

std::unique_ptr<Backend> makeSqliteBackend(const QString& path);
std::unique_ptr<Backend> makePostgresBackend(const PostgresAddress& address);

} // namespace server
