#include "server/db/backend.h"

#include "server/db/backend_factories.h"

namespace server {

std::unique_ptr<Backend> Backend::forAddress(const QString& address) {
    if (isPostgresUri(address))
        return makePostgresBackend(parsePostgresUri(address));
    return makeSqliteBackend(address);
}

} // namespace server
