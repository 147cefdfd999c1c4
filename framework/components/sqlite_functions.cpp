#include "framework/components/sqlite_functions.h"

#include "contracts/host_framework.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

#include <mutex>
#include <unordered_set>

namespace {

// The native connections that have the functions. SQLite tells us when one closes (the
// function's destructor runs), so a new connection at a recycled address is not mistaken
// for one that was already set up.
struct Registered {
    std::mutex mutex;
    std::unordered_set<sqlite3*> handles;
};

Registered& registered() {
    // Never destroyed: connections may close during static destruction.
    static auto* instance = new Registered;
    return *instance;
}

void forget(void* handle) {
    Registered& r = registered();
    const std::lock_guard lock(r.mutex);
    r.handles.erase(static_cast<sqlite3*>(handle));
}

void nvl(sqlite3_context* context, int /*argc*/, sqlite3_value** argv) {
    sqlite3_result_value(context, sqlite3_value_type(argv[0]) == SQLITE_NULL ? argv[1] : argv[0]);
}

} // namespace

void ensureSqliteFunctions(const QSqlDatabase& db) {
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    sqlite3* native = nullptr;
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
        native = *static_cast<sqlite3* const*>(handle.constData());
    if (!native)
        throw EDatabaseError(
            QStringLiteral("A conexão com o banco de dados SQLite não está aberta."));

    Registered& r = registered();
    {
        const std::lock_guard lock(r.mutex);
        if (r.handles.count(native))
            return;
    }
    // Not under the lock: a failing registration runs the destructor (forget) at once.
    const int rc = sqlite3_create_function_v2(native, "NVL", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                              native, nvl, nullptr, nullptr, forget);
    if (rc != SQLITE_OK)
        throw EDatabaseError(QStringLiteral("Não foi possível registrar a função NVL no banco "
                                            "de dados: %1")
                                 .arg(QString::fromUtf8(sqlite3_errmsg(native))));
    const std::lock_guard lock(r.mutex);
    r.handles.insert(native);
}
