#include "server/methods/method_table.h"

#include "contracts/host_framework.h"
#include "framework/data/packet.h"
#include "framework/data/text_format.h"
#include "server/auth/caller.h"
#include "server/db/database.h"
#include "server/methods/clean_text.h"
#include "server/methods/methods.h"
#include "server/methods/refusal.h"
#include "server/methods/write_keys.h"
#include "server/methods/write_scopes.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcMethods, "apurfat.server.methods", QtInfoMsg)

namespace server {
namespace {

using enum ArgType;
constexpr bool kByValue = false;
constexpr auto kBranch = Names::Branch;
constexpr bool kOnce = true;

// A method whose work does not depend on who calls it (the branch rights were checked
// before it runs).
template <QVariant (*method)(Database&, QVariantList&)>
QVariant forAnyCaller(Database& db, QVariantList& args, const Caller&) {
    return method(db, args);
}

const std::vector<MethodSpec>& table() {
    static const std::vector<MethodSpec> methods{
        {"GetCliente",
         {{"CdFilial", Text, kByValue, kBranch}, {"Inscricao", Text}},
         true,
         forAnyCaller<getCliente>},
        {"GetPrxRelApurFat",
         {{"CdFilial", Text, kByValue, kBranch}},
         false,
         getPrxRelApurFat,
         nullptr,
         kOnce},
        {"GetFiltro",
         {{"CdFilial", Text, kByValue, kBranch},
          {"DtIni", Date},
          {"DtFim", Date},
          {"NrPrx", Text},
          {"CdCliente", Text}},
         true,
         getFiltro},
        {"DelTableRelApur",
         {{"Filiais", Packet, kByValue, Names::ReleasedBranchOfEachRow}, {"NrPrx", Text}},
         true,
         delTableRelApur},
        {"GetEfetivos",
         {{"CdCliente", Text},
          {"CdFilial", Text, kByValue, kBranch},
          {"DtIni", Date},
          {"DtFim", Date},
          {"CdServFili", Text}},
         true,
         forAnyCaller<getEfetivos>},
        {"GetRateio",
         {{"CdCliente", Text},
          {"CdFilial", Text, kByValue, kBranch},
          {"DtEfet", Date},
          {"CdServFili", Text}},
         true,
         forAnyCaller<getRateio>},
        {"SetRateio",
         {{"Delta", Packet, kByValue, Names::BranchOfEachChange, "DSOBSRATE"}},
         true,
         forAnyCaller<setRateio>,
         setRateioScope,
         kOnce},
        {"SetEfetivos",
         {{"CdCliente", Text},
          {"CdFilial", Text, kByValue, kBranch},
          {"DtIni", Date},
          {"DtFim", Date},
          {"CdServFili", Text},
          {"NrAgruEfet", Text}},
         true,
         forAnyCaller<setEfetivos>,
         setEfetivosScope,
         kOnce},
        {"VerificaBloqueio",
         {{"CdCliente", Text},
          {"CdFilial", Text, kByValue, kBranch},
          {"DataProc", Date, true},
          {"DtIni", Date},
          {"DtFim", Date},
          {"PeriodoTodo", Boolean},
          {"CdServFili", Text}},
         true,
         forAnyCaller<verificaBloqueio>},
        {"SomaApurac",
         {{"Servicos", Packet, kByValue, Names::BranchOfEachRow}, {"DtIni", Date}, {"DtFim", Date}},
         true,
         forAnyCaller<somaApurac>},
        {"GetDtApuracao",
         {{"CdCliente", Text}, {"CdFilial", Text, kByValue, kBranch}},
         true,
         forAnyCaller<getDtApuracao>},
        {"Confirma_Calculo",
         {{"FiliProc", Text, kByValue, kBranch},
          {"CdCliente", Text},
          {"DtIni", Date},
          {"DtFim", Date},
          {"NrApuracao", Text, true},
          {"CdFilial", Text, kByValue, kBranch}},
         true,
         forAnyCaller<confirmaCalculo>,
         confirmaCalculoScope,
         kOnce},
        {"GetRelApuracao",
         {{"CdFilial", Text, kByValue, kBranch}, {"NrApuracao", Text}},
         true,
         forAnyCaller<getRelApuracao>},
    };
    return methods;
}

const char* typeName(ArgType type) {
    switch (type) {
    case Text:
        return "um texto";
    case Date:
        return "uma data";
    case Boolean:
        return "um valor lógico";
    case Packet:
        return "um pacote de dados";
    }
    return "";
}

// The date of a date argument; invalid when the value is not a date.
QDate dateOf(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::QDateTime:
        return value.toDateTime().date();
    case QMetaType::QDate:
        return value.toDate();
    case QMetaType::QString:
        return textformat::parseIsoDateTime(value.toString()).date();
    default:
        return {};
    }
}

bool convert(ArgType type, QVariant& value) {
    switch (type) {
    case Text:
        return value.typeId() == QMetaType::QString;
    case Date: {
        const QDate date = dateOf(value);
        value = date;
        return date.isValid();
    }
    case Boolean:
        return value.typeId() == QMetaType::Bool;
    case Packet:
        return value.isNull() || value.typeId() == QMetaType::QVariantMap;
    }
    return false;
}

// Every branch a packet argument names; a packet that has rows but no branch column names
// a branch no one may be checked against, and is refused.
QStringList branchesIn(const QVariant& value, Names names) {
    QStringList out;
    if (value.isNull())
        return out;
    const QString column = QStringLiteral("CDFILIAL");
    auto missing = [] { return Refusal(QStringLiteral("O pacote não traz o campo CDFILIAL.")); };
    if (names == Names::BranchOfEachRow) {
        const packet::Table table = packet::decode(value);
        const int at = packet::indexOf(table.fields, column);
        if (at < 0 && !table.rows.isEmpty())
            throw missing();
        for (const QVariantList& row : table.rows)
            out << row.at(at).toString();
        return out;
    }
    const packet::ChangeSet delta = packet::decodeDelta(value);
    const int at = packet::indexOf(delta.fields, column);
    if (at < 0 && !delta.changes.isEmpty())
        throw missing();
    for (const packet::Change& change : delta.changes)
        for (const QVariantList* side : {&change.oldValues, &change.newValues})
            if (!side->isEmpty())
                out << side->at(at).toString();
    return out;
}

} // namespace

