#pragma once

// Writes that happen once. A client that lost the answer to a write cannot tell whether it
// ran, so it sends the same call again with the same key; the server keeps each key with
// the outcome of its write, in the write's own transaction, and answers a repeat with that
// outcome instead of running the write a second time. A write that failed keeps no key:
// nothing of it was stored, and running it again is what the repeat asks for.

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <functional>

namespace server {

class Caller;
class Database;
struct MethodSpec;

struct WriteKey {
    QString key;       // as the client made it (write_key.h)
    QByteArray digest; // of the call as it came: a key belongs to one call
};

// Runs `write` in one transaction with the record of its key, or, when the key was used
// before for this same call by this same login, returns the first outcome and puts its
// by-reference arguments back into `args`. A key used for another call or by another login
// is refused. Keys older than two days are removed as new ones come.
QVariant runOnce(Database& db, const WriteKey& key, const Caller& caller, const MethodSpec& method,
                 QVariantList& args, const std::function<QVariant()>& write);

} // namespace server
