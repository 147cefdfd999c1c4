#pragma once

namespace server {

class Database;

// Checks that the open file holds this system's schema, creating it in an empty file when
// `create` is true. Raises EDatabaseError when the file belongs to something else or to
// another version of the schema.
void prepareSchema(Database& db, bool create);

} // namespace server