const std::vector<MethodSpec>& methods() {
    return table();
}

const MethodSpec* findMethod(QStringView name) {
    for (const MethodSpec& m : table())
        if (name == QLatin1String(m.name))
            return &m;
    return nullptr;
}

void checkArguments(const MethodSpec& method, QVariantList& args) {
    if (args.size() != qsizetype(method.args.size()))
        throw BadArguments(QStringLiteral("%1 espera %2 parâmetro(s) e recebeu %3.")
                               .arg(QLatin1String(method.name))
                               .arg(method.args.size())
                               .arg(args.size()));
    for (qsizetype i = 0; i < args.size(); ++i) {
        const ArgSpec& spec = method.args.at(size_t(i));
        const auto refuse = [&](const QString& fault) {
            return BadArguments(QStringLiteral("%1: o parâmetro %2 (%3) %4.")
                                    .arg(QLatin1String(method.name))
                                    .arg(i + 1)
                                    .arg(QLatin1String(spec.name), fault));
        };
        if (!convert(spec.type, args[i]))
            throw refuse(QStringLiteral("deve ser %1").arg(QLatin1String(typeName(spec.type))));
        const std::optional<QString> fault =
            spec.type == Text     ? textFault(args.at(i).toString(), LineBreaks::Refused)
            : spec.type == Packet ? packetTextFault(args.at(i), spec.freeTextColumn)
                                  : std::nullopt;
        if (fault)
            throw refuse(*fault);
    }
}

// The packet without the rows of branches the caller may not work on.
QVariant withoutForeignBranches(const QVariant& value, const Caller& caller) {
    if (value.isNull())
        return value;
    packet::Table table = packet::decode(value);
    const int at = packet::indexOf(table.fields, QStringLiteral("CDFILIAL"));
    if (at < 0)
        return value;
    table.rows.removeIf(
        [&](const QVariantList& row) { return !caller.mayWorkOn(row.at(at).toString()); });
    return packet::make(table);
}

void authorize(const MethodSpec& method, QVariantList& args, const Caller& caller) {
    for (size_t i = 0; i < method.args.size(); ++i) {
        const Names names = method.args[i].names;
        if (names == Names::Nothing)
            continue;
        if (names == Names::ReleasedBranchOfEachRow) {
            args[qsizetype(i)] = withoutForeignBranches(args.at(qsizetype(i)), caller);
            continue;
        }
        const QVariant& value = args.at(qsizetype(i));
        const QStringList branches =
            names == Names::Branch ? QStringList{value.toString()} : branchesIn(value, names);
        for (const QString& branch : branches)
            // An empty code names no branch: nothing is stored under it, and the method
            // refuses it in its own words.
            if (!branch.isEmpty() && !caller.mayWorkOn(branch))
                throw Refusal(QStringLiteral("Acesso negado à filial %1.").arg(branch));
    }
}

QVariant invoke(const MethodSpec& method, Database& db, QVariantList& args, const Caller& caller,
                const WriteKey* key) {
    QElapsedTimer timer;
    timer.start();
    // By-reference arguments change only when the call succeeds.
    QVariantList authorized = args, work;
    try {
        authorize(method, authorized, caller);
        // A write that another server's write got in the way of runs again from the start,
        // on the arguments as they came, its key looked up again in the new transaction.
        QVariant result = retryingConflicts(db, [&] {
            work = authorized;
            const auto run = [&] {
                return method.audit ? runAudited(
                                          db, caller, QLatin1String(method.name),
                                          [&] { return method.audit(db, work); },
                                          [&] { return method.run(db, work, caller); })
                                    : method.run(db, work, caller);
            };
            return key && method.once ? runOnce(db, *key, caller, method, work, run) : run();
        });
        if (method.envelope)
            result = QVariantMap{{QStringLiteral("ok"), true},
                                 {QStringLiteral("payload"), result},
                                 {QStringLiteral("message"), QString()}};
        args = std::move(work);
        qCDebug(lcMethods, "%s %.3f ms", method.name, double(timer.nsecsElapsed()) / 1e6);
        return result;
    } catch (const Exception& e) {
        // The operator's log says who was refused what, and where from; a refusal may quote an
        // argument, which the client chose, so it is kept short.
        qCWarning(lcMethods).noquote()
            << (method.audit ? "write" : "call") << method.name << "by" << caller.login() << "from"
            << caller.address() << "refused:" << shortened(e.message(), 300);
        if (!method.envelope)
            throw;
        return QVariantMap{{QStringLiteral("ok"), false},
                           {QStringLiteral("payload"), QVariant()},
                           {QStringLiteral("message"), e.message()}};
    }
}

} // namespace server
