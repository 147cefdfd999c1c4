#pragma once

// The server's methods as callers see them: name, the type of each argument, which
// arguments are passed by reference, and whether the result travels in an envelope. The
// socket dispatcher and the in-process server both go through this one table, so an
// argument is checked the same way whichever road the call took.

#include <QString>
#include <QStringView>
#include <QVariant>
#include <QVariantList>

#include <vector>

namespace server {

class Database;

enum class ArgType {
    Text,    // QString
    Date,    // QDate (sent as a date-time, a date, or ISO text)
    Boolean, // bool
    Packet,  // QVariantMap, or null for a closed data set
};

struct ArgSpec {
    const char* name;
    ArgType type;
    bool byRef = false;
};

struct MethodSpec {
    const char* name;
    std::vector<ArgSpec> args;
    // False only for GetPrxRelApurFat, whose caller stores the plain result as it comes.
    bool envelope;
    // Runs the method on arguments already brought to their types; may replace by-ref
    // arguments. Refusals raise Exception (usually Refusal) with the clerk's message.
    QVariant (*run)(Database& db, QVariantList& args);
};

const MethodSpec* findMethod(QStringView name);

// A call whose arguments do not fit the method's signature.
class BadArguments : public std::exception {
public:
    explicit BadArguments(QString message) : m_message(std::move(message)) {}
    const QString& message() const noexcept { return m_message; }
    const char* what() const noexcept override { return "bad arguments"; }

private:
    QString m_message;
};

// Brings the arguments to the types of the signature in place; raises BadArguments with a
// message that names the argument.
void checkArguments(const MethodSpec& method, QVariantList& args);

// Runs the method. Envelope methods answer a refusal or a database failure with
// {ok: false, message}; the others let it run on to the caller.
QVariant invoke(const MethodSpec& method, Database& db, QVariantList& args);

} // namespace server
