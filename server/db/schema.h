#pragma once

namespace server {

class Database;

// The version of the schema this server works with.
int currentSchemaVersion();

// Checks that the open database holds this system's schema, creating it in an empty one
// when `create` is true and bringing one of an older version up to `version`, in one
// transaction that no other server runs at the same time. Raises EDatabaseError when the
// database belongs to something else or to a newer version. Returns the version the
// database held before, 0 when it was empty.
int prepareSchema(Database& db, bool create, int version);

} // namespace server
