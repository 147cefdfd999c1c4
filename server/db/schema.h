#pragma once

namespace server {

class Database;

// Checks that the open file holds this system's schema, creating it in an empty file when
// `create` is true and bringing a file of an older version up to this one. Raises
// EDatabaseError when the file belongs to something else or to a newer version.
void prepareSchema(Database& db, bool create);

} // namespace server
