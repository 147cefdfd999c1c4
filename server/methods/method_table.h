#pragma once

// The server's methods as callers see them: name, the type of each argument, which
// arguments are passed by reference, which name a branch, whether the result travels in an
// envelope, and what a write may change. The socket dispatcher and the in-process server
// both go through this one table, so an argument is checked, a branch right enforced and a
// write audited the same way whichever road the call took.

#include "server/audit/audit_trail.h"

#include <QString>
#include <QStringView>
#include <QVariant>
#include <QVariantList>

#include <vector>

namespace server {

class Caller;
class Database;
struct WriteKey;

enum class ArgType {
    Text,    // QString
    Date,    // QDate (sent as a date-time, a date, or ISO text)
    Boolean, // bool
    Packet,  // QVariantMap, or null for a closed data set
};

// Whether and how an argument names a branch, which the caller must have the right to
// work on before the method reads or writes anything.
enum class Names {
    Nothing,
    Branch,             // a branch code (text)
    BranchOfEachRow,    // a data packet whose rows each carry CDFILIAL
    BranchOfEachChange, // a change packet whose old and new rows each carry CDFILIAL
    // A data packet of branches whose work is released: rows of branches the caller may not
    // work on are left out instead of refused, so that a screen can always close (it lists
    // every branch typed into it, also one the server then refused).
    ReleasedBranchOfEachRow,
};

struct ArgSpec {
    const char* name;
    ArgType type;
    bool byRef = false;
    Names names = Names::Nothing;
    // For a packet: the one column whose text is free text, where tabs and line breaks are
    // text too. Nowhere else are they accepted.
    const char* freeTextColumn = nullptr;
};

struct MethodSpec {
    const char* name;
    std::vector<ArgSpec> args;
    // False only for GetPrxRelApurFat, whose caller stores the plain result as it comes.
    bool envelope;
    // Runs the method for the caller on arguments already brought to their types; may
    // replace by-ref arguments. Refusals raise Exception (usually Refusal) with the clerk's
    // message.
    QVariant (*run)(Database& db, QVariantList& args, const Caller& caller);
    // Set for the methods that change billing data: the rows the call may change, for the
    // audit record written in the same transaction.
    AuditScope (*audit)(Database& db, const QVariantList& args) = nullptr;
    // Set for the writes a repeat must not run again (write_keys.h). The others either
    // only read or put their work table in the same state however often they run.
    bool once = false;
};

const MethodSpec* findMethod(QStringView name);
// Every method, in table order.
const std::vector<MethodSpec>& methods();

// A call whose arguments do not fit the method's signature.
class BadArguments : public std::exception {
public:
    explicit BadArguments(QString message) : m_message(std::move(message)) {}
    const QString& message() const noexcept { return m_message; }
    const char* what() const noexcept override { return "bad arguments"; }

private:
    QString m_message;
};

// Brings the arguments to the types of the signature in place and refuses text that is not
// text (clean_text.h); raises BadArguments with a message that names the argument.
void checkArguments(const MethodSpec& method, QVariantList& args);

// Refuses, with "Acesso negado à filial XXXX.", a call that names a branch the caller may
// not work on. Reads nothing from the database.
void authorize(const MethodSpec& method, QVariantList& args, const Caller& caller);

// Runs the method for the caller: the branch rights first, then the method, audited when
// it writes, and once for its key when it is a write that must run once and the call
// carries a key. Envelope methods answer a refusal or a database failure with
// {ok: false, message}; the others let it run on to the caller.
QVariant invoke(const MethodSpec& method, Database& db, QVariantList& args, const Caller& caller,
                const WriteKey* key = nullptr);

} // namespace server
